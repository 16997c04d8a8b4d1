#pragma once

#include <QLoggingCategory>

// The category of the practice library ("quorvel.practice"): practice, photo matching and the wrong-question
// book. Debug output is off unless QT_LOGGING_RULES turns it on; warnings are for failures that are
// deliberately not shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcPractice)
