#pragma once

#include "JsonReader.h"
#include "QuestionModels.h"

#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QStringList>

// The knowledge catalogue, topic resolution and question-request answers. One definition for every reader:
// the learning paths, the guest catalogue and the question bank. Every key is required.

// One chapter of the curriculum catalogue. Chapters are selection values of pickers: two chapters are equal
// only when all five fields are, though lists tell them apart by `code` alone.
struct ChapterItem {
    QString code;
    QString subject; // the subject's code, the picker's first grouping
    QString stage;
    qint64 grade = 0;
    QString name;

    QString id() const { return code; }

    static ChapterItem fromJson(const JsonReader &json);
    friend bool operator==(const ChapterItem &, const ChapterItem &) = default;
};

inline size_t qHash(const ChapterItem &chapter, size_t seed = 0) {
    return qHashMulti(seed, chapter.code, chapter.subject, chapter.stage, chapter.grade, chapter.name);
}

struct ChapterList {
    QList<ChapterItem> items;

    static ChapterList fromJson(const JsonReader &json);
};

// One knowledge point of a chapter; a selection value like `ChapterItem`.
struct KnowledgePointItem {
    QString code;
    QString name;

    QString id() const { return code; }

    static KnowledgePointItem fromJson(const JsonReader &json);
    friend bool operator==(const KnowledgePointItem &, const KnowledgePointItem &) = default;
};

inline size_t qHash(const KnowledgePointItem &point, size_t seed = 0) {
    return qHashMulti(seed, point.code, point.name);
}

struct KnowledgePointList {
    QList<KnowledgePointItem> items;

    static KnowledgePointList fromJson(const JsonReader &json);
};

// One way the server proposes to turn a typed topic into a path. Shown and sent as received: the client
// does not check that the codes, names and lesson count agree.
struct TopicCandidate {
    QString chapterCode;
    QString chapterName;
    QStringList kpCodes;
    QStringList kpNames;
    qint64 lessons = 0;
    qint64 estimatedMinutes = 0;

    // "<chapterCode>:<kpCode>,<kpCode>..."; the names take no part.
    QString id() const { return chapterCode + u':' + kpCodes.join(u','); }

    static TopicCandidate fromJson(const JsonReader &json);
};

struct TopicResolution {
    // The value of `status` for a topic the service does not cover; `message` then says so.
    static inline const QString outOfScope = QStringLiteral("out_of_scope");

    QString status;
    QString message;
    QList<TopicCandidate> candidates;

    static TopicResolution fromJson(const JsonReader &json);
};

// The answer to a request for new practice questions on a knowledge point.
struct QuestionRequestResult {
    qint64 requestId = 0;
    QString state;
    bool merged = false;
    QString message;

    static QuestionRequestResult fromJson(const JsonReader &json);
};

// The envelope of the practice-question list; only its items are handed on.
struct PracticeQuestionList {
    QList<VariantQuestion> items;

    static PracticeQuestionList fromJson(const JsonReader &json);
};
