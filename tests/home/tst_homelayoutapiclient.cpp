#include "AppSession.h"
#include "Await.h"
#include "ErrorText.h"
#include "HomeLayoutAPIClient.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QTest>

#include <functional>

namespace {

const QString base = QStringLiteral("https://api.test.example/base");
const QByteArray layoutJson = R"({"layout":{"schemaVersion":"1.1","layoutId":"home","revision":4,)"
                              R"("slots":{"grid":[{"id":"c1","type":"Inbox","size":"M"}]}}})";

QJsonObject bundleWithBasePath() {
    QJsonObject bundle = TestPlatform::defaultBundle();
    bundle.insert(QStringLiteral("QVLApiBaseURL"), base);
    return bundle;
}

using Call = std::function<HomeLayoutResponse(AppSession &)>;

Call fetch() {
    return [](AppSession &s) { return Await::result(HomeLayoutAPIClient().fetchHomeLayout(s)); };
}
Call put(qint64 revision, QStringList order, QStringList hidden, QMap<QString, QString> sizes) {
    return [=](AppSession &s) {
        return Await::result(HomeLayoutAPIClient().putHomeLayoutOverrides(revision, order, hidden, sizes, s));
    };
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestHomeLayoutAPIClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestShape_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("url");
        QTest::addColumn<std::optional<QByteArray>>("authorization");
        QTest::addColumn<QByteArray>("body"); // empty: no body and no Content-Type
        using T = std::optional<QString>;
        using A = std::optional<QByteArray>;
        const QString layoutUrl = base + "/api/v1/layouts/home";
        const QString overridesUrl = base + "/api/v1/layouts/home/overrides";
        QTest::newRow("fetch") << fetch() << T("tok") << QByteArray("GET") << layoutUrl << A("Bearer tok")
                               << QByteArray();
        QTest::newRow("fetch, empty token")
            << fetch() << T("") << QByteArray("GET") << layoutUrl << A("Bearer ") << QByteArray();
        QTest::newRow("fetch, no token")
            << fetch() << T() << QByteArray("GET") << layoutUrl << A() << QByteArray();
        QTest::newRow("put, nothing chosen")
            << put(7, {}, {}, {}) << T("tok") << QByteArray("PUT") << overridesUrl << A("Bearer tok")
            << QByteArray(R"({"overrides":{"hidden":[],"order":[],"sizes":{}},"revision":7})");
        QTest::newRow("put, everything")
            << put(Q_INT64_C(9007199254740993), {"b", "a"}, {"c"}, {{"a", "S"}, {"b", "XL"}}) << T()
            << QByteArray("PUT") << overridesUrl << A()
            << QByteArray(R"({"overrides":{"hidden":["c"],"order":["b","a"],"sizes":{"a":"S","b":"XL"}},)"
                          R"("revision":9007199254740993})");
    }
    void requestShape() {
        QFETCH(Call, call);
        QFETCH(std::optional<QString>, token);
        QFETCH(QByteArray, method);
        QFETCH(QString, url);
        QFETCH(std::optional<QByteArray>, authorization);
        QFETCH(QByteArray, body);

        TestPlatform platform(bundleWithBasePath());
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(200, layoutJson);
        };
        AppSession session;
        session.setAccessToken(token);
        const HomeLayoutResponse answer = call(session);
        QCOMPARE(answer.layout.revision, 4);

        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &sent = platform.transport->requests.first();
        QCOMPARE(sent.method, method);
        QCOMPARE(sent.url.toString(QUrl::FullyEncoded), url);
        QCOMPARE(sent.header("Authorization"), authorization);
        QCOMPARE(sent.timeoutMs, 60000);
        QCOMPARE(sent.body, body);
        QCOMPARE(sent.header("Content-Type"),
                 body.isEmpty() ? std::nullopt : std::optional<QByteArray>("application/json"));
    }

    // How each answer comes back: the layout, the server's message, the status text, the bad-response error
    // or the decoder's own error.
    void answerCheck_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // "ok", "http <status>", "bad response", "decoder"
        QTest::addColumn<QString>("text");    // what a screen shows
        const struct {
            const char *name;
            Call call;
        } calls[] = {{"fetch", fetch()}, {"put", put(1, {"a"}, {}, {})}};
        for (const auto &c : calls) {
            const auto row = [&](const char *what, int status, const QByteArray &body, const QString &outcome,
                                 const QString &text) {
                QTest::addRow("%s, %s", c.name, what) << c.call << status << body << outcome << text;
            };
            row("200", 200, layoutJson, "ok", {});
            row("201", 201, layoutJson, "ok", {});
            row("200 snake case", 200,
                R"({"layout":{"schema_version":"1","layout_id":"home","revision":1,"slots":{"grid":[]}}})",
                "decoder", "响应格式不正确");
            row("200 empty", 200, "", "decoder", "响应格式不正确");
            row("409 with message", 409,
                R"({"code":"revision_conflict","message":"布局已在别处更新，请刷新后再改"})", "http 409",
                "布局已在别处更新，请刷新后再改");
            row("500 with message", 500, R"({"message":"服务暂时不可用"})", "http 500", "服务暂时不可用");
            row("500 empty object", 500, "{}", "http 500", "请求失败（500）");
            row("500 html page", 500, "<html>oops</html>", "bad response", "服务器响应异常");
            row("502 empty body", 502, "", "bad response", "服务器响应异常");
            row("no HTTP answer", -1, "", "bad response", "服务器响应异常");
        }
    }
    void answerCheck() {
        QFETCH(Call, call);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(QString, text);

        TestPlatform platform;
        platform.transport->fallback = [=](const HttpRequest &) {
            return FakeTransport::Reply::json(status, body);
        };
        AppSession session;
        QString got;
        try {
            call(session);
            got = QStringLiteral("ok");
        } catch (const ApiError &error) {
            got = error.kind() == ApiError::Kind::Http ? QStringLiteral("http %1").arg(error.status())
                  : error.kind() == ApiError::Kind::BadServerResponse ? QStringLiteral("bad response")
                                                                      : QStringLiteral("other");
            QCOMPARE(errorText(std::current_exception()), std::optional<QString>(text));
        } catch (const JsonDecodeError &) {
            got = QStringLiteral("decoder");
            QCOMPARE(errorText(std::current_exception()), std::optional<QString>(text));
        }
        QCOMPARE(got, outcome);
    }

    void transportFailuresKeepTheirKind() {
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::error(TransportError::Kind::TimedOut);
        };
        AppSession session;
        try {
            fetch()(session);
            QFAIL("a transport failure must be thrown");
        } catch (const ApiError &error) {
            QCOMPARE(error.kind(), ApiError::Kind::TimedOut);
        }
    }
};

QTEST_GUILESS_MAIN(TestHomeLayoutAPIClient)
#include "tst_homelayoutapiclient.moc"
