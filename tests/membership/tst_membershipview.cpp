// The membership page as QML, offscreen against scripted answers and free of warnings: the spinner before
// the first answer, the status, quota and SKU sections, a purchase with the spinner in its row and every
// button off, the alert with the outcome, and the orders link. Saves pictures when QVL_SCREENSHOT_DIR names
// a folder.
#include "AppSession.h"
#include "MembershipViewModel.h"
#include "PageSuite.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;
using QmlHarness::textsBelow;

const QByteArray entitlementsJson =
    R"({"tier":"L3","effective_tier":"L3","expires_at":"2026-09-01T00:00:00+08:00","quotas":{)"
    R"("qa":{"bucket":"qa","limit":20,"used":6,"remaining":14},)"
    R"("photo":{"bucket":"photo","limit":5,"used":5,"remaining":0},)"
    R"("companion":{"bucket":"companion","limit":0,"used":0,"remaining":0}}})";
const QByteArray skusJson =
    R"({"items":[{"sku_id":"m30","tier":"L3","name":"学习会员月卡","price":"30.00","period_days":30},)"
    R"({"sku_id":"q78","tier":"L3","name":"学习会员季卡","price":"78.00","period_days":90},)"
    R"({"sku_id":"trial","tier":"L2","name":"七天体验卡","price":"0.00"}]})";

} // namespace

class TestMembershipView : public QmlHarness::PageSuite {
    Q_OBJECT

    struct Page : QmlHarness::SessionPage {
        Page() : SessionPage(QSize(430, 900)) {}
        bool load() { return loadType(QStringLiteral("MembershipView")); }
        MembershipViewModel *vm() const { return viewModel<MembershipViewModel>(); }
        QList<QQuickItem *> all(const QString &name) const {
            return QmlHarness::visibleNamed(view->root(), name);
        }
    };

private Q_SLOTS:
    void page() {
        Page page;
        page.platform.transport->on("GET", "/api/v1/me/entitlements",
                                    Reply::json(200, entitlementsJson).after(300));
        page.platform.transport->on("GET", "/api/v1/commerce/skus", Reply::json(200, skusJson));
        page.platform.transport->on("POST", "/api/v1/commerce/orders",
                                    Reply::json(201, R"({"order_no":"QV1","sku_id":"q78","sku_name":"季卡",)"
                                                     R"("amount":"78.00","channel":"apple_iap",)"
                                                     R"("platform":"ios","state":"Created"})"));
        page.platform.transport->on(
            "POST", "/api/v1/commerce/orders/QV1/pay",
            Reply::json(200, R"({"order_no":"QV1","state":"Paying","channel":"apple_iap",)"
                             R"("apple_product_id":"qvl.member.quarter",)"
                             R"("app_account_token":"7d444840-9dc0-11d1-b245-5ffdce74fad2"})"));
        page.platform.transport->on(
            "POST", "/api/v1/commerce/orders/QV1/apple-transactions",
            Reply::json(200, R"({"order_no":"QV1","state":"Paid","channel":"apple_iap"})"));
        page.platform.appStore->catalogue = {{"qvl.member.quarter", "学习会员季卡", "¥78.00"}};
        auto sheet = std::make_shared<Completion>();
        page.platform.appStore->answers = {FakeAppStore::Answer::success().heldUntil(sheet)};
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        page.vm()->reloadDelayMs = 400; // long enough to see the buttons held

        QTRY_VERIFY(page.shown("statusLoading"));
        QVERIFY(!page.shown("quotaSection"));
        shoot(page, QStringLiteral("membership-loading"));

        QTRY_VERIFY(page.shown("quotaSection"));
        QVERIFY(!page.shown("statusLoading"));
        QCOMPARE(textsBelow(page.shown("statusSection")),
                 (QStringList{"当前会员", "层级", "学习会员", "到期", "2026-09-01"}));
        QCOMPARE(
            textsBelow(page.shown("quotaSection")),
            (QStringList{"今日剩余次数", "伙伴对话", "不含此功能", "拍照识题", "0 / 5", "答疑", "14 / 20"}));
        QCOMPARE(page.all("quotaBar").size(), 2);
        QCOMPARE(textsBelow(page.shown("skuSection")),
                 (QStringList{"开通会员", "学习会员月卡", "30 天", "¥30.00", "学习会员季卡", "90 天",
                              "¥78.00", "七天体验卡", "", "¥0.00",
                              "未成年人有单笔与每月消费上限，超出时无法下单。会员到期不会自动续费。"}));
        shoot(page, QStringLiteral("membership"));

        // Buying the second: its spinner, every button off, until the reload after the server took it.
        // A press on a list still settling after the load only stops it: wait until it rests.
        QQuickItem *list = page.shown("membershipList");
        QTRY_VERIFY(!list->property("moving").toBool());
        QTest::qWait(50);
        QVERIFY(page.view->click(page.all("buyButton").at(1)));
        QTRY_COMPARE(page.platform.appStore->purchases.size(), 1);
        QCOMPARE(page.all("buySpinner").size(), 1);
        QCOMPARE(page.all("priceLabel").size(), 2);
        for (QQuickItem *button : page.all("buyButton"))
            QVERIFY(!button->isEnabled());
        shoot(page, QStringLiteral("membership-buying"));
        sheet->finish();
        QTRY_VERIFY(page.overlayItem("alertButton0"));
        QCOMPARE(page.vm()->message(), QStringLiteral("开通成功，会员权益几秒内生效。"));
        QVERIFY(!page.all("buyButton").at(0)->isEnabled()); // held through the wait and the reload
        shoot(page, QStringLiteral("membership-paid"));
        QVERIFY(page.view->click(page.overlayItem("alertButton0")));
        QTRY_VERIFY(!page.vm()->alertVisible());
        QTRY_VERIFY(page.all("buyButton").at(0)->isEnabled());
        QCOMPARE(page.all("buySpinner").size(), 0);
        QCOMPARE(page.platform.transport->count("/api/v1/me/entitlements"), 2);

        QSignalSpy orders(page.view->root(), SIGNAL(ordersRequested()));
        QVERIFY(page.view->click(page.shown("ordersRow")));
        QTRY_COMPARE(orders.size(), 1);
        expectNoWarnings();
    }
};

QTEST_MAIN(TestMembershipView)
#include "tst_membershipview.moc"
