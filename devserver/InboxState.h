#pragma once

#include <QString>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace devserver {

// One notice in a learner's inbox.
struct InboxMessageRecord {
    std::int64_t id = 0;
    QString kind;
    QString title;
    QString body;
    std::optional<QString> refType;
    std::optional<std::int64_t> refId;
    std::int64_t createdAtMs = 0; // wall clock, milliseconds since the epoch
    bool read = false;
};

// A learner's inbox. It is filled with one notice of every kind the first time the learner reads it
// (`seeded`); a test may add notices before or after that, which never stops or repeats the filling.
struct InboxRecord {
    bool seeded = false;
    std::vector<InboxMessageRecord> messages; // in the order they were added

    int unreadCount() const {
        return int(std::count_if(messages.begin(), messages.end(),
                                 [](const InboxMessageRecord &message) { return !message.read; }));
    }
};

struct InboxState {
    // Ids start above 2^53, beyond what a JSON double holds exactly: a client that reads them through a
    // double marks the wrong notices read, and the tests see it.
    static constexpr std::int64_t kFirstMessageId = (std::int64_t(1) << 53) + 1;

    std::map<std::int64_t, InboxRecord> byUser;
    std::int64_t nextMessageId = kFirstMessageId;
};

} // namespace devserver
