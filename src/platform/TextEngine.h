#pragma once

#include "TextRecognizer.h"

#include <QImage>
#include <QList>

#include <optional>

// The recognition engine inside the text recognition module (quorvel-text): Tesseract with Simplified Chinese
// and English. Made, used and deleted on the recognizer's worker thread only. The interface is header-only
// so that the module needs nothing from the program that loads it but Qt.
class TextEngine {
public:
    enum class Layout {
        Page,        // the engine's automatic page layout
        SingleBlock, // the whole picture as one block of text
    };

    virtual ~TextEngine() = default;

    // The lines of `image` (RGB888), in the engine's order; nullopt when the engine broke off.
    virtual std::optional<QList<TextRecognizer::Line>> read(const QImage &image, Layout layout) = 0;
};

// The module's one entry point: an engine over the language data in `dataFolder` (null: the system's), or
// null when the engine does not load there (its language data missing).
extern "C" {
using QvlMakeTextEngine = TextEngine *(*)(const char *dataFolder);
}
