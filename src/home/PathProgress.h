#pragma once

#include "LearningModels.h"

#include <algorithm>

// How far a learner has got through a learning path: its completed lessons out of all of them. A lesson
// counts as completed only when its state is exactly "Completed": the server's state words are compared as
// sent, so "completed" or "Completed " are lessons still to do.
struct PathProgress {
    qint64 done = 0;
    qint64 total = 0;

    static PathProgress of(const LearningPathView &path) {
        const auto done =
            std::count_if(path.items.begin(), path.items.end(), [](const LearningItemView &item) {
                return item.state == QLatin1String("Completed");
            });
        return {qint64(done), qint64(path.items.size())};
    }
    friend bool operator==(const PathProgress &, const PathProgress &) = default;
};
