#include "CatalogueModels.h"
#include "Fixtures.h"
#include "LearningModels.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>

#include <functional>

namespace {

QJsonObject object(const char *json) {
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

// A practice list with a null label and a missing text: the variant question's loose shape.
const char *questionsJson = R"({"items":[{"question_id":9,"qtype":"single_choice","stem":{"text":"题"},)"
                            R"("options":[{"label":"A","text":"1"},{"label":null}]}]})";

template <typename T>
std::function<void(const QJsonObject &)> decoderOf() {
    return [](const QJsonObject &json) { T::fromJson(JsonReader(json, JsonKeys::FromSnakeCase)); };
}

const QHash<QString, std::function<void(const QJsonObject &)>> &decoders() {
    static const QHash<QString, std::function<void(const QJsonObject &)>> table{
        {QStringLiteral("path"), decoderOf<LearningPathView>()},
        {QStringLiteral("detail"), decoderOf<LearningItemDetail>()},
        {QStringLiteral("complete"), decoderOf<CompleteResult>()},
        {QStringLiteral("chapters"), decoderOf<ChapterList>()},
        {QStringLiteral("points"), decoderOf<KnowledgePointList>()},
        {QStringLiteral("topic"), decoderOf<TopicResolution>()},
        {QStringLiteral("request"), decoderOf<QuestionRequestResult>()},
        {QStringLiteral("questions"), decoderOf<PracticeQuestionList>()},
    };
    return table;
}

// One valid answer per record: the shared fixtures where the suites share one, and a key the client must
// ignore added to the path.
const QHash<QString, QJsonObject> &samples() {
    static const QHash<QString, QJsonObject> table{
        {QStringLiteral("path"),
         Fixtures::with(Fixtures::object(QStringLiteral("learning/path-rational-numbers.json")),
                        QStringLiteral("extra"), QStringLiteral("ignored"))},
        {QStringLiteral("detail"), Fixtures::object(QStringLiteral("learning/lesson-number-line.json"))},
        {QStringLiteral("complete"), Fixtures::object(QStringLiteral("learning/complete.json"))},
        {QStringLiteral("chapters"), Fixtures::object(QStringLiteral("learning/chapters.json"))},
        {QStringLiteral("points"), Fixtures::object(QStringLiteral("learning/points.json"))},
        {QStringLiteral("topic"), Fixtures::object(QStringLiteral("learning/topic-one-candidate.json"))},
        {QStringLiteral("request"), Fixtures::object(QStringLiteral("learning/question-request.json"))},
        {QStringLiteral("questions"), object(questionsJson)},
    };
    return table;
}

const QJsonValue missing(QJsonValue::Undefined);
const QJsonValue null(QJsonValue::Null);

} // namespace

class TestLearningModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every record against its required keys, optional keys and wrong types: one change to a valid answer
    // either still decodes or fails the whole answer.
    void decoding_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("location"); // empty: the sample as it stands
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<bool>("decodes");

        const auto row = [](const char *name, const char *record, const char *location,
                            const QJsonValue &value, bool decodes) {
            QTest::newRow(name) << QString::fromLatin1(record) << QString::fromLatin1(location) << value
                                << decodes;
        };
        for (const QString &record : samples().keys())
            QTest::newRow(qPrintable(record + QStringLiteral(" sample")))
                << record << QString() << missing << true;

        // Learning path and its lesson nodes.
        for (const char *key :
             {"path_id", "goal_type", "goal", "status", "unlocked_order", "prefetch", "items"})
            QTest::newRow(qPrintable(QStringLiteral("path without ") + QLatin1String(key)))
                << QStringLiteral("path") << QString::fromLatin1(key) << missing << false;
        row("path id null", "path", "path_id", null, false);
        row("path id as text", "path", "path_id", QJsonValue("12"), false);
        row("path id fractional", "path", "path_id", QJsonValue(12.5), false);
        row("path id beyond 64 bits", "path", "path_id", QJsonValue(1.0e19), false);
        row("prefetch as boolean", "path", "prefetch", QJsonValue(true), false);
        row("items as object", "path", "items", QJsonObject(), false);
        row("no lessons", "path", "items", QJsonArray(), true);
        row("lesson not an object", "path", "items", QJsonArray{1}, false);
        for (const char *key : {"item_id", "list_order", "kp_code", "kp_name", "state", "openable"})
            QTest::newRow(qPrintable(QStringLiteral("lesson without ") + QLatin1String(key)))
                << QStringLiteral("path") << QStringLiteral("items.1.") + QLatin1String(key) << missing
                << false;
        row("lesson without progress", "path", "items.2.progress", missing, true);
        row("lesson progress null", "path", "items.2.progress", null, true);
        row("lesson progress as text", "path", "items.2.progress", QJsonValue("30"), false);
        row("openable as text", "path", "items.0.openable", QJsonValue("true"), false);
        row("state as number", "path", "items.0.state", QJsonValue(1), false);

        // Lesson detail.
        row("detail without handout", "detail", "handout", missing, true);
        row("detail without exercises", "detail", "exercises", missing, true);
        row("detail handout null", "detail", "handout", null, true);
        row("detail without assets", "detail", "assets", missing, false);
        row("detail with no assets", "detail", "assets", QJsonArray(), true);
        row("asset without uri", "detail", "assets.0.uri", missing, false);
        row("asset type null", "detail", "assets.0.type", null, false);
        row("empty handout", "detail", "handout", QJsonObject(), true);
        row("handout title as number", "detail", "handout.title", QJsonValue(5), false);
        row("empty section", "detail", "handout.sections.0", QJsonObject(), true);
        row("section body as list", "detail", "handout.sections.0.body", QJsonArray(), false);
        row("example without steps", "detail", "handout.examples.0.steps", missing, true);
        row("example steps of numbers", "detail", "handout.examples.0.steps", QJsonArray{1}, false);
        row("exercises without questions", "detail", "exercises.questions", missing, true);
        row("question without id", "detail", "exercises.questions.0.question_id", missing, true);
        row("question id as text", "detail", "exercises.questions.0.question_id", QJsonValue("7"), false);
        row("question stem without text", "detail", "exercises.questions.0.stem", QJsonObject(), true);
        row("question stem as text", "detail", "exercises.questions.0.stem", QJsonValue("题"), false);
        row("option label null", "detail", "exercises.questions.0.options.0.label", null, true);
        row("option text as number", "detail", "exercises.questions.0.options.0.text", QJsonValue(3), false);
        row("detail without state", "detail", "state", missing, false);

        // Completion: all four keys.
        for (const char *key : {"item_id", "state", "unlocked_order", "path_status"})
            QTest::newRow(qPrintable(QStringLiteral("completion without ") + QLatin1String(key)))
                << QStringLiteral("complete") << QString::fromLatin1(key) << missing << false;

        // Catalogue.
        for (const char *key : {"code", "subject", "stage", "grade", "name"})
            QTest::newRow(qPrintable(QStringLiteral("chapter without ") + QLatin1String(key)))
                << QStringLiteral("chapters") << QStringLiteral("items.0.") + QLatin1String(key) << missing
                << false;
        row("chapter grade as text", "chapters", "items.0.grade", QJsonValue("7"), false);
        row("chapter list without items", "chapters", "items", missing, false);
        row("empty chapter list", "chapters", "items", QJsonArray(), true);
        row("point without code", "points", "items.0.code", missing, false);
        row("point name null", "points", "items.0.name", null, false);

        // Topic resolution.
        row("topic without message", "topic", "message", missing, false);
        row("topic without status", "topic", "status", missing, false);
        row("no candidates", "topic", "candidates", QJsonArray(), true);
        for (const char *key :
             {"chapter_code", "chapter_name", "kp_codes", "kp_names", "lessons", "estimated_minutes"})
            QTest::newRow(qPrintable(QStringLiteral("candidate without ") + QLatin1String(key)))
                << QStringLiteral("topic") << QStringLiteral("candidates.0.") + QLatin1String(key) << missing
                << false;
        row("candidate codes of numbers", "topic", "candidates.0.kp_codes", QJsonArray{1}, false);
        row("candidate with no codes", "topic", "candidates.0.kp_codes", QJsonArray(), true);

        // Question request.
        for (const char *key : {"request_id", "state", "merged", "message"})
            QTest::newRow(qPrintable(QStringLiteral("request without ") + QLatin1String(key)))
                << QStringLiteral("request") << QString::fromLatin1(key) << missing << false;
        row("merged as text", "request", "merged", QJsonValue("false"), false);

        // Practice questions.
        row("questions without items", "questions", "items", missing, false);
        row("no questions", "questions", "items", QJsonArray(), true);
        row("question without question_id", "questions", "items.0.question_id", missing, false);
        row("question without qtype", "questions", "items.0.qtype", null, true);
        row("question without stem", "questions", "items.0.stem", missing, true);
        row("question without options", "questions", "items.0.options", missing, true);
        row("question options as object", "questions", "items.0.options", QJsonObject(), false);
    }
    void decoding() {
        QFETCH(QString, record);
        QFETCH(QString, location);
        QFETCH(QJsonValue, value);
        QFETCH(bool, decodes);

        QJsonObject json = samples().value(record);
        QVERIFY(!json.isEmpty());
        if (!location.isEmpty())
            json = Fixtures::with(json, location, value);
        bool decoded = true;
        try {
            decoders().value(record)(json);
        } catch (const JsonDecodeError &) {
            decoded = false;
        }
        QCOMPARE(decoded, decodes);
    }

    void pathFieldsComeFromSnakeCaseKeys() {
        // What learning/path-rational-numbers.json holds.
        const LearningPathView path =
            LearningPathView::fromJson(JsonReader(samples().value("path"), JsonKeys::FromSnakeCase));
        QCOMPARE(path.pathId, 7);
        QCOMPARE(path.goalType, QStringLiteral("chapter"));
        QCOMPARE(path.goal, QStringLiteral("学完「有理数」"));
        QCOMPARE(path.unlockedOrder, 2);
        QCOMPARE(path.prefetch, 1);
        QCOMPARE(path.items.size(), 3);
        QCOMPARE(path.items[0].id(), 71);
        QCOMPARE(path.items[0].kpCode, QStringLiteral("math-g7a-c1-01"));
        QCOMPARE(path.items[0].progress, std::nullopt);
        QCOMPARE(path.items[2].progress, std::optional<qint64>(30));
        QCOMPARE(path.items[2].kpName, QStringLiteral("相反数与绝对值"));
        QCOMPARE(path.items[2].state, LessonState::generating);
        QVERIFY(!path.items[2].openable);
    }

    void detailKeepsServerOrderAndOptionalParts() {
        // What learning/lesson-number-line.json holds.
        const LearningItemDetail detail =
            LearningItemDetail::fromJson(JsonReader(samples().value("detail"), JsonKeys::FromSnakeCase));
        QCOMPARE(detail.assets.size(), 1);
        QCOMPARE(detail.assets[0].id(), QStringLiteral("video|https://media.example/number-line.mp4"));
        QVERIFY(detail.handout);
        QCOMPARE(detail.handout->title, QStringLiteral("有理数与数轴"));
        QCOMPARE(detail.handout->sections->at(0).heading, QStringLiteral("数轴的三要素"));
        QCOMPARE(detail.handout->examples->at(0).steps,
                 (QStringList{QStringLiteral("从原点向左数 2 个单位长度，得到表示 -2 的点。"),
                              QStringLiteral("表示 3 的点在表示 -2 的点的右边，所以 3 > -2。")}));
        const LessonExercises::Question &question = detail.exercises->questions->at(0);
        QCOMPARE(question.questionId, std::optional<qint64>(900121));
        QCOMPARE(question.stem->text, QStringLiteral("数轴上表示 -3 的点在原点的（  ）"));
        QCOMPARE(question.options->size(), 2);
        QCOMPARE(question.options->at(1).label, QStringLiteral("B"));

        const LessonHandout empty =
            LessonHandout::fromJson(JsonReader(QJsonObject(), JsonKeys::FromSnakeCase));
        QVERIFY(!empty.title && !empty.sections && !empty.examples);
    }

    void variantQuestionsDecodeNullsAsNothing() {
        const PracticeQuestionList list =
            PracticeQuestionList::fromJson(JsonReader(object(questionsJson), JsonKeys::FromSnakeCase));
        QCOMPARE(list.items.size(), 1);
        QCOMPARE(list.items[0].questionId, 9);
        QCOMPARE(list.items[0].qtype, QStringLiteral("single_choice"));
        QCOMPARE(list.items[0].options->size(), 2);
        QCOMPARE(list.items[0].options->at(1).label, std::nullopt);
        QCOMPARE(list.items[0].options->at(1).text, std::nullopt);
    }

    void assetIdentityJoinsTypeAndUri() {
        const LearningAssetView a{QStringLiteral("x"), QStringLiteral("y|z")};
        const LearningAssetView b{QStringLiteral("x|y"), QStringLiteral("z")};
        QCOMPARE(a.id(), QStringLiteral("x|y|z"));
        QCOMPARE(a.id(), b.id());
    }

    void candidateIdentity_data() {
        QTest::addColumn<QString>("chapter");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("id");
        QTest::newRow("no codes") << "c1" << QStringList() << "c1:";
        QTest::newRow("one code") << "c1" << QStringList{"k1"} << "c1:k1";
        QTest::newRow("in order") << "c1" << QStringList{"k2", "k1"} << "c1:k2,k1";
    }
    void candidateIdentity() {
        QFETCH(QString, chapter);
        QFETCH(QStringList, codes);
        QFETCH(QString, id);
        TopicCandidate candidate;
        candidate.chapterCode = chapter;
        candidate.kpCodes = codes;
        candidate.kpNames = {QStringLiteral("names take no part")};
        QCOMPARE(candidate.id(), id);
    }

    void chaptersAreSelectionValues() {
        const ChapterItem a{QStringLiteral("c1"), QStringLiteral("math"), QStringLiteral("junior"), 7,
                            QStringLiteral("有理数")};
        ChapterItem renamed = a;
        renamed.name = QStringLiteral("有理数（新）");
        ChapterItem regraded = a;
        regraded.grade = 8;
        // Same identity in lists, yet different selections.
        QCOMPARE(a.id(), renamed.id());
        QVERIFY(a != renamed);
        QVERIFY(a != regraded);
        QCOMPARE(a, ChapterItem(a));
        QCOMPARE(qHash(a, 7), qHash(ChapterItem(a), 7));
        const QSet<ChapterItem> set{a, renamed, regraded, a};
        QCOMPARE(set.size(), 3);

        const KnowledgePointItem p{QStringLiteral("k1"), QStringLiteral("正数")};
        const KnowledgePointItem q{QStringLiteral("k1"), QStringLiteral("负数")};
        QCOMPARE(p.id(), q.id());
        QVERIFY(p != q);
        QCOMPARE((QSet<KnowledgePointItem>{p, q, p}).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestLearningModels)
#include "tst_learningmodels.moc"
