// One learner walks the whole app against the local stand-in over the real network, each step following the
// last on one account and one session: the sign-in screen with the development code, the birth month, the
// questionnaire and the learning-profile sheet, the home tab (cards, tools, search into the chat), a streamed
// chat up its hint ladder that confirms a learning path, the learning tab with that path, a lesson completed
// and one of its exercises answered wrong, the wrong book with that entry redone, the question bank, photo
// matching on a printed picture, the inbox marked read, the study report, a purchase through the local store,
// the "我的" tab with a toggle kept across a reload, and sign-out. The screens are the app's own, in one
// window of the root view; each step asserts what the learner sees. Saves a numbered picture per step when
// QVL_SCREENSHOT_DIR names a folder.
#include "ApiClient.h"
#include "AppFonts.h"
#include "AppSession.h"
#include "Await.h"
#include "CompanionChatViewModel.h"
#include "ContrastCheck.h"
#include "DevServer.h"
#include "Fixtures.h"
#include "HomeInboxViewModel.h"
#include "HomeLayoutStore.h"
#include "HomeSearchViewModel.h"
#include "LearningContent.h"
#include "LearningHomeViewModel.h"
#include "LearningItemDetailViewModel.h"
#include "LearningProfileSheetViewModel.h"
#include "LearningStore.h"
#include "LocalAppStore.h"
#include "LocalService.h"
#include "LoginViewModel.h"
#include "MembershipPurchases.h"
#include "OnboardingAPIClient.h"
#include "OnboardingFlowViewModel.h"
#include "PhotoMatchViewModel.h"
#include "Platform.h"
#include "PracticeViewModel.h"
#include "ProfileBirthViewModel.h"
#include "PurchaseConfirmation.h"
#include "QmlHarness.h"
#include "QuestionBankViewModel.h"
#include "QuorvelApp.h"
#include "RobotStore.h"
#include "RootTabViewModel.h"
#include "StudyReportViewModel.h"
#include "TestPlatform.h"
#include "WrongBookViewModel.h"
#include "WrongItemDetailViewModel.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlExpression>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>

using QmlHarness::textsBelow;
using QmlHarness::visibleNamed;
using QmlHarness::visibleTitled;

namespace {

// A tool of the home page's dock, asked for as its button does; the router pushes its page.
bool askTool(QQuickItem *stack, const QString &key) {
    QObject *home = QmlHarness::rootPageOf(stack);
    return home && QMetaObject::invokeMethod(home, "toolRequested", Q_ARG(QString, key));
}

// Each step waits on the real network, the devserver and rendering; on a loaded machine or in the sanitized
// build they take many times longer than on an idle one.
constexpr int kWait = 30000;

const QString kPhone = QStringLiteral("13800138990");
const QString kEquation = QStringLiteral("解方程 2x+3=7");

using QmlHarness::depthOf;
using QmlHarness::topOf;

template <typename ViewModel>
ViewModel *viewModelOf(QQuickItem *page) {
    return page ? page->property("viewModel").value<ViewModel *>() : nullptr;
}

// Runs a line of QML in the scope of `item` (a StackView's pop, a page's function).
bool run(QQuickItem *item, const QString &script) {
    QQmlExpression expression(qmlContext(item), item, script);
    expression.evaluate();
    return !expression.hasError();
}

// The page whose `viewModel` is `vm` (a page's own objects sit on its content item, not on the page).
QQuickItem *pageOf(QObject *vm) {
    for (QObject *up = vm ? vm->parent() : nullptr; up; up = up->parent())
        if (up->property("viewModel").value<QObject *>() == vm)
            return qobject_cast<QQuickItem *>(up);
    return nullptr;
}

const devserver::learning::SampleQuestion *sampleQuestion(qint64 id) {
    for (const auto &chapter : devserver::learning::chapters())
        for (const auto &point : chapter.points)
            for (const auto &question : point.questions)
                if (question.id == id)
                    return &question;
    return nullptr;
}

} // namespace

class TestWalkE2E : public QObject {
    Q_OBJECT

private:
    DevServer m_server;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<NetworkTransport> m_network;
    QTemporaryDir m_storeFolder;
    std::unique_ptr<Platform::Override> m_services;
    std::unique_ptr<AppSession> m_session;
    std::unique_ptr<QmlHarness::WarningGuard> m_guard;
    // The app's window from the birth month on: the root view on the walk's session.
    std::unique_ptr<QmlHarness::View> m_app;
    // What the walk carries from one step to the next.
    qint64 m_pathId = 0;
    qint64 m_wrongQuestionId = 0;
    QString m_standardAnswer;

    const QSize m_size = QmlHarness::screenshotSize(QSize(480, 960));

    // Every step looks at its screen in the light and in the dark scheme: each text readable against what it
    // is drawn on, and a picture of each when QVL_SCREENSHOT_DIR names a folder. What is unreadable is
    // gathered, so that one run lists every such text of the walk.
    QStringList m_unreadable;
    void shoot(QQuickWindow &window, const QString &name) {
        AppSession *session = AppSession::current();
        QVERIFY(session);
        const bool wasDark = session->darkMode();
        const QPalette palette = QGuiApplication::palette();
        for (const bool dark : {false, true}) {
            session->setDarkMode(dark);
            // The window's palette follows the scheme as the app's does.
            QGuiApplication::setPalette(dark ? QuorvelApp::darkPalette() : palette);
            QTest::qWait(450); // transitions and sheets settle before the picture
            const auto findings = ContrastCheck::lowContrastTexts(window);
            if (!findings.isEmpty())
                m_unreadable << name + (dark ? QStringLiteral(" (dark)") : QStringLiteral(" (light)")) +
                                    u'\n' + ContrastCheck::describe(findings);
            if (!QmlHarness::screenshotFolder().isEmpty())
                QVERIFY(
                    QmlHarness::saveScreenshot(window, name + (dark ? QStringLiteral("-dark") : QString())));
        }
        session->setDarkMode(wasDark);
        QGuiApplication::setPalette(palette);
    }
    QQuickItem *overlay() const { return m_app->window().contentItem(); }
    QQuickItem *homeStack() const { return m_app->find(QStringLiteral("homeStack")); }
    QQuickItem *settingsStack() const { return m_app->find(QStringLiteral("settingsStack")); }
    RootTabViewModel *tabs() const { return m_app->root()->findChild<RootTabViewModel *>(); }

    // What the server holds for a preference of the settings pages, asked apart from the screens.
    QJsonValue savedPref(const QString &key) const {
        const ApiClient client(*m_session);
        auto answer =
            client.data(client.request("GET", QStringLiteral("/api/v1/layouts/settings/settings_root")));
        return QJsonDocument::fromJson(Await::result(answer).body)[QStringLiteral("prefs")][key];
    }

    // A tool of the home tab's dock opened on the home stack, its page on top once it has come in.
    QQuickItem *openTool(const QString &key) {
        QQuickItem *stack = homeStack();
        if (!askTool(stack, key))
            return nullptr;
        if (!QTest::qWaitFor([&] { return depthOf(stack) == 2 && !stack->property("busy").toBool(); }, kWait))
            return nullptr;
        return topOf(stack);
    }
    bool backHome() {
        QQuickItem *stack = homeStack();
        return run(stack, QStringLiteral("pop(null)")) &&
               QTest::qWaitFor([&] { return depthOf(stack) == 1 && !stack->property("busy").toBool(); },
                               kWait);
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_server.setNewUserStatus("PendingProfile");
        m_server.fixUsageClock(LocalService::noonInBeijing()); // the learner is a minor
        QVERIFY(m_server.start(0) > 0);
        m_platform = LocalService::platformOn(m_server);
        m_network = std::make_unique<NetworkTransport>();
        QVERIFY(m_storeFolder.isValid());
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(m_network.get(), [](Transport *) {});
        services.appStore = std::make_shared<LocalAppStore>(
            LocalAppStore::loadCatalogue(), m_storeFolder.filePath(QStringLiteral("store.json")),
            PurchaseConfirmation::shared().confirmer());
        m_services = std::make_unique<Platform::Override>(services);
        RobotStore::shared().setAutoSpeak(false);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
        m_session = std::make_unique<AppSession>();
    }

    void cleanupTestCase() {
        m_app.reset();
        m_session.reset();
        m_services.reset();
        m_network.reset();
        m_platform.reset();
        m_server.stop();
        const QStringList warnings = m_guard->take();
        m_guard.reset();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // The sign-in screen, signed out: number, consent, the code sent, the development code, in.
    void signIn() {
        QVERIFY(!m_session->isLoggedIn());
        QmlHarness::View login(m_size);
        m_guard->watch(login.engine());
        QVERIFY2(
            login.loadType(QStringLiteral("LoginView"), {{"session", QVariant::fromValue(m_session.get())}}),
            qPrintable(login.error()));
        auto *vm = viewModelOf<LoginViewModel>(login.root());
        QVERIFY(vm);
        QVERIFY(!vm->canSendCode());
        vm->setPhone(kPhone);
        vm->setAgreed(true);
        QVERIFY(vm->canSendCode());
        vm->sendCode();
        QTRY_VERIFY_WITH_TIMEOUT(vm->resendAfter() > 0, kWait);
        QVERIFY(!vm->canSendCode());
        vm->setCode(QString::fromStdString(DevServer::smsCode()));
        QVERIFY(vm->canSubmit());
        shoot(login.window(), QStringLiteral("01-login"));
        vm->login();
        QTRY_VERIFY_WITH_TIMEOUT(m_session->isLoggedIn(), kWait);
        QVERIFY2(!vm->alertVisible(), qPrintable(vm->message()));
        QCOMPARE(m_session->statusText(), QStringLiteral("PendingProfile"));
        // The keychain writes on its own queue.
        QTRY_VERIFY_WITH_TIMEOUT(m_platform->secret(QStringLiteral("qvl.access_token")), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(m_platform->secret(QStringLiteral("qvl.refresh_token")), kWait);
    }

    // A new account is asked its birth month first, once, and confirms it in a dialog.
    void birthMonth() {
        m_app = std::make_unique<QmlHarness::View>(m_size);
        m_guard->watch(m_app->engine());
        QVERIFY2(
            m_app->loadType(QStringLiteral("RootView"), {{"session", QVariant::fromValue(m_session.get())}}),
            qPrintable(m_app->error()));
        QQuickItem *page = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((page = m_app->find(QStringLiteral("profileBirthView"))), kWait);
        auto *vm = viewModelOf<ProfileBirthViewModel>(page);
        QVERIFY(vm);
        vm->setYear(2012);
        vm->setMonth(9);
        QVERIFY(m_app->click(QStringLiteral("confirmButton")));
        QTRY_VERIFY_WITH_TIMEOUT(vm->confirming(), kWait);
        QQuickItem *confirm = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (confirm = QmlHarness::findItem(overlay(), QStringLiteral("alertButton0"), true)), kWait);
        QCOMPARE(confirm->property("text").toString(), QStringLiteral("确认 2012 年 9 月"));
        shoot(m_app->window(), QStringLiteral("02-birth-month"));
        QVERIFY(m_app->click(confirm));
        QTRY_COMPARE_WITH_TIMEOUT(m_session->statusText(), QStringLiteral("Active"), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!m_app->find(QStringLiteral("profileBirthView")), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(m_app->find(QStringLiteral("tabShell")), kWait);
    }

    // Over the tab shell the questionnaire: the intro, the profile page left for the sheet, then the goal,
    // the self-assessment and the companion contract, answered; it is not offered again.
    void questionnaire() {
        OnboardingFlowViewModel *flow = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((flow = m_app->root()->findChild<OnboardingFlowViewModel *>()), kWait);
        QCOMPARE(flow->step(), QStringLiteral("intro"));
        flow->primary();
        QCOMPARE(flow->step(), QStringLiteral("profile"));
        flow->secondary(); // "以后再说": the profile is asked by its own sheet next
        QTRY_COMPARE_WITH_TIMEOUT(flow->step(), QStringLiteral("goal"), kWait);
        QCOMPARE(flow->title().isEmpty(), false);
        shoot(m_app->window(), QStringLiteral("03-questionnaire"));
        for (const char *next : {"diagnosis", "contract"}) {
            QTRY_VERIFY_WITH_TIMEOUT(!flow->busy(), kWait);
            flow->primary();
            QTRY_COMPARE_WITH_TIMEOUT(flow->step(), QString::fromLatin1(next), kWait);
            QVERIFY2(!flow->alertVisible(), qPrintable(flow->message()));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!flow->busy(), kWait);
        flow->primary();
        QTRY_VERIFY_WITH_TIMEOUT(m_session->onboardingDone(), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!m_app->root()->findChild<OnboardingFlowViewModel *>(), kWait);
        const OnboardingOverview overview = Await::result(
            OnboardingAPIClient().send("GET", OnboardingAPIClient::overviewPath, std::nullopt, *m_session));
        QVERIFY(overview.finished);
        QVERIFY(m_platform->defaults->boolValue(QStringLiteral("qvl.onboarding_done")));
    }

    // The learning-profile sheet, as the gate shows it over the tab shell: role and grade, saved.
    // The questionnaire's "以后再说" marked the profile as asked in this run, so the gate will not raise the
    // sheet itself again; the walk opens the same sheet over the same window.
    void learningProfileSheet() {
        QVERIFY(!Await::result(OnboardingAPIClient().sendLearningProfile("GET", std::nullopt, *m_session))
                     .filled);
        QQmlComponent type(&m_app->engine());
        type.setData("import QtQuick\nimport Quorvel.Onboarding\nLearningProfileSheet {}",
                     QUrl(QStringLiteral("qrc:/tests/WalkProfileSheet.qml")));
        std::unique_ptr<QObject> sheet(
            type.createWithInitialProperties({{"parent", QVariant::fromValue(m_app->root())},
                                              {"session", QVariant::fromValue(m_session.get())}}));
        QVERIFY2(sheet, qPrintable(type.errorString()));
        QVERIFY(QMetaObject::invokeMethod(sheet.get(), "open"));
        QTRY_VERIFY_WITH_TIMEOUT(sheet->property("opened").toBool(), kWait);
        auto *vm = sheet->property("viewModel").value<LearningProfileSheetViewModel *>();
        QVERIFY(vm);
        vm->answers()->setRole(QStringLiteral("student"));
        vm->answers()->setGrade(8);
        QTRY_VERIFY_WITH_TIMEOUT(visibleTitled(overlay(), QStringLiteral("roleTile"), QStringLiteral("学生")),
                                 kWait);
        shoot(m_app->window(), QStringLiteral("04-profile-sheet"));
        vm->save();
        QTRY_VERIFY_WITH_TIMEOUT(!vm->busy(), kWait);
        QVERIFY2(!vm->alertVisible(), qPrintable(vm->message()));
        const LearningProfile profile =
            Await::result(OnboardingAPIClient().sendLearningProfile("GET", std::nullopt, *m_session));
        QVERIFY(profile.filled);
        QCOMPARE(profile.role, std::optional<QString>(QStringLiteral("student")));
        QCOMPARE(profile.grade, std::optional<qint64>(8));
        QMetaObject::invokeMethod(sheet.get(), "close");
        QTRY_VERIFY_WITH_TIMEOUT(!sheet->property("visible").toBool(), kWait);
    }

    // The home tab: the server's layout with its cards and the tool dock, and a question typed into the
    // search that opens the chat.
    void home() {
        QQuickItem *stack = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((stack = homeStack()), kWait);
        auto *store = topOf(stack)->property("store").value<HomeLayoutStore *>();
        QVERIFY(store);
        QTRY_VERIFY_WITH_TIMEOUT(store->hasLayout() && !store->loading(), kWait);
        QVERIFY(!store->usedFallback());
        QVERIFY(!store->greeting().isEmpty());
        QCOMPARE(store->grid()->rowCount(), 5);
        QStringList tools;
        QTRY_VERIFY_WITH_TIMEOUT(!visibleNamed(stack, QStringLiteral("toolButton")).isEmpty(), kWait);
        for (QQuickItem *button : visibleNamed(stack, QStringLiteral("toolButton")))
            tools << button->property("key").toString();
        for (const char *tool : {"photo", "wrong", "bank", "report", "inbox"})
            QVERIFY2(tools.contains(QLatin1String(tool)), qPrintable(tool + (" in " + tools.join(u','))));
        shoot(m_app->window(), QStringLiteral("05-home"));

        auto *search = m_app->root()->findChild<HomeSearchViewModel *>();
        QVERIFY(search);
        search->setQuery(kEquation);
        search->submit(search->query(), QStringLiteral("input"));
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(stack), 2, kWait);
        QVERIFY(viewModelOf<CompanionChatViewModel>(topOf(stack)));
    }

    // The search's question streams in as the first hint, and two more are unlocked; then a learning path is
    // asked for, proposed on a card and confirmed.
    void chat() {
        QQuickItem *page = topOf(homeStack());
        auto *chat = viewModelOf<CompanionChatViewModel>(page);
        QVERIFY(chat);
        const auto last = [&] { return chat->messages().rows().last(); };
        QTRY_VERIFY_WITH_TIMEOUT(chat->messages().rows().size() == 3 && !chat->isStreaming(), kWait);
        QCOMPARE(chat->messages().at(1).text(), kEquation);
        QCOMPARE(last().hintLevel(), 1);
        QVERIFY(!last().citations().isEmpty());
        for (int level : {2, 3}) {
            QVERIFY(chat->hintUnlockOffered(last().messageId()));
            chat->unlockHint(last().messageId());
            QTRY_VERIFY_WITH_TIMEOUT(!chat->isStreaming() && last().hintLevel() == level, kWait);
        }
        QVERIFY(!chat->hintUnlockOffered(last().messageId()));
        QCOMPARE(chat->messages().at(3).text(), QStringLiteral("再给一点提示（关键步骤）"));
        shoot(m_app->window(), QStringLiteral("06-chat-hints"));

        chat->send(QStringLiteral("帮我建一条有理数的学习路径"));
        QTRY_VERIFY_WITH_TIMEOUT(!chat->isStreaming() && last().kind() == ChatMessage::Kind::Confirm, kWait);
        chat->askConfirm(last().messageId());
        QVERIFY(chat->confirmMessage().startsWith(QStringLiteral("为你创建章节 ")));
        shoot(m_app->window(), QStringLiteral("07-chat-confirm"));
        chat->performConfirm();
        QTRY_VERIFY_WITH_TIMEOUT(chat->toast().has_value(), kWait);
        QVERIFY(m_session->lastPathId());
        m_pathId = *m_session->lastPathId();
        QVERIFY(backHome());
    }

    // The learning tab shows the confirmed path, its first lesson open and the rest locked.
    void learningTab() {
        QVERIFY(tabs());
        tabs()->selectPosition(1);
        LearningHomeViewModel *vm = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((vm = m_app->root()->findChild<LearningHomeViewModel *>()), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(vm->store() && vm->store()->hasPath(), kWait);
        const LearningPathView path = *vm->store()->path();
        QCOMPARE(path.pathId, m_pathId);
        QCOMPARE(path.unlockedOrder, 1);
        QVERIFY(path.items.size() >= 3);
        QQuickItem *page = pageOf(vm);
        QVERIFY(page);
        QTRY_COMPARE_WITH_TIMEOUT(visibleNamed(page, QStringLiteral("lessonCard")).size(), path.items.size(),
                                  kWait);
        const QStringList texts = textsBelow(page);
        QVERIFY2(texts.contains(QStringLiteral("第 1 课 · ") + path.items[0].kpName),
                 qPrintable(texts.join(u'|')));
        QVERIFY(texts.contains(QStringLiteral("完成上一课后解锁")));
        shoot(m_app->window(), QStringLiteral("08-learning-tab"));
    }

    // The first lesson opened from its card, read and completed: the next one unlocks.
    void lesson() {
        LearningHomeViewModel *home = m_app->root()->findChild<LearningHomeViewModel *>();
        QQuickItem *homePage = pageOf(home);
        QVERIFY(m_app->click(visibleNamed(homePage, QStringLiteral("lessonCard")).value(0)));
        LearningItemDetailViewModel *vm = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((vm = m_app->root()->findChild<LearningItemDetailViewModel *>()), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!vm->loading(), kWait);
        QCOMPARE(vm->face(), LearningItemDetailViewModel::ContentFace);
        QCOMPARE(vm->title(), QStringLiteral("第 1 课"));
        QVERIFY(vm->hasExercises());
        QCOMPARE(vm->completionControl(), LearningItemDetailViewModel::CompleteButton);
        shoot(m_app->window(), QStringLiteral("09-lesson"));
        vm->complete();
        QTRY_VERIFY_WITH_TIMEOUT(vm->completed(), kWait);
        QCOMPARE(vm->completionControl(), LearningItemDetailViewModel::CompletedLabel);
        QCOMPARE(home->store()->path()->unlockedOrder, 2);
        QVERIFY(home->store()->path()->items[1].openable);
        // "太棒了！" holds the screen until its one button takes the learner back to the path.
        QQuickItem *back = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (back = QmlHarness::findItem(overlay(), QStringLiteral("alertButton0"), true)), kWait);
        QVERIFY(textsBelow(overlay()).contains(vm->alertTitle()));
        QVERIFY(m_app->click(back));
        QTRY_VERIFY_WITH_TIMEOUT(!m_app->root()->findChild<LearningItemDetailViewModel *>(), kWait);
    }

    // The lesson's first exercise, answered wrong: the verdict, the standard answer and its steps, and the
    // question filed in the wrong book.
    void wrongAnswer() {
        // The completed lesson opens again from its card, for its exercises.
        QQuickItem *homePage = pageOf(m_app->root()->findChild<LearningHomeViewModel *>());
        QVERIFY(m_app->click(visibleNamed(homePage, QStringLiteral("lessonCard")).value(0)));
        LearningItemDetailViewModel *lesson = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((lesson = m_app->root()->findChild<LearningItemDetailViewModel *>()), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!lesson->loading(), kWait);
        QQuickItem *lessonPage = pageOf(lesson);
        QVERIFY(lessonPage);
        QVERIFY(QMetaObject::invokeMethod(lessonPage, "openPractice", Q_ARG(QVariant, 0)));
        PracticeViewModel *vm = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((vm = m_app->root()->findChild<PracticeViewModel *>()), kWait);
        m_wrongQuestionId = vm->questionIdText().toLongLong();
        QVERIFY(m_wrongQuestionId > 0);
        // The learner taps an option the key does not accept (or, for a typed answer, gives up).
        const devserver::learning::SampleQuestion *sample = sampleQuestion(m_wrongQuestionId);
        QVERIFY(sample);
        vm->setAnswer(QStringLiteral("不会"));
        for (qsizetype i = 0; i < sample->options.size(); ++i) {
            if (!sample->accepts(sample->options[i].first)) {
                vm->choose(int(i));
                QCOMPARE(vm->answer(), sample->options[i].first);
                break;
            }
        }
        QVERIFY(vm->canSubmit());
        vm->submit();
        QTRY_VERIFY_WITH_TIMEOUT(vm->graded(), kWait);
        QVERIFY(!vm->correct());
        QVERIFY(vm->hasStandardAnswer());
        QVERIFY(!vm->steps().isEmpty());
        QCOMPARE(vm->wrongItemState(), QStringLiteral("active"));
        m_standardAnswer = vm->standardAnswer();
        shoot(m_app->window(), QStringLiteral("10-answer-wrong"));
        QVERIFY(QMetaObject::invokeMethod(lessonPage, "leave"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_app->root()->findChild<LearningItemDetailViewModel *>(), kWait);
        tabs()->selectPosition(0);
    }

    // The wrong book lists the question; its page redoes it, answered right this time.
    void wrongBook() {
        QQuickItem *page = openTool(QStringLiteral("wrong"));
        auto *book = viewModelOf<WrongBookViewModel>(page);
        QVERIFY(book);
        QTRY_VERIFY_WITH_TIMEOUT(!book->loading() && !book->items().rows().isEmpty(), kWait);
        int row = -1;
        for (qsizetype i = 0; i < book->items().rows().size(); ++i)
            if (book->items().at(i).item.questionId == m_wrongQuestionId)
                row = int(i);
        QVERIFY(row >= 0);
        QQuickItem *entry = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((entry = visibleNamed(page, QStringLiteral("wrongItemRow")).value(row)),
                                 kWait);
        shoot(m_app->window(), QStringLiteral("11-wrong-book"));

        QVERIFY(m_app->click(entry));
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(homeStack()), 3, kWait);
        QQuickItem *detailPage = topOf(homeStack());
        auto *detail = viewModelOf<WrongItemDetailViewModel>(detailPage);
        QVERIFY(detail);
        QTRY_VERIFY_WITH_TIMEOUT(detail->variantsLoaded(), kWait);
        QVERIFY(detail->canRedo());
        QVERIFY(QMetaObject::invokeMethod(detailPage, "practise", Q_ARG(QVariant, detail->redoProperties())));
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(homeStack()), 4, kWait);
        auto *redo = viewModelOf<PracticeViewModel>(topOf(homeStack()));
        QVERIFY(redo);
        QCOMPARE(redo->questionIdText().toLongLong(), m_wrongQuestionId);
        redo->setAnswer(m_standardAnswer);
        redo->submit();
        QTRY_VERIFY_WITH_TIMEOUT(redo->graded(), kWait);
        QVERIFY(redo->correct());
        QCOMPARE(redo->wrongItemState(), QStringLiteral("active"));
        QVERIFY(!redo->correctStreak().isEmpty());
        shoot(m_app->window(), QStringLiteral("12-wrong-redone"));
        QVERIFY(backHome());
    }

    // The question bank: a chapter, a point, a batch of questions.
    void questionBank() {
        auto *bank = viewModelOf<QuestionBankViewModel>(openTool(QStringLiteral("bank")));
        QVERIFY(bank);
        QTRY_VERIFY_WITH_TIMEOUT(bank->chapters().size() >= 3, kWait);
        QCOMPARE(bank->chapterOptions().value(1), QStringLiteral("有理数"));
        bank->setChapterIndex(1);
        QTRY_VERIFY_WITH_TIMEOUT(bank->points().size() >= 3, kWait);
        bank->setPointIndex(1);
        bank->pick();
        QTRY_VERIFY_WITH_TIMEOUT(!bank->loading(), kWait);
        QVERIFY2(!bank->hasError(), qPrintable(bank->errorText()));
        QVERIFY(!bank->questions().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(m_app->find(QStringLiteral("questionRow"), true), kWait);
        shoot(m_app->window(), QStringLiteral("13-question-bank"));
        QVERIFY(backHome());
    }

    // A sample question printed on paper, read on this machine and found in the bank.
    void photoMatch() {
        auto *vm = viewModelOf<PhotoMatchViewModel>(openTool(QStringLiteral("photo")));
        QVERIFY(vm);
        const auto &question = devserver::learning::chapters().at(0).points.at(0).questions.at(0);
        vm->recognizePhoto(Fixtures::printed(question.stem));
        QTRY_VERIFY_WITH_TIMEOUT(!vm->recognizing() && !vm->matching() && vm->hasResult(), 60000);
        QVERIFY2(vm->found(), qPrintable(vm->stem()));
        QCOMPARE(vm->practiceProperties().value("questionId").toLongLong(), qint64(question.id));
        QVERIFY(!vm->foundStem().isEmpty());
        shoot(m_app->window(), QStringLiteral("14-photo-match"));
        QVERIFY(backHome());
    }

    // The inbox: the new learner's notices, all marked read, on the server too.
    void inbox() {
        auto *vm = viewModelOf<HomeInboxViewModel>(openTool(QStringLiteral("inbox")));
        QVERIFY(vm);
        QTRY_VERIFY_WITH_TIMEOUT(vm->total() > 0, kWait);
        QVERIFY(vm->unreadCount() > 0);
        QCOMPARE(m_server.inboxCounts(kPhone.toStdString()).unread, vm->unreadCount());
        vm->markAllRead();
        QTRY_COMPARE_WITH_TIMEOUT(vm->unreadCount(), 0, kWait);
        QVERIFY2(!vm->alertVisible(), qPrintable(vm->message()));
        QCOMPARE(m_server.inboxCounts(kPhone.toStdString()).unread, 0);
        shoot(m_app->window(), QStringLiteral("15-inbox"));
        QVERIFY(backHome());
    }

    // The study report counts the walk's two answers, one right, and the completed lesson.
    void studyReport() {
        QQuickItem *page = openTool(QStringLiteral("report"));
        auto *vm = viewModelOf<StudyReportViewModel>(page);
        QVERIFY(vm);
        QTRY_COMPARE_WITH_TIMEOUT(vm->state(), StudyReportViewModel::Shown, kWait);
        QVERIFY2(vm->headline().startsWith(QStringLiteral("做题 2 道 · 答对 1 道")),
                 qPrintable(vm->headline()));
        QQuickItem *summary = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((summary = visibleNamed(page, QStringLiteral("summaryCard")).value(0)),
                                 kWait);
        QVERIFY2(textsBelow(summary).contains(QStringLiteral("学了 1 天 · 完成 1 节课")),
                 qPrintable(textsBelow(summary).join(u'|')));
        shoot(m_app->window(), QStringLiteral("16-study-report"));
        QVERIFY(backHome());
    }

    // The "问答" tab with its subjects and hot questions, and the "发现" tab's chat.
    void qaAndDiscoverTabs() {
        tabs()->selectPosition(2);
        QQuickItem *qa = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((qa = m_app->find(QStringLiteral("qaHome"), true)), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(visibleNamed(qa, QStringLiteral("hotQuestionRow")).size(), 6, kWait);
        shoot(m_app->window(), QStringLiteral("16a-qa-tab"));
        tabs()->selectPosition(3);
        CompanionChatViewModel *chat = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((chat = m_app->root()->findChild<CompanionChatViewModel *>()) &&
                                     pageOf(chat) && pageOf(chat)->isVisible(),
                                 kWait);
        shoot(m_app->window(), QStringLiteral("16b-discover-tab"));
        tabs()->selectPosition(0);
    }

    // "我的" → "会员中心": the free tier, a price tapped, the store's "确认购买", paid, and the new tier.
    void purchase() {
        // Tall enough for every row of the "我的" page, as a learner would scroll to them.
        m_app->resize(QmlHarness::screenshotSize(QSize(480, 1900)));
        tabs()->selectPosition(4);
        QQuickItem *stack = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((stack = settingsStack()), kWait);
        QQuickItem *row = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (row = visibleTitled(topOf(stack), QStringLiteral("settingsRow"), QStringLiteral("会员中心"))),
            kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!stack->property("busy").toBool(), kWait);
        QVERIFY(m_app->click(row));
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(stack), 2, kWait);
        QQuickItem *page = topOf(stack);
        QTRY_VERIFY_WITH_TIMEOUT(visibleNamed(page, QStringLiteral("buyButton")).size() == 4, kWait);
        QVERIFY(textsBelow(QmlHarness::findItem(page, QStringLiteral("tierRow")))
                    .contains(QStringLiteral("免费版")));
        QTRY_VERIFY_WITH_TIMEOUT(!stack->property("busy").toBool(), kWait);
        QVERIFY(m_app->click(visibleNamed(page, QStringLiteral("buyButton")).first()));
        QQuickItem *confirm = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (confirm = QmlHarness::findItem(overlay(), QStringLiteral("purchaseConfirmButton"), true)),
            kWait);
        QCOMPARE(QmlHarness::findItem(overlay(), QStringLiteral("purchasePrice"), true)
                     ->property("text")
                     .toString(),
                 QStringLiteral("¥30.00"));
        shoot(m_app->window(), QStringLiteral("17-purchase-confirm"));
        QVERIFY(m_app->click(confirm));
        QQuickItem *ok = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((ok = QmlHarness::findItem(overlay(), QStringLiteral("alertButton0"), true)),
                                 kWait);
        QVERIFY(textsBelow(overlay()).contains(MembershipPurchases::paidText));
        QTRY_VERIFY_WITH_TIMEOUT(textsBelow(QmlHarness::findItem(page, QStringLiteral("tierRow")))
                                     .contains(QStringLiteral("学习会员")),
                                 kWait);
        shoot(m_app->window(), QStringLiteral("18-membership-paid"));
        QVERIFY(m_app->click(ok));
        QTRY_VERIFY_WITH_TIMEOUT(!QmlHarness::findItem(overlay(), QStringLiteral("alertButton0"), true),
                                 kWait);
        QVERIFY(run(stack, QStringLiteral("pop()")));
        QTRY_VERIFY_WITH_TIMEOUT(depthOf(stack) == 1 && !stack->property("busy").toBool(), kWait);
    }

    // The dark-mode switch of the "我的" page: saved on the server and kept on this machine, and still on
    // after the page has loaded again.
    void settingsToggle() {
        QQuickItem *stack = settingsStack();
        const auto toggle = [&] {
            return visibleTitled(topOf(stack), QStringLiteral("settingsRow"), QStringLiteral("深色模式"));
        };
        QTRY_VERIFY_WITH_TIMEOUT(toggle(), kWait);
        QVERIFY(!m_session->darkMode());
        QVERIFY(!toggle()->property("on").toBool());
        QVERIFY(m_app->click(toggle()));
        QVERIFY(m_session->darkMode());
        QTRY_COMPARE_WITH_TIMEOUT(savedPref(QStringLiteral("pref.dark_mode")), QJsonValue(true), kWait);
        QVERIFY(m_platform->defaults->boolValue(QStringLiteral("qvl.pref.dark_mode")));

        // Away and back: the root page loads its document again and shows the switch on.
        QVERIFY(m_app->click(
            visibleTitled(topOf(stack), QStringLiteral("settingsRow"), QStringLiteral("关于岚帆伴"))));
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(stack), 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!stack->property("busy").toBool(), kWait);
        QVERIFY(run(stack, QStringLiteral("pop()")));
        QTRY_VERIFY_WITH_TIMEOUT(depthOf(stack) == 1 && !stack->property("busy").toBool(), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(toggle() && toggle()->property("on").toBool(), kWait);
        shoot(m_app->window(), QStringLiteral("19-settings"));
    }

    // "退出登录", confirmed: the session is signed out, its secrets are gone and the guest home shows.
    void signOut() {
        QQuickItem *stack = settingsStack();
        QQuickItem *row =
            visibleTitled(topOf(stack), QStringLiteral("settingsRow"), QStringLiteral("退出登录"));
        QVERIFY(row);
        QVERIFY(m_app->click(row));
        QQuickItem *confirm = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (confirm = QmlHarness::findItem(overlay(), QStringLiteral("alertButton0"), true)), kWait);
        QVERIFY(textsBelow(overlay()).contains(QStringLiteral("确定退出登录？")));
        QVERIFY(m_app->click(confirm));
        QTRY_VERIFY_WITH_TIMEOUT(!m_session->isLoggedIn(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(m_platform->secret(QStringLiteral("qvl.access_token")), std::nullopt,
                                  kWait);
        QTRY_COMPARE_WITH_TIMEOUT(m_platform->secret(QStringLiteral("qvl.refresh_token")), std::nullopt,
                                  kWait);
        QTRY_VERIFY_WITH_TIMEOUT(m_app->find(QStringLiteral("guestPage"), true), kWait);
        QVERIFY(!m_app->find(QStringLiteral("tabShell")));
        shoot(m_app->window(), QStringLiteral("20-signed-out"));
    }

    // Each screen of the walk, in either scheme, drew every text readably.
    void everyTextReadable() {
        for (const QString &screen : std::as_const(m_unreadable))
            qInfo().noquote() << screen;
        QVERIFY2(m_unreadable.isEmpty(), "unreadable texts, listed above");
    }
};

QTEST_MAIN(TestWalkE2E)
#include "tst_walk_e2e.moc"
