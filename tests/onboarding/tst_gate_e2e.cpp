// The gate after sign-in against the local stand-in: a new learner led through the questionnaire and not
// asked again, the youth guard's heartbeats adding up on the server, and the rest overlay, forced by the
// stand-in's control, lying over the whole window, an open sheet of the tab shell included; and the overlay
// holding the keyboard from what lies beneath it. Saves pictures when QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "LocalService.h"
#include "MainGateViewModel.h"
#include "OnboardingAPIClient.h"
#include "OnboardingFlowViewModel.h"
#include "QmlHarness.h"
#include "YouthModeGuard.h"

#include <httplib.h>

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

namespace {

using QmlHarness::visibleNamed;

httplib::Headers bearer(const LocalService &service) {
    return {{"Authorization", "Bearer " + service.session->accessToken().value_or(QString()).toStdString()}};
}

int post(const LocalService &service, const std::string &path, const QJsonObject &body) {
    httplib::Client client("127.0.0.1", service.server.port());
    const httplib::Result result =
        client.Post(path, bearer(service), QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(),
                    "application/json");
    return result ? result->status : -1;
}

QJsonObject usage(const LocalService &service) {
    httplib::Client client("127.0.0.1", service.server.port());
    const httplib::Result result = client.Get("/api/v1/me/usage", bearer(service));
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object() : QJsonObject();
}

// A minor of 12 in the current year, as the birth-month page would have sent it.
void becomeMinor(const LocalService &service) {
    const QDate born = QDate::currentDate().addYears(-12).addMonths(-1);
    httplib::Client client("127.0.0.1", service.server.port());
    const QByteArray body = QJsonDocument(QJsonObject{{"birth_year_month", born.toString("yyyy-MM")}})
                                .toJson(QJsonDocument::Compact);
    const httplib::Result result =
        client.Put("/api/v1/me/profile", bearer(service), body.toStdString(), "application/json");
    QVERIFY(result && result->status == 200);
}

} // namespace

class TestGateE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    // A new learner is led through the questionnaire, profile page included, once: afterwards neither the
    // questionnaire nor the profile sheet is offered again, and the gate asks the server nothing more.
    void newLearnerWalksTheQuestionnaire() {
        // Past the birth month already (the development control): this is about what comes after it.
        LocalService service(QStringLiteral("13800138203"), "Active");
        AppSession &session = *service.session;
        auto view = std::make_unique<QmlHarness::View>(QSize(430, 900));
        QmlHarness::WarningGuard warnings;
        warnings.watch(view->engine());
        QVERIFY2(view->loadType(QStringLiteral("RootView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view->error()));
        OnboardingFlowViewModel *flow = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((flow = view->root()->findChild<OnboardingFlowViewModel *>()), 10000);
        QCOMPARE(flow->step(), QStringLiteral("intro"));
        QCOMPARE(flow->startStep(), QStringLiteral("goal"));
        QQuickItem *overlay = view->window().contentItem();
        for (const char *next : {"profile", "goal", "diagnosis", "contract"}) {
            QTest::qWait(300); // the page's transition
            QVERIFY(view->click(visibleNamed(overlay, QStringLiteral("primaryButton")).value(0)));
            QTRY_COMPARE_WITH_TIMEOUT(flow->step(), QString::fromLatin1(next), 10000);
        }
        QVERIFY(view->click(visibleNamed(overlay, QStringLiteral("primaryButton")).value(0)));
        QTRY_VERIFY_WITH_TIMEOUT(session.onboardingDone(), 10000);
        QTRY_VERIFY(!view->root()->findChild<OnboardingFlowViewModel *>());
        QVERIFY(session.profileAsked());
        QVERIFY(service.platform->defaults->boolValue(QStringLiteral("qvl.onboarding_done")));
        QTest::qWait(200);
        QVERIFY(visibleNamed(overlay, QStringLiteral("profileBottomBar")).isEmpty());
        const OnboardingOverview overview = Await::result(
            OnboardingAPIClient().send("GET", OnboardingAPIClient::overviewPath, std::nullopt, session));
        QVERIFY(overview.finished);
        QVERIFY(
            Await::result(OnboardingAPIClient().sendLearningProfile("GET", std::nullopt, session)).filled);

        const int overviewReads = service.server.requestCount("/api/v1/me/onboarding");
        const int profileReads = service.server.requestCount("/api/v1/me/learning-profile");
        view = std::make_unique<QmlHarness::View>(QSize(430, 900));
        QVERIFY(view->loadType(QStringLiteral("RootView"), {{"session", QVariant::fromValue(&session)}}));
        QTRY_VERIFY_WITH_TIMEOUT(view->root()->findChild<MainGateViewModel *>()->youth()->hasSnapshot(),
                                 10000);
        QCOMPARE(service.server.requestCount("/api/v1/me/onboarding"), overviewReads);
        QCOMPARE(service.server.requestCount("/api/v1/me/learning-profile"), profileReads);
        QCOMPARE(warnings.warnings(), QStringList());
    }

    // Three beats of a minute each are three minutes used today on the server.
    void heartbeatsAddUp() {
        LocalService service(QStringLiteral("13800138201"));
        becomeMinor(service);
        YouthModeGuard guard;
        guard.start(service.session.get());
        QTRY_VERIFY_WITH_TIMEOUT(guard.hasSnapshot(), 10000);
        QVERIFY(guard.snapshot()->enforced);
        const qint64 before = guard.snapshot()->usedMinutes;
        for (int beat = 0; beat < 3; ++beat) {
            service.platform->clock->advance(60);
            Await::result(guard.heartbeat());
        }
        QCOMPARE(guard.snapshot()->usedMinutes, before + 3);
        QCOMPARE(usage(service)["used_minutes"].toInteger(), before + 3);
        guard.stop();
    }

    // The stand-in forces a rest while a sheet of the tab shell is open: the overlay lies above it, takes
    // its clicks and its keys, and goes when the rest is lifted.
    void overlayCoversAnOpenSheet() {
        LocalService service(QStringLiteral("13800138202"), "Active");
        service.session->setOnboardingDone(true);
        service.session->setProfileAsked(true);
        QmlHarness::View view(QSize(900, 700));
        QmlHarness::WarningGuard warnings;
        warnings.watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("RootView"),
                               {{"session", QVariant::fromValue(service.session.get())}}),
                 qPrintable(view.error()));
        auto *gate = view.root()->findChild<MainGateViewModel *>();
        QVERIFY(gate);
        QTRY_VERIFY_WITH_TIMEOUT(gate->youth()->hasSnapshot(), 10000);
        QVERIFY(!gate->youth()->overlayShown()); // an adult is never held back

        QQuickItem *shell = QmlHarness::findItem(view.root(), QStringLiteral("tabShell"));
        QVERIFY(shell);
        QQmlComponent sheetType(&view.engine());
        sheetType.setData(R"(
            import QtQuick
            import QtQuick.Controls
            Popup {
                id: sheet
                property int presses: 0
                x: 100; y: 100; width: 400; height: 300
                closePolicy: Popup.CloseOnEscape
                MouseArea { objectName: "sheetArea"; anchors.fill: parent; onClicked: sheet.presses++ }
            })",
                          QUrl(QStringLiteral("qrc:/tests/OpenSheet.qml")));
        QObject *sheet = sheetType.createWithInitialProperties({{"parent", QVariant::fromValue(shell)}});
        QVERIFY2(sheet, qPrintable(sheetType.errorString()));
        QMetaObject::invokeMethod(sheet, "open");
        QTRY_VERIFY(sheet->property("opened").toBool());
        QQuickItem *area = QmlHarness::findItem(view.window().contentItem(), QStringLiteral("sheetArea"));
        QVERIFY(area);
        QVERIFY(view.click(area));
        QCOMPARE(sheet->property("presses").toInt(), 1);

        QCOMPARE(post(service, "/__dev/usage",
                      {{"phone", "13800138202"}, {"enforced", true}, {"blocked_now", true}}),
                 204);
        Await::result(gate->youth()->heartbeat());
        QVERIFY(gate->youth()->overlayShown());
        QQuickItem *overlay = view.window().contentItem();
        QTRY_VERIFY(visibleNamed(overlay, QStringLiteral("restTitle")).value(0));
        QVERIFY(view.click(area));
        QTest::keyClick(&view.window(), Qt::Key_Escape);
        QCOMPARE(sheet->property("presses").toInt(), 1);
        QVERIFY(sheet->property("opened").toBool());
        if (!QmlHarness::screenshotFolder().isEmpty())
            QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("youth-rest-overlay")));

        httplib::Client control("127.0.0.1", service.server.port());
        QVERIFY(control.Delete("/__dev/usage?phone=13800138202"));
        Await::result(gate->youth()->heartbeat());
        QVERIFY(!gate->youth()->overlayShown());
        QTRY_VERIFY(visibleNamed(overlay, QStringLiteral("restTitle")).isEmpty());
        QVERIFY(view.click(area));
        QCOMPARE(sheet->property("presses").toInt(), 2);
        delete sheet;
        QCOMPARE(warnings.warnings(), QStringList());
    }

    // The rest overlay holds the keyboard as it holds the mouse: an alert beneath keeps its Escape whether it
    // opened before or during the rest, a focused button beneath takes no Space; a sheet raised above the
    // overlay (the gate's questionnaire) still takes typing. When the rest ends, the keys work again.
    void overlayHoldsTheKeyboard_data() {
        QTest::addColumn<QString>("beneath"); // "alert before", "alert during", "button", "sheet above"
        QTest::newRow("alert opened before the rest") << "alert before";
        QTest::newRow("alert opened during the rest") << "alert during";
        QTest::newRow("focused button beneath") << "button";
        QTest::newRow("sheet above the overlay") << "sheet above";
    }
    void overlayHoldsTheKeyboard() {
        QFETCH(QString, beneath);
        QmlHarness::View view(QSize(600, 500));
        QmlHarness::WarningGuard warnings;
        warnings.watch(view.engine());
        QVERIFY2(view.loadData(R"(
            import QtQuick
            import QtQuick.Controls.Basic
            import Quorvel.Ui
            import Quorvel.Onboarding
            Item {
                property int presses: 0
                Button { objectName: "beneath"; text: "按钮"; onClicked: parent.presses++ }
                Alert { objectName: "alert"; message: "加载失败" }
                YouthRestOverlay { objectName: "rest"; z: 10; message: "现在是休息时间" }
                Popup {
                    objectName: "above"
                    z: 20; x: 40; y: 40; width: 300; height: 80
                    TextField { objectName: "field"; anchors.fill: parent }
                }
            })",
                               {}, QUrl(QStringLiteral("qrc:/tests/RestKeyboardScene.qml"))),
                 qPrintable(view.error()));
        QObject *root = view.root();
        const auto popup = [&](const char *name) { return root->findChild<QObject *>(QLatin1String(name)); };
        QObject *alert = popup("alert");
        QObject *rest = popup("rest");
        QObject *above = popup("above");
        QQuickItem *button = view.find(QStringLiteral("beneath"));
        QQuickItem *field = root->findChild<QQuickItem *>(QStringLiteral("field"));
        QVERIFY(alert && rest && above && button && field);
        const auto open = [](QObject *which) {
            QMetaObject::invokeMethod(which, "open");
            QTRY_VERIFY(which->property("opened").toBool());
        };
        QWindow *window = &view.window();

        if (beneath == u"alert before")
            open(alert);
        open(rest);
        if (beneath == u"alert during")
            open(alert);
        if (beneath == u"button") {
            button->forceActiveFocus(Qt::TabFocusReason); // the focus left where the rest found it
            QTest::keyClick(window, Qt::Key_Space);
            QCOMPARE(root->property("presses").toInt(), 0);
        } else if (beneath == u"sheet above") {
            open(above);
            field->forceActiveFocus(Qt::MouseFocusReason);
            QTest::keyClick(window, 'a');
            QTest::keyClick(window, 'b');
            QCOMPARE(field->property("text").toString(), QStringLiteral("ab"));
        } else {
            QTest::keyClick(window, Qt::Key_Escape);
            QTest::qWait(200);
            QVERIFY(alert->property("visible").toBool());
        }
        QVERIFY(rest->property("opened").toBool());

        QMetaObject::invokeMethod(rest, "close");
        QTRY_VERIFY(!rest->property("visible").toBool());
        if (beneath == u"button") {
            button->forceActiveFocus(Qt::TabFocusReason);
            QTest::keyClick(window, Qt::Key_Space);
            QCOMPARE(root->property("presses").toInt(), 1);
        } else if (beneath.startsWith(u"alert")) {
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!alert->property("visible").toBool());
        }
        QCOMPARE(warnings.warnings(), QStringList());
    }
};

QTEST_MAIN(TestGateE2E)
#include "tst_gate_e2e.moc"
