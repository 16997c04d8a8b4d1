#pragma once

#include <QLoggingCategory>

// Categories of the platform layer. Debug output is off unless QT_LOGGING_RULES turns it on
// ("quorvel.*.debug=true"): a healthy run prints nothing.
Q_DECLARE_LOGGING_CATEGORY(lcHttp)     // quorvel.http: method, path, status and duration of each request
Q_DECLARE_LOGGING_CATEGORY(lcSecrets)  // quorvel.secrets: the keyring and its file fallback
Q_DECLARE_LOGGING_CATEGORY(lcSpeech)   // quorvel.speech: speech synthesis and audio playback
Q_DECLARE_LOGGING_CATEGORY(lcPlatform) // quorvel.platform: user defaults, bundle configuration, links
