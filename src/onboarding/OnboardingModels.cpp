#include "OnboardingModels.h"

OnboardingStepState OnboardingStepState::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("step")), json.string(QStringLiteral("status"))};
}

OnboardingOverview OnboardingOverview::fromJson(const JsonReader &json) {
    OnboardingOverview overview;
    overview.steps = json.list(QStringLiteral("steps"), &OnboardingStepState::fromJson);
    overview.finished = json.boolean(QStringLiteral("finished"));
    overview.nextStep = json.optString(QStringLiteral("nextStep"));
    return overview;
}

LearningProfile LearningProfile::fromJson(const JsonReader &json) {
    LearningProfile profile;
    profile.role = json.optString(QStringLiteral("role"));
    profile.nickname = json.optString(QStringLiteral("nickname"));
    profile.stage = json.optString(QStringLiteral("stage"));
    profile.grade = json.optInt64(QStringLiteral("grade"));
    profile.province = json.optString(QStringLiteral("province"));
    profile.city = json.optString(QStringLiteral("city"));
    profile.edition = json.optString(QStringLiteral("edition"));
    profile.school = json.optString(QStringLiteral("school"));
    profile.dailyMinutes = json.optInt64(QStringLiteral("dailyMinutes"));
    profile.filled = json.boolean(QStringLiteral("filled"));
    return profile;
}
