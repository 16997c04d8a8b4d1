#include "QAHomeViewModel.h"

#include "Theme.h"

namespace {

const QString qaScene = QStringLiteral("qa");
const QString planScene = QStringLiteral("qa_plan");

QASubject subject(const char16_t *id, const char16_t *name, const char *icon, double red, double green,
                  double blue, const char16_t *tagline) {
    return {QString::fromUtf16(id), QString::fromUtf16(name), QString::fromLatin1(icon),
            QColor::fromRgbF(float(red), float(green), float(blue)), QString::fromUtf16(tagline)};
}

} // namespace

const QList<QASubject> &QASubject::all() {
    static const QList<QASubject> subjects{
        subject(u"math", u"数学", "function", 0.16, 0.45, 0.85, u"方程·几何·函数"),
        subject(u"chinese", u"语文", "character.book.closed.fill", 0.82, 0.30, 0.27, u"阅读·古诗·作文"),
        subject(u"english", u"英语", "textformat.abc", 0.42, 0.32, 0.80, u"语法·词汇·写作"),
        subject(u"physics", u"物理", "atom", 0.10, 0.55, 0.70, u"力学·电学·光学"),
        subject(u"chemistry", u"化学", "flask.fill", 0.13, 0.60, 0.40, u"元素·反应·实验"),
        subject(u"biology", u"生物", "leaf.fill", 0.35, 0.62, 0.20, u"细胞·遗传·生态"),
        subject(u"history", u"历史", "building.columns.fill", 0.62, 0.43, 0.22, u"朝代·事件·人物"),
        subject(u"geography", u"地理", "globe.asia.australia.fill", 0.11, 0.50, 0.62, u"地图·气候·区域"),
        subject(u"politics", u"道法", "scalemass.fill", 0.75, 0.52, 0.13, u"法治·道德·国情"),
    };
    return subjects;
}

std::optional<QASubject> QASubject::find(const QString &id) {
    for (const QASubject &subject : all()) {
        if (subject.id == id)
            return subject;
    }
    return std::nullopt;
}

const QList<QAHotQuestion> &QAHotQuestion::all() {
    static const QList<QAHotQuestion> questions{
        {QStringLiteral("math"), QStringLiteral("一元一次方程移项为什么要变号？")},
        {QStringLiteral("physics"), QStringLiteral("什么是浮力？举个生活中的例子")},
        {QStringLiteral("english"), QStringLiteral("现在完成时和一般过去时有什么区别？")},
        {QStringLiteral("chemistry"), QStringLiteral("怎么判断一个变化是化学变化？")},
        {QStringLiteral("chinese"), QStringLiteral("议论文的论点和论据怎么区分？")},
        {QStringLiteral("history"), QStringLiteral("帮我梳理一下秦朝统一的措施")},
    };
    return questions;
}

QAChatRoute QAChatRoute::forSubject(const QASubject &subject) {
    return {qaScene, QString(), subject.id, subject.name + QStringLiteral("问答")};
}

QAChatRoute QAChatRoute::forHotQuestion(const QAHotQuestion &question) {
    const std::optional<QASubject> subject = QASubject::find(question.subject);
    const QString name = subject ? subject->name : QStringLiteral("学科");
    return {qaScene, question.text, question.subject, name + QStringLiteral("问答")};
}

QAChatRoute QAChatRoute::forPlanQuestion(const QString &question) {
    return {planScene, question, QString(), QStringLiteral("学习计划问答")};
}

QAHotQuestionRow QAHotQuestionRow::of(const QAHotQuestion &question) {
    const std::optional<QASubject> subject = QASubject::find(question.subject);
    return {question.text, question.subject, subject ? subject->name : QString(),
            subject ? subject->color : Theme::brandTeal()};
}

QAHomeViewModel::QAHomeViewModel(QObject *parent)
    : ScreenViewModel(parent), m_planCard(new LearningPlanCardViewModel(this)),
      m_subjects(new ListModel<QASubjectRow>(this)), m_hotQuestions(new ListModel<QAHotQuestionRow>(this)) {
    QList<QASubjectRow> subjects;
    for (const QASubject &subject : QASubject::all())
        subjects.append({subject.id, subject.name, subject.icon, subject.color, subject.tagline});
    m_subjects->replaceAll(std::move(subjects));
    QList<QAHotQuestionRow> questions;
    for (const QAHotQuestion &question : QAHotQuestion::all())
        questions.append(QAHotQuestionRow::of(question));
    m_hotQuestions->replaceAll(std::move(questions));
    connect(m_planCard, &LearningPlanCardViewModel::chatRequested, this, &QAHomeViewModel::chatRequested);
}

QAHomeViewModel::~QAHomeViewModel() = default;

void QAHomeViewModel::sessionReplaced() {
    m_planCard->setSession(this->session());
}

void QAHomeViewModel::openSubject(int row) {
    const QList<QASubject> &subjects = QASubject::all();
    if (row < 0 || row >= subjects.size())
        return;
    request(QAChatRoute::forSubject(subjects[row]));
}

void QAHomeViewModel::openHotQuestion(int row) {
    const QList<QAHotQuestion> &questions = QAHotQuestion::all();
    if (row < 0 || row >= questions.size())
        return;
    request(QAChatRoute::forHotQuestion(questions[row]));
}

void QAHomeViewModel::request(const QAChatRoute &route) {
    Q_EMIT chatRequested(route.scene, route.initialMessage, route.subject, route.title);
}
