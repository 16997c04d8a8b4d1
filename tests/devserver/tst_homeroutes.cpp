// The stand-in's home layout: the recommended document, overrides applied on read, the revision check on
// writes, restoring by writing nothing, the overrides kept across a restart on a state file, and a test's own
// document served in its place.
#include "DevServer.h"
#include "HttpProbe.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace {

using namespace HttpProbe;

const QString kPhone = QStringLiteral("13800138000");
const QString kOtherPhone = QStringLiteral("13900139000");

QStringList strings(const QStringList &list) {
    return list;
}

} // namespace

class TestHomeRoutes : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    QString signIn(const QString &phone = kPhone) const { return HttpProbe::signIn(m_port, phone); }
    Reply get(const QString &token = QString()) const {
        return request(m_port, "GET", "/api/v1/layouts/home", {}, token.isNull() ? m_token : token);
    }
    Reply put(qint64 revision, const QStringList &order, const QStringList &hidden, const QJsonObject &sizes,
              const QString &token = QString()) const {
        return request(m_port, "PUT", "/api/v1/layouts/home/overrides",
                       json({{"revision", revision},
                             {"overrides", QJsonObject{{"order", QJsonArray::fromStringList(order)},
                                                       {"hidden", QJsonArray::fromStringList(hidden)},
                                                       {"sizes", sizes}}}}),
                       token.isNull() ? m_token : token);
    }
    // The grid as "id:size" in order.
    static QStringList grid(const Reply &reply) {
        QStringList cards;
        for (const QJsonValue &card :
             reply.json.value("layout").toObject().value("slots").toObject().value("grid").toArray())
            cards.append(card.toObject().value("id").toString() + u':' +
                         card.toObject().value("size").toString());
        return cards;
    }
    static qint64 revision(const Reply &reply) {
        return reply.json.value("layout").toObject().value("revision").toInteger();
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

    void recommendedLayout() {
        const Reply reply = get();
        QCOMPARE(reply.status, 200);
        const QJsonObject layout = reply.json.value("layout").toObject();
        QCOMPARE(layout.value("schemaVersion"), QJsonValue("1.1"));
        QCOMPARE(layout.value("layoutId"), QJsonValue("home"));
        QCOMPARE(revision(reply), 1);
        const QJsonObject companion = layout.value("slots").toObject().value("companion").toObject();
        QCOMPARE(companion.value("type"), QJsonValue("CompanionHeader"));
        QVERIFY(!companion.value("props").toObject().value("greeting").toString().isEmpty());
        QCOMPARE(grid(reply), strings({"c_tools:L", "c_today:L", "c_inbox:M", "c_qa:M", "c_wrong:M"}));
        QVERIFY(reply.json.value("user_overrides").isNull());
        QCOMPARE(request(m_port, "GET", "/api/v1/layouts/home").status, 401);
    }

    // Overrides as stored: ordered ids first (unknown and repeated ids skipped), then the cards not
    // mentioned in their recommended order, hidden ones removed, sizes replaced.
    void overridesApplied_data() {
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<QJsonObject>("sizes");
        QTest::addColumn<QStringList>("grid");
        QTest::newRow("order only") << QStringList{"c_wrong", "c_inbox"} << QStringList() << QJsonObject()
                                    << QStringList{"c_wrong:M", "c_inbox:M", "c_tools:L", "c_today:L",
                                                   "c_qa:M"};
        QTest::newRow("unknown and repeated ids")
            << QStringList{"nope", "c_qa", "c_qa"} << QStringList() << QJsonObject()
            << QStringList{"c_qa:M", "c_tools:L", "c_today:L", "c_inbox:M", "c_wrong:M"};
        QTest::newRow("hidden") << QStringList() << QStringList{"c_tools", "c_inbox"} << QJsonObject()
                                << QStringList{"c_today:L", "c_qa:M", "c_wrong:M"};
        QTest::newRow("sizes") << QStringList() << QStringList()
                               << QJsonObject{{"c_tools", "S"}, {"c_qa", "L"}}
                               << QStringList{"c_tools:S", "c_today:L", "c_inbox:M", "c_qa:L", "c_wrong:M"};
        QTest::newRow("all three") << QStringList{"c_today"} << QStringList{"c_wrong"}
                                   << QJsonObject{{"c_today", "M"}}
                                   << QStringList{"c_today:M", "c_tools:L", "c_inbox:M", "c_qa:M"};
    }
    void overridesApplied() {
        QFETCH(QStringList, order);
        QFETCH(QStringList, hidden);
        QFETCH(QJsonObject, sizes);
        QFETCH(QStringList, grid);
        const Reply written = put(1, order, hidden, sizes);
        QCOMPARE(written.status, 200);
        QCOMPARE(revision(written), 2);
        QCOMPARE(TestHomeRoutes::grid(written), grid);
        const QJsonObject echoed = written.json.value("user_overrides").toObject();
        QCOMPARE(echoed.value("order").toArray(), QJsonArray::fromStringList(order));
        QCOMPARE(echoed.value("hidden").toArray(), QJsonArray::fromStringList(hidden));
        QCOMPARE(echoed.value("sizes").toObject(), sizes);
        const Reply read = get();
        QCOMPARE(TestHomeRoutes::grid(read), grid);
        QCOMPARE(revision(read), 2);
        // Another learner keeps the recommended layout.
        QCOMPARE(TestHomeRoutes::grid(get(signIn(kOtherPhone))).size(), 5);
    }

    // A write naming an older revision changes nothing; writing nothing restores the recommended layout.
    void staleRevisionAndRestore() {
        QCOMPARE(put(1, {}, {"c_qa"}, {}).status, 200);
        const Reply stale = put(1, {}, {"c_tools"}, {});
        QCOMPARE(stale.status, 409);
        QCOMPARE(stale.errorCode(), "revision_conflict");
        QCOMPARE(stale.errorMessage(), "布局已在别处更新，请刷新后再改");
        QCOMPARE(put(7, {}, {}, {}).status, 409);
        QCOMPARE(grid(get()).size(), 4);

        const Reply restored = put(2, {}, {}, {});
        QCOMPARE(restored.status, 200);
        QCOMPARE(revision(restored), 3);
        QCOMPARE(grid(restored), strings({"c_tools:L", "c_today:L", "c_inbox:M", "c_qa:M", "c_wrong:M"}));
        QVERIFY(restored.json.value("user_overrides").isNull());
    }

    void malformedWritesRefused_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no revision") << QByteArray(R"({"overrides":{}})");
        QTest::newRow("revision as text") << QByteArray(R"({"revision":"1","overrides":{}})");
        QTest::newRow("no overrides") << QByteArray(R"({"revision":1})");
        QTest::newRow("order not strings") << QByteArray(R"({"revision":1,"overrides":{"order":[1]}})");
        QTest::newRow("size XL") << QByteArray(R"({"revision":1,"overrides":{"sizes":{"c_qa":"XL"}}})");
        QTest::newRow("not JSON") << QByteArray("{");
    }
    void malformedWritesRefused() {
        QFETCH(QByteArray, body);
        const Reply reply = request(m_port, "PUT", "/api/v1/layouts/home/overrides", body, m_token);
        QCOMPARE(reply.status, 400);
        QCOMPARE(revision(get()), 1);
    }

    void overridesSurviveARestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        m_token = signIn();
        QCOMPARE(put(1, {"c_qa"}, {"c_inbox"}, {{"c_qa", "S"}}).status, 200);
        const QStringList before = grid(get());

        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        const Reply after = get();
        QCOMPARE(grid(after), before);
        QCOMPARE(revision(after), 2);
    }

    // A test's own document in place of the recommended one: served as given, odd cards and all, with the
    // learner's revision and overrides applied by card id; taken back, the built-in one returns.
    void replacedDocument() {
        const QJsonObject document{
            {"schemaVersion", "1.1"},
            {"layoutId", "home"},
            {"revision", 99},
            {"source", "experiment"},
            {"slots",
             QJsonObject{{"grid", QJsonArray{QJsonObject{{"id", "x1"},
                                                         {"type", "Hologram"},
                                                         {"size", "XL"},
                                                         {"props", QJsonObject{{"title", 42}}}},
                                             QJsonObject{{"id", "x1"}, {"type", "Inbox"}, {"size", "M"}},
                                             QJsonObject{{"id", "x2"},
                                                         {"type", "TodayTasks"},
                                                         {"size", "L"},
                                                         {"props", QJsonObject{{"title", true}}}}}}}}};
        QCOMPARE(request(m_port, "POST", "/__dev/home-layout", json(document), QString()).status, 204);
        Reply reply = get();
        QCOMPARE(reply.status, 200);
        QJsonObject served = document;
        served.insert("revision", 1);
        QCOMPARE(reply.json.value("layout").toObject(), served);
        QCOMPARE(reply.json.value("user_overrides"), QJsonValue(QJsonValue::Null));

        QCOMPARE(put(1, {"x2"}, {}, {{"x2", "S"}}).status, 200);
        QCOMPARE(grid(get()), (QStringList{"x2:S", "x1:XL", "x1:M"}));
        QCOMPARE(put(2, {}, {"x1"}, {}).status, 200);
        reply = get();
        QCOMPARE(grid(reply), QStringList{"x2:L"});
        QCOMPARE(reply.json.value("layout").toObject().value("source"), QJsonValue("experiment"));
        QCOMPARE(revision(reply), 3);

        QCOMPARE(request(m_port, "POST", "/__dev/home-layout", "[]", QString()).status, 400);
        QCOMPARE(request(m_port, "DELETE", "/__dev/home-layout", {}, QString()).status, 204);
        reply = get();
        QCOMPARE(reply.json.value("layout").toObject().value("source"), QJsonValue("user"));
        QCOMPARE(grid(reply), (QStringList{"c_tools:L", "c_today:L", "c_inbox:M", "c_qa:M", "c_wrong:M"}));

        // The same from C++.
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->replaceHomeLayout("[1]"));
        m_server->replaceHomeLayout(QJsonDocument(document).toJson().toStdString());
        QCOMPARE(grid(get()), QStringList{"x2:L"});
        m_server->restoreHomeLayout();
        QCOMPARE(get().json.value("layout").toObject().value("themePack"), QJsonValue("junior_default"));
    }
};

QTEST_GUILESS_MAIN(TestHomeRoutes)
#include "tst_homeroutes.moc"
