// The app's window: where a run opens it from where the last one left it, across screens that come and go,
// never below the size at which every screen still works; and the app's own window kept between two runs.
#include "AppFonts.h"
#include "QmlHarness.h"
#include "QuorvelApp.h"
#include "TestPlatform.h"
#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QTest>

using OptionalFrame = std::optional<QRect>;
Q_DECLARE_METATYPE(OptionalFrame)

namespace {

const QRect laptop(0, 0, 1440, 900);
const QRect monitor(1440, 0, 2560, 1440);

QQuickWindow *appWindow() {
    for (QWindow *window : QGuiApplication::topLevelWindows())
        if (auto *quick = qobject_cast<QQuickWindow *>(window); quick && quick->isVisible())
            return quick;
    return nullptr;
}

} // namespace

class TestWindowPlacement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void placement_data() {
        QTest::addColumn<OptionalFrame>("saved");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("expected");
        const QList<QRect> both{laptop, monitor};
        QTest::newRow("first run") << OptionalFrame() << both << QRect(170, 70, 1100, 760);
        QTest::newRow("first run, small screen")
            << OptionalFrame() << QList<QRect>{QRect(0, 0, 1024, 600)} << QRect(0, 0, 1024, 600);
        QTest::newRow("kept") << OptionalFrame(QRect(100, 80, 900, 640)) << both << QRect(100, 80, 900, 640);
        QTest::newRow("on the second screen")
            << OptionalFrame(QRect(2000, 300, 1200, 800)) << both << QRect(2000, 300, 1200, 800);
        QTest::newRow("second screen gone") << OptionalFrame(QRect(2000, 300, 1200, 800))
                                            << QList<QRect>{laptop} << QRect(170, 70, 1100, 760);
        QTest::newRow("half off its screen, pulled in")
            << OptionalFrame(QRect(1000, 500, 900, 640)) << QList<QRect>{laptop} << QRect(540, 260, 900, 640);
        QTest::newRow("larger than the screen")
            << OptionalFrame(QRect(0, 0, 3000, 2000)) << QList<QRect>{laptop} << QRect(0, 0, 1440, 900);
        QTest::newRow("below the minimum")
            << OptionalFrame(QRect(50, 50, 300, 200)) << both << QRect(50, 50, 720, 560);
    }
    void placement() {
        QFETCH(OptionalFrame, saved);
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, expected);
        QCOMPARE(WindowPlacement::placement(saved, screens), expected);
    }

    // A window moved and resized is saved once it rests, and the next window opens in that frame, maximised
    // again when it was.
    void savedAndRestored() {
        TestPlatform platform;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect moved(screen.left() + 20, screen.top() + 30, 740, 580);
        {
            QWindow window;
            WindowPlacement placement(&window);
            QCOMPARE(window.minimumSize(), WindowPlacement::minimumSize);
            placement.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.setGeometry(moved);
            QTRY_COMPARE(WindowPlacement::savedFrame(), OptionalFrame(moved));
            QVERIFY(!WindowPlacement::savedMaximized());
            window.showMaximized();
            QTRY_VERIFY(WindowPlacement::savedMaximized());
        }
        QWindow next;
        WindowPlacement placement(&next);
        QCOMPARE(next.geometry(), moved);
        QVERIFY(WindowPlacement::savedMaximized());
    }

    // The app's own window: at its minimum size, and where the last run left it.
    void appWindowKeepsItsFrame() {
        TestPlatform platform;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect moved(screen.left() + 10, screen.top() + 10, 760, 600);
        {
            QuorvelApp app;
            QVERIFY(app.show());
            QQuickWindow *window = nullptr;
            QTRY_VERIFY((window = appWindow()));
            QCOMPARE(window->minimumSize(), WindowPlacement::minimumSize);
            window->setGeometry(moved);
            QTRY_COMPARE(window->geometry(), moved);
        } // the app ends before the move is saved by itself
        QCOMPARE(WindowPlacement::savedFrame(), OptionalFrame(moved));
        QuorvelApp again;
        QVERIFY(again.show());
        QQuickWindow *window = nullptr;
        QTRY_VERIFY((window = appWindow()));
        QCOMPARE(window->geometry(), moved);
    }
};

QTEST_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
