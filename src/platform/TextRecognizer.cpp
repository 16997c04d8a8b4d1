#include "TextRecognizer.h"

#include "Completion.h"
#include "PlatformLogging.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QPointer>
#include <QThread>

#include <omp.h>

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <malloc.h>

#include <algorithm>
#include <optional>

// Lives on the worker thread; every call arrives there as a queued call.
class TextRecognizer::Worker : public QObject {
public:
    explicit Worker(QByteArray dataFolder) : m_dataFolder(std::move(dataFolder)) {}
    ~Worker() override { release(); }

    bool load() {
        if (m_api)
            return true;
        // One thread for the engine: its own threads made it slower here, and far slower on a busy machine,
        // where each of its many barriers waits for every thread to be scheduled. Its parallel loops name
        // their thread count, which only the active-level limit overrides; the limit holds for the threads
        // this (worker) thread starts.
        omp_set_max_active_levels(0);
        QElapsedTimer timer;
        timer.start();
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        if (api->Init(m_dataFolder.isEmpty() ? nullptr : m_dataFolder.constData(), "chi_sim+eng",
                      tesseract::OEM_LSTM_ONLY) != 0) {
            qCWarning(lcPlatform) << "text recognition unavailable: the engine did not load";
            return false;
        }
        api->SetPageSegMode(tesseract::PSM_AUTO);
        m_api = std::move(api);
        qCDebug(lcPlatform) << "text recognition loaded in" << timer.elapsed() << "ms";
        return true;
    }

    // Throws TextRecognitionError.
    QString read(const QImage &picture) {
        if (picture.isNull())
            return {};
        if (!load())
            throw TextRecognitionError(
                QStringLiteral("本机缺少文字识别的语言数据（简体中文和英文），无法读取图片"));
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
        if (m_api->Recognize(nullptr) != 0) {
            m_api->Clear();
            qCWarning(lcPlatform) << "text recognition broke off";
            throw TextRecognitionError(QStringLiteral("识别引擎出错，请再试一次"));
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
    const QByteArray m_dataFolder; // empty: the system's
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
};

TextRecognizer::TextRecognizer(QObject *parent) : TextRecognizer(QString(), parent) {}

TextRecognizer::TextRecognizer(QString dataFolder, QObject *parent)
    : QObject(parent), m_thread(new QThread(this)), m_worker(new Worker(QFile::encodeName(dataFolder))) {
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
        std::optional<QString> failure;
    };
    auto job = std::make_shared<Job>();
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, image = std::move(image), job] {
            QString text;
            std::optional<QString> failure;
            try {
                text = worker->read(image);
            } catch (const TextRecognitionError &error) {
                failure = error.message();
            } catch (const std::exception &error) {
                qCWarning(lcPlatform) << "text recognition failed:" << error.what();
                failure = QStringLiteral("识别引擎出错，请再试一次");
            }
            // Back to the main thread, where the waiter is resumed (and the failure thrown).
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [job, text = std::move(text), failure = std::move(failure)]() mutable {
                    job->text = std::move(text);
                    job->failure = std::move(failure);
                    job->done->finish();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    co_await Completion::wait(job->done);
    if (job->failure)
        throw TextRecognitionError(*job->failure);
    co_return QString(job->text);
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
