#pragma once

#include <QLoggingCategory>

// The category of the settings library ("quorvel.settings"): the settings page and the account pages behind
// it. Debug output is off unless QT_LOGGING_RULES turns it on; warnings are for failures that are
// deliberately not shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
