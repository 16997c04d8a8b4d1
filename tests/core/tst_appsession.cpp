#include "ApiClient.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "Fixtures.h"
#include "SessionKeychain.h"
#include "SlowSecretStore.h"
#include "TestPlatform.h"

#include <QCoro/QCoroTask>
#include <QCoro/QCoroTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

const QString refreshPath = QStringLiteral("/api/v1/auth/refresh");
const QString logoutPath = QStringLiteral("/api/v1/auth/logout");
const QString mePath = QStringLiteral("/api/v1/me");

// The shared grant with the tokens a test follows; without `refresh` it carries no refresh token at all.
QByteArray grant(const QString &access, const std::optional<QString> &refresh = std::nullopt) {
    const QJsonValue none(QJsonValue::Undefined);
    return Fixtures::patched("auth/grant.json",
                             {{"access_token", access},
                              {"refresh_token", refresh ? QJsonValue(*refresh) : none},
                              {"refresh_expires_in", refresh ? QJsonValue(2592000) : none}});
}

// GET /api/v1/me as a client that signs its own requests builds it.
HttpRequest meRequest(std::optional<QString> token) {
    return ApiClient(QUrl(TestPlatform::apiBase), {ApiClient::Base::Api, ApiClient::Auth::Bearer, true, true})
        .withToken(std::move(token))
        .request("GET", mePath);
}

HttpRequest signedInRequest(const QString &token) {
    return meRequest(token);
}

void signIn(AppSession &session, const QString &access = QStringLiteral("at0"),
            const QString &refresh = QStringLiteral("rt0")) {
    session.setAccessToken(access);
    session.setRefreshToken(refresh);
}

// Answers GET /api/v1/me with 200 for the given token and 401 for any other.
void acceptOnly(FakeTransport &transport, const QString &token) {
    transport.fallback = [token](const HttpRequest &request) {
        if (request.header("Authorization") == "Bearer " + token.toUtf8())
            return FakeTransport::Reply::json(200, R"({"ok":true})");
        return FakeTransport::Reply::json(401, R"({"message":"登录已失效"})");
    };
}

// Awaits `task` and records when it ended and with what; the caller keeps both alive.
template <typename T>
QCoro::Task<void> record(QCoro::Task<T> task, std::optional<T> *result, bool *ended) {
    *result = co_await task;
    *ended = true;
}

QCoro::Task<void> recordVoid(QCoro::Task<void> task, bool *ended) {
    co_await task;
    *ended = true;
}

LoginResponse loginResponse(const QString &access, const QString &refresh) {
    LoginResponse response;
    response.accessToken = access;
    response.tokenType = QStringLiteral("Bearer");
    response.expiresIn = 3600;
    response.userId = 42;
    response.status = QStringLiteral("Active");
    response.refreshToken = refresh;
    return response;
}

} // namespace

class TestAppSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- construction from configuration and persisted state

    void configuredBaseURL_data() {
        QTest::addColumn<QJsonValue>("configured");
        QTest::addColumn<QString>("expected");
        const QString fallback = QStringLiteral("https://api.quorvel.cn");
        QTest::newRow("plain") << QJsonValue("https://x.example") << "https://x.example";
        QTest::newRow("spaces and tabs trimmed")
            << QJsonValue(" \thttps://x.example/v \t") << "https://x.example/v";
        QTest::newRow("only spaces") << QJsonValue("   ") << fallback;
        QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << fallback;
        QTest::newRow("a number") << QJsonValue(5) << fallback;
        QTest::newRow("does not parse") << QJsonValue("http://exa mple.com/") << fallback;
        QTest::newRow("line breaks are not trimmed") << QJsonValue("\nhttps://x.example") << fallback;
    }
    void configuredBaseURL() {
        QFETCH(QJsonValue, configured);
        QFETCH(QString, expected);
        QJsonObject bundle;
        if (!configured.isUndefined())
            bundle.insert(QStringLiteral("QVLApiBaseURL"), configured);
        TestPlatform platform(bundle);
        AppSession session;
        QCOMPARE(session.baseURL().toString(), expected);
        // The other two fall back to the default host's /ai and /trade.
        QCOMPARE(session.aiBaseURL().toString(), QStringLiteral("https://api.quorvel.cn/ai"));
        QCOMPARE(session.tradeBaseURL().toString(), QStringLiteral("https://api.quorvel.cn/trade"));
    }

    void deviceIdIsMadeOnceAndKept() {
        TestPlatform platform;
        QString first;
        {
            AppSession session;
            first = session.deviceId();
        }
        QVERIFY2(QRegularExpression(QStringLiteral("^ios-[0-9a-f]{24}$")).match(first).hasMatch(),
                 qPrintable(first));
        QCOMPARE(platform.secret(QStringLiteral("qvl.device_id")), first);
        AppSession again;
        QCOMPARE(again.deviceId(), first);
    }

    // A keyring that fails to answer is not an empty keyring: nothing stored may be replaced or deleted.
    void unreadableKeyringKeepsStoredSecrets() {
        TestPlatform platform;
        platform.setSecret(QStringLiteral("qvl.device_id"), QStringLiteral("ios-keepme"));
        platform.setSecret(QStringLiteral("qvl.access_token"), QStringLiteral("at-stored"));
        platform.setSecret(QStringLiteral("qvl.refresh_token"), QStringLiteral("rt-stored"));
        platform.secrets->failReads = true;
        {
            AppSession session;
            QVERIFY(!session.isLoggedIn());
            QVERIFY(!session.deviceId().isEmpty());
            QVERIFY(session.deviceId() != QStringLiteral("ios-keepme"));
        }
        QCOMPARE(platform.secret(QStringLiteral("qvl.device_id")), QStringLiteral("ios-keepme"));
        QCOMPARE(platform.secret(QStringLiteral("qvl.access_token")), QStringLiteral("at-stored"));
        QCOMPARE(platform.secret(QStringLiteral("qvl.refresh_token")), QStringLiteral("rt-stored"));

        platform.secrets->failReads = false;
        AppSession recovered;
        QCOMPARE(recovered.deviceId(), QStringLiteral("ios-keepme"));
        QCOMPARE(recovered.accessToken(), QStringLiteral("at-stored"));
    }

    void legacyAccessTokenMovesToTheKeychain() {
        TestPlatform platform;
        platform.defaults->setString(QStringLiteral("qvl.access_token"), QStringLiteral("legacy"));
        platform.setSecret(QStringLiteral("qvl.access_token"), QStringLiteral("newer"));
        AppSession session;
        QCOMPARE(session.accessToken(), QStringLiteral("legacy"));
        // Until the store has confirmed it, the user defaults keep their copy.
        QVERIFY(platform.defaults->contains(QStringLiteral("qvl.access_token")));
        session.finishPendingWrites();
        QCOMPARE(platform.secret(QStringLiteral("qvl.access_token")), QStringLiteral("legacy"));
        QVERIFY(!platform.defaults->contains(QStringLiteral("qvl.access_token")));
    }

    void legacyTokenStaysWhenTheKeychainRefusesIt() {
        TestPlatform platform;
        platform.defaults->setString(QStringLiteral("qvl.access_token"), QStringLiteral("legacy"));
        platform.secrets->failWrites = true;
        AppSession session;
        session.finishPendingWrites();
        QCOMPARE(session.accessToken(), QStringLiteral("legacy"));
        QVERIFY(platform.defaults->contains(QStringLiteral("qvl.access_token")));
    }

    void storedDefaultsAreReadBack() {
        TestPlatform platform;
        UserDefaults &defaults = *platform.defaults;
        defaults.setDouble(QStringLiteral("qvl.access_expires_at"), 1772352309.5);
        defaults.setString(QStringLiteral("qvl.user_id"), QStringLiteral("abc"));
        defaults.setInteger(QStringLiteral("qvl.last_path_id"), 9007199254740993LL);
        defaults.setString(QStringLiteral("qvl.status"), QStringLiteral("PendingProfile"));
        defaults.setBool(QStringLiteral("qvl.pref.dark_mode"), true);
        defaults.setBool(QStringLiteral("qvl.onboarding_done"), true);

        AppSession session;
        QCOMPARE(session.accessExpiresAt()->toMSecsSinceEpoch(), 1772352309500LL);
        QCOMPARE(session.userId(), 0); // present but not a number
        QCOMPARE(session.lastPathId(), 9007199254740993LL);
        QCOMPARE(session.status(), QStringLiteral("PendingProfile"));
        QVERIFY(session.darkMode());
        QVERIFY(session.onboardingDone());
        QVERIFY(!session.profileAsked());
    }

    void absentOrUnreadableDefaultsStayAbsent() {
        TestPlatform platform;
        platform.defaults->setString(QStringLiteral("qvl.access_expires_at"), QStringLiteral("1772352309"));
        AppSession session;
        QCOMPARE(session.accessExpiresAt(), std::nullopt);
        QCOMPARE(session.userId(), std::nullopt);
        QCOMPARE(session.lastPathId(), std::nullopt);
        QCOMPARE(session.status(), std::nullopt);
    }

    // --- persisting setters

    void settersWriteThroughButNotifyOnlyOnChange() {
        TestPlatform platform;
        AppSession session;
        QSignalSpy statusSpy(&session, &AppSession::statusChanged);
        session.setStatus(QStringLiteral("Active"));
        QCOMPARE(statusSpy.count(), 1);
        platform.defaults->remove(QStringLiteral("qvl.status"));
        session.setStatus(QStringLiteral("Active"));
        QCOMPARE(statusSpy.count(), 1);
        QCOMPARE(platform.defaults->stringValue(QStringLiteral("qvl.status")), QStringLiteral("Active"));

        session.setAccessExpiresAt(QDateTime::fromSecsSinceEpoch(1772352309, Qt::UTC));
        QCOMPARE(platform.defaults->object(QStringLiteral("qvl.access_expires_at")).typeId(),
                 QMetaType::Double);
        session.setUserId(7);
        QCOMPARE(platform.defaults->object(QStringLiteral("qvl.user_id")).typeId(), QMetaType::LongLong);
        session.setUserId(std::nullopt);
        QVERIFY(!platform.defaults->contains(QStringLiteral("qvl.user_id")));

        AppSession later;
        QCOMPARE(later.status(), QStringLiteral("Active"));
        QCOMPARE(later.accessExpiresAt(), QDateTime::fromSecsSinceEpoch(1772352309, Qt::UTC));
    }

    void clearingTheAccessTokenDeletesItsItem() {
        TestPlatform platform;
        AppSession session;
        QSignalSpy spy(&session, &AppSession::accessTokenChanged);
        session.setAccessToken(QStringLiteral("at"));
        QVERIFY(session.isLoggedIn());
        session.finishPendingWrites();
        QCOMPARE(platform.secret(QStringLiteral("qvl.access_token")), QStringLiteral("at"));
        session.setAccessToken(std::nullopt);
        QVERIFY(!session.isLoggedIn());
        session.finishPendingWrites();
        QCOMPARE(platform.secret(QStringLiteral("qvl.access_token")), std::nullopt);
        QCOMPARE(spy.count(), 2);
        session.setAccessToken(QString());
        QVERIFY2(!session.isLoggedIn(), "an empty token is signed out");
    }

    // --- sign-out

    void signOutClearsTheSignedInStateAndLogsOut() {
        TestPlatform platform;
        platform.transport->on("POST", logoutPath, FakeTransport::Reply::json(204, {}));
        AppSession session;
        signIn(session);
        session.setUserId(1);
        session.setStatus(QStringLiteral("Active"));
        session.setLastPathId(5);
        session.setAccessExpiresAt(platform.clock->now());
        session.setDarkMode(true);
        session.setOnboardingDone(true);
        session.setProfileAsked(true);
        const QString deviceId = session.deviceId();

        session.signOut();
        QVERIFY(!session.isLoggedIn());
        QCOMPARE(session.refreshToken(), std::nullopt);
        QCOMPARE(session.accessExpiresAt(), std::nullopt);
        QCOMPARE(session.userId(), std::nullopt);
        QCOMPARE(session.status(), std::nullopt);
        QCOMPARE(session.lastPathId(), std::nullopt);
        QVERIFY(!session.onboardingDone());
        QVERIFY(!session.profileAsked());
        QVERIFY(session.darkMode());
        QCOMPARE(session.deviceId(), deviceId);
        session.finishPendingWrites();
        QCOMPARE(platform.secret(QStringLiteral("qvl.refresh_token")), std::nullopt);
        QVERIFY(!platform.defaults->contains(QStringLiteral("qvl.last_path_id")));

        // The logout goes out in the background with the refresh token it held.
        QTRY_COMPARE(platform.transport->count(logoutPath), 1);
        QCOMPARE(QJsonDocument::fromJson(platform.transport->requests.first().body).object(),
                 (QJsonObject{{"refresh_token", "rt0"}}));
    }

    void signOutWithoutRefreshTokenSendsNothing() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("at"));
        session.signOut();
        QVERIFY(!session.isLoggedIn());
        QTest::qWait(20);
        QVERIFY(platform.transport->requests.isEmpty());
    }

    void currentIsTheLastConstructedWhileItLives() {
        TestPlatform platform;
        AppSession first;
        QCOMPARE(AppSession::current(), &first);
        {
            AppSession second;
            QCOMPARE(AppSession::current(), &second);
        }
        QCOMPARE(AppSession::current(), nullptr);
    }

    // --- signed-in sending and renewal

    void unauthorisedWithoutTokenIsReturnedAsIs() {
        TestPlatform platform;
        AppSession session;
        signIn(session);
        acceptOnly(*platform.transport, QStringLiteral("never"));
        HttpRequest request = meRequest(std::nullopt);
        const HttpResponse response = Await::result(session.data(request));
        QCOMPARE(response.status, 401);
        QCOMPARE(platform.transport->count(refreshPath), 0);
        QCOMPARE(platform.transport->requests.size(), 1);
    }

    void tokenAlreadyReplacedIsResentWithoutRefresh_data() {
        QTest::addColumn<QByteArray>("authorization");
        QTest::newRow("older bearer token") << QByteArray("Bearer at-old");
        QTest::newRow("header without Bearer prefix") << QByteArray("at-old");
    }
    void tokenAlreadyReplacedIsResentWithoutRefresh() {
        QFETCH(QByteArray, authorization);
        TestPlatform platform;
        AppSession session;
        signIn(session, QStringLiteral("at-new"));
        acceptOnly(*platform.transport, QStringLiteral("at-new"));
        HttpRequest request = signedInRequest(QStringLiteral("x"));
        request.setHeader("Authorization", authorization);
        const HttpResponse response = Await::result(session.data(request));
        QCOMPARE(response.status, 200);
        QCOMPARE(platform.transport->count(refreshPath), 0);
        QCOMPARE(platform.transport->requests.last().header("Authorization"), QByteArray("Bearer at-new"));
    }

    void concurrentUnauthorisedRequestsShareOneRefresh() {
        TestPlatform platform;
        AppSession session;
        signIn(session);
        acceptOnly(*platform.transport, QStringLiteral("at1"));
        platform.transport->on("POST", refreshPath,
                               FakeTransport::Reply::json(200, grant("at1", "rt1")).after(30));

        auto first = session.data(signedInRequest(QStringLiteral("at0")));
        auto second = session.data(signedInRequest(QStringLiteral("at0")));
        auto third = session.data(signedInRequest(QStringLiteral("at0")));
        QCOMPARE(Await::result(first).status, 200);
        QCOMPARE(Await::result(second).status, 200);
        QCOMPARE(Await::result(third).status, 200);

        QCOMPARE(platform.transport->count(refreshPath), 1);
        QCOMPARE(session.accessToken(), QStringLiteral("at1"));
        QCOMPARE(session.refreshToken(), QStringLiteral("rt1"));
        session.finishPendingWrites();
        QCOMPARE(platform.secret(QStringLiteral("qvl.refresh_token")), QStringLiteral("rt1"));
        QCOMPARE(session.accessExpiresAt(), platform.clock->now().addSecs(3600));
        QVERIFY(!session.isRenewing());
    }

    void refusedRefreshSignsOutAndReturnsTheFirstAnswer() {
        TestPlatform platform;
        AppSession session;
        signIn(session);
        acceptOnly(*platform.transport, QStringLiteral("at1"));
        platform.transport->on("POST", refreshPath, FakeTransport::Reply::json(401, R"({"message":"过期"})"));
        platform.transport->on("POST", logoutPath, FakeTransport::Reply::json(204, {}));
        const HttpResponse response = Await::result(session.data(signedInRequest(QStringLiteral("at0"))));
        QCOMPARE(response.status, 401);
        QCOMPARE(response.body, QByteArray(R"({"message":"登录已失效"})"));
        QVERIFY(!session.isLoggedIn());
        QCOMPARE(session.refreshToken(), std::nullopt);
    }

    void failedRefreshKeepsTheTokens_data() {
        QTest::addColumn<FakeTransport::Reply>("refreshReply");
        QTest::newRow("server error") << FakeTransport::Reply::json(500, "oops");
        QTest::newRow("transport failure") << FakeTransport::Reply::error(TransportError::Kind::NoConnection);
        QTest::newRow("undecodable grant") << FakeTransport::Reply::json(200, R"({"access_token":"x"})");
    }
    void failedRefreshKeepsTheTokens() {
        QFETCH(FakeTransport::Reply, refreshReply);
        TestPlatform platform;
        AppSession session;
        signIn(session);
        acceptOnly(*platform.transport, QStringLiteral("at1"));
        platform.transport->on("POST", refreshPath, refreshReply);
        const HttpResponse response = Await::result(session.data(signedInRequest(QStringLiteral("at0"))));
        QCOMPARE(response.status, 401);
        QCOMPARE(session.accessToken(), QStringLiteral("at0"));
        QCOMPARE(session.refreshToken(), QStringLiteral("rt0"));
        // First send, refresh; no resend with the unchanged token.
        QCOMPARE(platform.transport->requests.size(), 2);
    }

    void secondUnauthorisedAnswerIsReturnedWithoutAnotherRenewal() {
        TestPlatform platform;
        AppSession session;
        signIn(session);
        acceptOnly(*platform.transport, QStringLiteral("never"));
        platform.transport->on("POST", refreshPath, FakeTransport::Reply::json(200, grant("at1")));
        const HttpResponse response = Await::result(session.data(signedInRequest(QStringLiteral("at0"))));
        QCOMPARE(response.status, 401);
        QCOMPARE(platform.transport->count(refreshPath), 1);
        QCOMPARE(platform.transport->count(mePath), 2);
        // A grant without a refresh token keeps the stored one.
        QCOMPARE(session.refreshToken(), QStringLiteral("rt0"));
        QCOMPARE(session.accessToken(), QStringLiteral("at1"));
    }

    // A renewal that produced no new token gives its waiters nothing: none of them resends the refused token.
    void failedRenewalGivesEveryWaiterNothing_data() {
        QTest::addColumn<FakeTransport::Reply>("refreshReply");
        QTest::newRow("server error") << FakeTransport::Reply::json(500, "oops");
        QTest::newRow("transport failure") << FakeTransport::Reply::error(TransportError::Kind::NoConnection);
        QTest::newRow("refused") << FakeTransport::Reply::json(401, R"({"message":"过期"})");
    }
    void failedRenewalGivesEveryWaiterNothing() {
        QFETCH(FakeTransport::Reply, refreshReply);
        TestPlatform platform;
        AppSession session;
        signIn(session);
        acceptOnly(*platform.transport, QStringLiteral("at1"));
        platform.transport->on("POST", refreshPath, refreshReply.after(30));
        platform.transport->on("POST", logoutPath, FakeTransport::Reply::json(204, {}));
        auto first = session.data(signedInRequest(QStringLiteral("at0")));
        auto second = session.data(signedInRequest(QStringLiteral("at0")));
        QCOMPARE(Await::result(first).status, 401);
        QCOMPARE(Await::result(second).status, 401);
        QCOMPARE(platform.transport->count(refreshPath), 1);
        QCOMPARE(platform.transport->count(mePath), 2);
        QVERIFY(!session.isRenewing());
    }

    // Callers waiting on a renewal, a refresh or the load are resumed with nothing when the session goes away
    // first, and the work still in flight ends without touching it.
    void waitersResumeWhenTheSessionIsDestroyed_data() {
        QTest::addColumn<QString>("waitsOn");
        QTest::newRow("renewal") << QStringLiteral("renewal");
        QTest::newRow("refresh") << QStringLiteral("refresh");
        QTest::newRow("load") << QStringLiteral("load");
    }
    void waitersResumeWhenTheSessionIsDestroyed() {
        QFETCH(QString, waitsOn);
        TestPlatform platform;
        auto slow = std::make_shared<SlowSecretStore>();
        std::optional<Platform::Override> slowStore;
        if (waitsOn == QStringLiteral("load"))
            slowStore.emplace(Platform::Services{{}, {}, slow, {}, {}, {}});
        auto session = std::make_unique<AppSession>();
        platform.transport->on("POST", refreshPath,
                               FakeTransport::Reply::json(200, grant("at1", "rt1")).after(200));

        bool workEnded = false;
        bool waiterEnded = false;
        std::optional<std::optional<QString>> renewed;
        std::optional<std::optional<QString>> workResult;
        std::optional<bool> loaded;
        std::optional<QCoro::Task<void>> work;
        std::optional<QCoro::Task<void>> waiter;
        if (waitsOn == QStringLiteral("renewal")) {
            signIn(*session);
            work.emplace(record(session->renewAccessToken(QStringLiteral("at0")), &workResult, &workEnded));
            waiter.emplace(record(session->renewAccessToken(QStringLiteral("at0")), &renewed, &waiterEnded));
        } else if (waitsOn == QStringLiteral("refresh")) {
            signIn(*session);
            work.emplace(recordVoid(session->refreshIfNeeded(true), &workEnded));
            waiter.emplace(recordVoid(session->refreshIfNeeded(true), &waiterEnded));
        } else {
            QVERIFY(!session->isLoaded());
            workEnded = true;
            waiter.emplace(record(session->waitUntilLoaded(), &loaded, &waiterEnded));
        }
        QTest::qWait(20);
        QVERIFY(!waiterEnded);

        session.reset();
        QTRY_VERIFY_WITH_TIMEOUT(waiterEnded, 150); // well before the refresh answers
        if (waitsOn == QStringLiteral("renewal"))
            QVERIFY(renewed && !*renewed);
        if (waitsOn == QStringLiteral("load"))
            QCOMPARE(loaded, false);
        QTRY_VERIFY_WITH_TIMEOUT(workEnded, 2000);
    }

    // Storing a grant and signing out only queue the secrets: nothing else runs in the middle of them, the
    // session's fields change at once, and the store receives the writes later, in order.
    void secretWritesNeverRunTheEventLoop() {
        TestPlatform platform;
        auto slow = std::make_shared<SlowSecretStore>();
        Platform::Override slowStore(Platform::Services{{}, {}, slow, {}, {}, {}});
        platform.transport->on("POST", logoutPath, FakeTransport::Reply::json(204, {}));
        AppSession session;
        QVERIFY(Await::result(session.waitUntilLoaded()));
        session.finishPendingWrites();
        slow->landed.clear();

        bool ranMeanwhile = false;
        QTimer::singleShot(0, [&ranMeanwhile] { ranMeanwhile = true; });
        session.storeGrant(loginResponse(QStringLiteral("at1"), QStringLiteral("rt1")));
        QVERIFY(!ranMeanwhile);
        QCOMPARE(session.accessToken(), QStringLiteral("at1"));
        QCOMPARE(slow->secret(QStringLiteral("qvl.access_token")), std::nullopt);
        session.finishPendingWrites();
        QCOMPARE(slow->landed, (QStringList{QStringLiteral("qvl.access_token=at1"),
                                            QStringLiteral("qvl.refresh_token=rt1")}));

        slow->landed.clear();
        QTimer::singleShot(0, [&ranMeanwhile] { ranMeanwhile = true; });
        ranMeanwhile = false;
        session.signOut();
        QVERIFY(!ranMeanwhile);
        QVERIFY(!session.isLoggedIn());
        session.finishPendingWrites();
        QCOMPARE(slow->landed, (QStringList{QStringLiteral("qvl.refresh_token removed"),
                                            QStringLiteral("qvl.access_token removed")}));
    }

    // Writes still queued when the session goes away are written all the same.
    void pendingWritesOutliveTheSession() {
        TestPlatform platform;
        auto slow = std::make_shared<SlowSecretStore>();
        Platform::Override slowStore(Platform::Services{{}, {}, slow, {}, {}, {}});
        {
            AppSession session;
            QVERIFY(Await::result(session.waitUntilLoaded()));
            signIn(session, QStringLiteral("at9"), QStringLiteral("rt9"));
        }
        SessionKeychain::finishOutstandingWrites();
        QCOMPARE(slow->secret(QStringLiteral("qvl.access_token")), QStringLiteral("at9"));
        QCOMPARE(slow->secret(QStringLiteral("qvl.refresh_token")), QStringLiteral("rt9"));
        QVERIFY(slow->secret(QStringLiteral("qvl.device_id")));
    }

    void transportFailureOfTheFirstSendIsThrown() {
        TestPlatform platform;
        AppSession session;
        signIn(session);
        platform.transport->on("GET", mePath,
                               FakeTransport::Reply::error(TransportError::Kind::NoConnection));
        QVERIFY_THROWS_EXCEPTION(TransportError,
                                 Await::result(session.data(signedInRequest(QStringLiteral("at0")))));
        QCOMPARE(platform.transport->count(refreshPath), 0);
    }

    void startUpRefreshDependsOnExpiry_data() {
        QTest::addColumn<bool>("hasRefreshToken");
        QTest::addColumn<std::optional<qint64>>("expiresInSeconds");
        QTest::addColumn<bool>("refreshes");
        QTest::newRow("expires in exactly 600 s") << true << std::optional<qint64>(600) << true;
        QTest::newRow("expires in 601 s") << true << std::optional<qint64>(601) << false;
        QTest::newRow("already expired") << true << std::optional<qint64>(-5) << true;
        QTest::newRow("no expiry recorded") << true << std::optional<qint64>() << true;
        QTest::newRow("no refresh token") << false << std::optional<qint64>(0) << false;
    }
    void startUpRefreshDependsOnExpiry() {
        QFETCH(bool, hasRefreshToken);
        QFETCH(std::optional<qint64>, expiresInSeconds);
        QFETCH(bool, refreshes);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("at0"));
        if (hasRefreshToken)
            session.setRefreshToken(QStringLiteral("rt0"));
        if (expiresInSeconds)
            session.setAccessExpiresAt(platform.clock->now().addSecs(*expiresInSeconds));
        platform.transport->on("POST", refreshPath, FakeTransport::Reply::json(200, grant("at1")));
        Await::result(session.refreshIfNeeded(false));
        QCOMPARE(platform.transport->count(refreshPath), refreshes ? 1 : 0);
        QCOMPARE(session.accessToken(), refreshes ? QStringLiteral("at1") : QStringLiteral("at0"));
    }

    // The learner who signed out while a refresh was under way stays signed out.
    void refreshFinishingAfterSignOutIsDropped() {
        TestPlatform platform;
        AppSession session;
        signIn(session);
        platform.transport->on("POST", refreshPath,
                               FakeTransport::Reply::json(200, grant("at1", "rt1")).after(30));
        platform.transport->on("POST", logoutPath, FakeTransport::Reply::json(204, {}));
        auto refresh = session.refreshIfNeeded(true);
        session.signOut();
        Await::result(refresh);
        QVERIFY(!session.isLoggedIn());
        QCOMPARE(session.refreshToken(), std::nullopt);
        session.finishPendingWrites();
        QCOMPARE(platform.secret(QStringLiteral("qvl.access_token")), std::nullopt);
    }

    // The start-up refresh and a renewal never send the same refresh token at once.
    void startUpRefreshAndRenewalShareOneRequest() {
        TestPlatform platform;
        AppSession session;
        signIn(session);
        acceptOnly(*platform.transport, QStringLiteral("at1"));
        platform.transport->on("POST", refreshPath,
                               FakeTransport::Reply::json(200, grant("at1", "rt1")).after(30));
        auto startUp = session.refreshIfNeeded(false);
        auto request = session.data(signedInRequest(QStringLiteral("at0")));
        Await::result(startUp);
        QCOMPARE(Await::result(request).status, 200);
        QCOMPARE(platform.transport->count(refreshPath), 1);
    }

    // A client whose session is gone renews nothing: its request goes straight out.
    void withoutItsSessionAClientSendsDirect() {
        TestPlatform platform;
        acceptOnly(*platform.transport, QStringLiteral("never"));
        auto session = std::make_unique<AppSession>();
        signIn(*session);
        const ApiClient client(*session);
        const HttpRequest request = client.request("GET", mePath);
        session.reset();
        QCOMPARE(AppSession::current(), nullptr);
        const HttpResponse response = Await::result(client.data(request));
        QCOMPARE(response.status, 401);
        QCOMPARE(platform.transport->requests.size(), 1);
    }

    void streamsAreRenewedLikeData() {
        TestPlatform platform;
        AppSession session;
        signIn(session);
        platform.transport->fallback = [](const HttpRequest &request) {
            if (request.header("Authorization") == "Bearer at1")
                return FakeTransport::Reply::json(200, "data: one\n\ndata: two\n");
            return FakeTransport::Reply::json(401, "{}");
        };
        platform.transport->on("POST", refreshPath, FakeTransport::Reply::json(200, grant("at1")));
        std::unique_ptr<ByteStream> stream =
            Await::result(ApiClient(session).bytes(signedInRequest(QStringLiteral("at0"))));
        QCOMPARE(stream->response().status, 200);
        QCOMPARE(Await::result(stream->nextLine()), QByteArray("data: one"));
        QCOMPARE(Await::result(stream->nextLine()), QByteArray(""));
        QCOMPARE(Await::result(stream->nextLine()), QByteArray("data: two"));
        QCOMPARE(Await::result(stream->nextLine()), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestAppSession)
#include "tst_appsession.moc"
