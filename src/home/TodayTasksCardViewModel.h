#pragma once

#include "LearningModels.h"
#include "PathProgress.h"
#include "ScreenViewModel.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// The home grid's "TodayTasks" card: the learner's current learning path (the one the session remembers as
// its last), with its goal, the lessons done out of all and a bar; without a path, an invitation to pick a
// chapter. The card has no action of its own: its host makes the whole card a way into the learning tab.
//
// It loads the path when it comes on screen, and again whenever the session's last path changes while it is
// shown (a path made or chosen elsewhere). No remembered path shows the invitation at once, with no request.
// A failed fetch also clears the path on show: a card that cannot tell the current path does not keep
// showing a stale one. Only the newest load decides: an answer begun before the card last left the screen,
// or for a path that is no longer the session's last one, is dropped.
class TodayTasksCardViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(QString size READ size WRITE setSize NOTIFY sizeChanged)
    Q_PROPERTY(bool onScreen READ onScreen WRITE setOnScreen NOTIFY onScreenChanged)
    Q_PROPERTY(bool hasPath READ hasPath NOTIFY pathChanged)
    Q_PROPERTY(QString goal READ goal NOTIFY pathChanged)
    Q_PROPERTY(qint64 done READ done NOTIFY pathChanged)
    Q_PROPERTY(qint64 total READ total NOTIFY pathChanged)
    Q_PROPERTY(QString progressLine READ progressLine NOTIFY pathChanged)
    Q_PROPERTY(double progressValue READ progressValue NOTIFY pathChanged)
    Q_PROPERTY(double progressTotal READ progressTotal NOTIFY pathChanged)
    Q_PROPERTY(int minHeight READ minHeight NOTIFY sizeChanged)
    Q_PROPERTY(QString invitation READ invitation CONSTANT)
    Q_PROPERTY(QString symbol READ symbol CONSTANT)

public:
    explicit TodayTasksCardViewModel(QObject *parent = nullptr);
    ~TodayTasksCardViewModel() override;

    QString title() const { return m_title; }
    void setTitle(const QString &title);
    // The grid card's size code; only "L" makes a difference.
    QString size() const { return m_size; }
    void setSize(const QString &size);
    bool onScreen() const { return m_onScreen; }
    void setOnScreen(bool onScreen);

    const std::optional<LearningPathView> &path() const { return m_path; }
    bool hasPath() const { return m_path.has_value(); }
    QString goal() const { return m_path ? m_path->goal : QString(); }
    qint64 done() const { return m_progress.done; }
    qint64 total() const { return m_progress.total; }
    // "<goal> · 已完成 3/8".
    QString progressLine() const;
    // The bar: done out of all lessons, out of 1 for a path without lessons (an empty bar, never 0/0).
    double progressValue() const { return double(m_progress.done); }
    double progressTotal() const { return double(std::max<qint64>(m_progress.total, 1)); }
    int minHeight() const { return m_size == QLatin1String("L") ? 100 : 80; }
    QString invitation() const { return QStringLiteral("还没开始，去选一章"); }
    QString symbol() const { return QStringLiteral("checklist"); }

    // Loads the session's last path now (tests wait for it; the card starts it by itself).
    QCoro::Task<> runLoad();

Q_SIGNALS:
    void titleChanged();
    void sizeChanged();
    void onScreenChanged();
    void pathChanged();

private:
    void sessionReplaced() override;
    void lastPathChanged();
    void setPath(std::optional<LearningPathView> path);

    QMetaObject::Connection m_lastPathConnection;
    QString m_title;
    QString m_size;
    bool m_onScreen = false;
    std::optional<LearningPathView> m_path;
    PathProgress m_progress;
    // Numbers the loads as they start, and is bumped when the card leaves the screen: only the load with the
    // current number may write.
    quint64 m_load = 0;
};
