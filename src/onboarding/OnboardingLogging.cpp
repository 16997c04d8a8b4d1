#include "OnboardingLogging.h"

Q_LOGGING_CATEGORY(lcOnboarding, "quorvel.onboarding", QtInfoMsg)
