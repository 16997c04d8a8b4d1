#include "CoreLogging.h"

Q_LOGGING_CATEGORY(lcSession, "quorvel.session", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAnalytics, "quorvel.analytics", QtInfoMsg)
