#include "Analytics.h"
#include "ApiError.h"
#include "AppSession.h"
#include "PracticeViewModel.h"
#include "TestPlatform.h"
#include "WrongBookModels.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A submitter that answers when the test says so, and remembers what it was given.
struct Answers {
    struct Call {
        qint64 questionId;
        QString answer;
        QString source;
    };
    QList<Call> calls;
    std::shared_ptr<Completion> release = std::make_shared<Completion>();
    std::shared_ptr<int> waiting = std::make_shared<int>(0); // submissions waiting for `release`
    std::optional<AnswerResultResponse> result;
    std::optional<ApiError> failure;

    // A submission the test left waiting fails, so that no coroutine outlives the test.
    ~Answers() {
        release->abandon();
        while (*waiting > 0)
            QCoreApplication::processEvents();
    }

    PracticeViewModel::Submit submit() {
        return [this](qint64 id, QString answer, QString source,
                      AppSession &) -> QCoro::Task<AnswerResultResponse> {
            calls.append({id, answer, source});
            auto release = this->release;
            auto result = this->result;
            auto failure = this->failure;
            auto waiting = this->waiting;
            ++*waiting;
            const bool released = co_await Completion::wait(release);
            --*waiting;
            if (!released)
                throw ApiError::http(503, QStringLiteral("not answered"));
            if (failure)
                throw *failure;
            co_return *result;
        };
    }
};

AnswerResultResponse graded(bool correct, std::optional<QString> value, std::optional<QStringList> steps,
                            std::optional<QString> wrongState) {
    AnswerResultResponse result;
    result.questionId = 7;
    result.correct = correct;
    if (value)
        result.correctAnswer = AnswerResultResponse::CorrectAnswer{value};
    result.solution = AnswerResultResponse::Solution{steps};
    if (wrongState) {
        WrongItem item;
        item.wrongItemId = 3;
        item.state = *wrongState;
        item.correctStreak = 2;
        result.wrongItem = item;
    }
    return result;
}

QuestionSnapshot::Option option(std::optional<QString> label, std::optional<QString> text) {
    return {std::move(label), std::move(text)};
}

QStringList rowsOf(const PracticeViewModel &vm) {
    QStringList rows;
    for (const PracticeOptionRow &row : vm.rows().rows())
        rows << row.display() + (row.checked ? " ✓" : "");
    return rows;
}

} // namespace

class TestPracticeViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void titleAndStem_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("title");
        QTest::newRow("review") << "review"
                                << "复习原题";
        QTest::newRow("practice") << "practice"
                                  << "同源练习";
        QTest::newRow("anything else") << "Review"
                                       << "同源练习";
    }
    void titleAndStem() {
        QFETCH(QString, source);
        QFETCH(QString, title);
        PracticeViewModel vm([](qint64, QString, QString, AppSession &) -> QCoro::Task<AnswerResultResponse> {
            co_return AnswerResultResponse();
        });
        VariantQuestion question;
        question.questionId = 9007199254740993;
        vm.setQuestion(question, source);
        QCOMPARE(vm.title(), title);
        QCOMPARE(vm.stemText(), QStringLiteral("题目 #9007199254740993"));
        QVERIFY(vm.freeText());
        // From QML the id travels as text, never through a double.
        QCOMPARE(vm.questionIdText(), QStringLiteral("9007199254740993"));
        vm.setQuestionIdText(QStringLiteral("9007199254740995"));
        QCOMPARE(vm.questionId(), Q_INT64_C(9007199254740995));
    }

    void submitRules_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("spaces and tabs") << " \t " << false;
        QTest::newRow("a line break counts") << "\n" << true;
        QTest::newRow("spaces around a letter") << "  x " << true;
    }
    void submitRules() {
        QFETCH(QString, answer);
        QFETCH(bool, enabled);
        TestPlatform platform;
        AppSession session;
        Answers answers;
        answers.result = graded(true, std::nullopt, std::nullopt, std::nullopt);
        PracticeViewModel vm(answers.submit());
        vm.setSession(&session);
        vm.setAnswer(answer);
        QCOMPARE(vm.canSubmit(), enabled);
        vm.submit();
        QCOMPARE(answers.calls.size(), enabled ? 1 : 0);
        if (enabled) {
            QCOMPARE(answers.calls[0].answer, answer); // sent as typed
            QVERIFY(vm.submitting() && !vm.canSubmit());
            vm.submit(); // one request at a time
            QCOMPARE(answers.calls.size(), 1);
        }
    }

    void options() {
        PracticeViewModel vm;
        vm.setOptions(
            {option("A", "1"), option("B", "2"), option(std::nullopt, "无标签"), option("B", "重复")});
        QCOMPARE(rowsOf(vm), (QStringList{"A. 1", "B. 2", ". 无标签 ✓", "B. 重复"}));
        vm.choose(1);
        QCOMPARE(vm.answer(), QStringLiteral("B"));
        QCOMPARE(rowsOf(vm), (QStringList{"A. 1", "B. 2 ✓", ". 无标签", "B. 重复 ✓"}));
        vm.choose(2);
        QCOMPARE(vm.answer(), QString());
        QVERIFY(!vm.canSubmit());
        vm.setOptionList({QVariantMap{{"hasLabel", true}, {"label", "C"}, {"hasText", false}, {"text", ""}}});
        QCOMPARE(vm.options().first().text, std::nullopt);
    }

    void results_data() {
        QTest::addColumn<bool>("correct");
        QTest::addColumn<std::optional<QString>>("value");
        QTest::addColumn<std::optional<QStringList>>("steps");
        QTest::addColumn<std::optional<QString>>("wrongState");
        QTest::addColumn<QStringList>("shown");
        const std::optional<QString> none;
        QTest::newRow("right, everything")
            << true << std::optional<QString>("B")
            << std::optional<QStringList>({"移项", "合并", "系数化为 1"})
            << std::optional<QString>("mastered")
            << QStringList{"答对了",  "checkmark.circle", "标准答案 B",   "mastered 2",
                           "1. 移项", "2. 合并",          "3. 系数化为 1"};
        QTest::newRow("wrong, nothing else")
            << false << none << std::optional<QStringList>() << none << QStringList{"答错了", "xmark.circle"};
        QTest::newRow("empty steps") << false << std::optional<QString>("4")
                                     << std::optional<QStringList>(QStringList())
                                     << std::optional<QString>("active")
                                     << QStringList{"答错了", "xmark.circle", "标准答案 4", "active 2"};
    }
    void results() {
        QFETCH(bool, correct);
        QFETCH(std::optional<QString>, value);
        QFETCH(std::optional<QStringList>, steps);
        QFETCH(std::optional<QString>, wrongState);
        QFETCH(QStringList, shown);
        TestPlatform platform;
        AppSession session;
        Answers answers;
        answers.result = graded(correct, value, steps, wrongState);
        PracticeViewModel vm(answers.submit());
        vm.setSession(&session);
        vm.setQuestionId(42);
        vm.setSource("practice");
        vm.setAnswer("B");
        const qsizetype before = Analytics::shared().queuedCount();
        vm.submit();
        answers.release->finish();
        QTRY_VERIFY(vm.graded());
        QStringList seen{vm.verdict(), vm.verdictSymbol()};
        if (vm.hasStandardAnswer())
            seen << "标准答案 " + vm.standardAnswer();
        if (vm.hasWrongItem())
            seen << vm.wrongItemState() + " " + vm.correctStreak();
        seen << vm.steps();
        QCOMPARE(seen, shown);
        QVERIFY(!vm.submitting() && !vm.canSubmit());
        vm.setAnswer("C"); // the answer is final once graded
        QCOMPARE(vm.answer(), QStringLiteral("B"));
        const Analytics::Event event = Analytics::shared().queuedEvents().at(before);
        QCOMPARE(event.name, QStringLiteral("practice_submit"));
        QCOMPARE(event.props.value("question_id"), QStringLiteral("42"));
        QCOMPARE(event.props.value("correct"), correct ? QStringLiteral("true") : QStringLiteral("false"));
        QCOMPARE(event.props.value("source"), QStringLiteral("practice"));
    }

    // A failure shows its text and lets the learner try again.
    void failure() {
        TestPlatform platform;
        AppSession session;
        Answers answers;
        answers.failure = ApiError::http(500, QStringLiteral("请求失败（500）"));
        PracticeViewModel vm(answers.submit());
        vm.setSession(&session);
        vm.setAnswer("x");
        vm.submit();
        answers.release->finish();
        QTRY_COMPARE(vm.message(), QStringLiteral("请求失败（500）"));
        QVERIFY(!vm.graded() && vm.canSubmit());
        QCOMPARE(vm.answer(), QStringLiteral("x"));
        vm.dismissMessage();
        QCOMPARE(vm.message(), QString());
    }

    // The answer outlives the screen: a late result touches nothing of it but is still recorded.
    void resultAfterTheScreenIsGone() {
        TestPlatform platform;
        AppSession session;
        Answers answers;
        answers.result = graded(false, std::nullopt, std::nullopt, std::nullopt);
        auto vm = std::make_unique<PracticeViewModel>(answers.submit());
        vm->setSession(&session);
        vm->setQuestionId(5);
        vm->setAnswer("x");
        vm->submit();
        vm.reset();
        const qsizetype before = Analytics::shared().queuedCount();
        answers.release->finish();
        QTRY_COMPARE(Analytics::shared().queuedCount(), before + 1);
        QCOMPARE(Analytics::shared().queuedEvents().last().props.value("question_id"), QStringLiteral("5"));
    }
};

QTEST_GUILESS_MAIN(TestPracticeViewModel)
#include "tst_practiceviewmodel.moc"
