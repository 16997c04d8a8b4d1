#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "Fixtures.h"
#include "TestPlatform.h"

#include <QCoro/QCoroTask>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

const QJsonValue removed(QJsonValue::Undefined);

// The shared grant, whole or with one field changed.
QByteArray grantBody(const QString &location = QString(), const QJsonValue &value = removed) {
    const QJsonObject grant = Fixtures::object(QStringLiteral("auth/grant.json"));
    return Fixtures::bytes(location.isEmpty() ? grant : Fixtures::with(grant, location, value));
}

QJsonObject bodyOf(const HttpRequest &request) {
    return QJsonDocument::fromJson(request.body).object();
}

} // namespace

class TestAuthAPIClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The response check every client shares, in its fixed order.
    void responseCheck_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // "ok", "decoding" or "http"
        QTest::addColumn<int>("errorStatus");
        QTest::addColumn<QString>("message");

        QTest::newRow("grant") << 200 << grantBody() << "ok" << 0 << "";
        QTest::newRow("grant without user_id")
            << 200 << grantBody("user_id") << "decoding" << 0 << "响应格式不正确";
        QTest::newRow("user_id as text")
            << 200 << grantBody("user_id", "42") << "decoding" << 0 << "响应格式不正确";
        QTest::newRow("access_token as number")
            << 200 << grantBody("access_token", 1) << "decoding" << 0 << "响应格式不正确";
        QTest::newRow("empty success body") << 200 << QByteArray() << "decoding" << 0 << "响应格式不正确";
        QTest::newRow("299 is a success") << 299 << grantBody() << "ok" << 0 << "";
        QTest::newRow("300 fails with a valid body")
            << 300 << grantBody() << "http" << 300 << "请求失败（300）";
        QTest::newRow("199 fails") << 199 << grantBody() << "http" << 199 << "请求失败（199）";
        QTest::newRow("server message")
            << 400 << QByteArray(R"({"code":"invalid_code","message":"验证码错误"})") << "http" << 400
            << "验证码错误";
        QTest::newRow("empty server message stays empty")
            << 400 << QByteArray(R"({"message":""})") << "http" << 400 << "";
        QTest::newRow("null code and message")
            << 401 << QByteArray(R"({"code":null,"message":null})") << "http" << 401 << "请求失败（401）";
        QTest::newRow("message of the wrong type")
            << 403 << QByteArray(R"({"message":5})") << "http" << 403 << "请求失败（403）";
        QTest::newRow("body that is not JSON")
            << 500 << QByteArray("<html>oops</html>") << "http" << 500 << "请求失败（500）";
        QTest::newRow("no HTTP answer") << -1 << QByteArray() << "http" << -1 << "无响应";
    }
    void responseCheck() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(int, errorStatus);
        QFETCH(QString, message);

        TestPlatform platform;
        AppSession session;
        platform.transport->on("POST", QStringLiteral("/api/v1/auth/login"),
                               FakeTransport::Reply::json(status, body));
        try {
            const LoginResponse grant = Await::result(
                AuthAPIClient().login(QStringLiteral("13800000000"), QStringLiteral("246810"), session));
            QCOMPARE(outcome, QStringLiteral("ok"));
            // What auth/grant.json holds.
            QCOMPARE(grant.accessToken, QStringLiteral("at1"));
            QCOMPARE(grant.userId, 42);
            QCOMPARE(grant.refreshToken, std::optional<QString>(QStringLiteral("rt1")));
        } catch (const AuthAPIError &error) {
            QCOMPARE(error.kind() == AuthAPIError::Case::Http ? QStringLiteral("http")
                                                              : QStringLiteral("decoding"),
                     outcome);
            if (error.kind() == AuthAPIError::Case::Http)
                QCOMPARE(error.status(), errorStatus);
            QCOMPARE(error.errorDescription(), message);
        }
    }

    void grantWithoutRefreshFieldsDecodes() {
        const LoginResponse grant = LoginResponse::fromJson(
            JsonReader::parse(Fixtures::patched("auth/grant.json", {{"refresh_token", removed},
                                                                    {"refresh_expires_in", removed},
                                                                    {"status", "PendingProfile"}}),
                              JsonKeys::FromSnakeCase));
        QCOMPARE(grant.refreshToken, std::nullopt);
        QCOMPARE(grant.refreshExpiresIn, std::nullopt);
        QCOMPARE(grant.status, QStringLiteral("PendingProfile"));
    }

    void transportFailuresKeepTheirKindAndText() {
        TestPlatform platform;
        AppSession session;
        platform.transport->on("POST", QStringLiteral("/api/v1/sms/code"),
                               FakeTransport::Reply::error(TransportError::Kind::TimedOut));
        try {
            Await::result(AuthAPIClient().sendCode(QStringLiteral("13800000000"), session));
            QFAIL("a transport failure must be thrown");
        } catch (const AuthAPIError &error) {
            QCOMPARE(error.kind(), AuthAPIError::Case::TimedOut);
            QCOMPARE(error.errorDescription(),
                     TransportError::fromKind(TransportError::Kind::TimedOut).message());
        }
    }

    // The account calls never carry the session's token, whatever it holds.
    void accountRequestsCarryTheirBodiesAndNoToken() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("signed-in-token"));
        platform.transport->on("POST", QStringLiteral("/api/v1/sms/code"),
                               FakeTransport::Reply::json(200, Fixtures::json("auth/code-sent.json")));
        platform.transport->on("POST", QStringLiteral("/api/v1/auth/login"),
                               FakeTransport::Reply::json(200, grantBody()));
        platform.transport->on("POST", QStringLiteral("/api/v1/auth/refresh"),
                               FakeTransport::Reply::json(200, grantBody()));

        const AuthAPIClient client;
        const SendCodeResponse code = Await::result(client.sendCode(QStringLiteral("13800000000"), session));
        QCOMPARE(code.resendAfter, 60);
        Await::result(client.login(QStringLiteral("13800000000"), QStringLiteral("246810"), session));
        Await::result(client.refresh(QStringLiteral("rt0"), session));

        const QList<HttpRequest> &sent = platform.transport->requests;
        QCOMPARE(sent.size(), 3);
        for (const HttpRequest &request : sent) {
            QCOMPARE(request.method, QByteArray("POST"));
            QVERIFY(!request.hasHeader("Authorization"));
            QCOMPARE(request.header("Content-Type"), std::optional<QByteArray>("application/json"));
            QCOMPARE(request.timeoutMs, 60000);
            QCOMPARE(request.url.host(), QStringLiteral("api.test.example"));
        }
        QCOMPARE(bodyOf(sent[0]),
                 (QJsonObject{{"phone", "13800000000"}, {"scene", "login"}, {"captcha_token", "ok"}}));
        QCOMPARE(
            bodyOf(sent[1]),
            (QJsonObject{{"phone", "13800000000"}, {"code", "246810"}, {"device_id", session.deviceId()}}));
        QCOMPARE(bodyOf(sent[2]), (QJsonObject{{"refresh_token", "rt0"}}));
    }

    void requestsKeepTheBasePath() {
        QJsonObject bundle = TestPlatform::defaultBundle();
        bundle.insert(QStringLiteral("QVLApiBaseURL"), QStringLiteral("https://api.test.example/ai"));
        TestPlatform platform(bundle);
        AppSession session;
        platform.transport->on("POST", QStringLiteral("/ai/api/v1/auth/login"),
                               FakeTransport::Reply::json(200, grantBody()));
        Await::result(AuthAPIClient().login(QStringLiteral("13800000000"), QStringLiteral("1"), session));
        QCOMPARE(platform.transport->requests.first().url.toString(),
                 QStringLiteral("https://api.test.example/ai/api/v1/auth/login"));
    }

    void logoutIgnoresTheAnswer_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("500") << 500 << QByteArray("not json");
        QTest::newRow("204") << 204 << QByteArray();
        QTest::newRow("401") << 401 << QByteArray(R"({"message":"x"})");
    }
    void logoutIgnoresTheAnswer() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        TestPlatform platform;
        platform.transport->on("POST", QStringLiteral("/api/v1/auth/logout"),
                               FakeTransport::Reply::json(status, body));
        Await::result(AuthAPIClient().logout(QStringLiteral("rt"), QUrl(TestPlatform::apiBase)));
        QCOMPARE(platform.transport->count(QStringLiteral("/api/v1/auth/logout")), 1);
        QCOMPARE(bodyOf(platform.transport->requests.first()), (QJsonObject{{"refresh_token", "rt"}}));
    }

    void postJSONCarriesTheGivenToken_data() {
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<std::optional<QByteArray>>("header");
        QTest::newRow("token") << std::optional<QString>(QStringLiteral("abc"))
                               << std::optional<QByteArray>("Bearer abc");
        QTest::newRow("empty token") << std::optional<QString>(QString())
                                     << std::optional<QByteArray>("Bearer ");
        QTest::newRow("none") << std::optional<QString>() << std::optional<QByteArray>();
    }
    void postJSONCarriesTheGivenToken() {
        QFETCH(std::optional<QString>, token);
        QFETCH(std::optional<QByteArray>, header);
        TestPlatform platform;
        AppSession session;
        platform.transport->on("POST", QStringLiteral("/api/v1/me/profile"),
                               FakeTransport::Reply::json(200, R"({"status":"Active","age_band":"13_15"})"));
        const ProfileResponse profile = Await::result(AuthAPIClient().postJSON<ProfileResponse>(
            QStringLiteral("/api/v1/me/profile"), QJsonObject{{"birth_year_month", "2012-05"}}, token,
            session));
        QCOMPARE(profile.ageBand, std::optional<QString>(QStringLiteral("13_15")));
        QCOMPARE(platform.transport->requests.first().header("Authorization"), header);
    }
};

QTEST_GUILESS_MAIN(TestAuthAPIClient)
#include "tst_authapiclient.moc"
