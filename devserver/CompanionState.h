#pragma once

#include <QString>

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>

namespace devserver {

// What a learner chose for the companion, in the questionnaire's contract step (persona and reminder) or in
// the chat's settings (persona and name); an absent persona or name answers null.
struct CompanionSettingsRecord {
    std::optional<QString> persona;
    std::optional<QString> name;
    std::optional<QString> reminder;
};

// One queued test control, taken by the next accepted chat stream.
struct CompanionControl {
    enum class Kind {
        Script, // `body` sent as it stands, one line at a time
        Hold,   // the scripted reply, paused after `afterEvents` events until released
        Cut,    // the scripted reply, broken off after `afterEvents` events
        Answer, // a whole answer: `status`, `contentType`, `body`
    };
    Kind kind = Kind::Script;
    int afterEvents = 0;
    int status = 200;
    std::string contentType;
    std::string body;
};

// The companion's part of the server state; guarded by the server state's mutex.
struct CompanionState {
    std::map<std::int64_t, CompanionSettingsRecord> settings; // by user id; kept in the state file

    int paceMs = 0;
    std::deque<CompanionControl> controls;
    // Bumped by every release; a held stream waits until it differs from the value it was accepted under.
    std::uint64_t releaseGeneration = 0;
    int streamsAborted = 0;
    std::string lastRequest;
};

} // namespace devserver
