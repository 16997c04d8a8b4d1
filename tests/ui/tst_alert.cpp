#include "AppFonts.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QQuickItem>
#include <QTest>

// The alert's buttons as drawn: two side by side when their labels fit their halves, stacked when one does
// not, every label clear of the alert's edges and of the hairline between the buttons.
class TestAlert : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void buttonsKeepTheirLabelsInside_data() {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<bool>("sideBySide");
        QTest::newRow("one") << QStringList{"好"} << false;
        QTest::newRow("two short") << QStringList{"取消", "退出"} << true;
        QTest::newRow("a long confirmation") << QStringList{"确认 2012 年 1 月", "再看看"} << false;
        QTest::newRow("three") << QStringList{"拍照", "从相册选", "取消"} << false;
    }
    void buttonsKeepTheirLabelsInside() {
        QFETCH(QStringList, labels);
        QFETCH(bool, sideBySide);
        TestPlatform platform;
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(480, 800));
        guard.watch(view.engine());
        QVariantList buttons;
        for (const QString &label : labels)
            buttons << QVariantMap{{"text", label}};
        QVERIFY2(view.loadData(
                     "import QtQuick\nimport Quorvel.Ui\nItem {\n"
                     "    property alias alert: alert\n"
                     "    Alert { id: alert; title: \"确认出生年月\"; message: \"提交后不能自行修改\" }\n"
                     "}",
                     {}, QUrl(QStringLiteral("qrc:/tests/AlertScene.qml"))),
                 qPrintable(view.error()));
        QObject *alert = view.root()->property("alert").value<QObject *>();
        alert->setProperty("buttons", labels.size() > 1 ? buttons : QVariantList());
        if (labels.size() == 1)
            alert->setProperty("buttonText", labels.first());
        QMetaObject::invokeMethod(alert, "open");
        QTRY_VERIFY(alert->property("opened").toBool());

        QCOMPARE(alert->property("sideBySide").toBool(), sideBySide);
        auto *panel = alert->property("background").value<QQuickItem *>();
        const QRectF bounds = panel->mapRectToScene(QRectF(0, 0, panel->width(), panel->height()));
        QList<QRectF> drawn;
        for (int i = 0; i < labels.size(); ++i) {
            QQuickItem *button = QmlHarness::findItem(view.window().contentItem(),
                                                      QStringLiteral("alertButton%1").arg(i), true);
            QVERIFY(button);
            auto *label = button->property("contentItem").value<QQuickItem *>();
            const QRectF box = button->mapRectToScene(QRectF(0, 0, button->width(), button->height()));
            const qreal textWidth = label->property("contentWidth").toReal();
            const QPointF centre = label->mapToScene(QPointF(label->width() / 2, 0));
            const QRectF text(centre.x() - textWidth / 2, box.top(), textWidth, box.height());
            QVERIFY2(text.left() >= box.left() + 8 && text.right() <= box.right() - 8,
                     qPrintable(labels[i] + QStringLiteral(": %1..%2 in %3..%4")
                                                .arg(text.left())
                                                .arg(text.right())
                                                .arg(box.left())
                                                .arg(box.right())));
            QVERIFY(bounds.contains(box.adjusted(0.5, 0.5, -0.5, -0.5)));
            drawn << box;
        }
        if (labels.size() == 2)
            QCOMPARE(drawn[0].top() == drawn[1].top(), sideBySide);
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestAlert)
#include "tst_alert.moc"
