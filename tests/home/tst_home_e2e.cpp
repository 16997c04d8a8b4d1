// The home layout store against the local stand-in over the real network: one learner on two devices edits
// the same layout, and the one whose revision is stale is told so and shown the other's.
#include "HomeLayoutStore.h"
#include "LocalService.h"
#include "StudyReportViewModel.h"

#include <httplib.h>

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

// Sets (or, for a null body, takes back) the body the stand-in sends as the study report.
bool replaceReport(const LocalService &service, const QByteArray &body) {
    httplib::Client client("127.0.0.1", service.server.port());
    const httplib::Result result =
        body.isNull() ? client.Delete("/__dev/study-report")
                      : client.Post("/__dev/study-report", body.toStdString(), "application/json");
    return result && result->status == 204;
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

    // The report page's state against the stand-in: a fresh learner's empty week, then extreme counts, then a
    // body of the wrong shape, which keeps the report on show.
    void studyReport() {
        LocalService service(QStringLiteral("13800138000"));
        StudyReportViewModel page;
        page.setSession(service.session.get());
        run(page.runLoad());
        QCOMPARE(page.state(), StudyReportViewModel::Shown);
        QCOMPARE(page.headline(), QStringLiteral("做题 0 道 · 答对 0 道"));
        QCOMPARE(page.dayBars().rows().size(), 7);
        QCOMPARE(page.rows().rows().last().text.left(8), QStringLiteral("统计近 7 天的"));

        QVERIFY(replaceReport(service, R"({"window_days":7,"min_attempts":3,
            "week":{"attempts":9223372036854775807,"correct":9223372036854775807,"correct_rate":100,
                    "lessons_completed":0,"active_days":7},
            "days":[{"date":"2026-03-01","attempts":9223372036854775807,"correct":0},
                    {"date":"2026-03-02","attempts":-3,"correct":0}],
            "chapters":[],"weak_points":[]})"));
        run(page.runLoad());
        QCOMPARE(page.headline(),
                 QStringLiteral("做题 9223372036854775807 道 · 答对 9223372036854775807 道 · 正确率 100%"));
        QCOMPARE(page.dayBars().at(0).barHeight, 44);
        QCOMPARE(page.dayBars().at(1).barHeight, 4);

        QVERIFY(replaceReport(service, R"({"window_days":"7"})"));
        run(page.runLoad());
        QCOMPARE(page.state(), StudyReportViewModel::Shown);
        QCOMPARE(page.errorText(), ApiError::decoding().message());
        QVERIFY(page.headline().startsWith(QStringLiteral("做题 9223372036854775807")));
        QVERIFY(replaceReport(service, QByteArray()));
    }
};

QTEST_GUILESS_MAIN(TestHomeE2E)
#include "tst_home_e2e.moc"
