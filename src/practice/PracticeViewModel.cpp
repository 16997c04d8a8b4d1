#include "PracticeViewModel.h"

#include "Analytics.h"
#include "ErrorText.h"
#include "PracticeLogging.h"
#include "WrongBookAPIClient.h"

namespace {

// Spaces and tabs only: a line break counts as an answer.
QString trimmedOfSpacesAndTabs(const QString &text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && (text[first] == u' ' || text[first] == u'\t'))
        ++first;
    while (last > first && (text[last - 1] == u' ' || text[last - 1] == u'\t'))
        --last;
    return text.mid(first, last - first);
}

} // namespace

PracticeViewModel::PracticeViewModel(QObject *parent)
    : PracticeViewModel(
          [](qint64 questionId, QString answer, QString source, AppSession &session) {
              return WrongBookAPIClient().submitAnswer(questionId, std::move(answer), std::move(source),
                                                       session);
          },
          parent) {}

PracticeViewModel::PracticeViewModel(Submit submit, QObject *parent)
    : ScreenViewModel(parent), m_submit(std::move(submit)), m_rows(new ListModel<PracticeOptionRow>(this)) {}

PracticeViewModel::~PracticeViewModel() = default;

void PracticeViewModel::setQuestion(const VariantQuestion &question, const QString &source) {
    m_questionId = question.questionId;
    m_stemText = stemTextOf(question);
    m_options = question.options.value_or(QList<QuestionSnapshot::Option>());
    m_source = source;
    refreshRows();
    Q_EMIT questionChanged();
    Q_EMIT stateChanged();
}

QString PracticeViewModel::stemTextOf(const VariantQuestion &question) {
    if (question.stem && question.stem->text)
        return *question.stem->text;
    return QStringLiteral("题目 #") + QString::number(question.questionId);
}

void PracticeViewModel::setQuestionId(qint64 id) {
    if (m_questionId == id)
        return;
    m_questionId = id;
    Q_EMIT questionChanged();
}

void PracticeViewModel::setQuestionIdText(const QString &id) {
    bool ok = false;
    const qint64 value = id.toLongLong(&ok);
    if (ok)
        setQuestionId(value);
    else
        qCWarning(lcPractice) << "question id that is no integer ignored";
}

void PracticeViewModel::setStemText(const QString &text) {
    if (m_stemText == text)
        return;
    m_stemText = text;
    Q_EMIT questionChanged();
}

void PracticeViewModel::setOptions(QList<QuestionSnapshot::Option> options) {
    m_options = std::move(options);
    refreshRows();
    Q_EMIT questionChanged();
    Q_EMIT stateChanged();
}

QVariantList PracticeViewModel::optionList() const {
    QVariantList list;
    for (const QuestionSnapshot::Option &option : m_options) {
        list.append(QVariantMap{{QStringLiteral("hasLabel"), option.label.has_value()},
                                {QStringLiteral("label"), option.label.value_or(QString())},
                                {QStringLiteral("hasText"), option.text.has_value()},
                                {QStringLiteral("text"), option.text.value_or(QString())}});
    }
    return list;
}

void PracticeViewModel::setOptionList(const QVariantList &options) {
    QList<QuestionSnapshot::Option> list;
    for (const QVariant &entry : options) {
        const QVariantMap map = entry.toMap();
        QuestionSnapshot::Option option;
        if (map.value(QStringLiteral("hasLabel"), map.contains(QStringLiteral("label"))).toBool())
            option.label = map.value(QStringLiteral("label")).toString();
        if (map.value(QStringLiteral("hasText"), map.contains(QStringLiteral("text"))).toBool())
            option.text = map.value(QStringLiteral("text")).toString();
        list.append(option);
    }
    setOptions(std::move(list));
}

void PracticeViewModel::setSource(const QString &source) {
    if (m_source == source)
        return;
    m_source = source;
    Q_EMIT questionChanged();
}

QString PracticeViewModel::title() const {
    return m_source == u"review" ? QStringLiteral("复习原题") : QStringLiteral("同源练习");
}

void PracticeViewModel::setAnswer(const QString &answer) {
    if (m_answer == answer || graded())
        return;
    m_answer = answer;
    refreshRows();
    Q_EMIT answerChanged();
    Q_EMIT stateChanged();
}

void PracticeViewModel::choose(int position) {
    if (position < 0 || position >= m_options.size())
        return;
    setAnswer(m_options[position].label.value_or(QString()));
}

void PracticeViewModel::refreshRows() {
    QList<PracticeOptionRow> rows;
    for (qsizetype i = 0; i < m_options.size(); ++i) {
        const QString label = m_options[i].label.value_or(QString());
        rows.append({int(i), label, m_options[i].text.value_or(QString()), m_answer == label});
    }
    m_rows->replaceAll(std::move(rows));
}

bool PracticeViewModel::canSubmit() const {
    return !m_submitting && !graded() && !trimmedOfSpacesAndTabs(m_answer).isEmpty();
}

void PracticeViewModel::submit() {
    if (!canSubmit())
        return; // one request at a time, and a result is final
    if (!session()) {
        qCWarning(lcPractice) << "submit without a session ignored";
        return;
    }
    m_submitting = true;
    Q_EMIT stateChanged();
    runSubmit(this, m_submit, m_questionId, m_answer, m_source, session());
}

QCoro::Task<void> PracticeViewModel::runSubmit(QPointer<PracticeViewModel> self, Submit submit,
                                               qint64 questionId, QString answer, QString source,
                                               QPointer<AppSession> session) {
    std::optional<AnswerResultResponse> result;
    std::exception_ptr failure;
    try {
        result = co_await submit(questionId, answer, source, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (result) {
        // The answer is filed on the server whatever became of the screen: it is recorded either way.
        Analytics::shared().track(
            QStringLiteral("practice_submit"),
            {{QStringLiteral("question_id"), QString::number(questionId)},
             {QStringLiteral("correct"), result->correct ? QStringLiteral("true") : QStringLiteral("false")},
             {QStringLiteral("source"), source}});
    }
    if (!self)
        co_return;
    self->m_submitting = false;
    if (result) {
        self->m_result = std::make_unique<AnswerResultResponse>(std::move(*result));
    } else if (const std::optional<QString> text = errorText(failure)) {
        self->setMessage(text);
    }
    Q_EMIT self->stateChanged();
}

bool PracticeViewModel::correct() const {
    return m_result && m_result->correct;
}

QString PracticeViewModel::verdict() const {
    if (!m_result)
        return {};
    return m_result->correct ? QStringLiteral("答对了") : QStringLiteral("答错了");
}

QString PracticeViewModel::verdictSymbol() const {
    if (!m_result)
        return {};
    return m_result->correct ? QStringLiteral("checkmark.circle") : QStringLiteral("xmark.circle");
}

bool PracticeViewModel::hasStandardAnswer() const {
    return m_result && m_result->correctAnswer && m_result->correctAnswer->value;
}

QString PracticeViewModel::standardAnswer() const {
    return hasStandardAnswer() ? *m_result->correctAnswer->value : QString();
}

bool PracticeViewModel::hasWrongItem() const {
    return m_result && m_result->wrongItem;
}

QString PracticeViewModel::wrongItemState() const {
    return hasWrongItem() ? m_result->wrongItem->state : QString();
}

QString PracticeViewModel::correctStreak() const {
    return hasWrongItem() ? QString::number(m_result->wrongItem->correctStreak) : QString();
}

QStringList PracticeViewModel::steps() const {
    QStringList numbered;
    if (!m_result || !m_result->solution || !m_result->solution->steps)
        return numbered;
    const QStringList &steps = *m_result->solution->steps;
    for (qsizetype i = 0; i < steps.size(); ++i)
        numbered.append(QString::number(i + 1) + QStringLiteral(". ") + steps[i]);
    return numbered;
}
