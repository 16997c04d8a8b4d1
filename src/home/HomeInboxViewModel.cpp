#include "HomeInboxViewModel.h"

#include "Analytics.h"
#include "Clock.h"
#include "ErrorText.h"
#include "HomeLogging.h"
#include "InboxTimeText.h"
#include "Platform.h"

#include <algorithm>
#include <exception>

namespace {

const QString generatedSetKind = QStringLiteral("question_set_ready");

// A single message's mark-read is fire-and-forget: its failure is only logged, never shown.
QCoro::Task<> logFailure(QCoro::Task<InboxMarkReadResult> marking) {
    const InboxMarkReadResult result = co_await marking;
    if (!result.succeeded())
        qCInfo(lcHome) << "inbox message not marked read:" << failureSummary(result.failure);
}

} // namespace

HomeInboxViewModel::HomeInboxViewModel(QObject *parent)
    : ScreenViewModel(parent), m_rows(new ListModel<InboxListRow>(this)),
      m_chips(new ListModel<InboxChip>(this)) {
    rebuild();
}

HomeInboxViewModel::~HomeInboxViewModel() = default;

void HomeInboxViewModel::setTimeZone(const QTimeZone &zone) {
    m_zone = zone;
    rebuild();
}

// --- derived values

int HomeInboxViewModel::chipCount(InboxCategory category) const {
    return int(std::count_if(m_messages.cbegin(), m_messages.cend(), [&](const InboxMessage &message) {
        return !message.read &&
               (category == InboxCategory::All || InboxKindStyle::forKind(message.kind).category == category);
    }));
}

QString HomeInboxViewModel::headline() const {
    const int unread = unreadCount();
    return unread > 0 ? QString::number(unread) + QStringLiteral(" 条未读") : QStringLiteral("全部已读");
}

QString HomeInboxViewModel::totalLine() const {
    return QStringLiteral("共 ") + QString::number(total()) +
           QStringLiteral(" 条 · 课程、复习、活动一手掌握");
}

QString HomeInboxViewModel::emptyTitle() const {
    return emptyTitle(m_category);
}

QString HomeInboxViewModel::emptyTitle(InboxCategory category) {
    if (category == InboxCategory::All)
        return QStringLiteral("暂无通知");
    return QStringLiteral("暂无「") + InboxCategories::rawValue(category) + QStringLiteral("」类通知");
}

QVariantMap HomeInboxViewModel::selectedRow() const {
    if (!m_selected)
        return {};
    return ListModel<InboxListRow>::toMap(row(*m_selected, Platform::clock().now(), m_zone));
}

InboxListRow HomeInboxViewModel::row(const InboxMessage &message, const QDateTime &now,
                                     const QTimeZone &zone) {
    const InboxKindStyle style = InboxKindStyle::forKind(message.kind);
    InboxListRow row;
    row.messageId = message.id;
    row.key = QString::number(message.id);
    row.kind = message.kind;
    row.title = message.title;
    row.body = message.body;
    row.label = style.label;
    row.symbol = style.symbol;
    row.tone = style.color;
    row.read = message.read;
    row.time = InboxTimeText::relativeTime(message.createdAt, now, zone);
    row.fullTime = InboxTimeText::fullTime(message.createdAt, zone);
    row.actionTitle = style.actionTitle.value_or(QString());
    row.destination = style.actionTitle
                          ? InboxKindStyle::destinationKey(InboxKindStyle::destination(message.kind))
                          : QString();
    row.accessibleName =
        (message.read ? QString() : QStringLiteral("未读，")) + style.label + u'，' + message.title;
    return row;
}

// --- actions

void HomeInboxViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void HomeInboxViewModel::disappear() {
    dropAppearance();
}

QCoro::Task<> HomeInboxViewModel::runLoad() {
    QPointer<AppSession> session = this->session();
    const Appearance appearance = this->appearance();
    if (!session)
        co_return;
    setRunning(m_running + 1);

    std::optional<QList<InboxMessage>> messages;
    std::exception_ptr failure;
    try {
        messages = co_await InboxAPIClient().fetchInbox(fetchLimit, *session);
    } catch (...) {
        failure = std::current_exception();
        qCInfo(lcHome) << "inbox not loaded:" << failureSummary(failure);
    }
    // The page may have been closed meanwhile: then `this` is gone and nothing may be touched.
    if (!appearance.alive())
        co_return;
    if (appearance.current()) {
        if (messages) {
            setMessages(std::move(*messages));
            setMessage(std::nullopt);
        } else if (const std::optional<QString> text = ::errorText(failure)) {
            setMessage(text); // a load we cancelled ourselves is no failure to show
        }
    }
    setRunning(m_running - 1);
}

void HomeInboxViewModel::chooseCategory(const QString &category) {
    const std::optional<InboxCategory> chosen = InboxCategories::fromRawValue(category);
    if (!chosen || *chosen == m_category)
        return;
    m_category = *chosen;
    rebuild();
    Q_EMIT categoryChanged();
}

void HomeInboxViewModel::open(int row) {
    if (row < 0 || row >= m_rows->count())
        return;
    const qint64 id = m_rows->at(row).messageId;
    const auto found = std::find_if(m_messages.begin(), m_messages.end(),
                                    [&](const InboxMessage &message) { return message.id == id; });
    if (found == m_messages.end())
        return;
    // The sheet shows the message as it was tapped.
    m_selected = *found;
    Q_EMIT selectedChanged();
    if (found->read)
        return;
    found->read = true;
    rebuild();
    if (session()) {
        auto task = logFailure(InboxAPIClient().markRead({id}, *session()));
    }
}

void HomeInboxViewModel::closeDetail() {
    if (!m_selected)
        return;
    m_selected.reset();
    Q_EMIT selectedChanged();
}

void HomeInboxViewModel::markAllRead() {
    auto task = runMarkAllRead();
}

QCoro::Task<> HomeInboxViewModel::runMarkAllRead() {
    const Appearance self = appearance();
    if (!session())
        co_return;
    QList<qint64> ids;
    for (const InboxMessage &message : std::as_const(m_messages)) {
        if (!message.read)
            ids.append(message.id);
    }
    const InboxMarkReadResult result = co_await InboxAPIClient().markRead(ids, *session());
    // Closed meanwhile: the requests have finished, but there is no screen left to show them on.
    if (!self.alive())
        co_return;
    markConfirmed(result.confirmed);
    if (!result.succeeded()) {
        qCInfo(lcHome) << "inbox not all marked read:" << failureSummary(result.failure);
        if (const std::optional<QString> text = ::errorText(result.failure))
            setMessage(text);
    }
}

void HomeInboxViewModel::actionTapped() {
    if (!m_selected || m_selected->kind != generatedSetKind)
        return;
    Analytics::shared().track(QStringLiteral("gen_ready_open"),
                              {{QStringLiteral("request_id"),
                                m_selected->refId ? QString::number(*m_selected->refId) : QString()}});
}

// --- state

void HomeInboxViewModel::setMessages(QList<InboxMessage> messages) {
    m_messages = std::move(messages);
    rebuild();
}

void HomeInboxViewModel::markConfirmed(const QList<qint64> &ids) {
    if (ids.isEmpty())
        return;
    const QSet<qint64> confirmed(ids.cbegin(), ids.cend());
    bool changed = false;
    for (InboxMessage &message : m_messages) {
        if (!message.read && confirmed.contains(message.id)) {
            message.read = true;
            changed = true;
        }
    }
    if (changed)
        rebuild();
}

void HomeInboxViewModel::setRunning(int running) {
    const bool was = loading();
    m_running = std::max(0, running);
    setLoading(m_running > 0);
    if (loading() != was)
        rebuild(); // the loading line depends on it
}

void HomeInboxViewModel::rebuild() {
    const QDateTime now = Platform::clock().now();
    QList<InboxListRow> rows;
    for (const InboxMessage &message : std::as_const(m_messages)) {
        if (m_category == InboxCategory::All || InboxKindStyle::forKind(message.kind).category == m_category)
            rows.append(row(message, now, m_zone));
    }
    m_rows->replaceAll(std::move(rows));

    QList<InboxChip> chips;
    for (const InboxCategory category : InboxCategories::allCases())
        chips.append({InboxCategories::rawValue(category), chipCount(category), category == m_category});
    m_chips->replaceAll(std::move(chips));

    const int unread = unreadCount();
    if (unread != m_shownUnread || total() != m_shownTotal) {
        m_shownUnread = unread;
        m_shownTotal = total();
        Q_EMIT countsChanged();
    }
    if (showsLoading() != m_shownLoading || showsEmpty() != m_shownEmpty) {
        m_shownLoading = showsLoading();
        m_shownEmpty = showsEmpty();
        Q_EMIT contentChanged();
    }
}
