// The rules of the onboarding form kit: the header's top line, the step bar's segments and counter, the text
// field's limit in user-perceived characters, the minutes picker's number, slider stops, presets and verdict,
// and the star row's words and stars.
#include "OnbKit.h"

#include <QTest>
#include <limits>

class TestOnbKit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void headerTopLine_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("badge");
        QTest::addColumn<bool>("bar");
        QTest::addColumn<bool>("badgeShown");
        QTest::newRow("step 0 with a badge") << 0 << "约 1 分钟" << false << true;
        QTest::newRow("step 0 without a badge") << 0 << "" << false << false;
        QTest::newRow("negative step is step 0") << -3 << "约 1 分钟" << false << true;
        QTest::newRow("step 1 hides the badge") << 1 << "约 1 分钟" << true << false;
        QTest::newRow("step 4 without a badge") << 4 << "" << true << false;
    }
    void headerTopLine() {
        QFETCH(int, step);
        QFETCH(QString, badge);
        QFETCH(bool, bar);
        QFETCH(bool, badgeShown);
        QCOMPARE(OnbKit::headerShowsStepBar(step), bar);
        QCOMPARE(OnbKit::headerShowsBadge(step, badge), badgeShown);
        // Never both.
        QVERIFY(!(OnbKit::headerShowsStepBar(step) && OnbKit::headerShowsBadge(step, badge)));
    }

    void stepBar_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("segments");
        QTest::addColumn<int>("lit");
        QTest::addColumn<QString>("counter");
        QTest::newRow("2 of 5") << 2 << 5 << 5 << 2 << "2/5";
        QTest::newRow("last step") << 4 << 4 << 4 << 4 << "4/4";
        QTest::newRow("past the total") << 6 << 5 << 5 << 5 << "6/5";
        QTest::newRow("a single step") << 1 << 1 << 1 << 1 << "1/1";
        QTest::newRow("step 0") << 0 << 4 << 4 << 0 << "0/4";
        QTest::newRow("no steps") << 1 << 0 << 0 << 0 << "";
        QTest::newRow("negative total") << 2 << -1 << 0 << 0 << "";
        QTest::newRow("largest step") << std::numeric_limits<int>::max() << 3 << 3 << 3 << "2147483647/3";
    }
    void stepBar() {
        QFETCH(int, step);
        QFETCH(int, total);
        QFETCH(int, segments);
        QFETCH(int, lit);
        QFETCH(QString, counter);
        QCOMPARE(OnbKit::stepSegments(total), segments);
        int litCount = 0;
        for (int i = 0; i < OnbKit::stepSegments(total); ++i) {
            // The lit ones come first.
            QCOMPARE(OnbKit::stepSegmentLit(i, step), i < lit);
            litCount += OnbKit::stepSegmentLit(i, step) ? 1 : 0;
        }
        QCOMPARE(litCount, lit);
        QCOMPARE(OnbKit::stepCounter(step, total), counter);
    }

    // Limits count what a reader sees as one character: a family emoji joined by zero-width joiners, a flag
    // of two regional indicators, a letter with a combining accent, a skin-toned hand.
    void limitedText_data() {
        const QString family = QStringLiteral("👨‍👩‍👧‍👦");
        const QString flag = QStringLiteral("🇨🇳");
        const QString accented = QStringLiteral("e\u0301");
        const QString wave = QStringLiteral("👋🏽");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<bool>("exceeds");
        QTest::newRow("short enough") << "小明" << 8 << "小明" << false;
        QTest::newRow("exactly the limit") << "一二三四五六七八" << 8 << "一二三四五六七八" << false;
        QTest::newRow("one over") << "一二三四五六七八九" << 8 << "一二三四五六七八" << true;
        QTest::newRow("family counts once") << family + "小明" << 2 << family + "小" << true;
        QTest::newRow("family is never split") << "a" + family << 1 << "a" << true;
        QTest::newRow("eight families fit eight") << family.repeated(8) << 8 << family.repeated(8) << false;
        QTest::newRow("flags count once") << flag.repeated(3) << 2 << flag.repeated(2) << true;
        QTest::newRow("combining accent") << accented.repeated(3) << 2 << accented.repeated(2) << true;
        QTest::newRow("skin tone") << wave + wave << 1 << wave << true;
        QTest::newRow("17 city characters") << QString(17, u'城') << 16 << QString(16, u'城') << true;
        QTest::newRow("spaces are kept, not trimmed") << "  ab  " << 4 << "  ab" << true;
        QTest::newRow("empty") << "" << 8 << "" << false;
        QTest::newRow("no limit") << "一二三四五六七八九" << 0 << "一二三四五六七八九" << false;
    }
    void limitedText() {
        QFETCH(QString, text);
        QFETCH(int, limit);
        QFETCH(QString, kept);
        QFETCH(bool, exceeds);
        QCOMPARE(OnbKit::limitedText(text, limit), kept);
        QCOMPARE(OnbKit::exceedsLimit(text, limit), exceeds);
        // What is kept is within the limit.
        QVERIFY(!OnbKit::exceedsLimit(kept, limit));
    }

    void minutesBadge_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("badge");
        const QString day = QStringLiteral("天");
        const QString week = QStringLiteral("周");
        QTest::newRow("day 10") << 10.0 << day << "轻松";
        QTest::newRow("day 20") << 20.0 << day << "轻松";
        QTest::newRow("day 24.9") << 24.9 << day << "轻松";
        QTest::newRow("day 25") << 25.0 << day << "适中";
        QTest::newRow("day 45") << 45.0 << day << "适中";
        QTest::newRow("day 50") << 50.0 << day << "进取";
        QTest::newRow("day 85") << 85.0 << day << "进取";
        QTest::newRow("day 90") << 90.0 << day << "冲刺";
        QTest::newRow("day 120") << 120.0 << day << "冲刺";
        QTest::newRow("other unit reads as a day") << 60.0 << "月"
                                                   << "进取";
        QTest::newRow("week 30") << 30.0 << week << "不到 1 小时";
        QTest::newRow("week 59.9") << 59.9 << week << "不到 1 小时";
        QTest::newRow("week 60") << 60.0 << week << "约 1 小时";
        QTest::newRow("week 90") << 90.0 << week << "约 1.5 小时";
        QTest::newRow("week 120") << 120.0 << week << "约 2 小时";
        QTest::newRow("week 150") << 150.0 << week << "约 2.5 小时";
        QTest::newRow("week 65") << 65.0 << week << "约 1.1 小时";
        QTest::newRow("week 61: not whole, one decimal") << 61.0 << week << "约 1.0 小时";
        QTest::newRow("week 119: not whole, one decimal") << 119.0 << week << "约 2.0 小时";
        QTest::newRow("week 60.5") << 60.5 << week << "约 1.0 小时";
        QTest::newRow("week 600") << 600.0 << week << "约 10 小时";
    }
    void minutesBadge() {
        QFETCH(double, value);
        QFETCH(QString, unit);
        QFETCH(QString, badge);
        QCOMPARE(OnbKit::minutesBadgeText(value, unit), badge);
    }

    void minutesNumberAndPresets_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("whole");
        QTest::addColumn<QList<int>>("selected"); // of the presets 20, 30, 45, 60, 90
        QTest::newRow("a preset") << 45.0 << 45 << QList<int>{45};
        QTest::newRow("fraction dropped") << 45.9 << 45 << QList<int>{45};
        QTest::newRow("no preset") << 35.0 << 35 << QList<int>{};
        QTest::newRow("just below a preset") << 29.99 << 29 << QList<int>{};
        QTest::newRow("negative truncates toward zero") << -0.5 << 0 << QList<int>{};
        QTest::newRow("not a number") << qQNaN() << 0 << QList<int>{};
        QTest::newRow("too large") << 1e20 << std::numeric_limits<int>::max() << QList<int>{};
    }
    void minutesNumberAndPresets() {
        QFETCH(double, value);
        QFETCH(int, whole);
        QFETCH(QList<int>, selected);
        QCOMPARE(OnbKit::wholeMinutes(value), whole);
        QList<int> chosen;
        for (int preset : {20, 30, 45, 60, 90}) {
            if (OnbKit::presetSelected(preset, value))
                chosen << preset;
        }
        QCOMPARE(chosen, selected);
    }

    void sliderStops_data() {
        QTest::addColumn<double>("raw");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("stop");
        QTest::newRow("on a stop") << 45.0 << 10.0 << 120.0 << 5.0 << 45.0;
        QTest::newRow("rounding residue") << 44.99999999 << 10.0 << 120.0 << 5.0 << 45.0;
        QTest::newRow("nearest below") << 47.4 << 10.0 << 120.0 << 5.0 << 45.0;
        QTest::newRow("nearest above") << 47.6 << 10.0 << 120.0 << 5.0 << 50.0;
        QTest::newRow("below the range") << 3.0 << 10.0 << 120.0 << 5.0 << 10.0;
        QTest::newRow("above the range") << 500.0 << 10.0 << 120.0 << 5.0 << 120.0;
        QTest::newRow("steps from the lower bound") << 44.0 << 12.0 << 120.0 << 5.0 << 42.0;
        QTest::newRow("last whole step inside") << 119.0 << 12.0 << 120.0 << 5.0 << 117.0;
        QTest::newRow("weekly") << 170.0 << 30.0 << 600.0 << 30.0 << 180.0;
        QTest::newRow("no step") << 47.3 << 10.0 << 120.0 << 0.0 << 47.3;
        QTest::newRow("empty range") << 47.0 << 10.0 << 10.0 << 5.0 << 10.0;
        QTest::newRow("not a number") << qQNaN() << 10.0 << 120.0 << 5.0 << 10.0;
    }
    void sliderStops() {
        QFETCH(double, raw);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(double, step);
        QFETCH(double, stop);
        // Exact: what the slider writes back is sent as a whole number of minutes.
        QCOMPARE(OnbKit::snappedMinutes(raw, from, to, step), stop);
    }

    void levelWords_data() {
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("filled");
        QTest::newRow("below the scale") << 0 << "还很陌生" << 0;
        QTest::newRow("negative") << -4 << "还很陌生" << 0;
        QTest::newRow("1") << 1 << "还很陌生" << 1;
        QTest::newRow("2") << 2 << "有点印象" << 2;
        QTest::newRow("3") << 3 << "基本会了" << 3;
        QTest::newRow("4") << 4 << "比较熟练" << 4;
        QTest::newRow("5") << 5 << "非常拿手" << 5;
        QTest::newRow("above the scale") << 9 << "非常拿手" << 5;
    }
    void levelWords() {
        QFETCH(int, score);
        QFETCH(QString, word);
        QFETCH(int, filled);
        QCOMPARE(OnbKit::levelWord(score), word);
        int filledStars = 0;
        for (int star = 1; star <= 5; ++star) {
            filledStars += OnbKit::starFilled(star, score) ? 1 : 0;
            QCOMPARE(OnbKit::starScale(star, score) > 1.0, star == score);
        }
        QCOMPARE(filledStars, filled);
    }
};

QTEST_GUILESS_MAIN(TestOnbKit)
#include "tst_onbkit.moc"
