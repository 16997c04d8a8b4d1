// The study report page as QML, offscreen against scripted answers and free of warnings: the report with
// every section, the failed state, a failed refresh by F5 that keeps the report, and a page closed while its
// request runs. Saves pictures when QVL_SCREENSHOT_DIR names a folder.
#include "AppSession.h"
#include "Fixtures.h"
#include "PageSuite.h"
#include "StudyReportClient.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;

const QByteArray pageScene = R"(
import QtQuick
import Quorvel.Core
import Quorvel.Home
StudyReportView {
    objectName: "reportPage"
}
)";

using QmlHarness::textsBelow;

QList<int> barHeights(QQuickItem *item) {
    QList<int> heights;
    if (!item)
        return heights;
    if (item->objectName() == QLatin1String("dayBar"))
        heights << int(item->height());
    for (QQuickItem *child : item->childItems())
        heights << barHeights(child);
    return heights;
}

} // namespace

class TestStudyReportView : public QmlHarness::PageSuite {
    Q_OBJECT

public:
    TestStudyReportView() : QmlHarness::PageSuite(100) {}

private:
    struct Page : QmlHarness::SessionPage {
        Page() : SessionPage(QSize(420, 900)) {}
        void answer(const Reply &reply) { platform.transport->on("GET", StudyReportClient::path, reply); }
        bool load() { return loadData(pageScene, QUrl(QStringLiteral("qrc:/tests/StudyReportPage.qml"))); }
    };

private Q_SLOTS:
    // The spinner until the answer, then the card, the weak point, the chapter and the explanation.
    void report() {
        Page page;
        page.answer(Reply::json(200, Fixtures::json("home/study-report.json")).after(50));
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_VERIFY(page.shown("reportLoading"));
        QCOMPARE(textsBelow(page.shown("reportLoading")), QStringList{"加载报告…"});
        QTRY_VERIFY(page.shown("summaryCard"));
        QVERIFY(!page.shown("reportLoading"));
        QCOMPARE(textsBelow(page.shown("summaryCard")),
                 (QStringList{"近 7 天", "做题 12 道 · 答对 9 道 · 正确率 75%", "学了 3 天 · 完成 2 节课",
                              "23", "24", "25", "26", "27", "28", "01"}));
        QCOMPARE(barHeights(page.shown("summaryCard")), (QList<int>{4, 36, 4, 44, 4, 4, 28}));
        const QStringList texts = textsBelow(page.shown("studyReportList"));
        for (const QString &expected :
             {QStringLiteral("需要加强"), QStringLiteral("掌握图 · 《有理数》"), QStringLiteral("数据不足"),
              QStringLiteral("做了 5 道，答对 2 道（40%） · 错题本里还有 2 道")})
            QVERIFY2(texts.contains(expected), qPrintable(expected));
        QCOMPARE(texts.count(QStringLiteral("有理数与数轴")), 2);
        shoot(page, QStringLiteral("study-report"));

        // F5 with a failing answer: the report stays, nothing else shows.
        page.answer(Reply::json(503, "{}"));
        page.view->window().requestActivate();
        QTest::keyClick(&page.view->window(), Qt::Key_F5);
        QTRY_COMPARE(page.platform.transport->count(StudyReportClient::path), 2);
        QTest::qWait(50);
        QVERIFY(page.shown("summaryCard"));
        QVERIFY(!page.shown("reportFailed"));
        expectNoWarnings();
    }

    void failed() {
        Page page;
        page.answer(Reply::json(500, "{}"));
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_VERIFY(page.shown("reportFailed"));
        const QStringList texts = textsBelow(page.shown("reportFailed"));
        QCOMPARE(texts.value(0), QStringLiteral("报告暂时打不开"));
        QCOMPARE(texts.value(1), ApiError::badServerResponse().message());
        QVERIFY(!page.shown("studyReportList"));
        shoot(page, QStringLiteral("study-report-failed"));
        expectNoWarnings();
    }

    // The page goes away while its request runs: the late answer finds nothing to write into.
    void closedMidLoad() {
        Page page;
        page.answer(Reply::json(200, Fixtures::json("home/study-report.json")).after(40));
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_COMPARE(page.platform.transport->count(StudyReportClient::path), 1);
        page.view.reset();
        QTest::qWait(120);
        expectNoWarnings();
    }
};

QTEST_MAIN(TestStudyReportView)
#include "tst_studyreportview.moc"
