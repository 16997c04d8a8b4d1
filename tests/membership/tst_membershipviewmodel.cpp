// The membership page's state: quota rows (order, count texts, red, bar), expiry texts, SKU rows and what a
// failed load leaves. Buying through the page is in the purchase and view suites.
#include "AppSession.h"
#include "Await.h"
#include "MembershipViewModel.h"
#include "TestPlatform.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;

const QString entitlementsPath = QStringLiteral("/api/v1/me/entitlements");
const QString skusPath = QStringLiteral("/api/v1/commerce/skus");

const QByteArray skusJson =
    R"({"items":[{"sku_id":"m30","tier":"L3","name":"学习会员月卡","price":"30.00","period_days":30},)"
    R"({"sku_id":"y258","tier":"L4","name":"年卡","price":"258.00"}]})";

QByteArray entitlements(const QByteArray &quotas,
                        const QByteArray &expiry = R"("2026-09-01T00:00:00+08:00")") {
    return R"({"tier":"L3","effective_tier":"L3","expires_at":)" + expiry + R"(,"quotas":{)" + quotas + "}}";
}

QStringList describe(const ListModel<MembershipQuotaRow> &rows) {
    QStringList out;
    for (const MembershipQuotaRow &row : rows.rows())
        out << QStringLiteral("%1 %2%3%4")
                   .arg(row.label, row.countText, row.countIsRed ? QStringLiteral(" red") : QString(),
                        row.showsBar ? QStringLiteral(" bar ") + QString::number(row.progress) : QString());
    return out;
}
QStringList describe(const ListModel<MembershipSkuRow> &rows) {
    QStringList out;
    for (const MembershipSkuRow &row : rows.rows())
        out << QStringLiteral("%1|%2|%3%4")
                   .arg(row.name, row.periodText, row.priceText,
                        row.isBuying ? QStringLiteral("|buying") : QString());
    return out;
}

struct Page {
    TestPlatform platform;
    AppSession session;
    MembershipViewModel vm;

    Page() {
        session.setAccessToken(QStringLiteral("tok"));
        vm.setSession(&session);
    }
    void answer(const Reply &status, const Reply &skus) {
        platform.transport->on("GET", entitlementsPath, status);
        platform.transport->on("GET", skusPath, skus);
    }
};

} // namespace

Q_DECLARE_METATYPE(Reply)

class TestMembershipViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quotaRows_data() {
        QTest::addColumn<QByteArray>("quotas");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("empty") << QByteArray() << QStringList();
        // Sorted by the bucket field, whatever the map's keys and order; unknown codes as they came.
        QTest::newRow("order and texts")
            << QByteArray(R"("z":{"bucket":"qa","limit":5,"used":3,"remaining":2},)"
                          R"("a":{"bucket":"photo","limit":0,"used":0,"remaining":0},)"
                          R"("m":{"bucket":"companion","limit":5,"used":5,"remaining":0},)"
                          R"("b":{"bucket":"Qa","limit":-1,"used":0,"remaining":3})")
            << QStringList{"Qa 3 / -1", "伙伴对话 0 / 5 red bar 1", "拍照识题 不含此功能 red",
                           "答疑 2 / 5 bar 0.6"};
        QTest::newRow("over the limit, large numbers")
            << QByteArray(R"("qa":{"bucket":"qa","limit":10000,"used":12000,"remaining":-2000})")
            << QStringList{"答疑 -2000 / 10000 bar 1"};
    }
    void quotaRows() {
        QFETCH(QByteArray, quotas);
        QFETCH(QStringList, rows);
        Page page;
        page.answer(Reply::json(200, entitlements(quotas)), Reply::json(200, skusJson));
        Await::result(page.vm.runLoad());
        QVERIFY(page.vm.hasStatus());
        QCOMPARE(describe(page.vm.quotas()), rows);
    }

    void expiryText_data() {
        QTest::addColumn<QByteArray>("expiry");
        QTest::addColumn<QString>("text");
        QTest::newRow("timestamp") << QByteArray(R"("2026-09-01T00:00:00+08:00")") << "2026-09-01";
        QTest::newRow("short") << QByteArray(R"("2026-9")") << "2026-9";
        QTest::newRow("absent") << QByteArray("null") << MembershipViewModel::permanentText;
    }
    void expiryText() {
        QFETCH(QByteArray, expiry);
        QFETCH(QString, text);
        Page page;
        page.answer(Reply::json(200, entitlements({}, expiry)), Reply::json(200, skusJson));
        Await::result(page.vm.runLoad());
        QCOMPARE(page.vm.expiryText(), text);
        QCOMPARE(page.vm.tierLabel(), QStringLiteral("学习会员"));
        const QStringList skus{"学习会员月卡|30 天|¥30.00", "年卡||¥258.00"};
        QCOMPARE(describe(page.vm.skus()), skus);
    }

    // A second load after a good first one: what a failure shows and what stays on screen.
    void loadFailure_data() {
        QTest::addColumn<Reply>("status");
        QTest::addColumn<Reply>("skus");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("tier");
        QTest::addColumn<int>("skuRows");
        const Reply goodStatus = Reply::json(200, R"({"tier":"L4","effective_tier":"L4","quotas":{}})");
        const Reply noSkus = Reply::json(200, R"({"items":[]})");
        QTest::newRow("entitlements fail: old SKUs stay")
            << Reply::json(500, R"({"message":"服务繁忙"})") << noSkus << "服务繁忙"
            << "学习会员" << 2;
        QTest::newRow("SKUs fail: new status kept") << goodStatus << Reply::json(502, "") << "请求失败（502）"
                                                    << "进阶会员" << 2;
        QTest::newRow("bad body") << Reply::json(200, "{}") << noSkus << "响应格式不正确"
                                  << "学习会员" << 2;
        QTest::newRow("both good") << goodStatus << noSkus << QString() << "进阶会员" << 0;
    }
    void loadFailure() {
        QFETCH(Reply, status);
        QFETCH(Reply, skus);
        QFETCH(QString, message);
        QFETCH(QString, tier);
        QFETCH(int, skuRows);
        Page page;
        page.answer(Reply::json(200, entitlements({})), Reply::json(200, skusJson));
        page.answer(status, skus);
        Await::result(page.vm.runLoad());
        QSignalSpy messages(&page.vm, &MembershipViewModel::messageChanged);
        Await::result(page.vm.runLoad());
        QCOMPARE(page.vm.message(), message);
        QCOMPARE(page.vm.alertVisible(), !message.isEmpty());
        QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(page.vm.tierLabel(), tier);
        QCOMPARE(page.vm.skus().count(), skuRows);
        QVERIFY(!page.vm.loading());
        page.vm.dismissMessage();
        QVERIFY(!page.vm.alertVisible());
    }
};

QTEST_GUILESS_MAIN(TestMembershipViewModel)
#include "tst_membershipviewmodel.moc"
