#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace devserver {

// One rest period in which a minor may not study: 24-hour "HH:MM" times, `start` included and `end` left
// out; a period whose end lies before its start runs past midnight.
struct StudyPeriodRecord {
    QString start;
    QString end;
};

// What a minor chose on the study-limits page. A learner who never saved keeps the defaults of their age
// band, so the defaults follow them as they grow older.
struct StudyLimitsRecord {
    std::int64_t dailyMinutes = 0;
    std::vector<StudyPeriodRecord> blockedPeriods;
};

// Seconds of study the heartbeats reported on one day of Shanghai's calendar; a heartbeat on a later day
// starts over from zero.
struct UsageCounterRecord {
    QDate day;
    std::int64_t seconds = 0;
};

// A test's forced answer for one learner's usage (and heartbeat) replies; a field left out is computed as
// usual. Not kept in the state file.
struct UsageOverrideRecord {
    std::optional<bool> enforced;
    std::optional<bool> blockedNow;
    std::optional<bool> dailyExceeded;
    std::optional<std::int64_t> usedMinutes;
    std::optional<QString> message;
};

struct UsageState {
    // The most used minutes a test may force: a whole day.
    static constexpr std::int64_t kMaxForcedUsedMinutes = 24 * 60;

    // By user id.
    std::map<std::int64_t, StudyLimitsRecord> limits;
    std::map<std::int64_t, UsageCounterRecord> counters;
    std::map<std::int64_t, UsageOverrideRecord> overrides;
    // A test's fixed "now" (milliseconds since the epoch) for the time of day, the day of the counter and
    // the age; none follows the wall clock. Not kept in the state file.
    std::optional<std::int64_t> fixedNowMs;
};

} // namespace devserver
