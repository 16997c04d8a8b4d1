// The question-and-answer tab's content and where each of its links opens the chat.
#include "QAHomeViewModel.h"
#include "Theme.h"

#include <QSignalSpy>
#include <QTest>

class TestQAHome : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The grid, cell by cell in display order, and the chat each cell opens.
    void subjects_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QString>("tagline");
        QTest::addColumn<QString>("title");
        const auto rgb = [](double r, double g, double b) { return QColor::fromRgbF(r, g, b); };
        QTest::newRow("math") << "math"
                              << "数学"
                              << "function" << rgb(0.16, 0.45, 0.85) << "方程·几何·函数"
                              << "数学问答";
        QTest::newRow("chinese") << "chinese"
                                 << "语文"
                                 << "character.book.closed.fill" << rgb(0.82, 0.30, 0.27) << "阅读·古诗·作文"
                                 << "语文问答";
        QTest::newRow("english") << "english"
                                 << "英语"
                                 << "textformat.abc" << rgb(0.42, 0.32, 0.80) << "语法·词汇·写作"
                                 << "英语问答";
        QTest::newRow("physics") << "physics"
                                 << "物理"
                                 << "atom" << rgb(0.10, 0.55, 0.70) << "力学·电学·光学"
                                 << "物理问答";
        QTest::newRow("chemistry") << "chemistry"
                                   << "化学"
                                   << "flask.fill" << rgb(0.13, 0.60, 0.40) << "元素·反应·实验"
                                   << "化学问答";
        QTest::newRow("biology") << "biology"
                                 << "生物"
                                 << "leaf.fill" << rgb(0.35, 0.62, 0.20) << "细胞·遗传·生态"
                                 << "生物问答";
        QTest::newRow("history") << "history"
                                 << "历史"
                                 << "building.columns.fill" << rgb(0.62, 0.43, 0.22) << "朝代·事件·人物"
                                 << "历史问答";
        QTest::newRow("geography") << "geography"
                                   << "地理"
                                   << "globe.asia.australia.fill" << rgb(0.11, 0.50, 0.62) << "地图·气候·区域"
                                   << "地理问答";
        QTest::newRow("politics") << "politics"
                                  << "道法"
                                  << "scalemass.fill" << rgb(0.75, 0.52, 0.13) << "法治·道德·国情"
                                  << "道法问答";
    }
    void subjects() {
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(QString, symbol);
        QFETCH(QColor, color);
        QFETCH(QString, tagline);
        QFETCH(QString, title);

        QAHomeViewModel vm;
        qsizetype position = -1;
        for (qsizetype i = 0; i < vm.subjectRows().size(); ++i) {
            if (vm.subjectRows()[i].subjectId == id)
                position = i;
        }
        QVERIFY(position >= 0);
        const QASubjectRow &cell = vm.subjectRows()[position];
        QCOMPARE(cell.name, name);
        QCOMPARE(cell.symbol, symbol);
        QCOMPARE(cell.tint, color);
        QCOMPARE(cell.tagline, tagline);

        QSignalSpy opened(&vm, &QAHomeViewModel::chatRequested);
        vm.openSubject(int(position));
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened[0], (QVariantList{"qa", QString(), id, title}));
    }

    void subjectOrder() {
        QAHomeViewModel vm;
        QStringList ids;
        for (const QASubjectRow &cell : vm.subjectRows())
            ids.append(cell.subjectId);
        QCOMPARE(ids, (QStringList{"math", "chinese", "english", "physics", "chemistry", "biology", "history",
                                   "geography", "politics"}));
        QCOMPARE(vm.subjectModel()->count(), 9);
    }

    // The hot questions in display order: each row's chip, and the chat it opens.
    void hotQuestions_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("title");
        QTest::newRow("1") << 0 << "一元一次方程移项为什么要变号？"
                           << "math"
                           << "数学"
                           << "数学问答";
        QTest::newRow("2") << 1 << "什么是浮力？举个生活中的例子"
                           << "physics"
                           << "物理"
                           << "物理问答";
        QTest::newRow("3") << 2 << "现在完成时和一般过去时有什么区别？"
                           << "english"
                           << "英语"
                           << "英语问答";
        QTest::newRow("4") << 3 << "怎么判断一个变化是化学变化？"
                           << "chemistry"
                           << "化学"
                           << "化学问答";
        QTest::newRow("5") << 4 << "议论文的论点和论据怎么区分？"
                           << "chinese"
                           << "语文"
                           << "语文问答";
        QTest::newRow("6") << 5 << "帮我梳理一下秦朝统一的措施"
                           << "history"
                           << "历史"
                           << "历史问答";
    }
    void hotQuestions() {
        QFETCH(int, row);
        QFETCH(QString, question);
        QFETCH(QString, subject);
        QFETCH(QString, chip);
        QFETCH(QString, title);
        QAHomeViewModel vm;
        QCOMPARE(vm.hotQuestionRows().size(), 6);
        const QAHotQuestionRow &hot = vm.hotQuestionRows()[row];
        QCOMPARE(hot.question, question);
        QCOMPARE(hot.subject, subject);
        QCOMPARE(hot.chipText, chip);
        QCOMPARE(hot.chipColor, QASubject::find(subject)->color);

        QSignalSpy opened(&vm, &QAHomeViewModel::chatRequested);
        vm.openHotQuestion(row);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened[0], (QVariantList{"qa", question, subject, title}));
    }

    // A question of a subject the tab does not list still opens the chat with its code unchanged.
    void hotQuestionOfUnknownSubject() {
        const QAHotQuestion question{QStringLiteral("Math"), QStringLiteral("问题")};
        QCOMPARE(QAChatRoute::forHotQuestion(question), (QAChatRoute{"qa", "问题", "Math", "学科问答"}));
        const QAHotQuestionRow row = QAHotQuestionRow::of(question);
        QCOMPARE(row.chipText, QString());
        QCOMPARE(row.chipColor, Theme::brandTeal());
    }

    void find_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name"); // empty: not found
        QTest::newRow("politics is the ninth") << "politics"
                                               << "道法";
        QTest::newRow("case matters") << "Math"
                                      << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("no trimming") << "math "
                                     << "";
    }
    void find() {
        QFETCH(QString, id);
        QFETCH(QString, name);
        const std::optional<QASubject> found = QASubject::find(id);
        QCOMPARE(found.has_value(), !name.isEmpty());
        if (found)
            QCOMPARE(found->name, name);
    }

    // Out-of-range taps open nothing; the plan card's chips leave through the tab's signal.
    void taps() {
        QAHomeViewModel vm;
        QSignalSpy opened(&vm, &QAHomeViewModel::chatRequested);
        vm.openSubject(-1);
        vm.openSubject(9);
        vm.openHotQuestion(6);
        QCOMPARE(opened.count(), 0);
        vm.planCard()->ask(1);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened[0], (QVariantList{"qa_plan", "今天学什么", QString(), "学习计划问答"}));
    }
};

QTEST_MAIN(TestQAHome)
#include "tst_qahome.moc"
