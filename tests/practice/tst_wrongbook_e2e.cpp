// The client against the local stand-in over the real network stack: what the server answers decodes into the
// models, and a learner's answers move an entry through the wrong book.
#include "ErrorText.h"
#include "LocalService.h"
#include "WrongBookAPIClient.h"

#include <QTest>

namespace {

constexpr qint64 kNegativeNumberChoice = 901011; // key "C"
constexpr qint64 kSolidFigureChoice = 904011;    // its chapter holds three questions

} // namespace

class TestWrongBookE2E : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LocalService> m_service;
    const WrongBookAPIClient m_client;

private Q_SLOTS:
    void init() { m_service = std::make_unique<LocalService>(QStringLiteral("13800138000")); }
    void cleanup() { m_service.reset(); }

    void answersMoveAnEntryThroughTheBook() {
        AppSession &session = *m_service->session;
        const AnswerResultResponse wrong = Await::result(
            m_client.submitAnswer(kNegativeNumberChoice, QStringLiteral("A"), "practice", session));
        QVERIFY(!wrong.correct);
        QCOMPARE(wrong.correctAnswer->value, std::optional<QString>("C"));
        QVERIFY(wrong.solution->steps->size() >= 2);
        QVERIFY(wrong.wrongItem);
        const WrongItem filed = *wrong.wrongItem;
        QCOMPARE(filed.state, QStringLiteral("active"));
        QVERIFY(filed.due);
        QCOMPARE(filed.question->options->size(), 4);
        QVERIFY(filed.errorLayers->tags && !filed.errorLayers->tags->isEmpty());

        const WrongBookList active = Await::result(m_client.listWrongItems("active", false, session));
        QCOMPARE(active.items, QList<WrongItem>{filed});

        const VariantsResponse variants = Await::result(m_client.fetchVariants(filed.wrongItemId, session));
        QCOMPARE(variants.wrongItemId, filed.wrongItemId);
        QCOMPARE(variants.items.size(), 3);
        QVERIFY(!variants.insufficient);

        for (int i = 0; i < 3; ++i) {
            const AnswerResultResponse right = Await::result(
                m_client.submitAnswer(kNegativeNumberChoice, QStringLiteral("c"), "review", session));
            QVERIFY(right.correct);
            QCOMPARE(right.wrongItem->correctStreak, i + 1);
        }
        QVERIFY(Await::result(m_client.listWrongItems("active", false, session)).items.isEmpty());
        const WrongBookList mastered = Await::result(m_client.listWrongItems("mastered", false, session));
        QCOMPARE(mastered.items.size(), 1);
        QVERIFY(!mastered.items.first().nextReviewAt);

        Await::result(m_client.deleteWrongItem(filed.wrongItemId, session));
        QVERIFY(Await::result(m_client.listWrongItems("mastered", false, session)).items.isEmpty());
        try {
            Await::result(m_client.deleteWrongItem(filed.wrongItemId, session));
            QFAIL("a deleted entry is gone");
        } catch (const ApiError &error) {
            QCOMPARE(error.status(), 404);
            QCOMPARE(errorText(std::current_exception()), std::optional<QString>("这道错题不存在或已删除"));
        }
    }

    void fewVariantsAreInsufficient() {
        AppSession &session = *m_service->session;
        const AnswerResultResponse wrong = Await::result(
            m_client.submitAnswer(kSolidFigureChoice, QStringLiteral("A"), "practice", session));
        const VariantsResponse variants =
            Await::result(m_client.fetchVariants(wrong.wrongItem->wrongItemId, session));
        QCOMPARE(variants.items.size(), 2);
        QVERIFY(variants.insufficient);
    }

    void refusalsCarryTheServersMessage() {
        try {
            Await::result(m_client.submitAnswer(1, QStringLiteral("A"), "practice", *m_service->session));
            QFAIL("no question 1");
        } catch (const ApiError &error) {
            QCOMPARE(error.status(), 404);
            QCOMPARE(error.errorDescription(), QStringLiteral("题目不存在"));
        }
    }
};

QTEST_GUILESS_MAIN(TestWrongBookE2E)
#include "tst_wrongbook_e2e.moc"
