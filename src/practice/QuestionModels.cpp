#include "QuestionModels.h"

QuestionSnapshot::Stem QuestionSnapshot::Stem::fromJson(const JsonReader &json) {
    return {json.optString(QStringLiteral("text"))};
}

QuestionSnapshot::Option QuestionSnapshot::Option::fromJson(const JsonReader &json) {
    return {json.optString(QStringLiteral("label")), json.optString(QStringLiteral("text"))};
}

QuestionSnapshot QuestionSnapshot::fromJson(const JsonReader &json) {
    QuestionSnapshot question;
    question.qtype = json.optString(QStringLiteral("qtype"));
    if (const auto stem = json.optObject(QStringLiteral("stem")))
        question.stem = Stem::fromJson(*stem);
    question.options = json.optList(QStringLiteral("options"), &Option::fromJson);
    return question;
}

VariantQuestion VariantQuestion::fromJson(const JsonReader &json) {
    VariantQuestion question;
    question.questionId = json.int64(QStringLiteral("questionId"));
    question.qtype = json.optString(QStringLiteral("qtype"));
    if (const auto stem = json.optObject(QStringLiteral("stem")))
        question.stem = QuestionSnapshot::Stem::fromJson(*stem);
    question.options = json.optList(QStringLiteral("options"), &QuestionSnapshot::Option::fromJson);
    return question;
}
