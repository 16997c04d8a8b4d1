#pragma once

#include "JsonReader.h"

#include <QList>
#include <QString>

#include <optional>

// The answers of the onboarding endpoints. Decode-only: the client never sends them back. Keys arrive in
// snake_case ("next_step", "daily_minutes"); a key without underscores is matched as it stands, so a server
// that already writes "dailyMinutes" is read the same. Keys no field asks for are ignored. A required key
// that is missing or null, or any value of the wrong JSON type (a grade sent as "7", 37.5 minutes), fails the
// whole answer: no half-read model ever reaches a screen.

// One step of the first-run questionnaire. The step names and the status words are the server's; they are
// kept as they came.
struct OnboardingStepState {
    QString step;
    QString status;

    static OnboardingStepState fromJson(const JsonReader &json);
    friend bool operator==(const OnboardingStepState &, const OnboardingStepState &) = default;
};

// Where the learner stands in the questionnaire: the answer of the overview and of every step write.
struct OnboardingOverview {
    QList<OnboardingStepState> steps;
    bool finished = false;
    // The step the server wants shown next; none when it names none (missing or null).
    std::optional<QString> nextStep;

    static OnboardingOverview fromJson(const JsonReader &json);
};

// The learner's learning profile. Only `filled` is always there; every other field is absent until the
// learner gave it (`stage` is the server's own, derived from the grade).
struct LearningProfile {
    std::optional<QString> role;
    std::optional<QString> nickname;
    std::optional<QString> stage;
    std::optional<qint64> grade;
    std::optional<QString> province;
    std::optional<QString> city;
    std::optional<QString> edition;
    std::optional<QString> school;
    std::optional<qint64> dailyMinutes;
    bool filled = false;

    static LearningProfile fromJson(const JsonReader &json);
};
