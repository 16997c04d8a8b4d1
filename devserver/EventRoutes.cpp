#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QJsonArray>
#include <QJsonValue>

namespace devserver {

namespace {

// One posted event: the four keys, texts where texts belong and the properties an object of texts. Gives the
// field path of the first fault, or nothing when the event is well formed.
std::optional<QString> eventFault(const QJsonValue &value, qsizetype index) {
    const QString path = QStringLiteral("events[%1]").arg(index);
    if (!value.isObject())
        return path;
    const QJsonObject event = value.toObject();
    for (const char *key : {"event_id", "name", "occurred_at"}) {
        const QJsonValue field = event.value(QLatin1String(key));
        if (!field.isString() || field.toString().isEmpty())
            return path + u'.' + QLatin1String(key);
    }
    const QJsonValue props = event.value(QStringLiteral("props"));
    if (!props.isObject())
        return path + QStringLiteral(".props");
    const QJsonObject properties = props.toObject();
    for (auto it = properties.begin(); it != properties.end(); ++it) {
        if (!it.value().isString())
            return path + QStringLiteral(".props.") + it.key();
    }
    return std::nullopt;
}

void postEvents(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    if (!requireSignedIn(state, req, res))
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    if (!requireString(*body, "platform", res))
        return;
    if (body->contains(QStringLiteral("app_version")) && !requireString(*body, "app_version", res))
        return;
    const QJsonValue eventsValue = body->value(QStringLiteral("events"));
    if (!eventsValue.isArray())
        return sendInvalidRequest(res, QStringLiteral("缺少参数或参数类型不正确：events"));
    const QJsonArray events = eventsValue.toArray();
    // The whole batch or nothing: a malformed event refuses the post before any of it is stored.
    for (qsizetype i = 0; i < events.size(); ++i) {
        if (const auto fault = eventFault(events.at(i), i))
            return sendInvalidRequest(res, QStringLiteral("缺少参数或参数类型不正确：%1").arg(*fault));
    }

    std::lock_guard lock(state.mutex);
    for (const QJsonValue &value : events) {
        const QJsonObject event = value.toObject();
        // A client may post the same event twice (overlapping flushes); the id keeps it counted once.
        if (state.receivedEventIds.insert(event.value(QStringLiteral("event_id")).toString().toStdString())
                .second)
            state.receivedEvents.push_back(event);
    }
    QJsonObject answer;
    answer.insert(QStringLiteral("accepted"), qint64(events.size()));
    sendJson(res, 202, answer);
}

} // namespace

void registerEventRoutes(Router &router) {
    ServerState &state = router.state();
    router.post("/api/v1/events", [&state](const httplib::Request &req, httplib::Response &res) {
        postEvents(state, req, res);
    });
}

} // namespace devserver
