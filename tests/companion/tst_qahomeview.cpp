// The question-and-answer tab as QML: the page with its plan card in each of its three states, free of QML
// warnings, and the shell pushing the chat for each way the tab opens it. Saves pictures of the tab when
// QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "AppSession.h"
#include "LearningPlan.h"
#include "LearningPlanCardViewModel.h"
#include "QAHomeViewModel.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickItem>
#include <QTest>

#include <algorithm>

namespace {

using Reply = FakeTransport::Reply;
using State = LearningPlanCardViewModel::State;

const QByteArray plan = R"({"path_id":7,"goal":"学完「有理数」","total":12,"completed":3,"unlocked_order":4,)"
                        R"("current":{"order":4,"kp_name":"数轴","state":"Ready"}})";

// The visible item named `name` whose `index` is `index`.
QQuickItem *delegateAt(QQuickItem *root, const QString &name, int index) {
    QList<QQuickItem *> pending{root};
    while (!pending.isEmpty()) {
        QQuickItem *item = pending.takeFirst();
        if (item->objectName() == name && item->isVisible() && item->property("index").toInt() == index)
            return item;
        pending.append(item->childItems());
    }
    return nullptr;
}

QQuickItem *ofClass(QQuickItem *item, const char *className, bool upwards) {
    QList<QQuickItem *> pending{item};
    while (!pending.isEmpty()) {
        QQuickItem *next = pending.takeFirst();
        if (next->inherits(className))
            return next;
        if (upwards && next->parentItem())
            pending.append(next->parentItem());
        else if (!upwards)
            pending.append(next->childItems());
    }
    return nullptr;
}

// Scrolls the page so that `item` is in the middle of the window, as the learner would before a tap.
void scrollTo(QmlHarness::View &view, QQuickItem *item) {
    QQuickItem *flick = view.find(QStringLiteral("qaFlickable"));
    QQuickItem *content = flick->property("contentItem").value<QQuickItem *>();
    const qreal top = item->mapToItem(content, QPointF(0, 0)).y();
    const qreal most = std::max(0.0, flick->property("contentHeight").toReal() - flick->height());
    flick->setProperty("contentY", std::clamp(top - flick->height() / 2, 0.0, most));
    QTest::qWait(50);
}

QAHomeViewModel *viewModelOf(QQuickItem *home) {
    return home ? home->property("viewModel").value<QAHomeViewModel *>() : nullptr;
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestQAHomeView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void cardStates_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<State>("state");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        QTest::newRow("loading") << Reply::json(200, plan).after(600) << State::Loading
                                 << QStringList{"planLoading"}
                                 << QStringList{"planEmpty", "planTitle", "planCount", "planCurrent"};
        QTest::newRow("empty") << Reply::json(204, {}) << State::Empty << QStringList{"planEmpty"}
                               << QStringList{"planLoading", "planTitle", "planCount", "planCurrent"};
        QTest::newRow("plan") << Reply::json(200, plan) << State::Plan
                              << QStringList{"planTitle", "planCount", "planProgress", "planCurrent"}
                              << QStringList{"planLoading", "planEmpty"};
    }
    void cardStates() {
        QFETCH(Reply, reply);
        QFETCH(State, state);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on("GET", learningPlanPath, reply);
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        QmlHarness::View view(QmlHarness::screenshotSize());
        guard.watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("QAHomeView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        QAHomeViewModel *vm = viewModelOf(view.root());
        QVERIFY(vm);
        // Coming on screen loads the plan.
        QTRY_COMPARE(platform.transport->count(learningPlanPath), 1);
        QTRY_COMPARE(vm->planCard()->state(), state);
        for (const QString &name : shown)
            QVERIFY2(view.find(name, true), qPrintable(name));
        for (const QString &name : hidden)
            QVERIFY2(!view.find(name, true), qPrintable(name));
        QCOMPARE(QmlHarness::findItem(view.root(), "subjectCell", true) != nullptr, true);
        QTest::qWait(150);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("qa-") + QTest::currentDataTag()));

        if (state == State::Plan) {
            QQuickItem *flick = view.find(QStringLiteral("qaFlickable"));
            flick->setProperty("contentY", flick->property("contentHeight").toReal() - flick->height());
            QTest::qWait(150);
            QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("qa-hot-questions")));
        }
        QTRY_VERIFY(vm->planCard()->planLoaded()); // no answer left pending past the test
        QCOMPARE(guard.warnings(), QStringList());
    }

    // The shell's 问答 tab pushes the chat with what the tapped link asks for.
    void shellPushesChat_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("scene");
        QTest::addColumn<QString>("initialMessage");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("title");
        QTest::newRow("physics cell") << "subjectCell" << 3 << "qa"
                                      << ""
                                      << "physics"
                                      << "物理问答";
        QTest::newRow("politics cell") << "subjectCell" << 8 << "qa"
                                       << ""
                                       << "politics"
                                       << "道法问答";
        QTest::newRow("second hot question") << "hotQuestionRow" << 1 << "qa"
                                             << "什么是浮力？举个生活中的例子"
                                             << "physics"
                                             << "物理问答";
        QTest::newRow("plan chip") << "planQuestionChip" << 3 << "qa_plan"
                                   << "我学到哪了"
                                   << ""
                                   << "学习计划问答";
    }
    void shellPushesChat() {
        QFETCH(QString, link);
        QFETCH(int, index);
        QFETCH(QString, scene);
        QFETCH(QString, initialMessage);
        QFETCH(QString, subject);
        QFETCH(QString, title);
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &request) {
            return request.url.path() == learningPlanPath ? Reply::json(200, plan) : Reply::json(404, {});
        };
        // The first tab's layout, so that no alert about it stands over the tab bar.
        platform.transport->on("GET", "/api/v1/layouts/home",
                               Reply::json(200, R"({"layout":{"schemaVersion":"1.1","layoutId":"home",)"
                                                R"("revision":1,"slots":{"grid":[]}}})"));
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        session.setStatus(QStringLiteral("Active"));
        QmlHarness::View view(QmlHarness::screenshotSize());
        guard.watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("RootTabView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        // The third of five tabs, in the bar along the bottom.
        QTest::mouseClick(&view.window(), Qt::LeftButton, {},
                          QPoint(view.window().width() / 2, view.window().height() - 28));
        QQuickItem *home = nullptr;
        QTRY_VERIFY((home = QmlHarness::findItem(view.root(), QStringLiteral("qaHome"), true)));
        QAHomeViewModel *vm = viewModelOf(home);
        QVERIFY(vm);
        QTRY_COMPARE(vm->planCard()->state(), State::Plan);
        QCOMPARE(platform.transport->count(learningPlanPath), 1);
        QTest::qWait(100);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("qa-tab")));

        QQuickItem *target = nullptr;
        QTRY_VERIFY((target = delegateAt(home, link, index)));
        scrollTo(view, target);
        QVERIFY(view.click(target));
        QQuickItem *stack = ofClass(home, "QQuickStackView", true);
        QVERIFY(stack);
        QTRY_COMPARE(stack->property("depth").toInt(), 2);
        QQuickItem *chat = stack->property("currentItem").value<QQuickItem *>();
        QVERIFY(chat);
        QCOMPARE(chat->property("scene").toString(), scene);
        QCOMPARE(chat->property("initialMessage").toString(), initialMessage);
        QCOMPARE(chat->property("subject").toString(), subject);
        QCOMPARE(chat->property("navigationTitle").toString(), title);
        QCOMPARE(chat->property("session").value<AppSession *>(), &session);
        // Covered by the chat once the push settles: the tab is off screen.
        QTRY_VERIFY(!home->isVisible());
        QTest::qWait(50);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("qa-chat-pushed")));

        // Back from the chat the tab is on screen again and loads the plan again.
        QQmlExpression pop(qmlContext(stack), stack, QStringLiteral("pop()"));
        pop.evaluate();
        QVERIFY(!pop.hasError());

        QTRY_COMPARE(platform.transport->count(learningPlanPath), 2);
        QTRY_VERIFY(QmlHarness::findItem(view.root(), QStringLiteral("qaHome"), true));
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestQAHomeView)
#include "tst_qahomeview.moc"
