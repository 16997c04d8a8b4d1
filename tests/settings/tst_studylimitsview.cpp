// The study-limits page as QML, offscreen against scripted answers and free of warnings: the spinner, the
// adult note, the enforced page with its stepper and period rows driven by pointer and keyboard, saving, the
// alert, and the inbox opening the page the app hands it. Saves pictures when QVL_SCREENSHOT_DIR names a
// folder.
#include "../home/InboxFixture.h"
#include "AccountAPIClient.h"
#include "AppSession.h"
#include "InboxAPIClient.h"
#include "PageSuite.h"
#include "StudyLimitsViewModel.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QQuickItem>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;
using QmlHarness::textsBelow;

const QString limitsPath = AccountAPIClient::limitsPath;

const QByteArray enforcedLimits =
    R"({"daily_minutes":60,"blocked_periods":[{"start":"22:00","end":"06:00"},{"start":"12:00","end":"13:30"}],
        "enforced":true,"editable":true,"used_minutes":35,"remaining_minutes":25,"max_daily_minutes":90})";
const QByteArray adultLimits =
    R"({"daily_minutes":60,"blocked_periods":[],"enforced":false,"editable":false,"used_minutes":0,
        "remaining_minutes":0})";

const QByteArray inboxScene = R"(
import QtQuick
import Quorvel.Home
import Quorvel.Settings
HomeInboxView {
    studyLimitsPage: Component { StudyLimitsView {} }
}
)";

} // namespace

class TestStudyLimitsView : public QmlHarness::PageSuite {
    Q_OBJECT

    struct Page : QmlHarness::SessionPage {
        Page() : SessionPage(QSize(430, 900)) {}
        bool load() { return loadType(QStringLiteral("StudyLimitsView")); }
        StudyLimitsViewModel *vm() const { return viewModel<StudyLimitsViewModel>(); }
        QStringList rowTexts() const {
            QStringList texts;
            for (QQuickItem *row : QmlHarness::visibleNamed(view->root(), QStringLiteral("periodRow")))
                texts
                    << QmlHarness::findItem(row, QStringLiteral("periodStart"))->property("text").toString() +
                           u'-' +
                           QmlHarness::findItem(row, QStringLiteral("periodEnd"))
                               ->property("text")
                               .toString();
            return texts;
        }
    };

private Q_SLOTS:
    // The spinner while the answer is out; then the adult note and nothing else.
    void adult() {
        Page page;
        page.platform.transport->on("GET", limitsPath, Reply::json(200, adultLimits).after(300));
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_VERIFY(page.shown("limitsLoading"));
        QVERIFY(!page.shown("limitsList"));
        shoot(page, QStringLiteral("study-limits-loading"));
        QTRY_VERIFY(page.shown("adultSection"));
        QVERIFY(!page.shown("limitsLoading"));
        QCOMPARE(textsBelow(page.shown("limitsList")),
                 QStringList{QStringLiteral("成年用户不限制学习时长，按自己的节奏来就好。")});
        for (const char *name : {"todaySection", "dailySection", "periodSection", "saveButton"})
            QVERIFY2(!page.shown(QString::fromLatin1(name)), name);
        shoot(page, QStringLiteral("study-limits-adult"));
        expectNoWarnings();
    }

    // The enforced page: its texts, the stepper by pointer, the rows edited by keyboard and removed by their
    // control, the add button up to four rows, and a save held in flight then refused.
    void enforced() {
        Page page;
        page.platform.transport->on("GET", limitsPath, Reply::json(200, enforcedLimits));
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_VERIFY(page.shown("todaySection"));
        const QStringList texts = textsBelow(page.shown("limitsList"));
        for (const QString &expected :
             {QStringLiteral("今日已用"), QStringLiteral("35 分钟"), QStringLiteral("今日剩余"),
              QStringLiteral("25 分钟"), QStringLiteral("每日时长"), QStringLiteral("每天 60 分钟"),
              QStringLiteral("最多 90 分钟（按年龄的默认上限），可以调低，不能调高。"),
              QStringLiteral("休息时段"), QStringLiteral("添加休息时段"),
              QStringLiteral("格式 HH:MM，最多 4 段。22:00–06:00 的夜间休息不能取消。"),
              QStringLiteral("保存")})
            QVERIFY2(texts.contains(expected), qPrintable(expected));
        QCOMPARE(page.rowTexts(), (QStringList{"22:00-06:00", "12:00-13:30"}));
        shoot(page, QStringLiteral("study-limits-enforced"));

        // "+" up to the maximum, then it is off.
        QQuickItem *plus = page.shown("incrementButton");
        for (int i = 0; i < 7; ++i)
            page.view->click(plus);
        QTRY_COMPARE(page.vm()->minutes(), 90);
        QVERIFY(!plus->isEnabled());
        QTRY_COMPARE(page.shown("minutesLabel")->property("text").toString(), QStringLiteral("每天 90 分钟"));
        QVERIFY(page.view->click(page.shown("decrementButton")));
        QTRY_COMPARE(page.vm()->minutes(), 85);

        // Typing replaces a start time, unchecked.
        QQuickItem *start =
            QmlHarness::findItem(page.shown("periodSection"), QStringLiteral("periodStart"), true);
        QVERIFY(page.view->click(start));
        QTRY_VERIFY(start->hasActiveFocus());
        QTest::keySequence(&page.view->window(), QKeySequence::SelectAll);
        for (const char key : QByteArray("25:00"))
            QTest::keyClick(&page.view->window(), key);
        QTRY_COMPARE(page.vm()->periods().first().start, QStringLiteral("25:00"));

        // Two more rows fill the list and the add button goes; removing one brings it back.
        page.view->click(page.shown("addPeriodButton"));
        QTRY_COMPARE(page.rowTexts().size(), 3);
        QVERIFY(page.view->click(page.shown("addPeriodButton")));
        QTRY_COMPARE(page.rowTexts().size(), 4);
        QTRY_VERIFY(!page.shown("addPeriodButton"));
        shoot(page, QStringLiteral("study-limits-four-periods"));
        QVERIFY(page.view->click(
            QmlHarness::visibleNamed(page.view->root(), QStringLiteral("removePeriodButton")).at(1)));
        QTRY_COMPARE(page.rowTexts(), (QStringList{"25:00-06:00", "12:00-13:00", "12:00-13:00"}));
        QTRY_VERIFY(page.shown("addPeriodButton"));

        // "保存": the spinner while the answer is out, then the server's refusal in the alert.
        page.platform.transport->on("PUT", limitsPath,
                                    Reply::json(422, R"({"message":"时间格式不正确"})").after(400));
        QVERIFY(page.view->click(page.shown("saveButton")));
        QTRY_VERIFY(page.vm()->saving());
        QVERIFY(!page.shown("saveButton")->isEnabled());
        QVERIFY(page.shown("saveButton")->property("busy").toBool());
        shoot(page, QStringLiteral("study-limits-saving"));
        QTRY_VERIFY_WITH_TIMEOUT(page.vm()->alertVisible(), 3000);
        QTRY_VERIFY(page.overlayItem("alertButton0"));
        QCOMPARE(page.vm()->message(), QStringLiteral("时间格式不正确"));
        const QJsonObject sent =
            QJsonDocument::fromJson(page.platform.transport->requestsTo(limitsPath).last().body).object();
        QCOMPARE(sent.value("daily_minutes").toInteger(), 85);
        QCOMPARE(sent.value("blocked_periods").toArray().first().toObject().value("start").toString(),
                 QStringLiteral("25:00"));
        shoot(page, QStringLiteral("study-limits-alert"));
        QVERIFY(page.view->click(page.overlayItem("alertButton0")));
        QTRY_VERIFY(!page.vm()->alertVisible());
        QCOMPARE(page.rowTexts().size(), 3); // the edits stay
        expectNoWarnings();
    }

    // A row swiped to the left shows "删除", which removes that row.
    void swipeToDelete() {
        Page page;
        page.platform.transport->on("GET", limitsPath, Reply::json(200, enforcedLimits));
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_COMPARE(page.rowTexts().size(), 2);
        QTest::qWait(200); // laid out, and far from any earlier click
        QQuickItem *row = QmlHarness::visibleNamed(page.view->root(), QStringLiteral("periodRow")).at(0);
        // From the gap beside the fields, where no field takes the press.
        const QPoint from = row->mapToScene(QPointF(row->width() - 90, row->height() / 2)).toPoint();
        QTest::mousePress(&page.view->window(), Qt::LeftButton, {}, from);
        for (int dx = 10; dx <= 150; dx += 10)
            QTest::mouseMove(&page.view->window(), from - QPoint(dx, 0), 10);
        QTest::mouseRelease(&page.view->window(), Qt::LeftButton, {}, from - QPoint(150, 0));
        QTRY_VERIFY(QmlHarness::findItem(row, QStringLiteral("swipeRemoveButton"), true));
        shoot(page, QStringLiteral("study-limits-swiped"));
        QVERIFY(page.view->click(QmlHarness::findItem(row, QStringLiteral("swipeRemoveButton"), true)));
        QTRY_COMPARE(page.rowTexts(), QStringList{"12:00-13:30"});
        expectNoWarnings();
    }

    // A failed load: the spinner stays behind the alert.
    void loadFailure() {
        Page page;
        page.platform.transport->on("GET", limitsPath, Reply::json(503, "{}"));
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_VERIFY(page.overlayItem("alertButton0"));
        QCOMPARE(page.vm()->message(), QStringLiteral("服务器响应异常"));
        QVERIFY(page.shown("limitsLoading"));
        shoot(page, QStringLiteral("study-limits-load-failed"));
        expectNoWarnings();
    }

    // The inbox's study-limits action opens the page the app handed it, with the session, and it loads.
    void openedFromTheInbox() {
        Page page;
        page.view = std::make_unique<QmlHarness::View>(QSize(900, 1000));
        page.platform.transport->on("GET", InboxAPIClient::listPath,
                                    Reply::json(200, inboxAnswer({inboxMessage(1, "safety_notice", true)})));
        page.platform.transport->on("GET", limitsPath, Reply::json(200, enforcedLimits));
        watch(page.view->engine());
        QVERIFY2(page.view->loadData(inboxScene, {{"session", QVariant::fromValue(&page.session)}},
                                     QUrl(QStringLiteral("qrc:/tests/InboxWithLimits.qml"))),
                 qPrintable(page.view->error()));
        QTRY_VERIFY(page.shown("inboxRow_1"));
        QVERIFY(page.view->click(page.shown("inboxRow_1")));
        QTRY_VERIFY(page.overlayItem("detailAction"));
        QTest::qWait(300);
        QVERIFY(page.view->click(page.overlayItem("detailAction")));
        QTRY_VERIFY(page.overlayItem("todaySection"));
        QCOMPARE(page.platform.transport->count(limitsPath), 1);
        expectNoWarnings();
    }
};

QTEST_MAIN(TestStudyLimitsView)
#include "tst_studylimitsview.moc"
