#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace devserver {

// One lesson of a learner's path: the knowledge point it teaches and whether the learner has completed it.
// Its state and whether it opens follow from the path's unlocked position.
struct LearningItemRecord {
    std::int64_t itemId = 0;
    std::int64_t listOrder = 0; // 1-based
    QString kpCode;
    bool completed = false;
    // When the learner completed it, wall-clock milliseconds (the study report counts the lessons of its
    // window); none for a lesson completed before completions were timed.
    std::optional<std::int64_t> completedAtMs;
    // When the lesson's content is ready; until then an open lesson is being prepared. The default (the
    // clock's epoch) means ready from the start.
    std::chrono::steady_clock::time_point readyAt{};
};

struct LearningPathRecord {
    std::int64_t pathId = 0;
    std::int64_t userId = 0;
    QString goalType; // "chapter" or "topic"
    QString goal;
    QString chapterCode;
    std::int64_t unlockedOrder = 1;
    std::int64_t prefetch = 1;
    std::vector<LearningItemRecord> items;
};

struct QuestionRequestRecord {
    std::int64_t requestId = 0;
    std::int64_t userId = 0;
    QString kp;
    std::int64_t difficulty = 0;
    std::optional<QString> qtype;
};

// One entry of a learner's wrong-question book: made by a wrong answer to the question, reset by every
// further wrong one, mastered after three right answers in a row. Times are wall-clock milliseconds: they are
// shown to the learner as dates.
struct WrongItemRecord {
    std::int64_t wrongItemId = 0;
    std::int64_t userId = 0;
    std::int64_t questionId = 0;
    QString state; // "active" or "mastered"
    std::int64_t correctStreak = 0;
    std::optional<std::int64_t> nextReviewAtMs; // none once mastered
    QString source;                             // where the first wrong answer came from
    std::int64_t createdAtMs = 0;
};

// One graded practice answer, kept for the study report: whose, to which question, whether it was right, and
// when (wall-clock milliseconds: the report counts answers by calendar day).
struct PracticeAnswerRecord {
    std::int64_t userId = 0;
    std::int64_t questionId = 0;
    bool correct = false;
    std::int64_t answeredAtMs = 0;
};

// The learners' paths, question requests (LearningRoutes.cpp), wrong-question books and answers
// (PracticeRoutes.cpp); guarded by the server state's mutex.
struct LearningState {
    std::map<std::int64_t, LearningPathRecord> paths;
    std::vector<QuestionRequestRecord> questionRequests;
    std::map<std::int64_t, WrongItemRecord> wrongItems;
    std::vector<PracticeAnswerRecord> answers; // in the order they were given
    std::int64_t nextPathId = 101;
    std::int64_t nextItemId = 1001;
    std::int64_t nextRequestId = 5001;
    std::int64_t nextWrongItemId = 70001;
};

} // namespace devserver
