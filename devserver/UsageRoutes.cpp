#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QDateTime>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <array>
#include <chrono>

// Youth protection: the learner's usage ("/api/v1/me/usage"), the heartbeat that reports study time
// ("/api/v1/me/usage/heartbeat") and the study limits ("/api/v1/me/limits"), all over one state.
//
// - Limits apply to minors only: a learner whose birth month makes them under 18 in Shanghai. Without a birth
//   month, or 18 and over, nothing is enforced and nobody is ever blocked, whatever the hour, so a newcomer
//   is never locked out before telling us their age.
// - A minor's daily allowance defaults to their age band's cap (7 and under 40 minutes, 8-13 60, 14-15 90,
//   16-17 120); they may choose anything from 15 minutes up to that cap. The rest periods default to the
//   night rest 22:00-06:00; a learner may add periods (at most 4 in all) and move them, but the periods
//   together must still cover the whole night rest.
// - Heartbeats add their seconds to the learner's counter of the current day in Shanghai (adults' too: the
//   limits page shows them what they used). Used minutes are whole minutes of those seconds.
// - A reason and a message come with the usage only while the learner is blocked (a rest period first) or
//   over the allowance.
// - The test control "/__dev/usage" (DevControlRoutes.cpp) forces fields of one learner's usage answers;
//   fixing "now" is an in-process control only (DevServer::fixUsageClock).

namespace devserver {

namespace {

constexpr std::int64_t kMinDailyMinutes = 15;
constexpr int kMaxBlockedPeriods = 4;
constexpr std::int64_t kMaxHeartbeatSeconds = 180;
constexpr int kMinutesPerDay = 24 * 60;
// The night rest 22:00-06:00, which no learner may shorten.
constexpr int kNightStart = 22 * 60;
constexpr int kNightEnd = 6 * 60;
// The allowance shown while a test forces enforcement on a learner who is not a minor: the oldest band's.
constexpr std::int64_t kForcedDailyMinutes = 120;

QTimeZone shanghaiZone() {
    const QTimeZone zone(QByteArrayLiteral("Asia/Shanghai"));
    // Without the time-zone database, Shanghai's fixed offset (no daylight saving since 1991).
    return zone.isValid() ? zone : QTimeZone(8 * 60 * 60);
}

QDateTime shanghaiNowLocked(const ServerState &state) {
    using namespace std::chrono;
    const std::int64_t ms = state.usage.fixedNowMs.value_or(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
    return QDateTime::fromMSecsSinceEpoch(ms, shanghaiZone());
}

// The default allowance, which is also the highest a learner may choose, of a minor's age.
std::int64_t bandDailyMinutes(int age) {
    if (age <= 7)
        return 40;
    if (age <= 13)
        return 60;
    if (age <= 15)
        return 90;
    return 120;
}

// The learner's age band's cap when limits apply to them (a minor), nothing otherwise.
std::optional<std::int64_t> minorCapLocked(const ServerState &state, std::int64_t userId, QDate today) {
    const UserRecord &user = state.users.at(userId);
    if (!user.birthYearMonth)
        return std::nullopt;
    const QDate month =
        QDate::fromString(QString::fromStdString(*user.birthYearMonth), QStringLiteral("yyyy-MM"));
    if (!month.isValid())
        return std::nullopt;
    const int age = ageInYears(month, today);
    if (age >= 18)
        return std::nullopt;
    return bandDailyMinutes(age);
}

StudyLimitsRecord defaultLimits(std::int64_t cap) {
    return {cap, {{QStringLiteral("22:00"), QStringLiteral("06:00")}}};
}

// A minor's limits as they stand: what they saved, the allowance held under their cap, or their band's
// defaults.
StudyLimitsRecord minorLimitsLocked(const ServerState &state, std::int64_t userId, std::int64_t cap) {
    const auto saved = state.usage.limits.find(userId);
    if (saved == state.usage.limits.end())
        return defaultLimits(cap);
    StudyLimitsRecord limits = saved->second;
    limits.dailyMinutes = std::clamp(limits.dailyMinutes, kMinDailyMinutes, cap);
    return limits;
}

std::int64_t usedMinutesLocked(const ServerState &state, std::int64_t userId, QDate today) {
    const auto counter = state.usage.counters.find(userId);
    if (counter == state.usage.counters.end() || counter->second.day != today)
        return 0;
    return counter->second.seconds / 60;
}

// A whole JSON number, read as a 64-bit integer (see requireInteger); nothing for "60", 1.5 or null.
std::optional<std::int64_t> wholeNumber(const QJsonValue &value) {
    const qint64 number = value.toInteger(0);
    if (!value.isDouble() || number != value.toInteger(1))
        return std::nullopt;
    return number;
}

// Minutes since midnight of a strict "HH:MM" from 00:00 to 23:59, two ASCII digits each; nothing otherwise.
std::optional<int> clockMinutes(const QString &text) {
    static const QRegularExpression shape(QStringLiteral("^([01][0-9]|2[0-3]):([0-5][0-9])$"));
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt() * 60 + match.captured(2).toInt();
}

// Whether the minute of the day lies in the period (start included, end left out, past midnight when the end
// comes first). Stored periods were checked on the way in.
bool periodContains(const StudyPeriodRecord &period, int minute) {
    const int start = clockMinutes(period.start).value_or(0);
    const int end = clockMinutes(period.end).value_or(0);
    return start < end ? minute >= start && minute < end : minute >= start || minute < end;
}

bool blockedAt(const std::vector<StudyPeriodRecord> &periods, const QDateTime &now) {
    const int minute = now.time().hour() * 60 + now.time().minute();
    return std::any_of(periods.begin(), periods.end(),
                       [minute](const StudyPeriodRecord &period) { return periodContains(period, minute); });
}

QJsonObject usageJsonLocked(const ServerState &state, std::int64_t userId) {
    const QDateTime now = shanghaiNowLocked(state);
    const QDate today = now.date();
    const std::optional<std::int64_t> cap = minorCapLocked(state, userId, today);
    const auto found = state.usage.overrides.find(userId);
    const UsageOverrideRecord forced =
        found == state.usage.overrides.end() ? UsageOverrideRecord() : found->second;

    const bool enforced = forced.enforced.value_or(cap.has_value());
    const StudyLimitsRecord limits =
        cap ? minorLimitsLocked(state, userId, *cap) : defaultLimits(kForcedDailyMinutes);
    const std::int64_t daily = enforced ? limits.dailyMinutes : 0;
    const std::int64_t used = forced.usedMinutes.value_or(usedMinutesLocked(state, userId, today));
    const bool exceeded = forced.dailyExceeded.value_or(enforced && used >= daily);
    const bool blocked = forced.blockedNow.value_or(enforced && blockedAt(limits.blockedPeriods, now));

    QJsonObject answer{{"enforced", enforced},
                       {"blocked_now", blocked},
                       {"daily_exceeded", exceeded},
                       {"daily_minutes", qint64(daily)},
                       {"used_minutes", qint64(used)},
                       {"remaining_minutes", qint64(enforced ? std::max<std::int64_t>(0, daily - used) : 0)}};
    std::optional<QString> message = forced.message;
    if (blocked) {
        answer.insert("reason_code", QStringLiteral("blocked_period"));
        message = message.value_or(QStringLiteral("现在是休息时段，早点休息，明天再来学习吧。"));
    } else if (exceeded) {
        answer.insert("reason_code", QStringLiteral("daily_limit"));
        message = message.value_or(QStringLiteral("今天的学习时长已经用完了，明天再来吧。"));
    }
    if (message)
        answer.insert("message", *message);
    return answer;
}

QJsonObject limitsJsonLocked(const ServerState &state, std::int64_t userId) {
    const QDate today = shanghaiNowLocked(state).date();
    const std::int64_t used = usedMinutesLocked(state, userId, today);
    const std::optional<std::int64_t> cap = minorCapLocked(state, userId, today);
    if (!cap)
        return {{"daily_minutes", 0},
                {"blocked_periods", QJsonArray()},
                {"enforced", false},
                {"editable", false},
                {"used_minutes", qint64(used)},
                {"remaining_minutes", 0},
                {"min_daily_minutes", QJsonValue::Null},
                {"max_daily_minutes", QJsonValue::Null}};
    const StudyLimitsRecord limits = minorLimitsLocked(state, userId, *cap);
    QJsonArray periods;
    for (const StudyPeriodRecord &period : limits.blockedPeriods)
        periods.append(QJsonObject{{"start", period.start}, {"end", period.end}});
    return {{"daily_minutes", qint64(limits.dailyMinutes)},
            {"blocked_periods", periods},
            {"enforced", true},
            {"editable", true},
            {"used_minutes", qint64(used)},
            {"remaining_minutes", qint64(std::max<std::int64_t>(0, limits.dailyMinutes - used))},
            {"min_daily_minutes", qint64(kMinDailyMinutes)},
            {"max_daily_minutes", qint64(*cap)}};
}

void usage(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::lock_guard lock(state.mutex);
    sendJson(res, 200, usageJsonLocked(state, who->userId));
}

void heartbeat(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto delta = wholeNumber(body->value(QLatin1String("delta_seconds")));
    if (!delta || *delta < 1 || *delta > kMaxHeartbeatSeconds)
        return sendInvalidRequest(res, QStringLiteral("delta_seconds 应为 1 到 180 之间的整数"));

    std::lock_guard lock(state.mutex);
    const QDate today = shanghaiNowLocked(state).date();
    UsageCounterRecord &counter = state.usage.counters[who->userId];
    if (counter.day != today)
        counter = {today, 0};
    counter.seconds += *delta;
    sendJson(res, 200, usageJsonLocked(state, who->userId));
}

void getLimits(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::lock_guard lock(state.mutex);
    sendJson(res, 200, limitsJsonLocked(state, who->userId));
}

// The periods of a PUT, checked one by one; answers 400 and gives nothing for the first fault.
std::optional<std::vector<StudyPeriodRecord>> readPeriods(const QJsonValue &value, httplib::Response &res) {
    if (!value.isArray()) {
        sendInvalidRequest(res, QStringLiteral("休息时段格式不正确"));
        return std::nullopt;
    }
    const QJsonArray list = value.toArray();
    if (list.size() > kMaxBlockedPeriods) {
        sendInvalidRequest(res, QStringLiteral("休息时段最多 4 段"));
        return std::nullopt;
    }
    std::vector<StudyPeriodRecord> periods;
    for (const QJsonValue &entry : list) {
        const QJsonValue start = entry.toObject().value(QLatin1String("start"));
        const QJsonValue end = entry.toObject().value(QLatin1String("end"));
        if (!entry.isObject() || !start.isString() || !end.isString()) {
            sendInvalidRequest(res, QStringLiteral("休息时段格式不正确"));
            return std::nullopt;
        }
        const auto startMinute = clockMinutes(start.toString());
        const auto endMinute = clockMinutes(end.toString());
        if (!startMinute || !endMinute) {
            sendInvalidRequest(res, QStringLiteral("时间格式应为 HH:MM，例如 21:30"));
            return std::nullopt;
        }
        if (*startMinute == *endMinute) {
            sendInvalidRequest(res, QStringLiteral("休息时段的开始和结束不能相同"));
            return std::nullopt;
        }
        periods.push_back({start.toString(), end.toString()});
    }
    // The night rest must stay whole; it may be widened, or split across periods (22:00-00:00 and
    // 00:00-06:00 keep it as well as one period does).
    std::array<bool, kMinutesPerDay> covered{};
    for (const StudyPeriodRecord &period : periods)
        for (int minute = 0; minute < kMinutesPerDay; ++minute)
            covered[std::size_t(minute)] = covered[std::size_t(minute)] || periodContains(period, minute);
    for (int minute = kNightStart; minute != kNightEnd; minute = (minute + 1) % kMinutesPerDay) {
        if (!covered[std::size_t(minute)]) {
            sendInvalidRequest(res, QStringLiteral("22:00–06:00 的夜间休息不能取消"));
            return std::nullopt;
        }
    }
    return periods;
}

void putLimits(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    std::optional<std::int64_t> cap;
    {
        std::lock_guard lock(state.mutex);
        cap = minorCapLocked(state, who->userId, shanghaiNowLocked(state).date());
    }
    if (!cap)
        return sendError(res, 403, "limits_not_enforced", QStringLiteral("成年用户不限制学习时长，无需设置"));

    const auto minutes = wholeNumber(body->value(QLatin1String("daily_minutes")));
    if (!minutes || *minutes < kMinDailyMinutes || *minutes > *cap)
        return sendInvalidRequest(
            res, QStringLiteral("每日时长应在 %1 到 %2 分钟之间").arg(kMinDailyMinutes).arg(*cap));
    auto periods = readPeriods(body->value(QLatin1String("blocked_periods")), res);
    if (!periods)
        return;

    std::lock_guard lock(state.mutex);
    state.usage.limits[who->userId] = {*minutes, std::move(*periods)};
    sendJson(res, 200, limitsJsonLocked(state, who->userId));
}

} // namespace

void registerUsageRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    router.get("/api/v1/me/usage", [&state](Req req, Res res) { usage(state, req, res); });
    router.post("/api/v1/me/usage/heartbeat", [&state](Req req, Res res) { heartbeat(state, req, res); });
    router.get("/api/v1/me/limits", [&state](Req req, Res res) { getLimits(state, req, res); });
    router.put("/api/v1/me/limits", [&state](Req req, Res res) { putLimits(state, req, res); });
}

} // namespace devserver
