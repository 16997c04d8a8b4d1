#pragma once

#include <QByteArray>

#include <memory>

class TextEngine;

// The text recognition module (quorvel-text): the engine over Tesseract, kept out of the executable so that
// starting the app loads none of Tesseract, Leptonica and the some thirty libraries they pull in (image
// codecs, archive and network libraries). The module is loaded when the first engine is made and unloaded
// once the last one is deleted: the photo screen makes one when it opens and deletes it when it closes.
// Thread-safe; an engine is used and deleted on the thread that made it.
namespace TextRecognitionModule {

// Deletes the engine, then lets go of the module.
struct EngineDeleter {
    void operator()(TextEngine *engine) const;
};
using Engine = std::unique_ptr<TextEngine, EngineDeleter>;

// What making an engine came to.
enum class Outcome {
    Made,
    NoModule,       // the module could not be loaded (logged)
    NoLanguageData, // the engine did not load its language data
};

// Loads the module if no engine holds it yet, and makes an engine over the language data in `dataFolder`
// (empty: the system's). Null unless `outcome` is Made; the module is then released again at once.
Engine makeEngine(const QByteArray &dataFolder, Outcome *outcome = nullptr);

// Whether the module is in the process now, as the dynamic loader sees it.
bool isLoaded();

} // namespace TextRecognitionModule
