#include "WrongBookModels.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>

namespace {

const QJsonValue missing(QJsonValue::Undefined);

QJsonObject object(const QByteArray &json) {
    return QJsonDocument::fromJson(json).object();
}

// An entry with every field, and keys the client must ignore.
QJsonObject fullEntry() {
    return object(
        R"({"wrong_item_id":42,"question_id":900113,"kp_code":"math-g7a-c1-01","kp_name":"正数和负数",
        "state":"active","correct_streak":1,"next_review_at":"2026-03-02T08:00:00Z","due":true,
        "error_layers":{"knowledge":"概念","method":"方法","misconception":"误区","tags":["正数","负数"],
                        "corrected_by_user":false,"weight":3},
        "question":{"qtype":"single_choice","stem":{"text":"下列各数中，是负数的是（  ）"},
                    "options":[{"label":"A","text":"0"},{"label":"B","text":"-2"}]},
        "source":"practice","created_at":"2026-03-01T08:00:00Z","extra":"ignored"})");
}

QJsonObject fullAnswer() {
    return QJsonObject{{"question_id", 7},
                       {"correct", false},
                       {"correct_answer", QJsonObject{{"value", "C"}}},
                       {"solution", QJsonObject{{"steps", QJsonArray{"第一步", "第二步"}}}},
                       {"wrong_item", fullEntry()}};
}

QJsonObject patched(QJsonObject json, const QString &path, const QJsonValue &value) {
    const qsizetype dot = path.indexOf(u'.');
    if (dot >= 0) {
        const QString head = path.left(dot);
        json.insert(head, patched(json.value(head).toObject(), path.mid(dot + 1), value));
        return json;
    }
    if (value.isUndefined())
        json.remove(path);
    else
        json.insert(path, value);
    return json;
}

using Decode = std::function<void(const QJsonObject &)>;

template <typename T>
Decode decoderOf() {
    return [](const QJsonObject &json) { T::fromJson(JsonReader(json, JsonKeys::FromSnakeCase)); };
}

WrongItem entry(const QJsonObject &json) {
    return WrongItem::fromJson(JsonReader(json, JsonKeys::FromSnakeCase));
}

} // namespace

Q_DECLARE_METATYPE(Decode)

class TestWrongBookModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fullEntryDecodesEveryField() {
        const WrongItem item = entry(fullEntry());
        QCOMPARE(item.wrongItemId, 42);
        QCOMPARE(item.questionId, std::optional<qint64>(900113));
        QCOMPARE(item.kpCode, QStringLiteral("math-g7a-c1-01"));
        QCOMPARE(item.kpName, QStringLiteral("正数和负数"));
        QCOMPARE(item.state, QStringLiteral("active"));
        QCOMPARE(item.correctStreak, 1);
        QCOMPARE(item.nextReviewAt, std::optional<QString>("2026-03-02T08:00:00Z"));
        QVERIFY(item.due);
        QVERIFY(item.errorLayers);
        QCOMPARE(item.errorLayers->misconception, std::optional<QString>("误区"));
        QCOMPARE(item.errorLayers->tags, std::optional<QStringList>({"正数", "负数"}));
        QCOMPARE(item.errorLayers->correctedByUser, std::optional<bool>(false));
        QVERIFY(item.question);
        QCOMPARE(item.question->qtype, std::optional<QString>("single_choice"));
        QCOMPARE(item.question->options->size(), 2);
        QCOMPARE(item.question->options->at(1).text, std::optional<QString>("-2"));
        QCOMPARE(item.source, std::optional<QString>("practice"));
        QCOMPARE(item.createdAt, std::optional<QString>("2026-03-01T08:00:00Z"));
    }

    // Which fields a record needs: one change to a valid record, and whether it still decodes.
    void presence_data() {
        QTest::addColumn<Decode>("decode");
        QTest::addColumn<QJsonObject>("json");
        QTest::addColumn<bool>("decodes");

        const Decode item = decoderOf<WrongItem>();
        const QJsonObject full = fullEntry();
        QTest::newRow("entry, full") << item << full << true;
        for (const char *field : {"wrong_item_id", "kp_code", "kp_name", "state", "correct_streak", "due"}) {
            QTest::addRow("entry without %s", field) << item << patched(full, field, missing) << false;
            QTest::addRow("entry with null %s", field) << item << patched(full, field, QJsonValue()) << false;
        }
        for (const char *field :
             {"question_id", "next_review_at", "error_layers", "question", "source", "created_at"}) {
            QTest::addRow("entry without %s", field) << item << patched(full, field, missing) << true;
            QTest::addRow("entry with null %s", field) << item << patched(full, field, QJsonValue()) << true;
        }
        QTest::newRow("streak as text") << item << patched(full, "correct_streak", "1") << false;
        QTest::newRow("streak with a fraction") << item << patched(full, "correct_streak", 1.5) << false;
        QTest::newRow("due as number") << item << patched(full, "due", 1) << false;
        QTest::newRow("id as text") << item << patched(full, "wrong_item_id", "42") << false;
        QTest::newRow("optional of the wrong type") << item << patched(full, "source", 3) << false;
        QTest::newRow("question as text") << item << patched(full, "question", "题") << false;
        QTest::newRow("question without stem") << item << patched(full, "question.stem", missing) << true;
        QTest::newRow("stem without text") << item << patched(full, "question.stem", QJsonObject{}) << true;
        QTest::newRow("question, empty object") << item << patched(full, "question", QJsonObject{}) << true;
        QTest::newRow("options as object")
            << item << patched(full, "question.options", QJsonObject{}) << false;
        QTest::newRow("layers, empty object") << item << patched(full, "error_layers", QJsonObject{}) << true;
        QTest::newRow("tag not text") << item << patched(full, "error_layers.tags", QJsonArray{1}) << false;
        QTest::newRow("corrected as text")
            << item << patched(full, "error_layers.corrected_by_user", "false") << false;

        const Decode list = decoderOf<WrongBookList>();
        QTest::newRow("list, empty") << list << object(R"({"items":[]})") << true;
        QTest::newRow("list without items") << list << QJsonObject{} << false;
        QTest::newRow("list, one entry lacks kp_name")
            << list << QJsonObject{{"items", QJsonArray{full, patched(full, "kp_name", missing)}}} << false;

        const Decode variants = decoderOf<VariantsResponse>();
        const QJsonObject someVariants = object(
            R"({"wrong_item_id":5,"items":[{"question_id":1},{"question_id":2,"options":[{"text":"x"}]}],)"
            R"("insufficient":true})");
        QTest::newRow("variants") << variants << someVariants << true;
        for (const char *field : {"wrong_item_id", "items", "insufficient"})
            QTest::addRow("variants without %s", field)
                << variants << patched(someVariants, field, missing) << false;
        QTest::newRow("variant without id")
            << variants << patched(someVariants, "items", QJsonArray{QJsonObject{{"qtype", "x"}}}) << false;

        const Decode answer = decoderOf<AnswerResultResponse>();
        QTest::newRow("answer, full") << answer << fullAnswer() << true;
        QTest::newRow("answer, bare") << answer << object(R"({"question_id":7,"correct":true})") << true;
        for (const char *field : {"question_id", "correct"})
            QTest::addRow("answer without %s", field)
                << answer << patched(fullAnswer(), field, missing) << false;
        QTest::newRow("answer with a broken entry")
            << answer << patched(fullAnswer(), "wrong_item.state", missing) << false;
        QTest::newRow("answer value not text")
            << answer << patched(fullAnswer(), "correct_answer.value", 3) << false;
        QTest::newRow("answer, empty solution")
            << answer << patched(fullAnswer(), "solution", QJsonObject{}) << true;
        QTest::newRow("step not text")
            << answer << patched(fullAnswer(), "solution.steps", QJsonArray{"一", QJsonValue()}) << false;
    }
    void presence() {
        QFETCH(Decode, decode);
        QFETCH(QJsonObject, json);
        QFETCH(bool, decodes);
        bool decoded = true;
        try {
            decode(json);
        } catch (const JsonDecodeError &) {
            decoded = false;
        }
        QCOMPARE(decoded, decodes);
    }

    // An option may carry either field alone; the other reads as absent.
    void optionWithOneField_data() {
        QTest::addColumn<QJsonObject>("json");
        QTest::addColumn<std::optional<QString>>("label");
        QTest::addColumn<std::optional<QString>>("text");
        QTest::newRow("label only") << QJsonObject{{"label", "A"}} << std::optional<QString>("A")
                                    << std::optional<QString>();
        QTest::newRow("text only") << QJsonObject{{"text", "-2"}} << std::optional<QString>()
                                   << std::optional<QString>("-2");
        QTest::newRow("null label") << QJsonObject{{"label", QJsonValue()}, {"text", "1"}}
                                    << std::optional<QString>() << std::optional<QString>("1");
    }
    void optionWithOneField() {
        QFETCH(QJsonObject, json);
        QFETCH(std::optional<QString>, label);
        QFETCH(std::optional<QString>, text);
        const QuestionSnapshot::Option option =
            QuestionSnapshot::Option::fromJson(JsonReader(json, JsonKeys::FromSnakeCase));
        QCOMPARE(option.label, label);
        QCOMPARE(option.text, text);
    }

    // The snake_case keys of the nested records reach their fields; absent parts stay absent.
    void answerFieldsAndAbsentParts() {
        const AnswerResultResponse full =
            AnswerResultResponse::fromJson(JsonReader(fullAnswer(), JsonKeys::FromSnakeCase));
        QCOMPARE(full.questionId, 7);
        QVERIFY(!full.correct);
        QCOMPARE(full.correctAnswer->value, std::optional<QString>("C"));
        QCOMPARE(full.solution->steps, std::optional<QStringList>({"第一步", "第二步"}));
        QVERIFY(full.wrongItem);
        QCOMPARE(*full.wrongItem, entry(fullEntry()));

        const AnswerResultResponse bare = AnswerResultResponse::fromJson(
            JsonReader(object(R"({"question_id":7,"correct":true})"), JsonKeys::FromSnakeCase));
        QVERIFY(bare.correct);
        QVERIFY(!bare.correctAnswer && !bare.solution && !bare.wrongItem);
    }

    // Ids beyond 2^53 arrive exactly: a double would read 9007199254740993 as ...992.
    void idsAreExact64BitIntegers() {
        const QByteArray body =
            R"({"wrong_item_id":9007199254740993,"items":[{"question_id":-9007199254740993}],)"
            R"("insufficient":false})";
        const VariantsResponse variants =
            VariantsResponse::fromJson(JsonReader::parse(body, JsonKeys::FromSnakeCase));
        QCOMPARE(variants.wrongItemId, Q_INT64_C(9007199254740993));
        QCOMPARE(variants.items.first().questionId, Q_INT64_C(-9007199254740993));
    }
};

QTEST_GUILESS_MAIN(TestWrongBookModels)
#include "tst_wrongbookmodels.moc"
