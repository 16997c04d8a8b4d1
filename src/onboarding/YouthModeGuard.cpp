#include "YouthModeGuard.h"

#include "Clock.h"
#include "ErrorText.h"
#include "OnboardingAPIClient.h"
#include "OnboardingLogging.h"
#include "Platform.h"

#include <cmath>

YouthModeGuard::Snapshot YouthModeGuard::Snapshot::fromJson(const JsonReader &json) {
    Snapshot snapshot;
    snapshot.enforced = json.boolean(QStringLiteral("enforced"));
    snapshot.blockedNow = json.boolean(QStringLiteral("blocked_now"));
    snapshot.dailyExceeded = json.boolean(QStringLiteral("daily_exceeded"));
    snapshot.dailyMinutes = json.int64(QStringLiteral("daily_minutes"));
    snapshot.usedMinutes = json.int64(QStringLiteral("used_minutes"));
    snapshot.remainingMinutes = json.int64(QStringLiteral("remaining_minutes"));
    snapshot.reasonCode = json.optString(QStringLiteral("reason_code"));
    snapshot.message = json.optString(QStringLiteral("message"));
    return snapshot;
}

YouthModeGuard::YouthModeGuard(QObject *parent) : QObject(parent), m_lastBeat(Platform::clock().now()) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        auto beat = heartbeat(); // runs on by itself; overlapping beats each apply their own answer
    });
}

void YouthModeGuard::start(AppSession *session) {
    m_session = session;
    stop();
    m_lastBeat = Platform::clock().now();
    auto query = refresh(); // runs on by itself
    m_timer.start(m_interval);
    Q_EMIT startedChanged();
}

void YouthModeGuard::stop() {
    ++m_run; // answers still on their way belong to the run that ends here
    if (m_timer.isActive()) {
        m_timer.stop();
        Q_EMIT startedChanged();
    }
    setSnapshot(std::nullopt);
}

QCoro::Task<> YouthModeGuard::refresh() {
    if (!m_session || !m_session->isLoggedIn())
        co_return;
    co_await apply(OnboardingAPIClient().fetchUsage(*m_session));
}

QCoro::Task<> YouthModeGuard::heartbeat() {
    // Without a token the beat is not taken: the next one that can be sent reports the whole gap.
    if (!m_session || !m_session->isLoggedIn())
        co_return;
    const double elapsed = double(m_lastBeat.msecsTo(Platform::clock().now())) / 1000.0;
    // Taken before sending, so a beat whose request fails is not reported again.
    m_lastBeat = Platform::clock().now();
    co_await apply(OnboardingAPIClient().postHeartbeat(deltaSeconds(elapsed), *m_session));
}

qint64 YouthModeGuard::deltaSeconds(double elapsedSeconds) {
    // Also a clock set back (negative) and anything that is not a number.
    if (!(elapsedSeconds >= 1.0))
        return 1;
    if (elapsedSeconds >= 180.0)
        return 180;
    return qint64(std::trunc(elapsedSeconds));
}

QString YouthModeGuard::overlayMessage(const Snapshot &snapshot) {
    return snapshot.message.value_or(defaultRestMessage);
}

QString YouthModeGuard::usageLine(const Snapshot &snapshot) {
    if (!snapshot.enforced)
        return {};
    return QStringLiteral("今日已用 %1/%2 分钟").arg(snapshot.usedMinutes).arg(snapshot.dailyMinutes);
}

QCoro::Task<> YouthModeGuard::apply(QCoro::Task<HttpResponse> answer) {
    QPointer<YouthModeGuard> self(this);
    const quint64 run = m_run;
    const quint64 number = ++m_sent;
    HttpResponse response;
    try {
        response = co_await answer;
    } catch (...) {
        qCDebug(lcOnboarding) << "usage not reported:" << failureSummary(std::current_exception());
        co_return;
    }
    if (!self || run != m_run || number < m_lastApplied)
        co_return;
    // Only a 200 counts; any other answer leaves the state as it was, unread.
    if (!response.isHttp() || response.status != 200)
        co_return;
    m_lastApplied = number;
    try {
        setSnapshot(Snapshot::fromJson(JsonReader::parse(response.body, JsonKeys::AsIs)));
    } catch (const JsonDecodeError &) {
        qCDebug(lcOnboarding) << "usage answer not readable";
        setSnapshot(std::nullopt);
    }
}

void YouthModeGuard::setSnapshot(std::optional<Snapshot> snapshot) {
    if (m_snapshot == snapshot)
        return;
    m_snapshot = std::move(snapshot);
    Q_EMIT snapshotChanged();
}
