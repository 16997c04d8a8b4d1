#pragma once

#include "LearningModels.h"
#include "LearningStore.h"
#include "ListModel.h"
#include "PathNodeRow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// The page of the learning tab that shows the current path: a header card with the goal and the progress, the
// robot banner of the "learning" scene that opens the companion chat, and one node row per lesson in the
// order the server sent them. It shows whatever path its store holds (the tab home shows the list only while
// there is one) and never changes the path itself; pulling down asks the store to fetch it again.
//
// The rows are a list model keyed by lesson (by item id, and by occurrence should the server ever repeat
// one): a fetched path signals only the lessons whose rows look different, and rows come, go or move only
// when lessons do.
class LearningPathListViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LearningStore *store READ store WRITE setStore NOTIFY storeChanged)
    Q_PROPERTY(bool hasPath READ hasPath NOTIFY pathChanged)
    Q_PROPERTY(qint64 pathId READ pathId NOTIFY pathChanged)
    Q_PROPERTY(QString caption READ caption CONSTANT)
    Q_PROPERTY(QString goal READ goal NOTIFY pathChanged)
    Q_PROPERTY(int completedCount READ completedCount NOTIFY pathChanged)
    Q_PROPERTY(int lessonCount READ lessonCount NOTIFY pathChanged)
    Q_PROPERTY(QString progressLine READ progressLine NOTIFY pathChanged)
    Q_PROPERTY(double progressFraction READ progressFraction NOTIFY pathChanged)
    Q_PROPERTY(ListModelBase *rows READ rowModel CONSTANT)
    Q_PROPERTY(QString bannerScene READ scene CONSTANT)
    Q_PROPERTY(QString chatScene READ scene CONSTANT)
    Q_PROPERTY(bool refreshing READ refreshing NOTIFY refreshingChanged)

public:
    explicit LearningPathListViewModel(QObject *parent = nullptr);
    ~LearningPathListViewModel() override;

    LearningStore *store() const { return m_store; }
    // Follows the store's path from now on.
    void setStore(LearningStore *store);

    // Shows `path` (the store's path, or a path of a test's own).
    void setPath(const std::optional<LearningPathView> &path);
    const std::optional<LearningPathView> &path() const { return m_path; }

    bool hasPath() const { return m_path.has_value(); }
    qint64 pathId() const { return m_path ? m_path->pathId : 0; }
    QString caption() const { return QStringLiteral("我的学习路径"); }
    QString goal() const { return m_path ? m_path->goal : QString(); }
    // Lessons whose state is exactly "Completed".
    int completedCount() const;
    int lessonCount() const { return m_path ? int(m_path->items.size()) : 0; }
    // "已完成 c / n 课 · 当前第 u 课"; the current number is the server's, shown as it stands.
    QString progressLine() const;
    // The filled share of the progress bar; 0 for a path without lessons.
    double progressFraction() const;
    const QList<PathNodeRow> &rows() const { return m_rows->rows(); }
    ListModelBase *rowModel() const { return m_rows; }
    QString scene() const { return QStringLiteral("learning"); }
    bool refreshing() const { return m_refreshing; }

    // Pull-to-refresh: fetches the path again through the store; `refreshing` holds until the fetch ends.
    Q_INVOKABLE void refresh();
    QCoro::Task<> runRefresh();

Q_SIGNALS:
    void storeChanged();
    void pathChanged();
    void refreshingChanged();

private:
    void followStore();
    void updateRows();
    void setRefreshing(bool refreshing);

    QPointer<LearningStore> m_store;
    QMetaObject::Connection m_storeConnection;
    std::optional<LearningPathView> m_path;
    ListModel<PathNodeRow> *m_rows;
    bool m_refreshing = false;
    int m_refreshes = 0;
};
