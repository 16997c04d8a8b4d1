#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QPointer>
#include <QQuickItem>
#include <QTest>

// A swiped row's action item goes with its row: SwipeDelegate itself only makes the item a visual child, so
// without the owner each swiped row that is destroyed leaves it behind.
class TestSwipeActionOwner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void actionItemsGoWithTheirRow_data() {
        QTest::addColumn<QByteArray>("side");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QByteArray>("opening");
        QTest::newRow("right") << QByteArray("right") << QByteArray("rightItem")
                               << QByteArray("SwipeDelegate.Right");
        QTest::newRow("left") << QByteArray("left") << QByteArray("leftItem")
                              << QByteArray("SwipeDelegate.Left");
        QTest::newRow("behind") << QByteArray("behind") << QByteArray("behindItem")
                                << QByteArray("SwipeDelegate.Left");
    }
    void actionItemsGoWithTheirRow() {
        QFETCH(QByteArray, side);
        QFETCH(QByteArray, property);
        QFETCH(QByteArray, opening);
        TestPlatform platform;
        QmlHarness::View view(QSize(320, 200));
        QVERIFY2(view.loadData("import QtQuick\nimport QtQuick.Controls.Basic\nimport "
                               "Quorvel.Ui\nItem {\n"
                               "    property alias row: row\n"
                               "    SwipeDelegate {\n"
                               "        id: row\n"
                               "        width: 320; height: 50\n"
                               "        swipe." +
                               side +
                               ": Rectangle { width: 80; height: 50; color: \"red\" }\n"
                               "        SwipeActionOwner { swipe: row.swipe }\n"
                               "    }\n"
                               "    function open() { row.swipe.open(" +
                               opening + ") }\n}\n"),
                 "the row did not load");
        auto *row = view.root()->property("row").value<QQuickItem *>();
        QVERIFY(row);
        QVERIFY(QMetaObject::invokeMethod(view.root(), "open"));
        QObject *swipe = row->property("swipe").value<QObject *>();
        QTRY_VERIFY(swipe->property(property.constData()).value<QQuickItem *>());
        const QPointer<QQuickItem> action = swipe->property(property.constData()).value<QQuickItem *>();

        delete row;
        QVERIFY(!action);
    }
};

QTEST_MAIN(TestSwipeActionOwner)
#include "tst_swipeactionowner.moc"
