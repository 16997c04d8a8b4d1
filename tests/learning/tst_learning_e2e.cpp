#include "Analytics.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "DevServer.h"
#include "LearningStore.h"
#include "Platform.h"
#include "TestPlatform.h"

#include <QTest>

#include <algorithm>

// The learning paths against the local stand-in of the service, over the real network stack: the catalogue
// without an account, then a signed-in learner creating a path, opening and completing lessons.
class TestLearningEndToEnd : public QObject {
    Q_OBJECT

private:
    DevServer m_server;
    QString m_base;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<NetworkTransport> m_network;
    std::unique_ptr<Platform::Override> m_realNetwork;
    std::unique_ptr<AppSession> m_session;
    const LearningAPIClient m_client;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_server.start(0) > 0);
        m_base = QString::fromStdString(m_server.baseUrl());
        m_platform = std::make_unique<TestPlatform>(QJsonObject{{QStringLiteral("QVLApiBaseURL"), m_base},
                                                                {QStringLiteral("QVLAiBaseURL"), m_base},
                                                                {QStringLiteral("QVLTradeBaseURL"), m_base}});
        m_network = std::make_unique<NetworkTransport>();
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(m_network.get(), [](Transport *) {});
        m_realNetwork = std::make_unique<Platform::Override>(services);
        m_session = std::make_unique<AppSession>();
    }

    void cleanupTestCase() {
        m_session.reset();
        m_realNetwork.reset();
        m_network.reset();
        m_platform.reset();
        m_server.stop();
    }

    // The guest catalogue reads chapters and points without an account; paths need one.
    void catalogueWithoutAnAccount() {
        QVERIFY(!m_session->isLoggedIn());
        const ChapterList chapters = Await::result(m_client.fetchChapters(*m_session));
        QVERIFY(chapters.items.size() >= 3);
        QCOMPARE(chapters.items[0].name, QStringLiteral("有理数"));
        QCOMPARE(chapters.items[0].subject, QStringLiteral("math"));
        const KnowledgePointList points =
            Await::result(m_client.fetchChapterPoints(chapters.items[0].code, *m_session));
        QVERIFY(points.items.size() >= 3);

        try {
            Await::result(m_client.fetchChapterPoints(QStringLiteral("no such/chapter"), *m_session));
            QFAIL("an unknown chapter has no points");
        } catch (const LearningAPIError &error) {
            QCOMPARE(error.status(), 404);
        }
        try {
            Await::result(m_client.fetchPath(101, *m_session));
            QFAIL("paths are the learner's own");
        } catch (const LearningAPIError &error) {
            QCOMPARE(error.status(), 401);
            QCOMPARE(error.errorDescription(), QStringLiteral("登录已失效，请重新登录"));
        }
    }

    void signIn() {
        const AuthAPIClient auth;
        m_session->storeGrant(Await::result(auth.login(
            QStringLiteral("13800138000"), QString::fromStdString(DevServer::smsCode()), *m_session)));
        QVERIFY(m_session->isLoggedIn());
    }

    // Create a path, open its first lesson, complete it and see the next one unlock.
    void pathFromChapterUnlocksLessonByLesson() {
        const ChapterList chapters = Await::result(m_client.fetchChapters(*m_session));
        const ChapterItem chapter = chapters.items[1]; // 整式的加减
        LearningStore store(m_session.get());
        Await::result(store.createFromChapter(chapter.code));
        QVERIFY2(!store.hasErrorMessage(), qPrintable(store.errorMessageText()));
        QVERIFY(store.hasPath());
        const LearningPathView path = *store.path();
        QCOMPARE(m_session->lastPathId(), std::optional<qint64>(path.pathId));
        QVERIFY(path.items.size() >= 3);
        QCOMPARE(path.unlockedOrder, 1);
        QCOMPARE(path.items[0].state, LessonState::ready);
        QVERIFY(path.items[0].openable);
        QVERIFY(!path.items[1].openable);

        // A locked lesson does not open.
        try {
            Await::result(m_client.fetchItem(path.pathId, path.items[1].itemId, *m_session));
            QFAIL("a locked lesson must not open");
        } catch (const LearningAPIError &error) {
            QCOMPARE(error.status(), 403);
            QVERIFY(!error.errorDescription().isEmpty());
        }

        const LearningItemDetail lesson =
            Await::result(m_client.fetchItem(path.pathId, path.items[0].itemId, *m_session));
        QCOMPARE(lesson.state, LessonState::ready);
        QCOMPARE(lesson.kpName, path.items[0].kpName);
        QVERIFY(lesson.handout && lesson.handout->sections && !lesson.handout->sections->isEmpty());
        QVERIFY(lesson.handout->examples && !lesson.handout->examples->first().steps->isEmpty());
        QVERIFY(lesson.exercises && lesson.exercises->questions && !lesson.exercises->questions->isEmpty());
        QVERIFY(!lesson.assets.isEmpty());

        QVERIFY(Await::result(store.completeItem(path.pathId, path.items[0].itemId)));
        QVERIFY(!store.hasErrorMessage());
        const LearningPathView after = *store.path();
        QCOMPARE(after.unlockedOrder, 2);
        QCOMPARE(after.items[0].state, LessonState::completed);
        QCOMPARE(after.items[1].state, LessonState::ready);
        QVERIFY(after.items[1].openable);
        QVERIFY(!after.items[2].openable);
        const LearningItemDetail next =
            Await::result(m_client.fetchItem(path.pathId, after.items[1].itemId, *m_session));
        QCOMPARE(next.listOrder, 2);

        // The next learning home finds the same path where the learner left it.
        LearningStore reopened(m_session.get());
        Await::result(reopened.loadLastPath());
        QCOMPARE(reopened.path()->pathId, path.pathId);
        QCOMPARE(reopened.path()->unlockedOrder, 2);
    }

    // A load that fails on the way keeps the remembered path; a path the server does not know is forgotten.
    void lastPathSurvivesAServerHiccup() {
        const std::optional<qint64> remembered = m_session->lastPathId();
        QVERIFY(remembered);
        const std::string path = "/api/v1/learning-paths/" + std::to_string(*remembered);
        m_server.failNext(path, 503);
        LearningStore store(m_session.get());
        Await::result(store.loadLastPath());
        QVERIFY(!store.hasPath());
        QCOMPARE(m_session->lastPathId(), remembered);

        Await::result(store.loadLastPath());
        QCOMPARE(store.path()->pathId, *remembered);

        m_session->setLastPathId(987654321);
        Await::result(store.loadLastPath());
        QVERIFY(!store.hasPath());
        QCOMPARE(m_session->lastPathId(), std::nullopt);
        QVERIFY(!store.hasErrorMessage());
    }

    void pathFromATypedTopic() {
        const TopicResolution outside =
            Await::result(m_client.topicPreview(QStringLiteral("天文望远镜"), *m_session));
        QCOMPARE(outside.status, TopicResolution::outOfScope);
        QVERIFY(outside.candidates.isEmpty());
        QVERIFY(!outside.message.isEmpty());

        const TopicResolution resolved =
            Await::result(m_client.topicPreview(QStringLiteral("我想搞懂绝对值和数轴"), *m_session));
        QVERIFY(!resolved.candidates.isEmpty());
        const TopicCandidate candidate = resolved.candidates.first();
        QCOMPARE(candidate.kpCodes.size(), 2);
        QCOMPARE(candidate.lessons, 2);

        const int before = int(std::count_if(
            Analytics::shared().queuedEvents().cbegin(), Analytics::shared().queuedEvents().cend(),
            [](const auto &event) { return event.name == QStringLiteral("topic_path_create"); }));
        LearningStore store(m_session.get());
        Await::result(store.createFromTopic(candidate));
        QVERIFY2(!store.hasErrorMessage(), qPrintable(store.errorMessageText()));
        QCOMPARE(store.path()->goalType, QStringLiteral("topic"));
        QCOMPARE(store.path()->items.size(), 2);
        QCOMPARE(store.path()->items[0].kpCode, candidate.kpCodes[0]);
        QCOMPARE(m_session->lastPathId(), std::optional<qint64>(store.path()->pathId));
        const QList<Analytics::Event> events = Analytics::shared().queuedEvents();
        const int after = int(std::count_if(events.cbegin(), events.cend(), [](const auto &event) {
            return event.name == QStringLiteral("topic_path_create");
        }));
        QCOMPARE(after, before + 1);
    }

    void practiceQuestionsAndRequests() {
        const KnowledgePointList points =
            Await::result(m_client.fetchChapterPoints(QStringLiteral("math-g7a-c1"), *m_session));
        const QString kp = points.items[0].code;
        const QList<VariantQuestion> all =
            Await::result(m_client.fetchPracticeQuestions(kp, std::nullopt, 2, 5, {}, *m_session));
        QVERIFY(all.size() >= 2);
        const QList<VariantQuestion> rest = Await::result(
            m_client.fetchPracticeQuestions(kp, std::nullopt, 2, 5, {all[0].questionId}, *m_session));
        QCOMPARE(rest.size(), all.size() - 1);
        QVERIFY(std::none_of(rest.cbegin(), rest.cend(),
                             [&](const VariantQuestion &q) { return q.questionId == all[0].questionId; }));
        const QList<VariantQuestion> choices = Await::result(
            m_client.fetchPracticeQuestions(kp, QStringLiteral("single_choice"), 2, 5, {}, *m_session));
        QVERIFY(!choices.isEmpty());
        for (const VariantQuestion &question : choices) {
            QCOMPARE(question.qtype, QStringLiteral("single_choice"));
            QVERIFY(question.options && !question.options->isEmpty());
        }

        const QJsonObject body{{QStringLiteral("kp"), kp}, {QStringLiteral("difficulty"), 3}};
        const QuestionRequestResult first = Await::result(m_client.requestQuestions(body, *m_session));
        QVERIFY(!first.merged);
        QVERIFY(!first.message.isEmpty());
        const QuestionRequestResult again = Await::result(m_client.requestQuestions(body, *m_session));
        QVERIFY(again.merged);
        QCOMPARE(again.requestId, first.requestId);
    }
};

QTEST_GUILESS_MAIN(TestLearningEndToEnd)
#include "tst_learning_e2e.moc"
