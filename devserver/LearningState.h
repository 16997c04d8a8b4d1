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

// The learners' paths and question requests (LearningRoutes.cpp); guarded by the server state's mutex.
struct LearningState {
    std::map<std::int64_t, LearningPathRecord> paths;
    std::vector<QuestionRequestRecord> questionRequests;
    std::int64_t nextPathId = 101;
    std::int64_t nextItemId = 1001;
    std::int64_t nextRequestId = 5001;
};

} // namespace devserver
