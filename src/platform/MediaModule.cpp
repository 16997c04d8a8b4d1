#include "MediaModule.h"

#include "PlatformLogging.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>

namespace MediaModule {

namespace {

QLibrary *load() {
    static QLibrary *const library = []() -> QLibrary * {
        // Beside the executable when installed; in the build tree for the app and the tests run from there.
        const QStringList directories{QCoreApplication::applicationDirPath(),
                                      QStringLiteral(QVL_MEDIA_MODULE_DIR)};
        QStringList errors;
        for (const QString &directory : directories) {
            auto *candidate = new QLibrary(directory + QStringLiteral("/quorvel-media"));
            if (candidate->load())
                return candidate;
            errors << candidate->errorString();
            delete candidate;
        }
        qCWarning(lcSpeech) << "the media module could not be loaded; no audio or speech this run:" << errors;
        return nullptr;
    }();
    return library;
}

} // namespace

QFunctionPointer resolve(const char *symbol) {
    QLibrary *library = load();
    if (!library)
        return nullptr;
    const QFunctionPointer function = library->resolve(symbol);
    if (!function)
        qCWarning(lcSpeech) << "the media module lacks" << symbol;
    return function;
}

} // namespace MediaModule
