#pragma once

#include <QLoggingCategory>

// The category of the companion library ("quorvel.companion"): the chat, its stream and the persona settings.
// Debug output is off unless QT_LOGGING_RULES turns it on; warnings are for failures that are deliberately
// not shown to the learner.
Q_DECLARE_LOGGING_CATEGORY(lcCompanion)
