#pragma once

#include "AppSession.h"
#include "CompanionMemories.h"
#include "ListModel.h"
#include "ScreenViewModel.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// One memory as its row shows it. Two memories may share an id: the list keeps both rows.
struct MemoryRow {
    Q_GADGET
    Q_PROPERTY(QString memoryId MEMBER memoryId)
    Q_PROPERTY(QString content MEMBER content)
    Q_PROPERTY(QString caption MEMBER caption)

public:
    QString memoryId;
    QString content; // the remembered text, shown as plain text
    QString caption; // "学习目标 · 2026-03-01"

    static MemoryRow from(const MemoryEntry &entry);
    QString id() const { return memoryId; }
    friend bool operator==(const MemoryRow &, const MemoryRow &) = default;
};

// The companion's memories ("伙伴记忆"): what the companion keeps about the learner, loaded from the AI
// service each time the page comes on screen and by pull, deleted one by one (a swipe or the row's delete
// control) or all at once after a confirmation.
//
// Every request goes to the AI base through the signed-in sender of the current session (a 401 renews the
// token once). A row leaves the list only once the server confirmed its deletion; a failed one stays and the
// alert shows the latest failure. A memory whose id would not name one memory ("", ".", "..") is never
// sent: its row stays and the alert says "无法删除这条记忆".
//
// A load belongs to the page being on screen: one begun before the page left writes nothing. Deletions and
// the clear-all run to their end even when the page is gone, with nothing left to show.
class MemoriesViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ListModelBase *items READ itemModel CONSTANT)
    Q_PROPERTY(bool showsSpinner READ showsSpinner NOTIFY listStateChanged)
    Q_PROPERTY(bool showsEmpty READ showsEmpty NOTIFY listStateChanged)
    Q_PROPERTY(bool canClear READ canClear NOTIFY listStateChanged)
    Q_PROPERTY(bool confirmClear READ confirmClear NOTIFY confirmClearChanged)

public:
    explicit MemoriesViewModel(QObject *parent = nullptr);
    ~MemoriesViewModel() override;

    static inline const QString refusedText = QStringLiteral("无法删除这条记忆");

    ListModelBase *itemModel() const { return m_items; }
    const QList<MemoryEntry> &entries() const { return m_entries; }
    bool showsSpinner() const { return loading() && m_entries.isEmpty(); }
    bool showsEmpty() const { return !loading() && m_entries.isEmpty(); }
    bool canClear() const { return !m_entries.isEmpty(); }
    bool confirmClear() const { return m_confirmClear; }

    // The page came on screen, or the list was pulled: loads the list (again).
    Q_INVOKABLE void load();
    // The page left the screen: a load under way is dropped.
    Q_INVOKABLE void disappear();
    // A swipe or a delete control removed these rows: each is deleted on the server in ascending order, one
    // request at a time. Positions outside the list are passed over.
    Q_INVOKABLE void deleteRows(const QList<int> &rows);
    Q_INVOKABLE void deleteRow(int row) { deleteRows({row}); }
    // "全部清空" in the bar asks; the dialog's "全部清空" clears, "取消" (or closing it) does nothing else.
    Q_INVOKABLE void requestClear();
    Q_INVOKABLE void confirmClearAll();
    Q_INVOKABLE void cancelClear();

    // The operations, for callers that wait for them (tests).
    QCoro::Task<> runLoad();
    QCoro::Task<> runDelete(QList<MemoryEntry> entries);
    QCoro::Task<> runClearAll();

Q_SIGNALS:
    void listStateChanged();
    void confirmClearChanged();

private:
    struct ListState {
        bool loading;
        bool empty;
        bool operator==(const ListState &) const = default;
    };
    ListState listState() const { return {loading(), m_entries.isEmpty()}; }
    void setEntries(QList<MemoryEntry> entries);
    void removeEntries(const QString &id);
    void setConfirmClear(bool confirm);

    QList<MemoryEntry> m_entries;
    ListModel<MemoryRow> *m_items;
    bool m_confirmClear = false;
};
