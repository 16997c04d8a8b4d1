#pragma once

#include <QLoggingCategory>

// Categories of the shared core and of each subsystem that stands on it. Debug output is off unless
// QT_LOGGING_RULES turns it on; warnings are for failures that are deliberately not shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcSession)   // quorvel.session: tokens, renewal, persistence of the session
Q_DECLARE_LOGGING_CATEGORY(lcAnalytics) // quorvel.analytics
Q_DECLARE_LOGGING_CATEGORY(lcGuest)     // quorvel.guest
Q_DECLARE_LOGGING_CATEGORY(lcRobots)    // quorvel.robots
Q_DECLARE_LOGGING_CATEGORY(lcLearning)  // quorvel.learning
Q_DECLARE_LOGGING_CATEGORY(lcPractice)  // quorvel.practice
Q_DECLARE_LOGGING_CATEGORY(lcCompanion) // quorvel.companion: the chat, its stream and the persona settings
Q_DECLARE_LOGGING_CATEGORY(lcHome)      // quorvel.home: the home page, its cards and the study report
Q_DECLARE_LOGGING_CATEGORY(lcApp)       // quorvel.app: start-up and the tab shell
