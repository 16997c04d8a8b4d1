#include "DevServer.h"

#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <httplib.h>

#include <QJsonDocument>
#include <QJsonParseError>

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include <sys/socket.h>

using devserver::ServerState;

namespace {

// Enough workers that a handful of deliberately delayed requests never hold up the others.
constexpr size_t kWorkerThreads = 32;

void checkInjection(const std::string &path, int count) {
    if (!ServerState::isInjectablePath(path))
        throw std::invalid_argument("DevServer: path must start with '/' and lie outside /__dev/: " + path);
    if (count < 1 || count > ServerState::kMaxInjectionCount)
        throw std::invalid_argument("DevServer: count out of range");
}

} // namespace

DevServer::DevServer() : m_state(std::make_unique<ServerState>()) {}

DevServer::~DevServer() {
    stop();
}

int DevServer::start(int port, const std::string &host) {
    if (m_thread.joinable())
        throw std::logic_error("DevServer: already running");
    if (port < 0 || port > 65535)
        return -1;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = false;
        m_state->requestCounts.clear();
    }

    auto http = std::make_unique<httplib::Server>();
    configure(*http);
    // The library's own socket setup also sets SO_REUSEPORT, which would let a second server bind a port in
    // use and silently share its connections; take SO_REUSEADDR alone (a restart on the same port must not
    // wait out TIME_WAIT). The last socket seen here is the one that got bound.
    auto listeningSocket = std::make_shared<socket_t>(INVALID_SOCKET);
    http->set_socket_options([listeningSocket](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        *listeningSocket = sock;
    });
    const int bound = port == 0 ? http->bind_to_any_port(host) : (http->bind_to_port(host, port) ? port : -1);
    if (bound <= 0)
        return -1;
    // The library listens with a backlog of 5; a burst of parallel connections (a client fanning out a page's
    // requests) then overflows the queue and some connections break. Listening again widens it.
    ::listen(*listeningSocket, SOMAXCONN);

    m_http = std::move(http);
    m_host = host;
    m_port = bound;
    m_listenEnded = false;
    m_thread = std::thread([this] {
        m_http->listen_after_bind();
        m_listenEnded = true;
    });
    // The socket already queues connections, but stop() only takes effect once the accept loop runs, so
    // return only then.
    while (!m_http->is_running() && !m_listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

void DevServer::stop() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->stopSignal.notify_all();
    m_http->stop();
    m_thread.join();
    m_http.reset();
}

bool DevServer::isRunning() const {
    return m_thread.joinable() && !m_listenEnded;
}

std::string DevServer::baseUrl() const {
    std::string host = m_host;
    if (host == "0.0.0.0" || host.empty())
        host = "127.0.0.1";
    else if (host == "::")
        host = "::1";
    if (host.find(':') != std::string::npos)
        host = "[" + host + "]";
    return "http://" + host + ":" + std::to_string(m_port);
}

std::string DevServer::smsCode() {
    return ServerState::kSmsCode;
}

bool DevServer::setStateFile(const std::string &path, std::string *error) {
    std::string reason;
    const bool read = m_state->readStateFile(path, reason);
    if (!read && error)
        *error = reason;
    return read;
}

void DevServer::expireAccessTokens() {
    m_state->expireAccessTokens();
    m_state->persist();
}

void DevServer::failNext(const std::string &path, int status, int count) {
    checkInjection(path, count);
    if (status < ServerState::kMinInjectedStatus || status > ServerState::kMaxInjectedStatus)
        throw std::invalid_argument("DevServer: status out of range");
    m_state->failNext(path, status, count);
}

void DevServer::delayNext(const std::string &path, int milliseconds, int count) {
    checkInjection(path, count);
    if (milliseconds < 0 || milliseconds > ServerState::kMaxDelayMs)
        throw std::invalid_argument("DevServer: delay out of range");
    m_state->delayNext(path, milliseconds, count);
}

int DevServer::requestCount(const std::string &path) const {
    return m_state->requestCount(path);
}

void DevServer::setNewUserStatus(const std::string &status) {
    if (status.empty())
        throw std::invalid_argument("DevServer: empty status");
    m_state->setNewUserStatus(status);
    m_state->persist();
}

void DevServer::replaceHomeLayout(const std::string &documentJson) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(documentJson), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw std::invalid_argument("DevServer: the home layout must be a JSON object");
    m_state->replaceHomeLayout(document.object());
}

void DevServer::restoreHomeLayout() {
    m_state->replaceHomeLayout(std::nullopt);
}

std::vector<std::int64_t> DevServer::appendInboxMessages(const std::string &phone, int count) {
    if (count < 1 || count > ServerState::kMaxInboxAppend)
        throw std::invalid_argument("DevServer: inbox count out of range");
    std::vector<std::int64_t> ids;
    {
        std::lock_guard lock(m_state->mutex);
        const auto userId = m_state->userIdForPhoneLocked(phone);
        if (!userId)
            throw std::invalid_argument("DevServer: no learner signed in with " + phone);
        ids = m_state->appendInboxMessagesLocked(*userId, count);
    }
    m_state->persist();
    return ids;
}

DevServer::InboxCounts DevServer::inboxCounts(const std::string &phone) const {
    std::lock_guard lock(m_state->mutex);
    const auto userId = m_state->userIdForPhoneLocked(phone);
    if (!userId)
        throw std::invalid_argument("DevServer: no learner signed in with " + phone);
    InboxCounts counts;
    if (const auto inbox = m_state->inbox.byUser.find(*userId); inbox != m_state->inbox.byUser.end()) {
        counts.total = int(inbox->second.messages.size());
        counts.unread = inbox->second.unreadCount();
    }
    return counts;
}

void DevServer::forceUsage(const std::string &phone, const UsageOverride &forced) {
    if (forced.usedMinutes &&
        (*forced.usedMinutes < 0 || *forced.usedMinutes > devserver::UsageState::kMaxForcedUsedMinutes))
        throw std::invalid_argument("DevServer: used minutes out of range");
    devserver::UsageOverrideRecord record;
    record.enforced = forced.enforced;
    record.blockedNow = forced.blockedNow;
    record.dailyExceeded = forced.dailyExceeded;
    record.usedMinutes = forced.usedMinutes;
    if (forced.message)
        record.message = QString::fromStdString(*forced.message);
    std::lock_guard lock(m_state->mutex);
    const auto userId = m_state->userIdForPhoneLocked(phone);
    if (!userId)
        throw std::invalid_argument("DevServer: no learner signed in with " + phone);
    m_state->usage.overrides[*userId] = std::move(record);
}

void DevServer::clearUsageOverride(const std::string &phone) {
    std::lock_guard lock(m_state->mutex);
    const auto userId = m_state->userIdForPhoneLocked(phone);
    if (!userId)
        throw std::invalid_argument("DevServer: no learner signed in with " + phone);
    m_state->usage.overrides.erase(*userId);
}

void DevServer::clearUsageOverrides() {
    std::lock_guard lock(m_state->mutex);
    m_state->usage.overrides.clear();
}

void DevServer::fixUsageClock(std::int64_t msSinceEpoch) {
    std::lock_guard lock(m_state->mutex);
    m_state->usage.fixedNowMs = msSinceEpoch;
}

void DevServer::releaseUsageClock() {
    std::lock_guard lock(m_state->mutex);
    m_state->usage.fixedNowMs.reset();
}

void DevServer::setCompanionPace(int milliseconds) {
    if (milliseconds < 0 || milliseconds > ServerState::kMaxDelayMs)
        throw std::invalid_argument("DevServer: pace out of range");
    std::lock_guard lock(m_state->mutex);
    m_state->companion.paceMs = milliseconds;
}

void DevServer::scriptCompanionStream(std::string rawBody) {
    devserver::CompanionControl control;
    control.kind = devserver::CompanionControl::Kind::Script;
    control.body = std::move(rawBody);
    std::lock_guard lock(m_state->mutex);
    m_state->companion.controls.push_back(std::move(control));
}

void DevServer::holdCompanionStream(int afterEvents) {
    if (afterEvents < 0)
        throw std::invalid_argument("DevServer: negative event count");
    devserver::CompanionControl control;
    control.kind = devserver::CompanionControl::Kind::Hold;
    control.afterEvents = afterEvents;
    std::lock_guard lock(m_state->mutex);
    m_state->companion.controls.push_back(std::move(control));
}

void DevServer::releaseCompanionStreams() {
    {
        std::lock_guard lock(m_state->mutex);
        ++m_state->companion.releaseGeneration;
    }
    m_state->stopSignal.notify_all();
}

void DevServer::cutCompanionStream(int afterEvents) {
    if (afterEvents < 0)
        throw std::invalid_argument("DevServer: negative event count");
    devserver::CompanionControl control;
    control.kind = devserver::CompanionControl::Kind::Cut;
    control.afterEvents = afterEvents;
    std::lock_guard lock(m_state->mutex);
    m_state->companion.controls.push_back(std::move(control));
}

void DevServer::answerCompanionStream(int status, std::string contentType, std::string body) {
    if (status < ServerState::kMinInjectedStatus || status > ServerState::kMaxInjectedStatus)
        throw std::invalid_argument("DevServer: status out of range");
    if (contentType.empty())
        throw std::invalid_argument("DevServer: empty content type");
    devserver::CompanionControl control;
    control.kind = devserver::CompanionControl::Kind::Answer;
    control.status = status;
    control.contentType = std::move(contentType);
    control.body = std::move(body);
    std::lock_guard lock(m_state->mutex);
    m_state->companion.controls.push_back(std::move(control));
}

std::string DevServer::lastCompanionRequest() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->companion.lastRequest;
}

int DevServer::companionStreamsAborted() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->companion.streamsAborted;
}

std::vector<DevServer::ReceivedEvent> DevServer::receivedEvents() const {
    std::lock_guard lock(m_state->mutex);
    std::vector<ReceivedEvent> events;
    for (const QJsonObject &event : m_state->receivedEvents) {
        ReceivedEvent received;
        received.eventId = event.value(QStringLiteral("event_id")).toString().toStdString();
        received.name = event.value(QStringLiteral("name")).toString().toStdString();
        const QJsonObject props = event.value(QStringLiteral("props")).toObject();
        for (auto it = props.begin(); it != props.end(); ++it)
            received.props.emplace(it.key().toStdString(), it.value().toString().toStdString());
        received.occurredAt = event.value(QStringLiteral("occurred_at")).toString().toStdString();
        events.push_back(std::move(received));
    }
    return events;
}

void DevServer::configure(httplib::Server &http) {
    ServerState &state = *m_state;
    http.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    // One request per connection: an idle keep-alive connection would otherwise hold a worker, and with it
    // stop(), for the keep-alive timeout.
    http.set_keep_alive_max_count(1);
    // A client may open a connection it never uses (a network manager opens several per host); its worker
    // would otherwise wait out the default five-second read timeout, and stop() with it.
    http.set_read_timeout(1, 0);
    http.set_tcp_nodelay(true);

    // Every request outside the controls is counted, whatever its route and method, an unknown one included.
    http.set_pre_routing_handler([&state](const httplib::Request &req, httplib::Response &) {
        if (!ServerState::isControlPath(req.path)) {
            std::lock_guard lock(state.mutex);
            ++state.requestCounts[req.path];
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    // Every answered request may have changed what the state file keeps (the file is left alone when not).
    http.set_post_routing_handler(
        [&state](const httplib::Request &, httplib::Response &) { state.persist(); });

    // Whatever ends in a failed status without a body (an unknown route above all) still gets an error body;
    // an answer that names its content type (a scripted one) is sent as it stands, even when empty.
    http.set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request &, httplib::Response &res) {
            if (!res.body.empty() || res.has_header("Content-Type"))
                return httplib::Server::HandlerResponse::Unhandled;
            devserver::sendStatusError(res, res.status);
            return httplib::Server::HandlerResponse::Handled;
        }));
    http.set_exception_handler([](const httplib::Request &, httplib::Response &res, std::exception_ptr) {
        devserver::sendStatusError(res, 500);
    });
    if (m_requestLogging) {
        http.set_logger([](const httplib::Request &req, const httplib::Response &res) {
            std::fprintf(stderr, "%s %s -> %d\n", req.method.c_str(), req.path.c_str(), res.status);
        });
    }

    devserver::Router router(http, state);
    devserver::registerAuthRoutes(router);
    devserver::registerEventRoutes(router);
    devserver::registerLearningRoutes(router);
    devserver::registerPracticeRoutes(router);
    devserver::registerRobotRoutes(router);
    devserver::registerMediaRoutes(router);
    devserver::registerCompanionRoutes(router);
    devserver::registerHomeRoutes(router);
    devserver::registerStudyReportRoutes(router);
    devserver::registerOnboardingRoutes(router);
    devserver::registerInboxRoutes(router);
    devserver::registerUsageRoutes(router);
    devserver::registerMemoryRoutes(router);
    devserver::registerCommerceRoutes(router);
    devserver::registerSettingsRoutes(router);
    devserver::registerDevControlRoutes(router);
}
