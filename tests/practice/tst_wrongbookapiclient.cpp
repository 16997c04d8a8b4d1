#include "AppSession.h"
#include "Await.h"
#include "ErrorText.h"
#include "Fixtures.h"
#include "TestPlatform.h"
#include "WrongBookAPIClient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>

namespace {

const QString base = QStringLiteral("https://api.test.example/base");

const QByteArray entryJson = R"({"wrong_item_id":42,"kp_code":"k1","kp_name":"正数和负数","state":"active",)"
                             R"("correct_streak":0,"due":false})";
const QByteArray answerJson = R"({"question_id":7,"correct":true})";
const QByteArray listJson = R"({"items":[)" + entryJson + "]}";
const QByteArray variantsJson = R"({"wrong_item_id":42,"items":[],"insufficient":true})";
const QByteArray matchJson = R"({"matched":false})";

QJsonObject bundleWithBasePath() {
    QJsonObject bundle = TestPlatform::defaultBundle();
    bundle.insert(QStringLiteral("QVLApiBaseURL"), base);
    return bundle;
}

// A valid answer for every endpoint, chosen by method and path.
FakeTransport::Reply validAnswer(const HttpRequest &request) {
    const QString path = request.url.path();
    if (request.method == "DELETE")
        return FakeTransport::Reply::json(204, {});
    if (path.endsWith(QStringLiteral("/answers")))
        return FakeTransport::Reply::json(200, answerJson);
    if (path.endsWith(QStringLiteral("/variants")))
        return FakeTransport::Reply::json(200, variantsJson);
    if (path.endsWith(QStringLiteral("/match")))
        return FakeTransport::Reply::json(200, matchJson);
    return FakeTransport::Reply::json(200, listJson);
}

using Call = std::function<void(const WrongBookAPIClient &, AppSession &)>;

template <typename T>
void wait(QCoro::Task<T> task) {
    Await::result(task);
}

Call submit(qint64 id, const QString &answer, const QString &source) {
    return [=](const WrongBookAPIClient &c, AppSession &s) { wait(c.submitAnswer(id, answer, source, s)); };
}
Call list(const QString &state, bool due) {
    return [=](const WrongBookAPIClient &c, AppSession &s) { wait(c.listWrongItems(state, due, s)); };
}
Call remove(qint64 id) {
    return [=](const WrongBookAPIClient &c, AppSession &s) { wait(c.deleteWrongItem(id, s)); };
}
Call variants(qint64 id) {
    return [=](const WrongBookAPIClient &c, AppSession &s) { wait(c.fetchVariants(id, s)); };
}
Call match(const QString &stem) {
    return [=](const WrongBookAPIClient &c, AppSession &s) { wait(c.matchStem(stem, s)); };
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestWrongBookAPIClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What goes on the wire for each call: method, URL (base path kept, query in its order), headers, body.
    void requestShape_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("body"); // empty: no body and no Content-Type

        QTest::newRow("answer from the review screen")
            << submit(7, QStringLiteral("C"), QStringLiteral("review")) << QByteArray("POST")
            << base + "/api/v1/practice/answers"
            << QByteArray(R"({"answer":"C","question_id":7,"source":"review"})");
        QTest::newRow("typed answer sent as typed")
            << submit(900121, QStringLiteral(" x = 3 \"引号\""), QStringLiteral("practice"))
            << QByteArray("POST") << base + "/api/v1/practice/answers"
            << QByteArray(
                   "{\"answer\":\" x = 3 \\\"引号\\\"\",\"question_id\":900121,\"source\":\"practice\"}");
        QTest::newRow("64-bit question id")
            << submit(Q_INT64_C(9007199254740993), QStringLiteral("A"), QStringLiteral("practice"))
            << QByteArray("POST") << base + "/api/v1/practice/answers"
            << QByteArray(R"({"answer":"A","question_id":9007199254740993,"source":"practice"})");
        QTest::newRow("list, the list screen's first state")
            << list(QStringLiteral("active"), false) << QByteArray("GET")
            << base + "/api/v1/wrong-book?state=active&due=false" << QByteArray();
        QTest::newRow("list, due only")
            << list(QStringLiteral("mastered"), true) << QByteArray("GET")
            << base + "/api/v1/wrong-book?state=mastered&due=true" << QByteArray();
        QTest::newRow("list, state encoded")
            << list(QStringLiteral("a+b &c=d"), false) << QByteArray("GET")
            << base + "/api/v1/wrong-book?state=a%2Bb%20%26c%3Dd&due=false" << QByteArray();
        QTest::newRow("delete 42") << remove(42) << QByteArray("DELETE") << base + "/api/v1/wrong-book/42"
                                   << QByteArray();
        QTest::newRow("delete, 64-bit id") << remove(Q_INT64_C(9007199254740993)) << QByteArray("DELETE")
                                           << base + "/api/v1/wrong-book/9007199254740993" << QByteArray();
        QTest::newRow("variants") << variants(42) << QByteArray("GET")
                                  << base + "/api/v1/wrong-book/42/variants" << QByteArray();
        QTest::newRow("variants, negative id")
            << variants(-3) << QByteArray("GET") << base + "/api/v1/wrong-book/-3/variants" << QByteArray();
        QTest::newRow("photo match, the stem as given")
            << match(QStringLiteral(" 求 x：2x+1=5 ")) << QByteArray("POST")
            << base + "/api/v1/practice/questions/match" << QByteArray(R"({"stem_text":" 求 x：2x+1=5 "})");
    }
    void requestShape() {
        QFETCH(Call, call);
        QFETCH(QByteArray, method);
        QFETCH(QString, url);
        QFETCH(QByteArray, body);

        TestPlatform platform(bundleWithBasePath());
        platform.transport->fallback = validAnswer;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        call(WrongBookAPIClient(), session);

        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &sent = platform.transport->requests.first();
        QCOMPARE(sent.method, method);
        QCOMPARE(sent.url.toString(QUrl::FullyEncoded), url);
        QCOMPARE(sent.header("Authorization"), std::optional<QByteArray>("Bearer tok"));
        QCOMPARE(sent.timeoutMs, 60000);
        QCOMPARE(sent.body, body);
        QCOMPARE(sent.header("Content-Type"),
                 body.isEmpty() ? std::nullopt : std::optional<QByteArray>("application/json"));
        if (!body.isEmpty()) // exactly the keys expected, the id a number
            QCOMPARE(QJsonDocument::fromJson(sent.body).object().size(),
                     QJsonDocument::fromJson(body).object().size());
    }

    void tokenOnlyWhenTheSessionHasOne_data() {
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<std::optional<QByteArray>>("header");
        QTest::newRow("token") << std::optional<QString>("abc") << std::optional<QByteArray>("Bearer abc");
        QTest::newRow("empty token") << std::optional<QString>(QString())
                                     << std::optional<QByteArray>("Bearer ");
        QTest::newRow("none") << std::optional<QString>() << std::optional<QByteArray>();
    }
    void tokenOnlyWhenTheSessionHasOne() {
        QFETCH(std::optional<QString>, token);
        QFETCH(std::optional<QByteArray>, header);
        TestPlatform platform;
        platform.transport->fallback = validAnswer;
        AppSession session;
        session.setAccessToken(token);
        const WrongBookAPIClient client;
        for (const Call &call :
             {submit(1, "A", "practice"), list("active", false), remove(1), variants(1), match("x")})
            call(client, session);
        QCOMPARE(platform.transport->requests.size(), 5);
        for (const HttpRequest &request : platform.transport->requests)
            QCOMPARE(request.header("Authorization"), header);
    }

    // Every call's answer check: the status alone decides, the server's message or the status text for a
    // failure, the decoding error for a success body of the wrong shape; a delete never reads its body.
    void answerCheck_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // "ok", "http", "decoding"
        QTest::addColumn<QString>("message");

        const struct {
            const char *name;
            Call call;
            const char *path;
            QByteArray valid;
        } calls[] = {
            {"submit", submit(7, "A", "practice"), "/api/v1/practice/answers", answerJson},
            {"list", list("active", false), "/api/v1/wrong-book", listJson},
            {"delete", remove(42), "/api/v1/wrong-book/42", QByteArray()},
            {"variants", variants(42), "/api/v1/wrong-book/42/variants", variantsJson},
        };
        for (const auto &c : calls) {
            const bool reads = !c.valid.isEmpty();
            const auto row = [&](const char *what, int status, const QByteArray &body, const char *outcome,
                                 const QString &message) {
                QTest::addRow("%s, %s", c.name, what) << c.call << QString::fromLatin1(c.path) << status
                                                      << body << QString::fromLatin1(outcome) << message;
            };
            row("200", 200, reads ? c.valid : QByteArray("whatever"), "ok", {});
            row("299", 299, c.valid, "ok", {});
            row("204 empty", 204, {}, reads ? "decoding" : "ok", reads ? "响应格式不正确" : "");
            row("200 not JSON", 200, "<html/>", reads ? "decoding" : "ok", reads ? "响应格式不正确" : "");
            row("200 empty object", 200, "{}", reads ? "decoding" : "ok", reads ? "响应格式不正确" : "");
            row("300", 300, c.valid, "http", QStringLiteral("请求失败（300）"));
            row("400 with message", 400, R"({"code":"invalid_request","message":"答案不能为空"})", "http",
                QStringLiteral("答案不能为空"));
            row("404 code only", 404, R"({"code":"not_found"})", "http", QStringLiteral("请求失败（404）"));
            row("404 with message", 404, R"({"message":"错题不存在"})", "http", QStringLiteral("错题不存在"));
            row("404 empty message", 404, R"({"message":""})", "http", QString(""));
            row("500 not JSON", 500, "Internal Server Error", "http", QStringLiteral("请求失败（500）"));
            row("no HTTP answer", -1, {}, "http", QStringLiteral("无响应"));
        }
    }
    void answerCheck() {
        QFETCH(Call, call);
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(QString, message);

        TestPlatform platform;
        platform.transport->fallback = [=](const HttpRequest &request) {
            return request.url.path() == path ? FakeTransport::Reply::json(status, body)
                                              : FakeTransport::Reply::json(599, "unexpected path");
        };
        AppSession session;
        try {
            call(WrongBookAPIClient(), session);
            QCOMPARE(QStringLiteral("ok"), outcome);
        } catch (const ApiError &error) {
            QCOMPARE(error.kind() == ApiError::Kind::Http ? QStringLiteral("http")
                                                          : QStringLiteral("decoding"),
                     outcome);
            QCOMPARE(error.status(), outcome == QStringLiteral("http") ? status : 0);
            QCOMPARE(error.errorDescription(), message);
            QCOMPARE(errorText(std::current_exception()), std::optional<QString>(message));
        }
    }

    // The decoded answers as the server sent them, a 64-bit id unrounded.
    void answersDecode() {
        TestPlatform platform;
        platform.transport->on(
            "POST", QStringLiteral("/api/v1/practice/answers"),
            FakeTransport::Reply::json(200, R"({"question_id":9007199254740993,"correct":false,)"
                                            R"("correct_answer":{"value":"B"},"wrong_item":)" +
                                                entryJson + "}"));
        platform.transport->on("GET", QStringLiteral("/api/v1/wrong-book"),
                               FakeTransport::Reply::json(200, listJson));
        AppSession session;
        const WrongBookAPIClient client;
        const AnswerResultResponse answer =
            Await::result(client.submitAnswer(Q_INT64_C(9007199254740993), "A", "practice", session));
        QCOMPARE(answer.questionId, Q_INT64_C(9007199254740993));
        QCOMPARE(answer.correctAnswer->value, std::optional<QString>("B"));
        QCOMPARE(answer.wrongItem->wrongItemId, 42);
        const WrongBookList entries = Await::result(client.listWrongItems("active", false, session));
        QCOMPARE(entries.items.size(), 1);
        QCOMPARE(entries.items.first(), *answer.wrongItem);
    }

    // Transport failures keep their kind and text.
    void transportFailuresKeepTheirKind() {
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::error(TransportError::Kind::TimedOut);
        };
        AppSession session;
        try {
            Await::result(WrongBookAPIClient().deleteWrongItem(1, session));
            QFAIL("a transport failure must be thrown");
        } catch (const ApiError &error) {
            QCOMPARE(error.kind(), ApiError::Kind::TimedOut);
        }
    }

    // Requests go through the session, which renews a refused token once and repeats.
    void refusedTokenIsRenewedOnce() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("old"));
        session.setRefreshToken(QStringLiteral("rt"));
        platform.transport->on(
            "POST", QStringLiteral("/api/v1/auth/refresh"),
            FakeTransport::Reply::json(200, Fixtures::patched("auth/grant.json", {{"access_token", "new"}})));
        platform.transport->fallback = [](const HttpRequest &request) {
            return request.header("Authorization") == "Bearer new"
                       ? validAnswer(request)
                       : FakeTransport::Reply::json(401, R"({"message":"登录已失效"})");
        };
        Await::result(WrongBookAPIClient().submitAnswer(7, "A", "review", session));
        const QList<HttpRequest> sent =
            platform.transport->requestsTo(QStringLiteral("/api/v1/practice/answers"));
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[1].header("Authorization"), std::optional<QByteArray>("Bearer new"));
        QCOMPARE(sent[1].body, sent[0].body);
    }
};

QTEST_GUILESS_MAIN(TestWrongBookAPIClient)
#include "tst_wrongbookapiclient.moc"
