#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <chrono>
#include <coroutine>
#include <initializer_list>
#include <utility>

#include "AppSession.h"
class QJSEngine;
class QQmlEngine;

// Usage events: recorded by name with a few short text properties, kept in memory (never on disk) and
// posted to the service in batches, every 15 seconds and early once 20 are waiting. Nothing about it is
// ever shown to the learner: a failed post keeps its events for the next round, a post the service refuses
// (4xx) drops them, and when the queue is full the oldest events go first.
//
// One shared instance for the whole run; main thread only.
class Analytics : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    struct Event {
        QString eventId;               // 32 upper-case hex digits
        QString name;                  // as the caller gave it
        QHash<QString, QString> props; // values cut to kMaxPropertyLength characters, keys whole
        QString occurredAt;            // UTC, whole seconds: 2026-03-01T08:05:09Z

        QJsonObject toJson() const;
    };

    static constexpr int maxQueue = 200;
    static constexpr int kEarlyFlushAt = 20;
    static constexpr int kBatchSize = 50;
    static constexpr int kMaxPropertyLength = 64;
    static constexpr std::chrono::milliseconds kFlushInterval = std::chrono::seconds(15);

    // The run's instance, created on first use.
    static Analytics &shared();
    // The QML singleton is the shared instance; the engine never owns it.
    static Analytics *create(QQmlEngine *, QJSEngine *);

    // A separate queue with its own loop interval. The app uses `shared()`; tests use this to run the loop
    // quickly and to destroy an instance while its loop or a post is under way. (No default constructor, so
    // that QML takes the shared instance from `create` rather than making one of its own.)
    explicit Analytics(std::chrono::milliseconds flushInterval, QObject *parent = nullptr);
    ~Analytics() override;

    // Posts with this session's token and API base from now on (held weakly, replacing an earlier one) and
    // starts the flush loop unless it runs already.
    void start(AppSession *session);

    // Queues one event; may start an early flush. Never fails.
    void track(const QString &name, const QHash<QString, QString> &props = {});
    void track(const QString &name, std::initializer_list<std::pair<QString, QString>> props);
    // From QML: every property value is taken as its text.
    Q_INVOKABLE void track(const QString &name, const QVariantMap &props);

    // Posts at most one batch (the oldest 50 events) and drops from the queue the events the service has
    // judged. Does nothing without a session, without an access token or with an empty queue.
    QCoro::Task<void> flush();

    // For tests: what is waiting, oldest first.
    int queuedCount() const { return int(m_queue.size()); }
    QList<Event> queuedEvents() const { return m_queue; }
    bool isLoopRunning() const { return m_loopStarted; }

    // The upload body for `batch`: {"platform": "ios", "app_version"?: ..., "events": [...]}.
    static QJsonObject uploadBody(const QList<Event> &batch);

private:
    struct Pause;
    static QCoro::Task<void> runLoop(QPointer<Analytics> self);
    void endPause();

    QList<Event> m_queue;
    bool m_loopStarted = false;
    QPointer<AppSession> m_session;
    std::chrono::milliseconds m_flushInterval;
    // The loop's wait between rounds: its timer resumes it, or the destructor does at once, so that the loop
    // never outlives the instance suspended.
    QTimer m_pauseTimer;
    std::coroutine_handle<> m_pausedLoop;
    std::shared_ptr<bool> m_gone = std::make_shared<bool>(false);
};
