#include "CompanionLogging.h"

Q_LOGGING_CATEGORY(lcCompanion, "quorvel.companion", QtInfoMsg)
