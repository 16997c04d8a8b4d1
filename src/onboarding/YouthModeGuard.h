#pragma once

#include "AppSession.h"
#include "JsonReader.h"
#include "Transport.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <optional>

// Youth protection on the client: the server limits a minor's study time (a daily allowance, blocked periods
// such as the night rest) and this guard only reports usage and keeps what the server decides. Started, it
// asks for the usage state at once and then posts a heartbeat every minute with the whole seconds since the
// previous one (at least 1, at most 180, so a suspended machine never reports more than three minutes).
// Stopped, it forgets the state, so the rest overlay goes away.
//
// Only a status-200 answer counts: it replaces the state, or clears it when its body does not decode. Any
// other answer and every failure change nothing and are not shown. Requests go through the session's
// signed-in sender, so an expired token is renewed once; without a token nothing is sent.
//
// Answers can arrive out of order (two slow heartbeats) or after a stop: an answer is applied only while the
// guard is still in the run that sent it, and only when no request sent after it has been applied already.
// Otherwise a late answer could put back an overlay the server has already lifted.
class YouthModeGuard : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("owned by the main gate")
    Q_PROPERTY(bool started READ isStarted NOTIFY startedChanged)
    Q_PROPERTY(bool hasSnapshot READ hasSnapshot NOTIFY snapshotChanged)
    Q_PROPERTY(bool overlayShown READ overlayShown NOTIFY snapshotChanged)
    Q_PROPERTY(QString overlayMessage READ overlayMessage NOTIFY snapshotChanged)
    Q_PROPERTY(QString usageLine READ usageLine NOTIFY snapshotChanged)

public:
    // The usage state as the server sends it, under its own fixed keys.
    struct Snapshot {
        bool enforced = false;
        bool blockedNow = false;
        bool dailyExceeded = false;
        qint64 dailyMinutes = 0;
        qint64 usedMinutes = 0;
        qint64 remainingMinutes = 0;
        std::optional<QString> reasonCode; // kept, never shown
        std::optional<QString> message;

        static Snapshot fromJson(const JsonReader &json);
        bool operator==(const Snapshot &) const = default;
        // Limits apply and study is blocked now or today's allowance is used up.
        bool callsForRest() const { return enforced && (blockedNow || dailyExceeded); }
    };

    static constexpr std::chrono::milliseconds defaultInterval{60000};
    static inline const QString defaultRestMessage =
        QStringLiteral("今天的学习时长已用完，或当前处于禁用时段。");

    explicit YouthModeGuard(QObject *parent = nullptr);

    // Tests beat faster; the next start uses it.
    void setInterval(std::chrono::milliseconds interval) { m_interval = interval; }

    // Remembers the session, stops whatever ran before (the state is cleared), counts time from now, asks
    // for the usage state and starts the heartbeat timer.
    void start(AppSession *session);
    void stop();

    // The usage query and one heartbeat; what the timer and `start` run.
    QCoro::Task<> refresh();
    QCoro::Task<> heartbeat();

    // The seconds a heartbeat reports for an elapsed time: cut to whole seconds, held to 1..180.
    static qint64 deltaSeconds(double elapsedSeconds);
    static QString overlayMessage(const Snapshot &snapshot);
    // "今日已用 40/40 分钟" while limits apply; nothing otherwise.
    static QString usageLine(const Snapshot &snapshot);

    bool isStarted() const { return m_timer.isActive(); }
    const std::optional<Snapshot> &snapshot() const { return m_snapshot; }
    bool hasSnapshot() const { return m_snapshot.has_value(); }
    bool overlayShown() const { return m_snapshot && m_snapshot->callsForRest(); }
    QString overlayMessage() const { return m_snapshot ? overlayMessage(*m_snapshot) : QString(); }
    QString usageLine() const { return m_snapshot ? usageLine(*m_snapshot) : QString(); }
    QDateTime lastBeat() const { return m_lastBeat; }

Q_SIGNALS:
    void startedChanged();
    void snapshotChanged();

private:
    // Applies the answer of the request just sent, as described above.
    QCoro::Task<> apply(QCoro::Task<HttpResponse> answer);
    void setSnapshot(std::optional<Snapshot> snapshot);

    QPointer<AppSession> m_session;
    QTimer m_timer;
    std::chrono::milliseconds m_interval = defaultInterval;
    QDateTime m_lastBeat;
    std::optional<Snapshot> m_snapshot;
    // Each start and stop begins a new run; each request gets the next number; the number of the last
    // request whose answer was applied.
    quint64 m_run = 0;
    quint64 m_sent = 0;
    quint64 m_lastApplied = 0;
};
