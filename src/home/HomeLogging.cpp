#include "HomeLogging.h"

Q_LOGGING_CATEGORY(lcHome, "quorvel.home", QtInfoMsg)
