#pragma once

#include <QJsonObject>
#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <optional>

namespace devserver {

// The first-run questionnaire of one learner: each step's status ("pending", "done" or "skipped") and the
// answers last given to it (empty for a pending or skipped step), by step name (OnboardingRoutes.cpp).
struct OnboardingRecord {
    std::map<QString, QString> status;
    std::map<QString, QJsonObject> answers;
};

// A learning profile as last saved; a learner without one has never saved it. Optional texts are absent
// rather than empty.
struct LearningProfileRecord {
    QString role;
    std::optional<QString> nickname;
    std::int64_t grade = 0;
    QString edition;
    std::optional<QString> province;
    std::optional<QString> city;
    std::optional<QString> school;
    std::int64_t dailyMinutes = 0;
};

struct OnboardingState {
    // The questionnaire's steps, in the order they are asked.
    static constexpr std::array<const char *, 3> kSteps{"goal", "diagnosis", "contract"};

    std::map<std::int64_t, OnboardingRecord> questionnaires; // by user id
    std::map<std::int64_t, LearningProfileRecord> profiles;  // by user id
};

} // namespace devserver
