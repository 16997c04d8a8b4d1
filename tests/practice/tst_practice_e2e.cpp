// A learner's wrong book against the local stand-in of the service, over the real network: a wrong answer
// files the question, three right answers master it, and the entry can be deleted.

#include "LearningAPIClient.h"
#include "LocalService.h"
#include "PracticeViewModel.h"
#include "WrongBookModels.h"
#include "WrongBookViewModel.h"
#include "WrongItemDetailViewModel.h"

#include <QTest>

namespace {

// Answers `question` with `answer` from a fresh practice screen and waits for the grading.
std::unique_ptr<PracticeViewModel> answered(AppSession &session, const QVariantMap &properties,
                                            const QString &answer) {
    auto vm = std::make_unique<PracticeViewModel>();
    vm->setSession(&session);
    vm->setQuestionIdText(properties.value("questionId").toString());
    vm->setStemText(properties.value("stemText").toString());
    vm->setOptionList(properties.value("options").toList());
    vm->setSource(properties.value("source").toString());
    vm->setAnswer(answer);
    vm->submit();
    return vm;
}

int rowOf(const WrongBookViewModel &book, qint64 questionId) {
    for (qsizetype i = 0; i < book.items().rows().size(); ++i) {
        if (book.items().at(i).item.questionId == questionId)
            return int(i);
    }
    return -1;
}

} // namespace

class TestPracticeEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wrongThenMasteredThenDeleted() {
        LocalService service(QStringLiteral("13800138041"));
        AppSession &session = *service.session;
        const LearningAPIClient learning;
        const ChapterList chapters = Await::result(learning.fetchChapters(session));
        const KnowledgePointList points =
            Await::result(learning.fetchChapterPoints(chapters.items[0].code, session));
        const QList<VariantQuestion> questions = Await::result(
            learning.fetchPracticeQuestions(points.items[0].code, std::nullopt, 2, 3, {}, session));
        QVERIFY(!questions.isEmpty());
        const VariantQuestion question = questions.first();

        // A wrong answer: graded with the standard answer and steps, and filed under review.
        PracticeViewModel first;
        first.setSession(&session);
        first.setQuestion(question, QStringLiteral("practice"));
        first.setAnswer(QStringLiteral("不知道"));
        first.submit();
        QTRY_VERIFY(first.graded());
        QVERIFY(!first.correct());
        QVERIFY(first.hasStandardAnswer());
        QVERIFY(first.steps().size() >= 2);
        QCOMPARE(first.wrongItemState(), QStringLiteral("active"));
        const QString key = first.standardAnswer();

        WrongBookViewModel book;
        book.setSession(&session);
        book.appear();
        QTRY_VERIFY(!book.loading());
        const int row = rowOf(book, question.questionId);
        QVERIFY(row >= 0);

        WrongItemDetailViewModel detail;
        detail.setSession(&session);
        detail.setItemValue(book.entry(row));
        detail.appear();
        QTRY_VERIFY(detail.variantsLoaded());
        QVERIFY(detail.canRedo());

        // Three right answers in a row master it.
        for (int round = 0; round < 3; ++round) {
            const auto redo = answered(session, detail.redoProperties(), key);
            QTRY_VERIFY(redo->graded());
            QVERIFY(redo->correct());
            QCOMPARE(redo->wrongItemState(),
                     round < 2 ? QStringLiteral("active") : QStringLiteral("mastered"));
        }
        book.refresh();
        QTRY_VERIFY(!book.loading());
        QCOMPARE(rowOf(book, question.questionId), -1);
        book.setFilter(QStringLiteral("mastered"));
        QTRY_VERIFY(!book.loading());
        const int mastered = rowOf(book, question.questionId);
        QVERIFY(mastered >= 0);

        book.deleteRows({mastered});
        QTRY_COMPARE(rowOf(book, question.questionId), -1);
        book.refresh();
        QTRY_VERIFY(!book.loading());
        QCOMPARE(rowOf(book, question.questionId), -1);
        QCOMPARE(book.message(), QString());
    }
};

QTEST_GUILESS_MAIN(TestPracticeEndToEnd)
#include "tst_practice_e2e.moc"
