#include "TopicBoxViewModel.h"

#include "Graphemes.h"

#include "AppSession.h"
#include "ErrorText.h"
#include "LearningAPIClient.h"

#include <QStringList>
#include <QVariantMap>

namespace {

bool isWhitespace(char32_t c) {
    return c == U'\t' || QChar::category(c) == QChar::Separator_Space;
}

bool isWhitespaceOrNewline(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return c == U'\t' || (c >= U'\n' && c <= U'\r') || c == U'\u0085';
    }
}

// Every white-space character that can be trimmed lies in the Basic Multilingual Plane, so one UTF-16 unit
// is one character here.
template <typename Predicate>
QString trimmed(const QString &text, Predicate trims) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && trims(text.at(begin).unicode()))
        ++begin;
    while (end > begin && trims(text.at(end - 1).unicode()))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

TopicBoxViewModel::TopicBoxViewModel(QObject *parent)
    : QObject(parent), m_candidates(new ListModel<TopicCandidateCard>(this)) {}

TopicBoxViewModel::~TopicBoxViewModel() = default;

QString TopicBoxViewModel::capped(const QString &text) {
    return Graphemes::leading(text, maxCharacters);
}

QString TopicBoxViewModel::trimWhitespace(const QString &text) {
    return trimmed(text, isWhitespace);
}

QString TopicBoxViewModel::trimWhitespaceAndNewlines(const QString &text) {
    return trimmed(text, isWhitespaceOrNewline);
}

void TopicBoxViewModel::setTopicText(const QString &text) {
    if (text == m_topicText)
        return;
    const bool wasEnabled = buttonEnabled();
    m_topicText = capped(text);
    Q_EMIT topicTextChanged();
    if (wasEnabled != buttonEnabled())
        Q_EMIT buttonEnabledChanged();
    setResult(std::nullopt);
}

int TopicBoxViewModel::messageTone() const {
    return outOfScope() ? Theme::Orange : Theme::BrandTeal;
}

QString TopicBoxViewModel::chapterLine(const TopicCandidate &candidate) {
    return u'《' + candidate.chapterName + u'》';
}

QString TopicBoxViewModel::pointsLine(const TopicCandidate &candidate) {
    return candidate.kpNames.join(u'、');
}

QString TopicBoxViewModel::summaryLine(const TopicCandidate &candidate) {
    return QStringLiteral("共 ") + QString::number(candidate.lessons) + QStringLiteral(" 节课 · 预计约 ") +
           QString::number(candidate.estimatedMinutes) + QStringLiteral(" 分钟");
}

void TopicBoxViewModel::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    const bool wasEnabled = buttonEnabled();
    m_busy = busy;
    Q_EMIT busyChanged();
    if (wasEnabled != buttonEnabled())
        Q_EMIT buttonEnabledChanged();
}

void TopicBoxViewModel::setResult(std::optional<TopicResolution> result) {
    if (!m_result && !result)
        return;
    m_result = std::move(result);
    QList<TopicCandidateCard> cards;
    if (m_result) {
        for (const TopicCandidate &candidate : m_result->candidates)
            cards.append(
                {candidate.id(), chapterLine(candidate), pointsLine(candidate), summaryLine(candidate)});
    }
    m_candidates->replaceAll(cards);
    Q_EMIT resultChanged();
}

void TopicBoxViewModel::resolve() {
    auto task = resolveTopic(); // runs on by itself; nothing waits for it or cancels it
}

QCoro::Task<> TopicBoxViewModel::resolveTopic() {
    const QString text = trimWhitespaceAndNewlines(m_topicText);
    if (text.isEmpty() || m_busy)
        co_return;
    QPointer<TopicBoxViewModel> self(this);
    QPointer<AppSession> session = AppSession::orCurrent(m_session);
    if (!session)
        co_return;
    setBusy(true);

    std::optional<TopicResolution> answer;
    std::exception_ptr failure;
    try {
        const LearningAPIClient client;
        answer = co_await client.topicPreview(text, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    if (answer) {
        setResult(std::move(answer));
    } else if (const std::optional<QString> message = errorText(failure)) {
        Q_EMIT failed(*message);
    }
    setBusy(false);
}

void TopicBoxViewModel::confirm(int index) {
    if (m_busy || !m_result || index < 0 || index >= m_result->candidates.size())
        return;
    Q_EMIT confirmed(QVariant::fromValue(m_result->candidates.at(index)));
}
