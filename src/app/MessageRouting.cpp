#include "MessageRouting.h"

#include "PlatformLogging.h"

#include <QByteArrayView>
#include <QStringList>

namespace MessageRouting {

namespace {

// Warnings that tell what this machine lacks, by how they begin. Each is a normal state of a desktop
// without a session bus or a sound server, and the app copes with it.
const QStringList machineStates{
    QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"),
    QStringLiteral("PulseAudioService:"),
};

QtMessageHandler previous = nullptr;

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (route(type, context.category, message) == Route::Debug) {
        qCDebug(lcPlatform).noquote() << (context.category ? context.category : "default") << message;
        return;
    }
    if (previous)
        previous(type, context, message);
}

} // namespace

Route route(QtMsgType type, const char *category, const QString &message) {
    const QByteArrayView name(category ? category : "default");
    // Our own categories have their own rules.
    if (name.startsWith("quorvel."))
        return Route::Shown;
    // Plain debug lines of libraries and of Qt's backends (the media backend's ">>>> listing codecs").
    if (name == "default" && (type == QtDebugMsg || type == QtInfoMsg))
        return Route::Debug;
    if (type == QtWarningMsg)
        for (const QString &state : machineStates)
            if (message.startsWith(state))
                return Route::Debug;
    return Route::Shown;
}

void install() {
    previous = qInstallMessageHandler(handle);
}

} // namespace MessageRouting
