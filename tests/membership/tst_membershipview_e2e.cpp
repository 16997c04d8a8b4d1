// The membership pages as the learner walks them against the local stand-in, with the local store and the
// app's own "确认购买" sheet: the free tier and the SKUs on sale, a tap on a price opens the sheet, paying
// reports success and the new tier, and "我的订单" pushes the orders page with the paid order. Saves
// pictures when QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "LocalAppStore.h"
#include "LocalService.h"
#include "MembershipPurchases.h"
#include "PurchaseConfirmation.h"
#include "QmlHarness.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QTest>

using QmlHarness::textsBelow;
using QmlHarness::visibleNamed;

class TestMembershipViewE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void buyAndSeeTheOrder() {
        LocalService service(QStringLiteral("13800138601"));
        QTemporaryDir dir;
        Platform::Services services;
        services.appStore = std::make_shared<LocalAppStore>(LocalAppStore::loadCatalogue(),
                                                            dir.filePath(QStringLiteral("store.json")),
                                                            PurchaseConfirmation::shared().confirmer());
        Platform::Override store(services);

        QmlHarness::View view(QmlHarness::screenshotSize(QSize(430, 1000)));
        QmlHarness::WarningGuard guard;
        guard.watch(view.engine());
        QVERIFY2(view.loadData("import QtQuick\nimport QtQuick.Controls.Basic\nimport Quorvel.Core\n"
                               "import Quorvel.Membership\n"
                               "Item { id: root; property AppSession session\n"
                               "  StackView { objectName: \"stack\"; anchors.fill: parent\n"
                               "    initialItem: MembershipView { session: root.session } }\n"
                               "  PurchaseConfirmSheet {} }",
                               {{"session", QVariant::fromValue(service.session.get())}}),
                 qPrintable(view.error()));
        QQuickItem *overlay = view.window().contentItem();
        auto shoot = [&](const QString &name) {
            QTest::qWait(400); // transitions
            QVERIFY(QmlHarness::saveScreenshot(view.window(), name));
        };

        QTRY_VERIFY_WITH_TIMEOUT(visibleNamed(view.root(), QStringLiteral("buyButton")).size() == 4, 10000);
        QVERIFY(textsBelow(view.find(QStringLiteral("tierRow"))).contains(QStringLiteral("免费版")));
        shoot(QStringLiteral("membership-e2e"));

        QVERIFY(view.click(visibleNamed(view.root(), QStringLiteral("buyButton")).first()));
        QQuickItem *confirm = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (confirm = QmlHarness::findItem(overlay, QStringLiteral("purchaseConfirmButton"), true)), 10000);
        QCOMPARE(
            QmlHarness::findItem(overlay, QStringLiteral("purchasePrice"), true)->property("text").toString(),
            QStringLiteral("¥30.00"));
        shoot(QStringLiteral("purchase-confirm-e2e"));
        QVERIFY(view.click(confirm));

        QQuickItem *ok = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((ok = QmlHarness::findItem(overlay, QStringLiteral("alertButton0"), true)),
                                 10000);
        QVERIFY(textsBelow(overlay).contains(MembershipPurchases::paidText));
        QTRY_VERIFY_WITH_TIMEOUT(
            textsBelow(view.find(QStringLiteral("tierRow"))).contains(QStringLiteral("学习会员")), 10000);
        shoot(QStringLiteral("membership-paid-e2e"));
        QVERIFY(view.click(ok));
        QTRY_VERIFY(!QmlHarness::findItem(overlay, QStringLiteral("alertButton0"), true));

        QQuickItem *stack = view.find(QStringLiteral("stack"));
        QTRY_VERIFY(!stack->property("busy").toBool());
        QVERIFY(view.click(view.find(QStringLiteral("ordersRow"), true)));
        QTRY_COMPARE(stack->property("depth").toInt(), 2);
        QQuickItem *row = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((row = view.find(QStringLiteral("orderRow"), true)), 10000);
        const QStringList texts = textsBelow(row);
        QVERIFY2(texts.contains(QStringLiteral("已支付")) && texts.contains(QStringLiteral("¥30.00")),
                 qPrintable(texts.join(u'|')));
        QVERIFY(!QmlHarness::findItem(row, QStringLiteral("cancelOrderButton"), true));
        shoot(QStringLiteral("orders-e2e"));
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestMembershipViewE2E)
#include "tst_membershipview_e2e.moc"
