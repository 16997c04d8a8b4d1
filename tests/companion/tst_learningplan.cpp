// The learning-plan card of the question-and-answer tab: the request, how answers decode, what the card
// shows for each, and which load decides when loads overlap, fail or outlive the tab's time on screen.
#include "ApiError.h"
#include "AppSession.h"
#include "Await.h"
#include "LearningPlan.h"
#include "LearningPlanCardViewModel.h"
#include "TestPlatform.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

using Reply = FakeTransport::Reply;
using State = LearningPlanCardViewModel::State;

const QByteArray fullPlan =
    R"({"path_id":7,"goal":"学完「有理数」","total":12,"completed":3,"unlocked_order":4,)"
    R"("current":{"order":4,"kp_name":"数轴","state":"Ready"}})";
const QByteArray otherPlan =
    R"({"path_id":9,"goal":"另一条路径","total":2,"completed":1,"unlocked_order":2})";

Reply noHttpAnswer() {
    Reply reply;
    reply.status = -1;
    return reply;
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestLearningPlan : public QObject {
    Q_OBJECT

private:
    // A card whose loads are answered by `replies`, in order (the last keeps answering).
    struct Card {
        TestPlatform platform;
        AppSession session;
        LearningPlanCardViewModel card;

        explicit Card(const QList<Reply> &replies) {
            for (const Reply &reply : replies)
                platform.transport->on("GET", learningPlanPath, reply);
            session.setAccessToken(QStringLiteral("tok"));
            card.setSession(&session);
        }
        void load() { Await::result(card.load()); }
    };

private Q_SLOTS:
    // Every answer the card can meet, from a fresh card: decoding and the texts drawn from the plan.
    void answerShowsOnCard_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("count"); // empty: not shown
        QTest::addColumn<double>("progress");
        QTest::addColumn<QString>("current"); // empty: not shown

        QTest::newRow("full plan") << Reply::json(200, fullPlan) << State::Plan << "学完「有理数」"
                                   << "3/12 课" << 0.25 << "当前：第 4 课 数轴";
        QTest::newRow("no goal: path title, blank kept before the name")
            << Reply::json(200, R"({"path_id":7,"total":12,"completed":3,"unlocked_order":4,)"
                                R"("current":{"order":4,"kp_name":"绝对值"}})")
            << State::Plan << "学习路径"
            << "3/12 课" << 0.25 << "当前：第 4 课 绝对值";
        QTest::newRow("null goal") << Reply::json(200, R"({"path_id":7,"goal":null,"total":4,"completed":4,)"
                                                       R"("unlocked_order":4,"current":null})")
                                   << State::Plan << "学习路径"
                                   << "4/4 课" << 1.0 << "";
        QTest::newRow("empty goal stays empty")
            << Reply::json(200, R"({"path_id":7,"goal":"","total":2,"completed":0,"unlocked_order":1})")
            << State::Plan << ""
            << "0/2 课" << 0.0 << "";
        QTest::newRow("no lessons: no count, bar over one")
            << Reply::json(200, R"({"path_id":7,"goal":"g","total":0,"completed":0,"unlocked_order":1})")
            << State::Plan << "g"
            << "" << 0.0 << "";
        QTest::newRow("no name: the line ends in a blank")
            << Reply::json(200, R"({"path_id":7,"goal":"g","total":3,"completed":1,"unlocked_order":2,)"
                                R"("current":{"order":2,"kp_name":null,"state":"Ready"}})")
            << State::Plan << "g"
            << "1/3 课" << 1.0 / 3 << "当前：第 2 课 ";
        QTest::newRow("unknown keys ignored")
            << Reply::json(200,
                           R"({"path_id":7,"goal":"g","total":1,"completed":0,"unlocked_order":1,"x":[]})")
            << State::Plan << "g"
            << "0/1 课" << 0.0 << "";
        QTest::newRow("204: no plan") << Reply::json(204, fullPlan) << State::Empty << ""
                                      << "" << 0.0 << "";
        QTest::newRow("not HTTP: no plan") << noHttpAnswer() << State::Empty << ""
                                           << "" << 0.0 << "";
        QTest::newRow("404") << Reply::json(404, R"({"message":"x"})") << State::Empty << ""
                             << "" << 0.0 << "";
        QTest::newRow("500") << Reply::json(500, {}) << State::Empty << ""
                             << "" << 0.0 << "";
        QTest::newRow("empty body") << Reply::json(200, {}) << State::Empty << ""
                                    << "" << 0.0 << "";
        QTest::newRow("bare null") << Reply::json(200, "null") << State::Empty << ""
                                   << "" << 0.0 << "";
        QTest::newRow("camelCase keys")
            << Reply::json(200, R"({"pathId":7,"goal":"g","total":1,"completed":0,"unlockedOrder":1})")
            << State::Empty << ""
            << "" << 0.0 << "";
        QTest::newRow("required key null")
            << Reply::json(200, R"({"path_id":7,"total":null,"completed":0,"unlocked_order":1})")
            << State::Empty << ""
            << "" << 0.0 << "";
        QTest::newRow("goal of the wrong type")
            << Reply::json(200, R"({"path_id":7,"goal":5,"total":1,"completed":0,"unlocked_order":1})")
            << State::Empty << ""
            << "" << 0.0 << "";
        QTest::newRow("current without order")
            << Reply::json(200, R"({"path_id":7,"total":1,"completed":0,"unlocked_order":1,"current":{}})")
            << State::Empty << ""
            << "" << 0.0 << "";
        QTest::newRow("fractional count")
            << Reply::json(200, R"({"path_id":7,"total":1.5,"completed":0,"unlocked_order":1})")
            << State::Empty << ""
            << "" << 0.0 << "";
        QTest::newRow("no connection")
            << Reply::error(TransportError::Kind::NoConnection) << State::Empty << ""
            << "" << 0.0 << "";
    }
    void answerShowsOnCard() {
        QFETCH(Reply, reply);
        QFETCH(State, state);
        QFETCH(QString, title);
        QFETCH(QString, count);
        QFETCH(double, progress);
        QFETCH(QString, current);

        Card card({reply});
        QCOMPARE(card.card.state(), State::Loading);
        card.load();
        QCOMPARE(card.card.state(), state);
        QVERIFY(card.card.planLoaded());
        QCOMPARE(card.card.title(), title);
        QCOMPARE(card.card.showsCount(), !count.isEmpty());
        QCOMPARE(card.card.countText(), count);
        QVERIFY(qAbs(card.card.progress() - progress) < 1e-9);
        QCOMPARE(card.card.showsCurrent(), !current.isEmpty());
        QCOMPARE(card.card.currentLine(), current);
    }

    void request_data() {
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<std::optional<QByteArray>>("authorization");
        QTest::newRow("token") << std::optional<QString>(QStringLiteral("tok"))
                               << std::optional<QByteArray>("Bearer tok");
        QTest::newRow("empty token still sent")
            << std::optional<QString>(QString()) << std::optional<QByteArray>("Bearer ");
        QTest::newRow("signed out: no header") << std::optional<QString>() << std::optional<QByteArray>();
    }
    void request() {
        QFETCH(std::optional<QString>, token);
        QFETCH(std::optional<QByteArray>, authorization);
        QJsonObject bundle = TestPlatform::defaultBundle();
        bundle.insert(QStringLiteral("QVLApiBaseURL"), QStringLiteral("https://api.test.example/base/"));
        TestPlatform platform(bundle);
        platform.transport->fallback = [](const HttpRequest &) { return Reply::json(204, {}); };
        AppSession session;
        session.setAccessToken(token);
        QVERIFY(!Await::result(loadLearningPlan(session)));

        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &sent = platform.transport->requests.first();
        QCOMPARE(sent.method, QByteArray("GET"));
        QCOMPARE(sent.url.toString(),
                 QStringLiteral("https://api.test.example/base/api/v1/me/learning-plan"));
        QCOMPARE(sent.header("Authorization"), authorization);
        QCOMPARE(sent.header("Content-Type"), std::optional<QByteArray>());
        QVERIFY(sent.body.isEmpty());
        QCOMPARE(sent.timeoutMs, 60000);
    }

    // A failed status is the plan's own text, whatever the server's body says.
    void failedStatusText_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("404") << 404;
        QTest::newRow("500") << 500;
        QTest::newRow("302") << 302;
    }
    void failedStatusText() {
        QFETCH(int, status);
        TestPlatform platform;
        platform.transport->fallback = [status](const HttpRequest &) {
            return Reply::json(status, R"({"code":"x","message":"服务器的话"})");
        };
        AppSession session;
        try {
            Await::result(loadLearningPlan(session));
            QFAIL("a failed status loads nothing");
        } catch (const ApiError &error) {
            QCOMPARE(error.kind(), ApiError::Kind::Http);
            QCOMPARE(error.status(), status);
            QCOMPARE(error.message(), QStringLiteral("读取学习计划失败（%1）").arg(status));
        }
    }

    // A plan on show survives every failure of a later load; only "no plan" takes it away.
    void laterLoadAfterPlan_data() {
        QTest::addColumn<Reply>("later");
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("title");
        QTest::newRow("server error keeps it") << Reply::json(503, {}) << State::Plan << "学完「有理数」";
        QTest::newRow("no connection keeps it")
            << Reply::error(TransportError::Kind::NoConnection) << State::Plan << "学完「有理数」";
        QTest::newRow("timeout keeps it")
            << Reply::error(TransportError::Kind::TimedOut) << State::Plan << "学完「有理数」";
        QTest::newRow("cancelled keeps it")
            << Reply::error(TransportError::Kind::Cancelled) << State::Plan << "学完「有理数」";
        QTest::newRow("undecodable keeps it") << Reply::json(200, "{}") << State::Plan << "学完「有理数」";
        QTest::newRow("204 clears it") << Reply::json(204, {}) << State::Empty << "";
        QTest::newRow("not HTTP clears it") << noHttpAnswer() << State::Empty << "";
        QTest::newRow("a new plan replaces it") << Reply::json(200, otherPlan) << State::Plan << "另一条路径";
    }
    void laterLoadAfterPlan() {
        QFETCH(Reply, later);
        QFETCH(State, state);
        QFETCH(QString, title);
        Card card({Reply::json(200, fullPlan), later});
        card.load();
        QCOMPARE(card.card.state(), State::Plan);
        card.load();
        QCOMPARE(card.card.state(), state);
        QCOMPARE(card.card.title(), title);
    }

    // A load the tab no longer waits for (it left the screen: a chat was pushed over it, another tab was
    // chosen) writes nothing, whatever it brings: no loading face ended, no plan dropped, none shown.
    void droppedLoadWritesNothing_data() {
        QTest::addColumn<bool>("planFirst");
        QTest::addColumn<Reply>("late");
        QTest::newRow("plan on show, then cancelled")
            << true << Reply::error(TransportError::Kind::Cancelled);
        QTest::newRow("plan on show, then 204") << true << Reply::json(204, {});
        QTest::newRow("nothing yet, then a plan") << false << Reply::json(200, otherPlan);
        QTest::newRow("nothing yet, then a failure") << false << Reply::json(500, {});
    }
    void droppedLoadWritesNothing() {
        QFETCH(bool, planFirst);
        QFETCH(Reply, late);
        Card card(planFirst ? QList<Reply>{Reply::json(200, fullPlan), late.after(20)}
                            : QList<Reply>{late.after(20)});
        if (planFirst)
            card.load();
        const State before = card.card.state();
        QSignalSpy changed(&card.card, &LearningPlanCardViewModel::changed);
        auto load = card.card.load();
        card.card.disappear();
        Await::result(load);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(card.card.state(), before);
        QCOMPARE(card.card.planLoaded(), planFirst);

        // Back on screen, loads count again.
        card.card.appear();
        QTRY_COMPARE(card.card.planLoaded(), true);
    }

    // A card destroyed while its refresh runs is left alone by the answer or the failure.
    void cardGoneMidLoad_data() {
        QTest::addColumn<Reply>("late");
        QTest::newRow("plan") << Reply::json(200, fullPlan).after(20);
        QTest::newRow("failure") << Reply::json(500, {}).after(20);
    }
    void cardGoneMidLoad() {
        QFETCH(Reply, late);
        TestPlatform platform;
        platform.transport->on("GET", learningPlanPath, late);
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        auto card = std::make_unique<LearningPlanCardViewModel>();
        card->setSession(&session);
        auto refresh = card->runRefresh();
        card.reset();
        Await::result(refresh);
        QCOMPARE(platform.transport->count(learningPlanPath), 1);
    }

    // Overlapping loads: the one begun last decides, whichever answers first.
    void newestLoadWins_data() {
        QTest::addColumn<Reply>("older");
        QTest::addColumn<Reply>("newer");
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("title");
        QTest::newRow("older answers last with a plan")
            << Reply::json(200, fullPlan).after(60) << Reply::json(204, {}).after(5) << State::Empty << "";
        QTest::newRow("older answers last with 204")
            << Reply::json(204, {}).after(60) << Reply::json(200, otherPlan).after(5) << State::Plan
            << "另一条路径";
        QTest::newRow("in order") << Reply::json(200, fullPlan).after(5)
                                  << Reply::json(200, otherPlan).after(60) << State::Plan << "另一条路径";
        QTest::newRow("newer fails: the older plan is the newest news")
            << Reply::json(200, fullPlan).after(60) << Reply::json(500, {}).after(5) << State::Plan
            << "学完「有理数」";
    }
    void newestLoadWins() {
        QFETCH(Reply, older);
        QFETCH(Reply, newer);
        QFETCH(State, state);
        QFETCH(QString, title);
        Card card({older, newer});
        auto first = card.card.load();
        auto second = card.card.load();
        Await::result(first);
        Await::result(second);
        QCOMPARE(card.card.state(), state);
        QCOMPARE(card.card.title(), title);
    }

    void refreshingHoldsUntilItsLoadEnds() {
        Card card({Reply::json(200, fullPlan).after(20)});
        QSignalSpy refreshing(&card.card, &LearningPlanCardViewModel::refreshingChanged);
        auto refresh = card.card.runRefresh();
        QVERIFY(card.card.refreshing());
        Await::result(refresh);
        QVERIFY(!card.card.refreshing());
        QCOMPARE(card.card.state(), State::Plan);
        QCOMPARE(refreshing.count(), 2);

        // Leaving the screen ends the indicator at once.
        card.card.refresh();
        QVERIFY(card.card.refreshing());
        card.card.disappear();
        QVERIFY(!card.card.refreshing());
    }

    // Each chip opens the plan chat with exactly its question, whatever the card shows.
    void chipsAskTheirQuestion_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<bool>("load");
        QTest::addColumn<State>("state");
        QTest::newRow("loading") << Reply() << false << State::Loading;
        QTest::newRow("empty") << Reply::json(204, {}) << true << State::Empty;
        QTest::newRow("plan") << Reply::json(200, fullPlan) << true << State::Plan;
    }
    void chipsAskTheirQuestion() {
        QFETCH(Reply, reply);
        QFETCH(bool, load);
        QFETCH(State, state);
        Card card({reply});
        if (load)
            card.load();
        QCOMPARE(card.card.state(), state);
        const QStringList expected{QStringLiteral("我的学习计划是什么"), QStringLiteral("今天学什么"),
                                   QStringLiteral("这一课讲了什么"), QStringLiteral("我学到哪了")};
        QCOMPARE(card.card.questions(), expected);
        QSignalSpy asked(&card.card, &LearningPlanCardViewModel::chatRequested);
        for (int i = -1; i <= expected.size(); ++i)
            card.card.ask(i);
        QCOMPARE(asked.count(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(asked[i], (QVariantList{"qa_plan", expected[i], QString(), "学习计划问答"}));
    }
};

QTEST_GUILESS_MAIN(TestLearningPlan)
#include "tst_learningplan.moc"
