#include "LearningPathListViewModel.h"

#include "LearningStore.h"

#include <algorithm>

LearningPathListViewModel::LearningPathListViewModel(QObject *parent)
    : QObject(parent), m_rows(new ListModel<PathNodeRow>(this)) {}

LearningPathListViewModel::~LearningPathListViewModel() = default;

void LearningPathListViewModel::setStore(LearningStore *store) {
    if (m_store == store)
        return;
    QObject::disconnect(m_storeConnection);
    m_store = store;
    if (store)
        m_storeConnection =
            connect(store, &LearningStore::pathChanged, this, &LearningPathListViewModel::followStore);
    Q_EMIT storeChanged();
    followStore();
}

void LearningPathListViewModel::followStore() {
    setPath(m_store ? m_store->path() : std::nullopt);
}

void LearningPathListViewModel::setPath(const std::optional<LearningPathView> &path) {
    if (m_path == path)
        return;
    m_path = path;
    updateRows();
    Q_EMIT pathChanged();
}

int LearningPathListViewModel::completedCount() const {
    if (!m_path)
        return 0;
    return int(std::count_if(m_path->items.begin(), m_path->items.end(), [](const LearningItemView &item) {
        return item.state == LessonState::completed;
    }));
}

QString LearningPathListViewModel::progressLine() const {
    return QStringLiteral("已完成 ") + QString::number(completedCount()) + QStringLiteral(" / ") +
           QString::number(lessonCount()) + QStringLiteral(" 课 · 当前第 ") +
           QString::number(m_path ? m_path->unlockedOrder : 0) + QStringLiteral(" 课");
}

double LearningPathListViewModel::progressFraction() const {
    const int total = lessonCount();
    return total > 0 ? double(completedCount()) / double(total) : 0.0;
}

void LearningPathListViewModel::updateRows() {
    QList<PathNodeRow> rows;
    if (m_path) {
        const QList<LearningItemView> &items = m_path->items;
        rows.reserve(items.size());
        for (qsizetype i = 0; i < items.size(); ++i) {
            const LearningItemView &item = items[i];
            const bool isCurrent =
                item.listOrder == m_path->unlockedOrder && item.state != LessonState::completed;
            rows.append(PathNodeRow(item, isCurrent, i == items.size() - 1, m_path->pathId));
        }
    }
    m_rows->replaceAll(std::move(rows));
}

void LearningPathListViewModel::setRefreshing(bool refreshing) {
    if (m_refreshing == refreshing)
        return;
    m_refreshing = refreshing;
    Q_EMIT refreshingChanged();
}

void LearningPathListViewModel::refresh() {
    auto task = runRefresh(); // runs on by itself; the store takes the outcome
}

QCoro::Task<> LearningPathListViewModel::runRefresh() {
    QPointer<LearningPathListViewModel> self(this);
    QPointer<LearningStore> store = m_store;
    if (!store)
        co_return;
    ++m_refreshes;
    setRefreshing(true);
    co_await store->refresh();
    if (!self)
        co_return;
    if (--m_refreshes == 0)
        setRefreshing(false);
}
