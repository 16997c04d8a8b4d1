// The home tab as the learner meets it, offscreen against a scripted service: the server's layout at two and
// four columns, the built-in layout on a failure, the editor, and every card, tool, chip and the search
// pushing its screen on the home stack (tools recording "home_tool_click" on each showing). Saves pictures
// when QVL_SCREENSHOT_DIR names a folder.

#include "Analytics.h"
#include "AppFonts.h"
#include "AppSession.h"
#include "Destination.h"
#include "HomeLayoutStore.h"
#include "HomeSearchViewModel.h"
#include "QmlHarness.h"
#include "QuestionBankViewModel.h"
#include "TestPlatform.h"

#include <QQuickItem>
#include <QTest>

namespace {

const QByteArray serverLayout = R"({"layout":{"schemaVersion":"1.1","layoutId":"home","revision":3,
  "source":"server","slots":{"companion":{"type":"CompanionHeader","props":{"greeting":"下午好，继续加油"}},
  "grid":[{"id":"c_tools","type":"ToolDock","size":"L","props":{"title":"学习工具"}},
          {"id":"c_today","type":"TodayTasks","size":"L","props":{"title":"今日学习"}},
          {"id":"c_inbox","type":"Inbox","size":"M","props":{"title":"学习通知"}},
          {"id":"c_qa","type":"QuickQA","size":"M","props":{"title":"快速提问"}},
          {"id":"c_wrong","type":"WrongBook","size":"M","props":{"title":2.5}},
          {"id":"c_poll","type":"Poll","size":"XL"}]}}})";

QList<QQuickItem *> named(QQuickItem *root, const QString &name) {
    QList<QQuickItem *> found;
    QList<QQuickItem *> pending{root};
    while (!pending.isEmpty()) {
        QQuickItem *item = pending.takeFirst();
        if (item->objectName() == name && item->isVisible())
            found << item;
        pending = item->childItems() + pending;
    }
    return found;
}

QQuickItem *tool(QQuickItem *root, const QString &key) {
    for (QQuickItem *button : named(root, QStringLiteral("toolButton"))) {
        if (button->property("key").toString() == key)
            return button;
    }
    return nullptr;
}

// The "home_tool_click" events since `from`, as their tool keys.
QStringList toolClicks(qsizetype from) {
    QStringList keys;
    const QList<Analytics::Event> events = Analytics::shared().queuedEvents();
    for (qsizetype i = from; i < events.size(); ++i) {
        if (events[i].name == QLatin1String("home_tool_click"))
            keys << events[i].props.value(QStringLiteral("tool"));
    }
    return keys;
}

struct Home {
    QmlHarness::WarningGuard guard;
    TestPlatform platform;
    AppSession session;
    QmlHarness::View view;
    QQuickItem *stack = nullptr;
    HomeLayoutStore *store = nullptr;

    explicit Home(QSize size,
                  const FakeTransport::Reply &layout = FakeTransport::Reply::json(200, serverLayout))
        : view(size) {
        platform.transport->on("GET", "/api/v1/layouts/home", layout);
        platform.transport->on("GET", "/api/v1/wrong-book",
                               FakeTransport::Reply::json(200, R"({"items":[]})"));
        platform.transport->on("GET", "/api/v1/me/inbox", FakeTransport::Reply::json(200, "[]"));
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        guard.watch(view.engine());
    }
    bool load() {
        if (!view.loadData(QmlHarness::routedScene("HomeLayoutView"),
                           {{"session", QVariant::fromValue(&session)}}))
            return false;
        stack = view.root();
        store = stack->property("currentItem")
                    .value<QQuickItem *>()
                    ->property("store")
                    .value<HomeLayoutStore *>();
        return store != nullptr;
    }
    QQuickItem *current() const { return stack->property("currentItem").value<QQuickItem *>(); }
    int depth() const { return stack->property("depth").toInt(); }
    // Waits until no page is moving and the window has drawn what it shows.
    bool settle() {
        if (!QTest::qWaitFor([this] { return !stack->property("busy").toBool(); }, 5000))
            return false;
        QTest::qWait(60);
        return true;
    }
    // The back control of the page on top, as the learner uses it.
    bool back() {
        return settle() && view.click(QmlHarness::findItem(current(), QStringLiteral("backButton"), true));
    }
    bool click(QQuickItem *item) { return settle() && view.click(item); }
};

} // namespace

class TestHomeScreen : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    // One width constant decides the columns: just below it two, from it on four.
    void columnsFollowTheWidth_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("picture");
        QTest::newRow("phone") << 430 << 2 << "home-2-columns";
        QTest::newRow("just narrow") << 671 << 2 << QString();
        QTest::newRow("just wide") << 672 << 4 << QString();
        QTest::newRow("desktop") << 1100 << 4 << "home-4-columns";
    }
    void columnsFollowTheWidth() {
        QFETCH(int, width);
        QFETCH(int, columns);
        QFETCH(QString, picture);
        // The grid sits inside 16 points of margin on each side.
        Home home(QSize(width, 900));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QTRY_COMPARE(home.store->grid()->count(), 6);
        QQuickItem *grid = home.view.find(QStringLiteral("homeGrid"));
        QCOMPARE(grid->property("columns").toInt(), columns);
        QCOMPARE(home.view.find(QStringLiteral("companionGreeting"))->property("text").toString(),
                 QStringLiteral("下午好，继续加油"));
        // The unknown type is a dimmed tile that opens nothing; the numeric title reads 2.5.
        QQuickItem *poll = home.view.find(QStringLiteral("homeCard_c_poll"));
        QVERIFY(!poll->isEnabled());
        QCOMPARE(poll->opacity(), 0.6);
        QCOMPARE(home.store->grid()->at(4).title, QStringLiteral("2.5"));
        QVERIFY(named(grid, QStringLiteral("toolButton")).size() == 8);
        QVERIFY(!home.view.find(QStringLiteral("homeFallbackNote"), true));
        if (!picture.isEmpty()) {
            QTest::qWait(200);
            QVERIFY(QmlHarness::saveScreenshot(home.view.window(), picture));
        }
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    // The companion header is made only once the layout has a companion: while the layout is on its way (as
    // on the signed-in app's first frame) there is no hidden card with its robot behind the search.
    void companionHeaderIsMadeWithTheLayout() {
        Home home(QSize(480, 900), FakeTransport::Reply::json(200, serverLayout).after(400));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QVERIFY(!home.store->hasCompanion());
        QVERIFY(!home.view.find(QStringLiteral("companionHeader")));
        QVERIFY(home.view.find(QStringLiteral("homeSearch"), true));
        QTRY_VERIFY(home.store->hasCompanion());
        QTRY_VERIFY(home.view.find(QStringLiteral("companionHeader"), true));
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    // The page opens at its top, the companion header whole under the bar, however late the layout comes
    // and whatever the header grows to once it has come.
    void opensAtTheTop_data() {
        QTest::addColumn<int>("delay");
        QTest::newRow("at once") << 0;
        QTest::newRow("late") << 400;
    }
    void opensAtTheTop() {
        QFETCH(int, delay);
        Home home(QSize(480, 900), FakeTransport::Reply::json(200, serverLayout).after(delay));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QTRY_COMPARE(home.store->grid()->count(), 6);
        QQuickItem *header = nullptr;
        QTRY_VERIFY((header = home.view.find(QStringLiteral("companionHeader"), true)));
        QVERIFY(home.settle());
        QTest::qWait(200); // the robot and the week's chips fill in
        QQuickItem *grid = home.view.find(QStringLiteral("homeGrid"));
        QCOMPARE(grid->property("contentY").toReal(), grid->property("originY").toReal());
        QVERIFY(grid->property("atYBeginning").toBool());
        QVERIFY2(header->mapToItem(grid, QPointF(0, 0)).y() >= 16,
                 qPrintable(QString::number(header->mapToItem(grid, QPointF(0, 0)).y())));
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    // The row of hot questions scrolls within the page's column, as wide as the search row, however wide the
    // window.
    void hotQuestionsStayInTheColumn_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("phone") << 430;
        QTest::newRow("wide") << 1400;
    }
    void hotQuestionsStayInTheColumn() {
        QFETCH(int, width);
        Home home(QSize(width, 900));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QTRY_COMPARE(home.store->grid()->count(), 6);
        QVERIFY(home.settle());
        QQuickItem *row = home.view.find(QStringLiteral("keywordRow"), true);
        QQuickItem *search = home.view.find(QStringLiteral("searchRow"), true);
        QVERIFY(row && search);
        const QRectF shown = row->mapRectToScene(row->clipRect());
        const QRectF column = search->mapRectToScene(QRectF(0, 0, search->width(), search->height()));
        QVERIFY2(shown.left() >= column.left() - 0.5 && shown.right() <= column.right() + 0.5,
                 qPrintable(QStringLiteral("%1..%2 in %3..%4")
                                .arg(shown.left())
                                .arg(shown.right())
                                .arg(column.left())
                                .arg(column.right())));
        // The chips themselves start at the column's edge.
        const QQuickItem *first = home.view.find(QStringLiteral("keywordChip"), true);
        QCOMPARE(first->mapToScene(QPointF(0, 0)).x(), column.left());
    }

    // The today tile: its grey panel inside the card's corners, the picture on the panel, the panel set off
    // from the card in either scheme.
    void todayPanelHoldsItsPicture_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void todayPanelHoldsItsPicture() {
        QFETCH(bool, dark);
        Home home(QSize(1000, 900));
        home.session.setDarkMode(dark);
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QQuickItem *tile = nullptr;
        QTRY_VERIFY((tile = home.view.find(QStringLiteral("homeCard_c_today"), true)));
        QVERIFY(home.settle());
        QQuickItem *panel = QmlHarness::findItem(tile, QStringLiteral("todayPanel"));
        QQuickItem *picture = QmlHarness::findItem(tile, QStringLiteral("todayPicture"));
        QVERIFY(panel && picture);
        const auto sceneRect = [](QQuickItem *item) {
            return item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        };
        const QRectF card = sceneRect(tile);
        const QRectF inner = sceneRect(panel);
        QVERIFY2(inner.left() >= card.left() + 8 && inner.top() >= card.top() + 8 &&
                     inner.right() <= card.right() - 8 && inner.bottom() <= card.bottom() - 8,
                 "the panel stays clear of the card's rounded corners");
        QVERIFY2(inner.contains(sceneRect(picture)), "the picture lies on the panel");
        const QColor fill =
            QmlHarness::findItem(tile, QStringLiteral("homeCardFill"))->property("color").value<QColor>();
        QVERIFY(panel->property("color").value<QColor>() != fill);
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    void failureShowsTheBuiltInLayout() {
        Home home(QSize(430, 900), FakeTransport::Reply::error(TransportError::Kind::NoConnection));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QTRY_VERIFY(home.store->usedFallback());
        QVERIFY(home.view.find(QStringLiteral("homeFallbackNote"), true));
        QVERIFY(home.view.find(QStringLiteral("homeCard_c_inbox"), true));
        QVERIFY(home.view.find(QStringLiteral("homeCard_c_today"), true));
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(home.view.window(), QStringLiteral("home-fallback")));
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    // The page's menu and its alert are made when first called for, not with the page: the alert when the
    // layout could not be loaded (its button clears the message), the menu on its button, by the mouse and
    // by the keyboard, and its entries still act (editing, refused offline, brings the alert back).
    void menuAndAlertComeWhenCalledFor() {
        Home home(QSize(430, 900), FakeTransport::Reply::error(TransportError::Kind::NoConnection));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QVERIFY(!home.stack->findChild<QObject *>(QStringLiteral("homeMenu")));
        QObject *alert = nullptr;
        QTRY_VERIFY((alert = home.stack->findChild<QObject *>(QStringLiteral("homeAlert"))));
        QTRY_VERIFY(alert->property("opened").toBool());
        QCOMPARE(alert->property("message").toString(), HomeLayoutStore::fallbackMessage);
        QQuickItem *overlay = home.view.window().contentItem();
        QVERIFY(home.view.click(QmlHarness::findItem(overlay, QStringLiteral("alertButton0"), true)));
        QTRY_VERIFY(!home.store->hasErrorMessage());
        QTRY_VERIFY(!alert->property("visible").toBool());

        QVERIFY(home.click(home.view.find(QStringLiteral("homeMenuButton"), true)));
        QObject *menu = nullptr;
        QTRY_VERIFY((menu = home.stack->findChild<QObject *>(QStringLiteral("homeMenu"))));
        QTRY_VERIFY(menu->property("opened").toBool());
        QTest::keyClick(&home.view.window(), Qt::Key_Escape);
        QTRY_VERIFY(!menu->property("visible").toBool());
        QQuickItem *button = home.view.find(QStringLiteral("homeMenuButton"), true);
        button->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(&home.view.window(), Qt::Key_Space);
        QTRY_VERIFY(menu->property("opened").toBool());
        QCOMPARE(home.stack->findChild<QObject *>(QStringLiteral("homeMenu")), menu);
        QVERIFY(home.view.click(QmlHarness::findItem(overlay, QStringLiteral("editEntry"), true)));
        // Offline, editing is refused with a message: the same alert comes back with it.
        QTRY_VERIFY(alert->property("opened").toBool());
        QCOMPARE(home.stack->findChild<QObject *>(QStringLiteral("homeAlert")), alert);
        QCOMPARE(alert->property("message").toString(), HomeLayoutStore::offlineEditMessage);
        QVERIFY(!home.store->editing());
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    void editorHidesShowsAndResizes() {
        Home home(QSize(600, 900));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QTRY_COMPARE(home.store->grid()->count(), 6);
        home.store->beginEditing();
        QQuickItem *row = nullptr;
        QTRY_VERIFY((row = home.view.find(QStringLiteral("homeEditorRow_c_inbox"), true)));
        QVERIFY(!home.view.find(QStringLiteral("homeEditorHidden"), true));
        QVERIFY(home.view.click(QmlHarness::findItem(row, QStringLiteral("sizeButton"))));
        QCOMPARE(home.store->draftVisible().at(2).size, QStringLiteral("L"));
        QVERIFY(home.view.click(QmlHarness::findItem(row, QStringLiteral("hideButton"))));
        QTRY_VERIFY(home.view.find(QStringLiteral("homeEditorHiddenRow_c_inbox"), true));
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(home.view.window(), QStringLiteral("home-editor")));
        QVERIFY(home.view.click(QmlHarness::findItem(
            home.view.find(QStringLiteral("homeEditorHiddenRow_c_inbox")), QStringLiteral("showButton"))));
        QTRY_VERIFY(!home.view.find(QStringLiteral("homeEditorHidden"), true));
        QCOMPARE(home.store->draftVisible().last().id, QStringLiteral("c_inbox"));
        QVERIFY(home.view.click(QStringLiteral("homeCancelButton")));
        QTRY_VERIFY(home.view.find(QStringLiteral("homeGrid"), true));
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    // Each tool pushes its page; the event comes when the page is shown, and again on coming back to it.
    void toolsOpenTheirPages_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("page"); // a property of the pushed page that tells it apart
        QTest::newRow("photo") << "photo"
                               << "PhotoMatchView";
        QTest::newRow("plan") << "plan"
                              << "LearningHomeView";
        QTest::newRow("video") << "video"
                               << "讲解视频";
        QTest::newRow("report") << "report"
                                << "学情报告";
        QTest::newRow("wrong") << "wrong"
                               << "WrongBookView";
        QTest::newRow("bank") << "bank"
                              << "QuestionBankView";
        QTest::newRow("ask") << "ask"
                             << "CompanionChatView";
        QTest::newRow("inbox") << "inbox"
                               << "学习通知";
    }
    void toolsOpenTheirPages() {
        QFETCH(QString, key);
        QFETCH(QString, page);
        Home home(QSize(1000, 900));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QQuickItem *button = nullptr;
        QTRY_VERIFY((button = tool(home.view.root(), key)));
        const qsizetype before = Analytics::shared().queuedCount();
        QVERIFY(home.click(button));
        QTRY_COMPARE(home.depth(), 2);
        QQuickItem *shown = home.current();
        const QString className = QString::fromLatin1(shown->metaObject()->className());
        QVERIFY2(className.startsWith(page) || shown->property("title").toString() == page,
                 qPrintable(className));
        if (key == "video")
            QCOMPARE(shown->property("note").toString(),
                     QStringLiteral("会员可为知识点生成讲解视频，审核通过后可看（FR-VID）。"));
        if (key == "ask")
            QCOMPARE(shown->property("scene").toString(), QStringLiteral("home"));
        QCOMPARE(toolClicks(before), QStringList{key});

        // A page on top and back again: shown a second time.
        const QVariantMap chat{{QStringLiteral("scene"), QStringLiteral("home")},
                               {QStringLiteral("initialMessage"), QString()}};
        QVERIFY(QMetaObject::invokeMethod(home.stack, "open", Q_ARG(QVariant, int(Destination::Chat)),
                                          Q_ARG(QVariant, chat), Q_ARG(QVariant, QVariant())));
        QTRY_COMPARE(home.depth(), 3);
        QVERIFY(home.back());
        QTRY_COMPARE(home.depth(), 2);
        QCOMPARE(toolClicks(before), (QStringList{key, key}));
        // Back on the home page: nothing more.
        QVERIFY(home.back());
        QTRY_COMPARE(home.depth(), 1);
        QCOMPARE(toolClicks(before).size(), 2);
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    void cardsOpenTheirScreens_data() {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("scene");
        QTest::newRow("inbox") << "c_inbox"
                               << "HomeInboxView" << QString();
        QTest::newRow("today") << "c_today"
                               << "LearningHomeView" << QString();
        QTest::newRow("quick question") << "c_qa"
                                        << "CompanionChatView"
                                        << "companion";
        QTest::newRow("wrong book") << "c_wrong"
                                    << "WrongBookView" << QString();
        QTest::newRow("companion header") << "companionHeader"
                                          << "CompanionChatView"
                                          << "home";
    }
    void cardsOpenTheirScreens() {
        QFETCH(QString, card);
        QFETCH(QString, page);
        QFETCH(QString, scene);
        Home home(QSize(1000, 1400));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QTRY_COMPARE(home.store->grid()->count(), 6);
        const QString name = card.startsWith("c_") ? "homeCard_" + card : card;
        QQuickItem *item = nullptr;
        QTRY_VERIFY((item = home.view.find(name, true)));
        const qsizetype before = Analytics::shared().queuedCount();
        QVERIFY(home.click(item));
        QTRY_COMPARE(home.depth(), 2);
        const QString className = QString::fromLatin1(home.current()->metaObject()->className());
        QVERIFY2(className.startsWith(page), qPrintable(className));
        if (!scene.isEmpty())
            QCOMPARE(home.current()->property("scene").toString(), scene);
        if (page == "LearningHomeView") // pushed from the home, it has a way back
            QVERIFY(QmlHarness::findItem(home.current(), QStringLiteral("backButton"), true));
        QVERIFY(toolClicks(before).isEmpty()); // cards are not tools
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    // Enter in the field and a hot question both open the chat with the question; leaving it ends the search.
    void searchOpensTheChat() {
        Home home(QSize(430, 900));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QQuickItem *section = nullptr;
        QTRY_VERIFY((section = home.view.find(QStringLiteral("homeSearch"), true)));
        auto *vm = section->property("viewModel").value<HomeSearchViewModel *>();
        vm->setQuery(QStringLiteral("  勾股定理  "));
        QQuickItem *field = home.view.find(QStringLiteral("searchField"));
        field->forceActiveFocus();
        QTest::keyClick(&home.view.window(), Qt::Key_Return);
        QTRY_COMPARE(home.depth(), 2);
        QCOMPARE(home.current()->property("initialMessage").toString(), QStringLiteral("勾股定理"));
        QCOMPARE(home.current()->property("scene").toString(), QStringLiteral("home"));
        QVERIFY(home.back());
        QTRY_COMPARE(home.depth(), 1);
        QTRY_VERIFY(vm->pending().isEmpty());
        vm->tapKeyword(5);
        QTRY_COMPARE(home.depth(), 2);
        QCOMPARE(home.current()->property("initialMessage").toString(), QStringLiteral("密度公式怎么用"));
        QCOMPARE(home.guard.warnings(), QStringList());
    }

    // The question bank, opened from the dock, asks the chat about the chosen point on the same stack.
    void questionBankAsksTheChat() {
        Home home(QSize(430, 932));
        home.platform.transport->on(
            "GET", "/api/v1/knowledge/chapters",
            FakeTransport::Reply::json(
                200,
                R"({"items":[{"code":"c1","subject":"math","stage":"junior","grade":7,"name":"有理数"}]})"));
        home.platform.transport->on(
            "GET", "/api/v1/knowledge/chapters/c1/points",
            FakeTransport::Reply::json(200, R"({"items":[{"code":"k1","name":"数轴"}]})"));
        QVERIFY2(home.load(), qPrintable(home.view.error()));
        QQuickItem *bank = nullptr;
        QTRY_VERIFY((bank = tool(home.view.root(), QStringLiteral("bank"))));
        QVERIFY(home.click(bank));
        QTRY_COMPARE(home.depth(), 2);
        auto *vm = home.current()->property("viewModel").value<QuestionBankViewModel *>();
        QVERIFY(vm);
        QTRY_COMPARE(vm->chapterOptions().size(), 2);
        vm->setChapterIndex(1);
        QTRY_COMPARE(vm->pointOptions().size(), 2);
        vm->setPointIndex(1);
        QQuickItem *ask = nullptr;
        QTRY_VERIFY((ask = QmlHarness::findItem(home.current(), QStringLiteral("askButton"), true)));
        QTest::qWait(300);
        QVERIFY(home.view.click(ask));
        QTRY_COMPARE(home.depth(), 3);
        QCOMPARE(home.current()->property("scene").toString(), QStringLiteral("practice"));
        QCOMPARE(home.current()->property("initialMessage").toString(),
                 QStringLiteral("给我出几道「数轴」的练习题"));
        QCOMPARE(home.current()->property("session").value<AppSession *>(), &home.session);
        QCOMPARE(home.guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestHomeScreen)
#include "tst_homescreen.moc"
