// The "我的" tab as the learner walks it against the local stand-in: the root page with its card, tiles and
// rows; the dark-mode switch saved on the server and applied to the session; the nested about page; every
// native route and tile opening its screen; signing out after the confirmation; the built-in page when the
// service cannot be reached; and a nested page pushed and popped many times leaving no store behind. Saves
// pictures when QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "LinkRecorder.h"
#include "LocalService.h"
#include "QmlHarness.h"
#include "SettingsHostViewModel.h"
#include "SettingsRows.h"

#include <httplib.h>

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickItem>
#include <QTest>

using QmlHarness::textsBelow;
using QmlHarness::visibleNamed;
using QmlHarness::visibleTitled;

namespace {

const QByteArray stackScene = "import QtQuick\nimport Quorvel.Core\nimport Quorvel.Settings\n"
                              "Item { id: root; property AppSession session\n"
                              "  SettingsStack { objectName: \"stack\"; anchors.fill: parent; "
                              "session: root.session } }";

// QTRY's 50 ms steps would make the hundred rounds below take half a minute.
template <typename Condition>
bool spinUntil(Condition condition, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool isA(QObject *item, const char *type) {
    return item && QString::fromLatin1(item->metaObject()->className()).startsWith(QLatin1String(type));
}

} // namespace

class TestSettingsViewE2E : public QObject {
    Q_OBJECT

    // Tall enough for every row of the root page.
    struct Tab {
        explicit Tab(AppSession *session) : view(QmlHarness::screenshotSize(QSize(430, 1900))) {
            guard.watch(view.engine());
            loaded = view.loadData(stackScene, {{"session", QVariant::fromValue(session)}});
            stack = loaded ? view.find(QStringLiteral("stack")) : nullptr;
        }
        QQuickItem *top() const { return stack->property("currentItem").value<QQuickItem *>(); }
        int depth() const { return stack->property("depth").toInt(); }
        // The page on top once it has its document.
        bool settled() const {
            auto *host = top() ? top()->property("viewModel").value<SettingsHostViewModel *>() : nullptr;
            return !stack->property("busy").toBool() &&
                   (!host || host->content() == SettingsHostViewModel::Page);
        }
        bool run(const QString &script) {
            QQmlExpression expression(qmlContext(stack), stack, script);
            expression.evaluate();
            return !expression.hasError();
        }
        bool pop() { return run(QStringLiteral("pop()")); }
        QQuickItem *row(const QString &title) const {
            return visibleTitled(top(), QStringLiteral("settingsRow"), title);
        }

        QmlHarness::View view;
        QmlHarness::WarningGuard guard;
        bool loaded = false;
        QQuickItem *stack = nullptr;
    };

    std::unique_ptr<LocalService> service;

    // What the server holds for the learner's dark-mode choice, asked apart from the app.
    QJsonValue savedDarkMode() const {
        httplib::Client client("127.0.0.1", service->server.port());
        const httplib::Headers bearer{
            {"Authorization", "Bearer " + service->session->accessToken().value_or(QString()).toStdString()}};
        const httplib::Result page = client.Get("/api/v1/layouts/settings/settings_root", bearer);
        if (!page || page->status != 200)
            return QJsonValue::Undefined;
        const QJsonObject body = QJsonDocument::fromJson(QByteArray::fromStdString(page->body)).object();
        return body.value(QStringLiteral("prefs")).toObject().value(QStringLiteral("pref.dark_mode"));
    }

    void shoot(Tab &tab, const QString &name) {
        QTest::qWait(300); // transitions
        QVERIFY(QmlHarness::saveScreenshot(tab.view.window(), name));
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        service = std::make_unique<LocalService>(QStringLiteral("13800138701"));
    }
    void cleanupTestCase() { service.reset(); }

    void rootPageToggleAndNestedPage() {
        AppSession &session = *service->session;
        session.setDarkMode(false);
        Tab tab(&session);
        QVERIFY2(tab.loaded, qPrintable(tab.view.error()));
        QTRY_VERIFY_WITH_TIMEOUT(tab.row(QStringLiteral("深色模式")), 10000);
        QVERIFY(tab.view.find(QStringLiteral("profileHeaderCard"), true));
        QCOMPARE(visibleNamed(tab.top(), QStringLiteral("quickActionTile")).size(), 4);
        const QStringList texts = textsBelow(tab.top());
        for (const char *shown : {"我的", "账号", "偏好", "关于", "退出登录", "岚帆伴 v0.1.0"})
            QVERIFY2(texts.contains(QString::fromUtf8(shown)), shown);
        QVERIFY2(!texts.contains(QStringLiteral("学习打卡日历")), "a row of an unknown type is left out");
        QCOMPARE(tab.row(QStringLiteral("当前版本"))->property("value").toString(),
                 SettingsRows::appVersion().value_or(QString()));
        QVERIFY(!tab.row(QStringLiteral("深色模式"))->property("on").toBool());
        shoot(tab, QStringLiteral("settings-root-light"));

        QVERIFY(tab.view.click(tab.row(QStringLiteral("深色模式"))));
        QVERIFY(session.darkMode());
        QVERIFY(tab.row(QStringLiteral("深色模式"))->property("on").toBool());
        QTRY_COMPARE_WITH_TIMEOUT(savedDarkMode(), QJsonValue(true), 10000);
        shoot(tab, QStringLiteral("settings-root-dark"));

        // The about page pushes, with its own title and no card; back on the root page, it loads afresh and
        // the saved choice comes back from the server.
        QVERIFY(tab.view.click(tab.row(QStringLiteral("关于岚帆伴"))));
        QTRY_COMPARE(tab.depth(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(tab.settled(), 10000);
        QCOMPARE(tab.top()->property("title").toString(), QStringLiteral("关于岚帆伴"));
        QVERIFY(!QmlHarness::findItem(tab.top(), QStringLiteral("profileHeaderCard"), true));
        QVERIFY(tab.row(QStringLiteral("帮助中心")));
        session.setDarkMode(false);
        shoot(tab, QStringLiteral("settings-nested"));
        QVERIFY(tab.pop());
        QTRY_VERIFY_WITH_TIMEOUT(tab.depth() == 1 && tab.settled(), 10000);
        QVERIFY(session.darkMode());
        QVERIFY(tab.row(QStringLiteral("深色模式"))->property("on").toBool());

        QVERIFY(tab.view.click(tab.row(QStringLiteral("深色模式"))));
        QVERIFY(!session.darkMode());
        QTRY_COMPARE_WITH_TIMEOUT(savedDarkMode(), QJsonValue(false), 10000);
        QCOMPARE(tab.guard.warnings(), QStringList());
    }

    void routesOpenTheirScreens_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("screen");
        QTest::newRow("account") << "settingsRow"
                                 << "出生年月"
                                 << "ProfileBirthInfoView";
        QTest::newRow("memories") << "settingsRow"
                                  << "伙伴的记忆"
                                  << "MemoriesView";
        QTest::newRow("membership") << "settingsRow"
                                    << "会员中心"
                                    << "MembershipView";
        QTest::newRow("orders") << "settingsRow"
                                << "我的订单"
                                << "OrdersView";
        QTest::newRow("wrong book") << "settingsRow"
                                    << "错题本"
                                    << "WrongBookView";
        QTest::newRow("inbox") << "settingsRow"
                               << "学习通知"
                               << "HomeInboxView";
        QTest::newRow("study limits") << "settingsRow"
                                      << "学习时长管理"
                                      << "StudyLimitsView";
        QTest::newRow("tile inbox") << "quickActionTile"
                                    << "学习通知"
                                    << "HomeInboxView";
        QTest::newRow("tile wrong book") << "quickActionTile"
                                         << "错题本"
                                         << "WrongBookView";
        QTest::newRow("tile report") << "quickActionTile"
                                     << "学情报告"
                                     << "StudyReportView";
        QTest::newRow("tile membership") << "quickActionTile"
                                         << "会员中心"
                                         << "MembershipView";
    }
    void routesOpenTheirScreens() {
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(QString, screen);
        Tab tab(service->session.get());
        QVERIFY2(tab.loaded, qPrintable(tab.view.error()));
        QTRY_VERIFY_WITH_TIMEOUT(tab.row(QStringLiteral("深色模式")), 10000);
        QVERIFY(tab.view.click(visibleTitled(tab.top(), kind, title)));
        QTRY_COMPARE(tab.depth(), 2);
        QVERIFY2(isA(tab.top(), screen.toLatin1()), tab.top()->metaObject()->className());
        QTRY_VERIFY(!tab.stack->property("busy").toBool());
        QTest::qWait(200); // the screen's first answer
        QCOMPARE(tab.guard.warnings(), QStringList());
    }

    // A route this build does not know leads to the update page, never to nothing.
    void unknownRouteOpensTheUpdatePage() {
        Tab tab(service->session.get());
        QTRY_VERIFY_WITH_TIMEOUT(tab.row(QStringLiteral("关于岚帆伴")), 10000);
        QVERIFY(tab.view.click(tab.row(QStringLiteral("关于岚帆伴"))));
        QTRY_VERIFY_WITH_TIMEOUT(tab.depth() == 2 && tab.settled(), 10000);
        QVERIFY(tab.view.click(tab.row(QStringLiteral("帮助中心"))));
        QTRY_COMPARE(tab.depth(), 3);
        QVERIFY(isA(tab.top(), "NativeRouteUnavailableView"));
        QTRY_VERIFY(textsBelow(tab.top()).contains(QStringLiteral("升级后可用")));
        QCOMPARE(tab.guard.warnings(), QStringList());
    }

    // Pages pushed and popped, some before their answer is in: every store but the root page's current one
    // is gone, and no late answer raised the alert.
    void nestedPagesLeaveNoStores() {
        Tab tab(service->session.get());
        QTRY_VERIFY_WITH_TIMEOUT(tab.row(QStringLiteral("关于岚帆伴")), 10000);
        QVERIFY(tab.run(QStringLiteral("pushEnter = pushExit = popEnter = popExit = null")));
        QList<QPointer<SettingsStore>> stores;
        auto storeOf = [&](QQuickItem *host) {
            return host->property("viewModel").value<SettingsHostViewModel *>()->store();
        };
        for (int round = 0; round < 100; ++round) {
            QVERIFY(QMetaObject::invokeMethod(
                tab.stack, "open", Q_ARG(QVariant, QStringLiteral("settings_about")), Q_ARG(QVariant, 0)));
            QCOMPARE(tab.depth(), 2);
            QVERIFY(spinUntil(
                [&] { return storeOf(tab.top())->loading() || storeOf(tab.top())->hasDocument(); }));
            stores << storeOf(tab.top());
            if (round % 2 == 0)
                QVERIFY(spinUntil([&] { return tab.settled(); }));
            QVERIFY(tab.pop());
            QCOMPARE(tab.depth(), 1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(tab.settled(), 10000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(std::all_of(stores.begin(), stores.end(), [](const auto &store) { return store.isNull(); }));
        QCOMPARE(tab.view.root()->findChildren<SettingsStore *>(),
                 QList<SettingsStore *>{storeOf(tab.top())});
        QVERIFY(!storeOf(tab.top())->hasErrorMessage());
        QCOMPARE(tab.guard.warnings(), QStringList());
    }

    void signOutAfterConfirmation() {
        LocalService own(QStringLiteral("13800138702"));
        Tab tab(own.session.get());
        QTRY_VERIFY_WITH_TIMEOUT(tab.row(QStringLiteral("退出登录")), 10000);
        QQuickItem *overlay = tab.view.window().contentItem();
        for (int button : {1, 0}) { // "取消", then "退出登录"
            QVERIFY(tab.view.click(tab.row(QStringLiteral("退出登录"))));
            QQuickItem *choice = nullptr;
            QTRY_VERIFY(
                (choice = QmlHarness::findItem(overlay, QStringLiteral("alertButton%1").arg(button), true)));
            QVERIFY(textsBelow(overlay).contains(QStringLiteral("确定退出登录？")));
            if (button == 0)
                shoot(tab, QStringLiteral("settings-signout"));
            QVERIFY(tab.view.click(choice));
            QTRY_VERIFY(!QmlHarness::findItem(overlay, QStringLiteral("alertButton0"), true));
            QCOMPARE(own.session->isLoggedIn(), button == 1);
        }
        QCOMPARE(tab.guard.warnings(), QStringList());
    }

    // A click on a legal page's row opens its address: on the server's root and about pages, and on the
    // built-in page shown when the service cannot be reached.
    void linkRowsOpen_data() {
        QTest::addColumn<QString>("page"); // "root", "about" or "built-in"
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("path");
        for (const char *page : {"root", "about", "built-in"}) {
            for (const auto &[title, path] :
                 {std::pair{"用户协议", "/legal/terms.html"}, std::pair{"隐私政策", "/legal/privacy.html"},
                  std::pair{"儿童个人信息保护规则", "/legal/children.html"}})
                QTest::addRow("%s, %s", page, path) << page << QString::fromUtf8(title) << path;
        }
    }
    void linkRowsOpen() {
        QFETCH(QString, page);
        QFETCH(QString, title);
        QFETCH(QString, path);
        std::optional<TestPlatform> offline;
        AppSession offlineSession;
        if (page == u"built-in") {
            offline.emplace();
            offline->transport->fallback = [](const HttpRequest &) {
                return FakeTransport::Reply::json(503, "{}");
            };
        }
        Tab tab(offline ? &offlineSession : service->session.get());
        QVERIFY2(tab.loaded, qPrintable(tab.view.error()));
        if (offline) {
            QQuickItem *ok = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((ok = QmlHarness::findItem(tab.view.window().contentItem(),
                                                                QStringLiteral("alertButton0"), true)),
                                     10000);
            QVERIFY(tab.view.click(ok));
            QTRY_VERIFY(
                !QmlHarness::findItem(tab.view.window().contentItem(), QStringLiteral("alertButton0"), true));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(tab.row(QStringLiteral("关于岚帆伴")) && tab.settled(), 10000);
        }
        if (page == u"about") {
            QVERIFY(tab.view.click(tab.row(QStringLiteral("关于岚帆伴"))));
            QTRY_VERIFY_WITH_TIMEOUT(tab.depth() == 2 && tab.settled(), 10000);
        }
        QQuickItem *row = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((row = tab.row(title)), 10000);
        LinkRecorder links;
        QVERIFY(tab.view.click(row));
        QCOMPARE(links.opened.size(), 1);
        QCOMPARE(links.opened.first().scheme(), QStringLiteral("https"));
        QCOMPARE(links.opened.first().path(), path);
        QCOMPARE(tab.guard.warnings(), QStringList());
    }

    // The service cannot be reached: the built-in page and its alert; closing the alert clears the message.
    void fallbackPage() {
        TestPlatform platform;
        platform.transport->on("GET", "/api/v1/layouts/settings/settings_root",
                               FakeTransport::Reply::json(503, "{}"));
        platform.transport->on("GET", "/api/v1/me/learning-profile", FakeTransport::Reply::json(503, "{}"));
        AppSession session;
        Tab tab(&session);
        QVERIFY2(tab.loaded, qPrintable(tab.view.error()));
        QQuickItem *overlay = tab.view.window().contentItem();
        QQuickItem *ok = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((ok = QmlHarness::findItem(overlay, QStringLiteral("alertButton0"), true)),
                                 10000);
        QVERIFY(textsBelow(overlay).contains(SettingsStore::fallbackMessage));
        QCOMPARE(tab.top()->property("title").toString(), QStringLiteral("我的"));
        for (const char *row : {"当前版本", "用户协议", "隐私政策", "儿童个人信息保护规则"})
            QVERIFY2(tab.row(QString::fromUtf8(row)), row);
        shoot(tab, QStringLiteral("settings-fallback"));
        QVERIFY(tab.view.click(ok));
        QTRY_VERIFY(!QmlHarness::findItem(overlay, QStringLiteral("alertButton0"), true));
        QVERIFY(
            !tab.top()->property("viewModel").value<SettingsHostViewModel *>()->store()->hasErrorMessage());
    }
};

QTEST_MAIN(TestSettingsViewE2E)
#include "tst_settingsview_e2e.moc"
