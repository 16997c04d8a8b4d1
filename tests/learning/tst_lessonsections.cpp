#include "LessonSections.h"
#include "ListModel.h"
#include "Theme.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

// A lesson answer: order 3, "数轴", state "Ready", no materials, with `extra` keys added or replaced.
LearningItemDetail lesson(const QByteArray &extra = "{}") {
    QJsonObject json = QJsonDocument::fromJson(R"({"item_id":1003,"list_order":3,"kp_code":"k3",)"
                                               R"("kp_name":"数轴","state":"Ready","assets":[]})")
                           .object();
    const QJsonObject more = QJsonDocument::fromJson(extra).object();
    if (more.isEmpty() && extra != "{}")
        qFatal("bad test JSON: %s", extra.constData());
    for (auto it = more.begin(); it != more.end(); ++it)
        json.insert(it.key(), it.value());
    return LearningItemDetail::fromJson(JsonReader(json, JsonKeys::FromSnakeCase));
}

QString completionName(LessonSections::Completion completion) {
    switch (completion) {
    case LessonSections::Completion::Button:
        return QStringLiteral("button");
    case LessonSections::Completion::Done:
        return QStringLiteral("done");
    case LessonSections::Completion::None:
        break;
    }
    return QStringLiteral("none");
}

// The page's column, top to bottom, one line per card (and per exercise row).
QStringList column(const LessonSections &sections) {
    QStringList counts;
    for (const LessonCountLabel &label : sections.header.counts)
        counts << label.text;
    QStringList out{QStringLiteral("header ") + sections.header.badge + QStringLiteral(" | ") +
                    sections.header.name + QStringLiteral(" | ") + counts.join(QStringLiteral(", "))};
    if (sections.hasHandout)
        out << QStringLiteral("handout ") + QString::number(sections.handout.size());
    if (sections.exercises) {
        out << QStringLiteral("exercises ") + sections.exercises->heading.title;
        for (const LessonQuestionRow &row : sections.exercises->rows) {
            out << QStringLiteral("  ") + row.number + u' ' + row.text +
                       (row.questionId ? QStringLiteral(" -> ") + QString::number(*row.questionId) +
                                             QStringLiteral(" (") + QString::number(row.options.size()) +
                                             QStringLiteral(" options)")
                                       : QStringLiteral(" (not answerable)"));
        }
    }
    if (sections.assets)
        out << QStringLiteral("assets ") + sections.assets->text;
    out << QStringLiteral("completion ") + completionName(sections.completion);
    return out;
}

} // namespace

class TestLessonSections : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Which cards a lesson shows, with their counts and texts.
    void column_data() {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("handout without exercises")
            << QByteArray(R"({"handout":{"sections":[{"heading":"a"},{"heading":"b"},{"heading":"c"}]}})")
            << QStringList{"header 第 3 课 | 数轴 | 3 节讲义, 0 道例题, 0 道练习", "handout 1",
                           "completion button"};
        QTest::newRow("handout with sections and examples")
            << QByteArray(R"({"handout":{"sections":[{"heading":"a"}],"examples":[{"stem":"e"},{}]}})")
            << QStringList{"header 第 3 课 | 数轴 | 1 节讲义, 2 道例题, 0 道练习", "handout 2",
                           "completion button"};
        QTest::newRow("empty handout is still a handout: no assets card")
            << QByteArray(R"({"handout":{},"assets":[{"type":"pdf","uri":"u"}]})")
            << QStringList{"header 第 3 课 | 数轴 | 0 节讲义, 0 道例题, 0 道练习", "handout 0",
                           "completion button"};
        QTest::newRow("exercises with an empty list: neither exercises nor assets")
            << QByteArray(R"({"exercises":{"questions":[]},"assets":[{"type":"pdf","uri":"u"}]})")
            << QStringList{"header 第 3 课 | 数轴 | 0 节讲义, 0 道例题, 0 道练习", "completion button"};
        QTest::newRow("exercises without questions: neither exercises nor assets")
            << QByteArray(R"({"exercises":{}})")
            << QStringList{"header 第 3 课 | 数轴 | 0 节讲义, 0 道例题, 0 道练习", "completion button"};
        QTest::newRow("neither, two materials")
            << QByteArray(R"({"assets":[{"type":"video","uri":"a"},{"type":"pdf","uri":"b"}]})")
            << QStringList{"header 第 3 课 | 数轴 | 0 节讲义, 0 道例题, 0 道练习",
                           "assets 本课包含 2 份学习资料。", "completion button"};
        QTest::newRow("neither, no materials")
            << QByteArray("{}")
            << QStringList{"header 第 3 课 | 数轴 | 0 节讲义, 0 道例题, 0 道练习",
                           "assets 内容还在整理，稍后再来看看。", "completion button"};
        QTest::newRow("null handout and exercises count as absent")
            << QByteArray(R"({"handout":null,"exercises":null,"assets":[{"type":"t","uri":"u"}]})")
            << QStringList{"header 第 3 课 | 数轴 | 0 节讲义, 0 道例题, 0 道练习",
                           "assets 本课包含 1 份学习资料。", "completion button"};
        QTest::newRow("exercises: stems, placeholders, ids and options")
            << QByteArray(R"({"exercises":{"questions":[)"
                          R"({"question_id":7,"stem":{"text":"下列各数中，是负数的是"},)"
                          R"("options":[{"label":"A","text":"0"},{"label":"B","text":"-2"}]},)"
                          R"({"question_id":8},)"
                          R"({"stem":{"text":"没有题号"}},)"
                          R"({"question_id":9,"stem":{},"options":null},)"
                          R"({"question_id":10,"stem":{"text":""}}]}})")
            << QStringList{"header 第 3 课 | 数轴 | 0 节讲义, 0 道例题, 5 道练习",
                           "exercises 配套练习",
                           "  1 下列各数中，是负数的是 -> 7 (2 options)",
                           "  2 第 2 题 -> 8 (0 options)",
                           "  3 没有题号 (not answerable)",
                           "  4 第 4 题 -> 9 (0 options)",
                           "  5  -> 10 (0 options)",
                           "completion button"};
        QTest::newRow("completed lesson")
            << QByteArray(R"({"state":"Completed"})")
            << QStringList{"header 第 3 课 | 数轴 | 0 节讲义, 0 道例题, 0 道练习",
                           "assets 内容还在整理，稍后再来看看。", "completion done"};
        QTest::newRow("order 12 and a long name")
            << QByteArray(R"({"list_order":12,"kp_name":"实际问题与一元一次方程","state":"Generating"})")
            << QStringList{"header 第 12 课 | 实际问题与一元一次方程 | 0 节讲义, 0 道例题, 0 道练习",
                           "assets 内容还在整理，稍后再来看看。", "completion none"};
    }
    void column() {
        QFETCH(QByteArray, extra);
        QFETCH(QStringList, expected);
        QCOMPARE(::column(LessonSections::build(lesson(extra))), expected);
    }

    // Only the exact server texts "Ready" and "Completed" show a control.
    void completion_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("control");
        QTest::newRow("Ready") << "Ready"
                               << "button";
        QTest::newRow("Completed") << "Completed"
                                   << "done";
        QTest::newRow("Generating") << "Generating"
                                    << "none";
        QTest::newRow("Failed") << "Failed"
                                << "none";
        QTest::newRow("Locked") << "Locked"
                                << "none";
        QTest::newRow("lower-case ready") << "ready"
                                          << "none";
        QTest::newRow("COMPLETED") << "COMPLETED"
                                   << "none";
        QTest::newRow("padded") << " Ready"
                                << "none";
        QTest::newRow("empty") << ""
                               << "none";
    }
    void completion() {
        QFETCH(QString, state);
        QFETCH(QString, control);
        QCOMPARE(completionName(LessonSections::completionFor(state)), control);
    }

    void headerSymbolsAndCardHeadings() {
        const LessonSections sections =
            LessonSections::build(lesson(R"({"exercises":{"questions":[{"question_id":1}]}})"));
        QCOMPARE(sections.header.counts,
                 (QList<LessonCountLabel>{{QStringLiteral("doc.text"), QStringLiteral("0 节讲义")},
                                          {QStringLiteral("lightbulb"), QStringLiteral("0 道例题")},
                                          {QStringLiteral("pencil"), QStringLiteral("1 道练习")}}));
        QCOMPARE(sections.exercises->heading,
                 (LessonCardHeading{QStringLiteral("配套练习"), QStringLiteral("pencil.and.list.clipboard"),
                                    Theme::color(Theme::Purple, false)}));
        QCOMPARE(sections.exercises->answerLabel, QStringLiteral("作答"));

        const LessonSections bare = LessonSections::build(lesson());
        QCOMPARE(bare.assets->heading,
                 (LessonCardHeading{QStringLiteral("课程内容"), QStringLiteral("doc.richtext"),
                                    Theme::brandTeal()}));
    }

    // The practice screen gets the whole stem (the row cuts it at three lines only on screen) and the
    // options in the server's order, absent parts marked as such.
    void practiceInputs() {
        const QString longStem = QStringLiteral("长").repeated(400);
        const QJsonObject question{{"question_id", 7},
                                   {"stem", QJsonObject{{"text", longStem}}},
                                   {"options", QJsonArray{QJsonObject{{"label", "B"}, {"text", "二"}},
                                                          QJsonObject{{"text", "无标号"}},
                                                          QJsonObject{{"label", "D"}}, QJsonObject{}}}};
        const QJsonObject exercises{{"exercises", QJsonObject{{"questions", QJsonArray{question}}}}};
        const LessonSections sections =
            LessonSections::build(lesson(QJsonDocument(exercises).toJson(QJsonDocument::Compact)));
        const LessonQuestionRow &row = sections.exercises->rows.first();
        QCOMPARE(row.text, longStem);
        const QVariantList options = LessonSections::optionsVariant(row.options);
        QCOMPARE(options.size(), 4);
        const auto option = [&](int i, const char *key) { return options.at(i).toMap().value(key); };
        QCOMPARE(option(0, "label").toString(), QStringLiteral("B"));
        QCOMPARE(option(0, "text").toString(), QStringLiteral("二"));
        QCOMPARE(option(1, "hasLabel").toBool(), false);
        QCOMPARE(option(1, "label").toString(), QString());
        QCOMPARE(option(1, "text").toString(), QStringLiteral("无标号"));
        QCOMPARE(option(2, "hasText").toBool(), false);
        QCOMPARE(option(3, "hasLabel").toBool(), false);
        QCOMPARE(option(3, "hasText").toBool(), false);
    }

    // What QML reads: the cards' maps and the roles of the count and exercise rows.
    void variantsAndRolesForQml() {
        const LessonSections sections = LessonSections::build(
            lesson(R"({"exercises":{"questions":[{"question_id":7,"stem":{"text":"题"}},{}]}})"));
        QCOMPARE(sections.header.toVariant(), (QVariantMap{{"badge", "第 3 课"}, {"name", "数轴"}}));
        QCOMPARE(ListModel<LessonCountLabel>::toMap(sections.header.counts.at(2)),
                 (QVariantMap{{"symbol", "pencil"}, {"text", "2 道练习"}}));
        const QVariantMap exercises = sections.exercises->toVariant();
        QCOMPARE(exercises.value("answerLabel").toString(), QStringLiteral("作答"));
        QCOMPARE(exercises.value("heading").toMap().value("title").toString(), QStringLiteral("配套练习"));
        const QList<LessonQuestionRow> &rows = sections.exercises->rows;
        QCOMPARE(rows.size(), 2);
        QCOMPARE(ListModel<LessonQuestionRow>::toMap(rows[0]),
                 (QVariantMap{{"number", "1"}, {"questionText", "题"}, {"answerable", true}}));
        QCOMPARE(ListModel<LessonQuestionRow>::toMap(rows[1]),
                 (QVariantMap{{"number", "2"}, {"questionText", "第 2 题"}, {"answerable", false}}));
    }
};

QTEST_GUILESS_MAIN(TestLessonSections)
#include "tst_lessonsections.moc"
