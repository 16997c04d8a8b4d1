#include "SettingsLogging.h"

Q_LOGGING_CATEGORY(lcSettings, "quorvel.settings", QtInfoMsg)
