#include "TextEngine.h"

#include <omp.h>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <memory>

namespace {

// Over Tesseract's LSTM engine. Built into the text recognition module only.
class TesseractEngine final : public TextEngine {
public:
    explicit TesseractEngine(std::unique_ptr<tesseract::TessBaseAPI> api) : m_api(std::move(api)) {}
    ~TesseractEngine() override { m_api->End(); }

    std::optional<QList<TextRecognizer::Line>> read(const QImage &image, Layout layout) override {
        m_api->SetPageSegMode(layout == Layout::SingleBlock ? tesseract::PSM_SINGLE_BLOCK
                                                            : tesseract::PSM_AUTO);
        m_api->SetImage(image.constBits(), image.width(), image.height(), 3, int(image.bytesPerLine()));
        if (m_api->Recognize(nullptr) != 0) {
            m_api->Clear();
            return std::nullopt;
        }
        QList<TextRecognizer::Line> lines;
        std::unique_ptr<tesseract::ResultIterator> it(m_api->GetIterator());
        if (it) {
            do {
                std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
                int left = 0, top = 0, right = 0, bottom = 0;
                it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
                if (text)
                    lines.append({QString::fromUtf8(text.get()), bottom});
            } while (it->Next(tesseract::RIL_TEXTLINE));
        }
        m_api->Clear();
        return lines;
    }

private:
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
};

} // namespace

extern "C" Q_DECL_EXPORT TextEngine *qvl_make_text_engine(const char *dataFolder) {
    // One thread for the engine: its own threads made it slower here, and far slower on a busy machine, where
    // each of its many barriers waits for every thread to be scheduled. Its parallel loops name their thread
    // count, which only the active-level limit overrides; the limit holds for the threads this (worker)
    // thread starts.
    omp_set_max_active_levels(0);
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (api->Init(dataFolder, "chi_sim+eng", tesseract::OEM_LSTM_ONLY) != 0)
        return nullptr;
    api->SetPageSegMode(tesseract::PSM_AUTO);
    return new TesseractEngine(std::move(api));
}
