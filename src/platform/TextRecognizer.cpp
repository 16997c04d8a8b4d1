#include "TextRecognizer.h"

#include "Completion.h"
#include "PlatformLogging.h"
#include "TextReaderProtocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QPointer>
#include <QProcess>
#include <QThread>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <optional>

namespace {

namespace Protocol = TextReaderProtocol;
static_assert(Protocol::kMaxSide == TextRecognizer::kMaxLongSide, "the reader takes what the app sends");

const QString kEngineBrokeOff = QStringLiteral("识别引擎出错，请再试一次");

std::atomic<int> readerProcessCount{0};

// The engine loads in about a third of a second and reads a large photo in about one; a busy or sanitized
// machine takes several times as long. A reader that outlasts these is taken for hung.
constexpr int kStartMs = 10000;
constexpr int kLoadMs = 60000;
constexpr int kReadMs = 120000;
constexpr int kExitMs = 5000;

// QVL_TEXT_READER names the reader's executable; otherwise it is beside the app's executable when installed,
// or in the build tree for the app and the tests run from there. Empty when there is none.
QString readerProgram() {
    const QString chosen = qEnvironmentVariable("QVL_TEXT_READER");
    if (!chosen.isEmpty())
        return chosen;
    for (const QString &path :
         {QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel-text-reader"),
          QStringLiteral(QVL_TEXT_READER_DIR "/quorvel-text-reader")}) {
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return {};
}

} // namespace

// Lives on the worker thread; every call arrives there as a queued call. The engine runs in a reader process
// (quorvel-text-reader), which this worker starts, talks to with blocking waits (only this thread waits) and
// ends. Tesseract cannot be unloaded from a process once it is loaded, so only a process of its own gives
// back its libraries and memory when the photo screen closes.
class TextRecognizer::Worker : public QObject {
public:
    explicit Worker(QString dataFolder) : m_dataFolder(std::move(dataFolder)) {}
    ~Worker() override { release(); }

    enum class Outcome {
        Ready,
        NoReader,       // no reader executable, or one that cannot run here (logged)
        NoLanguageData, // the engine did not load its language data
        Broken,         // the reader ended or answered nonsense while it loaded (logged)
    };

    // Starts the reader and waits until its engine is loaded, here, off the main thread.
    Outcome load() {
        if (m_reader && m_reader->state() == QProcess::NotRunning) {
            // Ended between pictures (killed, out of memory): the next picture needs no error for that.
            qCWarning(lcPlatform) << "the text reader ended while idle; starting another";
            stop();
        }
        if (m_reader)
            return Outcome::Ready;
        QElapsedTimer timer;
        timer.start();
        const QString program = readerProgram();
        if (program.isEmpty()) {
            qCWarning(lcPlatform) << "text recognition unavailable: no quorvel-text-reader beside"
                                  << QCoreApplication::applicationDirPath();
            return Outcome::NoReader;
        }
        auto reader = std::make_unique<QProcess>();
        reader->setProgram(program);
        if (!m_dataFolder.isEmpty())
            reader->setArguments({m_dataFolder});
        // What the engine says about a picture goes where it went when it ran in this process.
        reader->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        reader->start();
        if (!reader->waitForStarted(kStartMs)) {
            qCWarning(lcPlatform) << "text recognition unavailable: the reader did not start:"
                                  << reader->errorString();
            return Outcome::NoReader;
        }
        m_reader = std::move(reader);
        ++readerProcessCount;
        Protocol::Reply hello;
        if (!receive(hello, QDeadlineTimer(kLoadMs))) {
            // 127: the dynamic loader found no Tesseract for it (it said which on stderr).
            const bool cannotRun = m_reader->state() == QProcess::NotRunning &&
                                   m_reader->exitStatus() == QProcess::NormalExit &&
                                   m_reader->exitCode() == 127;
            stop();
            return cannotRun ? Outcome::NoReader : Outcome::Broken;
        }
        if (hello.status == Protocol::Status::NoLanguageData) {
            qCWarning(lcPlatform) << "text recognition unavailable: the engine did not load";
            stop();
            return Outcome::NoLanguageData;
        }
        if (hello.status != Protocol::Status::Ready) {
            qCWarning(lcPlatform) << "the text reader greeted with" << int(hello.status);
            stop();
            return Outcome::Broken;
        }
        qCDebug(lcPlatform) << "text recognition loaded in" << timer.elapsed() << "ms";
        return Outcome::Ready;
    }

    // Throws TextRecognitionError.
    QString read(const QImage &picture) {
        if (picture.isNull())
            return {};
        switch (load()) {
        case Outcome::Ready:
            break;
        case Outcome::NoReader:
            throw TextRecognitionError(QStringLiteral("本机缺少文字识别组件，无法读取图片"));
        case Outcome::NoLanguageData:
            throw TextRecognitionError(
                QStringLiteral("本机缺少文字识别的语言数据（简体中文和英文），无法读取图片"));
        case Outcome::Broken:
            throw TextRecognitionError(kEngineBrokeOff);
        }
        const QImage image = TextRecognizer::fitted(picture).convertToFormat(QImage::Format_RGB888);
        QString text = readWith(image, Protocol::Layout::Page);
        // A short line on a large empty page can escape the page layout; read it as one block then.
        if (text.isEmpty())
            text = readWith(image, Protocol::Layout::SingleBlock);
        return text;
    }

    QString readWith(const QImage &image, Protocol::Layout layout) {
        std::optional<QList<TextRecognizer::Line>> lines = request(image, layout);
        if (!lines) {
            qCWarning(lcPlatform) << "text recognition broke off";
            throw TextRecognitionError(kEngineBrokeOff);
        }
        return TextRecognizer::assembleLines(std::move(*lines));
    }

    // Ends the reader, and with it the engine and its memory.
    void release() {
        if (!m_reader)
            return;
        stop();
        // The pictures handed to the reader stay with this process until the allocator is told to give them
        // back.
        malloc_trim(0);
    }

private:
    // The lines of `image` (RGB888) as the reader read them; nullopt when the engine broke off, or the reader
    // did (then it is ended, and the next picture starts another).
    std::optional<QList<TextRecognizer::Line>> request(const QImage &image, Protocol::Layout layout) {
        const Protocol::Request request{layout, std::uint32_t(image.width()), std::uint32_t(image.height())};
        const std::string header = Protocol::encodeRequestHeader(request);
        const qsizetype rowBytes = qsizetype(request.width) * 3;
        QByteArray bytes;
        bytes.reserve(qsizetype(header.size() + request.pictureBytes()));
        bytes.append(header.data(), qsizetype(header.size()));
        for (int y = 0; y < image.height(); ++y)
            bytes.append(reinterpret_cast<const char *>(image.constScanLine(y)), rowBytes);

        const QDeadlineTimer deadline(kReadMs);
        m_reader->write(bytes);
        bytes = QByteArray();
        while (m_reader->bytesToWrite() > 0) {
            if (!m_reader->waitForBytesWritten(int(deadline.remainingTime()))) {
                qCWarning(lcPlatform)
                    << "the text reader stopped taking the picture:" << m_reader->errorString();
                stop();
                return std::nullopt;
            }
        }
        Protocol::Reply reply;
        if (!receive(reply, deadline)) {
            stop();
            return std::nullopt;
        }
        if (reply.status == Protocol::Status::Failed)
            return std::nullopt;
        if (reply.status != Protocol::Status::Lines) {
            qCWarning(lcPlatform) << "the text reader answered a picture with" << int(reply.status);
            stop();
            return std::nullopt;
        }
        QList<TextRecognizer::Line> lines;
        lines.reserve(qsizetype(reply.lines.size()));
        for (const Protocol::Line &line : reply.lines)
            lines.append({QString::fromUtf8(line.text.data(), qsizetype(line.text.size())), line.bottom});
        return lines;
    }

    // Reads one reply; false (logged) when the reader ended, went quiet past `deadline` or sent no reply.
    // Never holds more than a reply may be long.
    bool receive(Protocol::Reply &reply, QDeadlineTimer deadline) {
        std::string buffer;
        for (;;) {
            std::size_t consumed = 0;
            switch (Protocol::decodeReply(buffer, reply, consumed)) {
            case Protocol::Parse::Complete:
                if (consumed == buffer.size())
                    return true;
                qCWarning(lcPlatform) << "the text reader said more than it was asked";
                return false;
            case Protocol::Parse::Malformed:
                qCWarning(lcPlatform) << "the text reader sent no reply it can take";
                return false;
            case Protocol::Parse::Incomplete:
                break;
            }
            if (buffer.size() >= Protocol::kMaxReplyBytes) {
                qCWarning(lcPlatform) << "the text reader sent no reply it can take";
                return false;
            }
            if (m_reader->bytesAvailable() == 0 &&
                !m_reader->waitForReadyRead(int(deadline.remainingTime()))) {
                if (m_reader->state() == QProcess::NotRunning)
                    qCWarning(lcPlatform)
                        << "the text reader ended:"
                        << (m_reader->exitStatus() == QProcess::CrashExit ? "crashed" : "exit code")
                        << m_reader->exitCode();
                else
                    qCWarning(lcPlatform) << "the text reader did not answer in time";
                return false;
            }
            const QByteArray more = m_reader->read(qint64(Protocol::kMaxReplyBytes - buffer.size()));
            buffer.append(more.constData(), std::size_t(more.size()));
        }
    }

    // Closes the reader's input, which ends it; one that does not end in time is killed.
    void stop() {
        if (m_reader->state() != QProcess::NotRunning) {
            m_reader->closeWriteChannel();
            if (!m_reader->waitForFinished(kExitMs)) {
                qCWarning(lcPlatform) << "the text reader did not end when asked; killed";
                m_reader->kill();
                m_reader->waitForFinished(kExitMs);
            }
        }
        m_reader.reset();
        --readerProcessCount;
    }

    const QString m_dataFolder; // empty: the system's
    std::unique_ptr<QProcess> m_reader;
};

TextRecognizer::TextRecognizer(QObject *parent) : TextRecognizer(QString(), parent) {}

TextRecognizer::TextRecognizer(QString dataFolder, QObject *parent)
    : QObject(parent), m_thread(new QThread(this)), m_worker(new Worker(std::move(dataFolder))) {
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
                failure = kEngineBrokeOff;
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

int TextRecognizer::readerProcesses() {
    return readerProcessCount.load();
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
