// The gate after sign-in and its youth guard: what one run of the gate asks and opens for each pair of flags
// and answers, and how the guard reports usage and which of its answers it believes.
#include "AppSession.h"
#include "Await.h"
#include "Fixtures.h"
#include "MainGateViewModel.h"
#include "OnboardingAPIClient.h"
#include "TestPlatform.h"
#include "YouthModeGuard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

using Reply = FakeTransport::Reply;

const QString onboardingPath = QStringLiteral("/api/v1/me/onboarding");
const QString profilePath = QStringLiteral("/api/v1/me/learning-profile");
const QString usagePath = OnboardingAPIClient::usagePath;
const QString beatPath = OnboardingAPIClient::heartbeatPath;

const QByteArray resting = R"({"enforced":true,"blocked_now":false,"daily_exceeded":true,"daily_minutes":40,
                               "used_minutes":40,"remaining_minutes":0,"reason_code":"daily_limit"})";
const QByteArray studying = R"({"enforced":true,"blocked_now":false,"daily_exceeded":false,"daily_minutes":40,
                            "used_minutes":12,"remaining_minutes":28})";

Reply ok(const QByteArray &body) {
    return Reply::json(200, body);
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestMainGate : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One run: the questionnaire's state unless onboarding is done, then the profile unless it was asked;
    // a failure or an open questionnaire ends the run. What happens to the session meanwhile decides whether
    // the answers still count: a renewed token is the same sign-in, signing out or another account is not.
    void gate_data() {
        QTest::addColumn<bool>("doneBefore");
        QTest::addColumn<bool>("askedBefore");
        QTest::addColumn<Reply>("overview");
        QTest::addColumn<Reply>("profile");
        QTest::addColumn<QString>("meanwhile"); // "", "sign out", "renew", "401", "other account", "back in"
        QTest::addColumn<int>("overviewRequests");
        QTest::addColumn<int>("profileRequests");
        QTest::addColumn<QString>("questionnaireAt"); // empty: not opened
        QTest::addColumn<bool>("sheet");
        QTest::addColumn<bool>("doneAfter");
        QTest::addColumn<bool>("askedAfter");
        const Reply notFilled = ok(R"({"filled":false})");
        const Reply filled = ok(R"({"filled":true,"grade":7})");
        const Reply open = ok(R"({"steps":[],"finished":false})");
        QTest::newRow("not finished, no next step: goal")
            << false << false << open << notFilled << "" << 1 << 0 << "goal" << false << false << false;
        QTest::newRow("not finished at diagnosis")
            << false << false << ok(R"({"steps":[{"step":"goal","status":"done"}],"finished":false,
                                        "next_step":"diagnosis"})")
            << notFilled << "" << 1 << 0 << "diagnosis" << false << false << false;
        QTest::newRow("empty next step counts as none")
            << false << false << ok(R"({"steps":[],"finished":false,"next_step":""})") << notFilled << "" << 1
            << 0 << "goal" << false << false << false;
        QTest::newRow("finished, profile not filled: sheet in the same run")
            << false << false << ok(R"({"steps":[],"finished":true})") << notFilled << "" << 1 << 1 << ""
            << true << true << false;
        QTest::newRow("finished and filled: both remembered")
            << false << false << ok(R"({"steps":[],"finished":true})") << filled << "" << 1 << 1 << ""
            << false << true << true;
        QTest::newRow("overview fails: no profile query")
            << false << false << Reply::json(500, R"({"message":"x"})") << notFilled << "" << 1 << 0 << ""
            << false << false << false;
        QTest::newRow("overview without finished: dropped")
            << false << false << ok(R"({"steps":[]})") << notFilled << "" << 1 << 0 << "" << false << false
            << false;
        QTest::newRow("onboarding done: only the profile")
            << true << false << Reply() << notFilled << "" << 0 << 1 << "" << true << true << false;
        QTest::newRow("profile without filled: dropped") << true << false << Reply() << ok(R"({"grade":7})")
                                                         << "" << 0 << 1 << "" << false << true << false;
        QTest::newRow("both remembered: nothing asked")
            << true << true << Reply() << notFilled << "" << 0 << 0 << "" << false << true << true;
        QTest::newRow("signed out during the overview")
            << false << false << open << notFilled << "sign out" << 1 << 0 << "" << false << false << false;
        QTest::newRow("token renewed during the overview")
            << false << false << open << notFilled << "renew" << 1 << 0 << "goal" << false << false << false;
        QTest::newRow("token renewed during the profile")
            << true << false << Reply() << notFilled << "renew" << 0 << 1 << "" << true << true << false;
        QTest::newRow("overview renews the token on its 401")
            << false << false << open << notFilled << "401" << 2 << 0 << "goal" << false << false << false;
        QTest::newRow("another account during the profile")
            << true << false << Reply() << notFilled << "other account" << 0 << 1 << "" << false << true
            << false;
        QTest::newRow("signed out and back in during the overview")
            << false << false << open << notFilled << "back in" << 1 << 0 << "" << false << false << false;
    }
    void gate() {
        QFETCH(bool, doneBefore);
        QFETCH(bool, askedBefore);
        QFETCH(Reply, overview);
        QFETCH(Reply, profile);
        QFETCH(QString, meanwhile);
        QFETCH(QString, questionnaireAt);
        QFETCH(bool, sheet);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        session.setRefreshToken(QStringLiteral("rt0"));
        session.setUserId(42);
        session.setOnboardingDone(doneBefore);
        session.setProfileAsked(askedBefore);
        if (meanwhile == u"401") {
            platform.transport->on("GET", onboardingPath, Reply::json(401, R"({"message":"expired"})"));
            platform.transport->on("POST", QStringLiteral("/api/v1/auth/refresh"),
                                   ok(Fixtures::json(QStringLiteral("auth/grant.json"))));
        }
        platform.transport->on("GET", onboardingPath, overview.after(20));
        platform.transport->on("GET", profilePath, profile.after(20));
        platform.transport->on("GET", usagePath, ok(studying));
        MainGateViewModel gate;
        gate.setSession(&session);
        gate.appear();
        gate.appear(); // a second appearance while the first asks starts no second run
        if (meanwhile == u"sign out" || meanwhile == u"back in")
            session.signOut();
        if (meanwhile == u"renew" || meanwhile == u"back in")
            session.setAccessToken(QStringLiteral("tok2"));
        if (meanwhile == u"back in")
            session.setUserId(42);
        if (meanwhile == u"other account") {
            session.setAccessToken(QStringLiteral("tok3"));
            session.setUserId(43);
        }
        QTest::qWait(120);
        QTEST(platform.transport->count(onboardingPath), "overviewRequests");
        QTEST(platform.transport->count(profilePath), "profileRequests");
        QCOMPARE(gate.showOnboarding(), !questionnaireAt.isEmpty());
        if (gate.showOnboarding())
            QCOMPARE(gate.startStep(), questionnaireAt);
        QCOMPARE(gate.showProfile(), sheet);
        QTEST(session.onboardingDone(), "doneAfter");
        QTEST(session.profileAsked(), "askedAfter");
        QTEST(platform.defaults->boolValue(QStringLiteral("qvl.onboarding_done")), "doneAfter");
        if (meanwhile == u"401")
            QCOMPARE(session.accessToken(), std::optional<QString>(QStringLiteral("at1")));
    }

    // Finishing the questionnaire remembers onboarding before it closes and asks nothing more in that run;
    // the next appearance goes on to the profile. The guard runs throughout and stops with the gate.
    void finishThenNextAppearance() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        platform.transport->on("GET", onboardingPath, ok(R"({"steps":[],"finished":false})"));
        platform.transport->on("GET", profilePath, ok(R"({"filled":false})"));
        platform.transport->on("GET", usagePath, ok(resting));
        MainGateViewModel gate;
        gate.setSession(&session);
        Await::result(gate.runGate());
        QVERIFY(gate.showOnboarding());
        bool doneWhenClosed = false;
        connect(&gate, &MainGateViewModel::showOnboardingChanged, this,
                [&] { doneWhenClosed = session.onboardingDone(); });
        gate.finishOnboarding();
        QVERIFY(!gate.showOnboarding());
        QVERIFY(doneWhenClosed);
        QTest::qWait(30);
        QCOMPARE(platform.transport->count(profilePath), 0);

        gate.appear();
        QTRY_VERIFY(gate.showProfile());
        QCOMPARE(platform.transport->count(onboardingPath), 1);
        QTRY_VERIFY(gate.youth()->overlayShown());
        QVERIFY(gate.youth()->isStarted());
        gate.disappear();
        QVERIFY(!gate.youth()->isStarted());
        QVERIFY(!gate.youth()->overlayShown());
    }

    void delta_data() {
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<qint64>("delta");
        QTest::newRow("under a second") << 0.4 << qint64(1);
        QTest::newRow("cut, not rounded") << 59.9 << qint64(59);
        QTest::newRow("a minute and a bit") << 60.2 << qint64(60);
        QTest::newRow("just under the cap") << 179.99 << qint64(179);
        QTest::newRow("suspended ten minutes") << 600.0 << qint64(180);
        QTest::newRow("clock set back") << -30.0 << qint64(1);
        QTest::newRow("not a number") << std::nan("") << qint64(1);
        QTest::newRow("huge") << 1e300 << qint64(180);
    }
    void delta() {
        QFETCH(double, elapsed);
        QTEST(YouthModeGuard::deltaSeconds(elapsed), "delta");
    }

    // Start asks at once; a beat reports the whole seconds since the last one, as an integer, with the
    // token; without a token nothing is sent and the gap is kept for the next beat.
    void requests() {
        TestPlatform platform;
        AppSession session;
        platform.transport->on("GET", usagePath, ok(studying));
        platform.transport->on("POST", beatPath, ok(studying));
        YouthModeGuard guard;
        guard.start(&session);
        const QDateTime started = guard.lastBeat();
        platform.clock->advance(90);
        Await::result(guard.heartbeat());
        QCOMPARE(platform.transport->requests.size(), 0);
        QCOMPARE(guard.lastBeat(), started);

        session.setAccessToken(QStringLiteral("tok"));
        guard.start(&session);
        QTRY_COMPARE(platform.transport->count(usagePath), 1);
        const HttpRequest query = platform.transport->requestsTo(usagePath).first();
        QCOMPARE(query.header("Authorization"), QByteArray("Bearer tok"));
        QVERIFY(!query.hasHeader("Content-Type"));
        platform.clock->set(platform.clock->now().addMSecs(60200));
        Await::result(guard.heartbeat());
        const HttpRequest beat = platform.transport->requestsTo(beatPath).first();
        QCOMPARE(beat.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(beat.header("Authorization"), QByteArray("Bearer tok"));
        QCOMPARE(beat.body, QByteArray(R"({"delta_seconds":60})"));
        QCOMPARE(guard.lastBeat(), platform.clock->now());
    }

    // What a beat's answer does to a shown overlay: only a 200 counts, and an unreadable 200 lifts it.
    void answers_data() {
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<bool>("hasSnapshot");
        QTest::addColumn<bool>("overlay");
        QTest::addColumn<QString>("message");
        QTest::newRow("200 lifts") << ok(studying) << true << false << YouthModeGuard::defaultRestMessage;
        QTest::newRow("200 with the server's message")
            << ok(R"({"enforced":true,"blocked_now":true,"daily_exceeded":false,"daily_minutes":40,
                     "used_minutes":3,"remaining_minutes":37,"message":"夜深了，明天再学"})")
            << true << true << QStringLiteral("夜深了，明天再学");
        QTest::newRow("not enforced never rests")
            << ok(R"({"enforced":false,"blocked_now":true,"daily_exceeded":true,"daily_minutes":0,
                     "used_minutes":12,"remaining_minutes":0})")
            << true << false << YouthModeGuard::defaultRestMessage;
        QTest::newRow("200 without remaining_minutes clears")
            << ok(R"({"enforced":true,"blocked_now":true,"daily_exceeded":true,"daily_minutes":40,
                     "used_minutes":40})")
            << false << false << QString();
        QTest::newRow("204 keeps") << Reply::json(204, "") << true << true
                                   << YouthModeGuard::defaultRestMessage;
        QTest::newRow("500 keeps") << Reply::json(500, resting) << true << true
                                   << YouthModeGuard::defaultRestMessage;
        QTest::newRow("no connection keeps") << Reply::error(TransportError::Kind::NoConnection) << true
                                             << true << YouthModeGuard::defaultRestMessage;
    }
    void answers() {
        QFETCH(Reply, answer);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        platform.transport->on("GET", usagePath, ok(resting));
        platform.transport->on("POST", beatPath, answer);
        YouthModeGuard guard;
        guard.start(&session);
        QTRY_VERIFY(guard.overlayShown());
        QCOMPARE(guard.usageLine(), QStringLiteral("今日已用 40/40 分钟"));
        Await::result(guard.heartbeat());
        QTEST(guard.hasSnapshot(), "hasSnapshot");
        QTEST(guard.overlayShown(), "overlay");
        QTEST(guard.overlayMessage(), "message");
    }

    // Late answers: one for a stopped or restarted guard, or an older beat arriving after a newer one, must
    // not bring back a state the server has moved on from.
    void lateAnswers_data() {
        QTest::addColumn<QString>("between");
        QTest::addColumn<bool>("overlay");
        QTest::addColumn<bool>("hasSnapshot");
        QTest::newRow("stopped") << "stop" << false << false;
        QTest::newRow("restarted") << "restart" << false << true;
        QTest::newRow("overtaken by a newer beat") << "beat" << false << true;
    }
    void lateAnswers() {
        QFETCH(QString, between);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        platform.transport->on("GET", usagePath, ok(studying));
        platform.transport->on("POST", beatPath, ok(resting).after(120));
        platform.transport->on("POST", beatPath, ok(studying).after(10));
        YouthModeGuard guard;
        guard.start(&session);
        QTRY_VERIFY(guard.hasSnapshot());
        auto slow = guard.heartbeat();
        if (between == "stop")
            guard.stop();
        else if (between == "restart")
            guard.start(&session);
        else
            Await::result(guard.heartbeat());
        Await::result(slow);
        QTEST(guard.overlayShown(), "overlay");
        QTEST(guard.hasSnapshot(), "hasSnapshot");
    }

    // The timer beats while started, also while the overlay shows, and not after a stop.
    void timer() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        platform.transport->on("GET", usagePath, ok(resting));
        platform.transport->on("POST", beatPath, ok(resting));
        YouthModeGuard guard;
        guard.setInterval(std::chrono::milliseconds(25));
        QSignalSpy started(&guard, &YouthModeGuard::startedChanged);
        guard.start(&session);
        QTRY_VERIFY(platform.transport->count(beatPath) >= 2);
        QVERIFY(guard.overlayShown());
        guard.stop();
        const int beats = platform.transport->count(beatPath);
        QTest::qWait(80);
        QCOMPARE(platform.transport->count(beatPath), beats);
        QCOMPARE(started.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestMainGate)
#include "tst_maingate.moc"
