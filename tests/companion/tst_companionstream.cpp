#include "AppSession.h"
#include "Await.h"
#include "CompanionChatClient.h"
#include "Fixtures.h"
#include "LoopbackServer.h"
#include "RealNetwork.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QTimer>

namespace {

using namespace CompanionEvents;

const QString chatPath = QStringLiteral("/ai/v1/companion/chat:stream");

// One event as a short line, so that a table row states a whole reply.
QString describe(const CompanionEvent &event) {
    return std::visit(
        [](const auto &e) -> QString {
            using T = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<T, Delta>)
                return "delta " + e.text;
            else if constexpr (std::is_same_v<T, ToolCall>)
                return "tool " + e.skill;
            else if constexpr (std::is_same_v<T, Confirm>) {
                QStringList args;
                for (auto it = e.args.begin(); it != e.args.end(); ++it)
                    args << it.key() + "=" + it.value();
                return "confirm " + e.skill + " | " + e.title + " | " + args.join(", ");
            } else if constexpr (std::is_same_v<T, Crisis>) {
                QStringList lines;
                for (const Hotline &h : e.hotlines)
                    lines << h.name + "/" + h.number;
                return "crisis " + e.text + " | " + lines.join(", ");
            } else if constexpr (std::is_same_v<T, Error>)
                return "error " + e.code + " | " + e.message;
            else if constexpr (std::is_same_v<T, Done>)
                return QStringLiteral("done %1 %2 %3 %4")
                    .arg(e.model.value_or("-"), e.degraded ? "degraded" : "ok", e.location.value_or("-"),
                         e.language.value_or("-"));
            else if constexpr (std::is_same_v<T, Hint>)
                return QStringLiteral("hint %1/%2 %3").arg(e.level).arg(e.maxLevel).arg(e.label);
            else {
                QStringList items;
                for (const Citation &c : e.items)
                    items << QStringLiteral("%1:%2:%3:%4").arg(c.index).arg(c.source, c.title, c.snippet);
                return "citation " + items.join(", ");
            }
        },
        event.value);
}

QString describe(const std::optional<CompanionEvent> &event) {
    return event ? describe(*event) : QStringLiteral("nothing");
}

CompanionTurn turnWithHistory(int entries, int textLength = 5) {
    CompanionTurn turn{QStringLiteral("问题"), 2, {}, QStringLiteral("auto"), {}, {}, {}};
    for (int i = 0; i < entries; ++i)
        turn.history.append({i % 2 ? QStringLiteral("assistant") : QStringLiteral("user"),
                             QString::number(i) + QString(textLength, u'字')});
    return turn;
}

struct Outcome {
    QStringList events;
    std::optional<ApiError> failure;
};

Outcome readAll(CompanionChatStream &stream) {
    Outcome outcome;
    try {
        while (true) {
            auto next = stream.next();
            const std::optional<CompanionEvent> event = Await::result(next);
            if (!event)
                break;
            outcome.events << describe(*event);
        }
    } catch (const ApiError &error) {
        outcome.failure = error;
    }
    return outcome;
}

} // namespace

class TestCompanionStream : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("event");

        QTest::newRow("delta") << "delta" << QByteArray(R"({"text":"你好"})") << "delta 你好";
        QTest::newRow("delta without text") << "delta" << QByteArray("{}") << "delta ";
        QTest::newRow("delta with a number") << "delta" << QByteArray(R"({"text":5})") << "delta ";
        QTest::newRow("tool call") << "tool_call" << QByteArray(R"({"skill":"search"})") << "tool search";
        QTest::newRow("confirm, only a skill")
            << "confirm" << QByteArray(R"({"skill":"path.create"})") << "confirm path.create | 确认操作 | ";
        QTest::newRow("confirm args of every type")
            << "confirm"
            << QByteArray(R"({"skill":"x","title":"T","args":{"chapter_id":12,"f":2.5,"b":true,"n":null,)"
                          R"("a":[1,"x"],"o":{"k":1},"s":"text","big":1e300,"neg":-3}})")
            << "confirm x | T | a=[1,\"x\"], b=true, big=1e+300, chapter_id=12, f=2.5, n=, neg=-3, "
               "o={\"k\":1}, "
               "s=text";
        QTest::newRow("confirm args not an object")
            << "confirm" << QByteArray(R"({"skill":"x","args":[1]})") << "confirm x | 确认操作 | ";
        QTest::newRow("crisis with hotlines")
            << "crisis"
            << QByteArray(
                   R"({"text":"别怕","hotlines":[{"name":"热线","number":"400 161 9995"},{"name":"B"}]})")
            << "crisis 别怕 | 热线/400 161 9995, B/";
        QTest::newRow("crisis, a hotline that is a string empties the list")
            << "crisis"
            << QByteArray(R"({"text":"t","hotlines":[{"name":"a","number":"1"},{"name":"b"},"c"]})")
            << "crisis t | ";
        QTest::newRow("crisis, a numeric number reads as empty")
            << "crisis" << QByteArray(R"({"hotlines":[{"name":"a","number":110}]})") << "crisis  | a/";
        QTest::newRow("error without message") << "error" << QByteArray("{}") << "error  | 出错了";
        QTest::newRow("error") << "error" << QByteArray(R"({"code":"busy","message":"忙"})")
                               << "error busy | 忙";
        QTest::newRow("hint empty") << "hint" << QByteArray("{}") << "hint 1/3 ";
        QTest::newRow("hint level as text") << "hint" << QByteArray(R"({"level":"2"})") << "hint 1/3 ";
        QTest::newRow("hint full") << "hint" << QByteArray(R"({"level":2,"max_level":4,"label":"关键"})")
                                   << "hint 2/4 关键";
        QTest::newRow("hint fraction") << "hint" << QByteArray(R"({"level":2.5})") << "hint 1/3 ";
        QTest::newRow("citation without index")
            << "citation" << QByteArray(R"({"items":[{"title":"a"}]})") << "nothing";
        QTest::newRow("citation, one of three has an index")
            << "citation"
            << QByteArray(R"({"items":[{"title":"a"},{"index":2,"title":"b","source":"s"},{}]})")
            << "citation 2:s:b:";
        QTest::newRow("citation items not objects")
            << "citation" << QByteArray(R"({"items":[{"index":1},2]})") << "nothing";
        QTest::newRow("citation without items") << "citation" << QByteArray("{}") << "nothing";
        QTest::newRow("done empty") << "done" << QByteArray("{}") << "done - ok - -";
        QTest::newRow("done full")
            << "done" << QByteArray(R"({"model":"m","degraded":true,"location":"cn","language":"en-US"})")
            << "done m degraded cn en-US";
        QTest::newRow("done mistyped")
            << "done" << QByteArray(R"({"degraded":1,"language":7})") << "done - ok - -";
        QTest::newRow("array payload") << "delta" << QByteArray(R"(["a"])") << "nothing";
        QTest::newRow("string payload") << "delta" << QByteArray(R"("a")") << "nothing";
        QTest::newRow("number payload") << "done" << QByteArray("3") << "nothing";
        QTest::newRow("not JSON") << "delta" << QByteArray("{text") << "nothing";
        // Malformed data that Qt's reader alone would take as an object.
        QTest::newRow("raw tab in a string") << "delta" << QByteArray("{\"text\":\"a\tb\"}") << "nothing";
        QTest::newRow("unknown escape") << "delta" << QByteArray(R"({"text":"\x41"})") << "nothing";
        QTest::newRow("number ending in a point")
            << "hint" << QByteArray(R"({"level":2.,"label":"a"})") << "nothing";
        QTest::newRow("capitalised name") << "Delta" << QByteArray(R"({"text":"a"})") << "nothing";
        QTest::newRow("empty name") << "" << QByteArray(R"({"text":"a"})") << "nothing";
        QTest::newRow("name with a trailing space") << "delta " << QByteArray(R"({"text":"a"})") << "nothing";
    }
    void decode() {
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        QFETCH(QString, event);
        QCOMPARE(describe(CompanionEvent::decode(name, data)), event);
    }

    void requestBody_data() {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("textLength");
        QTest::addColumn<int>("sent");
        QTest::addColumn<QString>("firstSentText");

        QTest::newRow("15 entries send the last 12") << 15 << 3 << 12 << QStringLiteral("3字字字");
        QTest::newRow("3 entries send all") << 3 << 3 << 3 << QStringLiteral("0字字字");
        QTest::newRow("none") << 0 << 3 << 0 << QString();
        QTest::newRow("2500 characters are cut to 2000") << 1 << 2499 << 1 << "0" + QString(1999, u'字');
        QTest::newRow("2000 characters stay whole") << 1 << 1999 << 1 << "0" + QString(1999, u'字');
    }
    void requestBody() {
        QFETCH(int, entries);
        QFETCH(int, textLength);
        QFETCH(int, sent);
        QFETCH(QString, firstSentText);
        const QJsonObject body = CompanionChatClient::body(turnWithHistory(entries, textLength));
        const QJsonArray history = body.value("history").toArray();
        QVERIFY(body.value("history").isArray());
        QCOMPARE(history.size(), sent);
        if (sent > 0) {
            QCOMPARE(history.first().toObject().value("text").toString(), firstSentText);
            QCOMPARE(history.first().toObject().keys(), QStringList({"role", "text"}));
        }
        QCOMPARE(body.value("hint_level").toInt(), 2);
        QCOMPARE(body.keys(), QStringList({"hint_level", "history", "message", "model_pref"}));
    }

    // A text is cut at a character a reader sees, never inside an emoji sequence.
    void historyCutCountsCharacters() {
        const QString family = QStringLiteral("👨‍👩‍👧");
        CompanionTurn turn = turnWithHistory(0);
        turn.history.append({"user", QString(1999, u'a') + family + "bc"});
        turn.scene = "qa";
        turn.language = "";
        turn.subject = "math";
        const QJsonObject body = CompanionChatClient::body(turn);
        QCOMPARE(body.value("history")[0]["text"].toString(), QString(1999, u'a') + family);
        QCOMPARE(body.value("scene").toString(), QStringLiteral("qa"));
        QVERIFY(body.value("language").isString());
        QCOMPARE(body.value("subject").toString(), QStringLiteral("math"));
    }

    void requestHeaders_data() {
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<std::optional<QByteArray>>("authorization");
        QTest::newRow("no token") << std::optional<QString>() << std::optional<QByteArray>();
        QTest::newRow("empty token") << std::optional<QString>("") << std::optional<QByteArray>("Bearer ");
        QTest::newRow("token") << std::optional<QString>("t1") << std::optional<QByteArray>("Bearer t1");
    }
    void requestHeaders() {
        QFETCH(std::optional<QString>, token);
        QFETCH(std::optional<QByteArray>, authorization);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(token);
        const HttpRequest request = CompanionChatClient::request(session, turnWithHistory(0));
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.url.toString(), TestPlatform::apiBase + chatPath);
        QCOMPARE(request.header("Authorization"), authorization);
        QCOMPARE(request.header("Content-Type"), std::optional<QByteArray>("application/json"));
        QCOMPARE(request.header("Accept"), std::optional<QByteArray>("text/event-stream"));
        QCOMPARE(request.timeoutMs, 60000);
    }

    // The event-stream reader over whole bodies, through the stream as the chat reads it.
    void lines_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("events");

        QTest::newRow("one name, two data lines")
            << QByteArray("event: delta\ndata: {\"text\":\"a\"}\ndata: {\"text\":\"b\"}\n\n")
            << QStringList{"delta a", "delta b"};
        QTest::newRow("data before any name") << QByteArray("data: {\"text\":\"a\"}\n") << QStringList{};
        QTest::newRow("blank line keeps the name")
            << QByteArray("event: delta\n\ndata: {\"text\":\"a\"}\n") << QStringList{"delta a"};
        QTest::newRow("event: without a space is ignored")
            << QByteArray("event: delta\nevent:error\ndata: {\"text\":\"a\"}\n") << QStringList{"delta a"};
        QTest::newRow("data: without a space is ignored")
            << QByteArray("event: delta\ndata:{\"text\":\"a\"}\n") << QStringList{};
        QTest::newRow("a name ending in a space matches nothing")
            << QByteArray("event: delta \ndata: {\"text\":\"a\"}\n") << QStringList{};
        QTest::newRow("comments and other fields")
            << QByteArray(": hello\nid: 3\nretry: 10\nevent: delta\ndata: {\"text\":\"a\"}\n")
            << QStringList{"delta a"};
        QTest::newRow("events after done are read")
            << QByteArray("event: done\ndata: {}\n\nevent: delta\ndata: {\"text\":\"z\"}\n")
            << QStringList{"done - ok - -", "delta z"};
        QTest::newRow("CRLF") << QByteArray("event: delta\r\ndata: {\"text\":\"a\"}\r\n\r\nevent: "
                                            "done\r\ndata: {\"language\":\"en-US\"}\r\n")
                              << QStringList{"delta a", "done - ok - en-US"};
        QTest::newRow("undecodable line between two good ones")
            << QByteArray("event: delta\ndata: {\"text\":\"a\"}\ndata: {oops\ndata: {\"text\":\"b\"}\n")
            << QStringList{"delta a", "delta b"};
        QTest::newRow("data lines are not joined")
            << QByteArray("event: delta\ndata: {\"text\":\ndata: \"a\"}\n") << QStringList{};
        QTest::newRow("empty body") << QByteArray() << QStringList{};
    }
    void lines() {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, events);
        TestPlatform platform;
        AppSession session;
        platform.transport->on("POST", chatPath, FakeTransport::Reply::json(200, body));
        auto stream = CompanionChatClient().stream(session, turnWithHistory(0));
        const Outcome outcome = readAll(*stream);
        QVERIFY(!outcome.failure);
        QCOMPARE(outcome.events, events);
    }

    void failures_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");

        using Reply = FakeTransport::Reply;
        QTest::newRow("503 with a message") << Reply::json(503, R"({"code":"x","message":"伙伴在休息"})")
                                            << QStringList{} << 503 << "伙伴在休息";
        QTest::newRow("502 with HTML") << Reply::json(502, "<html>bad gateway</html>") << QStringList{} << 502
                                       << "伙伴暂时不可用（502）";
        QTest::newRow("500 with an empty message")
            << Reply::json(500, R"({"message":""})") << QStringList{} << 500 << "";
        QTest::newRow("401 without a session to renew")
            << Reply::json(401, "{}") << QStringList{} << 401 << "伙伴暂时不可用（401）";
        QTest::newRow("199") << Reply::json(199, "") << QStringList{} << 199 << "伙伴暂时不可用（199）";
        QTest::newRow("not HTTP") << Reply::json(-1, "") << QStringList{} << -1 << "无响应";
        QTest::newRow("no connection") << Reply::error(TransportError::Kind::NoConnection) << QStringList{}
                                       << 0 << "网络连接失败，请检查网络后重试";
        QTest::newRow("a body that breaks after two events")
            << Reply::json(200, "event: delta\ndata: {\"text\":\"a\"}\ndata: {\"text\":\"b\"}\n")
                   .brokenAtEnd()
            << QStringList{"delta a", "delta b"} << 0 << "网络连接失败，请检查网络后重试";
    }
    void failures() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(QStringList, events);
        QFETCH(int, status);
        QFETCH(QString, message);
        TestPlatform platform;
        {
            AppSession other; // the current session is the newest one; the turn's own is destroyed below
        }
        AppSession session;
        session.setAccessToken("t");
        platform.transport->on("POST", chatPath, reply);
        auto stream = CompanionChatClient().stream(session, turnWithHistory(0));
        const Outcome outcome = readAll(*stream);
        QCOMPARE(outcome.events, events);
        QVERIFY(outcome.failure);
        QCOMPARE(outcome.failure->status(), status);
        QCOMPARE(outcome.failure->message(), message);
    }

    // A hostile server over the real network: an endless line ends the reply after the events delivered
    // before it, and an endless error body is read only as far as an error message goes.
    void boundlessAnswers_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream";
        QTest::newRow("an endless line after two events")
            << ok << QByteArray("event: delta\ndata: {\"text\":\"a\"}\ndata: {\"text\":\"b\"}\ndata: ")
            << QByteArray(64 * 1024, 'x') << QStringList{"delta a", "delta b"} << 0
            << "服务器返回的数据过大，请稍后重试";
        QTest::newRow("an endless error body")
            << QByteArray("HTTP/1.1 503 Busy\r\nContent-Type: text/event-stream") << QByteArray()
            << QByteArray("data: busy\n").repeated(4096) << QStringList{} << 503 << "伙伴暂时不可用（503）";
    }
    void boundlessAnswers() {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, chunk);
        QFETCH(QStringList, events);
        QFETCH(int, status);
        QFETCH(QString, message);
        LoopbackServer service;
        service.answer(chatPath.toUtf8(),
                       LoopbackServer::Answer::endless(head, start, chunk, 200 * 1024 * 1024));
        TestPlatform platform({{QStringLiteral("QVLAiBaseURL"), service.url("/ai").toString()}});
        RealNetwork real;
        AppSession session;
        session.setAccessToken("t");
        auto stream = CompanionChatClient().stream(session, turnWithHistory(0));
        const Outcome outcome = readAll(*stream);
        QCOMPARE(outcome.events, events);
        QVERIFY(outcome.failure);
        QCOMPARE(outcome.failure->status(), status);
        QCOMPARE(outcome.failure->message(), message);
        // What the server got out before the client hung up includes whatever the loopback socket buffers
        // of both ends took in meanwhile (several MB each on a busy machine); reading on would be 200 MB.
        QVERIFY2(service.sent() < 32 * 1024 * 1024, qPrintable(QString::number(service.sent())));
    }

    // A refused token is renewed once through the current session and the turn is sent again.
    void refusedTokenIsRenewed() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken("old");
        session.setRefreshToken("rt");
        platform.transport->on(
            "POST", "/api/v1/auth/refresh",
            FakeTransport::Reply::json(200, Fixtures::patched("auth/grant.json", {{"access_token", "new"}})));
        platform.transport->fallback = [](const HttpRequest &request) {
            return request.header("Authorization") == "Bearer new"
                       ? FakeTransport::Reply::json(200, "event: delta\ndata: {\"text\":\"hi\"}\n")
                       : FakeTransport::Reply::json(401, R"({"message":"登录已失效"})");
        };
        auto stream = CompanionChatClient().stream(session, turnWithHistory(0));
        const Outcome outcome = readAll(*stream);
        QVERIFY(!outcome.failure);
        QCOMPARE(outcome.events, QStringList{"delta hi"});
        QCOMPARE(platform.transport->requestsTo(chatPath).size(), 2);
    }

    // Cancelling ends the reading quietly: what was read stays read, nothing after it arrives, and the
    // request's body is abandoned.
    void cancelEndsWithoutError() {
        TestPlatform platform;
        AppSession session;
        auto hold = std::make_shared<Completion>();
        platform.transport->on(
            "POST", chatPath,
            FakeTransport::Reply::json(200, "event: delta\ndata: {\"text\":\"a\"}\ndata: {\"text\":\"b\"}\n")
                .heldAfter(2, hold));
        auto stream = CompanionChatClient().stream(session, turnWithHistory(0));
        auto first = stream->next();
        QCOMPARE(describe(Await::result(first)), QStringLiteral("delta a"));
        auto second = stream->next();
        QTimer::singleShot(0, [&] {
            stream->cancel();
            hold->finish();
        });
        QCOMPARE(describe(Await::result(second)), QStringLiteral("nothing"));
        QVERIFY(stream->isCancelled());
        QCOMPARE(platform.transport->abortedStreams(), 1);
        auto third = stream->next();
        QCOMPARE(describe(Await::result(third)), QStringLiteral("nothing"));
    }

    // A cancel before the answer arrived aborts the request itself.
    void cancelWhileSending() {
        TestPlatform platform;
        AppSession session;
        platform.transport->on("POST", chatPath,
                               FakeTransport::Reply::json(200, "event: done\ndata: {}\n").after(20));
        auto stream = CompanionChatClient().stream(session, turnWithHistory(0));
        auto first = stream->next();
        stream->cancel();
        QCOMPARE(describe(Await::result(first)), QStringLiteral("nothing"));
        QCOMPARE(platform.transport->abortedStreams(), 1);
    }
};

QTEST_GUILESS_MAIN(TestCompanionStream)
#include "tst_companionstream.moc"
