// The home page's tool dock as data: the eight tools in order with their titles and artwork, unknown keys,
// the placeholder note, the artwork's resource URLs and the event recorded when a tool's page is shown.
#include "Analytics.h"
#include "HomeTools.h"

#include <QFile>
#include <QSvgRenderer>
#include <QTest>

namespace {

QString eventLine(const Analytics::Event &event) {
    QStringList props;
    for (auto it = event.props.cbegin(); it != event.props.cend(); ++it)
        props << it.key() + u'=' + it.value();
    props.sort();
    return event.name + u' ' + props.join(u',');
}

} // namespace

class TestHomeTools : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void toolTexts_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("icon");
        const auto row = [](const char *key, const char *title, const char *icon) {
            QTest::newRow(*key ? key : "empty")
                << QString::fromUtf8(key) << QString::fromUtf8(title) << QString::fromLatin1(icon);
        };
        row("photo", "拍照识题", "IconPhoto");
        row("plan", "学习计划", "IconPlan");
        row("video", "讲解视频", "IconVideo");
        row("report", "学情报告", "IconReport");
        row("wrong", "错题本", "IconWrong");
        row("bank", "题库练习", "IconPath");
        row("ask", "问伙伴", "IconBuddy");
        row("inbox", "学习通知", "IconClock");
        // Keys match exactly: anything else is its own title, with the hint artwork.
        row("Photo", "Photo", "IconHint");
        row("", "", "IconHint");
        row(" inbox", " inbox", "IconHint");
        row("calculator", "calculator", "IconHint");
    }
    void toolTexts() {
        QFETCH(QString, key);
        QFETCH(QString, title);
        QFETCH(QString, icon);
        QCOMPARE(HomeTools::toolTitle(key), title);
        QCOMPARE(HomeTools::toolIcon(key), icon);
        // The artwork is in the application and draws as a square tile.
        const QUrl url = HomeTools::artworkUrl(icon);
        QCOMPARE(url.toString(),
                 QStringLiteral("qrc:/qt/qml/Quorvel/Ui/assets/") + icon + QStringLiteral(".svg"));
        QVERIFY2(QFile::exists(u':' + url.path()), qPrintable(url.toString()));
        QSvgRenderer svg(u':' + url.path());
        QVERIFY(svg.isValid());
        QCOMPARE(svg.viewBoxF(), QRectF(0, 0, 120, 120));
    }

    // The dock shows the tools in this order whatever the layout says; the model rows carry the same texts.
    void dockOrder() {
        const QStringList keys{"photo", "plan", "video", "report", "wrong", "bank", "ask", "inbox"};
        QCOMPARE(HomeTools::toolKeys(), keys);
        Analytics analytics(std::chrono::hours(1));
        HomeTools tools(analytics);
        QCOMPARE(tools.tools().count(), 8);
        for (int i = 0; i < keys.size(); ++i) {
            const HomeToolRow &row = tools.tools().at(i);
            QCOMPARE(row.key, keys[i]);
            QCOMPARE(row.title, HomeTools::toolTitle(keys[i]));
            QCOMPARE(row.iconUrl, HomeTools::artworkUrl(HomeTools::toolIcon(keys[i])));
        }
    }

    void artworkNamesArePlain_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "IconShield" << true;
        QTest::newRow("with digits and underscore") << "Icon_2" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("outside the folder") << "../Guest/assets/HeroArt" << false;
        QTest::newRow("with extension") << "IconPhoto.svg" << false;
        QTest::newRow("url") << "https://example.com/x" << false;
        QTest::newRow("blank") << "Icon Photo" << false;
    }
    void artworkNamesArePlain() {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(HomeTools::artworkUrl(name).isEmpty(), !valid);
    }

    void comingSoon_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("note");
        QTest::newRow("video") << "video"
                               << "会员可为知识点生成讲解视频，审核通过后可看（FR-VID）。";
        QTest::newRow("video in capitals") << "Video"
                                           << "";
        QTest::newRow("a tool with a page") << "report"
                                            << "";
        QTest::newRow("unknown") << "calculator"
                                 << "";
    }
    void comingSoon() {
        QFETCH(QString, key);
        QFETCH(QString, note);
        QCOMPARE(HomeTools::comingSoonNote(key), note);
        QCOMPARE(HomeTools::isComingSoon(key), !note.isEmpty());
    }

    // Each showing of a tool's page is one event with the tool's key, as given.
    void toolClicksAreRecorded() {
        Analytics analytics(std::chrono::hours(1));
        HomeTools tools(analytics);
        for (const char *key : {"video", "wrong", "wrong", "Photo"})
            tools.logToolClick(QString::fromLatin1(key));
        QStringList lines;
        for (const Analytics::Event &event : analytics.queuedEvents())
            lines << eventLine(event);
        QCOMPARE(lines, (QStringList{"home_tool_click tool=video", "home_tool_click tool=wrong",
                                     "home_tool_click tool=wrong", "home_tool_click tool=Photo"}));
    }
};

QTEST_MAIN(TestHomeTools)
#include "tst_hometools.moc"
