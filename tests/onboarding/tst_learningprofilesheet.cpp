// The learning-profile sheet and the gate that shows it: the save and its answers (a sheet let go in its own
// done handler included), "以后再说", when the gate asks and what it does with the answer, and the sheet
// loaded offscreen with its pictures.
#include "AppFonts.h"
#include "AppSession.h"
#include "Await.h"
#include "LearningProfileSheetViewModel.h"
#include "MainGateViewModel.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;

const QString profilePath = QStringLiteral("/api/v1/me/learning-profile");
const QByteArray filledProfile =
    R"({"role":"student","grade":7,"stage":"初中","edition":"rj","daily_minutes":30,
                                     "filled":true})";

QJsonObject bodyOf(const HttpRequest &request) {
    return QJsonDocument::fromJson(request.body).object();
}

const QByteArray sheetScene = R"(
import QtQuick
import Quorvel.Core
import Quorvel.Onboarding
Item {
    id: page
    property alias sheet: sheet
    property AppSession session
    LearningProfileSheet {
        id: sheet
        objectName: "sheet"
        session: page.session
    }
}
)";

using QmlHarness::textsBelow;

// The visible entry of an open region menu that reads `text`, or null.
QQuickItem *entryNamed(QQuickItem *root, const QString &text) {
    for (QQuickItem *entry : QmlHarness::visibleNamed(root, QStringLiteral("regionMenuEntry")))
        if (entry->property("text").toString() == text)
            return entry;
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestLearningProfileSheet : public QObject {
    Q_OBJECT

    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() { m_guard.reset(); }

    // "保存" sends the answers as they stand; success says done while still busy, a failure keeps the answers
    // and shows the server's message or the client's own text.
    void save_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<QString>("error"); // empty: saved
        const QJsonObject defaults{
            {"role", "student"}, {"grade", 7}, {"edition", "rj"}, {"daily_minutes", 30}};
        QTest::newRow("defaults: four keys") << Reply::json(200, filledProfile) << false << defaults << "";
        QTest::newRow("edited answers, trimmed")
            << Reply::json(200, filledProfile) << true
            << QJsonObject{{"role", "teacher"},   {"grade", 12},         {"edition", "other"},
                           {"daily_minutes", 45}, {"nickname", "小岚"},  {"province", "上海"},
                           {"city", "上海"},      {"school", "第一中学"}}
            << "";
        QTest::newRow("server message")
            << Reply::json(400, R"({"code":"bad","message":"昵称太长"})") << false << defaults << "昵称太长";
        QTest::newRow("no message: client text") << Reply::json(500, "") << false << defaults << "请求失败";
        QTest::newRow("answer without filled")
            << Reply::json(200, R"({"role":"student"})") << false << defaults << "响应格式不正确";
    }
    void save() {
        QFETCH(Reply, reply);
        QFETCH(bool, edited);
        QFETCH(QJsonObject, body);
        QFETCH(QString, error);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        platform.transport->on("PUT", profilePath, reply.after(20));
        LearningProfileSheetViewModel sheet;
        sheet.setSession(&session);
        LearningProfileAnswers &answers = *sheet.answers();
        if (edited) {
            answers.setRole(QStringLiteral("teacher"));
            answers.setGrade(12);
            answers.setEdition(QStringLiteral("other"));
            answers.setDailyMinutes(45.9);
            answers.setNickname(QStringLiteral(" 小岚\u3000"));
            answers.setProvince(QStringLiteral("上海"));
            answers.setCity(QStringLiteral("上海"));
            answers.setSchool(QStringLiteral("\n第一中学 "));
        }
        QStringList order;
        connect(&sheet, &LearningProfileSheetViewModel::done, this,
                [&] { order << QStringLiteral("done busy=%1").arg(sheet.busy()); });
        connect(&sheet, &LearningProfileSheetViewModel::busyChanged, this,
                [&] { order << QStringLiteral("busy=%1").arg(sheet.busy()); });

        sheet.save();
        sheet.save();  // a second tap while saving starts nothing
        sheet.later(); // nor does "以后再说"
        QTRY_VERIFY(!sheet.busy());
        QCOMPARE(platform.transport->count(profilePath), 1);
        QCOMPARE(bodyOf(platform.transport->requestsTo(profilePath).first()), body);
        if (error.isEmpty()) {
            QCOMPARE(order, (QStringList{"busy=1", "done busy=1", "busy=0"}));
            QVERIFY(!sheet.alertVisible());
        } else {
            QCOMPARE(order, (QStringList{"busy=1", "busy=0"}));
            QVERIFY(sheet.alertVisible());
            QCOMPARE(sheet.message(), error);
            QCOMPARE(answers.role(), edited ? QStringLiteral("teacher") : QStringLiteral("student"));
            sheet.dismissMessage();
            QVERIFY(!sheet.alertVisible());
        }
    }

    // "以后再说" asks nothing of the server.
    void laterSendsNothing() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        LearningProfileSheetViewModel sheet;
        sheet.setSession(&session);
        QSignalSpy done(&sheet, &LearningProfileSheetViewModel::done);
        sheet.later();
        QCOMPARE(done.count(), 1);
        QCOMPARE(platform.transport->requests.size(), 0);
    }

    // The presenter lets the sheet go inside its done handler: the save writes nothing afterwards.
    void sheetFreedInItsDoneHandler() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        platform.transport->on("PUT", profilePath, Reply::json(200, filledProfile).after(10));
        auto *sheet = new LearningProfileSheetViewModel;
        sheet->setSession(&session);
        QPointer<LearningProfileSheetViewModel> watched(sheet);
        int busyChanges = 0;
        connect(sheet, &LearningProfileSheetViewModel::busyChanged, this, [&] { ++busyChanges; });
        connect(sheet, &LearningProfileSheetViewModel::done, this, [&] { delete sheet; });
        sheet->save();
        QTRY_VERIFY(!watched);
        QTest::qWait(20);
        QCOMPARE(busyChanges, 1); // only the start of the save
    }

    // The gate asks only while the profile was never asked, and acts only on an answer for the same sign-in.
    void gate_data() {
        QTest::addColumn<bool>("asked");
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<bool>("signOutMeanwhile");
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("showProfile");
        QTest::addColumn<bool>("askedAfter");
        QTest::newRow("not filled: the sheet")
            << false << Reply::json(200, R"({"filled":false})") << false << 1 << true << false;
        QTest::newRow("filled: asked for good")
            << false << Reply::json(200, filledProfile) << false << 1 << false << true;
        QTest::newRow("already asked: no request")
            << true << Reply::json(200, R"({"filled":false})") << false << 0 << false << true;
        QTest::newRow("server error dropped")
            << false << Reply::json(500, "{}") << false << 1 << false << false;
        QTest::newRow("without filled: dropped")
            << false << Reply::json(200, "{}") << false << 1 << false << false;
        QTest::newRow("no connection: dropped")
            << false << Reply::error(TransportError::Kind::NoConnection) << false << 1 << false << false;
        QTest::newRow("signed out meanwhile")
            << false << Reply::json(200, R"({"filled":false})") << true << 1 << false << false;
    }
    void gate() {
        QFETCH(bool, asked);
        QFETCH(Reply, reply);
        QFETCH(bool, signOutMeanwhile);
        QFETCH(int, requests);
        QFETCH(bool, showProfile);
        QFETCH(bool, askedAfter);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        session.setOnboardingDone(true);
        session.setProfileAsked(asked);
        platform.transport->on("GET", profilePath, reply.after(20));
        MainGateViewModel gate;
        gate.setSession(&session);
        gate.appear();
        gate.appear(); // a second appearance while the first asks sends nothing more
        if (signOutMeanwhile)
            session.signOut();
        QTest::qWait(80);
        QCOMPARE(platform.transport->count(profilePath), requests);
        QCOMPARE(gate.showProfile(), showProfile);
        QCOMPARE(session.profileAsked(), askedAfter);
    }

    // Done marks the profile asked and closes the sheet; dismissing only closes it, and the next appearance
    // asks again.
    void gateSheetOutcomes() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        session.setOnboardingDone(true);
        platform.transport->on("GET", profilePath, Reply::json(200, R"({"filled":false})"));
        MainGateViewModel gate;
        gate.setSession(&session);
        Await::result(gate.runGate());
        QVERIFY(gate.showProfile());
        gate.profileDismissed();
        QVERIFY(!gate.showProfile());
        QVERIFY(!session.profileAsked());
        Await::result(gate.runGate());
        QVERIFY(gate.showProfile());
        gate.profileDone();
        QVERIFY(!gate.showProfile());
        QVERIFY(session.profileAsked());
        Await::result(gate.runGate());
        QCOMPARE(platform.transport->count(profilePath), 2);
    }

    // The region picker where the gate shows it, above the tab shell: in the learning-profile sheet and on
    // the questionnaire's profile page. Its menus open over their page by click and by keyboard, and a click
    // or Enter on an entry picks it; the page's error alert opens over it as well.
    void regionPickerInTheGate_data() {
        QTest::addColumn<QByteArray>("overview");
        QTest::newRow("learning-profile sheet") << QByteArray(R"({"steps":[],"finished":true})");
        QTest::newRow("questionnaire") << QByteArray(R"({"steps":[],"finished":false})");
    }
    void regionPickerInTheGate() {
        QFETCH(QByteArray, overview);
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &) { return Reply::json(404, "{}"); };
        platform.transport->on("GET", QStringLiteral("/api/v1/me/onboarding"), Reply::json(200, overview));
        platform.transport->on("GET", profilePath, Reply::json(200, R"({"filled":false})"));
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        QmlHarness::View view(QSize(430, 900));
        QVERIFY2(view.loadType(QStringLiteral("MainGateView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        QQuickItem *layer = view.window().contentItem();
        QQuickItem *province = nullptr;
        if (overview.contains("false")) {
            QQuickItem *next = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((next = QmlHarness::visibleNamed(layer, "primaryButton").value(0)),
                                     5000);
            QTest::qWait(300);         // the questionnaire has risen
            QVERIFY(view.click(next)); // intro -> profile
        }
        QTRY_VERIFY_WITH_TIMEOUT((province = QmlHarness::visibleNamed(layer, "provinceMenu").value(0)), 5000);
        QTest::qWait(350); // the page has settled
        // The learner scrolls the region card into view.
        QQuickItem *scroller = province->parentItem();
        while (scroller && !scroller->inherits("QQuickFlickable"))
            scroller = scroller->parentItem();
        QVERIFY(scroller);
        const QPointF inContent =
            province->mapToItem(scroller->property("contentItem").value<QQuickItem *>(), QPointF(0, 0));
        scroller->setProperty("contentY", inContent.y() - 120);
        QTRY_VERIFY(QmlHarness::centreOf(province).y() < 400);
        QQuickItem *city = QmlHarness::visibleNamed(layer, "cityMenu").value(0);
        QVERIFY(city && !city->isEnabled());

        // The entry the learner sees at a place is the one a click there reaches.
        const auto pick = [&](const QString &text) {
            QQuickItem *entry = entryNamed(layer, text);
            if (!entry)
                return false;
            const QPoint at = QmlHarness::centreOf(entry);
            QTest::mouseClick(&view.window(), Qt::LeftButton, {}, at);
            return true;
        };
        QVERIFY(view.click(province));
        QTRY_VERIFY(entryNamed(layer, QStringLiteral("河北")));
        QTest::qWait(100);
        QVERIFY(
            QmlHarness::saveScreenshot(view.window(), QStringLiteral("region-menu-open-") +
                                                          (overview.contains("false") ? "flow" : "sheet")));
        QVERIFY(pick(QStringLiteral("河北")));
        QTRY_COMPARE(province->property("value").toString(), QStringLiteral("河北"));
        QTRY_VERIFY(city->isEnabled());
        QVERIFY(view.click(city));
        QTRY_VERIFY(entryNamed(layer, QStringLiteral("保定")));
        QVERIFY(pick(QStringLiteral("保定")));
        QTRY_COMPARE(city->property("value").toString(), QStringLiteral("保定"));
        QTRY_VERIFY(!entryNamed(layer, QStringLiteral("保定")));

        // By keyboard: Enter on the focused label opens the menu at the current pick; arrows move, Enter
        // picks.
        province->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(&view.window(), Qt::Key_Return);
        QTRY_VERIFY(entryNamed(layer, QStringLiteral("河北")));
        QTest::qWait(100);
        QTest::keyClick(&view.window(), Qt::Key_Down);
        QTest::keyClick(&view.window(), Qt::Key_Return);
        QTRY_COMPARE(province->property("value").toString(), QStringLiteral("山西"));
        QTRY_VERIFY(!entryNamed(layer, QStringLiteral("河北")));
        province->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(&view.window(), Qt::Key_Space);
        QTRY_VERIFY(entryNamed(layer, QStringLiteral("河北")));
        QTest::keyClick(&view.window(), Qt::Key_Escape);
        QTRY_VERIFY(!entryNamed(layer, QStringLiteral("河北")));
        QCOMPARE(province->property("value").toString(), QStringLiteral("山西"));

        // Near the bottom of a short window the menu rises to stay whole instead of running past the edge.
        view.window().resize(430, 560);
        scroller->setProperty("contentY", inContent.y() - 470);
        QTRY_VERIFY(QmlHarness::centreOf(province).y() > 420);
        QVERIFY(view.click(province));
        QQuickItem *list = nullptr;
        QTRY_VERIFY((list = entryNamed(layer, QStringLiteral("山西")))); // opens at the current pick
        while (list && !list->inherits("QQuickListView"))
            list = list->parentItem();
        QVERIFY(list);
        QTest::qWait(100);
        const QRectF shown = list->mapRectToScene(QRectF(0, 0, list->width(), list->height()));
        QVERIFY2(shown.top() >= 0 && shown.bottom() <= 560 && shown.height() >= 5 * 40,
                 qPrintable(QStringLiteral("menu list at %1..%2").arg(shown.top()).arg(shown.bottom())));
        QTest::keyClick(&view.window(), Qt::Key_Escape);
        QTRY_VERIFY(!entryNamed(layer, QStringLiteral("山西")));
        view.window().resize(430, 900);

        // A failed save's alert lies above its page too: its "好" is what a click there reaches.
        QVERIFY(view.click(QmlHarness::visibleNamed(layer, QStringLiteral("primaryButton")).value(0)));
        QObject *alert = view.root()->findChild<QObject *>(overview.contains("false")
                                                               ? QStringLiteral("flowErrorAlert")
                                                               : QStringLiteral("profileErrorAlert"));
        QVERIFY(alert);
        QTRY_VERIFY_WITH_TIMEOUT(alert->property("opened").toBool(), 5000);
        QVERIFY(view.click(QmlHarness::findItem(alert->property("contentItem").value<QQuickItem *>(),
                                                QStringLiteral("alertButton0"))));
        QTRY_VERIFY(!alert->property("visible").toBool());
    }

    // The sheet offscreen: the defaults selected, a tap retitling the grade card, saving with a held answer,
    // the error alert, and pictures of each.
    void sheetOnScreen() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        QmlHarness::View view(QSize(430, 900));
        m_guard->watch(view.engine());
        QVERIFY2(view.loadData(sheetScene, {{"session", QVariant::fromValue(&session)}},
                               QUrl(QStringLiteral("qrc:/tests/LearningProfileSheetScene.qml"))),
                 qPrintable(view.error()));
        auto *sheet = view.root()->property("sheet").value<QObject *>();
        QMetaObject::invokeMethod(sheet, "open");
        auto *vm = sheet->property("viewModel").value<LearningProfileSheetViewModel *>();
        QVERIFY(vm);
        QQuickItem *content = sheet->property("contentItem").value<QQuickItem *>();
        QTRY_VERIFY(content && content->isVisible() && content->height() > 0);
        QTest::qWait(350); // the sheet has risen

        const QStringList texts = textsBelow(content);
        for (const QString &expected :
             {QStringLiteral("完善学习资料"), QStringLiteral("约 1 分钟 · 都可随时修改"),
              QStringLiteral("我是"), QStringLiteral("当前年级"), QStringLiteral("初一"),
              QStringLiteral("教材版本"), QStringLiteral("地区和学校"), QStringLiteral("选填"),
              QStringLiteral("每天想学多久"), QStringLiteral("保存"), QStringLiteral("以后再说")})
            QVERIFY2(texts.contains(expected), qPrintable(expected));
        QVERIFY(QmlHarness::visibleTitled(content, QStringLiteral("gradeChip"), QStringLiteral("初一"))
                    ->property("selected")
                    .toBool());
        QVERIFY(QmlHarness::visibleTitled(content, QStringLiteral("editionChip"), QStringLiteral("人教版"))
                    ->property("selected")
                    .toBool());
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("profile-sheet")));

        // Taps write the answers: the teacher tile retitles the grade card.
        QVERIFY(view.click(
            QmlHarness::visibleTitled(content, QStringLiteral("roleTile"), QStringLiteral("老师"))));
        QTRY_COMPARE(vm->answers()->role(), QStringLiteral("teacher"));
        QTRY_VERIFY(textsBelow(content).contains(QStringLiteral("所教年级")));
        vm->answers()->setNickname(QStringLiteral("小岚"));
        vm->answers()->setSchool(QStringLiteral("第一中学"));
        vm->answers()->setEdition(QStringLiteral("bs"));
        QTest::qWait(50);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("profile-sheet-filled")));

        // Saving: the answer is held, both buttons are off and the sheet stays.
        platform.transport->on("PUT", profilePath,
                               Reply::json(503, R"({"message":"服务繁忙，请稍后再试"})").after(400));
        vm->save();
        QTRY_VERIFY(vm->busy());
        QTest::qWait(80);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("profile-sheet-saving")));
        QTRY_VERIFY_WITH_TIMEOUT(vm->alertVisible(), 3000);
        QCOMPARE(vm->message(), QStringLiteral("服务繁忙，请稍后再试"));
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("profile-sheet-error")));
        QCOMPARE(vm->answers()->nickname(), QStringLiteral("小岚"));
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }
};

QTEST_MAIN(TestLearningProfileSheet)
#include "tst_learningprofilesheet.moc"
