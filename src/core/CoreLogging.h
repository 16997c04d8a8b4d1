#pragma once

#include <QLoggingCategory>

// The categories of the core library; every other library declares its own ("quorvel.<library>") beside its
// code. Debug output is off unless QT_LOGGING_RULES turns it on; warnings are for failures that are
// deliberately not shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcSession)   // quorvel.session: tokens, renewal, persistence of the session
Q_DECLARE_LOGGING_CATEGORY(lcAnalytics) // quorvel.analytics: the upload of usage events
