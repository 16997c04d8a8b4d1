// The stand-in's companion: the chat stream (its checks, the scripted companion's events, the test controls)
// and the companion settings, spoken to over plain HTTP and over a raw socket where a stream must be watched
// as it arrives.

#include "DevServer.h"
#include "HttpProbe.h"

#include <httplib.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBoundaryFinder>

#include <future>
#include <memory>
#include <optional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace HttpProbe;

const QString kPhone = QStringLiteral("13800138000");
const QString kOtherPhone = QStringLiteral("13900139000");
const QString kDeviceId = QStringLiteral("ios-0123456789abcdef01234567");
const std::string kStreamPath = "/v1/companion/chat:stream";

struct SseEvent {
    QString name;
    QJsonObject data;
};

// The blocks of an event-stream body, checked against the form the stand-in writes: an opening comment,
// then "event: <name>\ndata: <compact JSON object>\n\n" per event. Fails the test on anything else.
QList<SseEvent> parseEvents(const QByteArray &body) {
    QList<SseEvent> events;
    [&] {
        QVERIFY2(body.startsWith(": "), body.left(40).constData());
        // Blocks are separated by an empty line; the body ends with one.
        QVERIFY(body.endsWith("\n\n"));
        const QByteArray afterComment = body.mid(body.indexOf("\n\n") + 2);
        if (afterComment.isEmpty())
            return;
        const QList<QByteArray> parts = afterComment.chopped(2).split('\n');
        QCOMPARE(parts.size() % 3, 2); // "event", "data", then "" between blocks
        for (qsizetype i = 0; i < parts.size(); i += 3) {
            QVERIFY2(parts[i].startsWith("event: "), parts[i].constData());
            QVERIFY2(parts[i + 1].startsWith("data: "), parts[i + 1].constData());
            if (i + 2 < parts.size())
                QVERIFY(parts[i + 2].isEmpty());
            const QByteArray data = parts[i + 1].mid(6);
            const QJsonDocument document = QJsonDocument::fromJson(data);
            QVERIFY2(document.isObject(), data.constData());
            QCOMPARE(document.toJson(QJsonDocument::Compact), data);
            events.append({QString::fromUtf8(parts[i].mid(7)), document.object()});
        }
    }();
    return events;
}

QStringList names(const QList<SseEvent> &events) {
    QStringList result;
    for (const SseEvent &event : events)
        result.append(event.name);
    return result;
}

QList<SseEvent> ofName(const QList<SseEvent> &events, const QString &name) {
    QList<SseEvent> result;
    for (const SseEvent &event : events) {
        if (event.name == name)
            result.append(event);
    }
    return result;
}

QString replyText(const QList<SseEvent> &events) {
    QString text;
    for (const SseEvent &event : ofName(events, QStringLiteral("delta")))
        text += event.data.value("text").toString();
    return text;
}

qsizetype graphemes(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QJsonObject turn(const QString &message, int hintLevel = 1) {
    return {
        {"message", message}, {"hint_level", hintLevel}, {"history", QJsonArray{}}, {"model_pref", "auto"}};
}

// The body of a chunked answer as far as it has arrived, and whether its terminating chunk came.
struct Chunked {
    QByteArray body;
    bool complete = false;
};

Chunked decodeChunked(const QByteArray &raw) {
    Chunked result;
    qsizetype at = raw.indexOf("\r\n\r\n");
    if (at < 0)
        return result;
    at += 4;
    for (;;) {
        const qsizetype lineEnd = raw.indexOf("\r\n", at);
        if (lineEnd < 0)
            return result;
        bool ok = false;
        const qsizetype size = raw.mid(at, lineEnd - at).toLongLong(&ok, 16);
        if (!ok)
            return result;
        if (size == 0) {
            result.complete = raw.mid(lineEnd + 2, 2) == "\r\n";
            return result;
        }
        if (raw.size() < lineEnd + 2 + size + 2)
            return result;
        result.body += raw.mid(lineEnd + 2, size);
        at = lineEnd + 2 + size + 2;
    }
}

// One chat request over a plain socket, read as it arrives: lets a test watch a stream between its events,
// hang up in the middle, and see whether the body ended properly.
class RawStream {
public:
    RawStream(int port, const QString &token, const QByteArray &body) {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            return;
        // Accept-Encoding too: an event stream must never be compressed, or nothing arrives until the end.
        const QByteArray request = "POST " + QByteArray::fromStdString(kStreamPath) +
                                   " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                                   "Accept: text/event-stream\r\nAccept-Encoding: gzip, deflate\r\n"
                                   "Authorization: Bearer " +
                                   token.toUtf8() + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                   "\r\n\r\n" + body;
        m_connected =
            ::send(m_socket, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size();
    }
    ~RawStream() { close(); }

    bool connected() const { return m_connected; }
    void close() {
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
    }
    // Reads until `enough` holds for the decoded body, the peer closes, or `timeoutMs` passes.
    template <typename Predicate>
    bool readUntil(Predicate enough, int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (!enough(decoded())) {
            if (m_closed || timer.elapsed() >= timeoutMs)
                return false;
            pollfd watch{m_socket, POLLIN, 0};
            if (::poll(&watch, 1, int(qMax<qint64>(1, timeoutMs - timer.elapsed()))) <= 0)
                continue;
            char buffer[4096];
            const ssize_t read = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (read <= 0)
                m_closed = true;
            else
                m_raw.append(buffer, read);
        }
        return true;
    }
    bool readEvents(int count, int timeoutMs) {
        return readUntil([count](const Chunked &body) { return body.body.count("event: ") >= count; },
                         timeoutMs);
    }
    // Reads until the peer closes the connection.
    bool readToClose(int timeoutMs) {
        readUntil([](const Chunked &) { return false; }, timeoutMs);
        return m_closed;
    }
    Chunked decoded() const { return decodeChunked(m_raw); }
    QByteArray raw() const { return m_raw; }

private:
    int m_socket = -1;
    bool m_connected = false;
    bool m_closed = false;
    QByteArray m_raw;
};

} // namespace

class TestCompanionRoutes : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    QString signIn(const QString &phone = kPhone) const { return HttpProbe::signIn(m_port, phone); }
    Reply chat(const QByteArray &body, const QString &token) const {
        return request(m_port, "POST", kStreamPath, body, token);
    }
    Reply chat(const QJsonObject &body) const { return chat(json(body), m_token); }
    // The events of a scripted reply to `body`; fails the test unless it is a well-formed 200 stream.
    QList<SseEvent> events(const QJsonObject &body) const {
        const Reply reply = chat(body);
        [&] {
            QCOMPARE(reply.status, 200);
            QCOMPARE(reply.contentType, std::string("text/event-stream"));
        }();
        return parseEvents(reply.body);
    }
    Reply settings(const QString &method = QStringLiteral("GET"), const QJsonObject &body = {},
                   const QString &token = QString()) const {
        return request(m_port, method.toStdString(), "/api/v1/me/companion", json(body),
                       token.isNull() ? m_token : token);
    }

private slots:
    void init() {
        m_server = std::make_unique<DevServer>();
        m_port = m_server->start();
        QVERIFY(m_port > 0);
        m_token = signIn();
        QVERIFY(!m_token.isEmpty());
    }
    void cleanup() { m_server.reset(); }

    // --- the request ---

    void chatStream_checksTheBody_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");

        const QJsonObject good = turn(QStringLiteral("你好"));
        auto with = [&good](const char *key, const QJsonValue &value) {
            QJsonObject body = good;
            body.insert(QLatin1String(key), value);
            return json(body);
        };
        auto without = [&good](const char *key) {
            QJsonObject body = good;
            body.remove(QLatin1String(key));
            return json(body);
        };
        auto history = [](int entries, const QString &text = QStringLiteral("好")) {
            QJsonArray list;
            for (int i = 0; i < entries; ++i)
                list.append(QJsonObject{{"role", i % 2 ? "assistant" : "user"}, {"text", text}});
            return list;
        };
        // "e" with a combining acute accent: one character the learner sees, two UTF-16 units.
        const QString accented = QStringLiteral("e\u0301");

        QTest::newRow("minimal") << json(good) << 200;
        QTest::newRow("all optional keys") << json(QJsonObject{{"message", "你好"},
                                                               {"hint_level", 3},
                                                               {"history", history(12)},
                                                               {"model_pref", "cloud"},
                                                               {"scene", "companion"},
                                                               {"language", "zh-CN"},
                                                               {"subject", "math"}})
                                           << 200;
        QTest::newRow("model_pref local") << with("model_pref", "local") << 200;
        QTest::newRow("history text of 2000 characters in 4000 units")
            << with("history", history(1, accented.repeated(2000))) << 200;
        QTest::newRow("history text of 2001 characters")
            << with("history", history(1, accented.repeated(2001))) << 400;
        QTest::newRow("not JSON") << QByteArray("message=hi") << 400;
        QTest::newRow("a JSON array") << QByteArray("[]") << 400;
        QTest::newRow("message missing") << without("message") << 400;
        QTest::newRow("message empty") << with("message", "") << 400;
        QTest::newRow("message a number") << with("message", 12) << 400;
        QTest::newRow("hint_level missing") << without("hint_level") << 400;
        QTest::newRow("hint_level 0") << with("hint_level", 0) << 400;
        QTest::newRow("hint_level 4") << with("hint_level", 4) << 400;
        QTest::newRow("hint_level a fraction") << with("hint_level", 1.5) << 400;
        QTest::newRow("hint_level a string") << with("hint_level", "2") << 400;
        QTest::newRow("history missing") << without("history") << 400;
        QTest::newRow("history an object") << with("history", QJsonObject{}) << 400;
        QTest::newRow("history of 13") << with("history", history(13)) << 400;
        QTest::newRow("history entry not an object") << with("history", QJsonArray{"你好"}) << 400;
        QTest::newRow("history entry with an extra key")
            << with("history", QJsonArray{QJsonObject{{"role", "user"}, {"text", "好"}, {"id", 1}}}) << 400;
        QTest::newRow("history entry without text")
            << with("history", QJsonArray{QJsonObject{{"role", "user"}}}) << 400;
        QTest::newRow("history role system")
            << with("history", QJsonArray{QJsonObject{{"role", "system"}, {"text", "好"}}}) << 400;
        QTest::newRow("history text a number")
            << with("history", QJsonArray{QJsonObject{{"role", "user"}, {"text", 3}}}) << 400;
        QTest::newRow("model_pref unknown") << with("model_pref", "fast") << 400;
        QTest::newRow("model_pref missing") << without("model_pref") << 400;
        QTest::newRow("scene null") << with("scene", QJsonValue::Null) << 400;
        QTest::newRow("language a number") << with("language", 1) << 400;
        QTest::newRow("subject null") << with("subject", QJsonValue::Null) << 400;
        QTest::newRow("unknown key") << with("temperature", 0.2) << 400;
    }
    void chatStream_checksTheBody() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const Reply reply = chat(body, m_token);
        QCOMPARE(reply.status, status);
        if (status == 200) {
            QCOMPARE(reply.contentType, std::string("text/event-stream"));
            QCOMPARE(QByteArray::fromStdString(m_server->lastCompanionRequest()), body);
        } else {
            QCOMPARE(reply.json.value("code").toString(), QStringLiteral("invalid_request"));
            QVERIFY2(isChinese(reply.json.value("message").toString()), reply.body.constData());
            QVERIFY(m_server->lastCompanionRequest().empty()); // only accepted requests count
        }
    }

    // The colon is part of the path, not a parameter: neighbours of the path are unknown routes.
    void chatStream_pathIsLiteral_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("the path") << QString::fromStdString(kStreamPath) << 200;
        QTest::newRow("another character for the colon")
            << QStringLiteral("/v1/companion/chatXstream") << 404;
        QTest::newRow("without the suffix") << QStringLiteral("/v1/companion/chat") << 404;
        QTest::newRow("another suffix") << QStringLiteral("/v1/companion/chat:other") << 404;
        QTest::newRow("a longer suffix") << QStringLiteral("/v1/companion/chat:streams") << 404;
    }
    void chatStream_pathIsLiteral() {
        QFETCH(QString, path);
        QFETCH(int, status);
        const Reply reply =
            request(m_port, "POST", path.toStdString(), json(turn(QStringLiteral("你好"))), m_token);
        QCOMPARE(reply.status, status);
        QCOMPARE(m_server->requestCount(path.toStdString()), 1);
    }

    // A guarded route: sign-in, token expiry and injected failures all apply, and a refused request leaves
    // the queued control for the one that follows (the client's retry after renewing its token).
    void chatStream_needsSignIn() {
        const QByteArray body = json(turn(QStringLiteral("你好")));
        m_server->answerCompanionStream(503, "application/json", R"({"message":"伙伴休息中"})");
        QCOMPARE(chat(body, QString()).status, 401);
        QCOMPARE(chat(body, QStringLiteral("at_unknown")).status, 401);
        m_server->expireAccessTokens();
        QCOMPARE(chat(body, m_token).status, 401);

        m_token = signIn();
        m_server->failNext(kStreamPath, 500);
        QCOMPARE(chat(body, m_token).status, 500);
        const Reply scripted = chat(body, m_token);
        QCOMPARE(scripted.status, 503);
        QCOMPARE(scripted.body, QByteArray(R"({"message":"伙伴休息中"})"));
        QCOMPARE(chat(body, m_token).status, 200);
        QCOMPARE(m_server->requestCount(kStreamPath), 6);
    }

    // --- the scripted companion ---

    void chatStream_wireFormat() {
        const QList<SseEvent> events = this->events(turn(QStringLiteral("你好，今天学什么？")));
        QVERIFY(events.size() > 3);
        QCOMPARE(events.last().name, QStringLiteral("done"));
        QCOMPARE(events.last().data,
                 (QJsonObject{{"model", "quorvel-dev"}, {"degraded", false}, {"language", "zh-CN"}}));
        QCOMPARE(ofName(events, QStringLiteral("done")).size(), 1);
        for (const SseEvent &delta : ofName(events, QStringLiteral("delta"))) {
            const qsizetype size = graphemes(delta.data.value("text").toString());
            QVERIFY2(size >= 1 && size <= 3, qPrintable(delta.data.value("text").toString()));
        }
        QVERIFY(isChinese(replyText(events)));
        // An ordinary question: no hint, citation or card.
        QCOMPARE(names(events).filter(QRegularExpression("^(delta|done)$")).size(), events.size());
    }

    void chatStream_replyLanguage_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("requested"); // empty: left out
        QTest::addColumn<QString>("expected");
        QTest::newRow("Mandarin by default") << QStringLiteral("这道题我不会") << QString() << "zh-CN";
        QTest::newRow("kana") << QStringLiteral("この問題がわかりません") << QString() << "ja-JP";
        QTest::newRow("katakana with Latin") << QStringLiteral("Excel の グラフ") << "zh-CN"
                                             << "ja-JP";
        QTest::newRow("kanji and kana with 関係")
            << QStringLiteral("関係がわからない") << QString() << "ja-JP";
        QTest::newRow("Cantonese particle") << QStringLiteral("呢題點計？我唔識") << QString() << "yue-HK";
        QTest::newRow("Cantonese over the request") << QStringLiteral("佢哋做咗啲咩") << "en-US"
                                                    << "yue-HK";
        QTest::newRow("關係 alone is not Cantonese") << QStringLiteral("兩者的關係") << QString() << "zh-CN";
        QTest::newRow("English") << QStringLiteral("How do I solve this equation?") << "zh-CN"
                                 << "en-US";
        QTest::newRow("English with a few Han")
            << QStringLiteral("What does 方程 mean here?") << QString() << "en-US";
        QTest::newRow("an expression is not English") << QStringLiteral("2x+3=7") << QString() << "zh-CN";
        QTest::newRow("requested language") << QStringLiteral("你好") << "ja-JP"
                                            << "ja-JP";
        QTest::newRow("requested Cantonese") << QStringLiteral("你好") << "yue-HK"
                                             << "yue-HK";
        QTest::newRow("an unknown request language") << QStringLiteral("你好") << "fr-FR"
                                                     << "zh-CN";
    }
    void chatStream_replyLanguage() {
        QFETCH(QString, message);
        QFETCH(QString, requested);
        QFETCH(QString, expected);
        QJsonObject body = turn(message);
        if (!requested.isEmpty())
            body.insert("language", requested);
        const QList<SseEvent> events = this->events(body);
        QVERIFY(!events.isEmpty());
        QCOMPARE(events.last().data.value("language").toString(), expected);
        // The reply is written in that language.
        const QString text = replyText(events);
        static const QRegularExpression kana(QStringLiteral("[\\x{3041}-\\x{30FF}]"));
        QCOMPARE(text.contains(kana), expected == QLatin1String("ja-JP"));
        QCOMPARE(isChinese(text), expected != QLatin1String("en-US"));
        QCOMPARE(text.contains(QStringLiteral("係")), expected == QLatin1String("yue-HK"));
    }

    // Each trigger brings its events; cards come after some reply text and before the end.
    void chatStream_triggers_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("expected"); // event names that must be present
        QTest::addColumn<QString>("skill");        // of the one confirm card, empty when none
        QTest::addColumn<QJsonObject>("args");     // null values: filled with the message

        const QJsonObject textArg{{"text", QJsonValue::Null}};
        // The card names the chapter as the learner knows it, never by a code.
        QTest::newRow("learning path") << QStringLiteral("我想学一元一次方程，帮我建个学习路径")
                                       << QStringList{"hint", "confirm", "citation"} << "path.create"
                                       << QJsonObject{{"chapter_id", "一元一次方程"}};
        QTest::newRow("learning path without a chapter")
            << QStringLiteral("给我一条学习路径") << QStringList{"confirm"} << "path.create"
            << QJsonObject{{"chapter_id", "有理数"}};
        QTest::newRow("a chapter to learn") << QStringLiteral("我想学有理数这一章") << QStringList{"confirm"}
                                            << "path.create" << QJsonObject{{"chapter_id", "有理数"}};
        QTest::newRow("a chapter by its short name")
            << QStringLiteral("我想学 M7-3 这一章") << QStringList{"confirm"} << "path.create"
            << QJsonObject{{"chapter_id", "一元一次方程"}};
        QTest::newRow("learning without a chapter")
            << QStringLiteral("我想学好数学") << QStringList{} << QString() << QJsonObject{};
        QTest::newRow("add to plan") << QStringLiteral("把三角形加入计划") << QStringList{"confirm"}
                                     << "path.topic" << textArg;
        QTest::newRow("set questions") << QStringLiteral("给我出题，练绝对值") << QStringList{"confirm"}
                                       << "practice.request" << textArg;
        QTest::newRow("practice questions") << QStringLiteral("来几道平行线的练习题")
                                            << QStringList{"confirm"} << "practice.request" << textArg;
        QTest::newRow("purchase") << QStringLiteral("我想购买") << QStringList{"confirm"} << "order.preview"
                                  << QJsonObject{{"sku_id", "vip_month"}};
        QTest::newRow("membership") << QStringLiteral("会员有什么用") << QStringList{"confirm"}
                                    << "order.preview" << QJsonObject{{"sku_id", "vip_month"}};
        QTest::newRow("video") << QStringLiteral("做个讲解视频") << QStringList{"confirm"} << "video.generate"
                               << textArg;
        QTest::newRow("calendar, an unknown skill")
            << QStringLiteral("帮我排个日程") << QStringList{"confirm"} << "calendar.add"
            << QJsonObject{{"title", "复习错题"}, {"day", 3}};
        QTest::newRow("model error") << QStringLiteral("这次会出错吗") << QStringList{"error"} << QString()
                                     << QJsonObject{};
        QTest::newRow("maths by expression")
            << QStringLiteral("3×4 等于几") << QStringList{"hint", "citation"} << QString() << QJsonObject{};
        QTest::newRow("maths by word") << QStringLiteral("怎么解这道题") << QStringList{"hint", "citation"}
                                       << QString() << QJsonObject{};
        QTest::newRow("understanding is not maths")
            << QStringLiteral("我不理解这句话") << QStringList{} << QString() << QJsonObject{};
    }
    void chatStream_triggers() {
        QFETCH(QString, message);
        QFETCH(QStringList, expected);
        QFETCH(QString, skill);
        QFETCH(QJsonObject, args);

        const QList<SseEvent> events = this->events(turn(message));
        const QStringList seen = names(events);
        for (const QString &name : expected)
            QVERIFY2(seen.contains(name), qPrintable(name + ": " + seen.join(' ')));
        for (const QString name : {"hint", "citation", "confirm", "error", "crisis"}) {
            if (!expected.contains(name))
                QVERIFY2(!seen.contains(name), qPrintable(name));
        }
        QCOMPARE(seen.last(), QStringLiteral("done"));
        QCOMPARE(seen.count(QStringLiteral("done")), 1);
        if (seen.contains(QStringLiteral("hint")))
            QCOMPARE(seen.first(), QStringLiteral("hint"));

        // Cards and errors sit inside the reply: text before them and after them.
        for (const QString name : {"confirm", "error"}) {
            const qsizetype at = seen.indexOf(name);
            if (at < 0)
                continue;
            QVERIFY(seen.mid(0, at).contains(QStringLiteral("delta")));
            QVERIFY(seen.mid(at).contains(QStringLiteral("delta")));
        }
        if (seen.contains(QStringLiteral("error"))) {
            QCOMPARE(ofName(events, QStringLiteral("error")).first().data,
                     (QJsonObject{{"code", "model_busy"}, {"message", "模型繁忙，请稍后再试"}}));
        }

        const QList<SseEvent> cards = ofName(events, QStringLiteral("confirm"));
        QCOMPARE(cards.size(), skill.isEmpty() ? 0 : 1);
        if (skill.isEmpty())
            return;
        const QJsonObject card = cards.first().data;
        QCOMPARE(card.value("skill").toString(), skill);
        QVERIFY(!card.value("title").toString().isEmpty());
        QJsonObject expectedArgs = args;
        for (auto it = expectedArgs.begin(); it != expectedArgs.end(); ++it) {
            if (it.value().isNull())
                it.value() = message;
        }
        QCOMPARE(card.value("args").toObject(), expectedArgs);
        if (skill == QLatin1String("calendar.add"))
            QVERIFY(card.value("args").toObject().value("day").isDouble()); // a number, not text
    }

    // What the cards propose works with this server's learning content: the chapter makes a path, the
    // practice text resolves to a knowledge point.
    void chatStream_cardsWorkWithTheLearningRoutes_data() {
        QTest::addColumn<QString>("message");
        QTest::newRow("path from a named chapter") << QStringLiteral("帮我建一条三角形的学习路径");
        QTest::newRow("path without a chapter") << QStringLiteral("学习路径");
        QTest::newRow("path of a chapter to learn") << QStringLiteral("我想学有理数这一章");
        QTest::newRow("path of a chapter by its short name") << QStringLiteral("我想学 M7-3 这一章");
        QTest::newRow("topic") << QStringLiteral("把有理数加入计划");
        QTest::newRow("practice") << QStringLiteral("出题：有理数的加减法");
        QTest::newRow("practice questions") << QStringLiteral("给我几道三角形内角和的练习题");
    }
    void chatStream_cardsWorkWithTheLearningRoutes() {
        QFETCH(QString, message);
        const QList<SseEvent> cards = ofName(this->events(turn(message)), QStringLiteral("confirm"));
        QCOMPARE(cards.size(), 1);
        const QJsonObject card = cards.first().data;
        const QJsonObject args = card.value("args").toObject();
        if (card.value("skill") == QLatin1String("path.create")) {
            const Reply created = request(m_port, "POST", "/api/v1/learning-paths",
                                          json({{"goal_type", "chapter"},
                                                {"chapter_id", args.value("chapter_id")},
                                                {"options", QJsonObject{{"prefetch", 1}}}}),
                                          m_token);
            QVERIFY2(created.status == 200 || created.status == 201, created.body.constData());
            return;
        }
        const Reply preview = request(m_port, "POST", "/api/v1/learning-paths/topic-preview",
                                      json({{"text", args.value("text")}}), m_token);
        QCOMPARE(preview.status, 200);
        const QJsonArray candidates = preview.json.value("candidates").toArray();
        QVERIFY2(!candidates.isEmpty(), preview.body.constData());
        QVERIFY(!candidates.first().toObject().value("kp_codes").toArray().isEmpty());
    }

    void chatStream_crisis_data() {
        QTest::addColumn<QString>("message");
        QTest::newRow("不想活") << QStringLiteral("我真的不想活了");
        QTest::newRow("想死") << QStringLiteral("考砸了，好想死");
        QTest::newRow("自杀") << QStringLiteral("我想过自杀");
        QTest::newRow("活着没意思, with maths and a card")
            << QStringLiteral("解方程好难，活着没意思，买会员也没用");
    }
    void chatStream_crisis() {
        QFETCH(QString, message);
        const QList<SseEvent> events = this->events(turn(message));
        const QStringList seen = names(events);
        QCOMPARE(seen.first(), QStringLiteral("crisis"));
        QCOMPARE(seen.count(QStringLiteral("crisis")), 1);
        // Nothing but the notice, gentle words and the end: no hint, no card.
        QCOMPARE(seen.filter(QRegularExpression("^(crisis|delta|done)$")).size(), seen.size());
        QVERIFY(!replyText(events).isEmpty());
        const QJsonObject crisis = events.first().data;
        QVERIFY(isChinese(crisis.value("text").toString()));
        const QJsonArray hotlines = crisis.value("hotlines").toArray();
        QCOMPARE(hotlines.size(), 2);
        // Numbers are written as people read them out, grouped by spaces (the client dials the digits).
        static const QRegularExpression dialable(QStringLiteral("^[0-9][0-9 -]*[0-9]$"));
        QStringList numbers;
        for (const QJsonValue &hotline : hotlines) {
            QVERIFY(!hotline.toObject().value("name").toString().isEmpty());
            numbers.append(hotline.toObject().value("number").toString());
            QVERIFY2(dialable.match(numbers.last()).hasMatch(), qPrintable(numbers.last()));
        }
        QVERIFY(numbers.first() != numbers.last());
        QVERIFY(numbers.contains(QStringLiteral("12356")));
        QVERIFY(numbers.contains(QStringLiteral("400 161 9995")));
    }

    // The three hint levels give three different replies, each labelled with its level.
    void chatStream_hintLevelsDiffer() {
        QStringList texts;
        QStringList labels;
        for (int level = 1; level <= 3; ++level) {
            const QList<SseEvent> events = this->events(turn(QStringLiteral("解方程 2x+3=7"), level));
            QCOMPARE(events.first().name, QStringLiteral("hint"));
            const QJsonObject hint = events.first().data;
            QCOMPARE(hint.value("level").toInt(), level);
            QCOMPARE(hint.value("max_level").toInt(), 3);
            labels.append(hint.value("label").toString());
            texts.append(replyText(events));
            const QList<SseEvent> citations = ofName(events, QStringLiteral("citation"));
            QCOMPARE(citations.size(), 1);
            QCOMPARE(names(events).indexOf("citation"), events.size() - 2); // after the text, before done
            const QJsonArray items = citations.first().data.value("items").toArray();
            QVERIFY(items.size() >= 1 && items.size() <= 2);
            for (qsizetype i = 0; i < items.size(); ++i) {
                const QJsonObject item = items.at(i).toObject();
                QCOMPARE(item.value("index").toInt(), int(i) + 1);
                for (const char *key : {"source", "title", "snippet"})
                    QVERIFY2(!item.value(QLatin1String(key)).toString().isEmpty(), key);
            }
        }
        QCOMPARE(labels, (QStringList{"思路提示", "关键步骤", "完整解析"}));
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()).size(), 3);
        QVERIFY(texts[2].contains(QStringLiteral("x = 2"))); // only the full solution gives the answer
        QVERIFY(!texts[0].contains(QStringLiteral("x = 2")));
    }

    // --- the controls ---

    // The scripted bytes arrive exactly, one line at a time at the pace, with nothing added.
    void script_sendsExactlyTheBody() {
        const std::string script = ": hello\r\nevent: delta\r\ndata: {\"text\":\"甲\"}\r\n\r\nevent:delta\n"
                                   "data: not json\n\ndata: {\"text\":\"乙\"}\rtrailing without end";
        m_server->scriptCompanionStream(script);
        m_server->setCompanionPace(30);
        const Reply reply = chat(turn(QStringLiteral("你好")));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.contentType, std::string("text/event-stream"));
        QCOMPARE(reply.body.toStdString(), script);
        QVERIFY2(reply.elapsedMs >= 8 * 30, qPrintable(QString::number(reply.elapsedMs))); // 9 lines
        // Taken once: the next stream is the scripted companion again.
        QVERIFY(chat(turn(QStringLiteral("你好"))).body.startsWith(": "));
    }

    void script_emptyBodyEndsProperly() {
        m_server->scriptCompanionStream("");
        const Reply reply = chat(turn(QStringLiteral("你好")));
        QCOMPARE(reply.status, 200);
        QVERIFY(reply.body.isEmpty());
    }

    void answer_isSentWhole_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("bad gateway page") << 502 << "text/html" << QByteArray("<html>bad gateway</html>");
        QTest::newRow("error object")
            << 503 << "application/json" << QByteArray(R"({"message":"伙伴休息中"})");
        QTest::newRow("empty error") << 500 << "text/plain" << QByteArray();
        QTest::newRow("empty stream") << 200 << "text/event-stream" << QByteArray();
    }
    void answer_isSentWhole() {
        QFETCH(int, status);
        QFETCH(QString, contentType);
        QFETCH(QByteArray, body);
        m_server->answerCompanionStream(status, contentType.toStdString(), body.toStdString());
        const Reply reply = chat(turn(QStringLiteral("你好")));
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.contentType, contentType.toStdString());
        QCOMPARE(reply.body, body);
    }

    void controls_queueInOrder() {
        m_server->answerCompanionStream(502, "text/html", "bad");
        m_server->scriptCompanionStream("data: {}\n");
        m_server->cutCompanionStream(1);
        QCOMPARE(chat(turn(QStringLiteral("你好"))).status, 502);
        QCOMPARE(chat(turn(QStringLiteral("你好"))).body, QByteArray("data: {}\n"));
        QCOMPARE(chat(turn(QStringLiteral("你好"))).status, -1);
        QCOMPARE(chat(turn(QStringLiteral("你好"))).status, 200);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->holdCompanionStream(-1));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->cutCompanionStream(-1));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 m_server->answerCompanionStream(99, "text/plain", ""));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->answerCompanionStream(200, "", ""));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->setCompanionPace(-1));
    }

    // A cut stream ends without the chunked terminator: a client sees a broken body, not a finished reply.
    void cut_endsTheBodyAbnormally_data() {
        QTest::addColumn<int>("afterEvents");
        QTest::newRow("before any event") << 0;
        QTest::newRow("after three events") << 3;
        QTest::newRow("after all events") << 1000;
    }
    void cut_endsTheBodyAbnormally() {
        QFETCH(int, afterEvents);
        m_server->cutCompanionStream(afterEvents);
        const Reply reply = chat(turn(QStringLiteral("你好")));
        QCOMPARE(reply.status, -1);
        QCOMPARE(reply.error, httplib::Error::Read);

        m_server->cutCompanionStream(afterEvents);
        RawStream stream(m_port, m_token, json(turn(QStringLiteral("你好"))));
        QVERIFY(stream.connected());
        QVERIFY(stream.readToClose(5000));
        // The answer announces its whole length and breaks off short of it.
        QVERIFY(stream.raw().startsWith("HTTP/1.1 200"));
        const qsizetype headEnd = stream.raw().indexOf("\r\n\r\n") + 4;
        static const QRegularExpression lengthHeader(QStringLiteral("(?i)\r\ncontent-length: (\\d+)\r\n"));
        const QRegularExpressionMatch announced =
            lengthHeader.match(QString::fromLatin1(stream.raw().left(headEnd)));
        QVERIFY(announced.hasMatch());
        struct {
            QByteArray body;
        } body{stream.raw().mid(headEnd)};
        QVERIFY(body.body.size() < announced.captured(1).toLongLong());
        QVERIFY(body.body.startsWith(": "));
        // The break falls in the middle of the next block: the whole blocks before it, then half of one
        // (nothing of a block when it comes after the last).
        const int all = int(this->events(turn(QStringLiteral("你好"))).size());
        const qsizetype wholeBlocks = body.body.lastIndexOf("\n\n") + 2;
        QCOMPARE(wholeBlocks < body.body.size(), afterEvents < all);
        const QList<SseEvent> events = parseEvents(body.body.left(wholeBlocks));
        QCOMPARE(events.size(), qMin(afterEvents, all));
        QCOMPARE(m_server->companionStreamsAborted(), 0); // the server's own doing
    }

    void hold_waitsForRelease() {
        m_server->holdCompanionStream(2);
        RawStream stream(m_port, m_token, json(turn(QStringLiteral("你好"))));
        QVERIFY(stream.connected());
        QVERIFY(stream.readEvents(2, 5000));
        // Held: nothing more comes.
        QVERIFY(!stream.readEvents(3, 300));
        QCOMPARE(stream.decoded().body.count("event: "), 2);
        QVERIFY(!stream.decoded().complete);

        m_server->releaseCompanionStreams();
        QVERIFY(stream.readUntil([](const Chunked &body) { return body.complete; }, 5000));
        const QList<SseEvent> events = parseEvents(stream.decoded().body);
        QCOMPARE(events.last().name, QStringLiteral("done"));
        QCOMPARE(m_server->companionStreamsAborted(), 0);
    }

    // A release before the stream is taken does not undo its hold.
    void hold_earlierReleaseDoesNotCount() {
        m_server->holdCompanionStream(1);
        m_server->releaseCompanionStreams();
        RawStream stream(m_port, m_token, json(turn(QStringLiteral("你好"))));
        QVERIFY(stream.readEvents(1, 5000));
        QVERIFY(!stream.readEvents(2, 300));
        m_server->releaseCompanionStreams();
        QVERIFY(stream.readUntil([](const Chunked &body) { return body.complete; }, 5000));
    }

    // A client that hangs up mid-stream stops the stream at once and is counted, whether the stream was
    // pausing between events or held.
    void clientHangingUp_isCounted_data() {
        QTest::addColumn<bool>("held");
        QTest::newRow("during the pace") << false;
        QTest::newRow("while held") << true;
    }
    void clientHangingUp_isCounted() {
        QFETCH(bool, held);
        if (held)
            m_server->holdCompanionStream(1);
        else
            m_server->setCompanionPace(600000);
        RawStream stream(m_port, m_token, json(turn(QStringLiteral("你好"))));
        QVERIFY(stream.readUntil([](const Chunked &body) { return body.body.startsWith(": "); }, 5000));
        if (held)
            QVERIFY(stream.readEvents(1, 5000));
        QCOMPARE(m_server->companionStreamsAborted(), 0);
        stream.close();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->companionStreamsAborted(), 1, 2000);

        // The stream's worker is free again: stopping does not wait for the long pause.
        QElapsedTimer timer;
        timer.start();
        m_server->stop();
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    }

    // Stopping the server ends a stream's pause or hold at once and does not count as the client leaving.
    void stop_isNotDelayedByAStream_data() {
        QTest::addColumn<bool>("held");
        QTest::newRow("long pace") << false;
        QTest::newRow("held") << true;
    }
    void stop_isNotDelayedByAStream() {
        QFETCH(bool, held);
        if (held)
            m_server->holdCompanionStream(0);
        else
            m_server->setCompanionPace(600000);
        RawStream stream(m_port, m_token, json(turn(QStringLiteral("你好"))));
        QVERIFY(stream.readUntil([](const Chunked &body) { return body.body.startsWith(": "); }, 5000));
        QElapsedTimer timer;
        timer.start();
        m_server->stop();
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(stream.readToClose(2000));
        QVERIFY(!stream.decoded().complete);
        QCOMPARE(m_server->companionStreamsAborted(), 0);
    }

    void pace_spacesTheEvents() {
        const int count = int(this->events(turn(QStringLiteral("你好"))).size());
        m_server->setCompanionPace(10);
        const Reply paced = chat(turn(QStringLiteral("你好")));
        QCOMPARE(paced.status, 200);
        QVERIFY2(paced.elapsedMs >= count * 10, qPrintable(QString::number(paced.elapsedMs)));
    }

    // The executable takes its pace from the command line.
    void executable_companionPace() {
        QProcess process;
        process.start(QStringLiteral(QVL_DEVSERVER_EXE),
                      {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--companion-pace"),
                       QStringLiteral("20")});
        QVERIFY(process.waitForStarted(5000));
        QByteArray output;
        QElapsedTimer timer;
        timer.start();
        while (!output.contains('\n') && timer.elapsed() < 10000) {
            process.waitForReadyRead(100);
            output += process.readAllStandardOutput();
        }
        static const QRegularExpression urlLine(
            QStringLiteral("QVL_DEVSERVER_URL=http://127\\.0\\.0\\.1:(\\d+)"));
        const QRegularExpressionMatch match = urlLine.match(QString::fromUtf8(output));
        QVERIFY2(match.hasMatch(), output.constData());
        m_port = match.captured(1).toInt();
        const QString token = signIn();
        const Reply reply = chat(json(turn(QStringLiteral("你好"))), token);
        process.terminate();
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(reply.status, 200);
        const qsizetype events = reply.body.count("event: ");
        QVERIFY2(reply.elapsedMs >= events * 20, qPrintable(QString::number(reply.elapsedMs)));
    }

    // --- settings ---

    void settings_startEmpty() {
        const Reply reply = settings();
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json,
                 (QJsonObject{
                     {"persona", QJsonValue::Null}, {"name", QJsonValue::Null}, {"reminder", "standard"}}));
        QCOMPARE(settings(QStringLiteral("GET"), {}, QStringLiteral("at_unknown")).status, 401);
        QCOMPARE(settings(QStringLiteral("PUT"), {{"persona", "calm"}}, QStringLiteral("at_unknown")).status,
                 401);
    }

    void settings_put_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("persona"); // after the request; null: none
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // of a refusal

        const QString keep = QStringLiteral("小星"); // stored before each row, with persona "cheerful"
        const QString cheerful = QStringLiteral("cheerful");
        QTest::newRow("persona only")
            << json({{"persona", "strict"}}) << 200 << "strict" << keep << QString();
        QTest::newRow("name only, trimmed")
            << json({{"name", " \t小月\u3000"}}) << 200 << cheerful << "小月" << QString();
        QTest::newRow("eight characters")
            << json({{"name", "一二三四五六七八"}}) << 200 << cheerful << "一二三四五六七八" << QString();
        QTest::newRow("eight characters of two units each")
            << json({{"name", QStringLiteral("e\u0301").repeated(8)}}) << 200 << cheerful
            << QStringLiteral("e\u0301").repeated(8) << QString();
        QTest::newRow("eight after trimming")
            << json({{"name", "  一二三四五六七八  "}}) << 200 << cheerful << "一二三四五六七八" << QString();
        QTest::newRow("empty name clears it")
            << json({{"name", ""}}) << 200 << cheerful << QString() << QString();
        QTest::newRow("spaces clear it")
            << json({{"name", "   "}}) << 200 << cheerful << QString() << QString();
        QTest::newRow("reminder and others ignored")
            << json({{"reminder", "07:00"}, {"color", "red"}}) << 200 << cheerful << keep << QString();
        QTest::newRow("nine characters")
            << json({{"name", "一二三四五六七八九"}}) << 400 << cheerful << keep << "名字最多 8 个字";
        QTest::newRow("unknown persona") << json({{"persona", "happy"}, {"name", "小月"}}) << 400 << cheerful
                                         << keep << "不支持的说话风格";
        QTest::newRow("persona in capitals")
            << json({{"persona", "Calm"}}) << 400 << cheerful << keep << "不支持的说话风格";
        QTest::newRow("persona a number") << json({{"persona", 1}}) << 400 << cheerful << keep << QString();
        QTest::newRow("persona null")
            << json({{"persona", QJsonValue::Null}}) << 400 << cheerful << keep << QString();
        QTest::newRow("name a number") << json({{"name", 8}}) << 400 << cheerful << keep << QString();
        QTest::newRow("not an object") << QByteArray("[\"calm\"]") << 400 << cheerful << keep << QString();
    }
    void settings_put() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, persona);
        QFETCH(QString, name);
        QFETCH(QString, message);

        QCOMPARE(settings(QStringLiteral("PUT"), {{"persona", "cheerful"}, {"name", "小星"}}).status, 200);
        const Reply reply = request(m_port, "PUT", "/api/v1/me/companion", body, m_token);
        QCOMPARE(reply.status, status);
        if (status != 200) {
            QCOMPARE(reply.json.value("code").toString(), QStringLiteral("invalid_request"));
            const QString text = reply.json.value("message").toString();
            QVERIFY2(message.isEmpty() ? isChinese(text) : text == message, qPrintable(text));
        }
        const QJsonObject expected{{"persona", persona.isNull() ? QJsonValue() : QJsonValue(persona)},
                                   {"name", name.isNull() ? QJsonValue() : QJsonValue(name)},
                                   {"reminder", "standard"}};
        if (status == 200)
            QCOMPARE(reply.json, expected);
        QCOMPARE(settings().json, expected);
    }

    // Settings are per learner and outlive the server through its state file.
    void settings_perLearnerAndPersisted() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        m_token = signIn();
        const QString other = signIn(kOtherPhone);
        QCOMPARE(settings(QStringLiteral("PUT"), {{"persona", "strict"}, {"name", "阿星"}}).status, 200);
        QCOMPARE(settings(QStringLiteral("PUT"), {{"persona", "calm"}}, other).status, 200);

        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        QCOMPARE(settings().json,
                 (QJsonObject{{"persona", "strict"}, {"name", "阿星"}, {"reminder", "standard"}}));
        QCOMPARE(settings(QStringLiteral("GET"), {}, other).json,
                 (QJsonObject{{"persona", "calm"}, {"name", QJsonValue::Null}, {"reminder", "standard"}}));
        // A cleared name stays cleared across the restart too.
        QCOMPARE(settings(QStringLiteral("PUT"), {{"name", ""}}).status, 200);
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        QCOMPARE(settings().json.value("name"), QJsonValue(QJsonValue::Null));
        QCOMPARE(settings().json.value("persona").toString(), QStringLiteral("strict"));
    }
};

QTEST_GUILESS_MAIN(TestCompanionRoutes)
#include "tst_companionroutes.moc"
