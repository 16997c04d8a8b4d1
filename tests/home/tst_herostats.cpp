// The home header's stats row: the path and then the report, what each chip reads, and that a failure, a
// row that left the screen or one destroyed mid-load never changes or breaks what is shown.
#include "AppSession.h"
#include "Await.h"
#include "Fixtures.h"
#include "HeroStatsViewModel.h"
#include "LearningPathFixture.h"
#include "StudyReportClient.h"
#include "TestPlatform.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;

const QString pathRoute = QStringLiteral("/api/v1/learning-paths/7");

QByteArray pathWith7(const QStringList &states) {
    return learningPathWith(7, QStringLiteral("学完「有理数」"), states);
}

Reply reportWithDays(const QJsonValue &activeDays) {
    return Reply::json(200, Fixtures::patched("home/study-report.json", {{"week.active_days", activeDays}}));
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestHeroStats : public QObject {
    Q_OBJECT

private:
    struct Row {
        TestPlatform platform;
        AppSession session;
        std::unique_ptr<HeroStatsViewModel> row = std::make_unique<HeroStatsViewModel>();

        Row() {
            session.setAccessToken(QStringLiteral("tok"));
            row->setSession(&session);
        }
        void answer(const Reply &path, const Reply &report) {
            platform.transport->on("GET", pathRoute, path);
            platform.transport->on("GET", StudyReportClient::path, report);
        }
        void load() { Await::result(row->runLoad()); }
        // "<days chip>|<plan chip>", a hidden chip empty.
        QString chips() const {
            return (row->daysChipShown() ? row->daysChipText() : QString()) + u'|' +
                   (row->planChipShown() ? row->planChipText() : QString());
        }
    };

private Q_SLOTS:
    // One load from a fresh row: what each request answered, and the chips that show.
    void load_data() {
        QTest::addColumn<std::optional<qint64>>("lastPathId");
        QTest::addColumn<Reply>("path");
        QTest::addColumn<Reply>("report");
        QTest::addColumn<QString>("chips");
        QTest::addColumn<int>("pathRequests");

        using P = std::optional<qint64>;
        const Reply twoOfFive =
            Reply::json(200, pathWith7({"Completed", "Completed", "Ready", "Locked", "Locked"}));
        const Reply report = reportWithDays(3);
        QTest::newRow("no last path: the report only") << P() << twoOfFive << report << "本周学了 3 天|" << 0;
        QTest::newRow("both") << P(7) << twoOfFive << report << "本周学了 3 天|计划 2/5" << 1;
        QTest::newRow("negative days") << P() << twoOfFive << reportWithDays(-2) << "今天开始第 1 天|" << 0;
        QTest::newRow("no days yet") << P(7) << twoOfFive << reportWithDays(0) << "今天开始第 1 天|计划 2/5"
                                     << 1;
        QTest::newRow("only exact Completed counts")
            << P(7) << Reply::json(200, pathWith7({"Completed", "completed", "Completed ", "COMPLETED"}))
            << report << "本周学了 3 天|计划 1/4" << 1;
        QTest::newRow("path without lessons: no plan chip")
            << P(7) << Reply::json(200, pathWith7({})) << report << "本周学了 3 天|" << 1;
        QTest::newRow("path fails, report still asked")
            << P(7) << Reply::json(500, R"({"message":"x"})") << report << "本周学了 3 天|" << 1;
        QTest::newRow("path offline, report still asked")
            << P(7) << Reply::error(TransportError::Kind::NoConnection) << report << "本周学了 3 天|" << 1;
        QTest::newRow("report fails") << P(7) << twoOfFive << Reply::json(500, "{}") << "|计划 2/5" << 1;
        QTest::newRow("report without active days")
            << P(7) << twoOfFive << reportWithDays(QJsonValue()) << "|计划 2/5" << 1;
        QTest::newRow("report with fractional days")
            << P(7) << twoOfFive << reportWithDays(2.5) << "|计划 2/5" << 1;
        QTest::newRow("both fail") << P(7) << Reply::json(404, "{}") << Reply::json(204, {}) << "|" << 1;
    }
    void load() {
        QFETCH(std::optional<qint64>, lastPathId);
        QFETCH(Reply, path);
        QFETCH(Reply, report);
        QFETCH(QString, chips);
        QFETCH(int, pathRequests);

        Row row;
        row.session.setLastPathId(lastPathId);
        row.answer(path, report);
        QCOMPARE(row.chips(), QStringLiteral("|"));
        row.load();
        QCOMPARE(row.chips(), chips);
        QCOMPARE(row.platform.transport->count(pathRoute), pathRequests);
        QCOMPARE(row.platform.transport->count(StudyReportClient::path), 1);
        // The path is asked first, the report after it.
        QCOMPARE(row.platform.transport->requests.last().url.path(), StudyReportClient::path);
    }

    // A later load that fails keeps both chips as they were; one that succeeds replaces them. Signals fire
    // only for a change.
    void failuresKeepTheLastValues() {
        Row row;
        row.session.setLastPathId(7);
        row.platform.transport->on("GET", pathRoute, Reply::json(200, pathWith7({"Completed", "Ready"})));
        row.platform.transport->on("GET", pathRoute, Reply::json(503, "{}"));
        row.platform.transport->on("GET", pathRoute,
                                   Reply::json(200, pathWith7({"Completed", "Completed", "Ready"})));
        row.platform.transport->on("GET", StudyReportClient::path, reportWithDays(2));
        row.platform.transport->on("GET", StudyReportClient::path, Reply::json(403, "{}"));
        row.platform.transport->on("GET", StudyReportClient::path, reportWithDays(2));
        QSignalSpy days(row.row.get(), &HeroStatsViewModel::activeDaysChanged);
        QSignalSpy progress(row.row.get(), &HeroStatsViewModel::progressChanged);

        row.load();
        QCOMPARE(row.chips(), QStringLiteral("本周学了 2 天|计划 1/2"));
        row.load();
        QCOMPARE(row.chips(), QStringLiteral("本周学了 2 天|计划 1/2"));
        row.load();
        QCOMPARE(row.chips(), QStringLiteral("本周学了 2 天|计划 2/3"));
        QCOMPARE(days.size(), 1);
        QCOMPARE(progress.size(), 2);

        // The learner has no path any more: the plan chip stays from before, only the report is asked.
        row.session.setLastPathId(std::nullopt);
        const int pathRequests = row.platform.transport->count(pathRoute);
        row.load();
        QCOMPARE(row.chips(), QStringLiteral("本周学了 2 天|计划 2/3"));
        QCOMPARE(row.platform.transport->count(pathRoute), pathRequests);
    }

    // Answers that arrive after the row left the screen change nothing, not even the second request is sent
    // for a row gone meanwhile.
    void leavingTheScreenDropsTheLoad() {
        Row row;
        row.session.setLastPathId(7);
        row.answer(Reply::json(200, pathWith7({"Completed"})).after(30), reportWithDays(4));
        auto load = row.row->runLoad();
        row.row->disappear();
        Await::result(load);
        QCOMPARE(row.chips(), QStringLiteral("|"));
        QCOMPARE(row.platform.transport->count(StudyReportClient::path), 0);

        row.load(); // back on screen
        QCOMPARE(row.chips(), QStringLiteral("本周学了 4 天|计划 1/1"));
    }

    void destroyedMidLoad() {
        Row row;
        row.session.setLastPathId(7);
        row.answer(Reply::json(200, pathWith7({"Completed"})).after(30), reportWithDays(4).after(30));
        row.row->load();
        row.row.reset();
        QTest::qWait(100);
        QCOMPARE(row.platform.transport->count(StudyReportClient::path), 0);
    }
};

QTEST_GUILESS_MAIN(TestHeroStats)
#include "tst_herostats.moc"
