#include "PullToRefresh.h"
#include "QmlHarness.h"
#include "SheetDetent.h"

#include <QQuickView>
#include <QSignalSpy>
#include <QTest>

class TestKit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Letting go of a drag: only past the threshold, and never while a refresh runs.
    void release_data() {
        QTest::addColumn<double>("pull");
        QTest::addColumn<bool>("refreshing");
        QTest::addColumn<int>("triggers");
        QTest::newRow("short") << 63.0 << false << 0;
        QTest::newRow("at threshold") << 64.0 << false << 1;
        QTest::newRow("far") << 200.0 << false << 1;
        QTest::newRow("while refreshing") << 200.0 << true << 0;
        QTest::newRow("pushed up") << -30.0 << false << 0;
    }
    void release() {
        QFETCH(double, pull);
        QFETCH(bool, refreshing);
        QFETCH(int, triggers);
        PullToRefresh logic;
        logic.setRefreshing(refreshing);
        QSignalSpy triggered(&logic, &PullToRefresh::triggered);
        logic.release(pull);
        QCOMPARE(triggered.size(), triggers);
    }

    // Wheel steps past the top add up to one refresh; steps that leave the top, go the other way or come
    // after a pause start again.
    void wheel_data() {
        QTest::addColumn<QList<double>>("steps");
        QTest::addColumn<QList<bool>>("atTop");
        QTest::addColumn<int>("triggers");
        QTest::addColumn<double>("remaining");
        QTest::newRow("two notches") << QList<double>{60, 60} << QList<bool>{true, true} << 1 << 0.0;
        QTest::newRow("one notch") << QList<double>{60} << QList<bool>{true} << 0 << 60.0;
        QTest::newRow("not at the top") << QList<double>{60, 60} << QList<bool>{false, false} << 0 << 0.0;
        QTest::newRow("reached the top midway")
            << QList<double>{60, 60} << QList<bool>{false, true} << 0 << 60.0;
        QTest::newRow("back down resets")
            << QList<double>{60, -10, 60} << QList<bool>{true, true, true} << 0 << 60.0;
        QTest::newRow("one per gesture")
            << QList<double>{40, 40, 40} << QList<bool>{true, true, true} << 1 << 40.0;
    }
    void wheel() {
        QFETCH(QList<double>, steps);
        QFETCH(QList<bool>, atTop);
        QFETCH(int, triggers);
        QFETCH(double, remaining);
        PullToRefresh logic;
        QSignalSpy triggered(&logic, &PullToRefresh::triggered);
        for (qsizetype i = 0; i < steps.size(); ++i)
            logic.wheel(steps[i], atTop[i]);
        QCOMPARE(triggered.size(), triggers);
        QCOMPARE(logic.wheelPull(), remaining);
        QCOMPARE(logic.progress(), remaining / logic.threshold());
    }

    void wheelPauseStartsAgain() {
        PullToRefresh logic;
        QSignalSpy triggered(&logic, &PullToRefresh::triggered);
        logic.wheel(60, true);
        QTRY_COMPARE_WITH_TIMEOUT(logic.wheelPull(), 0.0, PullToRefresh::wheelPauseMs * 3);
        logic.wheel(60, true);
        QCOMPARE(triggered.size(), 0);
    }

    void requestAndProgress() {
        PullToRefresh logic;
        QSignalSpy triggered(&logic, &PullToRefresh::triggered);
        logic.request();
        logic.setRefreshing(true);
        logic.request(); // F5 again while it runs
        QCOMPARE(triggered.size(), 1);
        logic.setDragPull(32);
        QCOMPARE(logic.progress(), 0.5);
        logic.setDragPull(640);
        QCOMPARE(logic.progress(), 1.0);
    }

    void sheetDrag_data() {
        QTest::addColumn<int>("detent");
        QTest::addColumn<double>("dy");
        QTest::addColumn<bool>("allowsMedium");
        QTest::addColumn<int>("after");
        QTest::newRow("medium up") << int(SheetDetent::Medium) << -80.0 << true << int(SheetDetent::Large);
        QTest::newRow("medium wobble")
            << int(SheetDetent::Medium) << 30.0 << true << int(SheetDetent::Medium);
        QTest::newRow("medium down closes")
            << int(SheetDetent::Medium) << 80.0 << true << int(SheetDetent::Closed);
        QTest::newRow("large down") << int(SheetDetent::Large) << 80.0 << true << int(SheetDetent::Medium);
        QTest::newRow("large down, no medium")
            << int(SheetDetent::Large) << 80.0 << false << int(SheetDetent::Closed);
        QTest::newRow("large up stays")
            << int(SheetDetent::Large) << -200.0 << true << int(SheetDetent::Large);
    }
    void sheetDrag() {
        QFETCH(int, detent);
        QFETCH(double, dy);
        QFETCH(bool, allowsMedium);
        QFETCH(int, after);
        QCOMPARE(SheetDetent::afterDrag(detent, dy, allowsMedium), after);
    }

    void sheetHeight_data() {
        QTest::addColumn<int>("detent");
        QTest::addColumn<double>("available");
        QTest::addColumn<double>("mediumMinimum");
        QTest::addColumn<double>("height");
        QTest::newRow("medium") << int(SheetDetent::Medium) << 800.0 << 320.0 << 400.0;
        QTest::newRow("medium, low window") << int(SheetDetent::Medium) << 500.0 << 320.0 << 320.0;
        QTest::newRow("medium, tiny window") << int(SheetDetent::Medium) << 200.0 << 320.0 << 176.0;
        QTest::newRow("large") << int(SheetDetent::Large) << 800.0 << 320.0 << 776.0;
        QTest::newRow("closed") << int(SheetDetent::Closed) << 800.0 << 320.0 << 0.0;
        // A taller medium floor (the guest home's feature sheets).
        QTest::newRow("taller floor") << int(SheetDetent::Medium) << 760.0 << 440.0 << 440.0;
        QTest::newRow("taller floor, tall window") << int(SheetDetent::Medium) << 1000.0 << 440.0 << 500.0;
        QTest::newRow("taller floor never above large")
            << int(SheetDetent::Medium) << 400.0 << 440.0 << 376.0;
        QTest::newRow("large, window under the strip") << int(SheetDetent::Large) << 10.0 << 440.0 << 0.0;
    }
    void sheetHeight() {
        QFETCH(int, detent);
        QFETCH(double, available);
        QFETCH(double, mediumMinimum);
        QFETCH(double, height);
        QCOMPARE(SheetDetent::height(detent, available, mediumMinimum), height);
    }

    // A list widened after it was made (laid out, the window resized) is at rest once laid out: nothing goes
    // on redrawing the window.
    void plainListRestsAfterResize() {
        QmlHarness::View view(QSize(300, 400));
        QVERIFY2(view.loadData(
                     "import QtQuick\nimport Quorvel.Ui\nPlainListView {\n"
                     "    model: 5\n"
                     "    delegate: Rectangle { width: ListView.view.width; height: 40; color: \"teal\" }\n"
                     "}"),
                 qPrintable(view.error()));
        QTest::qWait(100);
        view.resize(QSize(1100, 400));
        QTest::qWait(300); // the frames of the new layout
        QSignalSpy frames(&view.window(), &QQuickWindow::frameSwapped);
        QTest::qWait(500);
        QCOMPARE(frames.count(), 0);
    }
};

QTEST_MAIN(TestKit)
#include "tst_kit.moc"
