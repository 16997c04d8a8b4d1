#pragma once

#include <QLoggingCategory>

// The category of the onboarding library ("quorvel.onboarding"): the gate after sign-in and its youth guard.
// Debug output is off unless QT_LOGGING_RULES turns it on; warnings are for failures that are deliberately
// not shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcOnboarding)
