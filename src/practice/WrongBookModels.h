#pragma once

#include "QuestionModels.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the practice answers and the wrong-question book carry. The server decides all review scheduling;
// these only hold what it said, timestamps included, as text.

// Why an entry went wrong, every cause optional.
struct ErrorLayers {
    std::optional<QString> knowledge;
    std::optional<QString> method;
    std::optional<QString> misconception;
    std::optional<QStringList> tags;
    std::optional<bool> correctedByUser;

    static ErrorLayers fromJson(const JsonReader &json);
    friend bool operator==(const ErrorLayers &, const ErrorLayers &) = default;
};

// One entry of the wrong-question book; list rows are told apart by `wrongItemId`.
struct WrongItem {
    qint64 wrongItemId = 0;
    std::optional<qint64> questionId;
    QString kpCode;
    QString kpName;
    QString state; // "active" while under review, "mastered"
    qint64 correctStreak = 0;
    std::optional<QString> nextReviewAt; // the server's timestamp text, never parsed
    bool due = false;                    // due for review today
    std::optional<ErrorLayers> errorLayers;
    std::optional<QuestionSnapshot> question;
    std::optional<QString> source;
    std::optional<QString> createdAt; // the server's timestamp text, never parsed

    static WrongItem fromJson(const JsonReader &json);
    friend bool operator==(const WrongItem &, const WrongItem &) = default;
};

// The list answer: one entry that does not decode fails the whole list.
struct WrongBookList {
    QList<WrongItem> items;

    static WrongBookList fromJson(const JsonReader &json);
    friend bool operator==(const WrongBookList &, const WrongBookList &) = default;
};

// Same-source variants of one entry; `insufficient` when the server has too few of them.
struct VariantsResponse {
    qint64 wrongItemId = 0;
    QList<VariantQuestion> items;
    bool insufficient = false;

    static VariantsResponse fromJson(const JsonReader &json);
    friend bool operator==(const VariantsResponse &, const VariantsResponse &) = default;
};

// The graded answer: whether it was right, the right answer, the worked solution and the entry of the wrong
// book as it stands after this answer (none when the question has no entry).
struct AnswerResultResponse {
    struct CorrectAnswer {
        std::optional<QString> value;

        static CorrectAnswer fromJson(const JsonReader &json);
        friend bool operator==(const CorrectAnswer &, const CorrectAnswer &) = default;
    };
    struct Solution {
        std::optional<QStringList> steps; // in order

        static Solution fromJson(const JsonReader &json);
        friend bool operator==(const Solution &, const Solution &) = default;
    };

    qint64 questionId = 0;
    bool correct = false;
    std::optional<CorrectAnswer> correctAnswer;
    std::optional<Solution> solution;
    std::optional<WrongItem> wrongItem;

    static AnswerResultResponse fromJson(const JsonReader &json);
    friend bool operator==(const AnswerResultResponse &, const AnswerResultResponse &) = default;
};

// The photo match answer: whether the bank holds the same question, how the server found it, and the
// question.
struct StemMatchResult {
    bool matched = false;
    std::optional<QString> matchedBy;
    std::optional<VariantQuestion> question;

    static StemMatchResult fromJson(const JsonReader &json);
};
