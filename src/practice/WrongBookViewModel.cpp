#include "WrongBookViewModel.h"

#include "ErrorText.h"
#include "PracticeLogging.h"
#include "WrongBookAPIClient.h"

QString WrongItemRow::title() const {
    if (item.question && item.question->stem && item.question->stem->text)
        return *item.question->stem->text;
    return item.kpName;
}

WrongBookViewModel::WrongBookViewModel(QObject *parent)
    : WrongBookViewModel(
          [](QString state, AppSession &session) {
              return WrongBookAPIClient().listWrongItems(std::move(state), false, session);
          },
          [](qint64 id, AppSession &session) { return WrongBookAPIClient().deleteWrongItem(id, session); },
          parent) {}

WrongBookViewModel::WrongBookViewModel(List list, Delete remove, QObject *parent)
    : ScreenViewModel(parent), m_list(std::move(list)), m_delete(std::move(remove)),
      m_items(new ListModel<WrongItemRow>(this)) {
    connect(m_items, &ListModelBase::countChanged, this, &WrongBookViewModel::loadingChanged);
}

void WrongBookViewModel::setFilter(const QString &filter) {
    if (m_filter == filter)
        return;
    m_filter = filter;
    Q_EMIT filterChanged();
    load();
}

QString WrongBookViewModel::emptyText() const {
    if (loading() || m_items->rowCount() > 0)
        return {};
    return m_filter == u"active" ? QStringLiteral("还没有错题。练习答错的题会自动进来。")
                                 : QStringLiteral("还没有已掌握的错题。");
}

void WrongBookViewModel::appear() {
    load();
}

void WrongBookViewModel::disappear() {
    ++m_ticket; // what is on its way is dropped
    setLoading(false);
}

void WrongBookViewModel::refresh() {
    load();
}

void WrongBookViewModel::load() {
    if (!session())
        return;
    const quint64 ticket = ++m_ticket;
    m_deletedSinceLoad.clear();
    setLoading(true);
    runLoad(this, ticket, m_filter);
}

QCoro::Task<void> WrongBookViewModel::runLoad(QPointer<WrongBookViewModel> self, quint64 ticket,
                                              QString state) {
    QPointer<AppSession> session = self->session();
    List list = self->m_list;
    std::optional<WrongBookList> answer;
    std::exception_ptr failure;
    try {
        answer = co_await list(state, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self || ticket != self->m_ticket)
        co_return; // overtaken by a newer load, or the screen went away
    if (answer) {
        QList<WrongItemRow> rows;
        for (WrongItem &item : answer->items) {
            if (!self->m_deletedSinceLoad.contains(item.wrongItemId))
                rows.append({std::move(item)});
        }
        self->m_items->replaceAll(std::move(rows));
    } else {
        qCInfo(lcPractice) << "wrong book not loaded:" << failureSummary(failure);
        self->setMessage(errorText(failure));
    }
    self->setLoading(false);
}

void WrongBookViewModel::deleteRows(const QVariantList &rows) {
    QList<int> positions;
    for (const QVariant &row : rows)
        positions.append(row.toInt());
    std::sort(positions.begin(), positions.end());
    QList<qint64> ids;
    for (int position : positions) {
        if (position >= 0 && position < m_items->rowCount())
            ids.append(m_items->at(position).id());
    }
    if (!ids.isEmpty() && session())
        runDeletes(this, ids, session(), m_delete);
}

QCoro::Task<void> WrongBookViewModel::runDeletes(QPointer<WrongBookViewModel> self, QList<qint64> ids,
                                                 QPointer<AppSession> session, Delete remove) {
    for (const qint64 id : ids) {
        if (!session)
            co_return;
        std::exception_ptr failure;
        try {
            co_await remove(id, *session);
        } catch (...) {
            failure = std::current_exception();
        }
        if (!self)
            continue; // the deletions go on; nobody shows them
        if (failure) {
            self->setMessage(errorText(failure));
            continue;
        }
        self->m_deletedSinceLoad.insert(id);
        while (self->m_items->remove(id)) {
        }
    }
}

QVariant WrongBookViewModel::entry(int row) const {
    if (row < 0 || row >= m_items->rowCount())
        return {};
    return QVariant::fromValue(m_items->at(row).item);
}
