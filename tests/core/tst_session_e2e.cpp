#include "ApiClient.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "DevServer.h"
#include "LoopbackServer.h"
#include "Platform.h"
#include "RealNetwork.h"
#include "TestPlatform.h"

#include <QCoro/QCoroTask>
#include <QTest>
#include <QTimer>

#include <vector>

namespace {

QStringList g_sessionLog;

void collectSessionLog(QtMsgType, const QMessageLogContext &context, const QString &message) {
    if (QByteArrayView(context.category) == "quorvel.session")
        g_sessionLog.append(message);
}

QJsonObject bundleFor(const QUrl &base) {
    const QString url = base.toString(QUrl::StripTrailingSlash);
    return {{QStringLiteral("QVLApiBaseURL"), url},
            {QStringLiteral("QVLAiBaseURL"), url},
            {QStringLiteral("QVLTradeBaseURL"), url}};
}

} // namespace

// Sign-in and signed-in sending against the local stand-in of the service, over the real network stack.
class TestSessionEndToEnd : public QObject {
    Q_OBJECT

private:
    DevServer m_server;
    QString m_base;

    QJsonObject bundle() const {
        return {{QStringLiteral("QVLApiBaseURL"), m_base},
                {QStringLiteral("QVLAiBaseURL"), m_base},
                {QStringLiteral("QVLTradeBaseURL"), m_base}};
    }
    static HttpRequest me(AppSession &session) {
        return ApiClient(session).request("GET", QStringLiteral("/api/v1/me"));
    }

private Q_SLOTS:
    void initTestCase() {
        m_server.start(0);
        m_base = QString::fromStdString(m_server.baseUrl());
    }

    void signInAndRenewAnExpiredToken() {
        TestPlatform platform(bundle());
        NetworkTransport network;
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(&network, [](Transport *) {});
        Platform::Override realNetwork(services);
        AppSession session;

        const AuthAPIClient client;
        const SendCodeResponse code = Await::result(client.sendCode(QStringLiteral("13800138000"), session));
        QVERIFY(code.resendAfter > 0);

        try {
            Await::result(client.login(QStringLiteral("13800138000"), QStringLiteral("000000"), session));
            QFAIL("a wrong code must not sign in");
        } catch (const AuthAPIError &error) {
            QCOMPARE(error.status(), 400);
            QVERIFY(!error.errorDescription().isEmpty());
        }

        const LoginResponse grant = Await::result(client.login(
            QStringLiteral("13800138000"), QString::fromStdString(DevServer::smsCode()), session));
        session.storeGrant(grant);
        QVERIFY(session.isLoggedIn());
        const QString firstToken = *session.accessToken();

        const MeResponse before = Await::result(ApiClient(session).send<MeResponse>(me(session)));
        QCOMPARE(before.userId, grant.userId);

        // The server forgets the access token while twenty requests go out at once: all of them are
        // answered 401, one refresh renews the token, and every one succeeds on its second try.
        m_server.expireAccessTokens();
        const int refreshesBefore = m_server.requestCount("/api/v1/auth/refresh");
        std::vector<QCoro::Task<HttpResponse>> requests;
        for (int i = 0; i < 20; ++i)
            requests.push_back(ApiClient(session).data(me(session)));
        for (QCoro::Task<HttpResponse> &request : requests)
            QCOMPARE(Await::result(request).status, 200);
        QCOMPARE(m_server.requestCount("/api/v1/auth/refresh") - refreshesBefore, 1);
        QVERIFY(*session.accessToken() != firstToken);

        // A refused refresh signs the learner out.
        m_server.expireAccessTokens();
        m_server.failNext("/api/v1/auth/refresh", 401);
        QCOMPARE(Await::result(ApiClient(session).data(me(session))).status, 401);
        QVERIFY(!session.isLoggedIn());
    }

    // Requests that still carried the replaced token are refused after the renewal: each is resent with the
    // session's new token, which the session keeps (it was once moved out by the first of them).
    void lateRefusalsAfterARenewalKeepTheToken() {
        TestPlatform platform(bundle());
        RealNetwork real;
        AppSession session;
        session.storeGrant(Await::result(AuthAPIClient().login(
            QStringLiteral("13800138001"), QString::fromStdString(DevServer::smsCode()), session)));
        const HttpRequest stale = me(session);
        m_server.expireAccessTokens();
        Await::result(session.refreshIfNeeded(true));
        const std::optional<QString> renewed = session.accessToken();
        QVERIFY(renewed && !renewed->isEmpty() && *renewed != stale.header("Authorization")->mid(7));

        for (int late = 0; late < 2; ++late) {
            QCOMPARE(Await::result(ApiClient(session).data(stale)).status, 200);
            QCOMPARE(session.accessToken(), renewed);
            QVERIFY(session.isLoggedIn());
        }
        QCOMPARE(Await::result(ApiClient(session).data(me(session))).status, 200);
    }

    // A renewal answered with a redirect to another host sends that host nothing and is a failed renewal:
    // the tokens stay, and the learner stays signed in.
    void aRenewalRedirectedElsewhereFails() {
        LoopbackServer service;
        LoopbackServer elsewhere(QHostAddress(QStringLiteral("127.0.0.2")));
        const QByteArray grant =
            R"({"access_token":"stolen","token_type":"Bearer","expires_in":7200,"user_id":1,"status":"Active"})";
        elsewhere.answer("/api/v1/auth/refresh",
                         LoopbackServer::Answer::fixed("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                                                       "Content-Length: " +
                                                           QByteArray::number(grant.size()),
                                                       grant));
        service.redirect("/api/v1/auth/refresh", 307, elsewhere.url("/api/v1/auth/refresh"));
        TestPlatform platform(bundleFor(service.url()));
        RealNetwork real;
        AppSession session;
        session.setAccessToken(QStringLiteral("access-1"));
        session.setRefreshToken(QStringLiteral("refresh-1"));

        Await::result(session.refreshIfNeeded(true));
        QCOMPARE(service.received().size(), 1);
        QCOMPARE(elsewhere.received().size(), 0);
        QCOMPARE(session.accessToken(), QStringLiteral("access-1"));
        QCOMPARE(session.refreshToken(), QStringLiteral("refresh-1"));
    }

    // A renewal that got no answer says so in the log.
    void aRenewalWithoutAnAnswerIsLoggedAsSuch() {
        DevServer closed;
        const int port = closed.start(0);
        closed.stop();
        TestPlatform platform(bundleFor(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port))));
        RealNetwork real;
        AppSession session;
        session.setRefreshToken(QStringLiteral("refresh-1"));
        g_sessionLog.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectSessionLog);
        Await::result(session.refreshIfNeeded(true));
        qInstallMessageHandler(previous);
        QCOMPARE(g_sessionLog,
                 QStringList{QStringLiteral(
                     "token refresh got no usable answer (no connection); the tokens stay as they are")});
    }

    // Qt ends a request that outlives its timeout as "cancelled"; the learner is told it timed out.
    void aRequestPastItsTimeoutTimesOut() {
        NetworkTransport network;
        m_server.delayNext("/api/v1/me", 2000);
        HttpRequest request = ApiClient(QUrl(m_base), {ApiClient::Base::Api, ApiClient::Auth::None})
                                  .request("GET", QStringLiteral("/api/v1/me"));
        request.timeoutMs = 200;
        try {
            Await::result(network.send(request));
            QFAIL("a request past its timeout must fail");
        } catch (const TransportError &error) {
            QCOMPARE(error.kind(), TransportError::Kind::TimedOut);
            QCOMPARE(error.message(), QStringLiteral("请求超时，请稍后重试"));
        }
    }
};

QTEST_GUILESS_MAIN(TestSessionEndToEnd)
#include "tst_session_e2e.moc"
