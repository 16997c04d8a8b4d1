#include "Analytics.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "Fixtures.h"
#include "QuorvelApp.h"
#include "RenderBackend.h"
#include "RootTabViewModel.h"
#include "RootViewModel.h"
#include "SlowSecretStore.h"
#include "TestPlatform.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
const QString refreshPath = QStringLiteral("/api/v1/auth/refresh");
} // namespace

class TestAppShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A keyring that takes its time: the session is not loaded, and the root view shows no first screen,
    // until the tokens are in; it never passes through the guest home.
    void slowKeyringDelaysTheFirstScreenNotTheSession() {
        TestPlatform platform;
        auto slow = std::make_shared<SlowSecretStore>();
        slow->setSecret(QStringLiteral("qvl.device_id"), QStringLiteral("ios-kept"));
        slow->setSecret(QStringLiteral("qvl.access_token"), QStringLiteral("at-stored"));
        slow->setSecret(QStringLiteral("qvl.refresh_token"), QStringLiteral("rt-stored"));
        Platform::Override slowStore(Platform::Services{{}, {}, slow, {}, {}, {}});
        platform.defaults->setString(QStringLiteral("qvl.status"), QStringLiteral("Active"));

        AppSession session;
        QVERIFY(!session.isLoaded());
        QVERIFY(!session.isLoggedIn());
        RootViewModel root;
        QSignalSpy screens(&root, &RootViewModel::screenChanged);
        root.setSession(&session);
        QCOMPARE(root.screen(), RootViewModel::Screen::Launch);
        screens.clear();

        QVERIFY(Await::result(session.waitUntilLoaded()));
        QVERIFY(session.isLoaded());
        QCOMPARE(session.accessToken(), QStringLiteral("at-stored"));
        QCOMPARE(session.refreshToken(), QStringLiteral("rt-stored"));
        QCOMPARE(session.deviceId(), QStringLiteral("ios-kept"));
        QCOMPARE(root.screen(), RootViewModel::Screen::MainGate);
        QCOMPARE(screens.count(), 1);
    }

    void tabsAreMadeOnFirstVisit_data() {
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QVariantList>("visited");
        QTest::addColumn<int>("changes");
        QTest::newRow("a new shell: the first tab only")
            << QList<int>{} << QVariantList{true, false, false, false, false} << 0;
        QTest::newRow("one visit") << QList<int>{3} << QVariantList{true, false, false, true, false} << 1;
        QTest::newRow("back and forth counts once")
            << QList<int>{1, 0, 1, 4} << QVariantList{true, true, false, false, true} << 2;
        QTest::newRow("a position out of range")
            << QList<int>{7, -1} << QVariantList{true, false, false, false, false} << 0;
    }
    void tabsAreMadeOnFirstVisit() {
        QFETCH(QList<int>, positions);
        QFETCH(QVariantList, visited);
        QFETCH(int, changes);
        RootTabViewModel tabs;
        QSignalSpy spy(&tabs, &RootTabViewModel::visitedChanged);
        for (int position : positions)
            tabs.selectPosition(position);
        QCOMPARE(tabs.visited(), visited);
        QCOMPARE(spy.count(), changes);
    }

    void renderBackendChoice_data() {
        QTest::addColumn<bool>("userChose");
        QTest::addColumn<bool>("renderNode");
        QTest::addColumn<QString>("glRenderer");
        QTest::addColumn<bool>("software");
        QTest::newRow("no GPU") << false << false << QString() << true;
        QTest::newRow("no GPU, the user's backend") << true << false << QString() << false;
        QTest::newRow("llvmpipe") << false << true << "llvmpipe (LLVM 15.0.6, 256 bits)" << true;
        QTest::newRow("softpipe") << false << true << "softpipe" << true;
        QTest::newRow("no context") << false << true << QString() << true;
        QTest::newRow("a real GPU") << false << true << "AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)"
                                    << false;
        QTest::newRow("Intel") << false << true << "Mesa Intel(R) UHD Graphics 620 (KBL GT2)" << false;
        QTest::newRow("a real GPU, the user's backend") << true << true << "llvmpipe" << false;
    }
    void renderBackendChoice() {
        QFETCH(bool, userChose);
        QFETCH(bool, renderNode);
        QFETCH(QString, glRenderer);
        QFETCH(bool, software);
        const RenderBackend::Choice choice = RenderBackend::choose({userChose, renderNode, glRenderer});
        QCOMPARE(choice == RenderBackend::Choice::Software, software);
    }

    void windowTransfer_data() {
        QTest::addColumn<bool>("userBackend");
        QTest::addColumn<bool>("userTransfer");
        QTest::addColumn<bool>("renderNode");
        QTest::addColumn<bool>("socket");
        QTest::newRow("no GPU") << false << false << false << true;
        QTest::newRow("no GPU, the user's backend") << true << false << false << false;
        QTest::newRow("no GPU, the user's transfer") << false << true << false << false;
        QTest::newRow("a render node") << false << false << true << false;
    }
    void windowTransfer() {
        QFETCH(bool, userBackend);
        QFETCH(bool, userTransfer);
        QFETCH(bool, renderNode);
        QFETCH(bool, socket);
        QCOMPARE(RenderBackend::sendsThroughSocket({userBackend, userTransfer, renderNode}), socket);
    }

    void rootDecision_data() {
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<std::optional<QString>>("status");
        QTest::addColumn<RootViewModel::Screen>("screen");
        using S = RootViewModel::Screen;
        const auto text = [](const char *t) { return std::optional<QString>(QString::fromUtf8(t)); };
        QTest::newRow("signed out") << std::optional<QString>() << std::optional<QString>() << S::GuestHome;
        QTest::newRow("signed out with a pending status")
            << std::optional<QString>() << text("PendingProfile") << S::GuestHome;
        QTest::newRow("empty token is signed out") << text("") << text("Active") << S::GuestHome;
        QTest::newRow("pending profile") << text("at") << text("PendingProfile") << S::ProfileBirth;
        QTest::newRow("status in another case") << text("at") << text("pendingprofile") << S::MainGate;
        QTest::newRow("active") << text("at") << text("Active") << S::MainGate;
        QTest::newRow("no status") << text("at") << std::optional<QString>() << S::MainGate;
    }
    void rootDecision() {
        QFETCH(std::optional<QString>, token);
        QFETCH(std::optional<QString>, status);
        QFETCH(RootViewModel::Screen, screen);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(token);
        session.setStatus(status);
        RootViewModel model;
        model.setSession(&session);
        QCOMPARE(model.screen(), screen);
    }

    void rootFollowsSignInAndSignOut() {
        TestPlatform platform;
        AppSession session;
        RootViewModel model;
        model.setSession(&session);
        QSignalSpy spy(&model, &RootViewModel::screenChanged);
        session.setAccessToken(QStringLiteral("at"));
        session.setStatus(QStringLiteral("PendingProfile"));
        QCOMPARE(model.screen(), RootViewModel::Screen::ProfileBirth);
        session.setStatus(QStringLiteral("Active"));
        QCOMPARE(model.screen(), RootViewModel::Screen::MainGate);
        session.signOut();
        QCOMPARE(model.screen(), RootViewModel::Screen::GuestHome);
        QCOMPARE(spy.count(), 4); // main gate, birth month, main gate, guest home
    }

    // A grant stored at sign-in moves the root view once, straight to the account's screen: a new account
    // never builds the signed-in shell on its way to the birth month.
    void signInGrantGoesStraightToItsScreen_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<RootViewModel::Screen>("screen");
        QTest::newRow("new account") << QStringLiteral("PendingProfile")
                                     << RootViewModel::Screen::ProfileBirth;
        QTest::newRow("active account") << QStringLiteral("Active") << RootViewModel::Screen::MainGate;
    }
    void signInGrantGoesStraightToItsScreen() {
        QFETCH(QString, status);
        QFETCH(RootViewModel::Screen, screen);
        TestPlatform platform;
        AppSession session;
        RootViewModel model;
        model.setSession(&session);
        QCOMPARE(model.screen(), RootViewModel::Screen::GuestHome);
        QList<RootViewModel::Screen> shown;
        connect(&model, &RootViewModel::screenChanged, this, [&] { shown << model.screen(); });
        LoginResponse grant;
        grant.accessToken = QStringLiteral("at");
        grant.expiresIn = 3600;
        grant.userId = 7;
        grant.status = status;
        grant.refreshToken = QStringLiteral("rt");
        session.storeGrant(grant);
        QVERIFY(session.isLoggedIn());
        QCOMPARE(shown, QList<RootViewModel::Screen>{screen});
    }

    void tabsAndTags() {
        RootTabViewModel tabs;
        QCOMPARE(tabs.tab(), 0);
        QCOMPARE(tabs.currentPosition(), 0);
        const QStringList titles{"首页", "学习", "问答", "发现", "我的"};
        const QStringList symbols{"house", "book", "questionmark.bubble", "sparkles", "person"};
        const QList<int> tags{0, 1, 4, 2, 3};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(RootTabViewModel::allTabs()[i].title, titles[i]);
            QCOMPARE(RootTabViewModel::allTabs()[i].symbol, symbols[i]);
            tabs.selectPosition(i);
            QCOMPARE(tabs.tab(), tags[i]);
            QCOMPARE(tabs.currentPosition(), i);
        }
        QSignalSpy spy(&tabs, &RootTabViewModel::tabChanged);
        tabs.selectPosition(4);
        tabs.selectPosition(9);
        QCOMPARE(spy.count(), 0);
    }

    // The window's engine: no file selector looks up each file it loads (the app has no "+selector"
    // variants), and Qt.quit() from QML still ends the application's event loop.
    void windowEngineQuitsWithoutFileSelectors() {
        std::unique_ptr<QQmlEngine> engine = QuorvelApp::makeEngine();
        QVERIFY(engine->urlInterceptors().isEmpty());
        QQmlComponent component(engine.get());
        component.setData("import QtQml\nQtObject { objectName: \"loaded\"\n"
                          "property Timer t: Timer { interval: 10; running: true; onTriggered: Qt.quit() } }",
                          QUrl(QStringLiteral("qrc:/x/Thing.qml")));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->objectName(), QStringLiteral("loaded"));
        QTimer limit; // gone with the test, so it cannot end a later one's loop
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, QCoreApplication::instance(), [] { QCoreApplication::exit(1); });
        limit.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0); // ended by Qt.quit(), not by the time limit
    }

    void startUpOrder_data() {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<qint64>("expiresIn");
        QTest::addColumn<int>("refreshStatus");
        QTest::addColumn<int>("refreshes");
        QTest::addColumn<bool>("signedInAfter");
        QTest::newRow("signed out: no refresh") << false << qint64(0) << 200 << 0 << false;
        QTest::newRow("expires later: no refresh") << true << qint64(601) << 200 << 0 << true;
        QTest::newRow("expires soon: refresh") << true << qint64(600) << 200 << 1 << true;
        QTest::newRow("refused refresh signs out") << true << qint64(10) << 401 << 1 << false;
    }
    void startUpOrder() {
        QFETCH(bool, signedIn);
        QFETCH(qint64, expiresIn);
        QFETCH(int, refreshStatus);
        QFETCH(int, refreshes);
        QFETCH(bool, signedInAfter);
        TestPlatform platform;
        AppSession session;
        if (signedIn) {
            session.setAccessToken(QStringLiteral("at0"));
            session.setRefreshToken(QStringLiteral("rt0"));
            session.setAccessExpiresAt(platform.clock->now().addSecs(expiresIn));
        }
        platform.transport->on(
            "POST", refreshPath,
            FakeTransport::Reply::json(refreshStatus,
                                       refreshStatus == 200 ? Fixtures::json("auth/grant.json") : "{}")
                .after(20));
        platform.transport->on("POST", QStringLiteral("/api/v1/auth/logout"),
                               FakeTransport::Reply::json(204, {}));

        Analytics analytics(std::chrono::hours(1));
        auto task = QuorvelApp::startUp(&session, &analytics);
        if (refreshes > 0) {
            // Nothing starts while the refresh is under way.
            QCOMPARE(analytics.queuedCount(), 0);
            QVERIFY(!analytics.isLoopRunning());
        }
        Await::result(task);

        QCOMPARE(platform.transport->count(refreshPath), refreshes);
        QCOMPARE(session.isLoggedIn(), signedInAfter);
        QVERIFY(analytics.isLoopRunning());
        QCOMPARE(analytics.queuedCount(), 1);
        const Analytics::Event event = analytics.queuedEvents().first();
        QCOMPARE(event.name, QStringLiteral("app_open"));
        QCOMPARE(event.props,
                 (QHash<QString, QString>{{QStringLiteral("source"), QStringLiteral("launch")}}));
    }
};

QTEST_GUILESS_MAIN(TestAppShell)
#include "tst_appshell.moc"
