// The inbox's messages as they arrive (a bare array, which keys are needed, ids exact beyond 2^53) and its
// two requests: the list's GET and the mark-read POST cut into runs of at most 50 ids, with every kind of
// answer.
#include "AppSession.h"
#include "Await.h"
#include "ErrorText.h"
#include "Fixtures.h"
#include "InboxAPIClient.h"
#include "InboxFixture.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QTest>

#include <memory>

namespace {

using Reply = FakeTransport::Reply;

const QString refreshPath = QStringLiteral("/api/v1/auth/refresh");

QByteArray withChange(const QString &location, const QJsonValue &value) {
    return inboxAnswer({Fixtures::with(inboxMessage(1), location, value)});
}

Reply noHttpAnswer(const QByteArray &body = {}) {
    Reply reply;
    reply.status = -1;
    reply.body = body;
    return reply;
}

// "ok <count>", "http <status> <message>", "decoder", "offline" or "other".
QString outcomeOf(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ApiError &error) {
        if (error.kind() == ApiError::Kind::Http)
            return QStringLiteral("http %1 %2").arg(error.status()).arg(error.message());
        return error.kind() == ApiError::Kind::NoConnection ? QStringLiteral("offline")
                                                            : QStringLiteral("other");
    } catch (const JsonDecodeError &) {
        return QStringLiteral("decoder");
    } catch (...) {
        return QStringLiteral("other");
    }
}

QList<qint64> idsOf(const HttpRequest &request) {
    QList<qint64> ids;
    const QJsonArray list = QJsonDocument::fromJson(request.body).object().value("ids").toArray();
    for (const QJsonValue &id : list)
        ids.append(id.toInteger());
    return ids;
}

QList<qint64> firstIds(int count) {
    QList<qint64> ids;
    for (int i = 0; i < count; ++i)
        ids.append(9000 + i);
    return ids;
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestInboxClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // "ids ..." with refs as "<id>:<refType>/<refId>", or "fails"

        const auto two = inboxAnswer({inboxMessage(1), inboxMessage(2, "anything_new", true)});
        QTest::newRow("two in server order") << two << "1:study_report/88 2:study_report/88";
        QTest::newRow("empty array") << QByteArray("[]") << "";
        QTest::newRow("refs missing")
            << inboxAnswer({Fixtures::with(Fixtures::with(inboxMessage(1), "ref_type", QJsonValue()),
                                           "ref_id", QJsonValue())})
            << "1:-/-";
        QTest::newRow("refs null") << inboxAnswer({Fixtures::with(
                                          Fixtures::with(inboxMessage(1), "ref_type", QJsonValue::Null),
                                          "ref_id", QJsonValue::Null)})
                                   << "1:-/-";
        QTest::newRow("camel-case keys")
            << QByteArray(
                   R"([{"id":3,"kind":"k","title":"t","body":"b","refId":4,"createdAt":"x","read":true}])")
            << "3:-/4";
        QTest::newRow("extra keys ignored") << withChange("priority", "high") << "1:study_report/88";
        QTest::newRow("id beyond 2^53 kept exactly")
            << QByteArray(
                   R"([{"id":9007199254740993,"kind":"k","title":"t","body":"b","ref_id":9223372036854775807,)"
                   R"("created_at":"x","read":false}])")
            << "9007199254740993:-/9223372036854775807";

        const auto fails = [](const char *name, const QByteArray &body) {
            QTest::newRow(name) << body << "fails";
        };
        fails("items envelope", R"({"items":[]})");
        fails("read missing", withChange("read", QJsonValue()));
        fails("read as text", withChange("read", "false"));
        fails("id as text", withChange("id", "1"));
        fails("fractional id", withChange("id", 1.5));
        fails("title null", withChange("title", QJsonValue::Null));
        fails("created_at missing", withChange("created_at", QJsonValue()));
        fails("ref_id as text", withChange("ref_id", "88"));
        fails("one bad element fails the list",
              inboxAnswer({inboxMessage(1), Fixtures::with(inboxMessage(2), "kind", QJsonValue())}));
        fails("element not an object", "[1]");
        fails("not JSON", "[{");
        fails("empty body", "");
    }
    void decoding() {
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        try {
            QStringList got;
            for (const InboxMessage &m : InboxMessage::listFromJson(body))
                got << QStringLiteral("%1:%2/%3")
                           .arg(m.id)
                           .arg(m.refType.value_or("-"))
                           .arg(m.refId ? QString::number(*m.refId) : QStringLiteral("-"));
            QCOMPARE(got.join(u' '), outcome);
        } catch (const JsonDecodeError &error) {
            QVERIFY2(outcome == QLatin1String("fails"), error.what());
        }
    }

    void fetch_data() {
        QTest::addColumn<QList<Reply>>("replies");
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QList<QByteArray>>("authorizations"); // of each GET sent; "-" for none

        using Q = QList<QByteArray>;
        using T = std::optional<QString>;
        const Reply ok = Reply::json(200, inboxAnswer({inboxMessage(1), inboxMessage(2)}));
        const Reply unauthorized = Reply::json(401, R"({"message":"登录已过期"})");
        QTest::newRow("200") << QList<Reply>{ok} << T("tok") << "ok 2" << Q{"Bearer tok"};
        QTest::newRow("200 empty") << QList<Reply>{Reply::json(200, "[]")} << T("tok") << "ok 0"
                                   << Q{"Bearer tok"};
        QTest::newRow("200 items envelope")
            << QList<Reply>{Reply::json(200, R"({"items":[]})")} << T("tok") << "decoder" << Q{"Bearer tok"};
        QTest::newRow("500 with a message")
            << QList<Reply>{Reply::json(500, R"({"message":"服务暂时不可用"})")} << T("tok")
            << "http 500 服务暂时不可用" << Q{"Bearer tok"};
        QTest::newRow("500 empty body")
            << QList<Reply>{Reply::json(500, {})} << T("tok") << "http 500 拉取站内信失败" << Q{"Bearer tok"};
        QTest::newRow("500 empty message") << QList<Reply>{Reply::json(500, R"({"message":""})")} << T("tok")
                                           << "http 500 " << Q{"Bearer tok"};
        QTest::newRow("404 code without message") << QList<Reply>{Reply::json(404, R"({"code":"gone"})")}
                                                  << T("tok") << "http 404 拉取站内信失败" << Q{"Bearer tok"};
        QTest::newRow("not HTTP") << QList<Reply>{noHttpAnswer()} << T("tok") << "http -1 拉取站内信失败"
                                  << Q{"Bearer tok"};
        QTest::newRow("not HTTP with a message") << QList<Reply>{noHttpAnswer(R"({"message":"网关"})")}
                                                 << T("tok") << "http -1 网关" << Q{"Bearer tok"};
        QTest::newRow("no connection") << QList<Reply>{Reply::error(TransportError::Kind::NoConnection)}
                                       << T("tok") << "offline" << Q{"Bearer tok"};
        QTest::newRow("401 renewed, then 200")
            << QList<Reply>{unauthorized, ok} << T("tok") << "ok 2" << Q{"Bearer tok", "Bearer new"};
        QTest::newRow("401 twice") << QList<Reply>{unauthorized, unauthorized} << T("tok")
                                   << "http 401 登录已过期" << Q{"Bearer tok", "Bearer new"};
        QTest::newRow("no token: no header") << QList<Reply>{ok} << T() << "ok 2" << Q{"-"};
        QTest::newRow("empty token still sent") << QList<Reply>{ok} << T("") << "ok 2" << Q{"Bearer "};
    }
    void fetch() {
        QFETCH(QList<Reply>, replies);
        QFETCH(std::optional<QString>, token);
        QFETCH(QString, outcome);
        QFETCH(QList<QByteArray>, authorizations);

        QJsonObject bundle = TestPlatform::defaultBundle();
        bundle.insert(QStringLiteral("QVLApiBaseURL"), QStringLiteral("https://api.test.example/base/"));
        TestPlatform platform(bundle);
        const QString path = QStringLiteral("/base") + InboxAPIClient::listPath;
        for (const Reply &reply : replies)
            platform.transport->on("GET", path, reply);
        platform.transport->on(
            "POST", QStringLiteral("/base") + refreshPath,
            Reply::json(200, Fixtures::patched("auth/grant.json", {{"access_token", "new"}})));
        AppSession session;
        session.setAccessToken(token);
        session.setRefreshToken(QStringLiteral("rt"));

        QString got;
        try {
            got = QStringLiteral("ok %1").arg(Await::result(InboxAPIClient().fetchInbox(50, session)).size());
        } catch (...) {
            got = outcomeOf(std::current_exception());
        }
        QCOMPARE(got, outcome);

        QList<QByteArray> sent;
        for (const HttpRequest &request : platform.transport->requestsTo(path)) {
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(request.url.toString(QUrl::FullyEncoded),
                     QStringLiteral("https://api.test.example/base/api/v1/me/inbox?limit=50"));
            QCOMPARE(request.timeoutMs, 60000);
            QVERIFY(request.body.isEmpty());
            QVERIFY(!request.hasHeader("Content-Type"));
            sent.append(request.header("Authorization").value_or("-"));
        }
        QCOMPARE(sent, authorizations);
    }

    // The limit is the only query item, whatever query the configured base carried.
    void fetchQueryReplacesTheBasesQuery() {
        const ApiClient client(QUrl(QStringLiteral("https://h.example/base/?lang=zh")),
                               InboxAPIClient::rules());
        QCOMPARE(InboxAPIClient::fetchRequest(client, 7).url.toString(QUrl::FullyEncoded),
                 QStringLiteral("https://h.example/base/api/v1/me/inbox?limit=7"));
    }

    // Runs of at most 50, in order, each after the one before was confirmed; the first failure stops the
    // rest.
    void markRead_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<Reply>>("replies"); // to the successive POSTs; the last keeps answering
        QTest::addColumn<QList<int>>("sizes");     // of the POSTs sent
        QTest::addColumn<int>("confirmed");
        QTest::addColumn<QString>("failure"); // "" for none

        const Reply done = Reply::json(204, {});
        const Reply tooMany = Reply::json(400, R"({"code":"too_many_ids","message":"一次最多标记 50 条"})");
        using R = QList<Reply>;
        using S = QList<int>;
        QTest::newRow("none: nothing sent") << 0 << R{done} << S{} << 0 << "";
        QTest::newRow("one") << 1 << R{done} << S{1} << 1 << "";
        QTest::newRow("fifty in one") << 50 << R{done} << S{50} << 50 << "";
        QTest::newRow("fifty-one in two") << 51 << R{done} << S{50, 1} << 51 << "";
        QTest::newRow("120 in three") << 120 << R{done} << S{50, 50, 20} << 120 << "";
        QTest::newRow("200 with a body") << 3 << R{Reply::json(200, "not json")} << S{3} << 3 << "";
        QTest::newRow("second run fails")
            << 120 << R{done, tooMany} << S{50, 50} << 50 << "http 400 一次最多标记 50 条";
        QTest::newRow("first run offline")
            << 120 << R{Reply::error(TransportError::Kind::NoConnection)} << S{50} << 0 << "offline";
        QTest::newRow("500 empty body")
            << 1 << R{Reply::json(500, {})} << S{1} << 0 << "http 500 标记已读失败";
        QTest::newRow("not HTTP") << 2 << R{noHttpAnswer()} << S{2} << 0 << "http -1 标记已读失败";
    }
    void markRead() {
        QFETCH(int, count);
        QFETCH(QList<Reply>, replies);
        QFETCH(QList<int>, sizes);
        QFETCH(int, confirmed);
        QFETCH(QString, failure);

        TestPlatform platform;
        for (const Reply &reply : replies)
            platform.transport->on("POST", InboxAPIClient::readPath, reply);
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));

        const QList<qint64> ids = firstIds(count);
        const InboxMarkReadResult result = Await::result(InboxAPIClient().markRead(ids, session));
        QCOMPARE(result.confirmed, ids.mid(0, confirmed));
        QCOMPARE(result.failure ? outcomeOf(result.failure) : QString(), failure);

        QList<int> sentSizes;
        QList<qint64> sentIds;
        for (const HttpRequest &request : platform.transport->requests) {
            QCOMPARE(request.method, QByteArray("POST"));
            // The colon stays literal: "%3A" would name another route.
            QCOMPARE(request.url.toString(QUrl::FullyEncoded),
                     QStringLiteral("https://api.test.example/api/v1/me/inbox:read"));
            QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
            QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok"));
            sentSizes.append(int(idsOf(request).size()));
            sentIds.append(idsOf(request));
        }
        QCOMPARE(sentSizes, sizes);
        QCOMPARE(sentIds, ids.mid(0, sentIds.size())); // in the order given, none twice
    }

    // Ids go out as JSON integers, digit for digit, also where a double would round them.
    void markReadBodyKeepsIdsExact() {
        TestPlatform platform;
        platform.transport->on("POST", InboxAPIClient::readPath, Reply::json(204, {}));
        AppSession session;
        const QList<qint64> ids{9007199254740993, -1, 9223372036854775807};
        QCOMPARE(Await::result(InboxAPIClient().markRead(ids, session)).confirmed, ids);
        QCOMPARE(platform.transport->requests.value(0).body,
                 QByteArray(R"({"ids":[9007199254740993,-1,9223372036854775807]})"));
        QVERIFY(!platform.transport->requests.value(0).hasHeader("Authorization"));
    }

    // A session closed while its runs go out: the rest still go, with the token it held at the start.
    void markReadOutlivesItsSession() {
        TestPlatform platform;
        platform.transport->on("POST", InboxAPIClient::readPath, Reply::json(204, {}).after(5));
        auto session = std::make_unique<AppSession>();
        session->setAccessToken(QStringLiteral("tok"));
        auto marking = InboxAPIClient().markRead(firstIds(120), *session);
        session.reset();
        QCOMPARE(Await::result(marking).confirmed.size(), 120);
        QCOMPARE(platform.transport->requests.size(), 3);
        for (const HttpRequest &request : platform.transport->requests)
            QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok"));
    }
};

QTEST_GUILESS_MAIN(TestInboxClient)
#include "tst_inboxclient.moc"
