#pragma once

#include <QLoggingCategory>

// The category of the robots library ("quorvel.robots"): the robot catalogue and the chosen robot. Debug
// output is off unless QT_LOGGING_RULES turns it on; warnings are for failures that are deliberately not
// shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcRobots)
