#include "TextRecognizer.h"

#include "Completion.h"
#include "PlatformLogging.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QPointer>
#include <QThread>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <malloc.h>

#include <algorithm>
#include <mutex>

// Lives on the worker thread; every call arrives there as a queued call.
class TextRecognizer::Worker : public QObject {
public:
    ~Worker() override { release(); }

    bool load() {
        if (m_api)
            return true;
        QElapsedTimer timer;
        timer.start();
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        if (api->Init(nullptr, "chi_sim+eng", tesseract::OEM_LSTM_ONLY) != 0) {
            qCWarning(lcPlatform) << "text recognition unavailable: the engine did not load";
            return false;
        }
        api->SetPageSegMode(tesseract::PSM_AUTO);
        m_api = std::move(api);
        qCDebug(lcPlatform) << "text recognition loaded in" << timer.elapsed() << "ms";
        return true;
    }

    QString read(const QImage &picture) {
        if (picture.isNull() || !load())
            return {};
        const QImage image = TextRecognizer::fitted(picture).convertToFormat(QImage::Format_RGB888);
        QString text = readWith(image, tesseract::PSM_AUTO);
        // A short line on a large empty page can escape the page layout; read it as one block then.
        if (text.isEmpty())
            text = readWith(image, tesseract::PSM_SINGLE_BLOCK);
        return text;
    }

    QString readWith(const QImage &image, tesseract::PageSegMode mode) {
        m_api->SetPageSegMode(mode);
        m_api->SetImage(image.constBits(), image.width(), image.height(), 3, int(image.bytesPerLine()));
        if (m_api->Recognize(nullptr) != 0)
            return {};
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
        return TextRecognizer::assembleLines(std::move(lines));
    }

    void release() {
        if (!m_api)
            return;
        m_api->End();
        m_api.reset();
        // The engine's allocations stay with the process until the allocator is told to give them back.
        malloc_trim(0);
    }

private:
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
};

TextRecognizer::TextRecognizer(QObject *parent)
    : QObject(parent), m_thread(new QThread(this)), m_worker(new Worker) {
    // One thread for the engine: its own threads made it slower here.
    static std::once_flag single;
    std::call_once(single, [] { qputenv("OMP_THREAD_LIMIT", "1"); });
    m_thread->setObjectName(QStringLiteral("text recognition"));
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
}

TextRecognizer::~TextRecognizer() {
    m_thread->quit();
    m_thread->wait();
}

void TextRecognizer::prewarm() {
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->load(); }, Qt::QueuedConnection);
}

void TextRecognizer::release() {
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->release(); }, Qt::QueuedConnection);
}

QCoro::Task<QString> TextRecognizer::recognize(QImage image) {
    struct Job {
        std::shared_ptr<Completion> done = std::make_shared<Completion>();
        QString text;
    };
    auto job = std::make_shared<Job>();
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, image = std::move(image), job] {
            QString text = worker->read(image);
            // Back to the main thread, where the waiter is resumed.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [job, text = std::move(text)]() mutable {
                    job->text = std::move(text);
                    job->done->finish();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    co_await Completion::wait(job->done);
    co_return job->text;
}

QString TextRecognizer::assembleLines(QList<Line> lines) {
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line &a, const Line &b) { return a.bottom < b.bottom; });
    QStringList kept;
    for (const Line &line : lines) {
        const QString text = line.text.trimmed();
        if (!text.isEmpty())
            kept.append(text);
    }
    return kept.join(u'\n');
}

QImage TextRecognizer::readPicture(const QString &path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > kMaxLongSide)
        reader.setScaledSize(size.scaled(kMaxLongSide, kMaxLongSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        qCInfo(lcPlatform) << "picture not read:" << reader.errorString();
    return image;
}

QImage TextRecognizer::fitted(const QImage &image) {
    if (std::max(image.width(), image.height()) <= kMaxLongSide)
        return image;
    return image.scaled(kMaxLongSide, kMaxLongSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
