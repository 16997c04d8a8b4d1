// The first-run questionnaire and the learning profile of the signed-in learner.
//
// The questionnaire has three steps, asked in a fixed order; each is "pending" until the learner answers it
// ("done") or skips it ("skipped"), and may be answered again later. The overview names the first pending
// step as the next one and counts the questionnaire as finished once none is pending. A step's answers are
// checked against the vocabulary the app offers, so a client that sends something else is told at once.
//
// The learning profile is written whole: a save replaces the previous one, and an optional text left out is
// cleared. Until the first save the learner's profile reads as not filled.
#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QJsonArray>
#include <QSet>
#include <QTextBoundaryFinder>

namespace devserver {

namespace {

const QString kPending = QStringLiteral("pending");
const QString kDone = QStringLiteral("done");
const QString kSkipped = QStringLiteral("skipped");

constexpr qsizetype kMaxNickname = 8;
constexpr qsizetype kMaxSchool = 40;
constexpr qsizetype kMaxRegionName = 16;

qsizetype graphemeCount(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

// A whole JSON number within [min, max]. Read as a 64-bit integer, never through a double alone:
// toInteger() answers its default for anything but a whole number that fits, so two defaults agreeing means
// one.
std::optional<std::int64_t> integerIn(const QJsonValue &value, std::int64_t min, std::int64_t max) {
    const qint64 number = value.toInteger(0);
    if (!value.isDouble() || number != value.toInteger(1) || number < min || number > max)
        return std::nullopt;
    return number;
}

// Answers 400 naming the first key that is not one of `known`; true when every key is known.
bool onlyKnownKeys(const QJsonObject &object, const QSet<QString> &known, httplib::Response &res) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!known.contains(it.key())) {
            sendInvalidRequest(res, QStringLiteral("不支持的参数：%1").arg(it.key()));
            return false;
        }
    }
    return true;
}

// --- the questionnaire

bool isStep(const QString &name) {
    for (const char *step : OnboardingState::kSteps)
        if (name == QLatin1String(step))
            return true;
    return false;
}

QJsonObject overviewOf(const OnboardingRecord &record) {
    QJsonArray steps;
    QJsonValue next = QJsonValue::Null;
    for (const char *step : OnboardingState::kSteps) {
        const QString name = QString::fromLatin1(step);
        const auto found = record.status.find(name);
        const QString status = found == record.status.end() ? kPending : found->second;
        if (status == kPending && next.isNull())
            next = name;
        steps.append(QJsonObject{{QStringLiteral("step"), name}, {QStringLiteral("status"), status}});
    }
    return {{QStringLiteral("steps"), steps},
            {QStringLiteral("finished"), next.isNull()},
            {QStringLiteral("next_step"), next}};
}

bool validGoal(const QJsonObject &answers, httplib::Response &res) {
    static const QSet<QString> targets{QStringLiteral("keep_up"), QStringLiteral("catch_up"),
                                       QStringLiteral("get_ahead"), QStringLiteral("exam_prep")};
    if (!onlyKnownKeys(answers, {QStringLiteral("target"), QStringLiteral("weekly_minutes")}, res))
        return false;
    const QJsonValue target = answers.value(QStringLiteral("target"));
    if (!target.isString() || !targets.contains(target.toString())) {
        sendInvalidRequest(res, QStringLiteral("学习目标不正确"));
        return false;
    }
    if (!integerIn(answers.value(QStringLiteral("weekly_minutes")), 30, 600)) {
        sendInvalidRequest(res, QStringLiteral("每周学习时长应为 30 到 600 之间的整数分钟"));
        return false;
    }
    return true;
}

bool validDiagnosis(const QJsonObject &answers, httplib::Response &res) {
    static const QSet<QString> modules{QStringLiteral("rational_numbers"), QStringLiteral("algebra_basics"),
                                       QStringLiteral("equations"), QStringLiteral("geometry")};
    if (answers.isEmpty()) {
        sendInvalidRequest(res, QStringLiteral("请至少给一个模块打分"));
        return false;
    }
    for (auto it = answers.begin(); it != answers.end(); ++it) {
        if (!modules.contains(it.key())) {
            sendInvalidRequest(res, QStringLiteral("不支持的自评模块：%1").arg(it.key()));
            return false;
        }
        if (!integerIn(it.value(), 1, 5)) {
            sendInvalidRequest(res, QStringLiteral("自评分数应为 1 到 5 之间的整数"));
            return false;
        }
    }
    return true;
}

bool validContract(const QJsonObject &answers, httplib::Response &res) {
    static const QSet<QString> personas{QStringLiteral("cheerful"), QStringLiteral("calm"),
                                        QStringLiteral("strict")};
    static const QSet<QString> reminders{QStringLiteral("low"), QStringLiteral("standard"),
                                         QStringLiteral("high")};
    if (!onlyKnownKeys(answers, {QStringLiteral("persona"), QStringLiteral("reminder")}, res))
        return false;
    const QJsonValue persona = answers.value(QStringLiteral("persona"));
    if (!persona.isString() || !personas.contains(persona.toString())) {
        sendInvalidRequest(res, QStringLiteral("不支持的陪伴方式"));
        return false;
    }
    const QJsonValue reminder = answers.value(QStringLiteral("reminder"));
    if (!reminder.isString() || !reminders.contains(reminder.toString())) {
        sendInvalidRequest(res, QStringLiteral("不支持的提醒频率"));
        return false;
    }
    return true;
}

void getOverview(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    OnboardingRecord record;
    {
        std::lock_guard lock(state.mutex);
        if (auto found = state.onboarding.questionnaires.find(who->userId);
            found != state.onboarding.questionnaires.end())
            record = found->second;
    }
    sendJson(res, 200, overviewOf(record));
}

void putStep(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const QString step = QString::fromStdString(req.matches[1].str());
    if (!isStep(step))
        return sendError(res, 404, "not_found", QStringLiteral("没有这个引导步骤"));
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    if (!onlyKnownKeys(*body, {QStringLiteral("skip"), QStringLiteral("answers")}, res))
        return;
    const QJsonValue skip = body->value(QStringLiteral("skip"));
    if (!skip.isBool())
        return sendInvalidRequest(res, QStringLiteral("skip 应为 true 或 false"));
    const QJsonValue answersValue = body->value(QStringLiteral("answers"));
    if (!answersValue.isObject())
        return sendInvalidRequest(res, QStringLiteral("answers 应为对象"));
    // A skipped step keeps no answers, whatever came with it.
    const QJsonObject answers = skip.toBool() ? QJsonObject() : answersValue.toObject();
    if (!skip.toBool()) {
        const bool valid = step == QLatin1String("goal")        ? validGoal(answers, res)
                           : step == QLatin1String("diagnosis") ? validDiagnosis(answers, res)
                                                                : validContract(answers, res);
        if (!valid)
            return;
    }

    QJsonObject overview;
    {
        std::lock_guard lock(state.mutex);
        OnboardingRecord &record = state.onboarding.questionnaires[who->userId];
        record.status[step] = skip.toBool() ? kSkipped : kDone;
        record.answers[step] = answers;
        overview = overviewOf(record);
        // The contract's choices are the companion's settings: the chat greets the learner in the persona
        // chosen here, until the chat's own settings change it. A skipped contract changes nothing.
        if (!skip.toBool() && step == QLatin1String("contract")) {
            CompanionSettingsRecord &companion = state.companion.settings[who->userId];
            companion.persona = answers.value(QStringLiteral("persona")).toString();
            companion.reminder = answers.value(QStringLiteral("reminder")).toString();
        }
    }
    sendJson(res, 200, overview);
}

// --- the learning profile

QString stageOf(std::int64_t grade) {
    return grade <= 6   ? QStringLiteral("primary")
           : grade <= 9 ? QStringLiteral("junior")
                        : QStringLiteral("senior");
}

QJsonObject profileJson(const std::optional<LearningProfileRecord> &profile) {
    if (!profile)
        return {{QStringLiteral("filled"), false}};
    QJsonObject json{{QStringLiteral("role"), profile->role},
                     {QStringLiteral("stage"), stageOf(profile->grade)},
                     {QStringLiteral("grade"), qint64(profile->grade)},
                     {QStringLiteral("edition"), profile->edition},
                     {QStringLiteral("daily_minutes"), qint64(profile->dailyMinutes)},
                     {QStringLiteral("filled"), true}};
    const auto optional = [&json](const char *key, const std::optional<QString> &text) {
        if (text)
            json.insert(QLatin1String(key), *text);
    };
    optional("nickname", profile->nickname);
    optional("province", profile->province);
    optional("city", profile->city);
    optional("school", profile->school);
    return json;
}

// An optional text of the profile: absent, null or blank reads as not given; otherwise trimmed, and refused
// with `tooLong` beyond `limit` characters. False when the request was answered with an error.
bool optionalText(const QJsonObject &body, const char *key, qsizetype limit, const QString &tooLong,
                  std::optional<QString> &text, httplib::Response &res) {
    const QJsonValue value = body.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString()) {
        sendInvalidRequest(res, QStringLiteral("参数类型不正确：%1").arg(QLatin1String(key)));
        return false;
    }
    const QString trimmed = value.toString().trimmed();
    if (graphemeCount(trimmed) > limit) {
        sendInvalidRequest(res, tooLong);
        return false;
    }
    if (!trimmed.isEmpty())
        text = trimmed;
    return true;
}

std::optional<LearningProfileRecord> readProfile(const QJsonObject &body, httplib::Response &res) {
    static const QSet<QString> roles{QStringLiteral("student"), QStringLiteral("learner"),
                                     QStringLiteral("teacher")};
    static const QSet<QString> editions{QStringLiteral("rj"), QStringLiteral("bs"), QStringLiteral("hs"),
                                        QStringLiteral("sk"), QStringLiteral("zj"), QStringLiteral("other")};
    static const QSet<QString> known{QStringLiteral("role"),     QStringLiteral("nickname"),
                                     QStringLiteral("grade"),    QStringLiteral("edition"),
                                     QStringLiteral("province"), QStringLiteral("city"),
                                     QStringLiteral("school"),   QStringLiteral("daily_minutes")};
    if (!onlyKnownKeys(body, known, res))
        return std::nullopt;

    LearningProfileRecord profile;
    const QJsonValue role = body.value(QStringLiteral("role"));
    if (!role.isString() || !roles.contains(role.toString())) {
        sendInvalidRequest(res, QStringLiteral("身份不正确"));
        return std::nullopt;
    }
    profile.role = role.toString();
    const auto grade = integerIn(body.value(QStringLiteral("grade")), 1, 12);
    if (!grade) {
        sendInvalidRequest(res, QStringLiteral("年级应为 1 到 12 之间的整数"));
        return std::nullopt;
    }
    profile.grade = *grade;
    const QJsonValue edition = body.value(QStringLiteral("edition"));
    if (!edition.isString() || !editions.contains(edition.toString())) {
        sendInvalidRequest(res, QStringLiteral("教材版本不正确"));
        return std::nullopt;
    }
    profile.edition = edition.toString();
    const auto minutes = integerIn(body.value(QStringLiteral("daily_minutes")), 10, 120);
    if (!minutes) {
        sendInvalidRequest(res, QStringLiteral("每天学习时长应为 10 到 120 之间的整数分钟"));
        return std::nullopt;
    }
    profile.dailyMinutes = *minutes;
    if (!optionalText(body, "nickname", kMaxNickname, QStringLiteral("昵称最多 8 个字"), profile.nickname,
                      res) ||
        !optionalText(body, "province", kMaxRegionName, QStringLiteral("省份名称过长"), profile.province,
                      res) ||
        !optionalText(body, "city", kMaxRegionName, QStringLiteral("城市名称最多 16 个字"), profile.city,
                      res) ||
        !optionalText(body, "school", kMaxSchool, QStringLiteral("学校名称最多 40 个字"), profile.school,
                      res))
        return std::nullopt;
    return profile;
}

void getProfile(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::optional<LearningProfileRecord> profile;
    {
        std::lock_guard lock(state.mutex);
        if (auto found = state.onboarding.profiles.find(who->userId);
            found != state.onboarding.profiles.end())
            profile = found->second;
    }
    sendJson(res, 200, profileJson(profile));
}

void putProfile(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    // Everything is checked before anything is stored: a refused request changes nothing.
    const std::optional<LearningProfileRecord> profile = readProfile(*body, res);
    if (!profile)
        return;
    {
        std::lock_guard lock(state.mutex);
        state.onboarding.profiles[who->userId] = *profile;
    }
    sendJson(res, 200, profileJson(profile));
}

} // namespace

void registerOnboardingRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    router.get("/api/v1/me/onboarding", [&state](Req req, Res res) { getOverview(state, req, res); });
    router.put(R"(/api/v1/me/onboarding/([^/]+))", [&state](Req req, Res res) { putStep(state, req, res); });
    router.get("/api/v1/me/learning-profile", [&state](Req req, Res res) { getProfile(state, req, res); });
    router.put("/api/v1/me/learning-profile", [&state](Req req, Res res) { putProfile(state, req, res); });
}

} // namespace devserver
