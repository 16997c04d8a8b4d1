#pragma once

#include "TextReaderProtocol.h"

#include <memory>
#include <optional>
#include <vector>

namespace tesseract {
class TessBaseAPI;
}

// Tesseract's LSTM engine with Simplified Chinese and English, inside the text reader only: the app never
// maps Tesseract or the libraries it pulls in. One thread.
class TesseractEngine {
public:
    // An engine over the language data in `dataFolder` (null: the system's), or null when it does not load
    // there (its language data missing).
    static std::unique_ptr<TesseractEngine> make(const char *dataFolder);
    ~TesseractEngine();

    // The lines of an RGB888 picture, in the engine's order; nullopt when the engine broke off.
    std::optional<std::vector<TextReaderProtocol::Line>> read(const unsigned char *rgb, int width, int height,
                                                              int bytesPerLine,
                                                              TextReaderProtocol::Layout layout);

private:
    explicit TesseractEngine(std::unique_ptr<tesseract::TessBaseAPI> api);
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
};
