// The study report page's state: the bar heights of the day chart (whatever counts the server sends), the
// texts and level colours of the rows, the order of the rows, and how loads move the page between loading,
// the report and failed, a page closed mid-load included.
#include "AppSession.h"
#include "Await.h"
#include "ErrorText.h"
#include "Fixtures.h"
#include "StudyReportClient.h"
#include "StudyReportViewModel.h"
#include "TestPlatform.h"
#include "Theme.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include <limits>

namespace {

using Reply = FakeTransport::Reply;
using Change = Fixtures::Change;
constexpr qint64 maxCount = std::numeric_limits<qint64>::max();
constexpr qint64 minCount = std::numeric_limits<qint64>::min();

StudyReport::Day day(qint64 attempts) {
    return {QStringLiteral("d%1").arg(attempts), attempts, 0};
}

StudyReport::Kp kp(qint64 attempts, qint64 correct, std::optional<qint64> rate, qint64 openWrong,
                   const QString &level = QStringLiteral("weak")) {
    return {QStringLiteral("k"), QStringLiteral("点"), attempts, correct, rate, openWrong, level};
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)
Q_DECLARE_METATYPE(StudyReport::Kp)

class TestStudyReportViewModel : public QObject {
    Q_OBJECT

private:
    struct Page {
        TestPlatform platform;
        AppSession session;
        std::unique_ptr<StudyReportViewModel> vm = std::make_unique<StudyReportViewModel>();

        Page() {
            session.setAccessToken(QStringLiteral("tok"));
            vm->setSession(&session);
        }
        void answer(const Reply &reply) { platform.transport->on("GET", StudyReportClient::path, reply); }
        void load() { Await::result(vm->runLoad()); }
    };

private Q_SLOTS:
    // The days' attempts give each bar's height: 4 for none, 44 for the peak, never outside that range, for
    // any count a 64-bit integer holds.
    void barHeights_data() {
        QTest::addColumn<QList<qint64>>("attempts");
        QTest::addColumn<qint64>("peak");
        QTest::addColumn<QList<int>>("heights");
        QTest::newRow("no days") << QList<qint64>{} << qint64(1) << QList<int>{};
        QTest::newRow("all zero") << QList<qint64>{0, 0, 0} << qint64(1) << QList<int>{4, 4, 4};
        QTest::newRow("peak is 44, truncated between")
            << QList<qint64>{0, 4, 5, 3} << qint64(5) << QList<int>{4, 36, 44, 28};
        QTest::newRow("one attempt") << QList<qint64>{1} << qint64(1) << QList<int>{44};
        QTest::newRow("negative counts stay at 4")
            << QList<qint64>{-5, 10, minCount} << qint64(10) << QList<int>{4, 44, 4};
        QTest::newRow("all negative") << QList<qint64>{-1, -7} << qint64(1) << QList<int>{4, 4};
        QTest::newRow("INT64_MAX") << QList<qint64>{maxCount, maxCount / 2, 1, 0} << maxCount
                                   << QList<int>{44, 23, 4, 4};
        QTest::newRow("huge neighbours")
            << QList<qint64>{maxCount - 1, maxCount} << maxCount << QList<int>{43, 44};
    }
    void barHeights() {
        QFETCH(QList<qint64>, attempts);
        QFETCH(qint64, peak);
        QFETCH(QList<int>, heights);
        QList<StudyReport::Day> days;
        for (qint64 count : attempts)
            days.append(day(count));
        QCOMPARE(StudyReportViewModel::peak(days), peak);
        QList<int> drawn;
        QList<bool> active;
        for (const StudyReportDayBar &bar : StudyReportViewModel::dayBars(days)) {
            drawn.append(bar.barHeight);
            active.append(bar.active);
        }
        QCOMPARE(drawn, heights);
        for (qsizetype i = 0; i < attempts.size(); ++i)
            QCOMPARE(active[i], attempts[i] != 0);
    }

    // A count above the peak (a peak given from elsewhere) is held to it; a peak below 1 counts as 1.
    void barHeightClamps() {
        QCOMPARE(StudyReportViewModel::barHeight(50, 10), 44);
        QCOMPARE(StudyReportViewModel::barHeight(maxCount, 0), 44);
        QCOMPARE(StudyReportViewModel::barHeight(0, -3), 4);
    }

    void dayLabels_data() {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("label");
        QTest::newRow("date") << "2026-03-01"
                              << "01";
        QTest::newRow("short") << "7"
                               << "7";
        QTest::newRow("empty") << ""
                               << "";
    }
    void dayLabels() {
        QFETCH(QString, date);
        QFETCH(QString, label);
        QCOMPARE(StudyReportViewModel::dayLabel(date), label);
    }

    void levels_data() {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("tone");
        QTest::newRow("mastered") << "mastered"
                                  << "已掌握" << int(Theme::BrandTeal);
        QTest::newRow("learning") << "learning"
                                  << "巩固中" << int(Theme::Orange);
        QTest::newRow("weak") << "weak"
                              << "薄弱" << int(Theme::Red);
        QTest::newRow("other") << "insufficient"
                               << "数据不足" << int(Theme::SecondaryLabel);
        QTest::newRow("case matters") << "Weak"
                                      << "数据不足" << int(Theme::SecondaryLabel);
        QTest::newRow("empty") << ""
                               << "数据不足" << int(Theme::SecondaryLabel);
    }
    void levels() {
        QFETCH(QString, level);
        QFETCH(QString, label);
        QFETCH(int, tone);
        QCOMPARE(StudyReportViewModel::levelLabel(level), label);
        QCOMPARE(StudyReportViewModel::levelTone(level), tone);
    }

    void detailLines_data() {
        QTest::addColumn<StudyReport::Kp>("point");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<double>("rate");
        QTest::newRow("full") << kp(5, 2, 40, 2) << "做了 5 道，答对 2 道（40%） · 错题本里还有 2 道" << 40.0;
        QTest::newRow("no rate") << kp(5, 2, std::nullopt, 0) << "做了 5 道，答对 2 道" << 0.0;
        QTest::newRow("never practised, wrongs left") << kp(0, 0, 0, 3) << "还没做过这部分的题" << 0.0;
        QTest::newRow("negative wrongs hidden")
            << kp(1, 1, 100, -1) << "做了 1 道，答对 1 道（100%）" << 100.0;
        QTest::newRow("rate over 100: held to 100")
            << kp(2, 2, 150, 0) << "做了 2 道，答对 2 道（100%）" << 100.0;
        QTest::newRow("negative rate: held to 0") << kp(2, 0, -20, 0) << "做了 2 道，答对 0 道（0%）" << 0.0;
        QTest::newRow("INT64_MAX plain digits") << kp(maxCount, maxCount, std::nullopt, maxCount)
                                                << "做了 9223372036854775807 道，答对 9223372036854775807 道 "
                                                   "· 错题本里还有 9223372036854775807 道"
                                                << 0.0;
    }
    void detailLines() {
        QFETCH(StudyReport::Kp, point);
        QFETCH(QString, detail);
        QFETCH(double, rate);
        QCOMPARE(StudyReportViewModel::detailLine(point), detail);
        QCOMPARE(StudyReportViewModel::barRate(point.correctRate), rate);
    }

    void summaryTexts_data() {
        QTest::addColumn<qint64>("attempts");
        QTest::addColumn<std::optional<qint64>>("rate");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("activity");
        QTest::newRow("with rate") << qint64(12) << std::optional<qint64>(75)
                                   << "做题 12 道 · 答对 9 道 · 正确率 75%"
                                   << "学了 3 天 · 完成 2 节课";
        QTest::newRow("no rate") << qint64(0) << std::optional<qint64>() << "做题 0 道 · 答对 9 道"
                                 << "学了 3 天 · 完成 2 节课";
        QTest::newRow("no grouping") << qint64(12345678) << std::optional<qint64>(0)
                                     << "做题 12345678 道 · 答对 9 道 · 正确率 0%"
                                     << "学了 3 天 · 完成 2 节课";
        QTest::newRow("rate held to 100")
            << qint64(3) << std::optional<qint64>(std::numeric_limits<qint64>::max())
            << "做题 3 道 · 答对 9 道 · 正确率 100%"
            << "学了 3 天 · 完成 2 节课";
    }
    void summaryTexts() {
        QFETCH(qint64, attempts);
        QFETCH(std::optional<qint64>, rate);
        QFETCH(QString, headline);
        QFETCH(QString, activity);
        const StudyReport::Week week{attempts, 9, rate, 2, 3};
        QCOMPARE(StudyReportViewModel::headline(week), headline);
        QCOMPARE(StudyReportViewModel::activityLine(week), activity);
    }

    // The page's rows in order: a weak point shows twice (tinted in the weak list), an empty chapter has its
    // title alone, no weak points give the note with the minimum.
    void rowOrder_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("rows");
        const QString none = "数据不足";
        QTest::newRow("fixture") << Fixtures::patched(QStringLiteral("home/study-report.json"), {})
                                 << QStringList{"summary",
                                                "heading:需要加强",
                                                "kp:有理数与数轴:薄弱:tinted",
                                                "chapter:掌握图 · 《有理数》",
                                                "kp:正数和负数:已掌握:",
                                                "kp:有理数与数轴:薄弱:",
                                                "kp:相反数与绝对值:数据不足:",
                                                "explanation:统计近 7 天的作答记录。正确率 ≥ 80% 为已掌握，"
                                                "60%–79% 为巩固中，低于 60% 为薄弱。"};
        QTest::newRow("empty lists")
            << Fixtures::patched(QStringLiteral("home/study-report.json"),
                                 {{"weak_points", QJsonArray()},
                                  {"chapters", QJsonArray{QJsonObject{{"chapter_code", "c2"},
                                                                      {"chapter_name", "整式"},
                                                                      {"kps", QJsonArray()}}}},
                                  {"min_attempts", 5},
                                  {"window_days", 14}})
            << QStringList{"summary", "heading:需要加强",
                           "note:暂时没有明显的薄弱点。每个知识点做满 5 道题后才会给出判断。",
                           "chapter:掌握图 · 《整式》",
                           "explanation:统计近 14 天的作答记录。正确率 ≥ 80% 为已掌握，60%–79% 为巩固中，"
                           "低于 60% 为薄弱。"};
    }
    void rowOrder() {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, rows);
        const StudyReport report = StudyReport::fromJson(JsonReader::parse(body, JsonKeys::FromSnakeCase));
        QStringList shown;
        QSet<QString> keys;
        for (const StudyReportRow &row : StudyReportViewModel::rows(report)) {
            keys.insert(row.key);
            if (row.kind == "kp")
                shown << "kp:" + row.kpName + u':' + row.levelLabel + u':' + (row.highlight ? "tinted" : "");
            else
                shown << (row.text.isEmpty() ? row.kind : row.kind + u':' + row.text);
        }
        QCOMPARE(shown, rows);
        QCOMPARE(keys.size(), rows.size()); // keys tell every row apart
    }

    // Loads in turn, each answer and the page's state after it: a failure before any report shows the
    // failed state, a failure after one keeps the report, a success clears the failure.
    void loadTransitions_data() {
        QTest::addColumn<QList<Reply>>("answers");
        QTest::addColumn<QStringList>("states"); // state:errorText:headline after each load
        const Reply ok = Reply::json(200, Fixtures::json(QStringLiteral("home/study-report.json")));
        const Reply other = Reply::json(
            200, Fixtures::patched(QStringLiteral("home/study-report.json"), {{"week.attempts", 30}}));
        const QString bad = ApiError::badServerResponse().message();
        const QString decoding = ApiError::decoding().message();
        const QString shown = QStringLiteral("Shown::做题 12 道 · 答对 9 道 · 正确率 75%");
        QTest::newRow("success") << QList<Reply>{ok} << QStringList{shown};
        QTest::newRow("first load fails")
            << QList<Reply>{Reply::json(500, "{}")} << QStringList{"Failed:" + bad + ":"};
        QTest::newRow("bad shape, then success") << QList<Reply>{Reply::json(200, R"({"window_days":7})"), ok}
                                                 << QStringList{"Failed:" + decoding + ":", shown};
        QTest::newRow("failed refresh keeps the report, next success clears the failure")
            << QList<Reply>{ok, Reply::json(204, {}), other}
            << QStringList{shown, "Shown:" + decoding + ":做题 12 道 · 答对 9 道 · 正确率 75%",
                           "Shown::做题 30 道 · 答对 9 道 · 正确率 75%"};
        QTest::newRow("offline") << QList<Reply>{Reply::error(TransportError::Kind::NoConnection)}
                                 << QStringList{"Failed:" +
                                                *errorText(std::make_exception_ptr(TransportError::fromKind(
                                                    TransportError::Kind::NoConnection))) +
                                                ":"};
    }
    void loadTransitions() {
        QFETCH(QList<Reply>, answers);
        QFETCH(QStringList, states);
        Page page;
        QCOMPARE(page.vm->state(), StudyReportViewModel::Loading);
        for (const Reply &answer : answers)
            page.answer(answer);
        QStringList seen;
        QSignalSpy refreshing(page.vm.get(), &StudyReportViewModel::refreshingChanged);
        for (qsizetype i = 0; i < answers.size(); ++i) {
            page.load();
            seen << QString::fromLatin1(
                        QMetaEnum::fromType<StudyReportViewModel::State>().valueToKey(page.vm->state())) +
                        u':' + page.vm->errorText() + u':' + page.vm->headline();
        }
        QCOMPARE(seen, states);
        QVERIFY(!page.vm->refreshing());
        QCOMPARE(refreshing.size(), 2 * answers.size()); // on and off for each load
    }

    // The same report again signals nothing; a changed figure signals only what changed.
    void reloadSignalsOnlyChanges() {
        Page page;
        page.answer(Reply::json(200, Fixtures::json(QStringLiteral("home/study-report.json"))));
        page.answer(Reply::json(200, Fixtures::json(QStringLiteral("home/study-report.json"))));
        page.answer(Reply::json(
            200, Fixtures::patched(QStringLiteral("home/study-report.json"), {{"days.1.attempts", 5}})));
        page.load();
        QCOMPARE(page.vm->rows().rows().size(), 8);
        QCOMPARE(page.vm->dayBars().at(1).barHeight, 36);
        QSignalSpy state(page.vm.get(), &StudyReportViewModel::stateChanged);
        QSignalSpy summary(page.vm.get(), &StudyReportViewModel::summaryChanged);
        QSignalSpy rows(page.vm->rowModel(), &QAbstractItemModel::dataChanged);
        QSignalSpy bars(page.vm->dayBarModel(), &QAbstractItemModel::dataChanged);
        QSignalSpy resets(page.vm->rowModel(), &QAbstractItemModel::modelReset);
        page.load();
        QCOMPARE(state.size() + summary.size() + rows.size() + bars.size(), 0);
        page.load();
        QCOMPARE(bars.size(), 1);
        QCOMPARE(page.vm->dayBars().at(1).barHeight, 44);
        QCOMPARE(rows.size() + summary.size() + resets.size(), 0);
    }

    // A page closed while its request runs: the late answer lands on nothing and breaks nothing.
    void destroyedMidLoad() {
        Page page;
        page.answer(Reply::json(200, Fixtures::json(QStringLiteral("home/study-report.json"))).after(30));
        page.vm->load();
        QVERIFY(page.vm->refreshing());
        page.vm.reset();
        QTest::qWait(100);
        QCOMPARE(page.platform.transport->count(StudyReportClient::path), 1);
    }

    // A load begun before the page left the screen writes nothing, but still ends the refresh spinner.
    void leavingTheScreenDropsTheLoad() {
        Page page;
        page.answer(Reply::json(200, Fixtures::json(QStringLiteral("home/study-report.json"))).after(20));
        auto load = page.vm->runLoad();
        page.vm->disappear();
        Await::result(load);
        QCOMPARE(page.vm->state(), StudyReportViewModel::Loading);
        QVERIFY(!page.vm->refreshing());
    }

    void noSessionNoRequest() {
        StudyReportViewModel vm;
        TestPlatform platform;
        Await::result(vm.runLoad());
        QCOMPARE(platform.transport->requests.size(), 0);
        QCOMPARE(vm.state(), StudyReportViewModel::Loading);
    }
};

QTEST_GUILESS_MAIN(TestStudyReportViewModel)
#include "tst_studyreportviewmodel.moc"
