#pragma once

#include "JsonReader.h"
#include "QuestionModels.h"

#include <QList>
#include <QString>

#include <optional>

// The learning-path answers of the service. Read-only values: every state, flag and position in them is the
// server's, and the client only shows and compares them.

// The lesson states the client compares, exactly and case-sensitively. Any other value is shown by the
// lesson's `openable` flag alone.
namespace LessonState {
inline const QString completed = QStringLiteral("Completed");
inline const QString generating = QStringLiteral("Generating");
inline const QString failed = QStringLiteral("Failed");
inline const QString ready = QStringLiteral("Ready");
} // namespace LessonState

// One lesson node of a path.
struct LearningItemView {
    qint64 itemId = 0;
    qint64 listOrder = 0;
    QString kpCode;
    QString kpName;
    QString state;
    bool openable = false;
    std::optional<qint64> progress; // percent, while the lesson's content is being made

    qint64 id() const { return itemId; }

    static LearningItemView fromJson(const JsonReader &json);
    // Only for telling whether a fetched copy changed anything on show.
    friend bool operator==(const LearningItemView &, const LearningItemView &) = default;
};

// One learning path with its lessons in the server's order.
struct LearningPathView {
    qint64 pathId = 0;
    QString goalType;
    QString goal;
    QString status;
    qint64 unlockedOrder = 0; // listOrder of the lesson the server has opened as the current one
    qint64 prefetch = 0;
    QList<LearningItemView> items;

    static LearningPathView fromJson(const JsonReader &json);
    friend bool operator==(const LearningPathView &, const LearningPathView &) = default;
};

// One learning material of a lesson.
struct LearningAssetView {
    QString type;
    QString uri;

    // Joined as they stand: two materials whose joined texts coincide share an identity.
    QString id() const { return type + u'|' + uri; }

    static LearningAssetView fromJson(const JsonReader &json);
};

// A lesson's handout and worked examples; every part of it may be missing.
struct LessonHandout {
    struct Section {
        std::optional<QString> heading;
        std::optional<QString> body;

        static Section fromJson(const JsonReader &json);
    };
    struct Example {
        std::optional<QString> stem;
        std::optional<QStringList> steps;

        static Example fromJson(const JsonReader &json);
    };

    std::optional<QString> title;
    std::optional<QList<Section>> sections;
    std::optional<QList<Example>> examples;

    static LessonHandout fromJson(const JsonReader &json);
};

// A lesson's practice questions.
struct LessonExercises {
    struct Question {
        std::optional<qint64> questionId;
        std::optional<QuestionSnapshot::Stem> stem;
        std::optional<QList<QuestionSnapshot::Option>> options;

        static Question fromJson(const JsonReader &json);
    };

    std::optional<QList<Question>> questions;

    static LessonExercises fromJson(const JsonReader &json);
};

// The full content of one lesson. It carries neither `openable` nor `progress`.
struct LearningItemDetail {
    qint64 itemId = 0;
    qint64 listOrder = 0;
    QString kpCode;
    QString kpName;
    QString state;
    QList<LearningAssetView> assets;
    std::optional<LessonHandout> handout;
    std::optional<LessonExercises> exercises;

    static LearningItemDetail fromJson(const JsonReader &json);
};

// The answer to completing a lesson. Nothing of it is used, but it must decode for the completion to count.
struct CompleteResult {
    qint64 itemId = 0;
    QString state;
    qint64 unlockedOrder = 0;
    QString pathStatus;

    static CompleteResult fromJson(const JsonReader &json);
};
