// The chat screen offscreen against a scripted service: every bubble kind, the menu, both sheets and the
// confirmation dialog load without a QML warning and show what the conversation holds. With
// QVL_SCREENSHOT_DIR naming a folder it saves a picture of each.

#include "AppFonts.h"
#include "AppSession.h"
#include "CompanionChatViewModel.h"
#include "LinkRecorder.h"
#include "QmlHarness.h"
#include "RobotStore.h"
#include "TestPlatform.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QQuickItem>
#include <QSGRendererInterface>
#include <QScreen>
#include <QTest>

namespace {

const QString chatPath = QStringLiteral("/ai/v1/companion/chat:stream");

QByteArray sse(const QList<QPair<QByteArray, QByteArray>> &events) {
    QByteArray body = ": reply\n";
    for (const auto &[name, data] : events)
        body += "event: " + name + "\ndata: " + data + "\n\n";
    return body;
}

QByteArray delta(const QString &text) {
    return QJsonDocument(QJsonObject{{"text", text}}).toJson(QJsonDocument::Compact);
}

// What a picture shows: what the learner asks, in which language, how the answer comes, and what is open
// over the chat afterwards.
struct Scene {
    QString language = QStringLiteral("zh-CN");
    QStringList asks;
    QList<FakeTransport::Reply> replies;
    bool heldMidway = false;
    QString opens;          // "", "confirm", "menu", "buddy", "robot"
    QString initialMessage; // an opening question, with "qa" as the scene and "数学问答" as the title
    QStringList expected;   // object names that must be on screen
};

// A conversation of a few long turns already answered, shown in a phone-sized window, and a last question
// whose reply the test writes itself, event by event (the service holds its answer until `hold` ends).
struct LongChat {
    TestPlatform platform;
    AppSession session;
    QmlHarness::View view{QSize(430, 860)};
    CompanionChatViewModel *vm = nullptr;
    QQuickItem *list = nullptr;
    std::shared_ptr<Completion> hold = std::make_shared<Completion>();
    QUuid reply;
    QElapsedTimer clock;

    static QString paragraph() {
        return QStringLiteral(
            "先把题目里的条件一条一条列出来，再想想它们之间有什么等量关系，最后再列式计算。");
    }
    bool open(int earlierTurns) {
        clock.start();
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        for (int i = 0; i < earlierTurns; ++i)
            platform.transport->on(
                "POST", chatPath,
                FakeTransport::Reply::json(200, sse({{"delta", delta(paragraph().repeated(3))}})));
        platform.transport->on("POST", chatPath,
                               FakeTransport::Reply::json(200, sse({{"done", "{}"}})).heldAfter(0, hold));
        session.setAccessToken(QStringLiteral("tok"));
        if (!view.loadType(QStringLiteral("CompanionChatView"),
                           {{"session", QVariant::fromValue(&session)}, {"frameTime", 1000.0}}))
            return false;
        vm = view.root()->property("viewModel").value<CompanionChatViewModel *>();
        list = view.find(QStringLiteral("chatList"));
        for (int i = 0; i < earlierTurns; ++i) {
            vm->send(QStringLiteral("第 %1 题怎么想？").arg(i + 1));
            if (!QTest::qWaitFor([&] { return !vm->isStreaming(); }))
                return false;
        }
        vm->send(QStringLiteral("再讲一遍"));
        reply = vm->messages().rows().last().id();
        return list && QTest::qWaitFor([&] { return !list->property("moving").toBool(); });
    }
    // The reply grows by `pieces` pieces, each drawn before the next arrives.
    void grow(int pieces) {
        for (int i = 0; i < pieces; ++i) {
            vm->apply(CompanionEvent{CompanionEvents::Delta{paragraph()}}, reply, {});
            QTest::qWait(20);
        }
    }
    // Whether the bottom edge of the item of that name in the last row is inside the list's visible area.
    bool endInView(const QString &name) const {
        QQuickItem *row = nullptr;
        QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, row),
                                  Q_ARG(int, list->property("count").toInt() - 1));
        QQuickItem *item = row ? QmlHarness::findItem(row, name, true) : nullptr;
        if (!item)
            return false;
        const qreal bottom = item->mapToItem(list, QPointF(0, item->height())).y();
        return bottom > 0 && bottom <= list->height() + 0.5;
    }
    // Notches of the mouse wheel over the list, upwards for positive counts, then the list at rest again.
    bool wheel(int notches) {
        const QPointF at = list->mapToScene(QPointF(list->width() / 2, list->height() / 2));
        for (int i = 0; i < std::abs(notches); ++i) {
            QWheelEvent event(at, view.window().mapToGlobal(at), QPoint(),
                              QPoint(0, notches > 0 ? 120 : -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            // The list works out the wheel's speed from the events' times.
            event.setTimestamp(ulong(clock.elapsed()) + 1);
            QCoreApplication::sendEvent(&view.window(), &event);
            QTest::qWait(30);
        }
        return QTest::qWaitFor([&] { return !list->property("moving").toBool(); });
    }
};

} // namespace

Q_DECLARE_METATYPE(Scene)

class TestChatScreen : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        RobotStore::shared().setAutoSpeak(false);
    }
    void cleanup() { RobotStore::shared().setLanguage(QStringLiteral("zh-CN")); }

    void screens_data() {
        QTest::addColumn<Scene>("scene");
        using Reply = FakeTransport::Reply;
        const Reply hinted = Reply::json(
            200,
            sse({{"hint", R"({"level":1})"},
                 {"delta", delta("先想一想：x 加 3 等于 7，那么 x 比 7 小多少？试着把 3 移到等号另一边。")},
                 {"citation",
                  R"({"items":[{"index":1,"title":"一元一次方程的解法","source":"七年级上册 3.3",)"
                  R"("snippet":"移项要变号。"},{"index":2,"title":"","source":"课本 P83"}]})"},
                 {"done", "{}"}}));
        const Reply deeper = Reply::json(
            200, sse({{"hint", R"({"level":2})"},
                      {"delta", delta("关键步骤：① 移项得 2x = 7 − 3；② 合并得 2x = 4；③ 两边除以 2。")}}));

        Scene fresh;
        fresh.expected = {"promptChip", "chatStage"};
        QTest::newRow("fresh") << fresh;

        Scene ladder;
        ladder.asks = {"解方程 2x+3=7"};
        ladder.replies = {hinted, deeper};
        ladder.opens = "unlock";
        ladder.expected = {"unlockHint"};
        QTest::newRow("hint ladder") << ladder;

        Scene confirm;
        confirm.asks = {"帮我建一条有理数的学习路径"};
        confirm.replies = {Reply::json(
            200,
            sse({{"delta", delta("好的，我可以为你创建“有理数”这一章的学习路径。")},
                 {"confirm",
                  R"({"skill":"path.create","title":"创建学习路径","args":{"chapter_id":"math-g7a-c1"}})"}}))};
        confirm.opens = "confirm";
        confirm.expected = {"viewConfirm"};
        QTest::newRow("confirm card and dialog") << confirm;

        Scene crisis;
        crisis.asks = {"我真的不想活了"};
        crisis.replies = {Reply::json(
            200,
            sse({{"crisis",
                  R"({"text":"你现在的感受很重要。如果你有伤害自己的念头，请马上联系信任的大人，或拨打下面的热线。",)"
                  R"("hotlines":[{"name":"全国心理援助热线","number":"12356"},)"
                  R"({"name":"希望24热线","number":"400 161 9995"}]})"},
                 {"delta", delta("我一直在这里陪你。")},
                 {"error", R"({"message":"模型繁忙，请稍后再试"})"}}))};
        QTest::newRow("crisis card and an error") << crisis;

        Scene english;
        english.language = QStringLiteral("en-US");
        english.asks = {"How do I solve 2x + 3 = 7?"};
        english.replies = {
            Reply::json(200, sse({{"delta", delta("Let's start by moving 3 to the other side")},
                                  {"delta", delta(" of the equals sign…")}}))};
        english.heldMidway = true;
        QTest::newRow("English mid-stream") << english;

        Scene thinking;
        thinking.asks = {"等一下"};
        thinking.replies = {Reply::json(200, sse({{"delta", delta("好")}}))};
        thinking.heldMidway = true; // held before the first event: the bubble shows the typing dots
        QTest::newRow("typing") << thinking;

        Scene opening;
        opening.initialMessage = QStringLiteral("分数的加减法怎么学？");
        opening.replies = {Reply::json(200, sse({{"delta", delta("先从通分开始：把分母变成一样的。")}}))};
        opening.expected = {"chatList"};
        QTest::newRow("opening question") << opening;

        Scene menu;
        menu.opens = "menu";

        QTest::newRow("menu") << menu;

        Scene buddy;
        buddy.opens = "buddy";
        QTest::newRow("buddy settings") << buddy;

        Scene robot;
        robot.opens = "robot";
        QTest::newRow("robot settings") << robot;
    }
    void screens() {
        QFETCH(Scene, scene);
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        RobotStore::shared().setLanguage(scene.language);
        auto hold = std::make_shared<Completion>();
        for (qsizetype i = 0; i < scene.replies.size(); ++i) {
            const bool held = scene.heldMidway && i == scene.replies.size() - 1;
            const int heldAfter = scene.replies[i].body.count('\n') > 4 ? 4 : 0;
            platform.transport->on(
                "POST", chatPath,
                held ? scene.replies[i].heldAfter(
                           QTest::currentDataTag() == QByteArray("typing") ? 0 : heldAfter, hold)
                     : scene.replies[i]);
        }
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        QmlHarness::View view(QSize(430, 860));
        guard.watch(view.engine());
        QVariantMap properties{{"session", QVariant::fromValue(&session)}, {"frameTime", 1000.0}};
        if (!scene.initialMessage.isEmpty()) {
            properties.insert("scene", "qa");
            properties.insert("initialMessage", scene.initialMessage);
            properties.insert("subject", "math");
            properties.insert("navigationTitle", QStringLiteral("数学问答"));
        }
        QVERIFY2(view.loadType(QStringLiteral("CompanionChatView"), properties), qPrintable(view.error()));
        auto *vm = view.root()->property("viewModel").value<CompanionChatViewModel *>();
        QVERIFY(vm);
        for (const QString &ask : scene.asks) {
            vm->setInput(ask);
            QVERIFY(view.click(QStringLiteral("sendButton")));
            if (!scene.heldMidway)
                QTRY_VERIFY(!vm->isStreaming());
        }
        if (scene.heldMidway)
            QTest::qWait(100);
        if (!scene.initialMessage.isEmpty()) {
            // Sent once the screen is shown, and the window carries the title it was opened with.
            QTRY_COMPARE(platform.transport->count(chatPath), 1);
            QTRY_VERIFY(!vm->isStreaming());
            QCOMPARE(vm->messages().rows().size(), 3);
            QCOMPARE(view.window().title(), QStringLiteral("数学问答"));
            QCOMPARE(vm->displayName(), RobotStore::builtInCatalog().robot("companion")->name);
        }
        // The chat list makes the card of the last answer on its next layout, after the stream has ended.
        if (scene.opens == u"unlock") {
            QTRY_VERIFY(view.find(QStringLiteral("unlockHint"), true));
            QVERIFY(view.click(view.find(QStringLiteral("unlockHint"), true)));
            QTRY_VERIFY(!vm->isStreaming());
        } else if (scene.opens == u"confirm") {
            QTRY_VERIFY(view.find(QStringLiteral("viewConfirm"), true));
            QVERIFY(view.click(view.find(QStringLiteral("viewConfirm"), true)));
            QTRY_VERIFY(vm->confirmPending());
        } else if (scene.opens == u"menu") {
            QVERIFY(view.click(QStringLiteral("chatMenuButton")));
        } else if (scene.opens == u"buddy") {
            vm->setShowSettings(true);
        } else if (scene.opens == u"robot") {
            vm->setShowRobotSettings(true);
        }
        QTest::qWait(400);
        for (const QString &name : scene.expected)
            QVERIFY2(view.find(name, true), qPrintable(name));
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("chat-") + QTest::currentDataTag()));
        hold->finish();
        QTRY_VERIFY(!vm->isStreaming());
        QCOMPARE(guard.warnings(), QStringList());
    }

    // The list keeps its end in view while the last entry grows: a reply streaming in, a card arriving under
    // it, the hint button once the reply is complete. A learner who scrolled up to read is left there.
    void keepsTheNewestInView_data() {
        QTest::addColumn<QString>("grows");
        QTest::newRow("streaming reply") << "stream";
        QTest::newRow("card under the reply") << "card";
        QTest::newRow("hint button after the reply") << "hint";
        QTest::newRow("learner scrolled up") << "scrolled up";
    }
    void keepsTheNewestInView() {
        QFETCH(QString, grows);
        QmlHarness::WarningGuard guard;
        LongChat chat;
        guard.watch(chat.view.engine());
        QVERIFY2(chat.open(3), qPrintable(chat.view.error()));
        if (grows == u"hint")
            chat.vm->apply(CompanionEvent{CompanionEvents::Hint{1, 3, {}}}, chat.reply,
                           QStringLiteral("再讲一遍"));
        chat.grow(12);
        qreal readingAt = 0;
        if (grows == u"scrolled up") {
            QVERIFY(chat.wheel(4));
            readingAt = chat.list->property("contentY").toReal();
            chat.grow(6);
            QCOMPARE(chat.list->property("contentY").toReal(), readingAt);
        } else if (grows == u"card") {
            chat.vm->apply(CompanionEvent{CompanionEvents::Confirm{
                               QStringLiteral("path.create"),
                               QStringLiteral("创建学习路径"),
                               {{QStringLiteral("chapter_id"), QStringLiteral("有理数")}}}},
                           chat.reply, {});
            chat.grow(2);
        }
        chat.hold->finish();
        QTRY_VERIFY(!chat.vm->isStreaming());
        QTest::qWait(100);
        const QString last = grows == u"card"   ? "viewConfirm"
                             : grows == u"hint" ? "unlockHint"
                                                : "bubbleText";
        if (grows == u"scrolled up") {
            QCOMPARE(chat.list->property("contentY").toReal(), readingAt);
            QVERIFY(!chat.endInView(last));
        } else {
            QTRY_VERIFY2(chat.endInView(last), qPrintable(last));
        }
        QVERIFY(QmlHarness::saveScreenshot(chat.view.window(),
                                           QStringLiteral("chat-follows-") + QTest::currentDataTag()));
        QCOMPARE(guard.warnings(), QStringList());
    }

    // Scrolling the list on the software renderer paints only inside the list: all the way down, the title
    // bar, the robot stage and the composer keep their pixels.
    void scrolledListPaintsOnlyInside() {
        LongChat chat;
        QVERIFY2(chat.open(4), qPrintable(chat.view.error()));
        if (chat.view.window().rendererInterface()->graphicsApi() != QSGRendererInterface::Software)
            QSKIP("only the software renderer paints part of a window");
        chat.hold->finish();
        QTRY_VERIFY(!chat.vm->isStreaming());
        QQuickWindow &window = chat.view.window();
        const QRectF listArea =
            chat.list->mapRectToScene(QRectF(0, 0, chat.list->width(), chat.list->height()));
        const int top = int(std::floor(listArea.top()));
        const int bottom = int(std::ceil(listArea.bottom()));
        const auto above = [&](const QImage &image) { return image.copy(0, 0, image.width(), top); };
        const auto below = [&](const QImage &image) {
            return image.copy(0, bottom, image.width(), image.height() - bottom);
        };
        // What the window holds now, painted piece by piece as the list moved.
        const auto held = [&] { return window.screen()->grabWindow(window.winId()).toImage(); };

        for (int i = 0; i < 60 && !chat.list->property("atYBeginning").toBool(); ++i)
            QVERIFY(chat.wheel(3));
        QTest::qWait(50);
        const QImage start = held();
        // Down the whole conversation a notch at a time: the first rows pass under the stage on the way.
        for (int notch = 0; notch < 80 && !chat.list->property("atYEnd").toBool(); ++notch) {
            QVERIFY(chat.wheel(-1));
            QTest::qWait(20);
            const QImage now = held();
            QVERIFY2(above(now) == above(start),
                     qPrintable(QStringLiteral("title bar or stage, notch %1").arg(notch)));
            QVERIFY2(below(now) == below(start), qPrintable(QStringLiteral("composer, notch %1").arg(notch)));
        }
        QVERIFY(chat.list->property("atYEnd").toBool());
        QVERIFY(QmlHarness::saveScreenshot(window, QStringLiteral("chat-scrolled")));
    }

    // A click on a help line of a crisis card hands its number to the dialler, spaces left out.
    void crisisLinesDial() {
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        platform.transport->on("POST", chatPath,
                               FakeTransport::Reply::json(
                                   200, sse({{"crisis", R"({"text":"请马上联系信任的大人。","hotlines":[)"
                                                        R"({"name":"全国心理援助热线","number":"12356"},)"
                                                        R"({"name":"希望24热线","number":"400 161 9995"}]})"},
                                             {"done", "{}"}})));
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        QmlHarness::View view(QSize(430, 860));
        guard.watch(view.engine());
        QVERIFY2(
            view.loadType(QStringLiteral("CompanionChatView"), {{"session", QVariant::fromValue(&session)}}),
            qPrintable(view.error()));
        auto *vm = view.root()->property("viewModel").value<CompanionChatViewModel *>();
        vm->send(QStringLiteral("我真的不想活了"));
        QTRY_VERIFY(!vm->isStreaming());
        QList<QQuickItem *> lines;
        QTRY_COMPARE((lines = QmlHarness::visibleNamed(view.root(), QStringLiteral("crisisLine"))).size(), 2);
        LinkRecorder links;
        for (QQuickItem *line : lines)
            QVERIFY(view.click(line));
        QCOMPARE(links.opened,
                 (QList<QUrl>{QUrl(QStringLiteral("tel:12356")), QUrl(QStringLiteral("tel:4001619995"))}));
        QCOMPARE(guard.warnings(), QStringList());
    }

    // One answer growing to 20 000 characters over 4 000 deltas, each drawn before the next arrives.
    void bubbleGrowth() {
        TestPlatform platform;
        auto hold = std::make_shared<Completion>();
        platform.transport->on("POST", chatPath,
                               FakeTransport::Reply::json(200, sse({{"done", "{}"}})).heldAfter(0, hold));
        AppSession session;
        QmlHarness::View view(QSize(430, 860));
        QVERIFY2(
            view.loadType(QStringLiteral("CompanionChatView"), {{"session", QVariant::fromValue(&session)}}),
            qPrintable(view.error()));
        auto *vm = view.root()->property("viewModel").value<CompanionChatViewModel *>();
        vm->send(QStringLiteral("写一篇长文章"));
        const QUuid reply = vm->messages().rows().last().id();
        QElapsedTimer timer;
        constexpr int kDeltas = 4000;
        QBENCHMARK_ONCE {
            timer.start();
            for (int i = 0; i < kDeltas; ++i) {
                vm->apply(CompanionEvent{CompanionEvents::Delta{QStringLiteral("学习很快乐")}}, reply, {});
                view.window().update();
                QCoreApplication::processEvents(); // the frame of this delta is laid out and drawn
            }
        }
        qInfo("%d deltas to %lld characters: %.3f ms per update", kDeltas,
              qint64(vm->messages().rows().last().text().size()), double(timer.elapsed()) / kDeltas);
        QCOMPARE(vm->messages().rows().last().text().size(), 5 * kDeltas);
        // The bubble catches up with the last piece within a frame.
        QQuickItem *list = view.find(QStringLiteral("chatList"));
        QVERIFY(list);
        QMetaObject::invokeMethod(list, "positionViewAtEnd");
        const std::function<qsizetype(QQuickItem *)> longestShown = [&](QQuickItem *item) -> qsizetype {
            qsizetype longest =
                item->objectName() == u"bubbleText" ? item->property("text").toString().size() : 0;
            for (QQuickItem *child : item->childItems())
                longest = std::max(longest, longestShown(child));
            return longest;
        };
        QTRY_COMPARE(longestShown(list), qsizetype(5 * kDeltas));
        hold->finish();
        QTRY_VERIFY(!vm->isStreaming());
    }
};

QTEST_MAIN(TestChatScreen)
#include "tst_chatscreen.moc"
