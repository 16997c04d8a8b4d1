#pragma once

#include <QLoggingCategory>

// The category of the home library ("quorvel.home"): the home page, its cards, the inbox and the study
// report. Debug output is off unless QT_LOGGING_RULES turns it on; warnings are for failures that are
// deliberately not shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcHome)
