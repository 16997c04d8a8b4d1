#include "ListModel.h"
#include "PathNodeRow.h"
#include "Theme.h"

#include <QSignalSpy>
#include <QTest>

#include <optional>

namespace {

using Tone = Theme::Role;
using Symbol = PathNodeRow::NodeSymbol;

LearningItemView lesson(const QString &state, bool openable, std::optional<qint64> progress = std::nullopt,
                        qint64 listOrder = 3) {
    LearningItemView item;
    item.itemId = 301;
    item.listOrder = listOrder;
    item.kpCode = QStringLiteral("math-g7a-c1-03");
    item.kpName = QStringLiteral("绝对值");
    item.state = state;
    item.openable = openable;
    item.progress = progress;
    return item;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<qint64>)

class TestPathNodeRow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The status line and its colour: the first matching rule wins, states compared exactly.
    void statusLine_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("openable");
        QTest::addColumn<std::optional<qint64>>("progress");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("tone");

        const std::optional<qint64> none;
        QTest::newRow("completed") << "Completed" << true << none << "已完成" << int(Tone::BrandTeal);
        QTest::newRow("completed, locked")
            << "Completed" << false << none << "已完成" << int(Tone::BrandTeal);
        QTest::newRow("completed with progress")
            << "Completed" << true << std::optional<qint64>(40) << "已完成" << int(Tone::BrandTeal);
        QTest::newRow("generating, no progress")
            << "Generating" << false << none << "准备中，好了会通知你" << int(Tone::Orange);
        QTest::newRow("generating 0")
            << "Generating" << false << std::optional<qint64>(0) << "准备中 0%" << int(Tone::Orange);
        QTest::newRow("generating 99")
            << "Generating" << true << std::optional<qint64>(99) << "准备中 99%" << int(Tone::Orange);
        QTest::newRow("generating 100") << "Generating" << false << std::optional<qint64>(100)
                                        << "内容审核中，好了会通知你" << int(Tone::Orange);
        QTest::newRow("generating 250") << "Generating" << false << std::optional<qint64>(250)
                                        << "内容审核中，好了会通知你" << int(Tone::Orange);
        QTest::newRow("generating -5")
            << "Generating" << false << std::optional<qint64>(-5) << "准备中 -5%" << int(Tone::Orange);
        QTest::newRow("failed, locked") << "Failed" << false << none << "老师处理中" << int(Tone::Red);
        QTest::newRow("failed, openable") << "Failed" << true << none << "老师处理中" << int(Tone::Red);
        QTest::newRow("ready, openable") << "Ready" << true << none << "可以开始学" << int(Tone::BrandNavy);
        QTest::newRow("ready, locked")
            << "Ready" << false << none << "完成上一课后解锁" << int(Tone::SecondaryLabel);
        QTest::newRow("locked") << "Locked" << false << none << "完成上一课后解锁"
                                << int(Tone::SecondaryLabel);
        QTest::newRow("progress on a ready lesson")
            << "Ready" << true << std::optional<qint64>(50) << "可以开始学" << int(Tone::BrandNavy);
        QTest::newRow("lower-case completed is no completion")
            << "completed" << false << none << "完成上一课后解锁" << int(Tone::SecondaryLabel);
        QTest::newRow("lower-case generating")
            << "generating" << true << std::optional<qint64>(10) << "可以开始学" << int(Tone::BrandNavy);
        QTest::newRow("empty state") << "" << true << none << "可以开始学" << int(Tone::BrandNavy);
    }
    void statusLine() {
        QFETCH(QString, state);
        QFETCH(bool, openable);
        QFETCH(std::optional<qint64>, progress);
        QFETCH(QString, text);
        QFETCH(int, tone);

        const LearningItemView item = lesson(state, openable, progress);
        QCOMPARE(PathNodeRow::nodeSubtitle(item), text);
        QCOMPARE(int(PathNodeRow::statusTone(item)), tone);
        PathNodeRow row(item, false, false, 9);
        QCOMPARE(row.subtitle(), text);
        QCOMPARE(row.statusTone(), tone);
    }

    // The progress bar: only while the lesson is being made and below 100 %.
    void progressBar_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<std::optional<qint64>>("progress");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<double>("fraction");

        QTest::newRow("99") << "Generating" << std::optional<qint64>(99) << true << 0.99;
        QTest::newRow("0") << "Generating" << std::optional<qint64>(0) << true << 0.0;
        QTest::newRow("negative fills nothing") << "Generating" << std::optional<qint64>(-20) << true << 0.0;
        QTest::newRow("100") << "Generating" << std::optional<qint64>(100) << false << 0.0;
        QTest::newRow("none") << "Generating" << std::optional<qint64>() << false << 0.0;
        QTest::newRow("not generating") << "Ready" << std::optional<qint64>(50) << false << 0.0;
        QTest::newRow("failed") << "Failed" << std::optional<qint64>(50) << false << 0.0;
    }
    void progressBar() {
        QFETCH(QString, state);
        QFETCH(std::optional<qint64>, progress);
        QFETCH(bool, shown);
        QFETCH(double, fraction);

        PathNodeRow row(lesson(state, true, progress), false, false, 9);
        QCOMPARE(row.showsProgress(), shown);
        QCOMPARE(row.progressFraction(), fraction);
    }

    // The node: its fill, symbol, size and glow, and the connector below it.
    void node_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("openable");
        QTest::addColumn<bool>("isCurrent");
        QTest::addColumn<bool>("gradient");
        QTest::addColumn<int>("fill");
        QTest::addColumn<int>("symbol");
        QTest::addColumn<QString>("symbolName");
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("symbolSize");
        QTest::addColumn<int>("symbolTone");
        QTest::addColumn<int>("connector");

        const int white = PathNodeRow::whiteTone;
        QTest::newRow("completed") << "Completed" << true << false << false << int(Tone::BrandTeal)
                                   << int(Symbol::Checkmark) << "checkmark"
                                   << "" << 17.0 << white << int(Tone::BrandTeal);
        QTest::newRow("completed, locked, current")
            << "Completed" << false << true << false << int(Tone::BrandTeal) << int(Symbol::Checkmark)
            << "checkmark"
            << "" << 17.0 << white << int(Tone::BrandTeal);
        QTest::newRow("current, openable")
            << "Ready" << true << true << true << int(Tone::BrandNavy) << int(Symbol::Number) << ""
            << "7" << 16.0 << white << int(Tone::Gray5);
        QTest::newRow("current, locked")
            << "Locked" << false << true << true << int(Tone::BrandNavy) << int(Symbol::Lock) << "lock.fill"
            << "" << 14.0 << int(Tone::Gray) << int(Tone::Gray5);
        QTest::newRow("openable") << "Ready" << true << false << false << int(Tone::BrandNavy)
                                  << int(Symbol::Number) << ""
                                  << "7" << 16.0 << white << int(Tone::Gray5);
        QTest::newRow("generating, openable")
            << "Generating" << true << false << false << int(Tone::BrandNavy) << int(Symbol::Number) << ""
            << "7" << 16.0 << white << int(Tone::Gray5);
        QTest::newRow("failed, openable, current")
            << "Failed" << true << true << true << int(Tone::BrandNavy) << int(Symbol::Number) << ""
            << "7" << 16.0 << white << int(Tone::Gray5);
        QTest::newRow("locked") << "Locked" << false << false << false << int(Tone::Gray5)
                                << int(Symbol::Lock) << "lock.fill"
                                << "" << 14.0 << int(Tone::Gray) << int(Tone::Gray5);
        QTest::newRow("generating, locked")
            << "Generating" << false << false << false << int(Tone::Gray5) << int(Symbol::Lock) << "lock.fill"
            << "" << 14.0 << int(Tone::Gray) << int(Tone::Gray5);
    }
    void node() {
        QFETCH(QString, state);
        QFETCH(bool, openable);
        QFETCH(bool, isCurrent);
        QFETCH(bool, gradient);
        QFETCH(int, fill);
        QFETCH(int, symbol);
        QFETCH(QString, symbolName);
        QFETCH(QString, number);
        QFETCH(double, symbolSize);
        QFETCH(int, symbolTone);
        QFETCH(int, connector);

        PathNodeRow row(lesson(state, openable, std::nullopt, 7), isCurrent, false, 9);
        QCOMPARE(row.nodeGradient(), gradient);
        if (!gradient)
            QCOMPARE(row.nodeTone(), fill);
        QCOMPARE(int(row.nodeSymbol()), symbol);
        QCOMPARE(row.nodeSymbolName(), symbolName);
        QCOMPARE(row.nodeNumber(), number);
        QCOMPARE(row.nodeSymbolSize(), symbolSize);
        QCOMPARE(row.nodeSymbolTone(), symbolTone);
        QCOMPARE(row.nodeDiameter(), isCurrent ? 44.0 : 38.0);
        QCOMPARE(row.nodeGlowOpacity(), isCurrent ? 0.4 : 0.0);
        QVERIFY(row.hasConnector());
        QCOMPARE(row.connectorTone(), connector);
    }

    // The card: badge, title, its colour, background, outline, shadow; the card is enabled by `openable`
    // only.
    void card_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("openable");
        QTest::addColumn<bool>("isCurrent");
        QTest::addColumn<int>("titleTone");
        QTest::addColumn<double>("opacity");
        QTest::addColumn<double>("shadow");

        QTest::newRow("locked") << "Locked" << false << false << int(Tone::SecondaryLabel) << 0.6 << 0.0;
        QTest::newRow("completed, locked")
            << "Completed" << false << false << int(Tone::SecondaryLabel) << 0.6 << 0.0;
        QTest::newRow("completed, openable")
            << "Completed" << true << false << int(Tone::Label) << 1.0 << 0.08;
        QTest::newRow("current") << "Ready" << true << true << int(Tone::Label) << 1.0 << 0.08;
        QTest::newRow("current, locked")
            << "Ready" << false << true << int(Tone::SecondaryLabel) << 0.6 << 0.0;
        QTest::newRow("failed, openable") << "Failed" << true << false << int(Tone::Label) << 1.0 << 0.08;
    }
    void card() {
        QFETCH(QString, state);
        QFETCH(bool, openable);
        QFETCH(bool, isCurrent);
        QFETCH(int, titleTone);
        QFETCH(double, opacity);
        QFETCH(double, shadow);

        PathNodeRow row(lesson(state, openable, std::nullopt, 12), isCurrent, false, 9);
        QCOMPARE(row.title(), QStringLiteral("第 12 课 · 绝对值"));
        QCOMPARE(row.titleTone(), titleTone);
        QCOMPARE(row.openable(), openable);
        QCOMPARE(row.cardOpacity(), opacity);
        QCOMPARE(row.cardShadowOpacity(), shadow);
        QCOMPARE(ListModel<PathNodeRow>::toMap(row).value("showsBadge").toBool(), isCurrent);
        QCOMPARE(ListModel<PathNodeRow>::toMap(row).value("outlined").toBool(), isCurrent);
        QCOMPARE(row.badgeText(), QStringLiteral("当前课程"));
        QCOMPARE(row.accessibleText(), isCurrent
                                           ? QStringLiteral("当前课程，第 12 课 · 绝对值，") + row.subtitle()
                                           : QStringLiteral("第 12 课 · 绝对值，") + row.subtitle());
    }

    void titleShowsTheServersNumberAndNameAsTheyStand() {
        PathNodeRow row(lesson(QStringLiteral("Ready"), true, std::nullopt, -2), false, false, 9);
        QCOMPARE(row.title(), QStringLiteral("第 -2 课 · 绝对值"));
        QCOMPARE(row.nodeNumber(), QStringLiteral("-2"));
        LearningItemView big = lesson(QStringLiteral("Ready"), true, std::nullopt, 1234567);
        big.kpName = QStringLiteral("<b>x</b>");
        row = PathNodeRow(big, false, false, 9);
        QCOMPARE(row.title(), QStringLiteral("第 1234567 课 · <b>x</b>")); // never grouped, never markup
    }

    void theLastRowHasNoConnector() {
        PathNodeRow row(lesson(QStringLiteral("Completed"), true), false, true, 9);
        QVERIFY(!row.hasConnector());
        QVERIFY(row.isLast());
    }

    // In the path list's model a row is signalled only when something it shows changed, and then only the
    // roles that did.
    void changesAreSignalledOnlyWhenSomethingChanged() {
        ListModel<PathNodeRow> model;
        const LearningItemView item = lesson(QStringLiteral("Ready"), true);
        model.append(PathNodeRow(item, true, false, 9));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.update(PathNodeRow(item, true, false, 9));
        QCOMPARE(changed.count(), 0);
        model.update(PathNodeRow(item, false, false, 9));
        QCOMPARE(changed.count(), 1);
        const QList<int> roles = changed.takeFirst().at(2).value<QList<int>>();
        QVERIFY(roles.contains(ListModel<PathNodeRow>::role("isCurrent")));
        QVERIFY(roles.contains(ListModel<PathNodeRow>::role("showsBadge")));
        QVERIFY(!roles.contains(ListModel<PathNodeRow>::role("title")));
        model.update(PathNodeRow(lesson(QStringLiteral("Completed"), true), false, false, 9));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.at(0).pathId(), 9);
        QCOMPARE(model.at(0).itemId(), 301);
        QCOMPARE(model.at(0).subtitle(), QStringLiteral("已完成"));
    }
};

QTEST_GUILESS_MAIN(TestPathNodeRow)
#include "tst_pathnoderow.moc"
