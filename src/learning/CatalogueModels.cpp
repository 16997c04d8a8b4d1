#include "CatalogueModels.h"

ChapterItem ChapterItem::fromJson(const JsonReader &json) {
    ChapterItem chapter;
    chapter.code = json.string(QStringLiteral("code"));
    chapter.subject = json.string(QStringLiteral("subject"));
    chapter.stage = json.string(QStringLiteral("stage"));
    chapter.grade = json.int64(QStringLiteral("grade"));
    chapter.name = json.string(QStringLiteral("name"));
    return chapter;
}

ChapterList ChapterList::fromJson(const JsonReader &json) {
    return {json.list(QStringLiteral("items"), &ChapterItem::fromJson)};
}

KnowledgePointItem KnowledgePointItem::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("code")), json.string(QStringLiteral("name"))};
}

KnowledgePointList KnowledgePointList::fromJson(const JsonReader &json) {
    return {json.list(QStringLiteral("items"), &KnowledgePointItem::fromJson)};
}

TopicCandidate TopicCandidate::fromJson(const JsonReader &json) {
    TopicCandidate candidate;
    candidate.chapterCode = json.string(QStringLiteral("chapterCode"));
    candidate.chapterName = json.string(QStringLiteral("chapterName"));
    candidate.kpCodes = json.stringList(QStringLiteral("kpCodes"));
    candidate.kpNames = json.stringList(QStringLiteral("kpNames"));
    candidate.lessons = json.int64(QStringLiteral("lessons"));
    candidate.estimatedMinutes = json.int64(QStringLiteral("estimatedMinutes"));
    return candidate;
}

TopicResolution TopicResolution::fromJson(const JsonReader &json) {
    TopicResolution resolution;
    resolution.status = json.string(QStringLiteral("status"));
    resolution.message = json.string(QStringLiteral("message"));
    resolution.candidates = json.list(QStringLiteral("candidates"), &TopicCandidate::fromJson);
    return resolution;
}

QuestionRequestResult QuestionRequestResult::fromJson(const JsonReader &json) {
    QuestionRequestResult result;
    result.requestId = json.int64(QStringLiteral("requestId"));
    result.state = json.string(QStringLiteral("state"));
    result.merged = json.boolean(QStringLiteral("merged"));
    result.message = json.string(QStringLiteral("message"));
    return result;
}

PracticeQuestionList PracticeQuestionList::fromJson(const JsonReader &json) {
    return {json.list(QStringLiteral("items"), &VariantQuestion::fromJson)};
}
