// The stand-in's settings pages and preferences, spoken to over plain HTTP (the client decoding both pages is
// proven end to end by the settings view's own test): every row kind and every native screen; page ids as one
// percent-decoded segment; boolean preferences saved per learner, read back with the pages and kept across a
// restart; anything but a JSON boolean refused without saving a thing.
#include "DevServer.h"
#include "HttpProbe.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using namespace HttpProbe;

const std::string kPages = "/api/v1/layouts/settings/";
const std::string kPrefs = "/api/v1/me/settings/prefs";

// The values of `key` over every item of the page, in order, those without it left out.
QStringList itemValues(const QJsonObject &page, const char *key) {
    QStringList values;
    for (const QJsonValue &section : page.value("sections").toArray())
        for (const QJsonValue &item : section.toObject().value("items").toArray())
            if (item.toObject().contains(key))
                values << item.toObject().value(key).toString();
    return values;
}

QStringList sorted(QStringList list) {
    list.removeDuplicates();
    list.sort();
    return list;
}

} // namespace

class TestSettingsRoutes : public QObject {
    Q_OBJECT

    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    void startServer(const std::string &stateFile = {}) {
        m_server = std::make_unique<DevServer>();
        if (!stateFile.empty())
            QVERIFY(m_server->setStateFile(stateFile));
        m_port = m_server->start();
        QVERIFY(m_port > 0);
    }
    Reply page(const std::string &pageId, const QString &token) const {
        return request(m_port, "GET", kPages + pageId, {}, token);
    }
    Reply save(const QByteArray &body, const QString &token) const {
        return request(m_port, "PUT", kPrefs, body, token);
    }
    QJsonObject prefs(const QString &token) const {
        return page("settings_root", token).json.value("prefs").toObject();
    }

private Q_SLOTS:
    void init() {
        startServer();
        m_token = signIn(m_port, QStringLiteral("13800138000"));
        QVERIFY(!m_token.isEmpty());
    }
    void cleanup() { m_server.reset(); }

    void pages_data() {
        QTest::addColumn<QString>("pageId");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("sectionTitles");
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<QStringList>("routes");
        QTest::addColumn<QStringList>("controls"); // the toggles' keys, then the actions with their styles
        QTest::newRow("root") << "settings_root"
                              << "我的" << QStringList{"账号", "会员", "学习", "偏好", "关于"}
                              << QStringList{"action", "calendar_strip", "info",
                                             "link",   "navigation",     "toggle"}
                              << QStringList{"native/inbox",         "native/membership",
                                             "native/memories",      "native/orders",
                                             "native/profile-birth", "native/study-limits",
                                             "native/wrong-book",    "settings/about"}
                              << QStringList{"pref.dark_mode", "pref.study_reminder", "logout destructive"};
        QTest::newRow("nested") << "settings_about"
                                << "关于岚帆伴" << QStringList{"协议与政策", "帮助"}
                                << QStringList{"info", "link", "navigation"}
                                << QStringList{"native/help-center"} << QStringList{};
    }
    void pages() {
        QFETCH(QString, pageId);
        QFETCH(QString, title);
        QFETCH(QStringList, sectionTitles);
        QFETCH(QStringList, types);
        QFETCH(QStringList, routes);
        QFETCH(QStringList, controls);
        const Reply reply = page(pageId.toStdString(), m_token);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json.keys(), (QStringList{"page", "prefs"}));
        QVERIFY(reply.json.value("prefs").isObject());
        const QJsonObject document = reply.json.value("page").toObject();
        QCOMPARE(document.value("pageId").toString(), pageId);
        QCOMPARE(document.value("title").toString(), title);
        QStringList titles;
        for (const QJsonValue &section : document.value("sections").toArray())
            if (section.toObject().contains("title"))
                titles << section.toObject().value("title").toString();
        QCOMPARE(titles, sectionTitles);
        QCOMPARE(sorted(itemValues(document, "type")), types);
        QCOMPARE(sorted(itemValues(document, "route")), routes);
        QCOMPARE(sorted(itemValues(document, "url")),
                 (QStringList{"https://api.quorvel.cn/legal/children.html",
                              "https://api.quorvel.cn/legal/privacy.html",
                              "https://api.quorvel.cn/legal/terms.html"}));
        QVERIFY(itemValues(document, "valueFrom").contains("app_version"));
        QStringList actions = itemValues(document, "action");
        for (qsizetype i = 0; i < actions.size(); ++i)
            actions[i] += ' ' + itemValues(document, "style").value(i);
        QCOMPARE(itemValues(document, "key") + actions, controls);
        QCOMPARE(itemValues(document, "default").size(),
                 itemValues(document, "key").size()); // one per toggle
    }

    void pageIds_data() {
        QTest::addColumn<QString>("pageId"); // as it stands in the request target
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("served");
        QTest::newRow("plain") << "settings_root" << true << 200 << "settings_root";
        QTest::newRow("percent-encoded") << "settings%5Fabout" << true << 200 << "settings_about";
        QTest::newRow("with a query") << "settings_root?lang=zh" << true << 200 << "settings_root";
        QTest::newRow("unknown") << "settings_unknown" << true << 404 << "";
        QTest::newRow("empty") << "" << true << 404 << "";
        QTest::newRow("encoded slash") << "settings%2Fabout" << true << 404 << "";
        QTest::newRow("two segments") << "settings_root/about" << true << 404 << "";
        QTest::newRow("trailing slash") << "settings_root/" << true << 404 << "";
        QTest::newRow("signed out") << "settings_root" << false << 401 << "";
    }
    void pageIds() {
        QFETCH(QString, pageId);
        QFETCH(bool, signedIn);
        QFETCH(int, status);
        QFETCH(QString, served);
        const Reply reply = page(pageId.toStdString(), signedIn ? m_token : QString());
        QCOMPARE(reply.status, status);
        if (status == 200)
            QCOMPARE(reply.json.value("page").toObject().value("pageId").toString(), served);
        else
            QVERIFY(isChinese(reply.errorMessage()));
    }

    // Saved per learner, echoed key by key, read back with every page and across a restart.
    void savedPerLearner() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        startServer(file);
        m_token = signIn(m_port, QStringLiteral("13800138000"));
        const QString other = signIn(m_port, QStringLiteral("13900139000"));
        QCOMPARE(prefs(m_token), QJsonObject());

        Reply reply = save(json({{"prefs", QJsonObject{{"pref.dark_mode", true}}}}), m_token);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json, (QJsonObject{{"prefs", QJsonObject{{"pref.dark_mode", true}}}}));
        reply = save(json({{"prefs", QJsonObject{{"pref.study_reminder", false}}}}), m_token);
        QCOMPARE(reply.json, (QJsonObject{{"prefs", QJsonObject{{"pref.study_reminder", false}}}}));
        QCOMPARE(save(json({{"prefs", QJsonObject{{"pref.dark_mode", false}}}}), other).status, 200);

        const QJsonObject mine{{"pref.dark_mode", true}, {"pref.study_reminder", false}};
        const QJsonObject theirs{{"pref.dark_mode", false}};
        QCOMPARE(prefs(m_token), mine);
        QCOMPARE(page("settings_about", m_token).json.value("prefs").toObject(), mine);
        QCOMPARE(prefs(other), theirs);

        startServer(file);
        QCOMPARE(prefs(m_token), mine);
        QCOMPARE(prefs(other), theirs);
    }

    void refused_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("keysBefore"); // distinct keys the learner saved first
        QTest::addColumn<int>("status");
        const auto one = [](const QJsonValue &value) {
            return json({{"prefs", QJsonObject{{"pref.dark_mode", value}}}});
        };
        QTest::newRow("number 1") << one(1) << 0 << 400;
        QTest::newRow("text true") << one("true") << 0 << 400;
        QTest::newRow("one bad among good")
            << json({{"prefs", QJsonObject{{"pref.a", true}, {"pref.dark_mode", 0}}}}) << 0 << 400;
        QTest::newRow("prefs an array") << json({{"prefs", QJsonArray{true}}}) << 0 << 400;
        QTest::newRow("no prefs") << json({{"pref.dark_mode", true}}) << 0 << 400;
        QTest::newRow("not JSON") << QByteArray("{prefs:") << 0 << 400;
        QTest::newRow("empty key") << json({{"prefs", QJsonObject{{"", true}}}}) << 0 << 400;
        QTest::newRow("key too long")
            << json({{"prefs", QJsonObject{{QString(65, u'k'), true}}}}) << 0 << 400;
        QJsonObject many;
        for (int i = 0; i < 51; ++i)
            many.insert(QStringLiteral("pref.k%1").arg(i), true);
        QTest::newRow("too many at once") << json({{"prefs", many}}) << 0 << 400;
        QTest::newRow("learner's keys full") << one(true) << 100 << 400;
        QTest::newRow("full, a stored key again")
            << json({{"prefs", QJsonObject{{"pref.k0", true}}}}) << 100 << 200;
        QTest::newRow("signed out") << one(true) << 0 << 401;
    }
    void refused() {
        QFETCH(QByteArray, body);
        QFETCH(int, keysBefore);
        QFETCH(int, status);
        for (int start = 0; start < keysBefore; start += 50) {
            QJsonObject batch;
            for (int i = start; i < qMin(start + 50, keysBefore); ++i)
                batch.insert(QStringLiteral("pref.k%1").arg(i), false);
            QCOMPARE(save(json({{"prefs", batch}}), m_token).status, 200);
        }
        const QJsonObject before = prefs(m_token);
        const Reply reply = save(body, status == 401 ? QString() : m_token);
        QCOMPARE(reply.status, status);
        if (status == 200)
            return;
        QVERIFY(isChinese(reply.errorMessage()));
        QCOMPARE(prefs(m_token), before);
    }
};

QTEST_GUILESS_MAIN(TestSettingsRoutes)
#include "tst_settingsroutes.moc"
