// The home header's stats row and the today card, loaded offscreen against scripted answers: no QML warning,
// the pieces the learner sees, and (with QVL_SCREENSHOT_DIR) a picture of each.
#include "AppFonts.h"
#include "AppSession.h"
#include "Fixtures.h"
#include "LearningPathFixture.h"
#include "QmlHarness.h"
#include "StudyReportClient.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;

const QString pathRoute = QStringLiteral("/api/v1/learning-paths/7");

QByteArray pathWith(const QStringList &states) {
    return learningPathWith(7, QStringLiteral("学完「有理数」"), states);
}

using QmlHarness::textsBelow;

} // namespace

class TestHomeStatsViews : public QObject {
    Q_OBJECT

    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

    void expectNoWarnings() {
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() { m_guard.reset(); }

    // The row on the header's gradient: no chip until the answers arrive, then both.
    void heroStatsRow_data() {
        QTest::addColumn<bool>("withPath");
        QTest::addColumn<QStringList>("chips");
        QTest::newRow("path and report") << true << QStringList{"本周学了 3 天", "计划 2/5"};
        QTest::newRow("report only") << false << QStringList{"本周学了 3 天"};
    }
    void heroStatsRow() {
        QFETCH(bool, withPath);
        QFETCH(QStringList, chips);
        TestPlatform platform;
        platform.transport->on(
            "GET", pathRoute,
            Reply::json(200, pathWith({"Completed", "Completed", "Ready", "Locked", "Locked"})).after(20));
        platform.transport->on("GET", StudyReportClient::path,
                               Reply::json(200, Fixtures::json("home/study-report.json")));
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        if (withPath)
            session.setLastPathId(7);

        m_guard->take();
        QmlHarness::View shown(QSize(360, 64));
        m_guard->watch(shown.engine());
        QVERIFY2(shown.loadData(R"(
import QtQuick
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home
Rectangle {
    id: header
    required property AppSession session
    gradient: Gradient {
        orientation: Gradient.Horizontal
        GradientStop { position: 0; color: Theme.brandTeal }
        GradientStop { position: 0.6; color: Theme.brandNavy }
        GradientStop { position: 1; color: Theme.brandNavyDeep }
    }
    HeroStatsRow {
        objectName: "heroRow"
        x: 16
        y: 18
        session: header.session
    }
})",
                                {{"session", QVariant::fromValue(&session)}},
                                QUrl(QStringLiteral("qrc:/tests/HeroHeader.qml"))),
                 qPrintable(shown.error()));
        QQuickItem *row = shown.find(QStringLiteral("heroRow"));
        QVERIFY(row);
        QCOMPARE(textsBelow(row), QStringList());
        QTRY_COMPARE(textsBelow(row), chips);
        QCOMPARE(platform.transport->count(pathRoute), withPath ? 1 : 0);
        QVERIFY(row->height() > 0);
        QCOMPARE(row->property("spacing").toReal(), 8.0);
        if (!QmlHarness::screenshotFolder().isEmpty()) {
            QTest::qWait(50);
            QVERIFY(QmlHarness::saveScreenshot(shown.window(), withPath ? QStringLiteral("home-hero-stats")
                                                                        : QStringLiteral("home-hero-days")));
        }
        expectNoWarnings();
    }

    // The card with a path, with none, and after the path failed; light and dark.
    void todayTasksCard_data() {
        QTest::addColumn<std::optional<qint64>>("lastPathId");
        QTest::addColumn<QByteArray>("answer"); // empty: status 500
        QTest::addColumn<QString>("size");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("shot");

        using P = std::optional<qint64>;
        const QByteArray threeOfEight = pathWith(
            {"Completed", "Completed", "Completed", "Ready", "Locked", "Locked", "Locked", "Locked"});
        QTest::newRow("path") << P(7) << threeOfEight << "L" << false
                              << QStringList{"今日学习", "学完「有理数」 · 已完成 3/8"} << "home-today-path";
        QTest::newRow("path, dark, M")
            << P(7) << threeOfEight << "M" << true << QStringList{"今日学习", "学完「有理数」 · 已完成 3/8"}
            << "home-today-path-dark";
        QTest::newRow("no path") << P() << QByteArray() << "L" << false
                                 << QStringList{"今日学习", "还没开始，去选一章"} << "home-today-invitation";
        QTest::newRow("path failed") << P(7) << QByteArray() << "S" << false
                                     << QStringList{"今日学习", "还没开始，去选一章"} << QString();
    }
    void todayTasksCard() {
        QFETCH(std::optional<qint64>, lastPathId);
        QFETCH(QByteArray, answer);
        QFETCH(QString, size);
        QFETCH(bool, dark);
        QFETCH(QStringList, texts);
        QFETCH(QString, shot);
        TestPlatform platform;
        platform.transport->on("GET", pathRoute,
                               answer.isEmpty() ? Reply::json(500, "{}") : Reply::json(200, answer));
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        session.setLastPathId(lastPathId);
        session.setDarkMode(dark);

        m_guard->take();
        QmlHarness::View shown(QSize(360, 180));
        m_guard->watch(shown.engine());
        QVERIFY2(shown.loadData(R"(
import QtQuick
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home
Rectangle {
    id: page
    required property AppSession session
    required property string cardSize
    color: Theme.systemBackground
    TodayTasksCard {
        objectName: "todayCard"
        x: 16
        y: 16
        width: page.width - 32
        session: page.session
        title: "今日学习"
        size: page.cardSize
    }
})",
                                {{"session", QVariant::fromValue(&session)}, {"cardSize", size}},
                                QUrl(QStringLiteral("qrc:/tests/TodayPage.qml"))),
                 qPrintable(shown.error()));
        QQuickItem *card = shown.find(QStringLiteral("todayCard"));
        QVERIFY(card);
        QTRY_COMPARE(textsBelow(card), texts);
        QCOMPARE(platform.transport->count(pathRoute), lastPathId ? 1 : 0);
        QCOMPARE(card->property("radius").toReal(), 14.0);
        QVERIFY(card->height() >= (size == QLatin1String("L") ? 100 : 80) + 32);
        QCOMPARE(QmlHarness::findItem(card, QStringLiteral("todayProgressBar"), true) != nullptr,
                 texts.last().contains(QStringLiteral("已完成")));
        if (!shot.isEmpty() && !QmlHarness::screenshotFolder().isEmpty()) {
            QTest::qWait(50);
            QVERIFY(QmlHarness::saveScreenshot(shown.window(), shot));
        }
        expectNoWarnings();
    }
};

QTEST_MAIN(TestHomeStatsViews)
#include "tst_homestatsviews.moc"
