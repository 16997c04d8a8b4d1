// The companion: its chat stream ("/v1/companion/chat:stream", server-sent events from a scripted companion,
// see CompanionScript.cpp) and the learner's companion settings ("/api/v1/me/companion").
#include "CompanionScript.h"
#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <chrono>
#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

namespace devserver {

namespace {

using namespace std::chrono;

constexpr qsizetype kMaxHistory = 12;
constexpr qsizetype kMaxHistoryText = 2000;
constexpr qsizetype kMaxCompanionName = 8;
// How often a waiting stream looks whether its client is still there.
constexpr milliseconds kClientCheck{20};

// --- the chat request

std::optional<companion::Turn> readTurn(const QJsonObject &body, httplib::Response &res) {
    static const QSet<QString> known{QStringLiteral("message"), QStringLiteral("hint_level"),
                                     QStringLiteral("history"), QStringLiteral("model_pref"),
                                     QStringLiteral("scene"),   QStringLiteral("language"),
                                     QStringLiteral("subject")};
    for (auto it = body.begin(); it != body.end(); ++it) {
        if (!known.contains(it.key())) {
            sendInvalidRequest(res, QStringLiteral("不支持的参数：%1").arg(it.key()));
            return std::nullopt;
        }
    }

    companion::Turn turn;
    const auto message = requireString(body, "message", res);
    if (!message)
        return std::nullopt;
    if (message->isEmpty()) {
        sendInvalidRequest(res, QStringLiteral("message 不能为空"));
        return std::nullopt;
    }
    turn.message = *message;

    const auto hintLevel = requireInteger(body, "hint_level", 1, 3, res);
    if (!hintLevel)
        return std::nullopt;
    turn.hintLevel = int(*hintLevel);

    const QJsonValue history = body.value(QStringLiteral("history"));
    if (!history.isArray()) {
        sendInvalidRequest(res, QStringLiteral("缺少参数或参数类型不正确：history"));
        return std::nullopt;
    }
    const QJsonArray entries = history.toArray();
    if (entries.size() > kMaxHistory) {
        sendInvalidRequest(res, QStringLiteral("history 最多 %1 条").arg(kMaxHistory));
        return std::nullopt;
    }
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        const QJsonValue role = entry.value(QStringLiteral("role"));
        const QJsonValue text = entry.value(QStringLiteral("text"));
        const int number = int(i) + 1;
        if (!entries.at(i).isObject() || entry.size() != 2 || !role.isString() || !text.isString()) {
            sendInvalidRequest(res,
                               QStringLiteral("history 第 %1 条必须只含字符串 role 和 text").arg(number));
            return std::nullopt;
        }
        if (role.toString() != QLatin1String("user") && role.toString() != QLatin1String("assistant")) {
            sendInvalidRequest(
                res, QStringLiteral("history 第 %1 条的 role 只能是 user 或 assistant").arg(number));
            return std::nullopt;
        }
        if (companion::graphemeCount(text.toString()) > kMaxHistoryText) {
            sendInvalidRequest(
                res, QStringLiteral("history 第 %1 条的 text 超过 %2 个字").arg(number).arg(kMaxHistoryText));
            return std::nullopt;
        }
    }

    const auto modelPref = requireString(body, "model_pref", res);
    if (!modelPref)
        return std::nullopt;
    if (*modelPref != QLatin1String("auto") && *modelPref != QLatin1String("local") &&
        *modelPref != QLatin1String("cloud")) {
        sendInvalidRequest(res, QStringLiteral("model_pref 只能是 auto、local 或 cloud"));
        return std::nullopt;
    }

    // Optional keys are left out when unknown; a client that sends null has built its body wrong.
    for (const char *key : {"scene", "language", "subject"}) {
        if (!body.contains(QLatin1String(key)))
            continue;
        const auto value = requireString(body, key, res);
        if (!value)
            return std::nullopt;
        if (key == std::string_view("language"))
            turn.language = *value;
    }
    return turn;
}

// --- the stream

// The accepted connection behind `req`, found by its two ends among the process's sockets, so that a
// waiting stream can notice a client that hung up; -1 when it cannot be found (the stream then notices only
// when a write fails).
int connectionSocket(const httplib::Request &req) {
    DIR *folder = ::opendir("/proc/self/fd");
    if (!folder)
        return -1;
    auto portOf = [](const sockaddr_storage &address) {
        if (address.ss_family == AF_INET)
            return int(ntohs(reinterpret_cast<const sockaddr_in &>(address).sin_port));
        if (address.ss_family == AF_INET6)
            return int(ntohs(reinterpret_cast<const sockaddr_in6 &>(address).sin6_port));
        return -1;
    };
    int found = -1;
    while (const dirent *entry = ::readdir(folder)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0')
            continue;
        sockaddr_storage local{};
        sockaddr_storage peer{};
        socklen_t localSize = sizeof local;
        socklen_t peerSize = sizeof peer;
        if (::getsockname(int(fd), reinterpret_cast<sockaddr *>(&local), &localSize) != 0 ||
            ::getpeername(int(fd), reinterpret_cast<sockaddr *>(&peer), &peerSize) != 0)
            continue;
        if (portOf(local) != req.local_port || portOf(peer) != req.remote_port)
            continue;
        char host[NI_MAXHOST] = {};
        if (::getnameinfo(reinterpret_cast<sockaddr *>(&peer), peerSize, host, sizeof host, nullptr, 0,
                          NI_NUMERICHOST) == 0 &&
            req.remote_addr == host) {
            found = int(fd);
            break;
        }
    }
    ::closedir(folder);
    return found;
}

bool clientHungUp(int fd) {
    if (fd < 0)
        return false;
    pollfd watch{fd, POLLRDHUP, 0};
    return ::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// What one stream sends: the pieces in order (a line of a scripted body, or an event block), paced, with at
// most one hold or cut before the piece of index `stopAt`.
struct StreamPlan {
    std::vector<std::string> pieces;
    int paceMs = 0;
    enum class Stop { None, Hold, Cut } stop = Stop::None;
    size_t stopAt = 0;
    std::uint64_t releaseGeneration = 0; // a hold ends once the state's generation differs
    int socket = -1;
};

enum class Wake { Ready, Stopping, ClientGone };

// Waits `ms` (or, for a hold, until released); the server stopping ends it at once, a client that hung up
// within `kClientCheck`.
Wake wait(ServerState &state, const StreamPlan &plan, std::optional<milliseconds> ms) {
    const auto deadline = ms ? steady_clock::now() + *ms : steady_clock::time_point::max();
    for (;;) {
        {
            std::unique_lock lock(state.mutex);
            const auto now = steady_clock::now();
            const auto slice = std::min<steady_clock::duration>(kClientCheck, deadline - now);
            const bool woken = state.stopSignal.wait_for(lock, slice, [&] {
                return state.stopping || (!ms && state.companion.releaseGeneration != plan.releaseGeneration);
            });
            if (state.stopping)
                return Wake::Stopping;
            if (woken)
                return Wake::Ready;
        }
        if (clientHungUp(plan.socket))
            return Wake::ClientGone;
        if (steady_clock::now() >= deadline)
            return Wake::Ready;
    }
}

// Sends the plan; false when the stream ends without its terminating chunk (cut, client gone, server
// stopping), which makes the library close the connection mid-body.
bool runStream(ServerState &state, const StreamPlan &plan, httplib::DataSink &sink) {
    auto clientGone = [&state] {
        std::lock_guard lock(state.mutex);
        ++state.companion.streamsAborted;
        return false;
    };
    for (size_t i = 0; i <= plan.pieces.size(); ++i) {
        if (i == plan.stopAt && plan.stop == StreamPlan::Stop::Cut) {
            // A connection breaks at any byte: half of the next piece goes out first.
            if (i < plan.pieces.size() && plan.pieces[i].size() > 1)
                sink.write(plan.pieces[i].data(), plan.pieces[i].size() / 2);
            return false;
        }
        if (i == plan.stopAt && plan.stop == StreamPlan::Stop::Hold) {
            const Wake wake = wait(state, plan, std::nullopt);
            if (wake == Wake::Stopping)
                return false;
            if (wake == Wake::ClientGone)
                return clientGone();
        }
        if (i == plan.pieces.size())
            break;
        if (i > 0 && plan.paceMs > 0) {
            const Wake wake = wait(state, plan, milliseconds(plan.paceMs));
            if (wake == Wake::Stopping)
                return false;
            if (wake == Wake::ClientGone)
                return clientGone();
        }
        const std::string &piece = plan.pieces[i];
        if (piece.empty()) // an empty write would end the body early
            continue;
        if (clientHungUp(plan.socket) || !sink.is_writable() || !sink.write(piece.data(), piece.size()))
            return clientGone();
    }
    sink.done();
    return true;
}

std::string eventBlock(const companion::Event &event) {
    return "event: " + event.name.toStdString() +
           "\ndata: " + QJsonDocument(event.data).toJson(QJsonDocument::Compact).toStdString() + "\n\n";
}

// A scripted body one line at a time, each with its own terminator ("\n", "\r\n" or a lone "\r").
std::vector<std::string> lines(const std::string &body) {
    std::vector<std::string> pieces;
    size_t from = 0;
    for (size_t i = 0; i < body.size(); ++i) {
        const bool lineEnd =
            body[i] == '\n' || (body[i] == '\r' && (i + 1 == body.size() || body[i + 1] != '\n'));
        if (lineEnd) {
            pieces.push_back(body.substr(from, i + 1 - from));
            from = i + 1;
        }
    }
    if (from < body.size())
        pieces.push_back(body.substr(from));
    return pieces;
}

void chatStream(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    if (!requireSignedIn(state, req, res))
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto turn = readTurn(*body, res);
    if (!turn)
        return;

    // Controls are taken only by an accepted request: the 401 that makes the client renew its token, or a
    // malformed body, leaves a scripted answer for the request that follows.
    auto plan = std::make_shared<StreamPlan>();
    std::optional<CompanionControl> control;
    {
        std::lock_guard lock(state.mutex);
        state.companion.lastRequest = req.body;
        if (!state.companion.controls.empty()) {
            control = std::move(state.companion.controls.front());
            state.companion.controls.pop_front();
        }
        plan->paceMs = state.companion.paceMs;
        plan->releaseGeneration = state.companion.releaseGeneration;
    }

    if (control && control->kind == CompanionControl::Kind::Answer) {
        res.status = control->status;
        res.set_content(control->body, control->contentType.c_str());
        return;
    }
    if (control && control->kind == CompanionControl::Kind::Script) {
        plan->pieces = lines(control->body);
    } else {
        // The comment goes out with the headers, before any pause, so the client sees the answer begin.
        plan->pieces.push_back(": quorvel-dev companion\n\n");
        for (const companion::Event &event : companion::scriptedReply(*turn))
            plan->pieces.push_back(eventBlock(event));
        if (control) {
            plan->stop = control->kind == CompanionControl::Kind::Hold ? StreamPlan::Stop::Hold
                                                                       : StreamPlan::Stop::Cut;
            plan->stopAt = std::min(plan->pieces.size(), size_t(1 + control->afterEvents));
        }
    }
    plan->socket = connectionSocket(req);

    res.status = 200;
    res.set_header("Cache-Control", "no-cache");
    if (plan->stop == StreamPlan::Stop::Cut) {
        // A cut stream announces its whole length and breaks off short of it: a break every HTTP stack
        // reports. (Qt 6.4 does not always notice a chunked body that breaks off.)
        size_t length = 1; // one byte more than there is: a cut after the last block still breaks off
        for (const std::string &piece : plan->pieces)
            length += piece.size();
        res.set_content_provider(length, "text/event-stream",
                                 [&state, plan](size_t offset, size_t, httplib::DataSink &sink) {
                                     return offset == 0 && runStream(state, *plan, sink);
                                 });
        return;
    }
    res.set_chunked_content_provider("text/event-stream", [&state, plan](size_t, httplib::DataSink &sink) {
        return runStream(state, *plan, sink);
    });
}

// --- settings

// A learner who never answered the questionnaire's contract step is reminded as often as that step offers
// first.
const QString kDefaultReminder = QStringLiteral("standard");

QJsonValue optionalText(const std::optional<QString> &text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

void sendSettings(httplib::Response &res, const CompanionSettingsRecord &settings) {
    sendJson(res, 200,
             {{QStringLiteral("persona"), optionalText(settings.persona)},
              {QStringLiteral("name"), optionalText(settings.name)},
              {QStringLiteral("reminder"), settings.reminder.value_or(kDefaultReminder)}});
}

void getSettings(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    CompanionSettingsRecord settings;
    {
        std::lock_guard lock(state.mutex);
        if (auto found = state.companion.settings.find(who->userId); found != state.companion.settings.end())
            settings = found->second;
    }
    sendSettings(res, settings);
}

void putSettings(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;

    // Everything is checked before anything is stored: a refused request changes nothing.
    std::optional<QString> persona;
    if (body->contains(QStringLiteral("persona"))) {
        persona = requireString(*body, "persona", res);
        if (!persona)
            return;
        if (*persona != QLatin1String("cheerful") && *persona != QLatin1String("calm") &&
            *persona != QLatin1String("strict"))
            return sendInvalidRequest(res, QStringLiteral("不支持的说话风格"));
    }
    std::optional<QString> name;
    if (body->contains(QStringLiteral("name"))) {
        name = requireString(*body, "name", res);
        if (!name)
            return;
        name = name->trimmed();
        if (companion::graphemeCount(*name) > kMaxCompanionName)
            return sendInvalidRequest(res, QStringLiteral("名字最多 8 个字"));
    }

    CompanionSettingsRecord stored;
    {
        std::lock_guard lock(state.mutex);
        CompanionSettingsRecord &settings = state.companion.settings[who->userId];
        if (persona)
            settings.persona = persona;
        if (name)
            settings.name = name->isEmpty() ? std::nullopt : name;
        stored = settings;
    }
    sendSettings(res, stored);
}

} // namespace

void registerCompanionRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    router.post("/v1/companion/chat:stream", [&state](Req req, Res res) { chatStream(state, req, res); });
    router.get("/api/v1/me/companion", [&state](Req req, Res res) { getSettings(state, req, res); });
    router.put("/api/v1/me/companion", [&state](Req req, Res res) { putSettings(state, req, res); });
}

} // namespace devserver
