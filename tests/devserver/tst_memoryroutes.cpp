// The stand-in's companion memories, spoken to over plain HTTP: a goal and two difficulties on the first
// read, newest first, each learner their own; single deletes (204, then 404 for the same or an unknown id,
// another learner's included), clearing all (204, and the seeds do not come back), the sign-in gate, and the
// memories kept across a restart on a state file.
#include "DevServer.h"
#include "HttpProbe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using namespace HttpProbe;

const std::string kList = "/v1/companion/memories";

} // namespace

class TestMemoryRoutes : public QObject {
    Q_OBJECT

    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    Reply call(const std::string &method, const std::string &path, const QString &token) const {
        return request(m_port, method, path, {}, token);
    }
    QJsonArray items(const QString &token) const {
        return call("GET", kList, token).json.value("items").toArray();
    }
    QStringList ids(const QString &token) const {
        QStringList list;
        for (const QJsonValue &item : items(token))
            list << item.toObject().value("id").toString();
        return list;
    }

private Q_SLOTS:
    void init() {
        m_server = std::make_unique<DevServer>();
        m_port = m_server->start();
        QVERIFY(m_port > 0);
        m_token = signIn(m_port, QStringLiteral("13800138000"));
        QVERIFY(!m_token.isEmpty());
    }
    void cleanup() { m_server.reset(); }

    void seeded() {
        const Reply reply = call("GET", kList, m_token);
        QCOMPARE(reply.status, 200);
        const QJsonArray list = reply.json.value("items").toArray();
        QCOMPARE(list.size(), 3);
        QStringList kinds;
        QString previous = QStringLiteral("9999");
        static const QRegularExpression iso(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\+08:00$"));
        for (const QJsonValue &value : list) {
            const QJsonObject item = value.toObject();
            kinds << item.value("kind").toString();
            QVERIFY(isChinese(item.value("text").toString()));
            const QString created = item.value("created_at").toString();
            QVERIFY2(iso.match(created).hasMatch(), qPrintable(created));
            QVERIFY(created < previous); // newest first
            previous = created;
        }
        QCOMPARE(kinds, (QStringList{"difficulty", "difficulty", "goal"}));
        QCOMPARE(ids(m_token), ids(m_token)); // read again: the same memories, not seeded twice
    }

    void deletes_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path"); // "<first>" stands for the learner's first memory
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("left");
        QTest::newRow("one") << "DELETE"
                             << "/<first>" << 204 << 2;
        QTest::newRow("unknown id") << "DELETE"
                                    << "/mem_999" << 404 << 3;
        QTest::newRow("all") << "DELETE"
                             << "" << 204 << 0;
        QTest::newRow("without a token") << "NOAUTH"
                                         << "/<first>" << 401 << 3;
    }
    void deletes() {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(int, left);
        const QString first = ids(m_token).first();
        const std::string target = kList + path.replace("<first>", first).toStdString();
        const Reply reply = call("DELETE", target, method == "NOAUTH" ? QString() : m_token);
        QCOMPARE(reply.status, status);
        if (status == 204)
            QVERIFY(reply.body.isEmpty());
        else
            QVERIFY(isChinese(reply.errorMessage()));
        QCOMPARE(ids(m_token).size(), left);
        if (status == 204 && left > 0) // gone for good
            QCOMPARE(call("DELETE", target, m_token).status, 404);
    }

    // Each learner reads and deletes only their own memories; cleared memories stay cleared.
    void perLearner() {
        const QString other = signIn(m_port, QStringLiteral("13900139000"));
        const QString mine = ids(m_token).first();
        QVERIFY(!ids(other).contains(mine));
        QCOMPARE(call("DELETE", kList + "/" + mine.toStdString(), other).status, 404);
        QCOMPARE(call("DELETE", kList, other).status, 204);
        QVERIFY(ids(other).isEmpty());
        QCOMPARE(ids(m_token).size(), 3);
        QCOMPARE(call("GET", kList, QString()).status, 401);
    }

    // What is left after a delete, and a cleared list, survive a restart on a state file.
    void keptAcrossARestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        m_token = signIn(m_port, QStringLiteral("13800138000"));
        const QString other = signIn(m_port, QStringLiteral("13900139000"));
        QCOMPARE(call("DELETE", kList + "/" + ids(m_token).first().toStdString(), m_token).status, 204);
        QCOMPARE(call("DELETE", kList, other).status, 204);
        const QStringList left = ids(m_token);

        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        QCOMPARE(ids(m_token), left);
        QVERIFY(ids(other).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMemoryRoutes)
#include "tst_memoryroutes.moc"
