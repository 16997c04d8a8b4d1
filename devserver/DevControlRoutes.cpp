#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QJsonArray>

namespace devserver {

namespace {

// "path" of a control request: an absolute path outside the controls.
std::optional<std::string> requireTargetPath(const QJsonObject &body, httplib::Response &res) {
    const auto path = requireString(body, "path", res);
    if (!path)
        return std::nullopt;
    std::string target = path->toStdString();
    if (!ServerState::isInjectablePath(target)) {
        sendInvalidRequest(res, QStringLiteral("path 必须以 / 开头，且不能是 /__dev/ 下的路径"));
        return std::nullopt;
    }
    return target;
}

// "count", 1 when left out.
std::optional<int> optionalCount(const QJsonObject &body, httplib::Response &res) {
    if (!body.contains(QStringLiteral("count")))
        return 1;
    const auto count = requireInteger(body, "count", 1, ServerState::kMaxInjectionCount, res);
    if (!count)
        return std::nullopt;
    return int(*count);
}

void failNext(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto path = requireTargetPath(*body, res);
    if (!path)
        return;
    const auto status = requireInteger(*body, "status", ServerState::kMinInjectedStatus,
                                       ServerState::kMaxInjectedStatus, res);
    if (!status)
        return;
    const auto count = optionalCount(*body, res);
    if (!count)
        return;
    state.failNext(*path, int(*status), *count);
    res.status = 204;
}

void delayNext(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto path = requireTargetPath(*body, res);
    if (!path)
        return;
    const auto ms = requireInteger(*body, "ms", 0, ServerState::kMaxDelayMs, res);
    if (!ms)
        return;
    const auto count = optionalCount(*body, res);
    if (!count)
        return;
    state.delayNext(*path, int(*ms), *count);
    res.status = 204;
}

void requests(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    if (!req.has_param("path"))
        return sendInvalidRequest(res, QStringLiteral("缺少参数：path"));
    const std::string path = req.get_param_value("path");
    QJsonObject answer;
    answer.insert(QStringLiteral("path"), QString::fromStdString(path));
    answer.insert(QStringLiteral("count"), state.requestCount(path));
    sendJson(res, 200, answer);
}

void newUserStatus(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto status = requireString(*body, "status", res);
    if (!status)
        return;
    if (status->isEmpty())
        return sendInvalidRequest(res, QStringLiteral("status 不能为空"));
    state.setNewUserStatus(status->toStdString());
    res.status = 204;
}

// The home layout document served in place of the recommended one: the body as it stands, which must be a
// JSON object but is not checked any further (a test wants unknown card types, sizes and props through).
void replaceHomeLayout(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    auto document = readJsonObject(req, res);
    if (!document)
        return;
    state.replaceHomeLayout(std::move(document));
    res.status = 204;
}

// The user who signed in with "phone"; otherwise answers 400 or 404 and gives nothing. Expects the lock held.
std::optional<std::int64_t> learnerByPhoneLocked(const ServerState &state, const QJsonValue &phone,
                                                 httplib::Response &res) {
    if (!phone.isString()) {
        sendInvalidRequest(res, QStringLiteral("缺少参数或参数类型不正确：phone"));
        return std::nullopt;
    }
    const auto userId = state.userIdForPhoneLocked(phone.toString().toStdString());
    if (!userId)
        sendError(res, 404, "not_found", QStringLiteral("没有用这个手机号登录过的学员"));
    return userId;
}

QJsonObject inboxCountsJson(const InboxRecord &record) {
    return {{"total", qint64(record.messages.size())}, {"unread", record.unreadCount()}};
}

// Adds "count" unread notices to a learner's inbox; answers their ids with the inbox's counts.
void appendInbox(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto count = requireInteger(*body, "count", 1, ServerState::kMaxInboxAppend, res);
    if (!count)
        return;
    std::lock_guard lock(state.mutex);
    const auto userId = learnerByPhoneLocked(state, body->value(QStringLiteral("phone")), res);
    if (!userId)
        return;
    QJsonArray ids;
    for (const std::int64_t id : state.appendInboxMessagesLocked(*userId, int(*count)))
        ids.append(qint64(id));
    QJsonObject answer = inboxCountsJson(state.inbox.byUser.at(*userId));
    answer.insert(QStringLiteral("ids"), ids);
    sendJson(res, 200, answer);
}

// A learner's inbox as it stands, without filling it: {"total": ..., "unread": ...}.
void inboxCounts(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    std::lock_guard lock(state.mutex);
    const auto userId = learnerByPhoneLocked(
        state,
        req.has_param("phone") ? QJsonValue(QString::fromStdString(req.get_param_value("phone")))
                               : QJsonValue(),
        res);
    if (!userId)
        return;
    const auto found = state.inbox.byUser.find(*userId);
    sendJson(res, 200, inboxCountsJson(found == state.inbox.byUser.end() ? InboxRecord() : found->second));
}

// An event stream that sends its status and headers at once and its first event only after "pause_ms"
// (1500 when left out), the way a model that thinks before it answers does. A stopping server ends the pause.
void slowStream(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    int pauseMs = 1500;
    if (req.has_param("pause_ms")) {
        bool ok = false;
        pauseMs = QString::fromStdString(req.get_param_value("pause_ms")).toInt(&ok);
        if (!ok || pauseMs < 0 || pauseMs > ServerState::kMaxDelayMs)
            return sendInvalidRequest(
                res, QStringLiteral("pause_ms 必须是 0 到 %1 之间的整数").arg(ServerState::kMaxDelayMs));
    }
    res.status = 200;
    res.set_chunked_content_provider("text/event-stream", [&state, pauseMs](size_t, httplib::DataSink &sink) {
        {
            std::unique_lock lock(state.mutex);
            state.stopSignal.wait_for(lock, std::chrono::milliseconds(pauseMs),
                                      [&state] { return state.stopping; });
        }
        const std::string event = "data: after the pause\n\n";
        sink.write(event.data(), event.size());
        sink.done();
        return true;
    });
}

// {"phone", and any of "enforced", "blocked_now", "daily_exceeded" (booleans), "used_minutes" (0 or more),
// "message" (text)}: replaces the learner's forced fields as a whole.
void forceUsage(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    UsageOverrideRecord forced;
    for (const auto &[key, field] :
         {std::pair{"enforced", &forced.enforced}, std::pair{"blocked_now", &forced.blockedNow},
          std::pair{"daily_exceeded", &forced.dailyExceeded}}) {
        const QJsonValue value = body->value(QLatin1String(key));
        if (value.isUndefined())
            continue;
        if (!value.isBool())
            return sendInvalidRequest(res,
                                      QStringLiteral("缺少参数或参数类型不正确：%1").arg(QLatin1String(key)));
        *field = value.toBool();
    }
    if (body->contains(QLatin1String("used_minutes"))) {
        const auto used = requireInteger(*body, "used_minutes", 0, UsageState::kMaxForcedUsedMinutes, res);
        if (!used)
            return;
        forced.usedMinutes = *used;
    }
    if (body->contains(QLatin1String("message"))) {
        const auto message = requireString(*body, "message", res);
        if (!message)
            return;
        forced.message = *message;
    }
    std::lock_guard lock(state.mutex);
    const auto userId = learnerByPhoneLocked(state, body->value(QLatin1String("phone")), res);
    if (!userId)
        return;
    state.usage.overrides[*userId] = std::move(forced);
    res.status = 204;
}

// With "?phone=...", that learner's forced fields; without, everyone's.
void clearForcedUsage(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    std::lock_guard lock(state.mutex);
    if (!req.has_param("phone")) {
        state.usage.overrides.clear();
        res.status = 204;
        return;
    }
    const auto userId =
        learnerByPhoneLocked(state, QString::fromStdString(req.get_param_value("phone")), res);
    if (!userId)
        return;
    state.usage.overrides.erase(*userId);
    res.status = 204;
}

} // namespace

void registerDevControlRoutes(Router &router) {
    ServerState &state = router.state();
    // Registered outside the controls' own reach, so that a script can always undo what it injected.
    httplib::Server &http = router.unguarded();
    http.Post("/__dev/expire-tokens", [&state](const httplib::Request &, httplib::Response &res) {
        state.expireAccessTokens();
        res.status = 204;
    });
    http.Post("/__dev/fail-next",
              [&state](const httplib::Request &req, httplib::Response &res) { failNext(state, req, res); });
    http.Post("/__dev/delay-next",
              [&state](const httplib::Request &req, httplib::Response &res) { delayNext(state, req, res); });
    http.Get("/__dev/requests",
             [&state](const httplib::Request &req, httplib::Response &res) { requests(state, req, res); });
    http.Get("/__dev/slow-stream",
             [&state](const httplib::Request &req, httplib::Response &res) { slowStream(state, req, res); });
    http.Post("/__dev/new-user-status", [&state](const httplib::Request &req, httplib::Response &res) {
        newUserStatus(state, req, res);
    });
    http.Post("/__dev/home-layout", [&state](const httplib::Request &req, httplib::Response &res) {
        replaceHomeLayout(state, req, res);
    });
    // Back to the built-in recommended document.
    http.Delete("/__dev/home-layout", [&state](const httplib::Request &, httplib::Response &res) {
        state.replaceHomeLayout(std::nullopt);
        res.status = 204;
    });
    // The study report's answer, as sent: not checked at all, so that extreme counts (read exactly, beyond
    // what a JSON double holds) and bodies of the wrong shape reach the client.
    http.Post("/__dev/study-report", [&state](const httplib::Request &req, httplib::Response &res) {
        std::lock_guard lock(state.mutex);
        state.studyReportReplacement = req.body;
        res.status = 204;
    });
    // Back to the report computed from the learner's answers.
    http.Delete("/__dev/study-report", [&state](const httplib::Request &, httplib::Response &res) {
        std::lock_guard lock(state.mutex);
        state.studyReportReplacement.reset();
        res.status = 204;
    });
    http.Post("/__dev/inbox", [&state](const httplib::Request &req, httplib::Response &res) {
        appendInbox(state, req, res);
    });
    http.Get("/__dev/inbox",
             [&state](const httplib::Request &req, httplib::Response &res) { inboxCounts(state, req, res); });
    http.Post("/__dev/usage",
              [&state](const httplib::Request &req, httplib::Response &res) { forceUsage(state, req, res); });
    http.Delete("/__dev/usage", [&state](const httplib::Request &req, httplib::Response &res) {
        clearForcedUsage(state, req, res);
    });
}

} // namespace devserver
