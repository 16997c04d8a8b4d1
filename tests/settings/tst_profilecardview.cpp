// The profile card, the quick-action row and the page of an unknown route as QML, offscreen against scripted
// answers and free of warnings: the card's texts with and without a profile and its reload each time it comes
// back on screen. Saves pictures when QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "AppSession.h"
#include "OnboardingAPIClient.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;
using QmlHarness::textsBelow;

// The top of the "我的" page as the page will hold it, in a stack that another page can cover.
const QByteArray scene = R"(
import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Settings

Rectangle {
    id: root

    property AppSession session

    color: Theme.groupedBackground

    StackView {
        id: stack

        anchors.fill: parent
        initialItem: Item {
            Column {
                x: 16
                y: 20
                width: parent.width - 32
                spacing: 16

                ProfileHeaderCard {
                    objectName: "card"
                    width: parent.width
                    session: root.session
                }
                SettingsQuickActions {
                    width: parent.width
                }
            }
        }
    }

    Component {
        id: coverPage
        Rectangle { color: "white" }
    }
    function cover() { stack.push(coverPage, {}, StackView.Immediate) }
    function uncover() { stack.pop(StackView.Immediate) }
}
)";

} // namespace

class TestProfileCardView : public QObject {
    Q_OBJECT

    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

    struct Scene {
        TestPlatform platform;
        AppSession session;
        QmlHarness::View view{QSize(430, 420)};

        Scene() { session.setAccessToken(QStringLiteral("tok")); }
        bool load() { return view.loadData(scene, {{"session", QVariant::fromValue(&session)}}); }
        QQuickItem *shown(const QString &name) const { return view.find(name, true); }
        int profileLoads() const {
            return platform.transport->count(OnboardingAPIClient::learningProfilePath);
        }
    };

    void expectNoWarnings() {
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }
    void shoot(QmlHarness::View &view, const QString &name) {
        if (QmlHarness::screenshotFolder().isEmpty())
            return;
        QTest::qWait(150);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), name));
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() { m_guard.reset(); }
    void init() { m_guard->take(); }

    void card() {
        Scene page;
        Reply reply = Reply::json(200, R"({"filled":true,"nickname":"🐼小满","grade":8,"edition":"bs",
                                           "province":"浙江","city":"杭州","daily_minutes":30})");
        page.platform.transport->fallback = [&reply](const HttpRequest &) { return reply; };
        m_guard->watch(page.view.engine());
        QVERIFY2(page.load(), qPrintable(page.view.error()));
        QTRY_COMPARE(page.shown("profileName")->property("text").toString(), QStringLiteral("🐼小满"));
        QCOMPARE(textsBelow(page.shown("card")), (QStringList{"🐼", "🐼小满", "初二", "北师大版", "浙江 · 杭州",
                                                              "每日目标 30 分钟 · 坚持就是进步"}));
        shoot(page.view, QStringLiteral("profile-card"));

        // Covered by a pushed page and back on top: loaded afresh, now without a profile.
        QCOMPARE(page.profileLoads(), 1);
        reply = Reply::json(404, "{}");
        QMetaObject::invokeMethod(page.view.root(), "cover");
        QTRY_VERIFY(!page.shown("card"));
        QCOMPARE(page.profileLoads(), 1);
        QMetaObject::invokeMethod(page.view.root(), "uncover");
        QTRY_COMPARE(page.profileLoads(), 2);
        QTRY_VERIFY(page.shown("profileHint"));
        QVERIFY(textsBelow(page.shown("card")).contains(QStringLiteral("岚帆伴同学")));
        QVERIFY(!page.shown("profileChips"));
        shoot(page.view, QStringLiteral("profile-card-generic"));
        page.session.setDarkMode(true);
        shoot(page.view, QStringLiteral("profile-card-dark"));
        expectNoWarnings();
    }

    void unavailableRoute() {
        TestPlatform platform;
        QmlHarness::View view(QSize(430, 560));
        m_guard->watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("NativeRouteUnavailableView")), qPrintable(view.error()));
        QSignalSpy closed(view.root(), SIGNAL(closeRequested()));
        QVERIFY(view.click(QStringLiteral("backButton")));
        QCOMPARE(closed.size(), 1);
        shoot(view, QStringLiteral("route-unavailable"));
        expectNoWarnings();
    }
};

QTEST_MAIN(TestProfileCardView)
#include "tst_profilecardview.moc"
