#include "Analytics.h"
#include "AppFonts.h"
#include "AppSession.h"
#include "Await.h"
#include "LearningItemDetailViewModel.h"
#include "LearningStore.h"
#include "TestPlatform.h"
#include "Theme.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

#include <memory>
#include <vector>

namespace {

constexpr qint64 kPathId = 7;
constexpr qint64 kItemId = 701;

const QString pathUrl = QStringLiteral("/api/v1/learning-paths/7");
const QString itemUrl = QStringLiteral("/api/v1/learning-paths/7/items/701");
const QString completeUrl = QStringLiteral("/api/v1/learning-paths/7/items/701/complete");

const QString preparingMessage = QStringLiteral("讲义和练习正在生成和审核，完成后会在「学习通知」里告诉你。");

// Lesson 1 of path 7: a handout with two sections and an example, two exercises (the second without a stem)
// and two materials.
QByteArray detailBody(const QString &state = QStringLiteral("Ready"),
                      const QString &kpCode = QStringLiteral("k1")) {
    const QJsonObject detail{
        {"item_id", kItemId},
        {"list_order", 1},
        {"kp_code", kpCode},
        {"kp_name", "正数和负数"},
        {"state", state},
        {"assets", QJsonArray{QJsonObject{{"type", "video"}, {"uri", "https://x/a.mp4"}}}},
        {"handout",
         QJsonObject{
             {"title", "正数和负数"},
             {"sections", QJsonArray{QJsonObject{{"heading", "为什么需要负数"}, {"body", "相反意义的量"}},
                                     QJsonObject{{"heading", "正数、负数与 0"}, {"body", "0 是分界"}}}},
             {"examples", QJsonArray{QJsonObject{{"stem", "支出 30 元记作什么？"},
                                                 {"steps", QJsonArray{"收入为正", "支出为负"}}}}}}},
        {"exercises",
         QJsonObject{
             {"questions",
              QJsonArray{QJsonObject{{"question_id", 900111},
                                     {"stem", QJsonObject{{"text", "下列各数中，是负数的是（  ）"}}},
                                     {"options", QJsonArray{QJsonObject{{"label", "A"}, {"text", "0"}},
                                                            QJsonObject{{"label", "B"}, {"text", "-2"}}}}},
                         QJsonObject{{"question_id", 900112}}, QJsonObject{{"stem", QJsonObject{}}}}}}}};
    return QJsonDocument(detail).toJson(QJsonDocument::Compact);
}

QByteArray pathBody(int unlocked) {
    QJsonArray items;
    for (int order = 1; order <= 3; ++order) {
        items.append(QJsonObject{{"item_id", 700 + order},
                                 {"list_order", order},
                                 {"kp_code", QStringLiteral("k%1").arg(order)},
                                 {"kp_name", QStringLiteral("知识点%1").arg(order)},
                                 {"state", order < unlocked    ? "Completed"
                                           : order == unlocked ? "Ready"
                                                               : "Locked"},
                                 {"openable", order <= unlocked}});
    }
    return QJsonDocument(QJsonObject{{"path_id", kPathId},
                                     {"goal_type", "chapter"},
                                     {"goal", "学完「有理数」"},
                                     {"status", "Active"},
                                     {"unlocked_order", unlocked},
                                     {"prefetch", 1},
                                     {"items", items}})
        .toJson(QJsonDocument::Compact);
}

const QByteArray completeBody =
    R"({"item_id":701,"state":"Completed","unlocked_order":2,"path_status":"Active"})";

FakeTransport::Reply ok(const QByteArray &body, int delayMs = 0) {
    return FakeTransport::Reply::json(200, body).after(delayMs);
}

FakeTransport::Reply refused(int status, const QString &message, int delayMs = 0) {
    return FakeTransport::Reply::json(
               status,
               QJsonDocument(QJsonObject{{"code", "x"}, {"message", message}}).toJson(QJsonDocument::Compact))
        .after(delayMs);
}

// The events recorded since `from` (the shared queue is never flushed here: no session started it).
QList<Analytics::Event> eventsSince(int from) {
    return Analytics::shared().queuedEvents().mid(from);
}

QHash<QString, QString> props(std::initializer_list<std::pair<QString, QString>> list) {
    QHash<QString, QString> hash;
    for (const auto &[key, value] : list)
        hash.insert(key, value);
    return hash;
}

// An item of the visual tree by its object name (delegates of a Repeater are not QObject children).
QQuickItem *findItem(QQuickItem *root, const QString &name) {
    if (root->objectName() == name)
        return root;
    for (QQuickItem *child : root->childItems()) {
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

// `value` with `with` put at `path` (object keys and array indexes; an index past the end appends), or the
// key at `path` removed when `with` is undefined.
QJsonValue withAt(const QJsonValue &value, QStringList path, const QJsonValue &with) {
    if (path.isEmpty())
        return with;
    const QString key = path.takeFirst();
    bool isIndex = false;
    const int index = key.toInt(&isIndex);
    if (isIndex) {
        QJsonArray array = value.toArray();
        if (index < array.size())
            array[index] = withAt(array.at(index), path, with);
        else
            array.append(withAt(QJsonValue(), path, with));
        return array;
    }
    QJsonObject object = value.toObject();
    const QJsonValue inner = withAt(object.value(key), path, with);
    if (inner.isUndefined())
        object.remove(key);
    else
        object.insert(key, inner);
    return object;
}

// Every change signal of one list model, to tell which rows a reload touched.
struct ModelSpies {
    QAbstractItemModel *model;
    QSignalSpy changed{model, &QAbstractItemModel::dataChanged};
    QSignalSpy inserted{model, &QAbstractItemModel::rowsInserted};
    QSignalSpy removed{model, &QAbstractItemModel::rowsRemoved};
    QSignalSpy moved{model, &QAbstractItemModel::rowsMoved};
    QSignalSpy reset{model, &QAbstractItemModel::modelReset};
    QSignalSpy layout{model, &QAbstractItemModel::layoutChanged};

    explicit ModelSpies(QAbstractItemModel *m) : model(m) {}
    // "changed <row> <roles>", "inserted <first>-<last>", ... one line per signal.
    QStringList signalled() const {
        QStringList out;
        const QHash<int, QByteArray> names = model->roleNames();
        for (const QList<QVariant> &args : changed) {
            QStringList roles;
            for (const int role : args.at(2).value<QList<int>>())
                roles << QString::fromLatin1(names.value(role));
            roles.sort();
            out << QStringLiteral("changed %1-%2 %3")
                       .arg(args.at(0).toModelIndex().row())
                       .arg(args.at(1).toModelIndex().row())
                       .arg(roles.join(u','));
        }
        for (const QList<QVariant> &args : inserted)
            out << QStringLiteral("inserted %1-%2").arg(args.at(1).toInt()).arg(args.at(2).toInt());
        for (const QList<QVariant> &args : removed)
            out << QStringLiteral("removed %1-%2").arg(args.at(1).toInt()).arg(args.at(2).toInt());
        out << QStringList(moved.size(), QStringLiteral("moved"));
        out << QStringList(reset.size(), QStringLiteral("reset"));
        out << QStringList(layout.size(), QStringLiteral("layout"));
        return out;
    }
};

struct Fixture {
    TestPlatform platform;
    AppSession session;
    LearningStore store{&session};
    std::unique_ptr<LearningItemDetailViewModel> vm = std::make_unique<LearningItemDetailViewModel>();
    int eventsBefore = Analytics::shared().queuedCount();

    Fixture() {
        session.setAccessToken(QStringLiteral("at"));
        vm->setSession(&session);
        vm->setStore(&store);
        vm->setPathId(kPathId);
        vm->setItemId(kItemId);
    }
    FakeTransport &transport() { return *platform.transport; }
    QList<Analytics::Event> events() const { return eventsSince(eventsBefore); }
    QStringList eventNames() const {
        QStringList names;
        for (const Analytics::Event &event : events())
            names << event.name;
        return names;
    }
    // The page on screen with its lesson loaded (the first of `items`) and the store showing path 7 with
    // lesson 1 open (the first of `paths`). The other replies answer later requests, in order: a route's
    // replies must all be queued before its first request.
    void open(const QList<FakeTransport::Reply> &items = {ok(detailBody())},
              const QList<FakeTransport::Reply> &paths = {ok(pathBody(1))}) {
        for (const FakeTransport::Reply &reply : paths)
            transport().on("GET", pathUrl, reply);
        for (const FakeTransport::Reply &reply : items)
            transport().on("GET", itemUrl, reply);
        session.setLastPathId(kPathId);
        Await::result(store.loadLastPath());
        QVERIFY(store.hasPath());
        vm->setOnScreen(true);
        QTRY_COMPARE(vm->face(), LearningItemDetailViewModel::ContentFace);
    }
};

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestLearningItemDetail : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    // --- loading

    void opensOnTheLoadingFaceBeforeAnyRequest() {
        Fixture f;
        QCOMPARE(f.vm->face(), LearningItemDetailViewModel::LoadingFace);
        QVERIFY(f.vm->loading());
        QCOMPARE(f.vm->title(), QStringLiteral("课程"));
        QCOMPARE(f.vm->loadingLabel(), QStringLiteral("正在打开课程…"));
        QVERIFY(f.transport().requests.isEmpty());
    }

    void appearingLoadsTheLessonAndRecordsLessonOpen() {
        Fixture f;
        f.transport().on("GET", itemUrl, ok(detailBody(), 30));
        QSignalSpy face(f.vm.get(), &LearningItemDetailViewModel::faceChanged);
        QSignalSpy loading(f.vm.get(), &LearningItemDetailViewModel::loadingChanged);

        f.vm->setOnScreen(true);
        QCOMPARE(f.transport().requests.size(), 1);
        const HttpRequest request = f.transport().requests.first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.url.toString(), TestPlatform::apiBase + itemUrl);
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer at"));
        QCOMPARE(f.vm->face(), LearningItemDetailViewModel::LoadingFace);

        QTRY_COMPARE(f.vm->face(), LearningItemDetailViewModel::ContentFace);
        QVERIFY(!f.vm->loading());
        QCOMPARE(face.count(), 1);
        QCOMPARE(loading.count(), 1);
        QCOMPARE(f.vm->title(), QStringLiteral("第 1 课"));
        QVERIFY(!f.vm->errorText());
        QVERIFY(f.vm->hasHandout());
        QVERIFY(f.vm->hasExercises());
        QVERIFY(!f.vm->hasAssets());
        QCOMPARE(f.vm->completionControl(), LearningItemDetailViewModel::CompleteButton);
        QCOMPARE(f.vm->header().value("badge").toString(), QStringLiteral("第 1 课"));
        QCOMPARE(f.vm->header().value("name").toString(), QStringLiteral("正数和负数"));

        const QList<Analytics::Event> events = f.events();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].name, QStringLiteral("lesson_open"));
        QCOMPARE(events[0].props, props({{"path_id", "7"}, {"item_id", "701"}, {"kp_code", "k1"}}));
    }

    // A failed load shows the not-ready face (never an alert): the preparing texts when the server's message
    // mentions "准备", the server's own message otherwise.
    void failedLoad_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<bool>("preparing");
        QTest::addColumn<QString>("errorText");

        QTest::newRow("being prepared")
            << refused(409, "这一课还在准备中，请稍后再来") << true << "这一课还在准备中，请稍后再来";
        QTest::newRow("准备 anywhere") << refused(503, "服务正在准备数据") << true << "服务正在准备数据";
        QTest::newRow("locked") << refused(403, "完成前面的课程后才能打开这一课") << false
                                << "完成前面的课程后才能打开这一课";
        QTest::newRow("status without message")
            << FakeTransport::Reply::json(500, "") << false << QStringLiteral("请求失败（500）");
        QTest::newRow("empty message") << refused(404, "") << false << "";
        QTest::newRow("undecodable lesson") << ok(R"({"item_id":701})") << false << "响应格式不正确";
        QTest::newRow("no connection")
            << FakeTransport::Reply::error(TransportError::Kind::NoConnection) << false
            << TransportError::fromKind(TransportError::Kind::NoConnection).message();
        QTest::newRow("timeout") << FakeTransport::Reply::error(TransportError::Kind::TimedOut) << false
                                 << TransportError::fromKind(TransportError::Kind::TimedOut).message();
    }
    void failedLoad() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(bool, preparing);
        QFETCH(QString, errorText);
        Fixture f;
        f.transport().on("GET", itemUrl, reply);
        f.vm->setOnScreen(true);
        QTRY_COMPARE(f.vm->face(), LearningItemDetailViewModel::NotReadyFace);

        QVERIFY(!f.vm->loading());
        QVERIFY(!f.vm->hasDetail());
        QCOMPARE(f.vm->errorText(), std::optional<QString>(errorText));
        QCOMPARE(f.vm->preparing(), preparing);
        QCOMPARE(f.vm->notReadySymbolOnDisc(), preparing);
        QCOMPARE(f.vm->title(), QStringLiteral("课程"));
        if (preparing) {
            QCOMPARE(f.vm->notReadySymbol(), QStringLiteral("hourglass.circle.fill"));
            QCOMPARE(f.vm->notReadyTint(), Theme::brandTeal());
            QCOMPARE(f.vm->notReadyTitle(), QStringLiteral("这一课还在准备中"));
            QCOMPARE(f.vm->notReadyMessage(), preparingMessage);
        } else {
            QCOMPARE(f.vm->notReadySymbol(), QStringLiteral("exclamationmark.triangle.fill"));
            QCOMPARE(f.vm->notReadyTint(), Theme::color(Theme::Orange, false));
            QCOMPARE(f.vm->notReadyTitle(), QStringLiteral("暂时打不开这一课"));
            QCOMPARE(f.vm->notReadyMessage(), errorText);
        }
        QCOMPARE(f.vm->reloadLabel(), QStringLiteral("重新加载"));
        QVERIFY(!f.vm->completed());
        QVERIFY(f.events().isEmpty());
    }

    // "重新加载" shows the loading face again (there is no lesson to keep) until the answer arrives.
    void reloadAfterAFailure() {
        Fixture f;
        f.transport().on("GET", itemUrl, refused(409, "这一课还在准备中"));
        f.transport().on("GET", itemUrl, ok(detailBody(), 30));
        f.vm->setOnScreen(true);
        QTRY_COMPARE(f.vm->face(), LearningItemDetailViewModel::NotReadyFace);

        f.vm->reload();
        QCOMPARE(f.vm->face(), LearningItemDetailViewModel::LoadingFace);
        QVERIFY(f.vm->preparing()); // the old message waits for the answer
        QTRY_COMPARE(f.vm->face(), LearningItemDetailViewModel::ContentFace);
        QVERIFY(!f.vm->errorText());
        QVERIFY(!f.vm->preparing());
        QCOMPARE(f.transport().count(itemUrl), 2);
        QCOMPARE(f.eventNames(), QStringList{"lesson_open"});
    }

    // Coming back on screen (from the practice screen) loads again with the lesson kept on show, and records
    // "lesson_open" once more.
    void comingBackLoadsAgainWithTheLessonOnShow() {
        Fixture f;
        f.open({ok(detailBody()), ok(detailBody(QStringLiteral("Ready"), QStringLiteral("k1b")), 30)});
        f.vm->setOnScreen(false);
        f.vm->setOnScreen(true);
        QVERIFY(f.vm->loading());
        QCOMPARE(f.vm->face(), LearningItemDetailViewModel::ContentFace);
        QTRY_VERIFY(!f.vm->loading());
        QCOMPARE(f.vm->face(), LearningItemDetailViewModel::ContentFace);
        QCOMPARE(f.eventNames(), (QStringList{"lesson_open", "lesson_open"}));
        QCOMPARE(f.events().last().props.value("kp_code"), QStringLiteral("k1b"));
    }

    // A load begun by an appearance is dropped when the page leaves the screen: its answer, good or bad,
    // changes nothing and records nothing. The next appearance loads again.
    void leavingTheScreenDropsTheLoad_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::newRow("lesson") << ok(detailBody(), 40);
        QTest::newRow("failure") << refused(500, "服务器内部错误", 40);
    }
    void leavingTheScreenDropsTheLoad() {
        QFETCH(FakeTransport::Reply, reply);
        Fixture f;
        f.transport().on("GET", itemUrl, reply);
        f.transport().on("GET", itemUrl, ok(detailBody()));
        f.vm->setOnScreen(true);
        f.vm->setOnScreen(false);
        QTest::qWait(120);
        QCOMPARE(f.vm->face(), LearningItemDetailViewModel::LoadingFace);
        QVERIFY(!f.vm->errorText());
        QVERIFY(f.events().isEmpty());

        f.vm->setOnScreen(true);
        QTRY_COMPARE(f.vm->face(), LearningItemDetailViewModel::ContentFace);
        QCOMPARE(f.eventNames(), QStringList{"lesson_open"});
    }

    // A reload belongs to the learner's tap, not to the appearance: it is applied even off screen.
    void aReloadIsNotDroppedOffScreen() {
        Fixture f;
        f.transport().on("GET", itemUrl, refused(409, "还在准备"));
        f.transport().on("GET", itemUrl, ok(detailBody(), 30));
        f.vm->setOnScreen(true);
        QTRY_COMPARE(f.vm->face(), LearningItemDetailViewModel::NotReadyFace);
        f.vm->reload();
        f.vm->setOnScreen(false);
        QTRY_COMPARE(f.vm->face(), LearningItemDetailViewModel::ContentFace);
        QCOMPARE(f.eventNames(), QStringList{"lesson_open"});
    }

    // A cancelled load is no failure (no message, nothing recorded), yet it ends the waiting: without a
    // lesson the page leaves the spinner for the not-ready face, whose "重新加载" works; a lesson on show
    // stays on show.
    void aCancelledLoadEndsTheWaiting_data() {
        QTest::addColumn<bool>("lessonOnShow");
        QTest::addColumn<bool>("byReload");
        QTest::newRow("first load") << false << false;
        QTest::newRow("reload without a lesson") << false << true;
        QTest::newRow("coming back with the lesson on show") << true << false;
        QTest::newRow("reload with the lesson on show") << true << true;
    }
    void aCancelledLoadEndsTheWaiting() {
        QFETCH(bool, lessonOnShow);
        QFETCH(bool, byReload);
        Fixture f;
        const auto cancelled = FakeTransport::Reply::error(TransportError::Kind::Cancelled);
        if (lessonOnShow) {
            f.open({ok(detailBody()), cancelled, ok(detailBody())});
            if (!byReload)
                f.vm->setOnScreen(false);
        } else if (byReload) {
            f.transport().on("GET", itemUrl, refused(409, "还在准备"));
            f.transport().on("GET", itemUrl, cancelled);
            f.transport().on("GET", itemUrl, ok(detailBody()));
            f.vm->setOnScreen(true);
            QTRY_COMPARE(f.vm->face(), LearningItemDetailViewModel::NotReadyFace);
        } else {
            f.transport().on("GET", itemUrl, cancelled);
            f.transport().on("GET", itemUrl, ok(detailBody()));
        }
        const int events = f.events().size();
        const std::optional<QString> message = f.vm->errorText(); // an earlier failure's, if any
        if (byReload)
            f.vm->reload();
        else
            f.vm->setOnScreen(true);

        QTRY_VERIFY(!f.vm->loading());
        QCOMPARE(f.vm->face(), lessonOnShow ? LearningItemDetailViewModel::ContentFace
                                            : LearningItemDetailViewModel::NotReadyFace);
        QCOMPARE(f.vm->errorText(), message);
        QCOMPARE(f.events().size(), events);
        QVERIFY(!f.store.hasErrorMessage());

        f.vm->reload();
        QTRY_VERIFY(!f.vm->loading());
        QCOMPARE(f.vm->face(), LearningItemDetailViewModel::ContentFace);
        QCOMPARE(f.eventNames().last(), QStringLiteral("lesson_open"));
    }

    // A page closed while its lesson loads: nothing happens when the answer comes.
    void closedWhileLoading_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::newRow("lesson") << ok(detailBody(), 40);
        QTest::newRow("failure") << refused(500, "服务器内部错误", 40);
    }
    void closedWhileLoading() {
        QFETCH(FakeTransport::Reply, reply);
        Fixture f;
        f.transport().on("GET", itemUrl, reply);
        f.vm->setOnScreen(true);
        f.vm->reload();
        f.vm.reset();
        QTest::qWait(120);
        QCOMPARE(f.transport().count(itemUrl), 2);
        QVERIFY(f.events().isEmpty());
        QVERIFY(!f.store.hasErrorMessage());
    }

    // --- completion

    void completingUnlocksTheNextLesson() {
        Fixture f;
        f.open({ok(detailBody())}, {ok(pathBody(1)), ok(pathBody(2))});
        f.transport().on("POST", completeUrl, ok(completeBody, 30));
        QSignalSpy completing(f.vm.get(), &LearningItemDetailViewModel::completingChanged);
        QSignalSpy dismiss(f.vm.get(), &LearningItemDetailViewModel::dismissRequested);

        f.vm->complete();
        QVERIFY(f.vm->completing());
        f.vm->complete(); // the disabled button: no second completion
        QTRY_VERIFY(f.vm->completed());
        QVERIFY(!f.vm->completing());
        QCOMPARE(completing.count(), 2);
        QCOMPARE(f.transport().count(completeUrl), 1);
        QCOMPARE(f.transport().requestsTo(completeUrl).first().method, QByteArray("POST"));

        // The page's own copy says completed; the store has fetched the path the server unlocked.
        QCOMPARE(f.vm->detail()->state, QStringLiteral("Completed"));
        QCOMPARE(f.vm->completionControl(), LearningItemDetailViewModel::CompletedLabel);
        QCOMPARE(f.vm->doneLabel(), QStringLiteral("本课已完成"));
        QCOMPARE(f.transport().count(pathUrl), 2);
        QCOMPARE(f.store.path()->unlockedOrder, 2);
        QVERIFY(f.store.path()->items[1].openable);

        QCOMPARE(f.vm->alertTitle(), QStringLiteral("太棒了！"));
        QCOMPARE(f.vm->alertMessage(), QStringLiteral("已完成本课，下一课已解锁。"));
        QCOMPARE(f.vm->alertButton(), QStringLiteral("返回路径"));
        f.vm->returnToPath();
        QVERIFY(!f.vm->completed());
        QCOMPARE(dismiss.count(), 1);
        QCOMPARE(f.vm->completionControl(), LearningItemDetailViewModel::CompletedLabel);

        QCOMPARE(f.eventNames(), (QStringList{"lesson_open", "lesson_complete"}));
        QCOMPARE(f.events().last().props, props({{"path_id", "7"}, {"item_id", "701"}}));
    }

    // The completion counts once the server has recorded it, whatever the store's message says: an old
    // message nobody dismissed yet, or one from a failed fetch of the path right after.
    void completionIsJudgedByTheServersAnswer_data() {
        QTest::addColumn<bool>("staleMessage");
        QTest::addColumn<FakeTransport::Reply>("refetch");
        QTest::newRow("stale message") << true << ok(pathBody(2));
        QTest::newRow("refetch fails") << false << refused(500, "服务器内部错误");
        QTest::newRow("both") << true << refused(500, "服务器内部错误");
    }
    void completionIsJudgedByTheServersAnswer() {
        QFETCH(bool, staleMessage);
        QFETCH(FakeTransport::Reply, refetch);
        Fixture f;
        QList<FakeTransport::Reply> paths{ok(pathBody(1))};
        if (staleMessage)
            paths << refused(503, "服务暂时不可用");
        f.open({ok(detailBody())}, paths << refetch);
        if (staleMessage) {
            Await::result(f.store.refresh());
            QCOMPARE(f.store.errorMessageText(), QStringLiteral("服务暂时不可用"));
        }
        f.transport().on("POST", completeUrl, ok(completeBody));

        Await::result(f.vm->completeLesson());
        QVERIFY(f.vm->completed());
        QCOMPARE(f.vm->completionControl(), LearningItemDetailViewModel::CompletedLabel);
        QVERIFY(f.store.hasErrorMessage() == (staleMessage || refetch.status != 200));
        QCOMPARE(f.eventNames(), (QStringList{"lesson_open", "lesson_complete"}));
    }

    // A refused completion: no alert, the button back, the store's message for the tab, the event recorded.
    void failedCompletion_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<QString>("message");
        QTest::newRow("locked") << refused(409, "请先完成前面的课程") << "请先完成前面的课程";
        QTest::newRow("server error") << FakeTransport::Reply::json(500, "") << "请求失败（500）";
        QTest::newRow("undecodable answer")
            << ok(R"({"item_id":701,"state":"Completed"})") << "响应格式不正确";
        QTest::newRow("no connection")
            << FakeTransport::Reply::error(TransportError::Kind::NoConnection)
            << TransportError::fromKind(TransportError::Kind::NoConnection).message();
    }
    void failedCompletion() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(QString, message);
        Fixture f;
        f.open({ok(detailBody())}, {ok(pathBody(1)), ok(pathBody(2))});
        f.transport().on("POST", completeUrl, reply);
        f.transport().on("POST", completeUrl, ok(completeBody));
        QSignalSpy completed(f.vm.get(), &LearningItemDetailViewModel::completedChanged);

        Await::result(f.vm->completeLesson());
        QCOMPARE(completed.count(), 0);
        QVERIFY(!f.vm->completing());
        QCOMPARE(f.vm->detail()->state, QStringLiteral("Ready"));
        QCOMPARE(f.vm->completionControl(), LearningItemDetailViewModel::CompleteButton);
        QCOMPARE(f.store.errorMessageText(), message);
        QCOMPARE(f.transport().count(pathUrl), 1); // no refetch
        QCOMPARE(f.eventNames(), (QStringList{"lesson_open", "lesson_complete"}));

        // The button works again.
        Await::result(f.vm->completeLesson());
        QVERIFY(f.vm->completed());
    }

    // Only a ready lesson can be completed.
    void onlyAReadyLessonCompletes_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("control");
        QTest::newRow("Completed") << "Completed" << int(LearningItemDetailViewModel::CompletedLabel);
        QTest::newRow("Generating") << "Generating" << int(LearningItemDetailViewModel::NoCompletion);
        QTest::newRow("Failed") << "Failed" << int(LearningItemDetailViewModel::NoCompletion);
        QTest::newRow("other") << "Locked" << int(LearningItemDetailViewModel::NoCompletion);
    }
    void onlyAReadyLessonCompletes() {
        QFETCH(QString, state);
        QFETCH(int, control);
        Fixture f;
        f.open({ok(detailBody(state))});
        QCOMPARE(int(f.vm->completionControl()), control);
        Await::result(f.vm->completeLesson());
        QCOMPARE(f.transport().count(completeUrl), 0);
        QVERIFY(!f.vm->completed());
        QCOMPARE(f.eventNames(), QStringList{"lesson_open"});
    }

    // A page closed while its completion runs: the completion still finishes (the store fetches the path)
    // and is recorded.
    void closedWhileCompleting() {
        Fixture f;
        f.open({ok(detailBody())}, {ok(pathBody(1)), ok(pathBody(2))});
        f.transport().on("POST", completeUrl, ok(completeBody, 40));
        f.vm->complete();
        f.vm.reset();
        QTRY_COMPARE(f.eventNames(), (QStringList{"lesson_open", "lesson_complete"}));
        QTRY_COMPARE(f.store.path()->unlockedOrder, 2);
    }

    // --- the content's lists on reload

    // A reload that changes one entry signals that one row of its list and nothing in the others; one that
    // changes nothing shown signals nothing, also when it changes what only the practice screen reads.
    void reloadSignalsOnlyTheChangedRow_data() {
        QTest::addColumn<QStringList>("path");     // where the lesson's JSON changes
        QTest::addColumn<QJsonValue>("value");     // the new value; undefined removes the key
        QTest::addColumn<QStringList>("expected"); // "<list>: <signal>" of every list, in the lists' order

        QTest::newRow("section body")
            << QStringList{"handout", "sections", "1", "body"} << QJsonValue("0 既不正也不负")
            << QStringList{"sections: changed 1-1 body"};
        QTest::newRow("section heading emptied")
            << QStringList{"handout", "sections", "0", "heading"} << QJsonValue("")
            << QStringList{"sections: changed 0-0 hasHeading,heading"};
        QTest::newRow("example stem")
            << QStringList{"handout", "examples", "0", "stem"} << QJsonValue("收入 30 元记作什么？")
            << QStringList{"examples: changed 0-0 stemLabel"};
        QTest::newRow("step text") << QStringList{"handout", "examples", "0", "steps", "1"}
                                   << QJsonValue("支出记作负数") << QStringList{"examples: changed 2-2 text"};
        QTest::newRow("step added") << QStringList{"handout", "examples", "0", "steps", "2"}
                                    << QJsonValue("所以记作 -30") << QStringList{"examples: inserted 3-3"};
        QTest::newRow("handout title") << QStringList{"handout", "title"} << QJsonValue("有理数")
                                       << QStringList{"cards: changed 0-0 title"};
        QTest::newRow("exercise stem")
            << QStringList{"exercises", "questions", "0", "stem", "text"} << QJsonValue("哪个是负数？")
            << QStringList{"exercises: changed 0-0 questionText"};
        QTest::newRow("question id gone")
            << QStringList{"exercises", "questions", "1", "question_id"} << QJsonValue(QJsonValue::Undefined)
            << QStringList{"exercises: changed 1-1 answerable"};
        QTest::newRow("question added")
            << QStringList{"exercises", "questions", "3"} << QJsonValue(QJsonObject{{"question_id", 900113}})
            << QStringList{"counts: changed 2-2 text", "exercises: inserted 3-3"};
        QTest::newRow("option text only")
            << QStringList{"exercises", "questions", "0", "options", "1", "text"} << QJsonValue("-3")
            << QStringList();
        QTest::newRow("nothing") << QStringList{"kp_code"} << QJsonValue("k1") << QStringList();
    }
    void reloadSignalsOnlyTheChangedRow() {
        QFETCH(QStringList, path);
        QFETCH(QJsonValue, value);
        QFETCH(QStringList, expected);

        const QJsonObject changed =
            withAt(QJsonDocument::fromJson(detailBody()).object(), path, value).toObject();
        Fixture f;
        f.open({ok(detailBody()), ok(QJsonDocument(changed).toJson(QJsonDocument::Compact))});
        const QList<std::pair<QString, ListModelBase *>> models{{"counts", f.vm->headerCountModel()},
                                                                {"cards", f.vm->handoutCardModel()},
                                                                {"sections", f.vm->handoutSectionModel()},
                                                                {"examples", f.vm->handoutExampleModel()},
                                                                {"exercises", f.vm->exerciseRowModel()}};
        std::vector<std::unique_ptr<ModelSpies>> spies;
        for (const auto &[name, model] : models)
            spies.push_back(std::make_unique<ModelSpies>(model));

        Await::result(f.vm->load(LearningItemDetailViewModel::LoadKind::Reload));
        QCOMPARE(f.transport().count(itemUrl), 2);

        QStringList signalled;
        for (qsizetype i = 0; i < models.size(); ++i) {
            for (const QString &signal : spies[i]->signalled())
                signalled << models[i].first + QStringLiteral(": ") + signal;
        }
        QCOMPARE(signalled, expected);
        // The lists hold the newer lesson, also where nothing shown changed.
        QCOMPARE(f.vm->exerciseRows(), f.vm->sections()->exercises->rows);
        QCOMPARE(f.vm->exerciseRows().first().options.at(1).text, value.isString() && path.contains("options")
                                                                      ? std::optional(value.toString())
                                                                      : std::optional(QStringLiteral("-2")));
        QCOMPARE(f.vm->handoutSections(), f.vm->sections()->handout.first().sections);
        QCOMPARE(f.vm->handoutExamples(), f.vm->sections()->handout.last().exampleRows());
    }

    // A lesson that fails to load again leaves no rows behind.
    void failedReloadEmptiesTheLists() {
        Fixture f;
        f.open({ok(detailBody()), refused(403, "完成前面的课程后才能打开这一课")});
        QVERIFY(!f.vm->handoutExamples().isEmpty());
        Await::result(f.vm->load(LearningItemDetailViewModel::LoadKind::Reload));
        QCOMPARE(f.vm->face(), LearningItemDetailViewModel::NotReadyFace);
        for (ListModelBase *model :
             {f.vm->headerCountModel(), f.vm->handoutCardModel(), f.vm->handoutSectionModel(),
              f.vm->handoutExampleModel(), f.vm->exerciseRowModel()})
            QCOMPARE(model->count(), 0);
    }

    // --- exercises

    void practiceProperties() {
        Fixture f;
        f.open();
        const QVariantMap first = f.vm->practiceProperties(0);
        QCOMPARE(first.value("questionId").toLongLong(), 900111);
        QCOMPARE(first.value("stemText").toString(), QStringLiteral("下列各数中，是负数的是（  ）"));
        QCOMPARE(first.value("source").toString(), QStringLiteral("practice"));
        const QVariantList options = first.value("options").toList();
        QCOMPARE(options.size(), 2);
        QCOMPARE(options[1].toMap().value("label").toString(), QStringLiteral("B"));
        QCOMPARE(options[1].toMap().value("text").toString(), QStringLiteral("-2"));

        const QVariantMap second = f.vm->practiceProperties(1);
        QCOMPARE(second.value("questionId").toLongLong(), 900112);
        QCOMPARE(second.value("stemText").toString(), QStringLiteral("第 2 题"));
        QCOMPARE(second.value("options").toList().size(), 0);

        QVERIFY(f.vm->practiceProperties(2).isEmpty()); // no question id
        QVERIFY(f.vm->practiceProperties(3).isEmpty());
        QVERIFY(f.vm->practiceProperties(-1).isEmpty());
    }

    // --- the view, on a StackView as the learning tab has it

    void pageOnTheStack() {
        Fixture f;
        f.session.setLastPathId(kPathId);
        f.transport().on("GET", pathUrl, ok(pathBody(1)));
        f.transport().on("GET", pathUrl, ok(pathBody(2)));
        Await::result(f.store.loadLastPath());
        f.transport().on("GET", itemUrl, ok(detailBody(), 20));
        f.transport().on("POST", completeUrl, ok(completeBody));

        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import QtQuick.Controls
            StackView {
                function open(properties) {
                    return push("qrc:/qt/qml/Quorvel/Learning/LearningItemDetailView.qml", properties)
                }
                initialItem: Item { objectName: "pathList" }
            })",
                          QUrl(QStringLiteral("qrc:/LessonHost.qml")));
        std::unique_ptr<QObject> object(component.create());
        auto *stack = qobject_cast<QQuickItem *>(object.get());
        QVERIFY2(stack, qPrintable(component.errorString()));
        QQuickWindow window;
        window.resize(900, 2200);
        stack->setParentItem(window.contentItem());
        stack->setSize(window.size());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QVariant pushed;
        QMetaObject::invokeMethod(stack, "open", Q_RETURN_ARG(QVariant, pushed),
                                  Q_ARG(QVariant, QVariantMap({{"session", QVariant::fromValue(&f.session)},
                                                               {"store", QVariant::fromValue(&f.store)},
                                                               {"pathId", kPathId},
                                                               {"itemId", kItemId}})));
        auto *page = pushed.value<QQuickItem *>();
        QVERIFY(page);
        auto *vm = page->property("viewModel").value<LearningItemDetailViewModel *>();
        QVERIFY(vm);
        QTRY_COMPARE(vm->face(), LearningItemDetailViewModel::ContentFace);
        // One load, for the lesson asked for (nothing loaded before the page had its ids).
        QCOMPARE(f.transport().count(itemUrl), 1);
        QCOMPARE(f.transport().requests.size(), 2);
        auto *title = findItem(page, QStringLiteral("pageTitle"));
        QCOMPARE(title->property("text").toString(), QStringLiteral("第 1 课"));
        QTRY_COMPARE(stack->property("busy").toBool(), false);

        // An exercise opens the practice screen above the page; coming back loads the lesson again.
        auto *row = findItem(page, QStringLiteral("exerciseRow1"));
        QVERIFY(row);
        QTest::mouseClick(&window, Qt::LeftButton, {},
                          row->mapToScene(QPointF(row->width() / 2, row->height() / 2)).toPoint());
        QTRY_COMPARE(stack->property("depth").toInt(), 3);
        auto *practice = stack->property("currentItem").value<QQuickItem *>();
        QCOMPARE(practice->property("stemText").toString(), QStringLiteral("第 2 题"));
        QCOMPARE(practice->property("questionId").toLongLong(), 900112);
        QCOMPARE(practice->property("source").toString(), QStringLiteral("practice"));
        QCOMPARE(practice->property("session").value<AppSession *>(), &f.session);
        QTRY_VERIFY(!vm->onScreen());
        QTRY_COMPARE(stack->property("busy").toBool(), false);
        auto *back = practice->findChild<QQuickItem *>(QStringLiteral("backButton"));
        QTest::mouseClick(&window, Qt::LeftButton, {},
                          back->mapToScene(QPointF(back->width() / 2, back->height() / 2)).toPoint());
        QTRY_COMPARE(stack->property("depth").toInt(), 2);
        QTRY_COMPARE(f.transport().count(itemUrl), 2);
        QTRY_VERIFY(!vm->loading());
        QCOMPARE(f.eventNames(), (QStringList{"lesson_open", "lesson_open"}));
        QTRY_COMPARE(stack->property("busy").toBool(), false);

        // Completing opens the alert; its button goes back to the path.
        auto *button = findItem(page, QStringLiteral("completeButton"));
        QVERIFY(button && button->isVisible());
        QTest::mouseClick(&window, Qt::LeftButton, {},
                          button->mapToScene(QPointF(button->width() / 2, button->height() / 2)).toPoint());
        QTRY_VERIFY(vm->completed());
        auto *alert = page->findChild<QObject *>(QStringLiteral("completedAlert"));
        QTRY_VERIFY(alert->property("opened").toBool());
        QVERIFY(findItem(page, QStringLiteral("completedLabel"))->isVisible());
        QTest::keyClick(&window, Qt::Key_Escape); // only the button closes it
        QVERIFY(alert->property("visible").toBool());
        QTest::keyClick(&window, Qt::Key_Return);
        QTRY_COMPARE(stack->property("depth").toInt(), 1);
        QCOMPARE(f.store.path()->unlockedOrder, 2);
    }

    void backControlPopsThePage() {
        Fixture f;
        f.transport().on("GET", itemUrl, refused(409, "还在准备"));
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import QtQuick.Controls
            StackView {
                function open(properties) {
                    return push("qrc:/qt/qml/Quorvel/Learning/LearningItemDetailView.qml", properties, StackView.Immediate)
                }
                initialItem: Item {}
            })",
                          QUrl(QStringLiteral("qrc:/LessonHost2.qml")));
        std::unique_ptr<QObject> object(component.create());
        auto *stack = qobject_cast<QQuickItem *>(object.get());
        QVERIFY2(stack, qPrintable(component.errorString()));
        QQuickWindow window;
        window.resize(600, 500);
        stack->setParentItem(window.contentItem());
        stack->setSize(window.size());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVariant pushed;
        QMetaObject::invokeMethod(stack, "open", Q_RETURN_ARG(QVariant, pushed),
                                  Q_ARG(QVariant, QVariantMap({{"session", QVariant::fromValue(&f.session)},
                                                               {"store", QVariant::fromValue(&f.store)},
                                                               {"pathId", kPathId},
                                                               {"itemId", kItemId}})));
        auto *page = pushed.value<QQuickItem *>();
        QVERIFY(page);
        auto *face = findItem(page, QStringLiteral("notReadyFace"));
        QVERIFY(face);
        QTRY_VERIFY(face->isVisible());
        QCOMPARE(findItem(page, QStringLiteral("notReadyTitle"))->property("text").toString(),
                 QStringLiteral("这一课还在准备中"));
        auto *back = findItem(page, QStringLiteral("backButton"));
        QTest::mouseClick(&window, Qt::LeftButton, {},
                          back->mapToScene(QPointF(back->width() / 2, back->height() / 2)).toPoint());
        QTRY_COMPARE(stack->property("depth").toInt(), 1);
    }
};

QTEST_MAIN(TestLearningItemDetail)
#include "tst_learningitemdetail.moc"
