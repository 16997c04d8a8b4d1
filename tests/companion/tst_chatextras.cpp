#include "Analytics.h"
#include "CitationCardModel.h"
#include "TypingDots.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

// The typing dots' motion and the citation card's rows, header and "citation_open" records.

namespace {

Citation citation(qint64 index, const QString &title, const QString &source, const QString &snippet = {}) {
    Citation c;
    c.index = index;
    c.title = title;
    c.source = source;
    c.snippet = snippet;
    return c;
}

QVariantList itemsOf(const QList<Citation> &citations) {
    QVariantList items;
    for (const Citation &c : citations)
        items << QVariant::fromValue(c);
    return items;
}

} // namespace

class TestChatExtras : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dots_data() {
        QTest::addColumn<double>("t");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("reduceMotion");
        QTest::addColumn<double>("opacity");
        QTest::addColumn<double>("offset");

        const double peak = M_PI / 10; // 5t = pi/2
        QTest::newRow("first dot at its peak") << peak << 0 << false << 1.0 << -3.0;
        QTest::newRow("second dot lags by 0.7 rad")
            << peak << 1 << false << 0.3 + 0.7 * std::sin(M_PI / 2 - 0.7) << -3 * std::sin(M_PI / 2 - 0.7);
        QTest::newRow("third dot lags by 1.4 rad")
            << peak << 2 << false << 0.3 + 0.7 * std::sin(M_PI / 2 - 1.4) << -3 * std::sin(M_PI / 2 - 1.4);
        QTest::newRow("negative sine rests on the baseline at 0.3") << 0.0 << 1 << false << 0.3 << 0.0;
        QTest::newRow("trough of the first dot") << 3 * M_PI / 10 << 0 << false << 0.3 << 0.0;
        QTest::newRow("at a zero crossing") << 0.0 << 0 << false << 0.3 << 0.0;
        QTest::newRow("one period later, the same") << peak + 2 * M_PI / 5 << 0 << false << 1.0 << -3.0;
        QTest::newRow("reduce motion at a peak") << peak << 0 << true << 0.6 << 0.0;
        QTest::newRow("reduce motion at a trough") << 3 * M_PI / 10 << 2 << true << 0.6 << 0.0;
        QTest::newRow("a large clock value") << 7.9e8 << 1 << true << 0.6 << 0.0;
    }
    void dots() {
        QFETCH(double, t);
        QFETCH(int, index);
        QFETCH(bool, reduceMotion);
        QFETCH(double, opacity);
        QFETCH(double, offset);
        const TypingDotsMotion::Dot dot = TypingDotsMotion::dot(t, index, reduceMotion);
        QVERIFY2(std::abs(dot.opacity - opacity) < 1e-9, qPrintable(QString::number(dot.opacity)));
        QVERIFY2(std::abs(dot.offset - offset) < 1e-9, qPrintable(QString::number(dot.offset)));
    }

    void card_data() {
        QTest::addColumn<QVariantList>("items");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<QStringList>("headings");
        QTest::addColumn<QStringList>("sources");

        QTest::newRow("three in the order received")
            << itemsOf({citation(2, "一元一次方程", "人教版七上 3.1"), citation(1, "移项", "课本 P88"),
                        citation(3, "等式的性质", "课本 P83")})
            << "参考资料"
            << "参考资料 · 3" << QStringList{"[2]", "[1]", "[3]"}
            << QStringList{"一元一次方程", "移项", "等式的性质"}
            << QStringList{"人教版七上 3.1", "课本 P88", "课本 P83"};
        QTest::newRow("empty title shows the source first")
            << itemsOf({citation(1, "", "https://example.org/a")}) << "References"
            << "References · 1" << QStringList{"[1]"} << QStringList{"https://example.org/a"}
            << QStringList{"https://example.org/a"};
        QTest::newRow("a shared number lists both")
            << itemsOf({citation(4, "甲", "a"), citation(4, "乙", "b")}) << "参考"
            << "参考 · 2" << QStringList{"[4]", "[4]"} << QStringList{"甲", "乙"} << QStringList{"a", "b"};
        QTest::newRow("maps as QML gives them")
            << QVariantList{QVariantMap{{"index", 7}, {"title", "T"}, {"source", "S"}, {"snippet", "x"}}}
            << "参考资料"
            << "参考资料 · 1" << QStringList{"[7]"} << QStringList{"T"} << QStringList{"S"};
        QTest::newRow("anything else is left out")
            << QVariantList{QVariant(3), QVariant::fromValue(citation(-2, "负", "n"))} << "参考资料"
            << "参考资料 · 1" << QStringList{"[-2]"} << QStringList{"负"} << QStringList{"n"};
        QTest::newRow("none") << QVariantList() << "参考资料"
                              << "参考资料 · 0" << QStringList() << QStringList() << QStringList();
    }
    void card() {
        QFETCH(QVariantList, items);
        QFETCH(QString, title);
        QFETCH(QString, header);
        QFETCH(QStringList, numbers);
        QFETCH(QStringList, headings);
        QFETCH(QStringList, sources);

        Analytics analytics(std::chrono::hours(1));
        CitationCardModel card(analytics);
        QSignalSpy headerSpy(&card, &CitationCardModel::headerTextChanged);
        card.setTitle(title);
        card.setItems(items);
        QVERIFY(headerSpy.count() >= 1);
        QCOMPARE(card.headerText(), header);
        QCOMPARE(card.expanded(), false);
        QStringList gotNumbers, gotHeadings, gotSources;
        for (const CitationRow &row : card.rows().rows()) {
            gotNumbers << row.indexText;
            gotHeadings << row.heading;
            gotSources << row.source;
        }
        QCOMPARE(gotNumbers, numbers);
        QCOMPARE(gotHeadings, headings);
        QCOMPARE(gotSources, sources);
    }

    // Opening records the number of references; folding records nothing; opening again records again.
    void openingIsRecorded_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("taps");
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("expanded");
        QTest::newRow("one item, opened") << 1 << 1 << 1 << true;
        QTest::newRow("opened and folded") << 3 << 2 << 1 << false;
        QTest::newRow("opened again") << 3 << 3 << 2 << true;
        QTest::newRow("twelve items, four taps") << 12 << 4 << 2 << false;
    }
    void openingIsRecorded() {
        QFETCH(int, count);
        QFETCH(int, taps);
        QFETCH(int, records);
        QFETCH(bool, expanded);

        Analytics analytics(std::chrono::hours(1));
        CitationCardModel card(analytics);
        QList<Citation> citations;
        for (int i = 1; i <= count; ++i)
            citations << citation(i, QStringLiteral("t%1").arg(i), QStringLiteral("s"));
        card.setCitations(citations);
        QSignalSpy expandedSpy(&card, &CitationCardModel::expandedChanged);
        for (int i = 0; i < taps; ++i)
            card.toggle();
        QCOMPARE(expandedSpy.count(), taps);
        QCOMPARE(card.expanded(), expanded);
        QCOMPARE(analytics.queuedCount(), records);
        for (const Analytics::Event &event : analytics.queuedEvents()) {
            QCOMPARE(event.name, QStringLiteral("citation_open"));
            QCOMPARE(event.props, (QHash<QString, QString>{{"count", QString::number(count)}}));
        }
    }

    // New references for the same card (a reply that cites more as it streams) keep its open state and
    // signal only the rows that came.
    void growingListKeepsTheState() {
        Analytics analytics(std::chrono::hours(1));
        CitationCardModel card(analytics);
        card.setTitle(QStringLiteral("参考资料"));
        card.setCitations({citation(1, "a", "s")});
        card.toggle();
        QSignalSpy inserted(card.rowModel(), &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(card.rowModel(), &QAbstractItemModel::modelReset);
        card.setCitations({citation(1, "a", "s"), citation(2, "b", "s")});
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(reset.count(), 0);
        QVERIFY(card.expanded());
        QCOMPARE(card.headerText(), QStringLiteral("参考资料 · 2"));
    }
};

QTEST_GUILESS_MAIN(TestChatExtras)
#include "tst_chatextras.moc"
