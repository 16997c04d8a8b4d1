// The onboarding client against the local stand-in over the real network: the overview as steps are written,
// a step name that would leave its path, the profile from unfilled to saved with the form's body, and the
// server's Chinese refusal reaching the learner as it was written.
#include "LearningProfileForm.h"
#include "LocalService.h"
#include "OnboardingAPIClient.h"

#include <QTest>

class TestOnboardingClientE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void questionnaireAndProfile() {
        LocalService service(QStringLiteral("13800138201"));
        AppSession &session = *service.session;
        const OnboardingAPIClient client;

        OnboardingOverview overview =
            Await::result(client.send("GET", OnboardingAPIClient::overviewPath, std::nullopt, session));
        QCOMPARE(overview.steps.size(), 3);
        QVERIFY(!overview.finished);
        QCOMPARE(overview.nextStep, std::optional<QString>(QStringLiteral("goal")));

        const QJsonObject goal{{"target", "exam_prep"}, {"weekly_minutes", 300}};
        overview = Await::result(client.sendStep(QStringLiteral("goal"), false, goal, session));
        QCOMPARE(overview.steps.first(),
                 (OnboardingStepState{QStringLiteral("goal"), QStringLiteral("done")}));
        QCOMPARE(overview.nextStep, std::optional<QString>(QStringLiteral("diagnosis")));

        // A step name from elsewhere stays one segment: the server does not know it, and nothing else is hit
        // (the profile below is still unfilled).
        for (const QString &step : {QStringLiteral("../learning-profile"), QStringLiteral("profile")}) {
            try {
                Await::result(client.sendStep(step, true, {}, session));
                QFAIL("an unknown step must be refused");
            } catch (const ApiError &error) {
                QCOMPARE(error.status(), 404);
                QVERIFY(!error.message().isEmpty());
            }
        }

        for (const QString &step : {QStringLiteral("diagnosis"), QStringLiteral("contract")})
            overview = Await::result(client.sendStep(step, true, {}, session));
        QVERIFY(overview.finished);
        QVERIFY(!overview.nextStep);

        QVERIFY(!Await::result(client.sendLearningProfile("GET", std::nullopt, session)).filled);
        LearningProfileForm::Values values;
        values.nickname = QStringLiteral("\u3000小岚 ");
        values.province = QStringLiteral("北京");
        values.city = QStringLiteral("北京");
        values.dailyMinutes = 45.9;
        QVERIFY(Await::result(
                    client.sendLearningProfile("PUT", LearningProfileForm::requestBody(values), session))
                    .filled);
        const LearningProfile saved = Await::result(client.sendLearningProfile("GET", std::nullopt, session));
        QVERIFY(saved.filled);
        QCOMPARE(saved.nickname, std::optional<QString>(QStringLiteral("小岚")));
        QCOMPARE(saved.stage, std::optional<QString>(QStringLiteral("junior")));
        QCOMPARE(saved.grade, std::optional<qint64>(7));
        QCOMPARE(saved.city, std::optional<QString>(QStringLiteral("北京")));
        QVERIFY(!saved.school);
        QCOMPARE(saved.dailyMinutes, std::optional<qint64>(45));

        values.nickname = QStringLiteral("一二三四五六七八九");
        try {
            Await::result(
                client.sendLearningProfile("PUT", LearningProfileForm::requestBody(values), session));
            QFAIL("a nickname over eight characters must be refused");
        } catch (const ApiError &error) {
            QCOMPARE(error.status(), 400);
            QCOMPARE(error.message(), QStringLiteral("昵称最多 8 个字"));
        }
    }
};

QTEST_GUILESS_MAIN(TestOnboardingClientE2E)
#include "tst_onboardingclient_e2e.moc"
