#include "Analytics.h"
#include "AppSession.h"
#include "Await.h"
#include "Fixtures.h"
#include "LearningStore.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString lastPathKey = QStringLiteral("qvl.last_path_id");

QString pathUrl(qint64 pathId) {
    return QStringLiteral("/api/v1/learning-paths/%1").arg(pathId);
}

QString completeUrl(qint64 pathId, qint64 itemId) {
    return pathUrl(pathId) + QStringLiteral("/items/%1/complete").arg(itemId);
}

// A path whose lessons 1..count have ids pathId*100 + order; the lessons before `unlocked` are completed.
QByteArray pathBody(qint64 pathId, int count = 2, int unlocked = 1) {
    QJsonArray items;
    for (int order = 1; order <= count; ++order) {
        items.append(QJsonObject{{"item_id", pathId * 100 + order},
                                 {"list_order", order},
                                 {"kp_code", QStringLiteral("k%1").arg(order)},
                                 {"kp_name", QStringLiteral("知识点%1").arg(order)},
                                 {"state", order < unlocked    ? "Completed"
                                           : order == unlocked ? "Ready"
                                                               : "Locked"},
                                 {"openable", order <= unlocked}});
    }
    const QJsonObject path{{"path_id", pathId},  {"goal_type", "chapter"},     {"goal", "学完「有理数」"},
                           {"status", "Active"}, {"unlocked_order", unlocked}, {"prefetch", 1},
                           {"items", items}};
    return QJsonDocument(path).toJson(QJsonDocument::Compact);
}

// The store fetches the path again after a completion, so only that the answer decodes matters here.
QByteArray completeBody() {
    return Fixtures::json("learning/complete.json");
}

FakeTransport::Reply ok(const QByteArray &body, int delayMs = 0) {
    return FakeTransport::Reply::json(200, body).after(delayMs);
}

FakeTransport::Reply refused(int status, const QByteArray &message, int delayMs = 0) {
    return FakeTransport::Reply::json(status, R"({"code":"x","message":")" + message + R"("})")
        .after(delayMs);
}

struct Fixture {
    TestPlatform platform;
    AppSession session;
    LearningStore store{&session};

    FakeTransport &transport() { return *platform.transport; }
    qint64 shownPathId() const { return store.path() ? store.path()->pathId : -1; }
    // Leaves an error message in the store through a refresh the server refuses.
    void leaveErrorMessage(const QByteArray &message) {
        session.setLastPathId(999);
        transport().on("GET", pathUrl(999), refused(500, message));
        Await::result(store.refresh());
        QCOMPARE(store.errorMessage(), QString::fromUtf8(message));
    }
};

TopicCandidate candidate(qint64 lessons) {
    TopicCandidate c;
    c.chapterCode = QStringLiteral("c1");
    c.chapterName = QStringLiteral("有理数");
    c.kpCodes = {QStringLiteral("k3"), QStringLiteral("k1")};
    c.kpNames = {QStringLiteral("绝对值"), QStringLiteral("正数")};
    c.lessons = lessons;
    c.estimatedMinutes = 60;
    return c;
}

QList<Analytics::Event> eventsNamed(const QString &name) {
    QList<Analytics::Event> found;
    for (const Analytics::Event &event : Analytics::shared().queuedEvents()) {
        if (event.name == name)
            found.append(event);
    }
    return found;
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

// Replies of one route are used in the order they were queued (the last keeps answering), so every test
// queues a route's replies before the first request reaches it.
class TestLearningStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- loading the last path

    void withoutAStoredIdNothingIsLoaded() {
        Fixture f;
        QSignalSpy loading(&f.store, &LearningStore::loadingChanged);
        Await::result(f.store.loadLastPath());
        QVERIFY(f.transport().requests.isEmpty());
        QCOMPARE(loading.count(), 0);
        QVERIFY(!f.store.hasPath());
    }

    void theStoredPathIsLoadedAndAnEarlierMessageStays() {
        Fixture f;
        f.leaveErrorMessage("稍后再试");
        f.session.setLastPathId(7);
        f.transport().on("GET", pathUrl(7), ok(pathBody(7), 20));
        QSignalSpy loading(&f.store, &LearningStore::loadingChanged);
        QSignalSpy pathChanged(&f.store, &LearningStore::pathChanged);

        auto load = f.store.loadLastPath();
        QVERIFY(f.store.loading());
        Await::result(load);
        QVERIFY(!f.store.loading());
        QCOMPARE(loading.count(), 2);
        QCOMPARE(pathChanged.count(), 1);
        QCOMPARE(f.shownPathId(), 7);
        QCOMPARE(f.store.errorMessage(), QStringLiteral("稍后再试"));
    }

    // Only a server that says the path is gone makes the learner start over; a failure on the way keeps the
    // path for the next try, and no failure here is ever shown.
    void failedLoad_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<bool>("forgets");
        QTest::newRow("404") << refused(404, "学习路径不存在") << true;
        QTest::newRow("410") << refused(410, "学习路径已删除") << true;
        QTest::newRow("500") << refused(500, "服务器内部错误") << false;
        QTest::newRow("503") << FakeTransport::Reply::json(503, "") << false;
        QTest::newRow("401 after renewal") << refused(401, "登录已失效") << false;
        QTest::newRow("403") << refused(403, "没有权限") << false;
        QTest::newRow("undecodable path") << ok(R"({"path_id":7})") << false;
        QTest::newRow("no HTTP answer") << FakeTransport::Reply::json(-1, "") << false;
        QTest::newRow("no connection")
            << FakeTransport::Reply::error(TransportError::Kind::NoConnection) << false;
        QTest::newRow("timeout") << FakeTransport::Reply::error(TransportError::Kind::TimedOut) << false;
    }
    void failedLoad() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(bool, forgets);
        Fixture f;
        f.session.setLastPathId(7);
        f.transport().on("GET", pathUrl(7), ok(pathBody(7)));
        f.transport().on("GET", pathUrl(7), reply);
        Await::result(f.store.loadLastPath()); // on show from an earlier appearance
        QSignalSpy errors(&f.store, &LearningStore::errorMessageChanged);

        Await::result(f.store.loadLastPath());

        QCOMPARE(errors.count(), 0);
        QVERIFY(!f.store.hasErrorMessage());
        QVERIFY(!f.store.loading());
        QCOMPARE(f.store.hasPath(), !forgets);
        QCOMPARE(f.session.lastPathId(), forgets ? std::nullopt : std::optional<qint64>(7));
        QCOMPARE(f.platform.defaults->contains(lastPathKey), !forgets);
        AppSession relaunched;
        QCOMPARE(relaunched.lastPathId(), f.session.lastPathId());
    }

    // A load that answers after a path was created (whichever started first) neither replaces the new path
    // nor forgets its id.
    void staleLoadNeverUndoesACreatedPath_data() {
        QTest::addColumn<FakeTransport::Reply>("loadReply");
        QTest::addColumn<bool>("createFirst");
        const FakeTransport::Reply found = ok(pathBody(1), 80);
        const FakeTransport::Reply gone = refused(404, "学习路径不存在", 80);
        QTest::newRow("load first, old path found") << found << false;
        QTest::newRow("load first, old path gone") << gone << false;
        QTest::newRow("create first, old path found") << found << true;
        QTest::newRow("create first, old path gone") << gone << true;
    }
    void staleLoadNeverUndoesACreatedPath() {
        QFETCH(FakeTransport::Reply, loadReply);
        QFETCH(bool, createFirst);
        Fixture f;
        f.session.setLastPathId(1);
        f.transport().on("GET", pathUrl(1), loadReply);
        f.transport().on("POST", QStringLiteral("/api/v1/learning-paths"), ok(pathBody(2), 20));
        QSignalSpy loading(&f.store, &LearningStore::loadingChanged);

        auto first = createFirst ? f.store.createFromChapter(QStringLiteral("c2")) : f.store.loadLastPath();
        auto second = createFirst ? f.store.loadLastPath() : f.store.createFromChapter(QStringLiteral("c2"));
        Await::result(createFirst ? first : second);
        QCOMPARE(f.shownPathId(), 2);
        QVERIFY(f.store.loading()); // the load still runs
        Await::result(createFirst ? second : first);

        QCOMPARE(f.shownPathId(), 2);
        QCOMPARE(f.session.lastPathId(), std::optional<qint64>(2));
        QVERIFY(!f.store.loading());
        QCOMPARE(loading.count(), 2);
    }

    // --- creating

    void createShowsAndRemembersThePath() {
        Fixture f;
        f.leaveErrorMessage("旧的错误");
        f.transport().on("POST", QStringLiteral("/api/v1/learning-paths"), ok(pathBody(42), 20));
        const int eventsBefore = int(eventsNamed(QStringLiteral("topic_path_create")).size());
        QSignalSpy loading(&f.store, &LearningStore::loadingChanged);

        auto create = f.store.createFromChapter(QStringLiteral("math-g7a-c1"));
        QVERIFY(f.store.loading());
        QVERIFY(!f.store.hasErrorMessage()); // cleared as the create starts
        Await::result(create);

        QCOMPARE(f.shownPathId(), 42);
        QCOMPARE(f.session.lastPathId(), std::optional<qint64>(42));
        QCOMPARE(f.platform.defaults->integerValue(lastPathKey), 42);
        QVERIFY(!f.store.loading());
        QCOMPARE(loading.count(), 2);
        const QJsonObject body = QJsonDocument::fromJson(f.transport().requests.last().body).object();
        QCOMPARE(body.value("chapter_id").toString(), QStringLiteral("math-g7a-c1"));
        QCOMPARE(body.value("options").toObject().value("prefetch"), QJsonValue(1));
        QCOMPARE(eventsNamed(QStringLiteral("topic_path_create")).size(), eventsBefore);
    }

    void failedCreateKeepsThePathAndItsId() {
        Fixture f;
        f.session.setLastPathId(5);
        f.transport().on("GET", pathUrl(5), ok(pathBody(5)));
        Await::result(f.store.loadLastPath());
        f.transport().on("POST", QStringLiteral("/api/v1/learning-paths"), refused(400, "章节不存在"));

        Await::result(f.store.createFromChapter(QStringLiteral("nope")));

        QCOMPARE(f.store.errorMessage(), QStringLiteral("章节不存在"));
        QCOMPARE(f.shownPathId(), 5);
        QCOMPARE(f.session.lastPathId(), std::optional<qint64>(5));
        QVERIFY(!f.store.loading());
    }

    void topicCreateRecordsThePromisedLessonCount() {
        Fixture f;
        f.transport().on("POST", QStringLiteral("/api/v1/learning-paths"), ok(pathBody(8, 2)));
        const int before = int(eventsNamed(QStringLiteral("topic_path_create")).size());

        Await::result(f.store.createFromTopic(candidate(4)));

        const QList<Analytics::Event> events = eventsNamed(QStringLiteral("topic_path_create"));
        QCOMPARE(events.size(), before + 1);
        QCOMPARE(events.last().props,
                 (QHash<QString, QString>{{QStringLiteral("lessons"), QStringLiteral("4")}}));
        const QJsonObject body = QJsonDocument::fromJson(f.transport().requests.last().body).object();
        QCOMPARE(body.value("goal_type").toString(), QStringLiteral("topic"));
        QCOMPARE(body.value("kp_codes").toArray(), (QJsonArray{"k3", "k1"}));
        QCOMPARE(f.session.lastPathId(), std::optional<qint64>(8));
    }

    // The path exists on the server once created: the learner finds it next time even if the learning home
    // closed while it was being made.
    void createOutlivesItsStore() {
        TestPlatform platform;
        AppSession session;
        platform.transport->on("POST", QStringLiteral("/api/v1/learning-paths"), ok(pathBody(9), 30));
        auto *store = new LearningStore(&session);
        auto create = store->createFromChapter(QStringLiteral("c1"));
        delete store;
        Await::result(create);
        QCOMPARE(session.lastPathId(), std::optional<qint64>(9));
    }

    // --- refreshing

    void refreshFallsBackToTheStoredId() {
        Fixture f;
        Await::result(f.store.refresh());
        QVERIFY(f.transport().requests.isEmpty());

        f.session.setLastPathId(3);
        f.transport().on("GET", pathUrl(3), ok(pathBody(3)));
        QSignalSpy loading(&f.store, &LearningStore::loadingChanged);
        Await::result(f.store.refresh());
        QCOMPARE(f.shownPathId(), 3);
        QCOMPARE(loading.count(), 0);
    }

    void refreshFetchesThePathOnShowAndKeepsItOnFailure() {
        Fixture f;
        f.session.setLastPathId(3);
        f.transport().on("GET", pathUrl(3), ok(pathBody(3)));
        f.transport().on("GET", pathUrl(3), FakeTransport::Reply::error(TransportError::Kind::NoConnection));
        Await::result(f.store.loadLastPath());
        f.session.setLastPathId(4); // remembered elsewhere meanwhile: the refresh stays with what is on show
        QSignalSpy loading(&f.store, &LearningStore::loadingChanged);

        Await::result(f.store.refresh());

        QCOMPARE(f.transport().count(pathUrl(4)), 0);
        QCOMPARE(f.shownPathId(), 3);
        QCOMPARE(f.store.errorMessage(),
                 TransportError::fromKind(TransportError::Kind::NoConnection).message());
        QVERIFY(!f.store.errorMessage()->isEmpty());
        QCOMPARE(loading.count(), 0);
    }

    // A request aborted on purpose is no failure: nothing to alert the learner about.
    void aCancelledRequestLeavesNoMessage() {
        Fixture f;
        f.session.setLastPathId(3);
        f.transport().fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::error(TransportError::Kind::Cancelled);
        };
        QSignalSpy message(&f.store, &LearningStore::errorMessageChanged);
        Await::result(f.store.refresh());
        Await::result(f.store.createFromChapter(QStringLiteral("c1")));
        QVERIFY(!Await::result(f.store.completeItem(3, 7)));
        QCOMPARE(f.store.errorMessage(), std::nullopt);
        QCOMPARE(message.count(), 0);
    }

    void refreshKeepsAnEarlierMessageAndNotifiesOnlyChanges() {
        Fixture f;
        f.leaveErrorMessage("旧的错误");
        f.session.setLastPathId(3);
        f.transport().on("GET", pathUrl(3), ok(pathBody(3)));
        QSignalSpy pathChanged(&f.store, &LearningStore::pathChanged);
        Await::result(f.store.refresh());
        Await::result(f.store.refresh()); // the same copy again
        QCOMPARE(pathChanged.count(), 1);
        QCOMPARE(f.store.errorMessage(), QStringLiteral("旧的错误"));

        QSignalSpy errors(&f.store, &LearningStore::errorMessageChanged);
        f.store.clearErrorMessage();
        f.store.clearErrorMessage();
        QCOMPARE(errors.count(), 1);
    }

    // --- completing

    void completionRefetchesThePathOnShow() {
        Fixture f;
        f.session.setLastPathId(1);
        f.transport().on("GET", pathUrl(1), ok(pathBody(1, 3, 1)));
        f.transport().on("GET", pathUrl(1), ok(pathBody(1, 3, 2)));
        Await::result(f.store.loadLastPath());
        f.transport().on("POST", completeUrl(1, 101), ok(completeBody()));
        QSignalSpy loading(&f.store, &LearningStore::loadingChanged);

        QVERIFY(Await::result(f.store.completeItem(1, 101)));

        const HttpRequest post = f.transport().requestsTo(completeUrl(1, 101)).first();
        QCOMPARE(post.body, QByteArray("{}"));
        QCOMPARE(f.store.path()->unlockedOrder, 2);
        QCOMPARE(f.store.path()->items[0].state, LessonState::completed);
        QVERIFY(f.store.path()->items[1].openable);
        QCOMPARE(loading.count(), 0);
        QVERIFY(!f.store.hasErrorMessage());
    }

    // A lesson page of an older path completes that path's lesson, not the lesson of that id in whatever path
    // is on show now; the path on show is not fetched for it.
    void completionGoesToTheLessonsOwnPath() {
        Fixture f;
        f.session.setLastPathId(2);
        f.transport().on("GET", pathUrl(2), ok(pathBody(2)));
        Await::result(f.store.loadLastPath());
        f.transport().on("POST", completeUrl(1, 101), ok(completeBody()));
        const int fetchesBefore = f.transport().count(pathUrl(2));

        QVERIFY(Await::result(f.store.completeItem(1, 101)));

        QCOMPARE(f.transport().count(completeUrl(1, 101)), 1);
        QCOMPARE(f.transport().count(completeUrl(2, 101)), 0);
        QCOMPARE(f.transport().count(pathUrl(1)), 0);
        QCOMPARE(f.transport().count(pathUrl(2)), fetchesBefore);
        QCOMPARE(f.shownPathId(), 2);
    }

    void completionWithoutAPathOnShowStillPosts() {
        Fixture f;
        f.transport().on("POST", completeUrl(4, 401), ok(completeBody()));
        QVERIFY(Await::result(f.store.completeItem(4, 401)));
        QCOMPARE(f.transport().requests.size(), 1);
        QVERIFY(!f.store.hasPath());
    }

    void completionFailures_data() {
        QTest::addColumn<FakeTransport::Reply>("postReply");
        QTest::addColumn<FakeTransport::Reply>("fetchReply");
        QTest::addColumn<bool>("posted");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused") << refused(409, "请先完成前面的课程") << ok(pathBody(1, 3, 2)) << false
                                 << "请先完成前面的课程";
        QTest::newRow("answer without path_status")
            << ok(R"({"item_id":101,"state":"Completed","unlocked_order":2})") << ok(pathBody(1, 3, 2))
            << false << "响应格式不正确";
        QTest::newRow("no HTTP answer")
            << FakeTransport::Reply::json(-1, "") << ok(pathBody(1, 3, 2)) << false << "无响应";
        QTest::newRow("posted, fetch refused")
            << ok(completeBody()) << refused(502, "服务暂时不可用") << true << "服务暂时不可用";
    }
    void completionFailures() {
        QFETCH(FakeTransport::Reply, postReply);
        QFETCH(FakeTransport::Reply, fetchReply);
        QFETCH(bool, posted);
        QFETCH(QString, message);
        Fixture f;
        f.session.setLastPathId(1);
        f.transport().on("GET", pathUrl(1), ok(pathBody(1, 3, 1)));
        f.transport().on("GET", pathUrl(1), fetchReply);
        Await::result(f.store.loadLastPath());
        f.transport().on("POST", completeUrl(1, 101), postReply);
        const int fetchesBefore = f.transport().count(pathUrl(1));

        QCOMPARE(Await::result(f.store.completeItem(1, 101)), posted);

        QCOMPARE(f.store.errorMessage(), message);
        QCOMPARE(f.transport().count(pathUrl(1)) - fetchesBefore, posted ? 1 : 0);
        QCOMPARE(f.store.path()->unlockedOrder, 1); // the old copy stays
        QVERIFY(!f.store.loading());
    }

    // A refresh that began before a completion answers with the path as it was: it must not lock the lesson
    // again.
    void staleRefreshDoesNotUndoACompletion() {
        Fixture f;
        f.session.setLastPathId(1);
        f.transport().on("GET", pathUrl(1), ok(pathBody(1, 3, 1)));
        f.transport().on("GET", pathUrl(1), ok(pathBody(1, 3, 1), 80)); // the refresh's slow answer
        f.transport().on("GET", pathUrl(1), ok(pathBody(1, 3, 2)));     // the fetch after the completion
        Await::result(f.store.loadLastPath());
        f.transport().on("POST", completeUrl(1, 101), ok(completeBody()));

        auto refresh = f.store.refresh();
        QVERIFY(Await::result(f.store.completeItem(1, 101)));
        QCOMPARE(f.store.path()->unlockedOrder, 2);
        Await::result(refresh);
        QCOMPARE(f.store.path()->unlockedOrder, 2);
    }

    void withoutASessionNothingIsSent() {
        TestPlatform platform;
        LearningStore store;
        Await::result(store.loadLastPath());
        Await::result(store.createFromChapter(QStringLiteral("c1")));
        QVERIFY(!Await::result(store.completeItem(1, 1)));
        QVERIFY(platform.transport->requests.isEmpty());
        QVERIFY(!store.loading());
    }
};

QTEST_GUILESS_MAIN(TestLearningStore)
#include "tst_learningstore.moc"
