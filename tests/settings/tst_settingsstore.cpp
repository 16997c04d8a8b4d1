#include "AppSession.h"
#include "Await.h"
#include "SettingsStore.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <vector>

// The store as one state machine: each row scripts the server's answers, runs a few steps and compares the
// whole state afterwards, and the save bodies it sent.
//
// Answers, in the order each route is asked: "GET ok k=v,k=v" (a page with those preferences, v as JSON),
// "GET 500", "GET fail" (no connection), "GET html" (200 that does not decode), "PUT ok k=v,...",
// "PUT 500", "PUT fail"; any with "@<ms>" to answer late (out of order with others).
// Steps: "page <id>", "dark 0|1" (the session's flag beforehand), "load", "flip <key> 0|1", "flip -- 1"
// (a row without a key), "dismiss"; "&" after the verb starts it and leaves it running until "wait".
namespace {

QByteArray prefsJson(const QString &spec) {
    QJsonObject prefs;
    for (const QString &pair : spec.split(',', Qt::SkipEmptyParts))
        prefs.insert(pair.section('=', 0, 0),
                     QJsonDocument::fromJson(('[' + pair.section('=', 1) + ']').toUtf8()).array().first());
    return QJsonDocument(prefs).toJson(QJsonDocument::Compact);
}

FakeTransport::Reply answer(const QString &spec) {
    QStringList words = spec.split(' ');
    int delay = 0;
    if (words.last().startsWith('@'))
        delay = words.takeLast().mid(1).toInt();
    const QString kind = words[1];
    FakeTransport::Reply reply;
    if (kind == "ok" && words[0] == "GET")
        reply = FakeTransport::Reply::json(
            200,
            R"({"page":{"schemaVersion":"1.0","pageId":"p","revision":2,"title":"服务端","sections":[]},)"
            R"("prefs":)" +
                prefsJson(words.value(2)) + "}");
    else if (kind == "ok")
        reply = FakeTransport::Reply::json(200, R"({"prefs":)" + prefsJson(words.value(2)) + "}");
    else if (kind == "500")
        reply = FakeTransport::Reply::json(500, R"({"message":"坏了"})");
    else if (kind == "html")
        reply = FakeTransport::Reply::json(200, "<html/>");
    else
        reply = FakeTransport::Reply::error(TransportError::Kind::NoConnection);
    return reply.after(delay);
}

QString stateOf(const SettingsStore &store, const AppSession &session) {
    QStringList prefs;
    for (auto it = store.prefs().begin(); it != store.prefs().end(); ++it)
        prefs.append(
            it.key() + ':' +
            QString::fromUtf8(QJsonDocument(QJsonArray{it.value().toJson()}).toJson(QJsonDocument::Compact))
                .mid(1)
                .chopped(1));
    return QStringLiteral("%1 fb=%2 busy=%3 | msg=%4 | prefs=%5 | dark=%6")
        .arg(store.document() ? store.document()->pageId + ':' + store.title() : QStringLiteral("none"))
        .arg(store.usedFallback())
        .arg(store.loading())
        .arg(store.errorMessage().value_or("-"), prefs.join(','))
        .arg(session.darkMode());
}

const QString darkTrue = QStringLiteral("GET ok pref.dark_mode=true");
const QString darkFalse = QStringLiteral("GET ok pref.dark_mode=false");
const QString saveFailed = QStringLiteral("保存失败，请稍后重试");
const QString fallbackRoot = QStringLiteral(
    "settings_root:我的 fb=1 busy=0 | msg=配置暂不可用，已使用本地默认设置页 | prefs= | dark=0");

QString sent(bool on) {
    return QStringLiteral(R"({"prefs":{"pref.dark_mode":%1}})").arg(on ? "true" : "false");
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void machine_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("bodies"); // the save bodies, in order

        const auto row = [](const QString &name, QStringList answers, QStringList steps, QString state,
                            QStringList bodies = {}) {
            QTest::newRow(qPrintable(name)) << answers << steps << state << bodies;
        };

        row("before any load", {}, {}, "none fb=0 busy=0 | msg=- | prefs= | dark=0");
        row("load applies a boolean dark mode", {"GET ok pref.dark_mode=true,pref.sound=1"}, {"load"},
            "p:服务端 fb=0 busy=0 | msg=- | prefs=pref.dark_mode:true,pref.sound:1 | dark=1");
        for (const char *value : {"1", "0", "\"true\"", "null", "[true]"}) {
            row(QStringLiteral("dark mode %1 is not a boolean").arg(value),
                {QStringLiteral("GET ok pref.dark_mode=%1").arg(value)}, {"dark 1", "load"},
                QStringLiteral("p:服务端 fb=0 busy=0 | msg=- | prefs=pref.dark_mode:%1 | dark=1")
                    .arg(QString(value) == "[true]" ? "null" : value));
        }
        row("load without the dark key leaves the flag", {"GET ok pref.sound=false"}, {"dark 1", "load"},
            "p:服务端 fb=0 busy=0 | msg=- | prefs=pref.sound:false | dark=1");
        for (const char *failure : {"GET 500", "GET fail", "GET html"})
            row(QStringLiteral("fallback on the root page: %1").arg(failure), {failure}, {"load"},
                fallbackRoot);
        row("fallback on another page is 设置", {"GET 500"}, {"page settings_about", "load"},
            "settings_about:设置 fb=1 busy=0 | msg=配置暂不可用，已使用本地默认设置页 | prefs= | dark=0");
        row("a failed reload replaces the page and keeps the dark flag", {darkTrue, "GET fail"},
            {"load", "load"}, QString(fallbackRoot).replace("dark=0", "dark=1"));
        row("a good reload leaves the fallback and clears its message", {"GET fail", darkFalse},
            {"load", "load"}, "p:服务端 fb=0 busy=0 | msg=- | prefs=pref.dark_mode:false | dark=0");
        row("loading spans overlapping loads", {"GET ok @30", "GET ok @60"}, {"load&", "load&"},
            "none fb=0 busy=1 | msg=- | prefs= | dark=0");

        // Optimistic saves.
        row("flip saved", {darkFalse, "PUT ok pref.dark_mode=true"}, {"load", "flip pref.dark_mode 1"},
            "p:服务端 fb=0 busy=0 | msg=- | prefs=pref.dark_mode:true | dark=1", {sent(true)});
        row("the server's echo wins and other echoed keys merge",
            {darkFalse, "PUT ok pref.dark_mode=false,pref.sound=2"}, {"load", "flip pref.dark_mode 1"},
            "p:服务端 fb=0 busy=0 | msg=- | prefs=pref.dark_mode:false,pref.sound:2 | dark=0", {sent(true)});
        row("a failed flip restores and tells", {darkFalse, "PUT 500"}, {"load", "flip pref.dark_mode 1"},
            "p:服务端 fb=0 busy=0 | msg=" + saveFailed + " | prefs=pref.dark_mode:false | dark=0",
            {sent(true)});
        row("a failed flip of an absent key removes it", {"GET ok", "PUT fail"},
            {"load", "flip pref.dark_mode 1"},
            "p:服务端 fb=0 busy=0 | msg=" + saveFailed + " | prefs= | dark=0", {sent(true)});
        row("a row without a key does nothing", {darkFalse}, {"load", "flip -- 1"},
            "p:服务端 fb=0 busy=0 | msg=- | prefs=pref.dark_mode:false | dark=0");
        row("a success keeps an earlier message", {darkFalse, "PUT 500", "PUT ok pref.dark_mode=true"},
            {"load", "flip pref.dark_mode 1", "flip pref.dark_mode 1"},
            "p:服务端 fb=0 busy=0 | msg=" + saveFailed + " | prefs=pref.dark_mode:true | dark=1",
            {sent(true), sent(true)});

        // Overlapping saves of one key: only the newest decides that key.
        row("two failures restore the confirmed value", {darkFalse, "PUT 500 @20", "PUT 500 @40"},
            {"load", "flip& pref.dark_mode 1", "flip& pref.dark_mode 0", "wait"},
            "p:服务端 fb=0 busy=0 | msg=" + saveFailed + " | prefs=pref.dark_mode:false | dark=0",
            {sent(true), sent(false)});
        row("two failures of a key never confirmed remove it", {"GET ok", "PUT 500 @20", "PUT fail @40"},
            {"dark 1", "load", "flip& pref.dark_mode 1", "flip& pref.dark_mode 0", "wait"},
            "p:服务端 fb=0 busy=0 | msg=" + saveFailed + " | prefs= | dark=1", {sent(true), sent(false)});
        row("an older success arriving late does not overwrite",
            {darkFalse, "PUT ok pref.dark_mode=true @60", "PUT ok pref.dark_mode=false @10"},
            {"load", "flip& pref.dark_mode 1", "flip& pref.dark_mode 0", "wait"},
            "p:服务端 fb=0 busy=0 | msg=- | prefs=pref.dark_mode:false | dark=0", {sent(true), sent(false)});
        row("an older failure after a newer success is silent",
            {darkFalse, "PUT 500 @60", "PUT ok pref.dark_mode=true @10"},
            {"load", "flip& pref.dark_mode 0", "flip& pref.dark_mode 1", "wait"},
            "p:服务端 fb=0 busy=0 | msg=- | prefs=pref.dark_mode:true | dark=1", {sent(false), sent(true)});
        row("the newest failing restores what an older save confirmed",
            {darkFalse, "PUT ok pref.dark_mode=true @10", "PUT 500 @40"},
            {"load", "flip& pref.dark_mode 1", "flip& pref.dark_mode 0", "wait"},
            "p:服务端 fb=0 busy=0 | msg=" + saveFailed + " | prefs=pref.dark_mode:true | dark=1",
            {sent(true), sent(false)});
        row("saves of different keys restore only their own",
            {darkFalse, "PUT 500 @40", "PUT ok pref.sound=true @10"},
            {"load", "flip& pref.dark_mode 1", "flip& pref.sound 1", "wait"},
            "p:服务端 fb=0 busy=0 | msg=" + saveFailed +
                " | prefs=pref.dark_mode:false,pref.sound:true | dark=0",
            {sent(true), R"({"prefs":{"pref.sound":true}})"});
        row("a load ending after a save replaces the whole map",
            {darkFalse, "GET ok pref.x=1 @40", "PUT ok pref.dark_mode=true @10"},
            {"load", "load&", "flip pref.dark_mode 1", "wait"},
            "p:服务端 fb=0 busy=0 | msg=- | prefs=pref.x:1 | dark=1", {sent(true)});
    }

    void machine() {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, steps);
        QFETCH(QString, state);
        QFETCH(QStringList, bodies);

        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        SettingsStore store(QStringLiteral("settings_root"), &session);
        for (const QString &spec : std::as_const(answers)) {
            const bool get = spec.startsWith("GET");
            // Every page id of a row gets the GET answers, in order.
            for (const QString &page : {QStringLiteral("settings_root"), QStringLiteral("settings_about")})
                if (get)
                    platform.transport->on("GET", "/api/v1/layouts/settings/" + page, answer(spec));
            if (!get)
                platform.transport->on("PUT", "/api/v1/me/settings/prefs", answer(spec));
        }

        std::vector<QCoro::Task<>> running;
        for (const QString &step : std::as_const(steps)) {
            const QStringList words = step.split(' ');
            const bool background = words[0].endsWith('&');
            const QString op = background ? words[0].chopped(1) : words[0];
            std::optional<QCoro::Task<>> task;
            if (op == "page")
                store.setPageId(words[1]);
            else if (op == "dark")
                session.setDarkMode(words[1] == "1");
            else if (op == "load")
                task.emplace(store.load());
            else if (op == "flip") {
                SettingsItem item;
                item.id = item.title = QStringLiteral("row");
                item.type = QStringLiteral("toggle");
                if (words[1] != "--")
                    item.key = words[1];
                task.emplace(store.updatePref(item, words[2] == "1"));
            } else if (op == "dismiss")
                store.dismissError();
            else if (op == "wait")
                for (QCoro::Task<> &t : running)
                    Await::result(t);
            else
                QFAIL(qPrintable("unknown step " + step));
            if (task && background)
                running.push_back(std::move(*task));
            else if (task)
                Await::result(*task);
        }

        QCOMPARE(stateOf(store, session), state);
        QStringList saved;
        for (const HttpRequest &request : platform.transport->requestsTo("/api/v1/me/settings/prefs"))
            saved.append(QString::fromUtf8(request.body));
        QCOMPARE(saved, bodies);
        for (QCoro::Task<> &t : running)
            Await::result(t);
    }

    // The built-in page: the about section, the app version and the three legal pages on the web host.
    void fallbackPage() {
        const SettingsPageDocument page = SettingsStore::localFallbackPage(QStringLiteral("settings/x"));
        QStringList rows;
        for (const SettingsItem &item : page.sections.value(0).items)
            rows.append(QString::fromUtf8(QJsonDocument(item.toJson()).toJson(QJsonDocument::Compact)));
        QCOMPARE(QStringLiteral("%1 %2 r%3 %4 %5/%6")
                     .arg(page.schemaVersion, page.pageId)
                     .arg(page.revision)
                     .arg(page.title, page.sections.value(0).id, page.sections.value(0).title.value_or("-")),
                 QStringLiteral("1.0 settings/x r0 设置 about/关于与协议"));
        const QStringList expected{
            R"({"id":"version","title":"当前版本","type":"info","valueFrom":"app_version"})",
            "{\"id\":\"terms\",\"title\":\"用户协议\",\"type\":\"link\",\"url\":\"https://api.quorvel.cn/"
            "legal/terms.html\"}",
            "{\"id\":\"privacy_policy\",\"title\":\"隐私政策\",\"type\":\"link\",\"url\":\"https://"
            "api.quorvel.cn/legal/privacy.html\"}",
            "{\"id\":\"children_policy\",\"title\":\"儿童个人信息保护规则\",\"type\":\"link\",\"url\":"
            "\"https://api.quorvel.cn/legal/children.html\"}"};
        QCOMPARE(rows, expected);
    }

    // A store released while its answers are on the way writes nothing, and the session is left as it was.
    void answersAfterTheStoreIsGone() {
        TestPlatform platform;
        platform.transport->on("GET", "/api/v1/layouts/settings/settings_root",
                               answer("GET ok pref.dark_mode=true @30"));
        AppSession session;
        auto store = std::make_unique<SettingsStore>(QStringLiteral("settings_root"), &session);
        QCoro::Task<> load = store->load();
        store.reset();
        Await::result(load);
        QVERIFY(!session.darkMode());
    }

    // What QML reaches: the toggle by its place in the document, and the alert.
    void qmlSurface() {
        TestPlatform platform;
        platform.transport->on(
            "GET", "/api/v1/layouts/settings/settings_root",
            FakeTransport::Reply::json(
                200,
                R"({"page":{"schemaVersion":"1","pageId":"settings_root","revision":1,"title":"我的","sections":[)"
                R"({"id":"a","title":"偏好","items":[{"id":"dm","type":"toggle","title":"深色模式","key":"pref.dark_mode"}]}]},)"
                R"("prefs":{"pref.dark_mode":1}})"));
        platform.transport->on("PUT", "/api/v1/me/settings/prefs", answer("PUT 500 @20"));
        AppSession session;
        SettingsStore store(QStringLiteral("settings_root"), &session);
        Await::result(store.load());
        const QString key = QStringLiteral("pref.dark_mode");
        QCOMPARE(store.prefs().value(key), FlexibleValue::number(1));
        store.setToggle(0, 0, true);
        store.setToggle(0, 1, true); // outside the section: nothing
        QCOMPARE(store.prefs().value(key), FlexibleValue::boolean(true));
        QVERIFY(session.darkMode());
        QTRY_VERIFY(store.hasErrorMessage());
        QCOMPARE(store.prefs().value(key), FlexibleValue::number(1));
        QVERIFY(!session.darkMode()); // back to the flag it had: dark mode was never a confirmed boolean
        store.dismissError();
        QVERIFY(!store.hasErrorMessage());
        QCOMPARE(platform.transport->requestsTo("/api/v1/me/settings/prefs").size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
