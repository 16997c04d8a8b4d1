#include "AppSession.h"
#include "Await.h"
#include "Fixtures.h"
#include "LearningAPIClient.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUrlQuery>

#include <functional>

namespace {

const QString base = QStringLiteral("https://api.test.example/base");

const QJsonValue removed(QJsonValue::Undefined);

// The shared path under the id the tests fetch.
QByteArray pathBody() {
    return Fixtures::patched("learning/path-rational-numbers.json", {{"path_id", 12}});
}

QJsonObject bundleWithBasePath() {
    QJsonObject bundle = TestPlatform::defaultBundle();
    bundle.insert(QStringLiteral("QVLApiBaseURL"), base);
    return bundle;
}

// A valid answer for every learning endpoint, chosen by path.
FakeTransport::Reply validAnswer(const HttpRequest &request) {
    const QString path = request.url.path();
    if (path.endsWith(QStringLiteral("/topic-preview")))
        return FakeTransport::Reply::json(200, Fixtures::json("learning/topic-one-candidate.json"));
    if (path.endsWith(QStringLiteral("/complete")))
        return FakeTransport::Reply::json(200, Fixtures::json("learning/complete.json"));
    if (path.contains(QStringLiteral("/items/")))
        return FakeTransport::Reply::json(200, Fixtures::json("learning/lesson-number-line.json"));
    if (path.endsWith(QStringLiteral("/points")) || path.endsWith(QStringLiteral("/chapters")) ||
        path.endsWith(QStringLiteral("/questions")))
        return FakeTransport::Reply::json(200, R"({"items":[]})");
    if (path.endsWith(QStringLiteral("/question-requests")))
        return FakeTransport::Reply::json(200, Fixtures::json("learning/question-request.json"));
    return FakeTransport::Reply::json(200, pathBody());
}

using Call = std::function<void(const LearningAPIClient &, AppSession &)>;

TopicCandidate candidate(const QString &chapter, const QStringList &codes) {
    TopicCandidate c;
    c.chapterCode = chapter;
    c.chapterName = QStringLiteral("不发送");
    c.kpCodes = codes;
    c.kpNames = codes;
    c.lessons = 9;
    c.estimatedMinutes = 99;
    return c;
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestLearningAPIClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What goes on the wire for each request: method, URL (base path kept, segments and query encoded),
    // headers and the exact body.
    void requestShape_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("body"); // empty: no body and no Content-Type

        const auto wait = [](auto task) { Await::result(std::move(task)); };
        QTest::newRow("topic preview, text unchanged")
            << Call([=](const LearningAPIClient &c, AppSession &s) { wait(c.topicPreview("  ", s)); })
            << QByteArray("POST") << base + "/api/v1/learning-paths/topic-preview"
            << QByteArray(R"({"text":"  "})");
        QTest::newRow("create from chapter")
            << Call([=](const LearningAPIClient &c, AppSession &s) {
                   wait(c.createPathFromChapter("math-g7a-c1", 1, s));
               })
            << QByteArray("POST") << base + "/api/v1/learning-paths"
            << QByteArray(R"({"chapter_id":"math-g7a-c1","goal_type":"chapter","options":{"prefetch":1}})");
        QTest::newRow("create from topic, codes in order")
            << Call([=](const LearningAPIClient &c, AppSession &s) {
                   wait(c.createPathFromTopic(candidate("c1", {"k2", "k1"}), 1, s));
               })
            << QByteArray("POST") << base + "/api/v1/learning-paths"
            << QByteArray(
                   R"({"chapter_id":"c1","goal_type":"topic","kp_codes":["k2","k1"],"options":{"prefetch":1}})");
        QTest::newRow("create from topic without codes")
            << Call([=](const LearningAPIClient &c, AppSession &s) {
                   wait(c.createPathFromTopic(candidate("c1", {}), 1, s));
               })
            << QByteArray("POST") << base + "/api/v1/learning-paths"
            << QByteArray(
                   R"({"chapter_id":"c1","goal_type":"topic","kp_codes":[],"options":{"prefetch":1}})");
        QTest::newRow("fetch path") << Call([=](const LearningAPIClient &c, AppSession &s) {
            wait(c.fetchPath(12, s));
        }) << QByteArray("GET") << base + "/api/v1/learning-paths/12"
                                    << QByteArray();
        QTest::newRow("negative path id")
            << Call([=](const LearningAPIClient &c, AppSession &s) { wait(c.fetchPath(-1, s)); })
            << QByteArray("GET") << base + "/api/v1/learning-paths/-1" << QByteArray();
        QTest::newRow("fetch lesson")
            << Call([=](const LearningAPIClient &c, AppSession &s) { wait(c.fetchItem(12, 345, s)); })
            << QByteArray("GET") << base + "/api/v1/learning-paths/12/items/345" << QByteArray();
        QTest::newRow("complete lesson posts an empty object")
            << Call([=](const LearningAPIClient &c, AppSession &s) { wait(c.completeItem(3, 7, s)); })
            << QByteArray("POST") << base + "/api/v1/learning-paths/3/items/7/complete" << QByteArray("{}");
        QTest::newRow("chapter list through the shared sender") << Call([=](const LearningAPIClient &c,
                                                                            AppSession &s) {
            wait(c.sendLearningRequest<ChapterList>("GET", LearningAPIClient::chaptersPath, std::nullopt, s));
        }) << QByteArray("GET") << base + "/api/v1/knowledge/chapters"
                                                                << QByteArray();
        QTest::newRow("chapter points, code percent-encoded")
            << Call([=](const LearningAPIClient &c, AppSession &s) {
                   wait(c.fetchChapterPoints("a/b c+d?章", s));
               })
            << QByteArray("GET") << base + "/api/v1/knowledge/chapters/a%2Fb%20c%2Bd%3F%E7%AB%A0/points"
            << QByteArray();
        QTest::newRow("question request, body as the caller built it")
            << Call([=](const LearningAPIClient &c, AppSession &s) {
                   wait(c.requestQuestions(QJsonObject{{"kp", "k1"}, {"difficulty", 3}}, s));
               })
            << QByteArray("POST") << base + "/api/v1/practice/question-requests"
            << QByteArray(R"({"difficulty":3,"kp":"k1"})");
        QTest::newRow("practice questions, no type")
            << Call([=](const LearningAPIClient &c, AppSession &s) {
                   wait(c.fetchPracticeQuestions("K", std::nullopt, 3, 5, {11, 12}, s));
               })
            << QByteArray("GET")
            << base + "/api/v1/practice/questions?kp=K&difficulty=3&count=5&exclude=11&exclude=12"
            << QByteArray();
        QTest::newRow("practice questions, type before exclusions, + encoded")
            << Call([=](const LearningAPIClient &c, AppSession &s) {
                   wait(c.fetchPracticeQuestions("k+1 &=", QStringLiteral("single_choice"), 2, 5, {-3}, s));
               })
            << QByteArray("GET")
            << base + "/api/v1/practice/"
                      "questions?kp=k%2B1%20%26%3D&difficulty=2&count=5&qtype=single_choice&exclude=-3"
            << QByteArray();
        QTest::newRow("practice questions, empty type and no exclusions")
            << Call([=](const LearningAPIClient &c, AppSession &s) {
                   wait(c.fetchPracticeQuestions("K", QString(), 3, 5, {}, s));
               })
            << QByteArray("GET")
            << base + "/api/v1/practice/questions?kp=K&difficulty=3&count=5&qtype=" << QByteArray();
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
        call(LearningAPIClient(), session);

        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &sent = platform.transport->requests.first();
        QCOMPARE(sent.method, method);
        QCOMPARE(sent.url.toString(QUrl::FullyEncoded), url);
        QCOMPARE(sent.header("Authorization"), std::optional<QByteArray>("Bearer tok"));
        QCOMPARE(sent.timeoutMs, 60000);
        QCOMPARE(sent.body, body);
        QCOMPARE(sent.header("Content-Type"),
                 body.isEmpty() ? std::nullopt : std::optional<QByteArray>("application/json"));
    }

    void onlyTheFirst200ExclusionsAreSent() {
        TestPlatform platform;
        platform.transport->fallback = validAnswer;
        AppSession session;
        QList<qint64> ids;
        for (qint64 id = 1; id <= 250; ++id)
            ids.append(id * 10);
        Await::result(LearningAPIClient().fetchPracticeQuestions("K", std::nullopt, 3, 5, ids, session));
        const QUrlQuery query(platform.transport->requests.first().url);
        const QStringList sent = query.allQueryItemValues(QStringLiteral("exclude"));
        QCOMPARE(sent.size(), 200);
        QCOMPARE(sent.first(), QStringLiteral("10"));
        QCOMPARE(sent.last(), QStringLiteral("2000"));
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
        const LearningAPIClient client;
        Await::result(client.fetchPath(1, session));
        Await::result(client.fetchPracticeQuestions("K", std::nullopt, 1, 1, {}, session));
        for (const HttpRequest &request : platform.transport->requests)
            QCOMPARE(request.header("Authorization"), header);
    }

    // The shared answer check, in its order.
    void answerCheck_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // "ok", "http", "decoding"
        QTest::addColumn<int>("errorStatus");
        QTest::addColumn<QString>("message");

        QTest::newRow("200") << 200 << pathBody() << "ok" << 0 << "";
        QTest::newRow("299 is a success") << 299 << pathBody() << "ok" << 0 << "";
        QTest::newRow("199 fails") << 199 << pathBody() << "http" << 199 << "请求失败（199）";
        QTest::newRow("300 fails") << 300 << pathBody() << "http" << 300 << "请求失败（300）";
        QTest::newRow("200 with empty body") << 200 << QByteArray() << "decoding" << 0 << "响应格式不正确";
        QTest::newRow("204 with empty body") << 204 << QByteArray() << "decoding" << 0 << "响应格式不正确";
        QTest::newRow("200 without prefetch")
            << 200 << Fixtures::patched("learning/path-rational-numbers.json", {{"prefetch", removed}})
            << "decoding" << 0 << "响应格式不正确";
        QTest::newRow("404 with message")
            << 404 << QByteArray(R"({"code":"path_not_found","message":"学习路径不存在"})") << "http" << 404
            << "学习路径不存在";
        QTest::newRow("404 not JSON") << 404 << QByteArray("<html/>") << "http" << 404 << "请求失败（404）";
        QTest::newRow("404 without message")
            << 404 << QByteArray(R"({"code":"x"})") << "http" << 404 << "请求失败（404）";
        QTest::newRow("empty message stays empty")
            << 400 << QByteArray(R"({"message":""})") << "http" << 400 << "";
        QTest::newRow("message of wrong type")
            << 400 << QByteArray(R"({"message":1})") << "http" << 400 << "请求失败（400）";
        QTest::newRow("502") << 502 << QByteArray() << "http" << 502 << "请求失败（502）";
        QTest::newRow("no HTTP answer") << -1 << QByteArray() << "http" << -1 << "无响应";
    }
    void answerCheck() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(int, errorStatus);
        QFETCH(QString, message);

        TestPlatform platform;
        platform.transport->on("GET", QStringLiteral("/api/v1/learning-paths/12"),
                               FakeTransport::Reply::json(status, body));
        AppSession session;
        try {
            const LearningPathView path = Await::result(LearningAPIClient().fetchPath(12, session));
            QCOMPARE(outcome, QStringLiteral("ok"));
            QCOMPARE(path.pathId, 12);
        } catch (const LearningAPIError &error) {
            QCOMPARE(error.kind() == LearningAPIError::Case::Http ? QStringLiteral("http")
                                                                  : QStringLiteral("decoding"),
                     outcome);
            QCOMPARE(error.status(), errorStatus);
            QCOMPARE(error.errorDescription(), message);
        }
    }

    // The practice-question list has its own check: the status alone makes the message.
    void practiceAnswerCheck_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("message");

        QTest::newRow("empty list") << 200 << QByteArray(R"({"items":[]})") << "ok" << 0 << "";
        QTest::newRow("two questions")
            << 200 << QByteArray(R"({"items":[{"question_id":2},{"question_id":1,"qtype":null}]})") << "ok"
            << 2 << "";
        QTest::newRow("without items") << 200 << QByteArray(R"({})") << "decoding" << 0 << "响应格式不正确";
        QTest::newRow("a broken question")
            << 200 << QByteArray(R"({"items":[{"question_id":"2"}]})") << "decoding" << 0 << "响应格式不正确";
        QTest::newRow("500 with a server message")
            << 500 << QByteArray(R"({"message":"服务器内部错误"})") << "http" << 0 << "取题失败（500）";
        QTest::newRow("404") << 404 << QByteArray() << "http" << 0 << "取题失败（404）";
        QTest::newRow("no HTTP answer") << -1 << QByteArray() << "http" << 0 << "取题失败（-1）";
    }
    void practiceAnswerCheck() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(int, count);
        QFETCH(QString, message);

        TestPlatform platform;
        platform.transport->on("GET", QStringLiteral("/api/v1/practice/questions"),
                               FakeTransport::Reply::json(status, body));
        AppSession session;
        try {
            const QList<VariantQuestion> questions = Await::result(
                LearningAPIClient().fetchPracticeQuestions("K", std::nullopt, 3, 5, {}, session));
            QCOMPARE(outcome, QStringLiteral("ok"));
            QCOMPARE(questions.size(), count);
            if (count == 2)
                QCOMPARE(questions[0].questionId, 2); // the server's order
        } catch (const LearningAPIError &error) {
            QCOMPARE(error.kind() == LearningAPIError::Case::Http ? QStringLiteral("http")
                                                                  : QStringLiteral("decoding"),
                     outcome);
            if (outcome == QStringLiteral("http"))
                QCOMPARE(error.status(), status);
            QCOMPARE(error.errorDescription(), message);
        }
    }

    // A transport failure keeps its kind and text; the practice check's fixed text is for answers only.
    void transportFailuresKeepTheirKind() {
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::error(TransportError::Kind::NoConnection);
        };
        AppSession session;
        const LearningAPIClient client;
        const auto noConnection = [](auto task) {
            try {
                Await::result(std::move(task));
                QFAIL("a transport failure must be thrown");
            } catch (const LearningAPIError &error) {
                QCOMPARE(error.kind(), LearningAPIError::Case::NoConnection);
                QCOMPARE(error.errorDescription(),
                         TransportError::fromKind(TransportError::Kind::NoConnection).message());
            }
        };
        noConnection(client.fetchPath(1, session));
        noConnection(client.fetchPracticeQuestions("K", std::nullopt, 1, 1, {}, session));
    }

    // The server may have recorded the completion, but an answer without "path_status" is not a completion.
    void completionWithoutPathStatusIsADecodingError() {
        TestPlatform platform;
        platform.transport->on(
            "POST", QStringLiteral("/api/v1/learning-paths/3/items/7/complete"),
            FakeTransport::Reply::json(
                200, Fixtures::patched("learning/complete.json", {{"path_status", removed}})));
        AppSession session;
        try {
            Await::result(LearningAPIClient().completeItem(3, 7, session));
            QFAIL("must not decode");
        } catch (const LearningAPIError &error) {
            QCOMPARE(error.kind(), LearningAPIError::Case::Decoding);
            QCOMPARE(error.errorDescription(), QStringLiteral("响应格式不正确"));
        }
    }

    // Requests go through the current session, which renews a refused token once and repeats.
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
        const LearningPathView path = Await::result(LearningAPIClient().fetchPath(12, session));
        QCOMPARE(path.pathId, 12);
        const QList<HttpRequest> fetches =
            platform.transport->requestsTo(QStringLiteral("/api/v1/learning-paths/12"));
        QCOMPARE(fetches.size(), 2);
        QCOMPARE(fetches[1].header("Authorization"), std::optional<QByteArray>("Bearer new"));
        QVERIFY(!fetches[1].hasHeader("Content-Type"));
    }
};

QTEST_GUILESS_MAIN(TestLearningAPIClient)
#include "tst_learningapiclient.moc"
