#include "QuestionBankViewModel.h"

#include "Analytics.h"
#include "ErrorText.h"
#include "LearningAPIClient.h"
#include "PracticeViewModel.h"

namespace {

const QString noChoice = QStringLiteral("请选择");

// A picker of chapters or of points: "请选择" first, then the items by name; position 0 is no choice.
template <typename Item>
QStringList pickerOptions(const QList<Item> &items) {
    QStringList options{noChoice};
    for (const Item &item : items)
        options.append(item.name);
    return options;
}

template <typename Item>
int pickerIndex(const QList<Item> &items, const std::optional<Item> &chosen) {
    return chosen ? int(items.indexOf(*chosen)) + 1 : 0;
}

// The labels of a table of (value, label) choices, and the position of a value in it (-1 when absent).
template <typename Value>
QStringList labelsOf(const QList<std::pair<Value, QString>> &options) {
    QStringList labels;
    for (const auto &[value, label] : options)
        labels.append(label);
    return labels;
}

template <typename Value>
int positionOf(const QList<std::pair<Value, QString>> &options, const Value &value) {
    for (qsizetype i = 0; i < options.size(); ++i) {
        if (options[i].first == value)
            return int(i);
    }
    return -1;
}

template <typename Item>
std::optional<Item> pickedAt(const QList<Item> &items, int index) {
    if (index >= 1 && index <= items.size())
        return items.at(index - 1);
    return std::nullopt;
}

} // namespace

QString QuestionBankRow::stem() const {
    return PracticeViewModel::stemTextOf(question);
}

QString QuestionBankRow::typeLabel() const {
    return QuestionBankViewModel::typeLabelOf(question.qtype);
}

QuestionBankViewModel::Calls QuestionBankViewModel::Calls::learningClient() {
    // Each call has a client of its own; its requests hold what they need once started.
    return {
        [](AppSession &session) { return LearningAPIClient().fetchChapters(session); },
        [](QString code, AppSession &session) {
            return LearningAPIClient().fetchChapterPoints(std::move(code), session);
        },
        [](QString kp, std::optional<QString> qtype, int difficulty, int count, QList<qint64> exclude,
           AppSession &session) {
            return LearningAPIClient().fetchPracticeQuestions(std::move(kp), std::move(qtype), difficulty,
                                                              count, std::move(exclude), session);
        },
        [](QJsonObject body, AppSession &session) {
            return LearningAPIClient().requestQuestions(std::move(body), session);
        },
    };
}

const QList<std::pair<std::optional<QString>, QString>> &QuestionBankViewModel::qtypeOptions() {
    static const QList<std::pair<std::optional<QString>, QString>> options{
        {std::nullopt, QStringLiteral("全部")},
        {QStringLiteral("single_choice"), QStringLiteral("选择题")},
        {QStringLiteral("fill_blank"), QStringLiteral("填空题")},
        {QStringLiteral("solution"), QStringLiteral("解答题")},
    };
    return options;
}

const QList<std::pair<int, QString>> &QuestionBankViewModel::difficultyOptions() {
    static const QList<std::pair<int, QString>> options{
        {1, QStringLiteral("基础")}, {2, QStringLiteral("简单")}, {3, QStringLiteral("中等")},
        {4, QStringLiteral("提高")}, {5, QStringLiteral("挑战")},
    };
    return options;
}

QuestionBankViewModel::QuestionBankViewModel(QObject *parent)
    : QuestionBankViewModel(Calls::learningClient(), parent) {}

QuestionBankViewModel::QuestionBankViewModel(Calls calls, QObject *parent)
    : ScreenViewModel(parent), calls(std::move(calls)), m_rows(new ListModel<QuestionBankRow>(this)) {
    // What the page offers follows the loading flag.
    connect(this, &ScreenViewModel::loadingChanged, this, &QuestionBankViewModel::stateChanged);
}

QuestionBankViewModel::~QuestionBankViewModel() = default;

AppSession *QuestionBankViewModel::activeSession() const {
    return AppSession::orCurrent(session());
}

// Chapters.

void QuestionBankViewModel::setChapters(QList<ChapterItem> chapters) {
    if (m_chapters == chapters)
        return;
    m_chapters = std::move(chapters);
    Q_EMIT chaptersChanged();
    Q_EMIT chapterChanged(); // the chosen chapter's position may have moved
}

QStringList QuestionBankViewModel::chapterOptions() const {
    return pickerOptions(m_chapters);
}

int QuestionBankViewModel::chapterIndex() const {
    return pickerIndex(m_chapters, m_chapter);
}

void QuestionBankViewModel::setChapterIndex(int index) {
    setChapter(pickedAt(m_chapters, index));
}

void QuestionBankViewModel::setChapter(std::optional<ChapterItem> chapter) {
    if (m_chapter == chapter)
        return;
    m_chapter = std::move(chapter);
    Q_EMIT chapterChanged();
    setPoint(std::nullopt);
    setPoints({});
    setQuestions({});
    if (m_chapter)
        auto task = loadPoints(*m_chapter); // runs on by itself; its outcome lands in `points`
}

// Knowledge points.

void QuestionBankViewModel::setPoints(QList<KnowledgePointItem> points) {
    if (m_points == points)
        return;
    m_points = std::move(points);
    Q_EMIT pointsChanged();
    Q_EMIT pointChanged();
}

QStringList QuestionBankViewModel::pointOptions() const {
    return pickerOptions(m_points);
}

int QuestionBankViewModel::pointIndex() const {
    return pickerIndex(m_points, m_point);
}

void QuestionBankViewModel::setPointIndex(int index) {
    setPoint(pickedAt(m_points, index));
}

void QuestionBankViewModel::setPoint(std::optional<KnowledgePointItem> point) {
    if (m_point == point)
        return;
    m_point = std::move(point);
    Q_EMIT pointChanged();
    setQuestions({});
    setError(std::nullopt);
    setRequestNote(std::nullopt);
    Q_EMIT stateChanged();
}

QCoro::Task<> QuestionBankViewModel::loadPoints(ChapterItem chapter) {
    const Appearance self = appearance();
    QPointer<AppSession> session = activeSession();
    if (!session)
        co_return;
    QList<KnowledgePointItem> points;
    try {
        points = (co_await calls.points(chapter.code, *session)).items;
    } catch (...) {
        // The list only decorates the screen: a failure leaves it empty, silently.
    }
    // An answer for a chapter the learner has left would offer another chapter's points.
    if (!self.alive() || m_chapter != chapter)
        co_return;
    setPoints(std::move(points));
}

// Type and difficulty.

void QuestionBankViewModel::setQtype(std::optional<QString> qtype) {
    if (m_qtype == qtype)
        return;
    m_qtype = std::move(qtype);
    Q_EMIT filterChanged();
    setRequestNote(std::nullopt); // the batch on screen stays; the next fetch uses the new filter
}

void QuestionBankViewModel::setDifficulty(int difficulty) {
    if (m_difficulty == difficulty)
        return;
    m_difficulty = difficulty;
    Q_EMIT filterChanged();
    setRequestNote(std::nullopt);
}

QStringList QuestionBankViewModel::qtypeLabels() const {
    return labelsOf(qtypeOptions());
}

int QuestionBankViewModel::qtypeIndex() const {
    return positionOf(qtypeOptions(), m_qtype);
}

void QuestionBankViewModel::setQtypeIndex(int index) {
    if (index >= 0 && index < qtypeOptions().size())
        setQtype(qtypeOptions().at(index).first);
}

QStringList QuestionBankViewModel::difficultyLabels() const {
    return labelsOf(difficultyOptions());
}

int QuestionBankViewModel::difficultyIndex() const {
    return positionOf(difficultyOptions(), m_difficulty);
}

void QuestionBankViewModel::setDifficultyIndex(int index) {
    if (index >= 0 && index < difficultyOptions().size())
        setDifficulty(difficultyOptions().at(index).first);
}

QString QuestionBankViewModel::typeLabelOf(const std::optional<QString> &qtype) {
    for (const auto &[value, label] : qtypeOptions()) {
        if (value == qtype)
            return label;
    }
    return QStringLiteral("题目");
}

// The batch.

void QuestionBankViewModel::setQuestions(QList<VariantQuestion> questions) {
    if (m_questions == questions)
        return;
    m_questions = std::move(questions);
    QList<QuestionBankRow> rows;
    rows.reserve(m_questions.size());
    for (const VariantQuestion &question : m_questions)
        rows.append({question});
    m_rows->replaceAll(std::move(rows));
    Q_EMIT stateChanged();
}

void QuestionBankViewModel::setError(std::optional<QString> error) {
    if (m_error == error)
        return;
    m_error = std::move(error);
    Q_EMIT stateChanged();
}

void QuestionBankViewModel::setRequestNote(std::optional<QString> note) {
    if (m_requestNote == note)
        return;
    m_requestNote = std::move(note);
    Q_EMIT stateChanged();
}

void QuestionBankViewModel::setRequesting(bool requesting) {
    if (m_requesting == requesting)
        return;
    m_requesting = requesting;
    Q_EMIT stateChanged();
}

QString QuestionBankViewModel::pickLabel() const {
    return m_questions.isEmpty() ? QStringLiteral("开始挑题") : QStringLiteral("换一批");
}

QString QuestionBankViewModel::questionsHeader() const {
    return QStringLiteral("题目（") + QString::number(m_questions.size()) + QStringLiteral("）");
}

bool QuestionBankViewModel::showsEmptyState() const {
    return m_questions.isEmpty() && m_point && !loading() && !m_error;
}

QString QuestionBankViewModel::emptyHint() const {
    return QStringLiteral("题库里这个知识点暂时没有符合条件的题，可以换个难度，或请伙伴出题。");
}

QString QuestionBankViewModel::chatMessage() const {
    if (!m_point)
        return {};
    return QStringLiteral("给我出几道「") + m_point->name + QStringLiteral("」的练习题");
}

QVariantMap QuestionBankViewModel::practiceProperties(int row) const {
    if (row < 0 || row >= m_questions.size())
        return {};
    const VariantQuestion &question = m_questions.at(row);
    PracticeViewModel practice;
    practice.setOptions(question.options.value_or(QList<QuestionSnapshot::Option>()));
    return {{QStringLiteral("questionId"), QString::number(question.questionId)},
            {QStringLiteral("stemText"), PracticeViewModel::stemTextOf(question)},
            {QStringLiteral("options"), practice.optionList()},
            {QStringLiteral("source"), QStringLiteral("practice")}};
}

// Operations.

void QuestionBankViewModel::appear() {
    auto task = loadChapters();
}

void QuestionBankViewModel::disappear() {
    dropAppearance();
}

void QuestionBankViewModel::pick() {
    auto task = loadQuestions();
}

void QuestionBankViewModel::requestSet() {
    auto task = requestQuestionSet();
}

QCoro::Task<> QuestionBankViewModel::loadChapters() {
    Analytics::shared().track(QStringLiteral("question_bank_open"),
                              {{QStringLiteral("source"), QStringLiteral("home")}});
    if (!m_chapters.isEmpty())
        co_return; // the catalogue is loaded once per screen
    QPointer<AppSession> session = activeSession();
    const Appearance appearance = this->appearance();
    if (!session)
        co_return;
    QList<ChapterItem> chapters;
    try {
        chapters = (co_await calls.chapters(*session)).items;
    } catch (...) {
        // Silent: the picker offers only "请选择" and the next visit tries again.
    }
    if (!appearance.current())
        co_return;
    setChapters(std::move(chapters));
}

QCoro::Task<> QuestionBankViewModel::loadQuestions() {
    if (!m_point || loading())
        co_return;
    const Appearance self = appearance();
    QPointer<AppSession> session = activeSession();
    if (!session)
        co_return;
    const KnowledgePointItem point = *m_point;
    QList<qint64> exclude;
    for (const VariantQuestion &question : std::as_const(m_questions))
        exclude.append(question.questionId);
    setLoading(true);

    std::optional<QList<VariantQuestion>> batch;
    std::exception_ptr failure;
    try {
        batch = co_await calls.questions(point.code, m_qtype, m_difficulty, batchSize, exclude, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self.alive())
        co_return;
    // A batch (or its failure) for a point the learner has left belongs to no filter on screen; the fetch
    // still ends.
    if (m_point == point) {
        if (batch) {
            setQuestions(std::move(*batch));
            setError(std::nullopt);
        } else if (const std::optional<QString> message = ::errorText(failure)) {
            setError(message);
        }
    }
    setLoading(false);
}

QCoro::Task<> QuestionBankViewModel::requestQuestionSet() {
    if (!m_point || m_requesting)
        co_return;
    const Appearance self = appearance();
    QPointer<AppSession> session = activeSession();
    if (!session)
        co_return;
    const KnowledgePointItem point = *m_point;
    const std::optional<QString> qtype = m_qtype;
    const int difficulty = m_difficulty;
    QJsonObject body{{QStringLiteral("kp"), point.code}, {QStringLiteral("difficulty"), difficulty}};
    if (qtype)
        body.insert(QStringLiteral("qtype"), *qtype);
    setRequesting(true);

    std::optional<QuestionRequestResult> answer;
    std::exception_ptr failure;
    try {
        answer = co_await calls.request(body, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    // The note speaks of the filters it was asked with; under other filters it would mislead and keep
    // "让伙伴出题" disabled for them.
    if (self.alive() && answer && m_point == point && m_qtype == qtype && m_difficulty == difficulty)
        setRequestNote(answer->message);
    // The set is made whether or not the learner waited for the answer: it is recorded also when the screen
    // closed meanwhile.
    if (answer) {
        Analytics::shared().track(
            QStringLiteral("gen_request"),
            {{QStringLiteral("source"), QStringLiteral("bank")},
             {QStringLiteral("kp_code"), point.code},
             {QStringLiteral("merged"), answer->merged ? QStringLiteral("1") : QStringLiteral("0")}});
    }
    if (!self.alive())
        co_return;
    if (const std::optional<QString> message = ::errorText(failure); message && m_point == point)
        setError(message);
    setRequesting(false);
}
