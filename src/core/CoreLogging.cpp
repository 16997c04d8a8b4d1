#include "CoreLogging.h"

Q_LOGGING_CATEGORY(lcSession, "quorvel.session", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAnalytics, "quorvel.analytics", QtInfoMsg)
Q_LOGGING_CATEGORY(lcGuest, "quorvel.guest", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRobots, "quorvel.robots", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLearning, "quorvel.learning", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPractice, "quorvel.practice", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCompanion, "quorvel.companion", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHome, "quorvel.home", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "quorvel.app", QtInfoMsg)
