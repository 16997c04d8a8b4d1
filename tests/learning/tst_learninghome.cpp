#include "AppSession.h"
#include "Await.h"
#include "LearningHomeViewModel.h"
#include "LearningStore.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace {

using Face = LearningHomeViewModel::Face;

QString pathUrl(qint64 pathId) {
    return QStringLiteral("/api/v1/learning-paths/%1").arg(pathId);
}

const QString createUrl = QStringLiteral("/api/v1/learning-paths");

QByteArray pathBody(qint64 pathId, int lessons = 2) {
    QJsonArray items;
    for (int order = 1; order <= lessons; ++order) {
        items.append(QJsonObject{{"item_id", pathId * 100 + order},
                                 {"list_order", order},
                                 {"kp_code", "k"},
                                 {"kp_name", "名"},
                                 {"state", order == 1 ? "Ready" : "Locked"},
                                 {"openable", order == 1}});
    }
    return QJsonDocument(QJsonObject{{"path_id", pathId},
                                     {"goal_type", "chapter"},
                                     {"goal", QStringLiteral("路径%1").arg(pathId)},
                                     {"status", "Active"},
                                     {"unlocked_order", 1},
                                     {"prefetch", 1},
                                     {"items", items}})
        .toJson(QJsonDocument::Compact);
}

FakeTransport::Reply ok(const QByteArray &body, int delayMs = 0) {
    return FakeTransport::Reply::json(200, body).after(delayMs);
}

FakeTransport::Reply refused(int status, const QByteArray &message, int delayMs = 0) {
    return FakeTransport::Reply::json(status, R"({"message":")" + message + R"("})").after(delayMs);
}

struct Fixture {
    TestPlatform platform;
    AppSession session;
    LearningHomeViewModel home;

    Fixture() {
        session.setAccessToken(QStringLiteral("at"));
        home.setSession(&session);
    }
    FakeTransport &transport() { return *platform.transport; }
    qint64 shownPathId() const {
        return home.store() && home.store()->path() ? home.store()->path()->pathId : -1;
    }
    // The tab comes on screen with path 7 remembered and known to the server, which answers the following
    // fetches of the path with `then` (a route's replies are queued before its first request).
    void showPath7(const QList<FakeTransport::Reply> &then = {}) {
        session.setLastPathId(7);
        transport().on("GET", pathUrl(7), ok(pathBody(7)));
        for (const FakeTransport::Reply &reply : then)
            transport().on("GET", pathUrl(7), reply);
        Await::result(home.runAppear());
        QCOMPARE(home.face(), Face::PathList);
    }
};

TopicCandidate candidate() {
    TopicCandidate c;
    c.chapterCode = QStringLiteral("c1");
    c.chapterName = QStringLiteral("有理数");
    c.kpCodes = {QStringLiteral("k1")};
    c.kpNames = {QStringLiteral("绝对值")};
    c.lessons = 1;
    c.estimatedMinutes = 15;
    return c;
}

} // namespace

class TestLearningHome : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The store is made the first time the tab comes on screen, not before.
    void theStoreIsMadeOnFirstAppearance() {
        Fixture f;
        QVERIFY(!f.home.store());
        QCOMPARE(f.home.face(), Face::None);
        QCOMPARE(f.home.title(), QStringLiteral("学习"));
        QSignalSpy storeChanged(&f.home, &LearningHomeViewModel::storeChanged);
        Await::result(f.home.runAppear());
        LearningStore *store = f.home.store();
        QVERIFY(store);
        QCOMPARE(store->session(), &f.session);
        Await::result(f.home.runAppear());
        QCOMPARE(f.home.store(), store);
        QCOMPARE(storeChanged.count(), 1);
    }

    void withoutALastPathThePickerShowsAndNothingIsSent() {
        Fixture f;
        Await::result(f.home.runAppear());
        QCOMPARE(f.home.face(), Face::Picker);
        QVERIFY(f.transport().requests.isEmpty());
        QVERIFY(!f.home.menuVisible());
        QVERIFY(!f.home.alertVisible());
    }

    // A remembered path the server no longer has: loading, then the picker, silently.
    void anUnknownLastPathEndsAtThePickerWithoutAlert() {
        Fixture f;
        f.session.setLastPathId(9);
        f.transport().on("GET", pathUrl(9), refused(404, "学习路径不存在", 20));
        QSignalSpy faces(&f.home, &LearningHomeViewModel::faceChanged);
        auto task = f.home.runAppear();
        QCOMPARE(f.home.face(), Face::Loading);
        QCOMPARE(f.home.loadingLabel(), QStringLiteral("加载学习路径…"));
        Await::result(task);
        QCOMPARE(f.home.face(), Face::Picker);
        QVERIFY(!f.home.alertVisible());
        QVERIFY(!f.home.menuVisible());
        QVERIFY(!f.session.lastPathId());
    }

    // A server hiccup on the start-up load is silent too.
    void aFailedStartUpLoadShowsNoAlert() {
        Fixture f;
        f.session.setLastPathId(9);
        f.transport().on("GET", pathUrl(9), refused(500, "服务繁忙"));
        Await::result(f.home.runAppear());
        QCOMPARE(f.home.face(), Face::Picker);
        QVERIFY(!f.home.alertVisible());
    }

    void aRememberedPathIsShownWithTheMenu() {
        Fixture f;
        QSignalSpy menu(&f.home, &LearningHomeViewModel::menuChanged);
        f.showPath7();
        QVERIFY(f.home.menuVisible());
        QCOMPARE(menu.count(), 1);
        QCOMPARE(f.home.menuSymbol(), QStringLiteral("ellipsis.circle"));
        QCOMPARE(f.home.switchLabel(), QStringLiteral("换一章学"));
        QCOMPARE(f.home.refreshLabel(), QStringLiteral("刷新"));
    }

    // "换一章学" and back: the picker and the path, without a request and without losing the path.
    void switchingBetweenPickerAndPathSendsNothing() {
        Fixture f;
        f.showPath7();
        const int requests = f.transport().requests.size();
        f.home.toggleChoosing();
        QCOMPARE(f.home.face(), Face::Picker);
        QVERIFY(f.home.choosing());
        QCOMPARE(f.home.switchLabel(), QStringLiteral("返回当前路径"));
        QVERIFY(f.home.menuVisible());
        f.home.toggleChoosing();
        QCOMPARE(f.home.face(), Face::PathList);
        QCOMPARE(f.home.switchLabel(), QStringLiteral("换一章学"));
        QCOMPARE(f.transport().requests.size(), requests);
        QCOMPARE(f.shownPathId(), 7);
    }

    // Picking while a path is shown: the old path at once, the new one when it arrives.
    void pickingWhileAPathIsShownKeepsItUntilTheNewOneArrives() {
        Fixture f;
        f.showPath7();
        f.home.toggleChoosing();
        f.transport().on("POST", createUrl, ok(pathBody(8, 3), 20));
        auto task = f.home.runPickChapter(QStringLiteral("math-g7a-c2"));
        QVERIFY(!f.home.choosing());
        QCOMPARE(f.home.face(), Face::PathList);
        QCOMPARE(f.shownPathId(), 7);
        Await::result(task);
        QCOMPARE(f.home.face(), Face::PathList);
        QCOMPARE(f.shownPathId(), 8);
        QCOMPARE(f.session.lastPathId(), std::optional<qint64>(8));
        const QJsonObject body =
            QJsonDocument::fromJson(f.transport().requestsTo(createUrl).last().body).object();
        QCOMPARE(body.value("chapter_id").toString(), QStringLiteral("math-g7a-c2"));
        QCOMPARE(body.value("goal_type").toString(), QStringLiteral("chapter"));
    }

    // Picking with nothing on show: the loading face until the path arrives.
    void pickingWithoutAPathShowsLoading_data() {
        QTest::addColumn<bool>("fromTopic");
        QTest::newRow("chapter") << false;
        QTest::newRow("topic") << true;
    }
    void pickingWithoutAPathShowsLoading() {
        QFETCH(bool, fromTopic);
        Fixture f;
        Await::result(f.home.runAppear());
        f.transport().on("POST", createUrl, ok(pathBody(8), 20));
        auto task =
            fromTopic ? f.home.runPickTopic(candidate()) : f.home.runPickChapter(QStringLiteral("c1"));
        QCOMPARE(f.home.face(), Face::Loading);
        Await::result(task);
        QCOMPARE(f.home.face(), Face::PathList);
        QCOMPARE(f.shownPathId(), 8);
        const QJsonObject body =
            QJsonDocument::fromJson(f.transport().requestsTo(createUrl).last().body).object();
        QCOMPARE(body.value("goal_type").toString(),
                 fromTopic ? QStringLiteral("topic") : QStringLiteral("chapter"));
    }

    // The candidate reaches the store through QML as an opaque value.
    void aTopicFromQmlIsCreated() {
        Fixture f;
        Await::result(f.home.runAppear());
        f.transport().on("POST", createUrl, ok(pathBody(8)));
        f.home.pickTopic(QVariant::fromValue(candidate()));
        QTRY_COMPARE(f.shownPathId(), 8);
        const QJsonObject body =
            QJsonDocument::fromJson(f.transport().requestsTo(createUrl).last().body).object();
        QCOMPARE(body.value("kp_codes").toArray(), QJsonArray{"k1"});
        // Anything else sends nothing.
        const int requests = f.transport().requests.size();
        f.home.pickTopic(QVariant(QStringLiteral("c1")));
        f.home.pickTopic(QVariant());
        QTest::qWait(20);
        QCOMPARE(f.transport().requests.size(), requests);
    }

    // A failed create keeps the old path and reports in the alert; closing it clears the message.
    void aFailedCreateKeepsThePathAndShowsTheAlert() {
        Fixture f;
        f.showPath7();
        f.home.toggleChoosing();
        f.transport().on("POST", createUrl, refused(409, "这一章已经在你的学习路径里了"));
        QSignalSpy alert(&f.home, &LearningHomeViewModel::alertChanged);
        Await::result(f.home.runPickChapter(QStringLiteral("c1")));
        QCOMPARE(f.home.face(), Face::PathList);
        QCOMPARE(f.shownPathId(), 7);
        QVERIFY(f.home.alertVisible());
        QCOMPARE(f.home.alertTitle(), QStringLiteral("提示"));
        QCOMPARE(f.home.alertButton(), QStringLiteral("好"));
        QCOMPARE(f.home.alertMessage(), QStringLiteral("这一章已经在你的学习路径里了"));
        QCOMPARE(f.session.lastPathId(), std::optional<qint64>(7));
        f.home.dismissAlert();
        QVERIFY(!f.home.alertVisible());
        QCOMPARE(f.home.alertMessage(), QString());
        QCOMPARE(alert.count(), 2);
    }

    // A failed create with nothing on show ends at the picker, with the alert.
    void aFailedCreateWithoutAPathReturnsToThePicker() {
        Fixture f;
        Await::result(f.home.runAppear());
        f.transport().on("POST", createUrl, FakeTransport::Reply::error(TransportError::Kind::NoConnection));
        Await::result(f.home.runPickChapter(QStringLiteral("c1")));
        QCOMPARE(f.home.face(), Face::Picker);
        QVERIFY(f.home.alertVisible());
        QCOMPARE(f.home.alertMessage(),
                 TransportError::fromKind(TransportError::Kind::NoConnection).message());
    }

    void aFailedRefreshKeepsThePathAndShowsTheAlert() {
        Fixture f;
        f.showPath7({refused(503, "服务繁忙", 20)});
        auto task = f.home.runRefresh();
        QCOMPARE(f.home.face(), Face::PathList); // a refresh never shows the loading face
        Await::result(task);
        QCOMPARE(f.home.face(), Face::PathList);
        QCOMPARE(f.shownPathId(), 7);
        QVERIFY(f.home.alertVisible());
        QCOMPARE(f.home.alertMessage(), QStringLiteral("服务繁忙"));
        f.home.dismissAlert();
        QVERIFY(!f.home.alertVisible());
    }

    void aRefreshBringsTheServersNewCopy() {
        Fixture f;
        f.showPath7({ok(pathBody(7, 5))});
        Await::result(f.home.runRefresh());
        QCOMPARE(f.home.store()->path()->items.size(), 5);
        QVERIFY(!f.home.alertVisible());
    }

    void refreshBeforeTheFirstAppearanceDoesNothing() {
        Fixture f;
        Await::result(f.home.runRefresh());
        QVERIFY(f.transport().requests.isEmpty());
        QVERIFY(!f.home.store());
    }

    // Coming back to the tab loads the last path again, keeping the list on show meanwhile.
    void comingBackReloadsBehindThePathList() {
        Fixture f;
        f.showPath7({ok(pathBody(7, 4), 20)});
        QSignalSpy faces(&f.home, &LearningHomeViewModel::faceChanged);
        auto task = f.home.runAppear();
        QVERIFY(f.home.store()->loading());
        QCOMPARE(f.home.face(), Face::PathList);
        Await::result(task);
        QCOMPARE(faces.count(), 0);
        QCOMPARE(f.home.store()->path()->items.size(), 4);
        QCOMPARE(f.transport().count(pathUrl(7)), 2);
    }

    // ... and when that path is gone from the server, the picker shows, without an alert.
    void comingBackToAPathThatIsGoneShowsThePicker() {
        Fixture f;
        f.showPath7({refused(404, "学习路径不存在")});
        Await::result(f.home.runAppear());
        QCOMPARE(f.home.face(), Face::Picker);
        QVERIFY(!f.home.alertVisible());
        QVERIFY(!f.home.menuVisible());
    }

    // A view-model that goes away while its store works leaves that work alone.
    void aHomeGoneMeanwhileIsLeftAlone() {
        TestPlatform platform;
        AppSession session;
        session.setLastPathId(7);
        platform.transport->on("GET", pathUrl(7), ok(pathBody(7), 20));
        auto *home = new LearningHomeViewModel;
        home->setSession(&session);
        auto task = home->runAppear();
        delete home;
        Await::result(task);
        QCOMPARE(session.lastPathId(), std::optional<qint64>(7));
    }
};

QTEST_GUILESS_MAIN(TestLearningHome)
#include "tst_learninghome.moc"
