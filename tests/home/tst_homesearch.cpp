// The home search block's view-model: what a submission sends and records, what a blank one leaves alone,
// the hot questions in order and their two events, the chat's close, and the wheel over the chip row.
#include "Analytics.h"
#include "HomeSearchViewModel.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QStringList eventLines(const Analytics &analytics) {
    QStringList lines;
    for (const Analytics::Event &event : analytics.queuedEvents()) {
        QStringList props;
        for (auto it = event.props.cbegin(); it != event.props.cend(); ++it)
            props << it.key() + u'=' + it.value();
        props.sort();
        lines << event.name + u' ' + props.join(u',');
    }
    return lines;
}

} // namespace

class TestHomeSearch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void submit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("sent");   // empty: nothing happens
        QTest::addColumn<QString>("length"); // the event's "length"
        const auto row = [](const char *name, const char *text, const char *source, const char *sent,
                            const char *length) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromLatin1(source)
                                << QString::fromUtf8(sent) << QString::fromLatin1(length);
        };
        row("spaces only, button", "   ", "button", "", "");
        row("empty, return key", "", "input", "", "");
        row("line breaks and tabs", "\n\t \r\n", "input", "", "");
        row("ideographic spaces only", "\u3000\u3000", "button", "", "");
        row("padded word, return key", "  勾股  ", "input", "勾股", "2");
        row("padded word, button", "  勾股  ", "button", "勾股", "2");
        row("ideographic spaces and a line break", "\u3000勾股定理\n", "input", "勾股定理", "4");
        row("inner blanks kept", " a  b ", "input", "a  b", "4");
        row("emoji with skin tone", "加油👍🏽", "button", "加油👍🏽", "3");
        row("family emoji", "👨‍👩‍👧", "input", "👨‍👩‍👧", "1");
        row("combining accents", "e\u0301te\u0301", "input", "e\u0301te\u0301", "3");
    }
    void submit() {
        QFETCH(QString, text);
        QFETCH(QString, source);
        QFETCH(QString, sent);
        QFETCH(QString, length);

        Analytics analytics(std::chrono::hours(1));
        HomeSearchViewModel vm(analytics);
        vm.setQuery(text);
        vm.setFocused(true);
        QCOMPARE(vm.askButtonVisible(), !text.isEmpty()); // judged on the untrimmed text
        QSignalSpy chat(&vm, &HomeSearchViewModel::chatRequested);
        QSignalSpy pending(&vm, &HomeSearchViewModel::pendingChanged);
        vm.submit(text, source);

        if (sent.isEmpty()) {
            QCOMPARE(analytics.queuedCount(), 0);
            QCOMPARE(chat.count(), 0);
            QCOMPARE(pending.count(), 0);
            QCOMPARE(vm.query(), text);
            QVERIFY(vm.focused());
            return;
        }
        QCOMPARE(eventLines(analytics), QStringList{"home_search length=" + length + ",source=" + source});
        QCOMPARE(chat.count(), 1);
        QCOMPARE(chat.first().first().toString(), sent);
        QCOMPARE(vm.pending(), sent);
        QCOMPARE(vm.query(), QString());
        QVERIFY(!vm.askButtonVisible());
        QVERIFY(!vm.focused());
    }

    void hotKeywordsInOrder() {
        Analytics analytics(std::chrono::hours(1));
        HomeSearchViewModel vm(analytics);
        QStringList ids, texts;
        for (const HomeKeywordRow &row : vm.hotKeywords().rows()) {
            ids << row.keywordId;
            texts << row.keywordText;
        }
        QCOMPARE(ids, (QStringList{"kw_move", "kw_linear", "kw_denominator", "kw_travel", "kw_force",
                                   "kw_density", "kw_chem", "kw_tense"}));
        QCOMPARE(texts, (QStringList{"移项为什么要变号", "一元一次方程怎么解", "去分母要注意什么",
                                     "行程问题怎么列式", "受力分析怎么画", "密度公式怎么用",
                                     "化学方程式怎么配平", "英语时态怎么区分"}));
    }

    // A chip records its tap first, then the search; whatever was typed is cleared as well.
    void keywordTap_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("length");
        QTest::newRow("density") << 5 << QStringLiteral("kw_density") << QStringLiteral("密度公式怎么用")
                                 << "7";
        QTest::newRow("first") << 0 << QStringLiteral("kw_move") << QStringLiteral("移项为什么要变号") << "8";
        QTest::newRow("last") << 7 << QStringLiteral("kw_tense") << QStringLiteral("英语时态怎么区分") << "8";
    }
    void keywordTap() {
        QFETCH(int, index);
        QFETCH(QString, id);
        QFETCH(QString, text);
        QFETCH(QString, length);
        Analytics analytics(std::chrono::hours(1));
        HomeSearchViewModel vm(analytics);
        vm.setQuery(QStringLiteral("已经输入的"));
        QSignalSpy chat(&vm, &HomeSearchViewModel::chatRequested);
        vm.tapKeyword(index);
        QCOMPARE(eventLines(analytics), (QStringList{"home_keyword_tap keyword_id=" + id,
                                                     "home_search length=" + length + ",source=keyword"}));
        QCOMPARE(chat.count(), 1);
        QCOMPARE(chat.first().first().toString(), text);
        QCOMPARE(vm.pending(), text);
        QCOMPARE(vm.query(), QString());
    }

    void keywordOutsideTheRow() {
        Analytics analytics(std::chrono::hours(1));
        HomeSearchViewModel vm(analytics);
        QSignalSpy chat(&vm, &HomeSearchViewModel::chatRequested);
        for (int index : {-1, 8, 1000})
            vm.tapKeyword(index);
        QCOMPARE(analytics.queuedCount(), 0);
        QCOMPARE(chat.count(), 0);
    }

    // Back from the chat: nothing pending until the next question, which opens the chat again.
    void chatClosedClearsPending() {
        Analytics analytics(std::chrono::hours(1));
        HomeSearchViewModel vm(analytics);
        QSignalSpy pending(&vm, &HomeSearchViewModel::pendingChanged);
        QSignalSpy chat(&vm, &HomeSearchViewModel::chatRequested);
        vm.submit(QStringLiteral("浮力"), HomeSearchViewModel::sourceInput);
        vm.chatClosed();
        QCOMPARE(vm.pending(), QString());
        QCOMPARE(vm.query(), QString());
        vm.chatClosed(); // nothing more to clear
        QCOMPARE(pending.count(), 2);
        vm.submit(QStringLiteral("浮力"), HomeSearchViewModel::sourceButton);
        QCOMPARE(vm.pending(), QStringLiteral("浮力"));
        QCOMPARE(chat.count(), 2);
        QCOMPARE(pending.count(), 3);
    }

    // The button's visibility signals only when it flips.
    void askButtonFollowsTheField() {
        Analytics analytics(std::chrono::hours(1));
        HomeSearchViewModel vm(analytics);
        QSignalSpy visible(&vm, &HomeSearchViewModel::askButtonVisibleChanged);
        QSignalSpy query(&vm, &HomeSearchViewModel::queryChanged);
        for (const char *text : {" ", " a", " a", "", ""})
            vm.setQuery(QString::fromLatin1(text));
        QCOMPARE(query.count(), 3);
        QCOMPARE(visible.count(), 2);
        QVERIFY(!vm.askButtonVisible());
    }

    void chipRowOffset_data() {
        QTest::addColumn<qreal>("offset");
        QTest::addColumn<qreal>("last");
        QTest::addColumn<QPointF>("angle");
        QTest::addColumn<QPointF>("pixels");
        QTest::addColumn<qreal>("expected");
        // The row scrolls from -16 (first chip at the padding) to `last`.
        QTest::newRow("wheel down moves on") << 0.0 << 400.0 << QPointF(0, -120) << QPointF() << 60.0;
        QTest::newRow("wheel up moves back") << 100.0 << 400.0 << QPointF(0, 120) << QPointF() << 40.0;
        QTest::newRow("stops at the start") << 10.0 << 400.0 << QPointF(0, 120) << QPointF() << -16.0;
        QTest::newRow("stops at the end") << 390.0 << 400.0 << QPointF(0, -240) << QPointF() << 400.0;
        QTest::newRow("trackpad pixels") << 0.0 << 400.0 << QPointF(0, -120) << QPointF(0, -25) << 25.0;
        QTest::newRow("sideways swipe wins")
            << 100.0 << 400.0 << QPointF(-40, -120) << QPointF(-30, -90) << 130.0;
        QTest::newRow("sideways wheel") << 100.0 << 400.0 << QPointF(120, 0) << QPointF() << 40.0;
        QTest::newRow("a row that fits stays") << -16.0 << -40.0 << QPointF(0, -120) << QPointF() << -16.0;
    }
    void chipRowOffset() {
        QFETCH(qreal, offset);
        QFETCH(qreal, last);
        QFETCH(QPointF, angle);
        QFETCH(QPointF, pixels);
        QFETCH(qreal, expected);
        QCOMPARE(HomeSearchViewModel::chipRowOffset(offset, -16, last, angle, pixels), expected);
    }
};

QTEST_MAIN(TestHomeSearch)
#include "tst_homesearch.moc"
