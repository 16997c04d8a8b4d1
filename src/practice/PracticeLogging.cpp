#include "PracticeLogging.h"

Q_LOGGING_CATEGORY(lcPractice, "quorvel.practice", QtInfoMsg)
