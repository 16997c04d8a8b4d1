#include "ApiClient.h"
#include "AppSession.h"
#include "Await.h"
#include "ErrorText.h"
#include "Fixtures.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace {

using Reply = FakeTransport::Reply;
using Rules = ApiClient::Rules;
using Check = ApiClient::Check;

const QString path = QStringLiteral("/v1/thing");

// A model with a two-word key, so that the key rule shows in what decodes.
struct Thing {
    QString userName;
    static Thing fromJson(const JsonReader &json) { return {json.string(QStringLiteral("userName"))}; }
};

const QByteArray thingBody = R"({"user_name":"ann"})";

Rules rulesOf(ApiClient::Base base, ApiClient::Auth auth, bool contentTypeAlways, bool emptyTokenSent) {
    return {base, auth, contentTypeAlways, emptyTokenSent, JsonKeys::FromSnakeCase};
}

QStringList headerLines(const HttpRequest &request) {
    QStringList lines;
    for (const auto &[name, value] : request.headers)
        lines << QString::fromUtf8(name + ": " + value);
    return lines;
}

// The outcome of a call as one text: "ok <userName>", "http <status> <message>" or the failure's kind.
QString outcomeOf(QCoro::Task<Thing> task) {
    try {
        return QStringLiteral("ok ") + Await::result(std::move(task)).userName;
    } catch (const ApiError &error) {
        switch (error.kind()) {
        case ApiError::Kind::Http:
            return QStringLiteral("http %1 %2").arg(error.status()).arg(error.message());
        case ApiError::Kind::Decoding:
            return QStringLiteral("decoding");
        case ApiError::Kind::BadServerResponse:
            return QStringLiteral("bad server response");
        case ApiError::Kind::NoConnection:
            return QStringLiteral("no connection");
        case ApiError::Kind::TimedOut:
            return QStringLiteral("timed out");
        case ApiError::Kind::Cancelled:
            return QStringLiteral("cancelled");
        }
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Rules)
Q_DECLARE_METATYPE(Check)
Q_DECLARE_METATYPE(Reply)
Q_DECLARE_METATYPE(std::exception_ptr)

class TestApiClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Base URL, headers in their order, timeout and body, per header rule.
    void requestRules_data() {
        using B = ApiClient::Base;
        using A = ApiClient::Auth;
        QTest::addColumn<Rules>("rules");
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<bool>("withBody");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("headers");

        const std::optional<QString> none;
        const std::optional<QString> empty = QString();
        const std::optional<QString> tok = QStringLiteral("tok");
        const QString api = QStringLiteral("https://api.test.example/base/v1/thing");
        const Rules learning = rulesOf(B::Api, A::Renewing, false, true);
        const Rules account = rulesOf(B::Api, A::Bearer, true, true);
        const Rules media = rulesOf(B::Ai, A::Renewing, false, false);

        QTest::newRow("signed GET") << learning << tok << false << api
                                    << QStringList{"Authorization: Bearer tok"};
        QTest::newRow("signed POST: content type after the token")
            << learning << tok << true << api
            << QStringList{"Authorization: Bearer tok", "Content-Type: application/json"};
        QTest::newRow("empty token still sent")
            << learning << empty << false << api << QStringList{"Authorization: Bearer "};
        QTest::newRow("no token") << learning << none << false << api << QStringList{};
        QTest::newRow("content type always, first")
            << account << tok << true << api
            << QStringList{"Content-Type: application/json", "Authorization: Bearer tok"};
        QTest::newRow("content type always, without a body")
            << account << none << false << api << QStringList{"Content-Type: application/json"};
        QTest::newRow("AI base, empty token omitted")
            << media << empty << false << "https://ai.test.example/ai/v1/thing" << QStringList{};
        QTest::newRow("AI base, token") << media << tok << false << "https://ai.test.example/ai/v1/thing"
                                        << QStringList{"Authorization: Bearer tok"};
        QTest::newRow("trade base") << rulesOf(B::Trade, A::Renewing, false, true) << none << false
                                    << "https://trade.test.example/v1/thing" << QStringList{};
        QTest::newRow("unauthenticated ignores the session's token")
            << rulesOf(B::Api, A::None, false, true) << tok << true << api
            << QStringList{"Content-Type: application/json"};
    }
    void requestRules() {
        QFETCH(Rules, rules);
        QFETCH(std::optional<QString>, token);
        QFETCH(bool, withBody);
        QFETCH(QString, url);
        QFETCH(QStringList, headers);

        TestPlatform platform;
        AppSession session;
        session.setBaseURL(QUrl(QStringLiteral("https://api.test.example/base/")));
        session.setAiBaseURL(QUrl(QStringLiteral("https://ai.test.example/ai")));
        session.setTradeBaseURL(QUrl(QStringLiteral("https://trade.test.example")));
        session.setAccessToken(token);
        const HttpRequest request =
            ApiClient(session, rules)
                .request("POST", path, withBody ? std::optional(QJsonObject{{"b", 1}}) : std::nullopt);
        QCOMPARE(request.url.toString(), url);
        QCOMPARE(headerLines(request), headers);
        QCOMPARE(request.timeoutMs, 60000);
        QCOMPARE(request.body, withBody ? QByteArray(R"({"b":1})") : QByteArray());
    }

    // The answer check chosen per call, and what comes back from a failure below HTTP.
    void answerCheck_data() {
        QTest::addColumn<Check>("check");
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("outcome");

        const Check standard;
        const Check fixed = Check::withFixedText(QStringLiteral("取题失败（%1）"));
        const QByteArray message = R"({"message":"不存在"})";
        QTest::newRow("2xx decodes") << standard << Reply::json(201, thingBody) << "ok ann";
        QTest::newRow("wrong shape") << standard << Reply::json(200, "{}") << "decoding";
        QTest::newRow("server message") << standard << Reply::json(404, message) << "http 404 不存在";
        QTest::newRow("no message") << standard << Reply::json(500, "<html>") << "http 500 请求失败（500）";
        QTest::newRow("no HTTP answer") << standard << Reply::json(-1, thingBody) << "http -1 无响应";
        QTest::newRow("fixed text, body unread")
            << fixed << Reply::json(404, message) << "http 404 取题失败（404）";
        QTest::newRow("fixed text, no HTTP answer")
            << fixed << Reply::json(-1, {}) << "http -1 取题失败（-1）";
        QTest::newRow("only 200") << Check::onlyStatus(200) << Reply::json(201, thingBody)
                                  << "http 201 请求失败（201）";
        QTest::newRow("timed out") << standard << Reply::error(TransportError::Kind::TimedOut) << "timed out";
        QTest::newRow("cancelled") << standard << Reply::error(TransportError::Kind::Cancelled)
                                   << "cancelled";
        QTest::newRow("other transport failure")
            << standard << Reply::error(TransportError::Kind::Other) << "no connection";
    }
    void answerCheck() {
        QFETCH(Check, check);
        QFETCH(Reply, reply);
        QFETCH(QString, outcome);
        TestPlatform platform;
        platform.transport->on("GET", path, reply);
        AppSession session;
        const ApiClient client(session);
        QCOMPARE(outcomeOf(client.send<Thing>(client.request("GET", path), check)), outcome);
    }

    // Renewal goes through the session the client was given, even when a later session is the current one.
    void renewsThroughTheGivenSession() {
        TestPlatform platform;
        AppSession given;
        given.setAccessToken(QStringLiteral("old"));
        given.setRefreshToken(QStringLiteral("rt-given"));
        AppSession later;
        later.setAccessToken(QStringLiteral("other"));
        later.setRefreshToken(QStringLiteral("rt-later"));
        QCOMPARE(AppSession::current(), &later);
        platform.transport->on(
            "POST", QStringLiteral("/api/v1/auth/refresh"),
            Reply::json(200, Fixtures::patched("auth/grant.json", {{"access_token", "new"}})));
        platform.transport->fallback = [](const HttpRequest &request) {
            return request.header("Authorization") == "Bearer new" ? Reply::json(200, thingBody)
                                                                   : Reply::json(401, "{}");
        };

        const ApiClient client(given);
        QCOMPARE(outcomeOf(client.send<Thing>(client.request("GET", path))), QStringLiteral("ok ann"));
        const QList<HttpRequest> refreshes =
            platform.transport->requestsTo(QStringLiteral("/api/v1/auth/refresh"));
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(QJsonDocument::fromJson(refreshes[0].body)["refresh_token"].toString(),
                 QStringLiteral("rt-given"));
        QCOMPARE(given.accessToken(), std::optional<QString>(QStringLiteral("new")));
        QCOMPARE(later.accessToken(), std::optional<QString>(QStringLiteral("other")));

        // A bearer client never renews: its 401 is the answer.
        const ApiClient straight(given, rulesOf(ApiClient::Base::Api, ApiClient::Auth::Bearer, false, true));
        given.setAccessToken(QStringLiteral("stale"));
        QCOMPARE(outcomeOf(straight.send<Thing>(straight.request("GET", path))),
                 QStringLiteral("http 401 请求失败（401）"));
        QCOMPARE(platform.transport->requestsTo(QStringLiteral("/api/v1/auth/refresh")).size(), 1);
    }

    // Everything needed after the first wait is held by the call: the client may go at once.
    void aClientGoneRightAfterSendingStillCompletes_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("key rule kept") << Reply::json(200, thingBody).after(20) << "ok ann";
        QTest::newRow("check kept") << Reply::json(500, "{}").after(20) << "http 500 失败 500";
    }
    void aClientGoneRightAfterSendingStillCompletes() {
        QFETCH(Reply, reply);
        QFETCH(QString, outcome);
        TestPlatform platform;
        platform.transport->on("GET", path, reply);
        AppSession session;
        auto client = std::make_unique<ApiClient>(session);
        QCoro::Task<Thing> task = client->send<Thing>(client->request("GET", path),
                                                      Check::withFixedText(QStringLiteral("失败 %1")));
        client.reset();
        QCOMPARE(outcomeOf(std::move(task)), outcome);
    }

    // What a screen shows for each kind of failure; nothing for a cancellation.
    void errorTexts_data() {
        QTest::addColumn<std::exception_ptr>("failure");
        QTest::addColumn<std::optional<QString>>("text");
        const auto transport = [](TransportError::Kind kind) {
            return std::make_exception_ptr(TransportError::fromKind(kind));
        };
        const std::optional<QString> nothing;

        QTest::newRow("http") << std::make_exception_ptr(
                                     ApiError::http(404, QStringLiteral("学习路径不存在")))
                              << std::optional<QString>(QStringLiteral("学习路径不存在"));
        QTest::newRow("decoding") << std::make_exception_ptr(ApiError::decoding())
                                  << std::optional<QString>(QStringLiteral("响应格式不正确"));
        QTest::newRow("cancelled call") << std::make_exception_ptr(ApiError::transport(
                                               TransportError::fromKind(TransportError::Kind::Cancelled)))
                                        << nothing;
        QTest::newRow("cancelled stream") << transport(TransportError::Kind::Cancelled) << nothing;
        QTest::newRow("timed out stream") << transport(TransportError::Kind::TimedOut)
                                          << std::optional<QString>(QStringLiteral("请求超时，请稍后重试"));
        QTest::newRow("no connection")
            << transport(TransportError::Kind::NoConnection)
            << std::optional<QString>(QStringLiteral("网络连接失败，请检查网络后重试"));
        QTest::newRow("raw decode failure")
            << std::make_exception_ptr(JsonDecodeError(QStringLiteral("items"), QStringLiteral("missing")))
            << std::optional<QString>(QStringLiteral("响应格式不正确"));
        QTest::newRow("unknown exception") << std::make_exception_ptr(std::runtime_error("boom"))
                                           << std::optional<QString>(QStringLiteral("请求失败，请稍后重试"));
        QTest::newRow("not an exception")
            << std::make_exception_ptr(42) << std::optional<QString>(QStringLiteral("请求失败，请稍后重试"));
        QTest::newRow("no failure") << std::exception_ptr() << nothing;
    }
    void errorTexts() {
        QFETCH(std::exception_ptr, failure);
        QFETCH(std::optional<QString>, text);
        QCOMPARE(errorText(failure), text);
    }
};

QTEST_GUILESS_MAIN(TestApiClient)
#include "tst_apiclient.moc"
