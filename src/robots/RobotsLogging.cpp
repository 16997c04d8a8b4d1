#include "RobotsLogging.h"

Q_LOGGING_CATEGORY(lcRobots, "quorvel.robots", QtInfoMsg)
