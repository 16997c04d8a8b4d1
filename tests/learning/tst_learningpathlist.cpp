#include "AppSession.h"
#include "Await.h"
#include "LearningPathListViewModel.h"
#include "LearningStore.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

struct Lesson {
    qint64 itemId;
    qint64 listOrder;
    const char *state;
    bool openable = true;
};

LearningPathView pathOf(qint64 unlockedOrder, const QList<Lesson> &lessons, qint64 pathId = 5) {
    LearningPathView path;
    path.pathId = pathId;
    path.goalType = QStringLiteral("chapter");
    path.goal = QStringLiteral("学完「有理数」");
    path.status = QStringLiteral("Active");
    path.unlockedOrder = unlockedOrder;
    path.prefetch = 1;
    for (const Lesson &lesson : lessons) {
        LearningItemView item;
        item.itemId = lesson.itemId;
        item.listOrder = lesson.listOrder;
        item.kpCode = QStringLiteral("kp%1").arg(lesson.itemId);
        item.kpName = QStringLiteral("知识点%1").arg(lesson.itemId);
        item.state = QString::fromLatin1(lesson.state);
        item.openable = lesson.openable;
        path.items.append(item);
    }
    return path;
}

QByteArray pathBody(qint64 pathId, qint64 unlockedOrder, const QList<Lesson> &lessons) {
    QJsonArray items;
    for (const Lesson &lesson : lessons) {
        items.append(QJsonObject{{"item_id", lesson.itemId},
                                 {"list_order", lesson.listOrder},
                                 {"kp_code", "k"},
                                 {"kp_name", "名"},
                                 {"state", lesson.state},
                                 {"openable", lesson.openable}});
    }
    return QJsonDocument(QJsonObject{{"path_id", pathId},
                                     {"goal_type", "chapter"},
                                     {"goal", "学完「整式的加减」"},
                                     {"status", "Active"},
                                     {"unlocked_order", unlockedOrder},
                                     {"prefetch", 1},
                                     {"items", items}})
        .toJson(QJsonDocument::Compact);
}

QList<bool> currentFlags(const LearningPathListViewModel &list) {
    QList<bool> flags;
    for (const PathNodeRow &row : list.rows())
        flags.append(row.isCurrent());
    return flags;
}

QList<qint64> rowIds(const LearningPathListViewModel &list) {
    QList<qint64> ids;
    for (const PathNodeRow &row : list.rows())
        ids.append(row.itemId());
    return ids;
}

} // namespace

Q_DECLARE_METATYPE(QList<Lesson>)

class TestLearningPathList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The header's counts, its progress line and bar, and which row is the current lesson.
    void header_data() {
        QTest::addColumn<qint64>("unlockedOrder");
        QTest::addColumn<QList<Lesson>>("lessons");
        QTest::addColumn<QString>("progressLine");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<QList<bool>>("current");

        QTest::newRow("no lessons") << qint64(1) << QList<Lesson>{} << "已完成 0 / 0 课 · 当前第 1 课" << 0.0
                                    << QList<bool>{};
        QTest::newRow("first of three")
            << qint64(1) << QList<Lesson>{{1, 1, "Ready"}, {2, 2, "Locked", false}, {3, 3, "Locked", false}}
            << "已完成 0 / 3 课 · 当前第 1 课" << 0.0 << QList<bool>{true, false, false};
        QTest::newRow("second of four")
            << qint64(2)
            << QList<Lesson>{{1, 1, "Completed"},
                             {2, 2, "Generating"},
                             {3, 3, "Locked", false},
                             {4, 4, "Locked", false}}
            << "已完成 1 / 4 课 · 当前第 2 课" << 0.25 << QList<bool>{false, true, false, false};
        QTest::newRow("all completed, none current")
            << qint64(2) << QList<Lesson>{{1, 1, "Completed"}, {2, 2, "Completed"}}
            << "已完成 2 / 2 课 · 当前第 2 课" << 1.0 << QList<bool>{false, false};
        QTest::newRow("unlocked order matches nothing")
            << qint64(0) << QList<Lesson>{{1, 1, "Ready"}, {2, 2, "Locked", false}}
            << "已完成 0 / 2 课 · 当前第 0 课" << 0.0 << QList<bool>{false, false};
        QTest::newRow("unlocked order beyond the lessons")
            << qint64(9) << QList<Lesson>{{1, 1, "Completed"}} << "已完成 1 / 1 课 · 当前第 9 课" << 1.0
            << QList<bool>{false};
        QTest::newRow("lower-case completed does not count")
            << qint64(2) << QList<Lesson>{{1, 1, "completed"}, {2, 2, "Ready"}, {3, 3, "Completed"}}
            << "已完成 1 / 3 课 · 当前第 2 课" << 1.0 / 3.0 << QList<bool>{false, true, false};
        QTest::newRow("two lessons share the unlocked order")
            << qint64(2) << QList<Lesson>{{1, 2, "Ready"}, {2, 2, "Failed"}, {3, 2, "Completed"}}
            << "已完成 1 / 3 课 · 当前第 2 课" << 1.0 / 3.0 << QList<bool>{true, true, false};
    }
    void header() {
        QFETCH(qint64, unlockedOrder);
        QFETCH(QList<Lesson>, lessons);
        QFETCH(QString, progressLine);
        QFETCH(double, fraction);
        QFETCH(QList<bool>, current);

        LearningPathListViewModel list;
        list.setPath(pathOf(unlockedOrder, lessons));
        QCOMPARE(list.caption(), QStringLiteral("我的学习路径"));
        QCOMPARE(list.goal(), QStringLiteral("学完「有理数」"));
        QCOMPARE(list.progressLine(), progressLine);
        QCOMPARE(list.progressFraction(), fraction);
        QCOMPARE(list.lessonCount(), lessons.size());
        QCOMPARE(currentFlags(list), current);
    }

    // Rows keep the server's order; the last array element is the one without a connector.
    void rowsFollowTheArrayNotTheListOrder() {
        LearningPathListViewModel list;
        list.setPath(pathOf(1, {{30, 3, "Locked", false}, {10, 1, "Ready"}, {20, 2, "Locked", false}}));
        QCOMPARE(rowIds(list), (QList<qint64>{30, 10, 20}));
        QList<bool> last;
        for (const PathNodeRow &row : list.rows()) {
            last.append(row.isLast());
            QCOMPARE(row.pathId(), 5);
        }
        QCOMPARE(last, (QList<bool>{false, false, true}));
        QVERIFY(!list.rows()[2].hasConnector());
        QCOMPARE(list.rows()[1].isCurrent(), true);
    }

    // A fetched copy of the same lessons changes the rows that look different, in place; rows come and go
    // only with their lessons, and the model is never reset.
    void rowsAreKeptPerLesson() {
        LearningPathListViewModel list;
        ListModelBase *model = list.rowModel();
        QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(model, &QAbstractItemModel::modelReset);
        QSignalSpy pathChanged(&list, &LearningPathListViewModel::pathChanged);
        list.setPath(pathOf(1, {{1, 1, "Ready"}, {2, 2, "Locked", false}, {3, 3, "Locked", false}}));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model->count(), 3);

        // The first lesson completed, the second unlocked: the same rows, two of them with new looks.
        list.setPath(pathOf(2, {{1, 1, "Completed"}, {2, 2, "Ready"}, {3, 3, "Locked", false}}));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(removed.count(), 0);
        QCOMPARE(pathChanged.count(), 2);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed[0].at(0).toModelIndex().row(), 0);
        QCOMPARE(changed[1].at(0).toModelIndex().row(), 1);
        QVERIFY(list.rows()[1].isCurrent());
        QCOMPARE(list.rows()[1].subtitle(), QStringLiteral("可以开始学"));
        QCOMPARE(model->get(0).value("subtitle").toString(), QStringLiteral("已完成"));

        // The same path again changes nothing.
        list.setPath(pathOf(2, {{1, 1, "Completed"}, {2, 2, "Ready"}, {3, 3, "Locked", false}}));
        QCOMPARE(pathChanged.count(), 2);
        QCOMPARE(changed.count(), 2);

        // A lesson gone, one new: one row out, one row in.
        list.setPath(pathOf(2, {{2, 2, "Ready"}, {3, 3, "Locked", false}, {4, 4, "Locked", false}}));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(rowIds(list), (QList<qint64>{2, 3, 4}));
        QVERIFY(!list.rows()[2].hasConnector());
        QVERIFY(list.rows()[1].hasConnector()); // no longer the last

        // Repeated ids (a server fault) still get a row each.
        list.setPath(pathOf(1, {{7, 1, "Ready"}, {7, 2, "Locked", false}}));
        QCOMPARE(list.rows().size(), 2);
        QCOMPARE(list.rows()[1].subtitle(), QStringLiteral("完成上一课后解锁"));

        list.setPath(std::nullopt);
        QVERIFY(list.rows().isEmpty());
        QCOMPARE(model->count(), 0);
        QVERIFY(!list.hasPath());
        QCOMPARE(list.progressFraction(), 0.0);
        QCOMPARE(reset.count(), 0);
    }

    // The list shows the store's path and follows it; pulling down fetches it again through the store, and
    // `refreshing` holds until the fetch has ended.
    void followsTheStoreAndRefreshesThroughIt() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("at"));
        session.setLastPathId(5);
        platform.transport->on("GET", QStringLiteral("/api/v1/learning-paths/5"),
                               FakeTransport::Reply::json(200, pathBody(5, 1, {{1, 1, "Ready"}})));
        platform.transport->on(
            "GET", QStringLiteral("/api/v1/learning-paths/5"),
            FakeTransport::Reply::json(200, pathBody(5, 2, {{1, 1, "Completed"}, {2, 2, "Ready"}}))
                .after(30));
        LearningStore store(&session);
        Await::result(store.loadLastPath());

        LearningPathListViewModel list;
        list.setStore(&store);
        QCOMPARE(list.pathId(), 5);
        QCOMPARE(list.progressLine(), QStringLiteral("已完成 0 / 1 课 · 当前第 1 课"));
        QCOMPARE(list.scene(), QStringLiteral("learning"));

        QSignalSpy refreshing(&list, &LearningPathListViewModel::refreshingChanged);
        auto task = list.runRefresh();
        QVERIFY(list.refreshing());
        Await::result(task);
        QVERIFY(!list.refreshing());
        QCOMPARE(refreshing.count(), 2);
        QCOMPARE(list.progressLine(), QStringLiteral("已完成 1 / 2 课 · 当前第 2 课"));
        QCOMPARE(platform.transport->count(QStringLiteral("/api/v1/learning-paths/5")), 2);
    }

    // A refresh the server refuses leaves the path on show; the store keeps the message for the alert.
    void aFailedRefreshKeepsThePath() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("at"));
        session.setLastPathId(5);
        platform.transport->on("GET", QStringLiteral("/api/v1/learning-paths/5"),
                               FakeTransport::Reply::json(200, pathBody(5, 1, {{1, 1, "Ready"}})));
        platform.transport->on("GET", QStringLiteral("/api/v1/learning-paths/5"),
                               FakeTransport::Reply::json(503, R"({"message":"服务繁忙"})"));
        LearningStore store(&session);
        Await::result(store.loadLastPath());
        LearningPathListViewModel list;
        list.setStore(&store);
        Await::result(list.runRefresh());
        QVERIFY(!list.refreshing());
        QCOMPARE(list.lessonCount(), 1);
        QCOMPARE(store.errorMessageText(), QStringLiteral("服务繁忙"));
    }

    // A refresh outlived by the list, or by the store it runs through, ends without touching either.
    void aRefreshOutlivedByListOrStore_data() {
        QTest::addColumn<bool>("listGoes");
        QTest::newRow("list gone") << true;
        QTest::newRow("store gone") << false;
    }
    void aRefreshOutlivedByListOrStore() {
        QFETCH(bool, listGoes);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("at"));
        session.setLastPathId(5);
        const QString path = QStringLiteral("/api/v1/learning-paths/5");
        platform.transport->on("GET", path,
                               FakeTransport::Reply::json(200, pathBody(5, 1, {{1, 1, "Ready"}})));
        platform.transport->on(
            "GET", path,
            FakeTransport::Reply::json(200, pathBody(5, 2, {{1, 1, "Completed"}, {2, 2, "Ready"}}))
                .after(30));
        auto store = std::make_unique<LearningStore>(&session);
        Await::result(store->loadLastPath());
        auto list = std::make_unique<LearningPathListViewModel>();
        list->setStore(store.get());
        auto task = list->runRefresh();
        if (listGoes)
            list.reset();
        else
            store.reset();
        Await::result(task);
        QCOMPARE(platform.transport->count(path), 2);
        if (list) {
            QVERIFY(!list->store());
            QVERIFY(!list->refreshing());
        } else {
            LearningPathListViewModel again;
            again.setStore(store.get());
            QCOMPARE(again.progressLine(), QStringLiteral("已完成 1 / 2 课 · 当前第 2 课"));
        }
    }

    void refreshWithoutAStoreDoesNothing() {
        LearningPathListViewModel list;
        QSignalSpy refreshing(&list, &LearningPathListViewModel::refreshingChanged);
        Await::result(list.runRefresh());
        QCOMPARE(refreshing.count(), 0);
    }

    // The list lets go of a store that is destroyed.
    void aStoreThatGoesAwayLeavesAnEmptyList() {
        TestPlatform platform;
        AppSession session;
        LearningPathListViewModel list;
        {
            LearningStore store(&session);
            list.setStore(&store);
        }
        QVERIFY(!list.store());
        Await::result(list.runRefresh());
        QVERIFY(!list.refreshing());
    }
};

QTEST_GUILESS_MAIN(TestLearningPathList)
#include "tst_learningpathlist.moc"
