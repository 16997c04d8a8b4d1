#pragma once

#include <QString>

#include <cstdint>
#include <map>

namespace devserver {

// The settings preferences every learner saved, by key. A key the learner never saved is absent, so the page
// rows show their own defaults for it.
struct SettingsState {
    // Bounds on what one learner may store: the pages name a handful of keys, and a client that invents keys
    // must not grow the state file without end.
    static constexpr int kMaxKeyLength = 64;
    static constexpr std::size_t kMaxKeysPerLearner = 100;

    std::map<std::int64_t, std::map<QString, bool>> prefsByUser;
};

} // namespace devserver
