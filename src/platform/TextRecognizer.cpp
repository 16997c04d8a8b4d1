#include "TextRecognizer.h"

#include "Completion.h"
#include "PlatformLogging.h"
#include "TextEngine.h"
#include "TextRecognitionModule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QPointer>
#include <QThread>

#include <malloc.h>

#include <algorithm>
#include <optional>

// Lives on the worker thread; every call arrives there as a queued call.
class TextRecognizer::Worker : public QObject {
public:
    explicit Worker(QByteArray dataFolder) : m_dataFolder(std::move(dataFolder)) {}
    ~Worker() override { release(); }

    // Loads the module and its engine here, off the main thread: the libraries alone take tens of
    // milliseconds to map and relocate, the engine the better part of a second.
    TextRecognitionModule::Outcome load() {
        if (m_engine)
            return TextRecognitionModule::Outcome::Made;
        QElapsedTimer timer;
        timer.start();
        TextRecognitionModule::Outcome outcome;
        m_engine = TextRecognitionModule::makeEngine(m_dataFolder, &outcome);
        if (outcome == TextRecognitionModule::Outcome::NoLanguageData)
            qCWarning(lcPlatform) << "text recognition unavailable: the engine did not load";
        else if (m_engine)
            qCDebug(lcPlatform) << "text recognition loaded in" << timer.elapsed() << "ms";
        return outcome;
    }

    // Throws TextRecognitionError.
    QString read(const QImage &picture) {
        if (picture.isNull())
            return {};
        switch (load()) {
        case TextRecognitionModule::Outcome::Made:
            break;
        case TextRecognitionModule::Outcome::NoModule:
            throw TextRecognitionError(QStringLiteral("本机缺少文字识别组件，无法读取图片"));
        case TextRecognitionModule::Outcome::NoLanguageData:
            throw TextRecognitionError(
                QStringLiteral("本机缺少文字识别的语言数据（简体中文和英文），无法读取图片"));
        }
        const QImage image = TextRecognizer::fitted(picture).convertToFormat(QImage::Format_RGB888);
        QString text = readWith(image, TextEngine::Layout::Page);
        // A short line on a large empty page can escape the page layout; read it as one block then.
        if (text.isEmpty())
            text = readWith(image, TextEngine::Layout::SingleBlock);
        return text;
    }

    QString readWith(const QImage &image, TextEngine::Layout layout) {
        std::optional<QList<TextRecognizer::Line>> lines = m_engine->read(image, layout);
        if (!lines) {
            qCWarning(lcPlatform) << "text recognition broke off";
            throw TextRecognitionError(QStringLiteral("识别引擎出错，请再试一次"));
        }
        return TextRecognizer::assembleLines(std::move(*lines));
    }

    void release() {
        if (!m_engine)
            return;
        m_engine.reset(); // and the module with it, unless another recognizer holds it
        // The engine's allocations stay with the process until the allocator is told to give them back.
        malloc_trim(0);
    }

private:
    const QByteArray m_dataFolder; // empty: the system's
    TextRecognitionModule::Engine m_engine;
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
