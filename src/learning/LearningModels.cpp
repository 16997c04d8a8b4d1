#include "LearningModels.h"

namespace {

// An optional string list: missing or null is nothing, anything else must be an array of strings.
std::optional<QStringList> optStringList(const JsonReader &json, const QString &field) {
    return json.has(field) ? std::optional(json.stringList(field)) : std::nullopt;
}

} // namespace

LearningItemView LearningItemView::fromJson(const JsonReader &json) {
    LearningItemView item;
    item.itemId = json.int64(QStringLiteral("itemId"));
    item.listOrder = json.int64(QStringLiteral("listOrder"));
    item.kpCode = json.string(QStringLiteral("kpCode"));
    item.kpName = json.string(QStringLiteral("kpName"));
    item.state = json.string(QStringLiteral("state"));
    item.openable = json.boolean(QStringLiteral("openable"));
    item.progress = json.optInt64(QStringLiteral("progress"));
    return item;
}

LearningPathView LearningPathView::fromJson(const JsonReader &json) {
    LearningPathView path;
    path.pathId = json.int64(QStringLiteral("pathId"));
    path.goalType = json.string(QStringLiteral("goalType"));
    path.goal = json.string(QStringLiteral("goal"));
    path.status = json.string(QStringLiteral("status"));
    path.unlockedOrder = json.int64(QStringLiteral("unlockedOrder"));
    path.prefetch = json.int64(QStringLiteral("prefetch"));
    path.items = json.list(QStringLiteral("items"), &LearningItemView::fromJson);
    return path;
}

LearningAssetView LearningAssetView::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("type")), json.string(QStringLiteral("uri"))};
}

LessonHandout::Section LessonHandout::Section::fromJson(const JsonReader &json) {
    return {json.optString(QStringLiteral("heading")), json.optString(QStringLiteral("body"))};
}

LessonHandout::Example LessonHandout::Example::fromJson(const JsonReader &json) {
    return {json.optString(QStringLiteral("stem")), optStringList(json, QStringLiteral("steps"))};
}

LessonHandout LessonHandout::fromJson(const JsonReader &json) {
    LessonHandout handout;
    handout.title = json.optString(QStringLiteral("title"));
    handout.sections = json.optList(QStringLiteral("sections"), &Section::fromJson);
    handout.examples = json.optList(QStringLiteral("examples"), &Example::fromJson);
    return handout;
}

LessonExercises::Question LessonExercises::Question::fromJson(const JsonReader &json) {
    Question question;
    question.questionId = json.optInt64(QStringLiteral("questionId"));
    if (const auto stem = json.optObject(QStringLiteral("stem")))
        question.stem = QuestionSnapshot::Stem::fromJson(*stem);
    question.options = json.optList(QStringLiteral("options"), &QuestionSnapshot::Option::fromJson);
    return question;
}

LessonExercises LessonExercises::fromJson(const JsonReader &json) {
    return {json.optList(QStringLiteral("questions"), &Question::fromJson)};
}

LearningItemDetail LearningItemDetail::fromJson(const JsonReader &json) {
    LearningItemDetail detail;
    detail.itemId = json.int64(QStringLiteral("itemId"));
    detail.listOrder = json.int64(QStringLiteral("listOrder"));
    detail.kpCode = json.string(QStringLiteral("kpCode"));
    detail.kpName = json.string(QStringLiteral("kpName"));
    detail.state = json.string(QStringLiteral("state"));
    detail.assets = json.list(QStringLiteral("assets"), &LearningAssetView::fromJson);
    if (const auto handout = json.optObject(QStringLiteral("handout")))
        detail.handout = LessonHandout::fromJson(*handout);
    if (const auto exercises = json.optObject(QStringLiteral("exercises")))
        detail.exercises = LessonExercises::fromJson(*exercises);
    return detail;
}

CompleteResult CompleteResult::fromJson(const JsonReader &json) {
    return {json.int64(QStringLiteral("itemId")), json.string(QStringLiteral("state")),
            json.int64(QStringLiteral("unlockedOrder")), json.string(QStringLiteral("pathStatus"))};
}
