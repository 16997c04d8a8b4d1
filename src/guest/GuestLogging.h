#pragma once

#include <QLoggingCategory>

// The category of the guest library ("quorvel.guest"): the guest home, its feature sheets and the course
// catalogue. Debug output is off unless QT_LOGGING_RULES turns it on; warnings are for failures that are
// deliberately not shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcGuest)
