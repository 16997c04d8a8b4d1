// Against the local stand-in over the real network: a new account is asked its birth month, confirms, and the
// tab shell follows with the status kept; a signed-in learner whose learning profile is not filled is asked
// for it over the tab shell, saves it, and is not asked again.
#include "AppFonts.h"
#include "LearningProfileSheetViewModel.h"
#include "LocalService.h"
#include "OnboardingAPIClient.h"
#include "ProfileBirthViewModel.h"
#include "QmlHarness.h"
#include "UserDefaults.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

class TestProfileBirthE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void newAccountGivesItsBirthMonth() {
        LocalService service(QStringLiteral("13800138100"), "PendingProfile");
        AppSession &session = *service.session;
        QCOMPARE(session.statusText(), QStringLiteral("PendingProfile"));

        QmlHarness::View shown(QSize(390, 844));
        QVERIFY2(shown.loadType(QStringLiteral("RootView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(shown.error()));
        QQuickItem *page = nullptr;
        QTRY_VERIFY((page = shown.find(QStringLiteral("profileBirthView"))));
        auto *model = page->property("viewModel").value<ProfileBirthViewModel *>();
        QVERIFY(model);
        model->setYear(2010);
        model->setMonth(3);

        QVERIFY(shown.click(QStringLiteral("confirmButton")));
        QTRY_VERIFY(model->confirming());
        QQuickItem *confirm = nullptr;
        // The dialog lives in the window's overlay, beside the page.
        QTRY_VERIFY((confirm = QmlHarness::findItem(shown.window().contentItem(),
                                                    QStringLiteral("alertButton0"), true)));
        QCOMPARE(confirm->property("text").toString(), QStringLiteral("确认 2010 年 3 月"));
        QVERIFY(shown.click(confirm));

        QTRY_COMPARE_WITH_TIMEOUT(session.statusText(), QStringLiteral("Active"), 10000);
        QTRY_VERIFY(!shown.find(QStringLiteral("profileBirthView")));
        QTRY_VERIFY(shown.find(QStringLiteral("tabShell")));
        QCOMPARE(service.platform->defaults->stringValue(QStringLiteral("qvl.status")),
                 std::optional<QString>(QStringLiteral("Active")));

        // The month is kept on the server and cannot be given twice.
        ProfileBirthViewModel again;
        again.setSession(&session);
        Await::result(again.submit());
        QCOMPARE(again.message(), QStringLiteral("出生年月已提交，不能修改"));
        QCOMPARE(session.statusText(), QStringLiteral("Active"));
        const MeResponse me = Await::result(ApiClient(session).send<MeResponse>(
            ApiClient(session).request("GET", QStringLiteral("/api/v1/me"))));
        QCOMPARE(me.birthYearMonth, std::optional<QString>(QStringLiteral("2010-03")));
    }

    void learnerIsAskedTheirLearningProfile() {
        LocalService service(QStringLiteral("13800138101"), "Active"); // past the birth month already
        AppSession &session = *service.session;
        QVERIFY(!session.profileAsked());
        // The questionnaire was skipped on the server already: the gate goes straight on to the profile.
        for (const char *step : {"goal", "diagnosis", "contract"})
            Await::result(OnboardingAPIClient().sendStep(QString::fromLatin1(step), true, {}, session));

        auto shown = std::make_unique<QmlHarness::View>(QSize(430, 900));
        QVERIFY2(shown->loadType(QStringLiteral("RootView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(shown->error()));
        QQuickItem *overlay = shown->window().contentItem();
        QQuickItem *teacher = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((teacher = QmlHarness::visibleTitled(overlay, QStringLiteral("roleTile"),
                                                                      QStringLiteral("老师"))),
                                 10000);
        QTest::qWait(350); // the sheet has risen
        QVERIFY(shown->click(teacher));
        QQuickItem *grade =
            QmlHarness::visibleTitled(overlay, QStringLiteral("gradeChip"), QStringLiteral("高三"));
        QVERIFY(grade);
        QVERIFY(shown->click(grade));
        QQuickItem *save = QmlHarness::findItem(overlay, QStringLiteral("primaryButton"), true);
        QVERIFY(save);
        QVERIFY(shown->click(save));

        QTRY_VERIFY_WITH_TIMEOUT(session.profileAsked(), 10000);
        QTRY_VERIFY(!QmlHarness::visibleTitled(overlay, QStringLiteral("roleTile"), QStringLiteral("老师")));
        QCOMPARE(service.platform->defaults->boolValue(QStringLiteral("qvl.profile_asked")), true);
        const LearningProfile profile =
            Await::result(OnboardingAPIClient().sendLearningProfile("GET", std::nullopt, session));
        QVERIFY(profile.filled);
        QCOMPARE(profile.role, std::optional<QString>(QStringLiteral("teacher")));
        QCOMPARE(profile.grade, std::optional<qint64>(12));
        QCOMPARE(profile.stage, std::optional<QString>(QStringLiteral("senior")));
        QCOMPARE(profile.dailyMinutes, std::optional<qint64>(30));
        QCOMPARE(profile.nickname, std::nullopt);
    }
};

QTEST_MAIN(TestProfileBirthE2E)
#include "tst_profilebirth_e2e.moc"
