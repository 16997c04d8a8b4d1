#include "Analytics.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "DevServer.h"
#include "LearningItemDetailViewModel.h"
#include "LearningStore.h"
#include "LocalService.h"
#include "Platform.h"
#include "TestPlatform.h"

#include <QTest>

#include <map>
#include <memory>

// The lesson page against the local stand-in of the service, over the real network stack: a signed-in
// learner opens the first lesson of a sample path, completes it and finds the next one unlocked; a lesson
// still being prepared shows the preparing face; the page's analytics reach the service.
class TestLessonEndToEnd : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LocalService> m_service;

    // A page for one lesson, on screen, once its load has ended.
    std::unique_ptr<LearningItemDetailViewModel> openPage(LearningStore &store, qint64 pathId,
                                                          qint64 itemId) {
        auto page = std::make_unique<LearningItemDetailViewModel>();
        page->setSession(m_service->session.get());
        page->setStore(&store);
        page->setPathId(pathId);
        page->setItemId(itemId);
        page->setOnScreen(true);
        if (!QTest::qWaitFor([&] { return !page->loading(); }, 10000))
            qWarning("the lesson did not load");
        return page;
    }

private Q_SLOTS:
    void initTestCase() {
        m_service = std::make_unique<LocalService>(QStringLiteral("13900139000"));
        QVERIFY(m_service->session->isLoggedIn());
    }

    void cleanupTestCase() { m_service.reset(); }

    void openCompleteAndUnlockTheNext() {
        LearningStore store(m_service->session.get());
        Await::result(store.createFromChapter(QStringLiteral("math-g7a-c1")));
        QVERIFY2(store.hasPath(), qPrintable(store.errorMessageText()));
        const LearningPathView path = *store.path();
        QVERIFY(path.items.size() >= 3);
        const LearningItemView first = path.items[0];
        const LearningItemView second = path.items[1];

        // The next lesson is locked before: its page cannot open it.
        {
            const auto locked = openPage(store, path.pathId, second.itemId);
            QCOMPARE(locked->face(), LearningItemDetailViewModel::NotReadyFace);
            QVERIFY(!locked->preparing());
            QCOMPARE(locked->notReadyMessage(), QStringLiteral("完成前面的课程后才能打开这一课"));
        }

        const auto page = openPage(store, path.pathId, first.itemId);
        QCOMPARE(page->face(), LearningItemDetailViewModel::ContentFace);
        QCOMPARE(page->title(), QStringLiteral("第 1 课"));
        QCOMPARE(page->header().value("name").toString(), first.kpName);
        const QList<LessonCountLabel> &counts = page->headerCounts();
        QCOMPARE(counts.size(), 3);
        QCOMPARE(counts[0].text, QStringLiteral("2 节讲义"));
        QCOMPARE(counts[1].text, QStringLiteral("1 道例题"));
        QCOMPARE(counts[2].text, QStringLiteral("2 道练习"));
        QCOMPARE(page->handoutCards().size(), 2);
        QCOMPARE(page->handoutSections().size(), 2);
        QCOMPARE(page->exerciseRows().size(), 2);
        QVERIFY(page->hasExercises());
        QVERIFY(!page->hasAssets());
        const QVariantMap practice = page->practiceProperties(0);
        QVERIFY(practice.value("questionId").toLongLong() > 0);
        QCOMPARE(practice.value("options").toList().size(), 4);
        QCOMPARE(page->completionControl(), LearningItemDetailViewModel::CompleteButton);

        Await::result(page->completeLesson());
        QVERIFY(page->completed());
        QCOMPARE(page->completionControl(), LearningItemDetailViewModel::CompletedLabel);
        QVERIFY(!store.hasErrorMessage());
        // The store has the server's new path: the first lesson done, the second open.
        QCOMPARE(store.path()->unlockedOrder, 2);
        QCOMPARE(store.path()->items[0].state, LessonState::completed);
        QCOMPARE(store.path()->items[1].state, LessonState::ready);
        QVERIFY(store.path()->items[1].openable);
        QVERIFY(!store.path()->items[2].openable);

        const auto next = openPage(store, path.pathId, second.itemId);
        QCOMPARE(next->face(), LearningItemDetailViewModel::ContentFace);
        QCOMPARE(next->title(), QStringLiteral("第 2 课"));
        QCOMPARE(next->completionControl(), LearningItemDetailViewModel::CompleteButton);

        // The completed lesson opens again, marked done.
        const auto again = openPage(store, path.pathId, first.itemId);
        QCOMPARE(again->completionControl(), LearningItemDetailViewModel::CompletedLabel);

        // What the page recorded reaches the service.
        Analytics::shared().start(m_service->session.get());
        Await::result(Analytics::shared().flush());
        std::map<std::string, std::map<std::string, std::string>> last;
        int opened = 0;
        for (const DevServer::ReceivedEvent &event : m_service->server.receivedEvents()) {
            last[event.name] = event.props;
            opened += event.name == "lesson_open";
        }
        QCOMPARE(opened, 3);
        QCOMPARE(last["lesson_complete"],
                 (std::map<std::string, std::string>{{"path_id", std::to_string(path.pathId)},
                                                     {"item_id", std::to_string(first.itemId)}}));
        QCOMPARE(last["lesson_open"],
                 (std::map<std::string, std::string>{{"path_id", std::to_string(path.pathId)},
                                                     {"item_id", std::to_string(first.itemId)},
                                                     {"kp_code", first.kpCode.toStdString()}}));
    }

    // A path whose lessons are prepared only when they unlock: the open lesson is still being made.
    void aLessonBeingPreparedShowsThePreparingFace() {
        const LearningAPIClient client;
        const LearningPathView path = Await::result(
            client.createPathFromChapter(QStringLiteral("math-g7a-c2"), 0, *m_service->session));
        QCOMPARE(path.items[0].state, LessonState::generating);
        QVERIFY(path.items[0].openable);
        QVERIFY(path.items[0].progress);

        LearningStore store(m_service->session.get());
        m_service->session->setLastPathId(path.pathId);
        Await::result(store.loadLastPath());
        const auto page = openPage(store, path.pathId, path.items[0].itemId);
        QCOMPARE(page->face(), LearningItemDetailViewModel::NotReadyFace);
        QVERIFY(page->preparing());
        QCOMPARE(page->notReadyTitle(), QStringLiteral("这一课还在准备中"));
        QCOMPARE(page->notReadySymbol(), QStringLiteral("hourglass.circle.fill"));

        // "重新加载" asks again; the lesson is still being prepared.
        page->reload();
        QVERIFY(page->loading());
        QTRY_VERIFY(!page->loading());
        QVERIFY(page->preparing());
        QCOMPARE(m_service->server.requestCount("/api/v1/learning-paths/" + std::to_string(path.pathId) +
                                                "/items/" + std::to_string(path.items[0].itemId)),
                 2);
    }
};

QTEST_GUILESS_MAIN(TestLessonEndToEnd)
#include "tst_lesson_e2e.moc"
