#include "TesseractEngine.h"

#include <omp.h>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

TesseractEngine::TesseractEngine(std::unique_ptr<tesseract::TessBaseAPI> api) : m_api(std::move(api)) {}

TesseractEngine::~TesseractEngine() {
    m_api->End();
}

std::unique_ptr<TesseractEngine> TesseractEngine::make(const char *dataFolder) {
    // One thread for the engine: its own threads made it slower here, and far slower on a busy machine, where
    // each of its many barriers waits for every thread to be scheduled. Its parallel loops name their thread
    // count, which only the active-level limit overrides.
    omp_set_max_active_levels(0);
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (api->Init(dataFolder, "chi_sim+eng", tesseract::OEM_LSTM_ONLY) != 0)
        return nullptr;
    api->SetPageSegMode(tesseract::PSM_AUTO);
    return std::unique_ptr<TesseractEngine>(new TesseractEngine(std::move(api)));
}

std::optional<std::vector<TextReaderProtocol::Line>>
TesseractEngine::read(const unsigned char *rgb, int width, int height, int bytesPerLine,
                      TextReaderProtocol::Layout layout) {
    m_api->SetPageSegMode(layout == TextReaderProtocol::Layout::SingleBlock ? tesseract::PSM_SINGLE_BLOCK
                                                                            : tesseract::PSM_AUTO);
    m_api->SetImage(rgb, width, height, 3, bytesPerLine);
    if (m_api->Recognize(nullptr) != 0) {
        m_api->Clear();
        return std::nullopt;
    }
    std::vector<TextReaderProtocol::Line> lines;
    std::unique_ptr<tesseract::ResultIterator> it(m_api->GetIterator());
    if (it) {
        do {
            std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            int left = 0, top = 0, right = 0, bottom = 0;
            it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
            if (text)
                lines.push_back({std::string(text.get()), bottom});
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    m_api->Clear();
    return lines;
}
