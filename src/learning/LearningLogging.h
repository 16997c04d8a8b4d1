#pragma once

#include <QLoggingCategory>

// The category of the learning library ("quorvel.learning"): learning paths, their store and the lesson
// pages. Debug output is off unless QT_LOGGING_RULES turns it on; warnings are for failures that are
// deliberately not shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcLearning)
