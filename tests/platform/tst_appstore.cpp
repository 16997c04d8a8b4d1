#include "Await.h"
#include "LocalAppStore.h"
#include "PurchaseConfirmation.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QCoro/QCoroTimer>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QQuickItem>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <set>

namespace {

const QUuid kToken = QUuid::fromString(QStringLiteral("6f1c1f4e-2d7b-4c55-9a51-3d1f0e6b2a10"));

QCoro::Task<bool> answerLater(bool yes) {
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    co_return yes;
}

QCoro::Task<bool> answerWhen(std::shared_ptr<Completion> released, bool yes) {
    co_await Completion::wait(released);
    co_return yes;
}

// A store of one product of that outcome ("success", "pending", "unverified").
// A null delay: none.
QList<LocalAppStore::CatalogueEntry> oneProduct(const QString &outcome, QJsonValue delay = QJsonValue()) {
    QJsonObject product{{QStringLiteral("id"), QStringLiteral("p1")},
                        {QStringLiteral("display_name"), QStringLiteral("月度会员")},
                        {QStringLiteral("display_price"), QStringLiteral("¥30.00")},
                        {QStringLiteral("outcome"), outcome}};
    if (!delay.isNull())
        product.insert(QStringLiteral("approve_after_seconds"), delay);
    return LocalAppStore::parseCatalogue({{QStringLiteral("products"), QJsonArray{product}}},
                                         QStringLiteral("test"));
}

QString describe(const LocalAppStore::CatalogueEntry &entry) {
    static const char *outcomes[] = {"success", "pending", "unverified"};
    return QStringList{entry.product.id, entry.product.displayName, entry.product.displayPrice,
                       QString::fromLatin1(outcomes[int(entry.outcome)])}
        .join(u'|');
}

} // namespace

Q_DECLARE_METATYPE(PurchaseResult::Kind)

class TestAppStore : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    int m_asked = 0;

    QString path() const { return m_dir->filePath(QStringLiteral("store/transactions.json")); }

    AppStore::Confirmer answering(bool yes) {
        return [this, yes](StoreProduct) {
            ++m_asked;
            return answerLater(yes);
        };
    }
    std::unique_ptr<LocalAppStore> makeStore(QList<LocalAppStore::CatalogueEntry> catalogue,
                                             bool confirm = true) {
        return std::make_unique<LocalAppStore>(std::move(catalogue), path(), answering(confirm));
    }
    static PurchaseResult buy(AppStore &store, const QString &productId = QStringLiteral("p1")) {
        return Await::result(store.purchase(productId, kToken));
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_platform = std::make_unique<TestPlatform>();
        m_asked = 0;
    }
    void cleanup() {
        qunsetenv("QVL_STORE_CATALOGUE");
        m_platform.reset();
        m_dir.reset();
    }

    // The compiled-in catalogue merged by product id with the file QVL_STORE_CATALOGUE names; unusable
    // entries are reported and left out.
    void catalogue_data() {
        QTest::addColumn<QByteArray>("file"); // null: no override
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<int>("warnings");

        const QStringList builtIn{QStringLiteral("qvl.member.month|月度会员|¥30.00|success"),
                                  QStringLiteral("qvl.member.quarter|季度会员|¥78.00|success"),
                                  QStringLiteral("qvl.member.year|年度会员|¥258.00|success")};
        QTest::newRow("compiled in") << QByteArray() << builtIn << QString() << 0;
        QStringList merged = builtIn;
        merged[0] = QStringLiteral("qvl.member.month|月度会员|¥30.00|pending");
        merged << QStringLiteral("x.extra|试用|¥1.00|unverified");
        QTest::newRow("replaced and added") << QByteArray(R"({"products": [
                {"id": "qvl.member.month", "display_name": "月度会员", "display_price": "¥30.00",
                 "outcome": "pending", "approve_after_seconds": 20},
                {"id": "x.extra", "display_name": "试用", "display_price": "¥1.00", "outcome": "unverified"}]})")
                                            << merged << QString() << 0;
        QTest::newRow("unusable entries") << QByteArray(R"({"products": [
                {"id": "qvl.member.month", "display_name": "月度会员"},
                {"id": "x.a", "display_name": "A", "display_price": "¥1", "outcome": "pendng"},
                {"id": "x.b", "display_name": "B", "display_price": "¥1", "approve_after_seconds": 5},
                {"id": "x.c", "display_name": "C", "display_price": "¥1", "outcome": "pending",
                 "approve_after_seconds": -1}, 7]})")
                                          << builtIn << QStringLiteral("left out") << 5;
        QTest::newRow("not JSON") << QByteArray("products=") << builtIn << QStringLiteral("ignoring") << 1;
        QTest::newRow("no product list")
            << QByteArray(R"({"items": []})") << builtIn << QStringLiteral("no \"products\"") << 1;
    }
    void catalogue() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        QFETCH(QString, warning);
        QFETCH(int, warnings);
        if (!file.isNull()) {
            QFile override(m_dir->filePath(QStringLiteral("catalogue.json")));
            QVERIFY(override.open(QIODevice::WriteOnly));
            override.write(file);
            override.close();
            qputenv("QVL_STORE_CATALOGUE", override.fileName().toUtf8());
        }
        for (int i = 0; i < warnings; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warning)));
        QStringList described;
        for (const auto &entry : LocalAppStore::loadCatalogue())
            described << describe(entry);
        QCOMPARE(described, expected);
    }

    void productsInOrderAsked() {
        auto store = makeStore(LocalAppStore::loadCatalogue());
        const QList<StoreProduct> found = Await::result(store->products(
            {QStringLiteral("qvl.member.year"), QStringLiteral("nope"), QStringLiteral("qvl.member.month")}));
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0], (StoreProduct{QStringLiteral("qvl.member.year"), QStringLiteral("年度会员"),
                                         QStringLiteral("¥258.00")}));
        QCOMPARE(found[1].id, QStringLiteral("qvl.member.month"));
    }

    void outcomes_data() {
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<PurchaseResult::Kind>("kind");
        QTest::addColumn<bool>("verified");
        QTest::addColumn<int>("pending");

        QTest::newRow("success") << "success" << true << PurchaseResult::Kind::Success << true << 0;
        QTest::newRow("unverified") << "unverified" << true << PurchaseResult::Kind::Success << false << 0;
        QTest::newRow("pending") << "pending" << true << PurchaseResult::Kind::Pending << false << 1;
        QTest::newRow("declined") << "success" << false << PurchaseResult::Kind::UserCancelled << false << 0;
        QTest::newRow("pending declined")
            << "pending" << false << PurchaseResult::Kind::UserCancelled << false << 0;
    }
    void outcomes() {
        QFETCH(QString, outcome);
        QFETCH(bool, confirm);
        QFETCH(PurchaseResult::Kind, kind);
        QFETCH(bool, verified);
        QFETCH(int, pending);
        auto store = makeStore(oneProduct(outcome), confirm);
        const PurchaseResult result = buy(*store);
        QCOMPARE(m_asked, 1);
        QCOMPARE(result.kind, kind);
        QCOMPARE(store->pending().size(), pending);
        if (kind != PurchaseResult::Kind::Success) {
            QVERIFY(!result.transaction);
            QVERIFY(store->unfinished().isEmpty());
            return;
        }
        QVERIFY(result.transaction);
        const StoreTransaction &transaction = *result.transaction;
        QVERIFY(transaction.id > 0);
        QCOMPARE(transaction.productId, QStringLiteral("p1"));
        QCOMPARE(transaction.appAccountToken, kToken);
        QCOMPARE(transaction.purchaseDate, m_platform->clock->now());
        QCOMPARE(transaction.verified, verified);
        QCOMPARE(store->unfinished(), QList<StoreTransaction>{transaction});
    }

    // Nothing is bought, and nothing recorded, when the purchase cannot be run or kept.
    void refused_data() {
        QTest::addColumn<QString>("productId");
        QTest::addColumn<bool>("withConfirmer");
        QTest::addColumn<bool>("unwritable");
        QTest::addColumn<int>("asked");

        QTest::newRow("unknown product") << "p2" << true << false << 0;
        QTest::newRow("no confirmer") << "p1" << false << false << 0;
        QTest::newRow("record not kept") << "p1" << true << true << 1;
    }
    void refused() {
        QFETCH(QString, productId);
        QFETCH(bool, withConfirmer);
        QFETCH(bool, unwritable);
        QFETCH(int, asked);
        QString file = path();
        if (unwritable) { // the store's folder is taken by a plain file
            QFile blocker(m_dir->filePath(QStringLiteral("store")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot create")));
        }
        LocalAppStore store(oneProduct(QStringLiteral("success")), file,
                            withConfirmer ? answering(true) : AppStore::Confirmer());
        QVERIFY_THROWS_EXCEPTION(AppStoreError, buy(store, productId));
        QCOMPARE(m_asked, asked);
        QVERIFY(store.unfinished().isEmpty());
    }

    // One purchase sheet at a time; the next purchase may start once it is answered.
    void onePurchaseAtATime() {
        auto released = std::make_shared<Completion>();
        LocalAppStore store(oneProduct(QStringLiteral("success")), path(),
                            [released](StoreProduct) { return answerWhen(released, true); });
        auto first = store.purchase(QStringLiteral("p1"), kToken);
        QVERIFY_THROWS_EXCEPTION(AppStoreError, buy(store));
        released->finish();
        QCOMPARE(Await::result(first).kind, PurchaseResult::Kind::Success);
        QCOMPARE(buy(store).kind, PurchaseResult::Kind::Success);
        QCOMPARE(store.unfinished().size(), 2);
    }

    // Unfinished purchases survive a new instance, finished ones do not, and ids never repeat, also once
    // every transaction was finished.
    void persistence() {
        QList<StoreTransaction> kept;
        {
            auto store = makeStore(oneProduct(QStringLiteral("success")));
            for (int i = 0; i < 3; ++i)
                kept << *buy(*store).transaction;
            QVERIFY(store->finish(kept[1].id));
            QVERIFY(!store->finish(kept[1].id));
            QVERIFY(!store->finish(12345));
            kept.removeAt(1);
        }
        auto reopened = makeStore(oneProduct(QStringLiteral("success")));
        QCOMPARE(reopened->unfinished(), kept);
        for (const StoreTransaction &transaction : kept)
            QVERIFY(reopened->finish(transaction.id));
        reopened = makeStore(oneProduct(QStringLiteral("success")));
        QVERIFY(reopened->unfinished().isEmpty());
        std::set<qint64> ids;
        for (int i = 0; i < 3; ++i)
            ids.insert(buy(*reopened).transaction->id);
        QCOMPARE(int(ids.size()), 3);
        QVERIFY(*ids.begin() > kept.last().id);
    }

    // A finish that cannot be recorded leaves the transaction unfinished.
    void finishNotRecorded() {
        auto store = makeStore(oneProduct(QStringLiteral("success")));
        const qint64 id = buy(*store).transaction->id;
        QVERIFY(QDir(m_dir->filePath(QStringLiteral("store"))).removeRecursively());
        QFile blocker(m_dir->filePath(QStringLiteral("store")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot create")));
        QVERIFY(!store->finish(id));
        QCOMPARE(store->unfinished().size(), 1);
    }

    // A pending purchase approved later is reported once, as a verified unfinished transaction of its token,
    // also when the approval falls due while the app was closed.
    void approval_data() {
        QTest::addColumn<QJsonValue>("delay");
        QTest::addColumn<bool>("restart");

        QTest::newRow("by hand") << QJsonValue() << false;
        QTest::newRow("after its delay") << QJsonValue(0.05) << false;
        QTest::newRow("due after a restart") << QJsonValue(3600) << true;
    }
    void approval() {
        QFETCH(QJsonValue, delay);
        QFETCH(bool, restart);
        auto store = makeStore(oneProduct(QStringLiteral("pending"), delay));
        QCOMPARE(buy(*store).kind, PurchaseResult::Kind::Pending);
        const qint64 id = store->pending().first().id;
        if (restart) {
            store.reset();
            m_platform->clock->advance(3601);
            store = makeStore(oneProduct(QStringLiteral("pending"), delay));
        }
        QSignalSpy approved(store.get(), &AppStore::purchaseApproved);
        if (delay.isNull())
            QCOMPARE(store->approvePending(), 1);
        else
            QVERIFY(approved.wait(2000));
        QCOMPARE(approved.size(), 1);
        const auto transaction = approved.first().first().value<StoreTransaction>();
        QCOMPARE(transaction.id, id);
        QCOMPARE(transaction.appAccountToken, kToken);
        QVERIFY(transaction.verified);
        QCOMPARE(store->unfinished(), QList<StoreTransaction>{transaction});
        QVERIFY(store->pending().isEmpty());
        QCOMPARE(makeStore({})->unfinished(), QList<StoreTransaction>{transaction});
        QTest::qWait(100);
        QCOMPARE(approved.size(), 1);
    }

    // The sheet's answer, and a sheet that goes away unanswered, which buys nothing.
    void confirmation_data() {
        QTest::addColumn<int>("answer"); // 0 accept, 1 decline, 2 the confirmation object destroyed
        QTest::addColumn<bool>("expected");

        QTest::newRow("accepted") << 0 << true;
        QTest::newRow("declined") << 1 << false;
        QTest::newRow("gone") << 2 << false;
    }
    void confirmation() {
        QFETCH(int, answer);
        QFETCH(bool, expected);
        auto confirmation = std::make_unique<PurchaseConfirmation>(nullptr);
        AppStore::Confirmer confirmer = confirmation->confirmer();
        QVERIFY_THROWS_EXCEPTION(AppStoreError, Await::result(confirmer({})));

        QSignalSpy active(confirmation.get(), &PurchaseConfirmation::activeChanged);
        auto asked = confirmer({QStringLiteral("p1"), QStringLiteral("月度会员"), QStringLiteral("¥30.00")});
        QVERIFY(confirmation->active());
        QCOMPARE(confirmation->productName(), QStringLiteral("月度会员"));
        QCOMPARE(confirmation->displayPrice(), QStringLiteral("¥30.00"));
        QVERIFY(!Await::result(confirmer({}))); // a second question while one is open
        if (answer == 0)
            confirmation->accept();
        else if (answer == 1)
            confirmation->decline();
        else
            confirmation.reset();
        QCOMPARE(Await::result(asked), expected);
        if (confirmation) {
            QVERIFY(!confirmation->active());
            QCOMPARE(active.size(), 2);
        } else {
            QVERIFY(!Await::result(confirmer({})));
        }
    }

    // A QML sheet bound to the shared confirmation is what lets the app's store ask.
    void sheetInQml() {
        PurchaseConfirmation &shared = PurchaseConfirmation::shared();
        QVERIFY_THROWS_EXCEPTION(AppStoreError, Await::result(shared.confirm({})));
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(200, 100));
        QVERIFY2(view.loadData(R"(import QtQuick
import Quorvel.Platform
Item {
    property bool shown: PurchaseConfirmation.active
    property string name: PurchaseConfirmation.productName
})"),
                 qPrintable(view.error()));
        auto asked =
            shared.confirm({QStringLiteral("p1"), QStringLiteral("年度会员"), QStringLiteral("¥258.00")});
        QVERIFY(view.root()->property("shown").toBool());
        QCOMPARE(view.root()->property("name").toString(), QStringLiteral("年度会员"));
        QMetaObject::invokeMethod(&shared, "accept");
        QVERIFY(Await::result(asked));
        QVERIFY(!view.root()->property("shown").toBool());
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestAppStore)
#include "tst_appstore.moc"
