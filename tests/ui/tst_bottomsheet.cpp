#include "AppFonts.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QQuickItem>
#include <QTest>

// A sheet slides up from the window's bottom edge to rest at its detent, every time it opens: closed and
// opened again (the store's "确认购买" after a declined purchase, a message's sheet opened twice) it rests in
// the same place, drawn inside the window, and not at the edge where its closing left it.
class TestBottomSheet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void restsAtItsDetentEachTimeItOpens_data() {
        QTest::addColumn<QString>("detent");
        QTest::newRow("medium") << QStringLiteral("SheetDetent.Medium");
        QTest::newRow("large") << QStringLiteral("SheetDetent.Large");
    }
    void restsAtItsDetentEachTimeItOpens() {
        QFETCH(QString, detent);
        TestPlatform platform;
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(480, 800));
        guard.watch(view.engine());
        QVERIFY2(view.loadData("import QtQuick\nimport Quorvel.Ui\nItem {\n"
                               "    property alias sheet: sheet\n"
                               "    BottomSheet { id: sheet; title: \"详情\"; allowsMedium: true; detent: " +
                                   detent.toUtf8() +
                                   "\n        Text { text: \"内容\" } }\n"
                                   "}",
                               {}, QUrl(QStringLiteral("qrc:/tests/SheetScene.qml"))),
                 qPrintable(view.error()));
        QObject *sheet = view.root()->property("sheet").value<QObject *>();
        QVERIFY(sheet);
        for (int time = 1; time <= 3; ++time) {
            QMetaObject::invokeMethod(sheet, "open");
            QTRY_VERIFY(sheet->property("opened").toBool());
            const qreal height = sheet->property("height").toReal();
            QVERIFY(height > 0);
            QCOMPARE(sheet->property("y").toReal(), 800 - height);
            auto *item = sheet->property("contentItem").value<QQuickItem *>();
            QVERIFY(item);
            const QRectF drawn = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
            QVERIFY2(drawn.top() < 800 && drawn.top() >= 0,
                     qPrintable(QStringLiteral("opening %1: the sheet's content starts at %2")
                                    .arg(time)
                                    .arg(drawn.top())));
            QMetaObject::invokeMethod(sheet, "close");
            QTRY_VERIFY(!sheet->property("visible").toBool());
        }
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestBottomSheet)
#include "tst_bottomsheet.moc"
