#include "TextRecognitionModule.h"

#include "PlatformLogging.h"
#include "TextEngine.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibrary>
#include <QMutex>
#include <QStringList>

#include <dlfcn.h>

namespace TextRecognitionModule {

namespace {

QMutex mutex;
QLibrary *library = nullptr; // while engines hold the module
int holders = 0;

// Beside the executable when installed; in the build tree for the app and the tests run from there.
QStringList candidates() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-text.so"),
            QStringLiteral(QVL_TEXT_MODULE_DIR "/quorvel-text.so")};
}

// Loads the module for one more holder; its entry point, or null (logged).
QvlMakeTextEngine acquire() {
    QMutexLocker lock(&mutex);
    if (!library) {
        QStringList errors;
        for (const QString &path : candidates()) {
            if (!QFile::exists(path)) {
                errors << path + QStringLiteral(": missing");
                continue;
            }
            auto *candidate = new QLibrary(path);
            if (candidate->load()) {
                library = candidate;
                break;
            }
            errors << candidate->errorString();
            delete candidate;
        }
        if (!library) {
            qCWarning(lcPlatform) << "the text recognition module could not be loaded:" << errors;
            return nullptr;
        }
    }
    const auto make = reinterpret_cast<QvlMakeTextEngine>(library->resolve("qvl_make_text_engine"));
    if (!make) {
        qCWarning(lcPlatform) << "the text recognition module lacks its entry point";
        if (holders == 0) {
            library->unload();
            delete library;
            library = nullptr;
        }
        return nullptr;
    }
    ++holders;
    return make;
}

void releaseOne() {
    QMutexLocker lock(&mutex);
    if (holders == 0 || --holders > 0)
        return;
    if (!library->unload())
        qCWarning(lcPlatform) << "the text recognition module stays loaded:" << library->errorString();
    delete library;
    library = nullptr;
}

} // namespace

void EngineDeleter::operator()(TextEngine *engine) const {
    delete engine; // its code is the module's: before the module goes
    releaseOne();
}

Engine makeEngine(const QByteArray &dataFolder, Outcome *outcome) {
    const auto report = [outcome](Outcome what) {
        if (outcome)
            *outcome = what;
    };
    const QvlMakeTextEngine make = acquire();
    if (!make) {
        report(Outcome::NoModule);
        return nullptr;
    }
    TextEngine *engine = make(dataFolder.isEmpty() ? nullptr : dataFolder.constData());
    if (!engine) {
        releaseOne();
        report(Outcome::NoLanguageData);
        return nullptr;
    }
    report(Outcome::Made);
    return Engine(engine);
}

bool isLoaded() {
    for (const QString &path : candidates()) {
        const QByteArray file = QFile::encodeName(path);
        // Asks the dynamic loader without loading anything; a handle it gives is one more reference,
        // returned.
        if (void *handle = dlopen(file.constData(), RTLD_NOW | RTLD_NOLOAD)) {
            dlclose(handle);
            return true;
        }
    }
    return false;
}

} // namespace TextRecognitionModule
