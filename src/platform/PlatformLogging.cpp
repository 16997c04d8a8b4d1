#include "PlatformLogging.h"

Q_LOGGING_CATEGORY(lcHttp, "quorvel.http", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSecrets, "quorvel.secrets", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSpeech, "quorvel.speech", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlatform, "quorvel.platform", QtInfoMsg)
