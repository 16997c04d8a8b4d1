#pragma once

#include "ListModel.h"
#include "WrongBookModels.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include "ScreenViewModel.h"

// One entry of the wrong book as its row shows it: the question's text (else the knowledge point), the
// knowledge point, "今天该复习" when due, and the streak.
class WrongItemRow {
    Q_GADGET
    Q_PROPERTY(QString title READ title)
    Q_PROPERTY(QString kpName READ kpName)
    Q_PROPERTY(bool due READ due)
    Q_PROPERTY(QString streakText READ streakText)

public:
    WrongItem item;

    qint64 id() const { return item.wrongItemId; }
    QString title() const;
    QString kpName() const { return item.kpName; }
    bool due() const { return item.due; }
    QString streakText() const { return QStringLiteral("连对 ") + QString::number(item.correctStreak); }
    bool operator==(const WrongItemRow &) const = default;
};

// The wrong-question book: the learner's entries under review ("active") or mastered, loaded whenever the
// screen shows, the filter changes or the learner refreshes; entries are deleted on the server one after
// another. Only the newest load writes the list, its failure and `loading`: a load overtaken by another, or
// dropped because the screen went away, ends silently; and an entry deleted while a load was on its way does
// not come back with that load's answer.
class WrongBookViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString filter READ filter WRITE setFilter NOTIFY filterChanged)
    Q_PROPERTY(ListModelBase *items READ itemList CONSTANT)
    Q_PROPERTY(bool showsSpinner READ showsSpinner NOTIFY loadingChanged)
    // The notice of an empty list; empty while loading or when there are rows.
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY loadingChanged)

public:
    using List = std::function<QCoro::Task<WrongBookList>(QString state, AppSession &session)>;
    using Delete = std::function<QCoro::Task<>(qint64 wrongItemId, AppSession &session)>;

    explicit WrongBookViewModel(QObject *parent = nullptr);
    WrongBookViewModel(List list, Delete remove, QObject *parent = nullptr);

    QString filter() const { return m_filter; }
    // "active" or "mastered"; a change loads the list of the new filter.
    void setFilter(const QString &filter);
    ListModelBase *itemList() const { return m_items; }
    const ListModel<WrongItemRow> &items() const { return *m_items; }
    bool showsSpinner() const { return loading() && m_items->rowCount() == 0; }
    QString emptyText() const;

    Q_INVOKABLE void appear();
    Q_INVOKABLE void disappear();
    Q_INVOKABLE void refresh();
    // Deletes the entries at these rows on the server, one after another; each leaves the list once deleted.
    Q_INVOKABLE void deleteRows(const QVariantList &rows);
    // The entry at `row`, for its page.
    Q_INVOKABLE QVariant entry(int row) const;

Q_SIGNALS:
    void filterChanged();

private:
    static QCoro::Task<void> runLoad(QPointer<WrongBookViewModel> self, quint64 ticket, QString state);
    static QCoro::Task<void> runDeletes(QPointer<WrongBookViewModel> self, QList<qint64> ids,
                                        QPointer<AppSession> session, Delete remove);
    void load();

    List m_list;
    Delete m_delete;
    QString m_filter = QStringLiteral("active");
    ListModel<WrongItemRow> *m_items;
    quint64 m_ticket = 0;            // the newest load; older ones write nothing
    QSet<qint64> m_deletedSinceLoad; // deleted while the newest load was on its way
};
