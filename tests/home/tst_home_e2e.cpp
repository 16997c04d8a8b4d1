// The home layout store against the local stand-in over the real network: one learner on two devices edits
// the same layout, and the one whose revision is stale is told so and shown the other's.
#include "HomeLayoutStore.h"
#include "LocalService.h"

#include <QTest>

namespace {

QString order(const QList<HomeGridCard> &cards) {
    QStringList parts;
    for (const HomeGridCard &card : cards)
        parts.append(card.id + ':' + card.size);
    return parts.join(',');
}

void run(QCoro::Task<> task) {
    Await::result(task);
}

} // namespace

class TestHomeE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoDevicesEditOneLayout() {
        LocalService service(QStringLiteral("13800138000"));
        AppSession other;
        other.storeGrant(Await::result(AuthAPIClient().login(
            QStringLiteral("13800138000"), QString::fromStdString(DevServer::smsCode()), other)));

        HomeLayoutStore a;
        a.setSession(service.session.get());
        HomeLayoutStore b;
        b.setSession(&other);
        run(a.load());
        run(b.load());
        const QString recommended = QStringLiteral("c_tools:L,c_today:L,c_inbox:M,c_qa:M,c_wrong:M");
        QCOMPARE(order(a.layout()->layoutSlots.grid), recommended);
        QVERIFY(!a.usedFallback());
        QCOMPARE(a.greeting().isEmpty(), false);
        const qint64 seen = a.layout()->revision;
        QCOMPARE(b.layout()->revision, seen);

        // A hides the quick question, brings the wrong book to the front and makes the inbox large.
        a.beginEditing();
        a.hideCards({3});
        a.moveCards({3}, 0);
        a.toggleSize(QStringLiteral("c_inbox"));
        run(a.save());
        QCOMPARE(a.errorMessage(), std::nullopt);
        QVERIFY(!a.editing());
        QCOMPARE(order(a.layout()->layoutSlots.grid),
                 QStringLiteral("c_wrong:M,c_tools:L,c_today:L,c_inbox:L"));
        QCOMPARE(a.layout()->revision, seen + 1);

        // B still holds the old revision: its save is refused, it reloads and shows A's layout.
        b.beginEditing();
        b.hideCards({0});
        run(b.save());
        QVERIFY(!b.editing());
        QCOMPARE(b.errorMessage(), std::nullopt); // the reload cleared the conflict's message
        QCOMPARE(order(b.layout()->layoutSlots.grid), order(a.layout()->layoutSlots.grid));
        QCOMPARE(b.layout()->revision, seen + 1);

        // Restoring brings the recommended layout back for both.
        run(b.restoreRecommended());
        QCOMPARE(order(b.layout()->layoutSlots.grid), recommended);
        run(a.load());
        QCOMPARE(order(a.layout()->layoutSlots.grid), recommended);
        QCOMPARE(a.layout()->revision, b.layout()->revision);
    }

    void unreachableServerFallsBack() {
        LocalService service(QStringLiteral("13800138001"));
        HomeLayoutStore store;
        store.setSession(service.session.get());
        service.server.stop();
        run(store.load());
        QVERIFY(store.usedFallback());
        QCOMPARE(store.errorMessage(), std::optional<QString>(HomeLayoutStore::fallbackMessage));
        QCOMPARE(order(store.layout()->layoutSlots.grid), QStringLiteral("c_inbox:L,c_today:L"));
    }
};

QTEST_GUILESS_MAIN(TestHomeE2E)
#include "tst_home_e2e.moc"
