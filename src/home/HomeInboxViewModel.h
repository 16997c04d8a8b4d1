#pragma once

#include "InboxAPIClient.h"
#include "InboxKinds.h"
#include "InboxMessage.h"
#include "ListModel.h"
#include "ScreenViewModel.h"

#include <QObject>
#include <QString>
#include <QTimeZone>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// One message as its row and its detail sheet draw it: the message's own texts, its kind's look and action,
// and its times as texts. `key` is the id in decimal for QML, whose numbers round ids beyond 2^53.
struct InboxListRow {
    Q_GADGET
    Q_PROPERTY(QString key MEMBER key)
    Q_PROPERTY(QString kind MEMBER kind)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString body MEMBER body)
    Q_PROPERTY(QString label MEMBER label)
    Q_PROPERTY(QString symbol MEMBER symbol)
    Q_PROPERTY(int tone MEMBER tone) // a Theme::Role
    Q_PROPERTY(bool read MEMBER read)
    Q_PROPERTY(QString time MEMBER time)
    Q_PROPERTY(QString fullTime MEMBER fullTime)
    Q_PROPERTY(QString actionTitle MEMBER actionTitle) // empty: no action
    Q_PROPERTY(QString destination MEMBER destination) // InboxKindStyle::destinationKey
    Q_PROPERTY(QString accessibleName MEMBER accessibleName)

public:
    qint64 messageId = 0;
    QString key;
    QString kind;
    QString title;
    QString body;
    QString label;
    QString symbol;
    int tone = 0;
    bool read = false;
    QString time;
    QString fullTime;
    QString actionTitle;
    QString destination;
    QString accessibleName;

    qint64 id() const { return messageId; }
    friend bool operator==(const InboxListRow &, const InboxListRow &) = default;
};

// One category chip: its text, its unread count (0: no badge) and whether it is the chosen one.
struct InboxChip {
    Q_GADGET
    Q_PROPERTY(QString category MEMBER category)
    Q_PROPERTY(int count MEMBER count)
    Q_PROPERTY(bool selected MEMBER selected)

public:
    QString category;
    int count = 0;
    bool selected = false;

    const QString &id() const { return category; }
    friend bool operator==(const InboxChip &, const InboxChip &) = default;
};

// The inbox screen ("学习通知"): loads up to 50 messages when the page comes on screen and again on a pull,
// the mouse wheel, F5 or "刷新"; files them under the category chips with their unread counts; opens one
// (marking it read at once, here and on the server) and marks everything read.
//
// The rows are those of the chosen category, in the server's order: opening a message changes its row, a
// load replaces the list (the later answer winning), a chip changes which rows are listed. A failed load
// keeps the list and shows its text in `message`; a failed single mark-read is only logged, the
// message staying read until the next load.
//
// "全部已读" marks read exactly the messages whose ids the server confirmed, whatever reload came in
// meanwhile; when part of it failed, the confirmed ones are marked and the failure is shown. Its requests
// run to their end even when the page is closed first; their answers then change nothing.
class HomeInboxViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ListModelBase *rows READ rowModel CONSTANT)
    Q_PROPERTY(ListModelBase *chips READ chipModel CONSTANT)
    Q_PROPERTY(QString category READ categoryText NOTIFY categoryChanged)
    Q_PROPERTY(QString emptyTitle READ emptyTitle NOTIFY categoryChanged)
    Q_PROPERTY(int unreadCount READ unreadCount NOTIFY countsChanged)
    Q_PROPERTY(int total READ total NOTIFY countsChanged)
    Q_PROPERTY(QString headline READ headline NOTIFY countsChanged)
    Q_PROPERTY(QString totalLine READ totalLine NOTIFY countsChanged)
    Q_PROPERTY(bool showsLoading READ showsLoading NOTIFY contentChanged)
    Q_PROPERTY(bool showsEmpty READ showsEmpty NOTIFY contentChanged)
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY selectedChanged)
    // The selected message's row roles by name (empty while none), for the detail sheet.
    Q_PROPERTY(QVariantMap selected READ selectedRow NOTIFY selectedChanged)

public:
    static constexpr int fetchLimit = 50;

    explicit HomeInboxViewModel(QObject *parent = nullptr);
    ~HomeInboxViewModel() override;

    // The zone "today" and "yesterday" are judged in; the system's unless a test sets another.
    void setTimeZone(const QTimeZone &zone);

    ListModelBase *rowModel() const { return m_rows; }
    ListModelBase *chipModel() const { return m_chips; }
    const ListModel<InboxListRow> &rows() const { return *m_rows; }
    const ListModel<InboxChip> &chips() const { return *m_chips; }
    const QList<InboxMessage> &messages() const { return m_messages; }
    const std::optional<InboxMessage> &selectedMessage() const { return m_selected; }

    InboxCategory category() const { return m_category; }
    QString categoryText() const { return InboxCategories::rawValue(m_category); }
    QString emptyTitle() const;
    int unreadCount() const { return chipCount(InboxCategory::All); }
    int total() const { return int(m_messages.size()); }
    // The unread messages of a category (of all of them for `All`).
    int chipCount(InboxCategory category) const;
    QString headline() const;
    QString totalLine() const;
    bool showsLoading() const { return loading() && m_messages.isEmpty(); }
    bool showsEmpty() const { return !showsLoading() && m_rows->count() == 0; }
    bool hasSelection() const { return m_selected.has_value(); }
    QVariantMap selectedRow() const;

    // The page came on screen, was pulled, or "刷新": loads the list.
    Q_INVOKABLE void load();
    Q_INVOKABLE void refresh() { load(); }
    // The page left the screen: loads under way are dropped.
    Q_INVOKABLE void disappear();
    // A chip: its category text; any other text changes nothing.
    Q_INVOKABLE void chooseCategory(const QString &category);
    // A row of `rows` was tapped: opens its detail and, when unread, marks it read.
    Q_INVOKABLE void open(int row);
    Q_INVOKABLE void closeDetail();
    Q_INVOKABLE void markAllRead();
    // The detail's action was tapped: records "gen_ready_open" for a generated question set.
    Q_INVOKABLE void actionTapped();

    // The load and the mark-all, for callers that wait for them to end (tests).
    QCoro::Task<> runLoad();
    QCoro::Task<> runMarkAllRead();

    // A message as its row draws it, at `now` in `zone`.
    static InboxListRow row(const InboxMessage &message, const QDateTime &now, const QTimeZone &zone);
    static QString emptyTitle(InboxCategory category);

Q_SIGNALS:
    void categoryChanged();
    void countsChanged();
    void contentChanged();
    void selectedChanged();

private:
    void setMessages(QList<InboxMessage> messages);
    void markConfirmed(const QList<qint64> &ids);
    void setRunning(int running);
    // Recomputes the rows, the chips and everything derived from the messages, signalling what changed.
    void rebuild();

    QTimeZone m_zone = QTimeZone::systemTimeZone();
    QList<InboxMessage> m_messages;
    std::optional<InboxMessage> m_selected;
    InboxCategory m_category = InboxCategory::All;
    ListModel<InboxListRow> *m_rows;
    ListModel<InboxChip> *m_chips;
    int m_running = 0; // loading while any runs
    // What the last rebuild signalled, to signal changes only.
    int m_shownUnread = 0;
    int m_shownTotal = 0;
    bool m_shownLoading = false;
    bool m_shownEmpty = false;
};
