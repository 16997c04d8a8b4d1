#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QMap>
#include <QStringList>

#include "CommerceState.h"
#include "CompanionState.h"
#include "InboxState.h"
#include "LearningState.h"
#include "MemoryState.h"
#include "OnboardingState.h"
#include "SettingsState.h"
#include "UsageState.h"

namespace devserver {

using Clock = std::chrono::steady_clock;

// A learner's home layout overrides and the revision of their last write; a learner who never wrote one is at
// revision 1 with nothing overridden (HomeRoutes.cpp).
struct HomeLayoutRecord {
    std::int64_t revision = 1;
    QStringList order;
    QStringList hidden;
    QMap<QString, QString> sizes; // card id to "L", "M" or "S"

    bool isEmpty() const { return order.isEmpty() && hidden.isEmpty() && sizes.isEmpty(); }
};

struct UserRecord {
    std::int64_t id = 0;
    std::string phone;
    std::string status;
    std::optional<std::string> birthYearMonth;
};

// The age in whole years on `today` of someone born in the month of `birthMonth` (any day of it), counted
// from the month's last day: the service gives a month, never a day, and does not make a learner older
// before the month has ended (AuthRoutes.cpp).
int ageInYears(QDate birthMonth, QDate today);

// Every token belongs to one sign-in (`sessionId`): the login starts it, each refresh continues it, and a
// logout ends it together with all access tokens it produced, including those issued before a rotation.
struct AccessTokenRecord {
    std::int64_t userId = 0;
    std::int64_t sessionId = 0;
    Clock::time_point expiresAt;
};

struct RefreshTokenRecord {
    std::int64_t userId = 0;
    std::int64_t sessionId = 0;
    std::string deviceId;
    Clock::time_point expiresAt;
};

// A pending failure or delay for one path, consumed one request at a time.
struct Injection {
    int value = 0; // status for a failure, milliseconds for a delay
    int remaining = 0;
};

// The whole in-memory world of the stand-in. Handlers run on the server's worker threads, so every member
// below `mutex` is read and written only while holding it; the `...Locked` functions expect it held.
class ServerState {
public:
    static constexpr std::int64_t kAccessExpiresIn = 3600;
    static constexpr std::int64_t kRefreshExpiresIn = 2592000;
    static constexpr std::int64_t kSmsExpiresIn = 300;
    static constexpr std::int64_t kSmsResendAfter = 60;
    static constexpr std::int64_t kTenantId = 1;
    // The one SMS code of development: no message is ever sent, every phone signs in with it.
    static constexpr const char *kSmsCode = "246810";

    mutable std::mutex mutex;
    // Woken when the server stops, so that deliberately slow answers give up their wait at once.
    std::condition_variable stopSignal;
    bool stopping = false;

    // Accounts and tokens.
    std::map<std::string, std::int64_t> userIdByPhone;
    std::map<std::int64_t, UserRecord> users;
    std::map<std::string, AccessTokenRecord> accessTokens;
    std::map<std::string, RefreshTokenRecord> refreshTokens;
    std::map<std::string, Clock::time_point> lastCodeSentAt; // by phone
    // A new account waits for its birth month, as the service's do: the client asks for it before anything
    // else.
    std::string newUserStatus = "PendingProfile";
    std::int64_t nextUserId = 10001;
    std::int64_t nextSessionId = 1;

    // Learning paths and question requests of every learner (LearningRoutes.cpp).
    LearningState learning;

    // The companion's settings per learner, and the chat stream's pace and test controls
    // (CompanionRoutes.cpp).
    CompanionState companion;

    // The first-run questionnaire and the learning profile of every learner (OnboardingRoutes.cpp).
    OnboardingState onboarding;

    // Home layout overrides by user id (HomeRoutes.cpp).
    std::map<std::int64_t, HomeLayoutRecord> homeLayouts;
    // A test's document served in place of the recommended home layout; none serves the built-in one. A test
    // control: not kept in the state file.
    std::optional<QJsonObject> homeLayoutReplacement;
    // A test's body served as every learner's study report, byte for byte (numbers beyond a double's
    // precision and bodies of the wrong shape included); none computes the report. Not kept in the state
    // file.
    std::optional<std::string> studyReportReplacement;

    // Every learner's inbox (InboxRoutes.cpp).
    InboxState inbox;

    // Minors' study limits and every learner's study time today, with their test controls (UsageRoutes.cpp).
    UsageState usage;

    // The companion's memories of every learner (MemoryRoutes.cpp).
    MemoryState memories;

    // Every learner's orders and paid membership (CommerceRoutes.cpp).
    CommerceState commerce;

    // Every learner's saved settings preferences (SettingsRoutes.cpp).
    SettingsState settings;

    // Analytics events as posted, one per event id, in arrival order (EventRoutes.cpp).
    std::deque<QJsonObject> receivedEvents;
    std::set<std::string> receivedEventIds;

    // Where the state lives between runs (empty: in memory only), and what was last written there.
    std::string stateFile;
    QByteArray lastSavedState;

    // Test controls, keyed by request path.
    std::map<std::string, std::deque<Injection>> failures;
    std::map<std::string, std::deque<Injection>> delays;
    std::map<std::string, int> requestCounts;

    // Test controls, each taking the lock itself. Arguments are checked by the caller against the limits
    // below.
    static constexpr int kMinInjectedStatus = 200;
    static constexpr int kMaxInjectedStatus = 599;
    static constexpr int kMaxDelayMs = 600000;
    static constexpr int kMaxInjectionCount = 1000000;
    // Paths under this prefix are the controls themselves: never counted, failed or delayed, so a script can
    // always reach them.
    static constexpr const char *kControlPrefix = "/__dev/";
    static bool isControlPath(const std::string &path);
    // Whether `path` may carry an injection: an absolute path outside the controls.
    static bool isInjectablePath(const std::string &path);

    void expireAccessTokens();
    void failNext(const std::string &path, int status, int count);
    void delayNext(const std::string &path, int milliseconds, int count);
    int requestCount(const std::string &path) const;
    void setNewUserStatus(const std::string &status);
    void replaceHomeLayout(std::optional<QJsonObject> document);

    // The user signing in with `phone`, created with the new-user status on first sight.
    UserRecord &userForPhoneLocked(const std::string &phone);
    // Issues a fresh access/refresh pair for the sign-in `sessionId` and returns the token grant.
    QJsonObject issueGrantLocked(std::int64_t userId, std::int64_t sessionId, const std::string &deviceId);
    // The record of a live access token, or nothing for an unknown or expired one.
    const AccessTokenRecord *findAccessTokenLocked(const std::string &token);
    // The record of a live refresh token, or nothing for an unknown, revoked or expired one.
    const RefreshTokenRecord *findRefreshTokenLocked(const std::string &token);
    // Ends a sign-in: all of its refresh and access tokens stop working.
    void revokeSessionLocked(std::int64_t sessionId);

    // The persistent part of the state as one JSON document, and back (StatePersistence.cpp).
    QJsonObject saveLocked() const;
    void loadLocked(const QJsonObject &saved);
    // Loads `path` when it exists and keeps it as the state file; false with `error` set when it cannot be
    // read. Takes the lock itself.
    bool readStateFile(const std::string &path, std::string &error);
    // Writes the state file atomically when the state changed since the last write.
    void persistLocked();
    void persist();

    // The user who signed in with `phone`, if any.
    std::optional<std::int64_t> userIdForPhoneLocked(const std::string &phone) const;
    // The learner's inbox, filled with its first notices on first use (InboxRoutes.cpp).
    InboxRecord &seededInboxLocked(std::int64_t userId);
    // Adds `count` unread notices, created now, to the learner's inbox as it stands (filled or not); their
    // ids in the order added. The caller checks `count` against the limit.
    static constexpr int kMaxInboxAppend = 1000;
    std::vector<std::int64_t> appendInboxMessagesLocked(std::int64_t userId, int count);

    // Takes one use of the first pending injection for `path`; nothing when none is pending.
    static std::optional<int> takeInjection(std::map<std::string, std::deque<Injection>> &table,
                                            const std::string &path);
};

// An opaque random token: `prefix` followed by 32 lower-case hexadecimal digits.
std::string randomToken(const char *prefix);

} // namespace devserver
