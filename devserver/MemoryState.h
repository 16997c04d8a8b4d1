#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <vector>

namespace devserver {

// One thing the companion keeps about a learner.
struct MemoryRecord {
    QString id;
    QString kind; // "goal" or "difficulty"
    QString text;
    std::int64_t createdAtMs = 0; // wall clock, milliseconds since the epoch
};

// A learner's memories, filled with a goal and two difficulties the first time they are read (`seeded`), so
// a learner who cleared them does not get them back.
struct MemoryBook {
    bool seeded = false;
    std::vector<MemoryRecord> entries; // oldest first
};

struct MemoryState {
    std::map<std::int64_t, MemoryBook> byUser;
    std::int64_t nextId = 1;
};

} // namespace devserver
