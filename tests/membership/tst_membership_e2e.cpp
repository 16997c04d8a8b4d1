// Buying a membership against the local stand-in through the local store, with the purchase sheet answered
// as a learner would: the order is paid, the tier changes and the transaction is finished. A transaction
// whose post failed stays unfinished and owed, and is handed over by the next load of the page, or by a
// purchases object started afresh over the store's file (the app after a restart).
#include "LocalAppStore.h"
#include "LocalService.h"
#include "MembershipAPIClient.h"
#include "MembershipPurchases.h"
#include "MembershipViewModel.h"

#include <httplib.h>

#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

const QString monthSku = QStringLiteral("member_month");

// The local store over a transactions file, whose purchase sheet is answered "buy" after `onSheet` ran.
struct Store {
    std::function<void()> onSheet;
    std::shared_ptr<LocalAppStore> store;
    std::unique_ptr<Platform::Override> installed;

    explicit Store(const QString &path) {
        store = std::make_shared<LocalAppStore>(LocalAppStore::loadCatalogue(), path,
                                                [this](StoreProduct) -> QCoro::Task<bool> {
                                                    if (onSheet)
                                                        onSheet();
                                                    co_return true;
                                                });
        Platform::Services services;
        services.appStore = store;
        installed = std::make_unique<Platform::Override>(services);
    }
};

int rowOf(const MembershipViewModel &page, const QString &skuId) {
    for (int row = 0; row < page.skus().count(); ++row)
        if (page.skus().rows().at(row).skuId == skuId)
            return row;
    return -1;
}

QList<OrderItem> orders(LocalService &service) {
    return Await::result(MembershipAPIClient().fetchOrders(*service.session));
}

} // namespace

class TestMembershipE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buyThroughTheLocalStore() {
        LocalService service(QStringLiteral("13800138501"));
        QTemporaryDir dir;
        Store store(dir.filePath(QStringLiteral("store.json")));
        MembershipViewModel page;
        page.reloadDelayMs = 0;
        page.setSession(service.session.get());
        Await::result(page.runLoad());
        QVERIFY2(!page.alertVisible(), qPrintable(page.message()));
        QCOMPARE(page.tierLabel(), QStringLiteral("免费版"));
        QCOMPARE(page.expiryText(), MembershipViewModel::permanentText);

        page.buy(rowOf(page, monthSku));
        QTRY_VERIFY(page.anyBuying());
        QTRY_VERIFY_WITH_TIMEOUT(!page.anyBuying(), 10000);
        QCOMPARE(page.message(), MembershipPurchases::paidText);
        QCOMPARE(page.tierLabel(), QStringLiteral("学习会员"));
        const QDateTime due = QDateTime::currentDateTimeUtc().addDays(30);
        const QStringList dueDates{due.date().toString(Qt::ISODate),
                                   due.toOffsetFromUtc(8 * 3600).date().toString(Qt::ISODate)};
        QVERIFY2(dueDates.contains(page.expiryText()), qPrintable(page.expiryText()));
        QVERIFY(store.store->unfinished().isEmpty());
        QVERIFY(MembershipPurchases::pendingOrders().isEmpty());
        const QList<OrderItem> placed = orders(service);
        QCOMPARE(placed.size(), 1);
        QCOMPARE(placed.first().state, QStringLiteral("Paid"));
        QCOMPARE(placed.first().skuId, monthSku);
    }

    void failedPostHandedOverLater_data() {
        QTest::addColumn<bool>("restart");
        QTest::newRow("next load") << false;
        QTest::newRow("after a restart") << true;
    }
    void failedPostHandedOverLater() {
        QFETCH(bool, restart);
        LocalService service(QStringLiteral("13800138502"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("store.json"));
        auto store = std::make_unique<Store>(file);
        // While the sheet is up the order is known: its transaction post is made to fail once.
        store->onSheet = [&service] {
            const QString orderNo = orders(service).first().orderNo;
            service.server.failNext(
                "/api/v1/commerce/orders/" + orderNo.toStdString() + "/apple-transactions", 503);
        };
        auto page = std::make_unique<MembershipViewModel>();
        page->reloadDelayMs = 0;
        page->setSession(service.session.get());
        Await::result(page->runLoad());
        page->buy(rowOf(*page, monthSku));
        QTRY_VERIFY(page->anyBuying());
        QTRY_VERIFY_WITH_TIMEOUT(!page->anyBuying(), 10000);
        QVERIFY(page->alertVisible());
        QVERIFY(page->message() != MembershipPurchases::paidText);
        QCOMPARE(store->store->unfinished().size(), 1);
        QCOMPARE(MembershipPurchases::pendingOrders().size(), 1);
        QCOMPARE(orders(service).first().state, QStringLiteral("Paying"));

        if (restart) {
            page.reset();
            store.reset(); // the old store's platform override goes first
            store = std::make_unique<Store>(file);
            QCOMPARE(store->store->unfinished().size(), 1);
            MembershipPurchases afresh(*service.session);
            QCOMPARE(Await::result(afresh.runRecover()), 1);
        } else {
            page->dismissMessage();
            page->load();
            QTRY_VERIFY_WITH_TIMEOUT(store->store->unfinished().isEmpty(), 10000);
            QTRY_COMPARE(page->tierLabel(), QStringLiteral("学习会员"));
            QVERIFY(!page->alertVisible());
        }
        QVERIFY(store->store->unfinished().isEmpty());
        QVERIFY(MembershipPurchases::pendingOrders().isEmpty());
        QCOMPARE(orders(service).first().state, QStringLiteral("Paid"));
    }
};

QTEST_GUILESS_MAIN(TestMembershipE2E)
#include "tst_membership_e2e.moc"
