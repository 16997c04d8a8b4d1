// The inbox page as QML, offscreen against scripted answers and free of warnings: the list with its header
// and chips, a category without messages, the detail sheet and each kind's action opening its screen inside
// the sheet, and "全部已读". Saves pictures when QVL_SCREENSHOT_DIR names a folder.
#include "AppSession.h"
#include "Await.h"
#include "HomeInboxViewModel.h"
#include "InboxFixture.h"
#include "InboxKindNames.h"
#include "PageSuite.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;

using QmlHarness::textsBelow;

// A morning's inbox: the clock of the tests stands at 2026-03-01T08:05:09Z.
QList<QJsonObject> sampleInbox() {
    QJsonObject setReady = inboxMessage(3, "question_set_ready", true, "2026-02-28T20:00:00Z");
    setReady.insert("title", "「一元一次方程」练习题组已生成");
    setReady.insert("body", "根据你最近的错题，为你生成了 10 道练习题，难度循序渐进。");
    QJsonObject reminder = inboxMessage(2, "study_reminder", false, "2026-03-01T06:05:09Z");
    reminder.insert("title", "今天的学习还没开始哦");
    reminder.insert("body", "花 15 分钟完成今天的任务，保持连续学习的好习惯。");
    QJsonObject buddy = inboxMessage(4, "companion", false, "2026-03-01T08:04:30Z");
    buddy.insert("title", "伙伴想你啦");
    buddy.insert("body", "最近学得怎么样？有不会的题随时来问我。");
    QJsonObject badge = inboxMessage(5, InboxKindNames::achievement, true, "2026-02-20T09:00:00Z");
    badge.insert("title", "获得成就「坚持七天」");
    badge.insert("body", "连续学习 7 天，继续保持！");
    return {inboxMessage(1), reminder, setReady, buddy, badge};
}

} // namespace

class TestHomeInboxView : public QmlHarness::PageSuite {
    Q_OBJECT

public:
    TestHomeInboxView() : QmlHarness::PageSuite(100) {}

private:
    struct Page : QmlHarness::SessionPage {
        explicit Page(QSize size = QSize(520, 900)) : SessionPage(size) {
            platform.transport->on("POST", InboxAPIClient::readPath, Reply::json(204, {}));
            platform.transport->fallback = [this](const HttpRequest &request) {
                return request.url.path() == InboxAPIClient::listPath ? list : Reply::json(404, "{}");
            };
        }
        // What the list's GET answers from now on (until the next `answer`).
        Reply list = Reply::json(200, "[]");
        void answer(const QList<QJsonObject> &messages) { list = Reply::json(200, inboxAnswer(messages)); }
        bool load() { return loadType(QStringLiteral("HomeInboxView")); }
        HomeInboxViewModel *vm() const { return viewModel<HomeInboxViewModel>(); }
        // The sheet lives in the window's overlay.
        QQuickItem *sheetItem(const QString &name) const { return overlayItem(name); }
        QQuickItem *sheetTop() const {
            QQuickItem *stack = sheetItem(QStringLiteral("inboxDetailStack"));
            return stack ? stack->property("currentItem").value<QQuickItem *>() : nullptr;
        }
        // Waits for the sheet's and its stack's transitions (a busy stack takes no clicks).
        bool settle() {
            QTest::qWait(300);
            QQuickItem *stack = sheetItem(QStringLiteral("inboxDetailStack"));
            return !stack || QTest::qWaitFor([stack] { return !stack->property("busy").toBool(); }, 5000);
        }
    };

private Q_SLOTS:
    // The header, the chips with their unread counts and the rows; a category without messages shows its
    // empty text, whose "刷新" loads again.
    void inbox() {
        Page page;
        page.answer(sampleInbox());
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_VERIFY(page.shown("inboxRow_5"));
        QCOMPARE(textsBelow(page.shown("inboxHeader")),
                 (QStringList{"消息中心", "3 条未读", "共 5 条 · 课程、复习、活动一手掌握"}));
        QCOMPARE(textsBelow(page.shown("inboxChips")),
                 (QStringList{"全部", "3", "学习", "2", "题库", "活动", "系统", "1"}));
        QVERIFY(page.shown("markAllReadButton"));
        QCOMPARE(textsBelow(page.shown("inboxRow_1")).mid(0, 3),
                 (QStringList{"学情报告", "15 分钟前", "weekly_report 1"}));
        QVERIFY(QmlHarness::findItem(page.shown("inboxRow_1"), QStringLiteral("unreadDot"))->isVisible());
        QVERIFY(!QmlHarness::findItem(page.shown("inboxRow_3"), QStringLiteral("unreadDot"))->isVisible());
        QCOMPARE(page.shown("inboxRow_3")->property("accessibleName").toString(),
                 QStringLiteral("题组已生成，「一元一次方程」练习题组已生成"));
        QVERIFY(!page.shown("inboxEmpty") && !page.shown("inboxLoading"));
        shoot(page, QStringLiteral("inbox"));

        QVERIFY(page.view->click(page.shown("inboxChip_活动")));
        QTRY_VERIFY(!page.shown("inboxRow_1"));
        QVERIFY(page.shown("inboxRow_5")); // the achievement
        QVERIFY(page.view->click(page.shown("inboxChip_题库")));
        QTRY_VERIFY(!page.shown("inboxRow_5"));
        QVERIFY(page.shown("inboxRow_3"));
        QVERIFY(!page.shown("inboxEmpty"));

        // A list where the chip has nothing.
        page.answer({inboxMessage(1)});
        Await::result(page.vm()->runLoad());
        QVERIFY(page.view->click(page.shown("inboxChip_活动")));
        QTRY_VERIFY(page.shown("inboxEmpty"));
        QCOMPARE(textsBelow(page.shown("inboxEmpty")),
                 (QStringList{"暂无「活动」类通知", "课程就绪、复习提醒、活动公告都会出现在这里。", "刷新"}));
        QCOMPARE(textsBelow(page.shown("inboxHeader")).value(1), QStringLiteral("1 条未读"));
        shoot(page, QStringLiteral("inbox-empty-category"));
        const int loads = page.platform.transport->count(InboxAPIClient::listPath);
        QVERIFY(page.view->click(page.shown("inboxReload")));
        QTRY_COMPARE(page.platform.transport->count(InboxAPIClient::listPath), loads + 1);
        expectNoWarnings();
    }

    // A row opens the sheet and is read at once; the action opens its screen inside the sheet; "完成" closes.
    void detail() {
        Page page;
        page.answer(sampleInbox());
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_VERIFY(page.shown("inboxRow_1"));
        QVERIFY(page.view->click(page.shown("inboxRow_1")));
        QTRY_VERIFY(page.sheetItem("detailTitle"));
        QVERIFY(page.settle());
        QCOMPARE(page.sheetItem("detailTitle")->property("text").toString(),
                 QStringLiteral("weekly_report 1"));
        QCOMPARE(page.sheetItem("detailLabel")->property("text").toString(), QStringLiteral("学情报告"));
        QVERIFY(page.sheetItem("detailTime")
                    ->property("text")
                    .toString()
                    .startsWith(QStringLiteral("2026年3月1日 ")));
        QCOMPARE(page.sheetItem("detailBody")->property("readOnly").toBool(), true);
        QCOMPARE(page.sheetItem("detailBody")->property("selectByMouse").toBool(), true);
        QVERIFY(!QmlHarness::findItem(page.shown("inboxRow_1"), QStringLiteral("unreadDot"))->isVisible());
        QTRY_COMPARE(page.platform.transport->count(InboxAPIClient::readPath), 1);
        QCOMPARE(page.platform.transport->requests.last().body, QByteArray(R"({"ids":[1]})"));
        shoot(page, QStringLiteral("inbox-detail"));

        QVERIFY(page.view->click(page.sheetItem("detailAction")));
        QTRY_COMPARE(page.sheetItem("inboxDetailStack")->property("depth").toInt(), 2);
        QVERIFY(page.settle());
        QCOMPARE(page.sheetTop()->property("title").toString(), QStringLiteral("学情报告"));
        shoot(page, QStringLiteral("inbox-detail-action"));

        QVERIFY(page.view->click(page.sheetItem("sheetCloseButton")));
        QTRY_VERIFY(!page.vm()->hasSelection());
        QTRY_VERIFY(!page.sheetItem("inboxDetailStack"));
        expectNoWarnings();
    }

    // Each kind's action opens its screen in the sheet; kinds without one show no button.
    void actions_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("page"); // class name prefix or title; "" for no action
        QTest::newRow("learning") << "learning_item_ready"
                                  << "LearningHomeView";
        QTest::newRow("plan") << InboxKindNames::planUpdated << "LearningHomeView";
        QTest::newRow("activity") << "activity"
                                  << "LearningHomeView";
        QTest::newRow("wrong book") << "wrong_book_review"
                                    << "WrongBookView";
        QTest::newRow("report") << "weekly_report"
                                << "学情报告";
        QTest::newRow("set ready") << "question_set_ready"
                                   << "QuestionBankView";
        QTest::newRow("set failed") << "question_set_failed"
                                    << "QuestionBankView";
        QTest::newRow("membership") << "membership"
                                    << "会员与额度";
        QTest::newRow("companion") << "companion"
                                   << "CompanionChatView";
        QTest::newRow("safety") << "safety_notice"
                                << "学习时长";
        QTest::newRow("new feature") << "new_feature"
                                     << "PhotoMatchView";
        QTest::newRow("achievement") << InboxKindNames::achievement << "";
        QTest::newRow("version") << "version_update"
                                 << "";
        QTest::newRow("unknown") << "promo_2027"
                                 << "";
    }
    void actions() {
        QFETCH(QString, kind);
        QFETCH(QString, page);
        Page screen(QSize(900, 1000));
        screen.platform.transport->on("GET", "/api/v1/wrong-book", Reply::json(200, R"({"items":[]})"));
        screen.answer({inboxMessage(1, kind, true)});
        watch(screen.view->engine());
        QVERIFY2(screen.load(), qPrintable(screen.view->error()));
        QTRY_VERIFY(screen.shown("inboxRow_1"));
        QVERIFY(screen.view->click(screen.shown("inboxRow_1")));
        QTRY_VERIFY(screen.sheetItem("detailTitle"));
        QVERIFY(screen.settle());
        QCOMPARE(screen.platform.transport->count(InboxAPIClient::readPath), 0); // read already
        if (page.isEmpty()) {
            QVERIFY(!screen.sheetItem("detailAction"));
            expectNoWarnings();
            return;
        }
        QVERIFY(screen.view->click(screen.sheetItem("detailAction")));
        QTRY_COMPARE(screen.sheetItem("inboxDetailStack")->property("depth").toInt(), 2);
        QVERIFY(screen.settle());
        QQuickItem *top = screen.sheetTop();
        const QString className = QString::fromLatin1(top->metaObject()->className());
        QVERIFY2(className.startsWith(page) || top->property("title").toString() == page,
                 qPrintable(className));
        if (kind == QLatin1String("companion"))
            QCOMPARE(top->property("scene").toString(), QStringLiteral("home"));
        // Back from the screen to the message, inside the sheet.
        QVERIFY(screen.settle());
        QVERIFY(screen.view->click(QmlHarness::findItem(top, QStringLiteral("backButton"), true)));
        QTRY_COMPARE(screen.sheetItem("inboxDetailStack")->property("depth").toInt(), 1);
        expectNoWarnings();
    }

    // "全部已读" in the bar while anything is unread; after the answer every row and badge is read.
    void markAllRead() {
        Page page;
        page.answer(sampleInbox());
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_VERIFY(page.shown("markAllReadButton"));
        QVERIFY(page.view->click(page.shown("markAllReadButton")));
        QTRY_VERIFY(!page.shown("markAllReadButton"));
        QCOMPARE(page.platform.transport->requests.last().body, QByteArray(R"({"ids":[1,2,4]})"));
        QCOMPARE(textsBelow(page.shown("inboxHeader")).value(1), QStringLiteral("全部已读"));
        QCOMPARE(textsBelow(page.shown("inboxChips")), (QStringList{"全部", "学习", "题库", "活动", "系统"}));
        expectNoWarnings();
    }

    // A failed load: the alert over the empty list; "好" closes it.
    void failedLoad() {
        Page page;
        page.list = Reply::json(500, {});
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_VERIFY(page.sheetItem("alertButton0"));
        QVERIFY(page.shown("inboxEmpty"));
        QCOMPARE(page.vm()->message(), QStringLiteral("拉取站内信失败"));
        QVERIFY(page.view->click(page.sheetItem("alertButton0")));
        QTRY_VERIFY(!page.vm()->alertVisible());
        expectNoWarnings();
    }

    // The page goes away while its requests run: the late answers find nothing to write into.
    void closedWhileRunning() {
        Page page;
        page.list = Reply::json(200, inboxAnswer(sampleInbox())).after(40);
        watch(page.view->engine());
        QVERIFY2(page.load(), qPrintable(page.view->error()));
        QTRY_COMPARE(page.platform.transport->count(InboxAPIClient::listPath), 1);
        page.view.reset();
        QTest::qWait(120);
        expectNoWarnings();
    }
};

QTEST_MAIN(TestHomeInboxView)
#include "tst_homeinboxview.moc"
