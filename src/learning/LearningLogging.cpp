#include "LearningLogging.h"

Q_LOGGING_CATEGORY(lcLearning, "quorvel.learning", QtInfoMsg)
