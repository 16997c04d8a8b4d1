// The home grid's today card: what it shows for each answer, when it loads (on screen, and when the last path
// changes while shown), and which answers it drops (superseded, after leaving the screen, after destruction).
#include "AppSession.h"
#include "Await.h"
#include "LearningPathFixture.h"
#include "TestPlatform.h"
#include "TodayTasksCardViewModel.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;

QString pathRoute(qint64 id) {
    return QStringLiteral("/api/v1/learning-paths/%1").arg(id);
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestTodayTasksCard : public QObject {
    Q_OBJECT

private:
    struct Card {
        TestPlatform platform;
        AppSession session;
        std::unique_ptr<TodayTasksCardViewModel> card = std::make_unique<TodayTasksCardViewModel>();

        Card() {
            session.setAccessToken(QStringLiteral("tok"));
            card->setSession(&session);
            card->setTitle(QStringLiteral("今日学习"));
            card->setSize(QStringLiteral("L"));
        }
        // What the card shows: the progress line, or the invitation.
        QString shown() const { return card->hasPath() ? card->progressLine() : card->invitation(); }
    };

private Q_SLOTS:
    void answers_data() {
        QTest::addColumn<std::optional<qint64>>("lastPathId");
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("total");
        QTest::addColumn<int>("requests");

        using P = std::optional<qint64>;
        const QString invitation = QStringLiteral("还没开始，去选一章");
        QTest::newRow("no last path: no request")
            << P() << Reply::json(200, learningPathWith(7, "g", {"Completed"})) << invitation << 0.0 << 1.0
            << 0;
        QTest::newRow("three of eight")
            << P(7)
            << Reply::json(200, learningPathWith(7, "学完「有理数」",
                                                 {"Completed", "Completed", "Completed", "Ready", "Locked",
                                                  "Locked", "Locked", "Locked"}))
            << "学完「有理数」 · 已完成 3/8" << 3.0 << 8.0 << 1;
        QTest::newRow("no lessons: an empty bar over one")
            << P(7) << Reply::json(200, learningPathWith(7, "g", {})) << "g · 已完成 0/0" << 0.0 << 1.0 << 1;
        QTest::newRow("case and trailing blank do not count")
            << P(7) << Reply::json(200, learningPathWith(7, "g", {"completed", "Completed ", "Completed"}))
            << "g · 已完成 1/3" << 1.0 << 3.0 << 1;
        QTest::newRow("all done") << P(7)
                                  << Reply::json(200, learningPathWith(7, "g", {"Completed", "Completed"}))
                                  << "g · 已完成 2/2" << 2.0 << 2.0 << 1;
        QTest::newRow("error status")
            << P(7) << Reply::json(404, R"({"message":"学习路径不存在"})") << invitation << 0.0 << 1.0 << 1;
        QTest::newRow("undecodable") << P(7) << Reply::json(200, R"({"path_id":7})") << invitation << 0.0
                                     << 1.0 << 1;
        QTest::newRow("offline") << P(7) << Reply::error(TransportError::Kind::TimedOut) << invitation << 0.0
                                 << 1.0 << 1;
    }
    void answers() {
        QFETCH(std::optional<qint64>, lastPathId);
        QFETCH(Reply, reply);
        QFETCH(QString, shown);
        QFETCH(double, value);
        QFETCH(double, total);
        QFETCH(int, requests);

        Card card;
        card.session.setLastPathId(lastPathId);
        card.platform.transport->on("GET", pathRoute(7), reply);
        Await::result(card.card->runLoad());
        QCOMPARE(card.shown(), shown);
        QCOMPARE(card.card->progressValue(), value);
        QCOMPARE(card.card->progressTotal(), total);
        QCOMPARE(card.platform.transport->requests.size(), requests);
    }

    void minHeight_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("minHeight");
        QTest::newRow("L") << "L" << 100;
        QTest::newRow("M") << "M" << 80;
        QTest::newRow("XL") << "XL" << 80;
        QTest::newRow("lower-case l") << "l" << 80;
    }
    void minHeight() {
        QFETCH(QString, size);
        QFETCH(int, minHeight);
        TodayTasksCardViewModel card;
        card.setSize(size);
        QCOMPARE(card.minHeight(), minHeight);
    }

    // A failure after a path was shown takes the path away: the card never shows a path it could not confirm.
    void failureAfterSuccessClears() {
        Card card;
        card.session.setLastPathId(7);
        card.platform.transport->on("GET", pathRoute(7),
                                    Reply::json(200, learningPathWith(7, "g", {"Completed"})));
        card.platform.transport->on("GET", pathRoute(7), Reply::json(500, "{}"));
        QSignalSpy changed(card.card.get(), &TodayTasksCardViewModel::pathChanged);
        Await::result(card.card->runLoad());
        QCOMPARE(card.shown(), QStringLiteral("g · 已完成 1/1"));
        Await::result(card.card->runLoad());
        QVERIFY(!card.card->hasPath());
        QCOMPARE(card.card->goal(), QString());
        QCOMPARE(changed.size(), 2);
    }

    // Coming on screen loads; a new last path loads again while shown, not while away; coming back loads.
    void loadsOnScreenAndOnANewLastPath() {
        Card card;
        card.session.setLastPathId(7);
        card.platform.transport->on("GET", pathRoute(7),
                                    Reply::json(200, learningPathWith(7, "七", {"Completed"})));
        card.platform.transport->on("GET", pathRoute(9),
                                    Reply::json(200, learningPathWith(9, "九", {"Ready"})));
        card.platform.transport->on("GET", pathRoute(11), Reply::json(200, learningPathWith(11, "十一", {})));
        QCOMPARE(card.platform.transport->requests.size(), 0);

        card.card->setOnScreen(true);
        QTRY_COMPARE(card.shown(), QStringLiteral("七 · 已完成 1/1"));
        card.session.setLastPathId(9);
        QTRY_COMPARE(card.shown(), QStringLiteral("九 · 已完成 0/1"));
        QCOMPARE(card.platform.transport->requests.size(), 2);

        card.card->setOnScreen(false);
        card.session.setLastPathId(11);
        QTest::qWait(30);
        QCOMPARE(card.platform.transport->requests.size(), 2);
        QCOMPARE(card.shown(), QStringLiteral("九 · 已完成 0/1"));
        card.card->setOnScreen(true);
        QTRY_COMPARE(card.shown(), QStringLiteral("十一 · 已完成 0/0"));

        // The path forgotten while shown: the invitation at once, with no request.
        card.session.setLastPathId(std::nullopt);
        QCOMPARE(card.shown(), QStringLiteral("还没开始，去选一章"));
        QCOMPARE(card.platform.transport->requests.size(), 3);
    }

    // The slow answer for the path the learner just left does not overwrite the new one, whether it arrives
    // before or after it.
    void supersededAnswerDropped_data() {
        QTest::addColumn<int>("oldDelay");
        QTest::addColumn<int>("newDelay");
        QTest::newRow("old answer last") << 60 << 0;
        QTest::newRow("old answer first") << 0 << 60;
    }
    void supersededAnswerDropped() {
        QFETCH(int, oldDelay);
        QFETCH(int, newDelay);
        Card card;
        card.session.setLastPathId(7);
        card.platform.transport->on(
            "GET", pathRoute(7), Reply::json(200, learningPathWith(7, "旧", {"Completed"})).after(oldDelay));
        card.platform.transport->on("GET", pathRoute(9),
                                    Reply::json(200, learningPathWith(9, "新", {})).after(newDelay));
        QSignalSpy changed(card.card.get(), &TodayTasksCardViewModel::pathChanged);
        card.card->setOnScreen(true);
        card.session.setLastPathId(9);
        QTRY_COMPARE(card.shown(), QStringLiteral("新 · 已完成 0/0"));
        QTest::qWait(100);
        QCOMPARE(card.shown(), QStringLiteral("新 · 已完成 0/0"));
        QCOMPARE(changed.size(), 1);
    }

    // An answer, a failure here, for a path that is no longer the session's last one clears nothing: the
    // session moved on (quietly, without a new load) while the request was out.
    void answerForAPathNoLongerCurrentDropped() {
        Card card;
        card.session.setLastPathId(9);
        card.platform.transport->on("GET", pathRoute(9), Reply::json(200, learningPathWith(9, "新", {})));
        card.platform.transport->on("GET", pathRoute(7), Reply::json(500, "{}").after(30));
        Await::result(card.card->runLoad());
        QCOMPARE(card.shown(), QStringLiteral("新 · 已完成 0/0"));

        const auto quietly = [&](qint64 id) {
            const QSignalBlocker blocker(&card.session);
            card.session.setLastPathId(id);
        };
        quietly(7);
        auto stale = card.card->runLoad();
        quietly(9);
        Await::result(stale);
        QCOMPARE(card.platform.transport->count(pathRoute(7)), 1);
        QCOMPARE(card.shown(), QStringLiteral("新 · 已完成 0/0"));
    }

    void leavingTheScreenDropsTheLoad() {
        Card card;
        card.session.setLastPathId(7);
        card.platform.transport->on("GET", pathRoute(7),
                                    Reply::json(200, learningPathWith(7, "g", {"Completed"})).after(30));
        card.card->setOnScreen(true);
        card.card->setOnScreen(false);
        QTest::qWait(80);
        QVERIFY(!card.card->hasPath());
        card.card->setOnScreen(true);
        QTRY_VERIFY(card.card->hasPath());
    }

    void destroyedMidLoad() {
        Card card;
        card.session.setLastPathId(7);
        card.platform.transport->on("GET", pathRoute(7),
                                    Reply::json(200, learningPathWith(7, "g", {"Completed"})).after(30));
        card.card->setOnScreen(true);
        card.card.reset();
        QTest::qWait(80);
        card.session.setLastPathId(9); // nothing listens any more
        QCOMPARE(card.platform.transport->requests.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTodayTasksCard)
#include "tst_todaytaskscard.moc"
