#pragma once

#include <QString>
#include <QtGlobal>

// Where the app's messages go. Our own categories (quorvel.*) are filtered as configured: their debug lines
// are off unless QT_LOGGING_RULES turns them on. What Qt and the libraries under it say about this machine
// (no runtime directory, no sound server, the media backend listing its codecs) is not news to the learner
// at a terminal: it becomes a debug line of quorvel.platform. Everything else (a QML error, a real warning)
// is shown as Qt shows it.
namespace MessageRouting {

enum class Route {
    Shown, // to the handler that was installed before ours (Qt's own: the terminal)
    Debug, // to quorvel.platform at debug level
};

Route route(QtMsgType type, const char *category, const QString &message);

// Installs the app's handler; call first thing in main, before the application object, whose construction
// already speaks.
void install();

} // namespace MessageRouting
