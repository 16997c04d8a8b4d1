// The first-run questionnaire: where each step leads (the start step that names one of the flow's own pages
// and step names that cannot be sent included), the exact requests of each step, failures, skipping it all,
// what each step shows, and the flow loaded offscreen as the gate declares it, with a picture of each page.
#include "AppFonts.h"
#include "AppSession.h"
#include "Await.h"
#include "OnboardingFlowViewModel.h"
#include "QmlHarness.h"
#include "Symbols.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;
using Replies = QList<Reply>;

const QString onboarding = QStringLiteral("/api/v1/me/onboarding/");
const QString profilePath = QStringLiteral("/api/v1/me/learning-profile");
const QByteArray profileSaved = R"({"role":"student","grade":7,"filled":true})";

Reply next(const char *step) {
    return Reply::json(200, QByteArray(R"({"steps":[],"finished":false,"next_step":")") + step + "\"}");
}
const Reply noNext = Reply::json(200, R"({"steps":[{"step":"goal","status":"done"}],"finished":false})");
const Reply nullNext = Reply::json(200, R"({"steps":[],"finished":false,"next_step":null})");
const Reply done = Reply::json(200, R"({"steps":[],"finished":true,"next_step":"contract"})");
const Reply busyServer = Reply::json(503, R"({"code":"busy","message":"服务繁忙"})");

// The transport answers every request with the next reply of the script.
void script(TestPlatform &platform, Replies replies) {
    auto queue = std::make_shared<Replies>(std::move(replies));
    platform.transport->fallback = [queue](const HttpRequest &) {
        return queue->isEmpty() ? Reply::json(500, "") : queue->takeFirst();
    };
}

// "PUT <path as sent>" of every request so far.
QStringList sent(const TestPlatform &platform) {
    QStringList lines;
    for (const HttpRequest &request : platform.transport->requests)
        lines << QString::fromLatin1(request.method) + u' ' + request.url.path(QUrl::FullyEncoded);
    return lines;
}

QJsonObject bodyOf(const HttpRequest &request) {
    return QJsonDocument::fromJson(request.body).object();
}

void act(OnboardingFlowViewModel &flow, const QString &action) {
    if (action == u"start") {
        flow.startFromIntro();
    } else if (action == u"save" || action == u"skip") {
        auto task = flow.runSubmit(action == u"skip");
        Await::result(task);
    } else if (action == u"skipAll") {
        auto task = flow.runSkipAll();
        Await::result(task);
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown action ") + action));
    }
}

const QByteArray flowScene = R"(
import QtQuick
import Quorvel.Core
import Quorvel.Onboarding
Item {
    id: gate
    property AppSession session
    property string startStep: "goal"
    property int finishedCount: 0
    Loader {
        id: loader
        objectName: "flowLoader"
        anchors.fill: parent
        active: false
        sourceComponent: OnboardingFlowView {
            session: gate.session
            startStep: gate.startStep
            Component.onCompleted: open()
            onFinished: gate.finishedCount += 1
        }
    }
    property alias flow: loader.item
    property alias flowActive: loader.active
}
)";

using QmlHarness::textsBelow;

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestOnboardingFlow : public QObject {
    Q_OBJECT

    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() { m_guard.reset(); }

    // Where each action leads, what it sends, and what it leaves in the session.
    void transitions_data() {
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("startStep");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<Replies>("replies");
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("finished");
        QTest::addColumn<bool>("askedAfter");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QString>("error"); // empty: no alert
        const QStringList none;
        const QString putGoal = "PUT " + onboarding + "goal";
        const QString putProfile = "PUT " + profilePath;
        const QStringList startSave{"start", "save"};

        QTest::newRow("intro: profile not asked")
            << false << "goal" << QStringList{"start"} << Replies{} << "profile" << 0 << false << none << "";
        QTest::newRow("intro: profile asked") << true << "diagnosis" << QStringList{"start"} << Replies{}
                                              << "diagnosis" << 0 << true << none << "";
        QTest::newRow("intro: asked, start step intro")
            << true << "intro" << QStringList{"start"} << Replies{} << "goal" << 0 << true << none << "";
        QTest::newRow("intro: asked, start step profile")
            << true << "profile" << QStringList{"start"} << Replies{} << "goal" << 0 << true << none << "";
        QTest::newRow("intro: asked, no start step")
            << true << "" << QStringList{"start"} << Replies{} << "goal" << 0 << true << none << "";
        QTest::newRow("profile skipped: start step, nothing sent")
            << false << "diagnosis" << QStringList{"start", "skip"} << Replies{} << "diagnosis" << 0 << true
            << none << "";
        QTest::newRow("profile saved: start step")
            << false << "goal" << startSave << Replies{Reply::json(200, profileSaved)} << "goal" << 0 << true
            << QStringList{putProfile} << "";
        QTest::newRow("profile saved, reply not filled: still on")
            << false << "contract" << startSave << Replies{Reply::json(200, R"({"filled":false})")}
            << "contract" << 0 << true << QStringList{putProfile} << "";
        QTest::newRow("start step profile: saved -> goal")
            << false << "profile" << startSave << Replies{Reply::json(200, profileSaved)} << "goal" << 0
            << true << QStringList{putProfile} << "";
        QTest::newRow("start step profile: skipped -> goal")
            << false << "profile" << QStringList{"start", "skip"} << Replies{} << "goal" << 0 << true << none
            << "";
        QTest::newRow("start step intro: skipped -> goal") << false << "intro" << QStringList{"start", "skip"}
                                                           << Replies{} << "goal" << 0 << true << none << "";
        QTest::newRow("start step '..': contract")
            << true << ".." << QStringList{"start"} << Replies{} << "contract" << 0 << true << none << "";
        QTest::newRow("profile save fails: stays, not asked")
            << false << "goal" << startSave << Replies{busyServer} << "profile" << 0 << false
            << QStringList{putProfile} << "服务繁忙";
        QTest::newRow("reply names the next step")
            << true << "goal" << startSave << Replies{next("diagnosis")} << "diagnosis" << 0 << true
            << QStringList{putGoal} << "";
        QTest::newRow("no next step: contract") << true << "goal" << startSave << Replies{noNext}
                                                << "contract" << 0 << true << QStringList{putGoal} << "";
        QTest::newRow("null next step: contract") << true << "goal" << startSave << Replies{nullNext}
                                                  << "contract" << 0 << true << QStringList{putGoal} << "";
        QTest::newRow("empty next step: contract, never the collection")
            << true << "goal" << QStringList{"start", "save", "save"} << Replies{next(""), done} << "contract"
            << 1 << true << QStringList{putGoal, "PUT " + onboarding + "contract"} << "";
        QTest::newRow("next step '.': contract") << true << "goal" << startSave << Replies{next(".")}
                                                 << "contract" << 0 << true << QStringList{putGoal} << "";
        QTest::newRow("unknown next step kept") << true << "goal" << startSave << Replies{next("reflection")}
                                                << "reflection" << 0 << true << QStringList{putGoal} << "";
        QTest::newRow("next step percent-encoded in the path")
            << true << "goal" << QStringList{"start", "save", "save"} << Replies{next("a/b?c"), done}
            << "a/b?c" << 1 << true << QStringList{putGoal, "PUT " + onboarding + "a%2Fb%3Fc"} << "";
        QTest::newRow("finished: step kept") << true << "goal" << startSave << Replies{done} << "goal" << 1
                                             << true << QStringList{putGoal} << "";
        QTest::newRow("failure keeps the step") << true << "goal" << startSave << Replies{busyServer}
                                                << "goal" << 0 << true << QStringList{putGoal} << "服务繁忙";
        QTest::newRow("undecodable reply keeps the step")
            << true << "diagnosis" << startSave << Replies{Reply::json(200, R"({"steps":[]})")} << "diagnosis"
            << 0 << true << QStringList{"PUT " + onboarding + "diagnosis"} << "响应格式不正确";
        QTest::newRow("a second try after a failure")
            << true << "goal" << QStringList{"start", "save", "save"}
            << Replies{busyServer, next("diagnosis")} << "diagnosis" << 0 << true
            << QStringList{putGoal, putGoal} << "服务繁忙";
        const QStringList allThree{putGoal, "PUT " + onboarding + "diagnosis",
                                   "PUT " + onboarding + "contract"};
        QTest::newRow("skip all") << false << "diagnosis" << QStringList{"skipAll"}
                                  << Replies{next("diagnosis"), next("contract"), noNext} << "intro" << 1
                                  << true << allThree << "";
        QTest::newRow("skip all: second fails")
            << false << "goal" << QStringList{"skipAll"} << Replies{next("diagnosis"), busyServer} << "intro"
            << 0 << false << allThree.mid(0, 2) << "服务繁忙";
        QTest::newRow("skip all: tried again from goal")
            << false << "goal" << QStringList{"skipAll", "skipAll"}
            << Replies{busyServer, next("diagnosis"), next("contract"), done} << "intro" << 1 << true
            << QStringList{putGoal} + allThree << "服务繁忙";
    }
    void transitions() {
        QFETCH(bool, asked);
        QFETCH(QString, startStep);
        QFETCH(QStringList, actions);
        QFETCH(Replies, replies);
        QFETCH(QString, step);
        QFETCH(int, finished);
        QFETCH(bool, askedAfter);
        QFETCH(QStringList, requests);
        QFETCH(QString, error);
        TestPlatform platform;
        script(platform, replies);
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        session.setProfileAsked(asked);
        OnboardingFlowViewModel flow;
        flow.setSession(&session);
        flow.setStartStep(startStep);
        QSignalSpy finishedSpy(&flow, &OnboardingFlowViewModel::finished);
        QStringList alerts;
        connect(&flow, &OnboardingFlowViewModel::messageChanged, this, [&] {
            if (flow.alertVisible())
                alerts << flow.message();
        });
        QCOMPARE(flow.step(), QStringLiteral("intro"));

        for (const QString &action : actions) {
            act(flow, action);
            QVERIFY(!flow.busy());
            // The learner closes the alert before trying again.
            flow.dismissMessage();
        }
        QCOMPARE(flow.step(), step);
        QCOMPARE(finishedSpy.count(), finished);
        QCOMPARE(session.profileAsked(), askedAfter);
        QCOMPARE(session.onboardingDone(), false);
        QCOMPARE(sent(platform), requests);
        QCOMPARE(alerts.value(0), error);
    }

    // The exact body of each step, submitted or skipped, untouched or edited.
    void bodies_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("skip");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        const QString goalPath = onboarding + "goal";
        const QString diagnosisPath = onboarding + "diagnosis";
        const QString contractPath = onboarding + "contract";
        const QByteArray skipped = R"({"skip":true,"answers":{}})";
        QTest::newRow("goal edited: whole minutes")
            << "goal" << true << false << goalPath
            << QByteArray(R"({"skip":false,"answers":{"target":"exam_prep","weekly_minutes":187}})");
        QTest::newRow("goal skipped after edits") << "goal" << true << true << goalPath << skipped;
        QTest::newRow("diagnosis: all four at 3")
            << "diagnosis" << false << false << diagnosisPath
            << QByteArray(R"({"skip":false,"answers":{"rational_numbers":3,"algebra_basics":3,"equations":3,
                             "geometry":3}})");
        QTest::newRow("diagnosis edited: clamped, no strangers")
            << "diagnosis" << true << false << diagnosisPath
            << QByteArray(R"({"skip":false,"answers":{"rational_numbers":5,"algebra_basics":3,"equations":5,
                             "geometry":1}})");
        QTest::newRow("diagnosis skipped") << "diagnosis" << true << true << diagnosisPath << skipped;
        QTest::newRow("contract")
            << "contract" << false << false << contractPath
            << QByteArray(R"({"skip":false,"answers":{"persona":"cheerful","reminder":"standard"}})");
        QTest::newRow("contract edited")
            << "contract" << true << false << contractPath
            << QByteArray(R"({"skip":false,"answers":{"persona":"strict","reminder":"high"}})");
        QTest::newRow("contract skipped") << "contract" << true << true << contractPath << skipped;
        QTest::newRow("unknown step: contract answers")
            << "reflection" << false << false << onboarding + "reflection"
            << QByteArray(R"({"skip":false,"answers":{"persona":"cheerful","reminder":"standard"}})");
        QTest::newRow("profile: the form's body")
            << "profile" << false << false << profilePath
            << QByteArray(R"({"role":"student","grade":7,"edition":"rj","daily_minutes":30})");
        QTest::newRow("profile edited: trimmed")
            << "profile" << true << false << profilePath
            << QByteArray(R"({"role":"parent","grade":9,"edition":"bs","daily_minutes":45,"nickname":"小岚",
                             "school":"第一中学"})");
    }
    void bodies() {
        QFETCH(QString, step);
        QFETCH(bool, edited);
        QFETCH(bool, skip);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        TestPlatform platform;
        script(platform, {step == u"profile" ? Reply::json(200, profileSaved) : done});
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        session.setProfileAsked(step != u"profile");
        OnboardingFlowViewModel flow;
        flow.setSession(&session);
        flow.setStartStep(step);
        flow.startFromIntro();
        QCOMPARE(flow.step(), step);
        if (edited) {
            flow.setTarget(QStringLiteral("exam_prep"));
            flow.setWeeklyMinutes(187.9);
            flow.setScore(QStringLiteral("rational_numbers"), 5);
            flow.setScore(QStringLiteral("equations"), 9);
            flow.setScore(QStringLiteral("geometry"), 0);
            flow.setScore(QStringLiteral("fractions"), 4);
            flow.setPersona(QStringLiteral("strict"));
            flow.setReminder(QStringLiteral("high"));
            LearningProfileAnswers &profile = *flow.profile();
            profile.setRole(QStringLiteral("parent"));
            profile.setGrade(9);
            profile.setEdition(QStringLiteral("bs"));
            profile.setDailyMinutes(45.5);
            profile.setNickname(QStringLiteral(" 小岚 "));
            profile.setSchool(QStringLiteral("第一中学\n"));
        }
        act(flow, skip ? QStringLiteral("skip") : QStringLiteral("save"));
        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &request = platform.transport->requests.first();
        QCOMPARE(request.method, QByteArray("PUT"));
        QCOMPARE(request.url.path(QUrl::FullyEncoded), path);
        QCOMPARE(bodyOf(request), QJsonDocument::fromJson(body).object());
        if (step == u"profile")
            QCOMPARE(bodyOf(request), flow.profile()->requestBody());
        // Whole numbers go out without a fraction.
        QVERIFY(!request.body.contains(".0"));
    }

    // What a step shows where the rule is more than a lookup: the intro's badge without progress, the last
    // step's own label, and a step the flow does not know shown as the contract page with "下一步".
    void stepShows_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("badge");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<QString>("secondary");
        QTest::newRow("intro") << "intro" << 0 << "约 2 分钟 · 每步都可跳过"
                               << "sparkles"
                               << "欢迎来到岚帆伴"
                               << "回答几个小问题，伙伴会为你定制学习节奏。"
                               << "intro"
                               << "开始"
                               << "全部跳过，直接使用";
        QTest::newRow("goal") << "goal" << 2 << ""
                              << "scope"
                              << "学习目标"
                              << "定一个方向，伙伴按这个帮你排计划。"
                              << "goal"
                              << "下一步"
                              << "跳过这一步";
        QTest::newRow("contract") << "contract" << 4 << ""
                                  << "hand.wave.fill"
                                  << "伙伴约定"
                                  << "选一个你喜欢的陪伴方式。"
                                  << "contract"
                                  << "完成，开始学习"
                                  << "跳过这一步";
        QTest::newRow("unknown: contract with 下一步") << "reflection" << 4 << ""
                                                       << "hand.wave.fill"
                                                       << "伙伴约定"
                                                       << "选一个你喜欢的陪伴方式。"
                                                       << "contract"
                                                       << "下一步"
                                                       << "跳过这一步";
    }
    void stepShows() {
        QFETCH(QString, step);
        QFETCH(int, position);
        QFETCH(QString, badge);
        QFETCH(QString, icon);
        QFETCH(QString, title);
        QFETCH(QString, subtitle);
        QFETCH(QString, page);
        QFETCH(QString, primary);
        QFETCH(QString, secondary);
        const OnboardingFlowViewModel::Header header = OnboardingFlowViewModel::header(step);
        QCOMPARE(header.position, position);
        QCOMPARE(header.badge, badge);
        QCOMPARE(header.icon, icon);
        QCOMPARE(header.title, title);
        QCOMPARE(header.subtitle, subtitle);
        QCOMPARE(OnboardingFlowViewModel::pageKind(step), page);
        QCOMPARE(OnboardingFlowViewModel::primaryLabel(step), primary);
        QCOMPARE(OnboardingFlowViewModel::secondaryLabel(step), secondary);
        QVERIFY(Symbols::contains(icon));
    }

    // Every symbol the pages draw from the tables is one the icon font has; the intro rows are the four
    // question headers.
    void tables() {
        const OnboardingFlowViewModel flow;
        QStringList icons;
        for (const auto *table : {&flow.targets(), &flow.personas(), &flow.reminders()})
            for (const auto &option : *table)
                icons << option.icon;
        for (const auto &module : flow.moduleTable())
            icons << module.icon;
        for (const QString &icon : icons)
            QVERIFY2(Symbols::contains(icon), qPrintable(icon));
        const QVariantList rows = OnboardingFlowViewModel::introRows();
        QCOMPARE(rows.size(), 4);
        const QString steps[] = {"profile", "goal", "diagnosis", "contract"};
        for (int i = 0; i < 4; ++i) {
            const QVariantMap row = rows[i].toMap();
            QCOMPARE(row.value("number").toInt(), i + 1);
            QCOMPARE(row.value("title").toString(), OnboardingFlowViewModel::header(steps[i]).title);
            QCOMPARE(row.value("icon").toString(), OnboardingFlowViewModel::header(steps[i]).icon);
        }
        QCOMPARE(
            flow.scores(),
            (QVariantMap{{"rational_numbers", 3}, {"algebra_basics", 3}, {"equations", 3}, {"geometry", 3}}));
        QCOMPARE(flow.score(QStringLiteral("fractions")), 3);
    }

    // While a request runs, every button is ignored; the flow let go in its own finished handler, or while
    // its request runs, writes nothing afterwards.
    void busyAndLifetime() {
        TestPlatform platform;
        script(platform, {next("diagnosis").after(40)});
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        session.setProfileAsked(true);
        OnboardingFlowViewModel flow;
        flow.setSession(&session);
        flow.setStartStep(QStringLiteral("goal"));
        flow.primary(); // "开始"
        QCOMPARE(flow.step(), QStringLiteral("goal"));
        QSignalSpy busy(&flow, &OnboardingFlowViewModel::busyChanged);
        flow.primary();
        QVERIFY(flow.busy());
        flow.primary();
        flow.secondary();
        QTRY_VERIFY(!flow.busy());
        QCOMPARE(busy.count(), 2);
        QCOMPARE(platform.transport->requests.size(), 1);
        QCOMPARE(flow.step(), QStringLiteral("diagnosis"));

        // Skip-all on the intro ignores "开始" while it runs.
        OnboardingFlowViewModel intro;
        intro.setSession(&session);
        script(platform, {noNext.after(20), noNext, noNext});
        intro.secondary();
        intro.primary();
        QCOMPARE(intro.step(), QStringLiteral("intro"));
        QTRY_VERIFY(!intro.busy());

        // Let go when finished.
        script(platform, {done.after(10)});
        auto *owned = new OnboardingFlowViewModel;
        owned->setSession(&session);
        owned->setStartStep(QStringLiteral("contract"));
        owned->startFromIntro();
        QPointer<OnboardingFlowViewModel> watched(owned);
        int busyChanges = 0;
        connect(owned, &OnboardingFlowViewModel::busyChanged, this, [&] { ++busyChanges; });
        connect(owned, &OnboardingFlowViewModel::finished, this, [&] { delete owned; });
        owned->primary();
        QTRY_VERIFY(!watched);
        QTest::qWait(20);
        QCOMPARE(busyChanges, 1);

        // Let go while its request runs.
        script(platform, {busyServer.after(20)});
        auto *dropped = new OnboardingFlowViewModel;
        dropped->setSession(&session);
        dropped->setStartStep(QStringLiteral("goal"));
        dropped->startFromIntro();
        dropped->primary();
        delete dropped;
        QTest::qWait(60);
        QCOMPARE(platform.transport->requests.size(), 6);
    }

    // The flow as the gate declares it: each page with its texts and a picture, taps writing the answers,
    // Enter pressing the primary button, the error alert, and no QML warning on the way.
    void flowOnScreen() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        QmlHarness::View view(QSize(430, 900));
        m_guard->watch(view.engine());
        QVERIFY2(view.loadData(flowScene, {{"session", QVariant::fromValue(&session)}},
                               QUrl(QStringLiteral("qrc:/tests/OnboardingFlowScene.qml"))),
                 qPrintable(view.error()));
        // The gate turns the flow on once the server's overview is in, with the window long shown.
        view.root()->setProperty("flowActive", true);
        QObject *popup = nullptr;
        QTRY_VERIFY((popup = view.root()->property("flow").value<QObject *>()));
        QTRY_VERIFY(popup->property("opened").toBool());
        auto *vm = popup->property("viewModel").value<OnboardingFlowViewModel *>();
        QVERIFY(vm);
        auto *content = popup->property("contentItem").value<QQuickItem *>();
        QCOMPARE(content->width(), 430.0);
        QCOMPARE(content->height(), 900.0);

        const auto showsAll = [&](const QStringList &expected) {
            const QStringList texts = textsBelow(content);
            for (const QString &text : expected)
                if (!texts.contains(text))
                    return text;
            return QString();
        };
        const auto settle = [&](const QString &page) {
            QTRY_COMPARE(vm->pageKind(), page);
            QTest::qWait(350); // the page has slid in
        };

        settle(QStringLiteral("intro"));
        QCOMPARE(showsAll({"欢迎来到岚帆伴", "约 2 分钟 · 每步都可跳过", "接下来会问你", "基本信息",
                           "身份、年级、教材版本", "伙伴约定", "你的信息只用于学习", "开始",
                           "全部跳过，直接使用"}),
                 QString());
        QVERIFY(!QmlHarness::findItem(content, QStringLiteral("headerStepBar"), true));
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("onboarding-intro")));

        // Enter is the primary button: "开始" leads to the profile.
        QTest::keyClick(&view.window(), Qt::Key_Return);
        settle(QStringLiteral("profile"));
        QCOMPARE(showsAll({"基本信息", "1/4", "我是", "当前年级", "每天想学多久", "下一步", "跳过这一步"}),
                 QString());
        QVERIFY(!QmlHarness::findItem(content, QStringLiteral("headerBadge"), true));
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("onboarding-profile")));

        QVERIFY(view.click(QmlHarness::findItem(content, QStringLiteral("secondaryButton"), true)));
        settle(QStringLiteral("goal"));
        QVERIFY(session.profileAsked());
        QCOMPARE(showsAll({"学习目标", "2/4", "这学期你最想", "跟上课堂进度", "准备考试", "每周大概能学多久",
                           "伙伴会把时间拆到每天，不会一次排太满。"}),
                 QString());
        QVERIFY(
            QmlHarness::visibleTitled(content, "targetTile", "跟上课堂进度")->property("selected").toBool());
        QVERIFY(view.click(QmlHarness::visibleTitled(content, "targetTile", "补上落下的内容")));
        QTRY_COMPARE(vm->target(), QStringLiteral("catch_up"));
        QTRY_VERIFY(QmlHarness::visibleTitled(content, "targetTile", "补上落下的内容")
                        ->property("selected")
                        .toBool());
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("onboarding-goal")));

        platform.transport->on("PUT", onboarding + "goal", next("diagnosis"));
        QVERIFY(view.click(QmlHarness::findItem(content, QStringLiteral("primaryButton"), true)));
        settle(QStringLiteral("diagnosis"));
        QCOMPARE(showsAll({"能力自评", "3/4", "觉得自己掌握得怎么样", "点星星打分", "有理数", "几何初步",
                           "基本会了"}),
                 QString());
        const QList<QQuickItem *> dividers =
            QmlHarness::visibleNamed(content, QStringLiteral("moduleDivider"));
        QCOMPARE(dividers.size(), 3); // none under the last row
        vm->setScore(QStringLiteral("geometry"), 5);
        QTRY_VERIFY(textsBelow(content).contains(QStringLiteral("非常拿手")));
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("onboarding-diagnosis")));

        platform.transport->on("PUT", onboarding + "diagnosis", noNext);
        QVERIFY(view.click(QmlHarness::findItem(content, QStringLiteral("primaryButton"), true)));
        settle(QStringLiteral("contract"));
        QCOMPARE(showsAll({"伙伴约定", "4/4", "你喜欢的伙伴风格", "活泼鼓励型", "提醒频率", "适中", "多一点",
                           "完成，开始学习"}),
                 QString());
        QVERIFY(
            QmlHarness::visibleTitled(content, "personaTile", "活泼鼓励型")->property("selected").toBool());
        QVERIFY(QmlHarness::visibleTitled(content, "reminderTile", "适中")->property("selected").toBool());
        QVERIFY(view.click(QmlHarness::visibleTitled(content, "reminderTile", "多一点")));
        QTRY_COMPARE(vm->reminder(), QStringLiteral("high"));
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("onboarding-contract")));

        platform.transport->on("PUT", onboarding + "contract", busyServer.after(300));
        platform.transport->on("PUT", onboarding + "contract", done); // the second try
        QVERIFY(view.click(QmlHarness::findItem(content, QStringLiteral("primaryButton"), true)));
        QTRY_VERIFY(vm->busy());
        QTRY_VERIFY_WITH_TIMEOUT(vm->alertVisible(), 3000);
        QTest::qWait(200);
        QCOMPARE(showsAll({"伙伴约定"}), QString());
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("onboarding-error")));
        QTest::keyClick(&view.window(), Qt::Key_Escape); // closes the alert, never the flow
        QTRY_VERIFY(!vm->alertVisible());
        QVERIFY(popup->property("opened").toBool());

        QVERIFY(view.click(QmlHarness::findItem(content, QStringLiteral("primaryButton"), true)));
        QTRY_COMPARE(view.root()->property("finishedCount").toInt(), 1);
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }
};

QTEST_MAIN(TestOnboardingFlow)
#include "tst_onboardingflow.moc"
