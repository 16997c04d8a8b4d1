// The home tab's entries in the shell: "题库练习" opens the question bank on the home stack, and its
// "问问伙伴" pushes the companion chat there with the opening question for the chosen point.

#include "AppFonts.h"
#include "AppSession.h"
#include "QmlHarness.h"
#include "QmlModules.h"
#include "QuestionBankViewModel.h"
#include "TestPlatform.h"

#include <QQuickItem>
#include <QTest>

QVL_IMPORT_QML_MODULES()

class TestHomeEntries : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void questionBankAsksTheChat() {
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on(
            "GET", "/api/v1/knowledge/chapters",
            FakeTransport::Reply::json(
                200,
                R"({"items":[{"code":"c1","subject":"math","stage":"junior","grade":7,"name":"有理数"}]})"));
        platform.transport->on("GET", "/api/v1/knowledge/chapters/c1/points",
                               FakeTransport::Reply::json(200, R"({"items":[{"code":"k1","name":"数轴"}]})"));
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        AppSession session;
        QmlHarness::View view(QSize(430, 932));
        guard.watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("RootTabView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        QQuickItem *entry = nullptr;
        QTRY_VERIFY((entry = view.find(QStringLiteral("questionBankEntry"), true)));
        QTest::qWait(100);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("home-entries")));
        QVERIFY(view.click(entry));
        QQuickItem *stack = entry->parentItem();
        while (stack && !stack->inherits("QQuickStackView"))
            stack = stack->parentItem();
        QVERIFY(stack);
        QTRY_COMPARE(stack->property("depth").toInt(), 2);
        QQuickItem *bank = stack->property("currentItem").value<QQuickItem *>();
        auto *vm = bank->property("viewModel").value<QuestionBankViewModel *>();
        QVERIFY(vm);
        QTRY_COMPARE(vm->chapterOptions().size(), 2);
        vm->setChapterIndex(1);
        QTRY_COMPARE(vm->pointOptions().size(), 2);
        vm->setPointIndex(1);
        QQuickItem *ask = nullptr;
        QTRY_VERIFY((ask = view.find(QStringLiteral("askButton"), true)));
        QTest::qWait(300);
        QVERIFY(view.click(ask));
        QTRY_COMPARE(stack->property("depth").toInt(), 3);
        QQuickItem *chat = stack->property("currentItem").value<QQuickItem *>();
        QCOMPARE(chat->property("scene").toString(), QStringLiteral("practice"));
        QCOMPARE(chat->property("initialMessage").toString(), QStringLiteral("给我出几道「数轴」的练习题"));
        QCOMPARE(chat->property("session").value<AppSession *>(), &session);
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestHomeEntries)
#include "tst_homeentries.moc"
