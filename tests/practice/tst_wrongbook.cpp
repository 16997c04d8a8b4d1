#include "ApiError.h"
#include "AppSession.h"
#include "TestPlatform.h"
#include "WrongBookViewModel.h"
#include "WrongItemDetailViewModel.h"

#include <QTest>

#include <map>

namespace {

WrongItem entry(qint64 id, const QString &kp, bool due = false, std::optional<QString> stem = std::nullopt) {
    WrongItem item;
    item.wrongItemId = id;
    item.kpName = kp;
    item.state = QStringLiteral("active");
    item.correctStreak = 1;
    item.due = due;
    if (stem)
        item.question = QuestionSnapshot{std::nullopt, QuestionSnapshot::Stem{stem}, std::nullopt};
    return item;
}

// A service whose answers arrive when the test releases them, one gate per call.
struct Service {
    struct Call {
        QString what;
        std::shared_ptr<Completion> gate = std::make_shared<Completion>();
        std::optional<WrongBookList> list;
        std::optional<ApiError> failure;
    };
    QList<std::shared_ptr<Call>> calls;
    std::map<QString, std::optional<WrongBookList>> lists; // by state
    QSet<qint64> failingDeletes;

    WrongBookViewModel::List list() {
        return [this](QString state, AppSession &) -> QCoro::Task<WrongBookList> {
            auto call = std::make_shared<Call>();
            call->what = "list " + state;
            call->list = lists[state];
            calls.append(call);
            co_await Completion::wait(call->gate);
            if (!call->list)
                throw ApiError::http(500, QStringLiteral("请求失败（500）"));
            co_return *call->list;
        };
    }
    WrongBookViewModel::Delete remove() {
        return [this](qint64 id, AppSession &) -> QCoro::Task<> {
            auto call = std::make_shared<Call>();
            call->what = "delete " + QString::number(id);
            calls.append(call);
            const bool fails = failingDeletes.contains(id);
            co_await Completion::wait(call->gate);
            if (fails)
                throw ApiError::http(404, QStringLiteral("错题不存在"));
        };
    }
    void release(int index) { calls[index]->gate->finish(); }
    QStringList log() const {
        QStringList lines;
        for (const auto &call : calls)
            lines << call->what;
        return lines;
    }
};

QStringList titles(const WrongBookViewModel &vm) {
    QStringList rows;
    for (const WrongItemRow &row : vm.items().rows())
        rows << row.title() + "|" + row.kpName() + (row.due() ? "|due" : "") + "|" + row.streakText();
    return rows;
}

} // namespace

class TestWrongBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listTexts() {
        TestPlatform platform;
        AppSession session;
        Service service;
        service.lists["active"] = WrongBookList{
            {entry(1, "一元一次方程", true, QStringLiteral("解方程 2x+3=7")), entry(2, "有理数")}};
        service.lists["mastered"] = WrongBookList{};
        WrongBookViewModel vm(service.list(), service.remove());
        vm.setSession(&session);
        vm.appear();
        QVERIFY(vm.loading() && vm.showsSpinner() && vm.emptyText().isEmpty());
        service.release(0);
        QTRY_VERIFY(!vm.loading());
        QCOMPARE(titles(vm), (QStringList{"解方程 2x+3=7|一元一次方程|due|连对 1", "有理数|有理数|连对 1"}));
        vm.setFilter("mastered");
        QCOMPARE(titles(vm).size(), 2); // the old rows stay until the answer arrives
        service.release(1);
        QTRY_VERIFY(!vm.loading());
        QCOMPARE(vm.emptyText(), QStringLiteral("还没有已掌握的错题。"));
        QCOMPARE(service.log(), (QStringList{"list active", "list mastered"}));
    }

    // Only the newest load writes: a load overtaken by a filter change, or dropped by leaving, is silent.
    void onlyTheNewestLoadWrites() {
        TestPlatform platform;
        AppSession session;
        Service service;
        service.lists["active"] = std::nullopt; // the first load fails, late
        service.lists["mastered"] = WrongBookList{{entry(5, "勾股定理")}};
        WrongBookViewModel vm(service.list(), service.remove());
        vm.setSession(&session);
        vm.appear();
        vm.setFilter("mastered");
        service.release(1);
        QTRY_COMPARE(titles(vm).size(), 1);
        QVERIFY(!vm.loading());
        service.release(0); // the overtaken load fails: nothing of it shows
        QTest::qWait(20);
        QCOMPARE(vm.message(), QString());
        QCOMPARE(titles(vm).size(), 1);

        vm.refresh();
        vm.disappear();
        QVERIFY(!vm.loading());
        service.lists["mastered"] = WrongBookList{};
        service.release(2);
        QTest::qWait(20);
        QCOMPARE(titles(vm).size(), 1);
        QCOMPARE(vm.message(), QString());

        vm.appear(); // a failure of the newest load is shown, and the rows stay
        service.calls[3]->list = std::nullopt;
        service.release(3);
        QTRY_COMPARE(vm.message(), QStringLiteral("请求失败（500）"));
        QCOMPARE(titles(vm).size(), 1);
    }

    // Deletions go one after another; a failure is reported and the others go on; an entry deleted while a
    // load was on its way does not come back with it.
    void deletes() {
        TestPlatform platform;
        AppSession session;
        Service service;
        service.lists["active"] = WrongBookList{{entry(1, "a"), entry(2, "b"), entry(3, "c")}};
        service.failingDeletes = {1};
        WrongBookViewModel vm(service.list(), service.remove());
        vm.setSession(&session);
        vm.appear();
        service.release(0);
        QTRY_VERIFY(!vm.loading());
        vm.refresh(); // a load that left before the deletions and answers after them
        vm.deleteRows({1, 0});
        QCOMPARE(service.log().mid(2), QStringList{"delete 1"});
        service.release(2);
        QTRY_COMPARE(service.log().size(), 4);
        QCOMPARE(service.log().last(), QStringLiteral("delete 2"));
        service.release(3);
        QTRY_COMPARE(titles(vm).size(), 2);
        QCOMPARE(vm.message(), QStringLiteral("错题不存在"));
        service.release(1); // the refresh answers with the server's list from before the deletion
        QTRY_VERIFY(!vm.loading());
        QStringList ids;
        for (const WrongItemRow &row : vm.items().rows())
            ids << QString::number(row.id());
        QCOMPARE(ids, (QStringList{"1", "3"}));
    }

    void detailTexts() {
        WrongItem item = entry(7, "一元一次方程");
        item.questionId = 9007199254740993;
        item.question =
            QuestionSnapshot{QStringLiteral("single_choice"), std::nullopt,
                             QList<QuestionSnapshot::Option>{{QStringLiteral("A"), QStringLiteral("2")},
                                                             {std::nullopt, QStringLiteral("3")}}};
        item.errorLayers = ErrorLayers{std::nullopt, QStringLiteral("移项"), std::nullopt,
                                       QStringList{"符号", "移项变号"}, std::nullopt};
        WrongItemDetailViewModel vm(
            [](qint64, AppSession &) -> QCoro::Task<VariantsResponse> { co_return VariantsResponse(); });
        vm.setItem(item);
        QCOMPARE(vm.stemText(), QStringLiteral("（题干不可用）"));
        QCOMPARE(vm.optionLines(), (QStringList{"A 2", " 3"}));
        QCOMPARE(vm.method(), QStringLiteral("移项"));
        QCOMPARE(vm.misconception(), QStringLiteral("—"));
        QCOMPARE(vm.tags(), QStringLiteral("符号、移项变号"));
        QCOMPARE(vm.nextReview(), QStringLiteral("—"));
        const QVariantMap redo = vm.redoProperties();
        QCOMPARE(redo.value("questionId").toString(), QStringLiteral("9007199254740993"));
        QCOMPARE(redo.value("stemText").toString(), QStringLiteral("题目 #9007199254740993"));
        QCOMPARE(redo.value("options").toList().size(), 2);
        QCOMPARE(redo.value("source").toString(), QStringLiteral("review"));
        item.questionId.reset();
        item.errorLayers.reset();
        vm.setItem(item);
        QVERIFY(!vm.canRedo());
        QVERIFY(vm.redoProperties().isEmpty());
        QCOMPARE(vm.tags(), QString());
    }

    // A variants load dropped because the page left writes nothing; a failure shows and empties the section.
    void variantsLoads() {
        TestPlatform platform;
        AppSession session;
        QList<std::shared_ptr<Completion>> gates;
        QList<std::optional<VariantsResponse>> answers;
        WrongItemDetailViewModel vm([&](qint64, AppSession &) -> QCoro::Task<VariantsResponse> {
            auto gate = std::make_shared<Completion>();
            gates.append(gate);
            const std::optional<VariantsResponse> answer = answers.value(gates.size() - 1);
            co_await Completion::wait(gate);
            if (!answer)
                throw ApiError::http(-1, QStringLiteral("无响应"));
            co_return *answer;
        });
        vm.setSession(&session);
        vm.setItem(entry(7, "kp"));
        VariantQuestion variant;
        variant.questionId = 11;
        answers = {VariantsResponse{7, {variant}, false}, std::nullopt, std::nullopt};
        vm.appear();
        QVERIFY(!vm.variantsLoaded());
        gates[0]->finish();
        QTRY_VERIFY(vm.variantsLoaded());
        QCOMPARE(vm.variantProperties(0).value("stemText").toString(), QStringLiteral("题目 #11"));
        QCOMPARE(vm.variantProperties(0).value("source").toString(), QStringLiteral("practice"));
        vm.appear();
        vm.disappear(); // the learner opened a variant: this load is dropped
        gates[1]->finish();
        QTest::qWait(20);
        QCOMPARE(vm.message(), QString());
        QVERIFY(!vm.noVariants());
        vm.appear();
        gates[2]->finish();
        QTRY_COMPARE(vm.message(), QStringLiteral("无响应"));
        QVERIFY(vm.noVariants());
    }
};

QTEST_GUILESS_MAIN(TestWrongBook)
#include "tst_wrongbook.moc"
