#include "Analytics.h"

#include "Graphemes.h"

#include "ApiClient.h"
#include "AppSession.h"
#include "BundleInfo.h"
#include "Clock.h"
#include "CoreLogging.h"
#include "ErrorText.h"
#include "Platform.h"

#include <QJSEngine>
#include <QJsonArray>
#include <QLocale>
#include <QSet>
#include <QUuid>

QJsonObject Analytics::Event::toJson() const {
    QJsonObject properties;
    for (auto it = props.cbegin(); it != props.cend(); ++it)
        properties.insert(it.key(), it.value());
    return {{QStringLiteral("event_id"), eventId},
            {QStringLiteral("name"), name},
            {QStringLiteral("props"), properties},
            {QStringLiteral("occurred_at"), occurredAt}};
}

Analytics &Analytics::shared() {
    static Analytics instance(kFlushInterval);
    return instance;
}

Analytics *Analytics::create(QQmlEngine *, QJSEngine *) {
    Analytics *instance = &shared();
    QJSEngine::setObjectOwnership(instance, QJSEngine::CppOwnership);
    return instance;
}

Analytics::Analytics(std::chrono::milliseconds flushInterval, QObject *parent)
    : QObject(parent), m_flushInterval(flushInterval) {
    // Precise: the interval is a fixed 15 s, not a hint the timer may stretch.
    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pauseTimer, &QTimer::timeout, this, &Analytics::endPause);
}

Analytics::~Analytics() {
    // A loop waiting between rounds ends here and now; one waiting for a post ends once the post does.
    *m_gone = true;
    m_pauseTimer.stop();
    endPause();
}

// Suspends the loop until `endPause`. Touches the instance only while it lives: the destructor resumes.
struct Analytics::Pause {
    Analytics *owner;
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> loop) {
        owner->m_pausedLoop = loop;
        owner->m_pauseTimer.start(owner->m_flushInterval);
    }
    void await_resume() const noexcept {}
};

void Analytics::endPause() {
    if (std::coroutine_handle<> loop = std::exchange(m_pausedLoop, nullptr))
        loop.resume();
}

void Analytics::start(AppSession *session) {
    m_session = session;
    if (m_loopStarted)
        return;
    m_loopStarted = true;
    // Not kept: the loop holds this object only weakly and ends on its own once the object is gone.
    runLoop(QPointer<Analytics>(this));
}

void Analytics::track(const QString &name, const QHash<QString, QString> &props) {
    Event event;
    event.eventId = QUuid::createUuid().toString(QUuid::Id128).toUpper();
    event.name = name;
    for (auto it = props.cbegin(); it != props.cend(); ++it)
        event.props.insert(it.key(), Graphemes::leading(it.value(), kMaxPropertyLength));
    event.occurredAt =
        QLocale::c().toString(Platform::clock().now().toUTC(), QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));

    m_queue.append(std::move(event));
    if (m_queue.size() > maxQueue)
        m_queue.remove(0, m_queue.size() - maxQueue);

    // Every recording at or above the threshold starts its own flush; overlapping flushes may post the
    // same events twice, which the service tells apart by event id, and each removes only what is left.
    if (m_queue.size() >= kEarlyFlushAt)
        flush();
}

void Analytics::track(const QString &name, std::initializer_list<std::pair<QString, QString>> props) {
    QHash<QString, QString> map;
    for (const auto &[key, value] : props)
        map.insert(key, value);
    track(name, map);
}

void Analytics::track(const QString &name, const QVariantMap &props) {
    QHash<QString, QString> map;
    for (auto it = props.cbegin(); it != props.cend(); ++it)
        map.insert(it.key(), it.value().toString());
    track(name, map);
}

QCoro::Task<void> Analytics::flush() {
    QPointer<Analytics> self(this);
    AppSession *session = m_session.data();
    if (!session)
        co_return;
    const std::optional<QString> token = session->accessToken();
    if (!token)
        co_return;
    if (m_queue.isEmpty())
        co_return;

    const QList<Event> batch = m_queue.mid(0, kBatchSize);
    // Signed by the started session and renewed through it, whichever session was made last.
    const ApiClient client(*session, {ApiClient::Base::Api, ApiClient::Auth::Renewing, true, true});
    HttpResponse response;
    try {
        response =
            co_await client.data(client.request("POST", QStringLiteral("/api/v1/events"), uploadBody(batch)));
    } catch (...) {
        // No answer: the batch stays for the next round.
        qCInfo(lcAnalytics) << "event upload failed:" << failureSummary(std::current_exception());
        co_return;
    }
    if (!self)
        co_return;

    // A 4xx is the service's final word on the batch, so resending it would only fail again. Anything else
    // (a redirect, a server error, no HTTP answer) leaves it queued.
    const bool judged = (response.status >= 200 && response.status <= 299) ||
                        (response.status >= 400 && response.status <= 499);
    if (!judged)
        co_return;
    // By id, not by position: events recorded meanwhile stay, and events the cap dropped meanwhile are
    // simply not found.
    QSet<QString> sent;
    for (const Event &event : batch)
        sent.insert(event.eventId);
    m_queue.removeIf([&sent](const Event &event) { return sent.contains(event.eventId); });
}

QJsonObject Analytics::uploadBody(const QList<Event> &batch) {
    QJsonArray events;
    for (const Event &event : batch)
        events.append(event.toJson());
    QJsonObject body{{QStringLiteral("platform"), QStringLiteral("ios")}, {QStringLiteral("events"), events}};
    const QJsonValue version = Platform::bundleInfo().value(QStringLiteral("CFBundleShortVersionString"));
    if (version.isString())
        body.insert(QStringLiteral("app_version"), version);
    return body;
}

QCoro::Task<void> Analytics::runLoop(QPointer<Analytics> self) {
    // Resumed from the destructor, `self` still points at the object being destroyed: `gone` says so.
    const std::shared_ptr<const bool> gone = self->m_gone;
    while (self && !*gone) {
        co_await Pause{self.data()};
        if (*gone || !self)
            co_return;
        // The next sleep starts only once this flush has finished.
        co_await self->flush();
    }
}
