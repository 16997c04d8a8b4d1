// The question bank: its view-model against scripted calls (pickers, batches, the request, analytics, late
// answers for filters the learner has left), and the screen offscreen with a batch.

#include "Analytics.h"
#include "ApiError.h"
#include "AppFonts.h"
#include "AppSession.h"
#include "QmlHarness.h"
#include "QuestionBankViewModel.h"
#include "TestPlatform.h"

#include <QCoro/QCoroSignal>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QTest>

#include <memory>

namespace {

// Opens once; a call waits for it.
class Gate : public QObject {
    Q_OBJECT
public:
    bool isOpen = false;
    // The waiting call resumes through the event loop: spin it until the answer has landed.
    void open() {
        isOpen = true;
        Q_EMIT opened();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
Q_SIGNALS:
    void opened();
};

// One call to the server as the view-model made it, answered when the test opens its gate.
template <typename T>
struct Call {
    QString key; // the chapter code, the kp, or the request body
    QList<qint64> exclude;
    std::optional<QString> qtype;
    int difficulty = 0;
    int count = 0;
    Gate gate;
    std::optional<T> answer;
    int failStatus = 0;

    void reply(T value) {
        answer = std::move(value);
        gate.open();
    }
    void fail(int status) {
        failStatus = status;
        gate.open();
    }
};

template <typename T>
QCoro::Task<T> answerOf(std::shared_ptr<Call<T>> call) {
    if (!call->gate.isOpen)
        co_await qCoro(&call->gate, &Gate::opened);
    if (!call->answer)
        throw ApiError::http(call->failStatus, QStringLiteral("取题失败（%1）").arg(call->failStatus));
    co_return *call->answer;
}

struct Server {
    QList<std::shared_ptr<Call<ChapterList>>> chapters;
    QList<std::shared_ptr<Call<KnowledgePointList>>> points;
    QList<std::shared_ptr<Call<QList<VariantQuestion>>>> questions;
    QList<std::shared_ptr<Call<QuestionRequestResult>>> requests;

    // Calls the test left unanswered fail, so that no coroutine outlives the test waiting on its gate.
    ~Server() {
        failOpen(chapters);
        failOpen(points);
        failOpen(questions);
        failOpen(requests);
    }
    template <typename T>
    static void failOpen(const QList<std::shared_ptr<Call<T>>> &calls) {
        for (const std::shared_ptr<Call<T>> &call : calls) {
            if (!call->gate.isOpen)
                call->fail(503);
        }
    }

    QuestionBankViewModel::Calls calls() {
        QuestionBankViewModel::Calls c;
        c.chapters = [this](AppSession &) {
            chapters.append(std::make_shared<Call<ChapterList>>());
            return answerOf(chapters.last());
        };
        c.points = [this](QString code, AppSession &) {
            points.append(std::make_shared<Call<KnowledgePointList>>());
            points.last()->key = code;
            return answerOf(points.last());
        };
        c.questions = [this](QString kp, std::optional<QString> qtype, int difficulty, int count,
                             QList<qint64> exclude, AppSession &) {
            auto call = std::make_shared<Call<QList<VariantQuestion>>>();
            call->key = kp;
            call->qtype = qtype;
            call->difficulty = difficulty;
            call->count = count;
            call->exclude = exclude;
            questions.append(call);
            return answerOf(call);
        };
        c.request = [this](QJsonObject body, AppSession &) {
            requests.append(std::make_shared<Call<QuestionRequestResult>>());
            requests.last()->key = QString::fromUtf8(QJsonDocument(body).toJson(QJsonDocument::Compact));
            return answerOf(requests.last());
        };
        return c;
    }
};

const ChapterItem chapterA{"c1", "math", "junior", 7, "有理数"};
const ChapterItem chapterB{"c2", "math", "junior", 7, "整式的加减"};
const KnowledgePointItem pointA{"k1", "正数和负数"};
const KnowledgePointItem pointB{"k2", "数轴"};

QList<VariantQuestion> batch(qint64 first, int n) {
    QList<VariantQuestion> list;
    for (int i = 0; i < n; ++i)
        list.append({first + i, QStringLiteral("single_choice"),
                     QuestionSnapshot::Stem{QStringLiteral("题%1").arg(first + i)}, std::nullopt});
    return list;
}

QStringList eventsSince(qsizetype before) {
    QStringList out;
    const QList<Analytics::Event> events = Analytics::shared().queuedEvents();
    for (qsizetype i = before; i < events.size(); ++i) {
        QStringList props;
        for (auto it = events[i].props.begin(); it != events[i].props.end(); ++it)
            props << it.key() + "=" + it.value();
        props.sort();
        out << events[i].name + "(" + props.join(",") + ")";
    }
    return out;
}

// A view-model with chapter A chosen and its points (A, B) loaded.
struct Rig {
    Server server;
    AppSession session;
    QuestionBankViewModel vm{server.calls()};

    Rig() {
        vm.setSession(&session);
        vm.appear();
        server.chapters.last()->reply({{chapterA, chapterB}});
        vm.setChapterIndex(1);
        server.points.last()->reply({{pointA, pointB}});
    }
};

} // namespace

class TestQuestionBank : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void freshScreen() {
        Server server;
        AppSession session;
        QuestionBankViewModel vm(server.calls());
        vm.setSession(&session);
        QCOMPARE(vm.chapterOptions(), QStringList{"请选择"});
        QCOMPARE(vm.qtypeLabels(), (QStringList{"全部", "选择题", "填空题", "解答题"}));
        QCOMPARE(vm.difficultyLabels(), (QStringList{"基础", "简单", "中等", "提高", "挑战"}));
        QCOMPARE(vm.qtypeIndex(), 0);
        QCOMPARE(vm.difficultyIndex(), 2);
        QCOMPARE(vm.pickLabel(), QStringLiteral("开始挑题"));
        QVERIFY(!vm.canPick() && !vm.showsPoints() && !vm.hasError() && !vm.showsQuestions());
        QVERIFY(!vm.showsEmptyState());

        const qsizetype before = Analytics::shared().queuedCount();
        vm.appear();
        server.chapters.last()->reply({{chapterA, chapterB}});
        QCOMPARE(vm.chapterOptions(), (QStringList{"请选择", "有理数", "整式的加减"}));
        vm.disappear();
        vm.appear(); // coming back: recorded again, no second chapter request
        QCOMPARE(server.chapters.size(), 1);
        QCOMPARE(eventsSince(before),
                 (QStringList{"question_bank_open(source=home)", "question_bank_open(source=home)"}));
    }

    void chapterListFailureTriesAgainNextVisit() {
        Server server;
        AppSession session;
        QuestionBankViewModel vm(server.calls());
        vm.setSession(&session);
        vm.appear();
        server.chapters.last()->fail(500);
        QCOMPARE(vm.chapterOptions(), QStringList{"请选择"});
        QVERIFY(!vm.hasError()); // silent
        vm.appear();
        QCOMPARE(server.chapters.size(), 2);
    }

    void pickersNarrow() {
        Rig rig;
        QCOMPARE(rig.server.points.last()->key, QStringLiteral("c1"));
        QVERIFY(rig.vm.showsPoints());
        QCOMPARE(rig.vm.pointOptions(), (QStringList{"请选择", "正数和负数", "数轴"}));
        QVERIFY(!rig.vm.canPick());
        QVERIFY(!rig.vm.showsEmptyState());
        QCOMPARE(rig.vm.chatMessage(), QString());

        rig.vm.setPointIndex(1);
        QVERIFY(rig.vm.canPick());
        QVERIFY(rig.vm.showsEmptyState()); // before any fetch
        QCOMPARE(rig.vm.chatMessage(), QStringLiteral("给我出几道「正数和负数」的练习题"));
        QCOMPARE(rig.vm.chatScene(), QStringLiteral("practice"));

        // Back to "请选择": point, points and batch go, no request is sent.
        rig.vm.setChapterIndex(0);
        QVERIFY(!rig.vm.point() && !rig.vm.showsPoints() && !rig.vm.canPick());
        QCOMPARE(rig.server.points.size(), 1);
    }

    void emptyPointListKeepsPickDisabled() {
        Rig rig;
        rig.vm.setChapterIndex(2);
        rig.server.points.last()->reply({});
        QVERIFY(!rig.vm.showsPoints() && !rig.vm.canPick());
    }

    void batches_data() {
        QTest::addColumn<int>("returned");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("empty");
        QTest::newRow("five") << 5 << "题目（5）"
                              << "换一批" << false;
        QTest::newRow("two") << 2 << "题目（2）"
                             << "换一批" << false;
        QTest::newRow("none") << 0 << "题目（0）"
                              << "开始挑题" << true;
    }
    void batches() {
        QFETCH(int, returned);
        Rig rig;
        rig.vm.setPointIndex(1);
        rig.vm.setQtypeIndex(1);
        rig.vm.setDifficultyIndex(4);
        rig.vm.pick();
        QVERIFY(rig.vm.loading() && !rig.vm.canPick() && !rig.vm.showsEmptyState());
        auto first = rig.server.questions.last();
        QCOMPARE(first->key, QStringLiteral("k1"));
        QCOMPARE(first->qtype, std::optional<QString>(QStringLiteral("single_choice")));
        QCOMPARE(first->difficulty, 5);
        QCOMPARE(first->count, 5);
        QCOMPARE(first->exclude, QList<qint64>{});
        first->reply(batch(100, returned));
        QVERIFY(!rig.vm.loading());
        QTEST(rig.vm.questionsHeader(), "header");
        QTEST(rig.vm.pickLabel(), "label");
        QTEST(rig.vm.showsEmptyState(), "empty");
        QCOMPARE(rig.vm.questionModel()->rowCount(), returned);

        // "换一批" under a new type: the batch stays until the answer, the ids on screen are left out.
        rig.vm.setQtypeIndex(0);
        QCOMPARE(rig.vm.questions().size(), returned);
        rig.vm.pick();
        QList<qint64> onScreen;
        for (int i = 0; i < returned; ++i)
            onScreen << 100 + i;
        QCOMPARE(rig.server.questions.last()->exclude, onScreen);
        QCOMPARE(rig.server.questions.last()->qtype, std::optional<QString>());
    }

    void fetchFailureKeepsBatch() {
        Rig rig;
        rig.vm.setPointIndex(1);
        rig.vm.pick();
        rig.server.questions.last()->reply(batch(1, 3));
        rig.vm.pick();
        rig.server.questions.last()->fail(503);
        QCOMPARE(rig.vm.errorText(), QStringLiteral("取题失败（503）"));
        QCOMPARE(rig.vm.questions().size(), 3);
        QVERIFY(!rig.vm.loading());
        rig.vm.pick();
        rig.server.questions.last()->reply({});
        QVERIFY(!rig.vm.hasError()); // a good fetch clears it
        QVERIFY(rig.vm.showsEmptyState());
    }

    void rowsAndPracticeProperties() {
        Rig rig;
        rig.vm.setPointIndex(1);
        rig.vm.pick();
        VariantQuestion bare{9007199254740993, std::nullopt, std::nullopt, std::nullopt};
        VariantQuestion odd{7, QStringLiteral("matching"), QuestionSnapshot::Stem{QStringLiteral("连线")},
                            QList<QuestionSnapshot::Option>{{QStringLiteral("A"), QStringLiteral("1")}}};
        rig.server.questions.last()->reply({bare, odd});
        const QVariantMap row0 = rig.vm.questionModel()->get(0);
        QCOMPARE(row0.value("stem").toString(), QStringLiteral("题目 #9007199254740993"));
        QCOMPARE(row0.value("typeLabel").toString(), QStringLiteral("全部"));
        QCOMPARE(rig.vm.questionModel()->get(1).value("typeLabel").toString(), QStringLiteral("题目"));
        QCOMPARE(QuestionBankViewModel::typeLabelOf(QStringLiteral("fill_blank")), QStringLiteral("填空题"));

        const QVariantMap props = rig.vm.practiceProperties(0);
        QCOMPARE(props.value("questionId").toString(), QStringLiteral("9007199254740993"));
        QCOMPARE(props.value("stemText").toString(), QStringLiteral("题目 #9007199254740993"));
        QCOMPARE(props.value("source").toString(), QStringLiteral("practice"));
        QCOMPARE(props.value("options").toList(), QVariantList{});
        const QVariantList options = rig.vm.practiceProperties(1).value("options").toList();
        QCOMPARE(options.size(), 1);
        QCOMPARE(options[0].toMap().value("label").toString(), QStringLiteral("A"));
        QVERIFY(rig.vm.practiceProperties(2).isEmpty());
    }

    void requestNote_data() {
        QTest::addColumn<bool>("merged");
        QTest::addColumn<QString>("mergedText");
        QTest::newRow("new") << false << "0";
        QTest::newRow("merged") << true << "1";
    }
    void requestNote() {
        QFETCH(bool, merged);
        Rig rig;
        rig.vm.setPointIndex(2);
        rig.vm.setQtypeIndex(2);
        QVERIFY(rig.vm.canRequest());
        const qsizetype before = Analytics::shared().queuedCount();
        rig.vm.requestSet();
        QVERIFY(rig.vm.requesting() && !rig.vm.canRequest());
        QCOMPARE(rig.server.requests.last()->key,
                 QStringLiteral(R"({"difficulty":3,"kp":"k2","qtype":"fill_blank"})"));
        rig.server.requests.last()->reply({11, "queued", merged, QStringLiteral("已收到，出好后通知你")});
        QCOMPARE(rig.vm.requestNoteText(), QStringLiteral("已收到，出好后通知你"));
        QVERIFY(!rig.vm.requesting() && !rig.vm.canRequest());
        QFETCH(QString, mergedText);
        QCOMPARE(eventsSince(before),
                 QStringList{"gen_request(kp_code=k2,merged=" + mergedText + ",source=bank)"});

        rig.vm.setDifficultyIndex(0); // a new filter clears the note and frees the button
        QVERIFY(!rig.vm.hasRequestNote() && rig.vm.canRequest());
        rig.vm.setQtypeIndex(0);
        rig.vm.requestSet();
        QCOMPARE(rig.server.requests.last()->key, QStringLiteral(R"({"difficulty":1,"kp":"k2"})"));
        rig.server.requests.last()->fail(500);
        QVERIFY(rig.vm.hasError() && !rig.vm.hasRequestNote() && !rig.vm.showsEmptyState());
        rig.vm.setPointIndex(1);
        QVERIFY(!rig.vm.hasError() && rig.vm.showsEmptyState()); // a new point clears the error
    }

    // Leaving the screen while "让伙伴出题" runs cancels nothing: the answer is still recorded, and shown if
    // the screen is only covered.
    void requestOutlivesScreen_data() {
        QTest::addColumn<bool>("closed");
        QTest::newRow("covered by another screen") << false;
        QTest::newRow("closed") << true;
    }
    void requestOutlivesScreen() {
        QFETCH(bool, closed);
        Server server;
        AppSession session;
        auto vm = std::make_unique<QuestionBankViewModel>(server.calls());
        vm->setSession(&session);
        vm->appear();
        server.chapters.last()->reply({{chapterA}});
        vm->setChapterIndex(1);
        server.points.last()->reply({{pointA}});
        vm->setPointIndex(1);
        vm->requestSet();
        vm->disappear();
        if (closed)
            vm.reset();
        const qsizetype before = Analytics::shared().queuedCount();
        server.requests.last()->reply({5, "queued", true, QStringLiteral("已合并")});
        QCOMPARE(eventsSince(before), QStringList{"gen_request(kp_code=k1,merged=1,source=bank)"});
        if (!closed)
            QVERIFY(vm->hasRequestNote() && !vm->requesting());
    }

    // Answers that arrive after their filter changed.
    void lateAnswers() {
        Rig rig;
        // Points for a chapter the learner has left are dropped.
        rig.vm.setChapterIndex(2);
        auto pointsForB = rig.server.points.last();
        rig.vm.setChapterIndex(1);
        pointsForB->reply({{KnowledgePointItem{"b1", "同类项"}}});
        QVERIFY(!rig.vm.showsPoints());
        rig.server.points.last()->reply({{pointA, pointB}});
        QCOMPARE(rig.vm.pointOptions(), (QStringList{"请选择", "正数和负数", "数轴"}));

        // A batch (or its failure) for a point no longer chosen is dropped; the fetch still ends.
        rig.vm.setPointIndex(1);
        rig.vm.pick();
        rig.vm.setPointIndex(2);
        rig.server.questions.last()->reply(batch(1, 5));
        QVERIFY(!rig.vm.showsQuestions() && !rig.vm.loading() && rig.vm.showsEmptyState());
        rig.vm.pick();
        rig.vm.setPointIndex(1);
        rig.server.questions.last()->fail(500);
        QVERIFY(!rig.vm.hasError() && !rig.vm.loading());

        // A request's note only under the filters it was asked with; the event names the point it was for.
        const struct {
            const char *name;
            std::function<void(QuestionBankViewModel &)> change;
        } changes[] = {
            {"point", [](QuestionBankViewModel &vm) { vm.setPointIndex(2); }},
            {"type", [](QuestionBankViewModel &vm) { vm.setQtypeIndex(3); }},
            {"difficulty", [](QuestionBankViewModel &vm) { vm.setDifficultyIndex(1); }},
        };
        for (const auto &change : changes) {
            rig.vm.setPointIndex(1);
            rig.vm.setQtypeIndex(0);
            rig.vm.setDifficultyIndex(2);
            const qsizetype before = Analytics::shared().queuedCount();
            rig.vm.requestSet();
            change.change(rig.vm);
            rig.server.requests.last()->reply({1, "queued", false, QStringLiteral("note")});
            QVERIFY2(!rig.vm.hasRequestNote() && rig.vm.canRequest(), change.name);
            QCOMPARE(eventsSince(before), QStringList{"gen_request(kp_code=k1,merged=0,source=bank)"});
        }
    }

    void screenWithBatch() {
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on(
            "GET", "/api/v1/knowledge/chapters",
            FakeTransport::Reply::json(
                200,
                R"({"items":[{"code":"c1","subject":"math","stage":"junior","grade":7,"name":"有理数"}]})"));
        platform.transport->on(
            "GET", "/api/v1/knowledge/chapters/c1/points",
            FakeTransport::Reply::json(
                200, R"({"items":[{"code":"k1","name":"正数和负数"},{"code":"k2","name":"数轴"}]})"));
        platform.transport->on("GET", "/api/v1/practice/questions",
                               FakeTransport::Reply::json(200, R"({"items":[
            {"question_id":900111,"qtype":"single_choice","stem":{"text":"下列各数中，是负数的是（  ）"},
             "options":[{"label":"A","text":"0"},{"label":"B","text":"-2"}]},
            {"question_id":900112,"qtype":"fill_blank","stem":{"text":"如果收入 50 元记作 +50 元，那么支出 30 元记作____元。"}},
            {"question_id":900113,"qtype":"solution"},
            {"question_id":900114,"qtype":"single_choice","stem":{"text":"在数轴上，表示 -3 的点在原点的哪一侧？这道题的题干写得很长，用来看三行以内的截断是否得体，以及类型标签是否仍然紧贴在题干下面。再多写一些字，让它一定超过三行。"}},
            {"question_id":900115,"qtype":"matching","stem":{"text":"把下列各数填入相应的集合里"}}]})"));
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        AppSession session;
        QmlHarness::View view(QSize(430, 932));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(R"(
            import QtQuick
            import QtQuick.Controls.Basic
            import Quorvel.Core
            import Quorvel.Learning
            StackView {
                id: stack
                property AppSession session
                property string chatScene
                property string chatMessage
                initialItem: QuestionBankView {
                    session: stack.session
                    onChatRequested: (scene, message) => { stack.chatScene = scene; stack.chatMessage = message }
                    // What the app's router does with the practice screen a row asks for.
                    onOpenRequested: (destination, properties) => {
                        if (destination === Destination.Practice)
                            stack.push("qrc:/qt/qml/Quorvel/Practice/PracticeView.qml", properties)
                    }
                }
            })",
                               {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        QQuickItem *bank = view.root()->property("currentItem").value<QQuickItem *>();
        auto *vm = bank->property("viewModel").value<QuestionBankViewModel *>();
        QTRY_COMPARE(vm->chapterOptions().size(), 2);
        QVERIFY(!view.find("pointSection", true));
        vm->setChapterIndex(1);
        QTRY_VERIFY(view.find("pointSection", true));
        vm->setPointIndex(1);
        QTRY_VERIFY(view.find("emptySection", true));
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), "question-bank-empty"));
        QVERIFY(view.click("askButton"));
        QCOMPARE(view.root()->property("chatScene").toString(), QStringLiteral("practice"));
        QCOMPARE(view.root()->property("chatMessage").toString(),
                 QStringLiteral("给我出几道「正数和负数」的练习题"));
        QVERIFY(view.click("pickButton"));
        QTRY_VERIFY(view.find("questionSection", true));
        QTRY_COMPARE(vm->questionModel()->rowCount(), 5);
        QVERIFY(!view.find("emptySection", true));
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), "question-bank"));

        QVERIFY(view.click(view.find("questionRow", true)));
        QTRY_COMPARE(view.root()->property("depth").toInt(), 2);
        QQuickItem *practice = view.root()->property("currentItem").value<QQuickItem *>();
        QCOMPARE(practice->property("questionId").toString(), QStringLiteral("900111"));
        QCOMPARE(practice->property("source").toString(), QStringLiteral("practice"));
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestQuestionBank)
#include "tst_questionbank.moc"
