#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace devserver {
class ServerState;
}

// The loopback stand-in of the service: an HTTP server with in-memory accounts, tokens and content, run on
// its own threads so that a test can drive the client's Qt event loop on the main thread against it.
//
// Endpoint groups live in one source file each (AuthRoutes.cpp, ...) and register their routes on every
// start; all of them share one `ServerState` behind a mutex.
class DevServer {
public:
    DevServer();
    ~DevServer();

    DevServer(const DevServer &) = delete;
    DevServer &operator=(const DevServer &) = delete;

    // Binds `host`:`port` (0 picks a free port), serves on a background thread and returns the bound port
    // once connections are accepted; -1 when the address cannot be bound. Throws std::logic_error when the
    // server is already running. Request counts start from zero; accounts, tokens and pending failures and
    // delays survive a restart, so controls may be set before the first start.
    int start(int port = 0, const std::string &host = "127.0.0.1");
    // Stops accepting, lets the requests in progress finish (cutting injected delays short) and returns
    // when every worker has ended. Safe to call when not running.
    void stop();
    bool isRunning() const;
    int port() const { return m_port; }
    // "http://<host>:<port>", with a wildcard host replaced by the loopback address so it can be dialled.
    std::string baseUrl() const;
    // The fixed development SMS code that signs in every phone.
    static std::string smsCode();

    // Keeps the accounts, sign-ins, learning progress and events in `path` (JSON): loaded now when the file
    // exists, written atomically after every request that changed them, so a restarted server (or another
    // process on the same file) carries on where it stopped. Test controls are not kept. False with `error`
    // set when the file exists but cannot be read; the state is then left as it was.
    bool setStateFile(const std::string &path, std::string *error = nullptr);

    // Prints one line per answered request to stderr (for manual runs). Takes effect at the next start.
    void setRequestLogging(bool enabled) { m_requestLogging = enabled; }

    // Test controls. Paths are request paths without the query ("/api/v1/me"); paths under "/__dev/" are the
    // HTTP form of these controls and are never counted, failed or delayed. Failures and delays apply to the
    // server's routes; a path that matches none answers 404 regardless.

    // Every access token issued so far answers 401 from now on; refresh tokens stay valid.
    void expireAccessTokens();
    // The next `count` requests to `path` answer `status` (200..599) with an error body instead of being
    // handled. Calls queue up: failNext(p, 500); failNext(p, 401) fails the next request with 500, the one
    // after with 401. Throws std::invalid_argument for a bad path, status or count (< 1).
    void failNext(const std::string &path, int status, int count = 1);
    // The next `count` requests to `path` are answered after `milliseconds` (0..600000); queued like
    // failNext. When both are pending, the delay comes first and then the failure.
    void delayNext(const std::string &path, int milliseconds, int count = 1);
    // How many requests reached `path` since start, answered or failed, whatever their method.
    int requestCount(const std::string &path) const;
    // The status given to phones signing in for the first time (default "PendingProfile", until the birth
    // month is given); a user keeps the status they were created with. Throws std::invalid_argument for an
    // empty status. A test control: not kept in the state file.
    void setNewUserStatus(const std::string &status);
    // Serves `documentJson` (a JSON object, checked no further) as the home layout document in place of the
    // recommended one, with each learner's revision and overrides applied as usual; throws
    // std::invalid_argument when it is not a JSON object. restoreHomeLayout() goes back to the built-in one.
    // Over HTTP: POST "/__dev/home-layout" with the document, DELETE "/__dev/home-layout".
    void replaceHomeLayout(const std::string &documentJson);
    void restoreHomeLayout();

    // The inbox of the learner who signed in with `phone`. Appending adds `count` (1..1000) unread notices
    // created now, newest last, and returns their ids in that order; it neither fills the inbox nor keeps the
    // first read from filling it. The counts are those of the inbox as it stands (nothing before the first
    // read or append). Both throw std::invalid_argument for a phone that never signed in, appending also for
    // a count out of range. Over HTTP: POST "/__dev/inbox" {"phone", "count"} answers {"ids", "total",
    // "unread"}; GET "/__dev/inbox?phone=..." answers {"total", "unread"}.
    std::vector<std::int64_t> appendInboxMessages(const std::string &phone, int count);
    struct InboxCounts {
        int total = 0;
        int unread = 0;
    };
    InboxCounts inboxCounts(const std::string &phone) const;

    // Youth protection ("/api/v1/me/usage", its heartbeat and "/api/v1/me/limits"). Forcing sets fields of
    // the usage answers (the heartbeat's included) of the learner who signed in with `phone`, replacing
    // what an earlier call forced; a field left out is computed as usual, the rest follows from the forced
    // ones (remaining minutes from the used ones; the reason, and the default message, from being blocked or
    // over the allowance). Forcing enforcement on a learner who is not a minor gives them the oldest band's
    // 120 minutes and the night rest. Heartbeats go on counting underneath; the limits answer is never
    // forced. Not kept in the state file. Both throw std::invalid_argument for a phone that never signed in,
    // forcing also for used minutes outside 0..1440. Over HTTP: POST "/__dev/usage" {"phone", and any of
    // "enforced", "blocked_now", "daily_exceeded", "used_minutes", "message"}; DELETE
    // "/__dev/usage?phone=..." clears one learner, without "phone" everyone.
    struct UsageOverride {
        std::optional<bool> enforced;
        std::optional<bool> blockedNow;
        std::optional<bool> dailyExceeded;
        std::optional<std::int64_t> usedMinutes;
        std::optional<std::string> message; // UTF-8
    };
    void forceUsage(const std::string &phone, const UsageOverride &forced);
    void clearUsageOverride(const std::string &phone);
    void clearUsageOverrides();
    // Fixes the moment (milliseconds since the epoch) that decides the time of day in Shanghai for the rest
    // periods, the day of the study-time counters and the learners' ages, so that a test needs no night to
    // see a learner blocked; releaseUsageClock() goes back to the wall clock. In-process only, not kept.
    void fixUsageClock(std::int64_t msSinceEpoch);
    void releaseUsageClock();

    // The companion's chat stream ("/v1/companion/chat:stream"). Its controls queue up like failNext and
    // each is taken by the next accepted stream only, that is one that passed the sign-in and the check of
    // its body (a 401 that makes the client renew its token leaves the control for the retry). They are not
    // kept in the state file; the pace and the aborted count survive a restart of the same object.
    //
    // A pause of `milliseconds` (0..600000, default 0) between the pieces of every stream (events, or the
    // lines of a scripted body); a stopping server or a client that hung up ends the pause at once. Throws
    // std::invalid_argument when out of range.
    void setCompanionPace(int milliseconds);
    // The next stream answers 200 "text/event-stream" with exactly `rawBody`, chunked, one line (with its
    // own terminator) per piece, paced; nothing is added, not even the opening comment.
    void scriptCompanionStream(std::string rawBody);
    // The next stream sends its opening comment and first `afterEvents` events (all of them, when it has
    // fewer), then waits until releaseCompanionStreams(), the server stopping or the client hanging up, and
    // then goes on. Throws std::invalid_argument for a negative count.
    void holdCompanionStream(int afterEvents);
    // Lets every stream held now go on.
    void releaseCompanionStreams();
    // The next stream sends its opening comment and first `afterEvents` events, then closes the connection
    // without the chunked body's terminator, so the client sees a broken body. Throws like the hold.
    void cutCompanionStream(int afterEvents);
    // The next stream is answered as a whole: `status` (200..599) with `body` of `contentType` (not
    // empty), e.g. 502 "text/html" "<html>bad gateway</html>", or 200 with an empty body.
    void answerCompanionStream(int status, std::string contentType, std::string body);
    // The body of the last accepted chat stream request, as sent (JSON); empty before the first.
    std::string lastCompanionRequest() const;
    // Streams given up because the client closed the connection before they ended.
    int companionStreamsAborted() const;

    // Analytics events posted so far, each event id once, in arrival order; they survive a restart.
    struct ReceivedEvent {
        std::string eventId;
        std::string name;
        std::map<std::string, std::string> props;
        std::string occurredAt;
    };
    std::vector<ReceivedEvent> receivedEvents() const;

private:
    void configure(httplib::Server &http);

    std::unique_ptr<devserver::ServerState> m_state;
    std::unique_ptr<httplib::Server> m_http;
    std::thread m_thread;
    std::atomic<bool> m_listenEnded{false};
    std::string m_host;
    int m_port = -1;
    bool m_requestLogging = false;
};
