#include "WrongBookModels.h"

namespace {

std::optional<QStringList> optStrings(const JsonReader &json, const QString &field) {
    return json.has(field) ? std::optional(json.stringList(field)) : std::nullopt;
}

template <typename Model>
std::optional<Model> optModel(const JsonReader &json, const QString &field) {
    if (const auto object = json.optObject(field))
        return Model::fromJson(*object);
    return std::nullopt;
}

} // namespace

ErrorLayers ErrorLayers::fromJson(const JsonReader &json) {
    return {json.optString(QStringLiteral("knowledge")), json.optString(QStringLiteral("method")),
            json.optString(QStringLiteral("misconception")), optStrings(json, QStringLiteral("tags")),
            json.optBoolean(QStringLiteral("correctedByUser"))};
}

WrongItem WrongItem::fromJson(const JsonReader &json) {
    WrongItem item;
    item.wrongItemId = json.int64(QStringLiteral("wrongItemId"));
    item.questionId = json.optInt64(QStringLiteral("questionId"));
    item.kpCode = json.string(QStringLiteral("kpCode"));
    item.kpName = json.string(QStringLiteral("kpName"));
    item.state = json.string(QStringLiteral("state"));
    item.correctStreak = json.int64(QStringLiteral("correctStreak"));
    item.nextReviewAt = json.optString(QStringLiteral("nextReviewAt"));
    item.due = json.boolean(QStringLiteral("due"));
    item.errorLayers = optModel<ErrorLayers>(json, QStringLiteral("errorLayers"));
    item.question = optModel<QuestionSnapshot>(json, QStringLiteral("question"));
    item.source = json.optString(QStringLiteral("source"));
    item.createdAt = json.optString(QStringLiteral("createdAt"));
    return item;
}

WrongBookList WrongBookList::fromJson(const JsonReader &json) {
    return {json.list(QStringLiteral("items"), &WrongItem::fromJson)};
}

VariantsResponse VariantsResponse::fromJson(const JsonReader &json) {
    return {json.int64(QStringLiteral("wrongItemId")),
            json.list(QStringLiteral("items"), &VariantQuestion::fromJson),
            json.boolean(QStringLiteral("insufficient"))};
}

AnswerResultResponse::CorrectAnswer AnswerResultResponse::CorrectAnswer::fromJson(const JsonReader &json) {
    return {json.optString(QStringLiteral("value"))};
}

AnswerResultResponse::Solution AnswerResultResponse::Solution::fromJson(const JsonReader &json) {
    return {optStrings(json, QStringLiteral("steps"))};
}

AnswerResultResponse AnswerResultResponse::fromJson(const JsonReader &json) {
    AnswerResultResponse result;
    result.questionId = json.int64(QStringLiteral("questionId"));
    result.correct = json.boolean(QStringLiteral("correct"));
    result.correctAnswer = optModel<CorrectAnswer>(json, QStringLiteral("correctAnswer"));
    result.solution = optModel<Solution>(json, QStringLiteral("solution"));
    result.wrongItem = optModel<WrongItem>(json, QStringLiteral("wrongItem"));
    return result;
}

StemMatchResult StemMatchResult::fromJson(const JsonReader &json) {
    StemMatchResult result;
    result.matched = json.boolean(QStringLiteral("matched"));
    result.matchedBy = json.optString(QStringLiteral("matchedBy"));
    if (const std::optional<JsonReader> question = json.optObject(QStringLiteral("question")))
        result.question = VariantQuestion::fromJson(*question);
    return result;
}
