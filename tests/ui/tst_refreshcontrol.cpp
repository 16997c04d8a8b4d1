// Pull-to-refresh in a list, offscreen: whatever the height of the list's header, a list at rest shows no
// spinner and is not pulled, a short drag lets go without a refresh, and a long one refreshes once; F5
// refreshes.
#include "QmlHarness.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

namespace {

QByteArray scene(int headerHeight) {
    return QByteArrayLiteral(R"(
import QtQuick
import Quorvel.Ui
ListView {
    id: list
    property int refreshes: 0
    property alias control: control
    width: 400; height: 600
    boundsBehavior: Flickable.DragOverBounds
    model: 40
    delegate: Rectangle { width: 400; height: 50; color: index % 2 ? "white" : "#eef" }
    header: Item { width: 400; height: )") +
           QByteArray::number(headerHeight) + QByteArrayLiteral(R"( }
    RefreshControl {
        id: control
        flickable: list
        onTriggered: list.refreshes += 1
    }
}
)");
}

// Presses at the list's middle and drags straight down by `distance`, in small steps, then lets go.
void dragDown(QQuickWindow &window, int distance) {
    QPoint at(200, 200);
    QTest::mousePress(&window, Qt::LeftButton, {}, at);
    for (int moved = 0; moved < distance; moved += 10) {
        at.ry() += 10;
        QTest::mouseMove(&window, at, 16);
    }
    QTest::mouseRelease(&window, Qt::LeftButton, {}, at, 16);
}

} // namespace

class TestRefreshControl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pullFromTheListsTop_data() {
        QTest::addColumn<int>("header");
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("refreshes");
        for (const int header : {0, 16, 300}) {
            const QByteArray name = "header " + QByteArray::number(header);
            QTest::newRow(name + ", short drag") << header << 40 << 0;
            QTest::newRow(name + ", long drag") << header << 250 << 1;
        }
    }
    void pullFromTheListsTop() {
        QFETCH(int, header);
        QFETCH(int, distance);
        QFETCH(int, refreshes);
        QmlHarness::View view(QSize(400, 600));
        QmlHarness::WarningGuard guard;
        guard.watch(view.engine());
        QVERIFY2(view.loadData(scene(header)), qPrintable(view.error()));
        QQuickItem *list = view.root();
        auto *control = list->property("control").value<QQuickItem *>();
        QTRY_COMPARE(list->property("originY").toReal(), -qreal(header));
        QCOMPARE(control->property("pulled").toReal(), 0.0);
        QCOMPARE(control->property("progress").toReal(), 0.0);

        dragDown(view.window(), distance);
        QTRY_VERIFY(!list->property("moving").toBool());
        QCOMPARE(list->property("refreshes").toInt(), refreshes);
        QCOMPARE(control->property("pulled").toReal(), 0.0);
        QCOMPARE(guard.warnings(), QStringList());
    }

    // The platform's refresh key refreshes too.
    void refreshKey() {
        QmlHarness::View view(QSize(400, 600));
        QVERIFY2(view.loadData(scene(0)), qPrintable(view.error()));
        view.window().requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&view.window()));
        QTest::keyClick(&view.window(), Qt::Key_F5);
        QTRY_COMPARE(view.root()->property("refreshes").toInt(), 1);
    }
};

QTEST_MAIN(TestRefreshControl)
#include "tst_refreshcontrol.moc"
