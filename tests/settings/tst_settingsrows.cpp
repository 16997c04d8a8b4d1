#include "AppSession.h"
#include "Await.h"
#include "SettingsHostViewModel.h"
#include "SettingsPageViewModel.h"
#include "SettingsRows.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

// The rows a settings page draws (icon, destination, value of each kind), the page's lists as a store fills
// them, and the host's store per appearance.
namespace {

const QString pagePath = QStringLiteral("/api/v1/layouts/settings/settings_root");
const QString prefsPath = QStringLiteral("/api/v1/me/settings/prefs");

SettingsItem item(const QByteArray &json) {
    return SettingsItem::fromJson(JsonReader::parse(json, JsonKeys::AsIs));
}

// A page reply for the root path; `sections` is the JSON array's inside.
FakeTransport::Reply page(const QString &pageId, const QString &title, const QByteArray &sections,
                          const QByteArray &prefs = "{}") {
    return FakeTransport::Reply::json(
        200, QStringLiteral(R"({"page":{"schemaVersion":"1.0","pageId":"%1","revision":1,"title":"%2",)"
                            R"("sections":[%3]},"prefs":%4})")
                 .arg(pageId, title, QString::fromUtf8(sections), QString::fromUtf8(prefs))
                 .toUtf8());
}

// What a row shows, by its kind, then its icon and subtitle when it has them (the action row has neither).
QString shown(const SettingsRowData &row) {
    QString kind;
    if (row.kind == "navigation")
        kind = QStringLiteral("page=%1 to=%2 %3")
                   .arg(row.pageId)
                   .arg(row.destination)
                   .arg(QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(row.openProperties))
                                              .toJson(QJsonDocument::Compact)));
    else if (row.kind == "toggle")
        kind = QStringLiteral("on=%1").arg(row.on);
    else if (row.kind == "info")
        kind = "value=" + row.value;
    else if (row.kind == "link")
        kind = QStringLiteral("url=%1 active=%2").arg(row.url.toString()).arg(row.linkActive);
    else if (row.kind == "action")
        kind = QStringLiteral("action=%1 red=%2").arg(row.actionName).arg(row.destructive);
    return kind + (row.iconSymbol.isEmpty() ? "" : " icon=" + row.iconSymbol) +
           (row.subtitle.isEmpty() ? "" : " sub=" + row.subtitle);
}

// The drawn sections: "title:row,row | ...", each row "id@section.item" and "+" when a divider follows.
QString layout(SettingsSectionListModel &sections) {
    QStringList out;
    for (const SettingsSectionData &section : sections.rows()) {
        QStringList rows;
        for (const SettingsRowData &row : section.rows->rows())
            rows.append(QStringLiteral("%1@%2.%3%4")
                            .arg(row.itemId)
                            .arg(row.sectionIndex)
                            .arg(row.itemIndex)
                            .arg(row.divider ? "+" : ""));
        out.append(section.title + ':' + rows.join(','));
    }
    return out.join(" | ");
}

// A list model's signals: "name changed first-last roles", or "name rebuilt" for anything but a change.
void record(QAbstractItemModel *model, const QString &name, QStringList *log) {
    QObject::connect(model, &QAbstractItemModel::dataChanged, model,
                     [=](const QModelIndex &from, const QModelIndex &to, const QList<int> &roles) {
                         QStringList names;
                         for (int role : roles)
                             names.append(QString::fromUtf8(model->roleNames().value(role)));
                         log->append(
                             QStringLiteral("%1 changed %2-%3 ").arg(name).arg(from.row()).arg(to.row()) +
                             names.join('/'));
                     });
    const auto rebuilt = [=] { log->append(name + " rebuilt"); };
    QObject::connect(model, &QAbstractItemModel::rowsInserted, model, rebuilt);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, model, rebuilt);
    QObject::connect(model, &QAbstractItemModel::modelReset, model, rebuilt);
}

} // namespace

class TestSettingsRows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void icon_data() {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QString>("icon"); // "symbol colour"
        const auto row = [](const char *name, const QByteArray &fields, const char *icon) {
            QTest::newRow(name) << QByteArray(R"({"type":"link","title":"t",)" + fields + "}")
                                << QString(icon);
        };
        row("privacy_policy before privacy", R"("id":"privacy_policy")", "hand.raised.fill indigo");
        row("plain privacy", R"("id":"privacy")", "lock.shield.fill indigo");
        row("children before policy", R"("id":"children_policy")", "figure.and.child.holdinghands pink");
        row("icon is lower-cased", R"("id":"x1","icon":"Dark_Mode")", "moon.fill brandNavy");
        row("remind before time", R"("id":"reminder_time")", "checkmark.seal.fill green");
        row("time alone", R"("id":"screen_time")", "hourglass purple");
        row("empty id, no icon", R"("id":"")", "circle.grid.2x2.fill brandTeal");
        row("nothing matches", R"("id":"misc","icon":"star")", "circle.grid.2x2.fill brandTeal");
        row("table order, not text order", R"("id":"vip","icon":"about")", "crown.fill brandAmber");
        row("a keyword across icon and id does not count", R"("id":"rder","icon":"o")",
            "circle.grid.2x2.fill brandTeal");
        row("id upper case", R"("id":"NOTIFICATIONS")", "bell.badge.fill brandTeal");
    }
    void icon() {
        QFETCH(QByteArray, item);
        QFETCH(QString, icon);
        const SettingsRows::Icon chosen = SettingsRows::rowIcon(::item(item));
        QCOMPARE(chosen.symbol + ' ' + chosen.colour, icon);
    }

    void destination_data() {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("pageId");
        // Every route not under "settings/" is asked of the router as a native route, as it came.
        const auto row = [](const char *route, const char *pageId) {
            QTest::newRow(route) << QString(route) << QString(pageId);
        };
        row("settings/about", "settings_about");
        row("settings/settings_x", "settings_x");
        row("settings/a//b", "settings_b");
        row("settings//about//", "settings_about");
        row("Settings/x", "");
        row("/settings/x", "");
        row("native/inbox", "");
        row("", "");
    }
    void destination() {
        QFETCH(QString, route);
        QFETCH(QString, pageId);
        const SettingsRows::Destination destination = SettingsRows::settingsDestination(route);
        QCOMPARE(destination.pageId, pageId);
        QCOMPARE(destination.isSettingsPage(), !pageId.isEmpty());
        if (pageId.isEmpty()) {
            QCOMPARE(destination.page, Destination::NativeRoute);
            QCOMPARE(destination.properties, (QVariantMap{{QStringLiteral("route"), route}}));
        } else {
            QCOMPARE(destination.page, Destination::SettingsPage);
            QCOMPARE(destination.properties, (QVariantMap{{QStringLiteral("pageId"), pageId}}));
        }
    }

    void rowData_data() {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QByteArray>("prefs");
        QTest::addColumn<QString>("version"); // "-": none
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *name, const QByteArray &fields, const QString &shown,
                            const QByteArray &prefs = "{}", const char *version = "-") {
            QTest::newRow(name) << QByteArray(R"({"title":"t",)" + fields + "}") << prefs << QString(version)
                                << shown;
        };
        const QByteArray toggle = R"("id":"dark_mode","type":"toggle","key":"pref.dark_mode")";
        const QByteArray onByDefault = toggle + R"(,"default":true)";
        row("stored true", toggle, "on=1 icon=moon.fill", R"({"pref.dark_mode":true})");
        row("stored false beats a true default", onByDefault, "on=0 icon=moon.fill",
            R"({"pref.dark_mode":false})");
        row("stored 1 gives the default", onByDefault, "on=1 icon=moon.fill", R"({"pref.dark_mode":1})");
        row("stored 1 without a default is off", toggle, "on=0 icon=moon.fill", R"({"pref.dark_mode":1})");
        row("nothing stored gives the default", onByDefault, "on=1 icon=moon.fill");
        row("no key: the default, not another key's value",
            R"("id":"dark_mode","type":"toggle","default":true)", "on=1 icon=moon.fill",
            R"({"":false,"dark_mode":false})");

        const QByteArray version =
            R"("id":"version","type":"info","valueFrom":"app_version","value":"0.0.1")";
        row("app version ignores the value", version, "value=2.3.4 icon=info.circle.fill", "{}", "2.3.4");
        row("no app version: a dash, still not the value", version, "value=— icon=info.circle.fill");
        row("another source: the value, with the subtitle",
            R"("id":"version","type":"info","valueFrom":"x","value":"v","subtitle":"s")",
            "value=v icon=info.circle.fill sub=s", "{}", "2.3.4");
        row("no source, no value: a dash", R"("id":"version","type":"info")", "value=— icon=info.circle.fill",
            "{}", "2.3.4");

        const auto link = [&](const char *name, const char *url, const char *shownUrl) {
            row(name, QStringLiteral(R"("id":"terms","type":"link","url":"%1")").arg(url).toUtf8(),
                QStringLiteral("url=%1 active=%2 icon=doc.text.fill").arg(shownUrl).arg(*shownUrl != 0));
        };
        link("https with a host", "https://example.org/a?b=1", "https://example.org/a?b=1");
        link("file", "file:///etc/passwd", "");
        link("tel", "tel:12356", "");
        link("https without a host", "https://", "");
        link("empty", "", "");
        link("unparseable", "https://exa mple.org", "");

        row("destructive logout", R"("id":"logout","type":"action","action":"logout","style":"destructive")",
            "action=logout red=1");
        row("plain action, no icon or subtitle",
            R"("id":"x","type":"action","action":"other","style":"plain","subtitle":"s","icon":"vip")",
            "action=other red=0");
        row("navigation to a page", R"("id":"about","type":"navigation","route":"settings/about")",
            QStringLiteral(R"(page=settings_about to=%1 {"pageId":"settings_about"} icon=info.circle.fill)")
                .arg(int(Destination::SettingsPage)));
        row("navigation to a native screen", R"("id":"inbox","type":"navigation","route":"native/inbox")",
            QStringLiteral(R"(page= to=%1 {"route":"native/inbox"} icon=bell.badge.fill)")
                .arg(int(Destination::NativeRoute)));
    }
    void rowData() {
        QFETCH(QByteArray, item);
        QFETCH(QByteArray, prefs);
        QFETCH(QString, version);
        QFETCH(QString, shown);
        const SettingsRowData row = SettingsRowData::from(
            ::item(item), settingsPrefsFromJson(QJsonDocument::fromJson(prefs).object()),
            version == "-" ? std::nullopt : std::optional(version));
        QCOMPARE(::shown(row), shown);
    }

    // The footer carries the configured bundle's version only when it is a text.
    void footerWithoutTextVersion() {
        QJsonObject bundle = TestPlatform::defaultBundle();
        bundle.insert(QStringLiteral("CFBundleShortVersionString"), 3);
        TestPlatform platform(bundle);
        QCOMPARE(SettingsPageViewModel().footerVersion(), QStringLiteral("岚帆伴 v"));
    }

    void layout_data() {
        // The document's page id decides the root, though the store asks for the root page.
        QTest::addColumn<QString>("pageId");
        QTest::addColumn<QByteArray>("sections");
        QTest::addColumn<QString>("layout");
        QTest::addColumn<bool>("isRoot");
        const auto it = [](const char *id, const char *type = "navigation") {
            return QStringLiteral(R"({"id":"%1","type":"%2","title":"t"})").arg(id, type).toUtf8();
        };
        const auto section = [](const char *id, const char *title, const QList<QByteArray> &items) {
            return QStringLiteral(R"({"id":"%1"%2,"items":[%3]})")
                .arg(id, title, QString::fromUtf8(QByteArrayList(items).join(',')))
                .toUtf8();
        };
        QTest::newRow("unknown types between leave no gap")
            << "settings_root"
            << section("s", R"(,"title":"A")",
                       {it("x", "slider"), it("a", "toggle"), it("y", "Toggle"), it("b", "info"), it("z", ""),
                        it("c", "link"), it("w", "stepper")})
            << "A:a@0.1+,b@0.3+,c@0.5" << true;
        QTest::newRow("sections with nothing to draw are left out")
            << "settings_root"
            << section("none", R"(,"title":"空")", {}) + ',' +
                   section("unknown", R"(,"title":"新")", {it("x", "slider")}) + ',' +
                   section("s", R"(,"title":"B")", {it("a", "action"), it("b")})
            << "B:a@2.0+,b@2.1" << true;
        QTest::newRow("repeated section ids keep their own rows")
            << "settings_about"
            << section("s", R"(,"title":"A")", {it("a")}) + ',' +
                   section("s", R"(,"title":"B")", {it("b"), it("c")})
            << "A:a@0.0 | B:b@1.0+,c@1.1" << false;
    }
    void layout() {
        QFETCH(QString, pageId);
        QFETCH(QByteArray, sections);
        QFETCH(QString, layout);
        QFETCH(bool, isRoot);
        TestPlatform platform;
        platform.transport->on("GET", pagePath, page(pageId, "页", sections));
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        SettingsStore store(SettingsStore::rootPageId, &session);
        SettingsPageViewModel view;
        view.setStore(&store);
        QSignalSpy rootChanged(&view, &SettingsPageViewModel::isRootChanged);
        QVERIFY(!view.isRoot());
        Await::result(store.load());
        QCOMPARE(::layout(*view.sectionModel()), layout);
        QCOMPARE(view.isRoot(), isRoot);
        QCOMPARE(rootChanged.size(), int(isRoot));
    }

    // A flipped switch moves that row alone, in every section showing its key, and moves back when the save
    // fails; the lists are never reset or rebuilt.
    void toggleSignals_data() {
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("value");
        QTest::addColumn<int>("saveStatus");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("saved") << 0 << 1 << true << 200 << QStringList{"p changed 1-1 on"};
        QTest::newRow("a key shown twice")
            << 0 << 2 << false << 200 << QStringList{"p changed 2-2 on", "q changed 0-0 on"};
        QTest::newRow("failed: back again")
            << 0 << 1 << true << 500 << QStringList{"p changed 1-1 on", "p changed 1-1 on"};
        QTest::newRow("same value: nothing moves") << 1 << 0 << true << 200 << QStringList{};
        QTest::newRow("not a switch") << 0 << 0 << true << 200 << QStringList{};
        QTest::newRow("outside the page") << 2 << 0 << true << 200 << QStringList{};
    }
    void toggleSignals() {
        QFETCH(int, section);
        QFETCH(int, item);
        QFETCH(bool, value);
        QFETCH(int, saveStatus);
        QFETCH(QStringList, log);
        TestPlatform platform;
        platform.transport->on(
            "GET", pagePath,
            page(
                "settings_root", "我的",
                R"({"id":"p","items":[{"id":"n","type":"navigation","title":"n"},)"
                R"({"id":"dm","type":"toggle","title":"d","key":"pref.dark_mode"},)"
                R"({"id":"s1","type":"toggle","title":"s","key":"pref.sound"}]},)"
                R"({"id":"q","items":[{"id":"s2","type":"toggle","title":"s","key":"pref.sound","default":true}]})",
                R"({"pref.sound":true})"));
        platform.transport->on("PUT", prefsPath, FakeTransport::Reply::json(saveStatus, R"({"prefs":{}})"));
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        SettingsStore store(SettingsStore::rootPageId, &session);
        SettingsPageViewModel view;
        view.setStore(&store);
        Await::result(store.load());
        QCOMPARE(::layout(*view.sectionModel()), QStringLiteral(":n@0.0+,dm@0.1+,s1@0.2 | :s2@1.0"));

        QStringList seen;
        record(view.sectionModel(), "sections", &seen);
        record(view.sectionModel()->rows().at(0).rows, "p", &seen);
        record(view.sectionModel()->rows().at(1).rows, "q", &seen);
        view.toggle(section, item, value);
        QTest::qWait(50);
        QCOMPARE(seen, log);
        QCOMPARE(store.hasErrorMessage(), saveStatus != 200);
    }

    // The "logout" action asks first; only the confirmation's sign-out ends the session.
    void logout_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<int>("notified");
        QTest::newRow("asks once") << QStringList{"logout", "logout"} << true << true << 1;
        QTest::newRow("sign out") << QStringList{"logout", "signOut"} << false << false << 2;
        QTest::newRow("another action") << QStringList{"other"} << false << true << 0;
        QTest::newRow("case matters") << QStringList{"Logout"} << false << true << 0;
    }
    void logout() {
        QFETCH(QStringList, steps);
        QFETCH(bool, confirm);
        QFETCH(bool, signedIn);
        QFETCH(int, notified);
        TestPlatform platform;
        platform.transport->on("POST", "/api/v1/auth/logout", FakeTransport::Reply::json(204, {}));
        AppSession session;
        session.setAccessToken(QStringLiteral("at0"));
        session.setRefreshToken(QStringLiteral("rt0"));
        SettingsStore store(SettingsStore::rootPageId, &session);
        SettingsPageViewModel view;
        view.setStore(&store);
        QSignalSpy changed(&view, &SettingsPageViewModel::confirmLogoutChanged);
        for (const QString &step : std::as_const(steps)) {
            if (step == "dismiss")
                view.dismissLogout();
            else if (step == "signOut")
                view.signOut();
            else
                view.activate(step);
        }
        QCOMPARE(view.confirmLogout(), confirm);
        QCOMPARE(session.isLoggedIn(), signedIn);
        QCOMPARE(session.refreshToken().has_value(), signedIn);
        QCOMPARE(changed.size(), notified);
        session.finishPendingWrites();
    }

    // The host over a few appearances. Answers of the page, in the order asked: "<title>" or "500", with
    // "@<ms>" to answer late. Steps: "appear", "disappear", "wait" (lets every answer arrive). The outcome:
    // the content and title changes in order, then the state at the end.
    void host_data() {
        QTest::addColumn<QString>("pageId");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *name, const char *pageId, const char *answers, const char *steps,
                            const QString &outcome) {
            QTest::newRow(name) << QString(pageId) << QString(answers) << QString(steps) << outcome;
        };
        row("root before appearing", "settings_root", "", "", " => Empty 我的 large=1 busy=0 fb=0 msg=-");
        row("root in other case", "Settings_root", "", "", " => Empty 我的 large=0 busy=0 fb=0 msg=-");
        row("appear loads", "settings_about", "甲 @10", "appear wait",
            "Loading,Page,title=甲 => Page 甲 large=0 busy=0 fb=0 msg=-");
        row("each appearance loads afresh", "settings_root", "甲 乙@10", "appear wait appear wait",
            "Loading,Page,title=甲,Loading,title=我的,Page,title=乙 => Page 乙 large=1 busy=0 fb=0 msg=-");
        row("the replaced store's late answer is dropped", "settings_root", "旧@80 新@10",
            "appear appear wait", "Loading,Page,title=新 => Page 新 large=1 busy=0 fb=0 msg=-");
        row("leaving while loading ends quietly", "settings_root", "甲@30", "appear disappear wait",
            "Loading,Empty => Empty 我的 large=1 busy=0 fb=0 msg=-");
        row("leaving while a failing load runs: no built-in page, no alert", "settings_root", "500@30",
            "appear disappear wait", "Loading,Empty => Empty 我的 large=1 busy=0 fb=0 msg=-");
        row("leaving keeps a loaded page", "settings_root", "甲", "appear wait disappear wait",
            "Loading,Page,title=甲 => Page 甲 large=1 busy=0 fb=0 msg=-");
        row("back before the abandoned load answers", "settings_root", "甲@40 乙@10",
            "appear disappear appear wait",
            "Loading,Empty,Loading,Page,title=乙 => Page 乙 large=1 busy=0 fb=0 msg=-");
    }
    void host() {
        QFETCH(QString, pageId);
        QFETCH(QString, answers);
        QFETCH(QString, steps);
        QFETCH(QString, outcome);
        TestPlatform platform;
        const QString path = "/api/v1/layouts/settings/" + pageId;
        for (const QString &answer : answers.split(' ', Qt::SkipEmptyParts)) {
            const QString title = answer.section('@', 0, 0);
            platform.transport->on(
                "GET", path,
                (title == "500" ? FakeTransport::Reply::json(500, "{}") : page(pageId, title, ""))
                    .after(answer.section('@', 1).toInt()));
        }
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        SettingsHostViewModel host;
        host.setPageId(pageId);
        host.setSession(&session);
        const auto content = [&] {
            return QString::fromLatin1(
                QMetaEnum::fromType<SettingsHostViewModel::Content>().valueToKey(host.content()));
        };
        QStringList changes;
        connect(&host, &SettingsHostViewModel::contentChanged, this, [&] { changes.append(content()); });
        connect(&host, &SettingsHostViewModel::titleChanged, this,
                [&] { changes.append("title=" + host.title()); });

        QList<QPointer<SettingsStore>> stores{host.store()};
        const QStringList stepList = steps.split(' ', Qt::SkipEmptyParts);
        for (const QString &step : stepList) {
            if (step == "appear")
                host.appear();
            else if (step == "disappear")
                host.disappear();
            else
                QTest::qWait(150);
            stores.append(host.store());
        }
        const SettingsStore *store = host.store();
        QCOMPARE(QStringLiteral("%1 => %2 %3 large=%4 busy=%5 fb=%6 msg=%7")
                     .arg(changes.join(','), content(), host.title())
                     .arg(host.largeTitle())
                     .arg(store->loading())
                     .arg(store->usedFallback())
                     .arg(store->errorMessage().value_or("-")),
                 outcome);
        // Every store but the one on show is gone once events have run; each appearance asked once.
        for (const QPointer<SettingsStore> &seen : std::as_const(stores))
            QVERIFY(!seen || seen == store);
        QCOMPARE(stores.contains(nullptr), stepList.contains("appear"));
        QCOMPARE(store->pageId(), pageId);
        QCOMPARE(platform.transport->count(path), int(stepList.count("appear")));
    }
};

QTEST_GUILESS_MAIN(TestSettingsRows)
#include "tst_settingsrows.moc"
