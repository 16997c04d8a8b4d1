// The framing between the app and its text reader: the decoders on their own, the reader process fed
// malformed requests, and the recognizer facing readers that answer nonsense or end.

#include "Await.h"
#include "ChildProcesses.h"
#include "TextReaderProtocol.h"
#include "TextRecognizer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

namespace Protocol = TextReaderProtocol;

namespace {

QByteArray u32(std::uint32_t value) {
    return QByteArray(reinterpret_cast<const char *>(&value), 4);
}

QByteArray requestHeader(std::uint32_t layout, std::uint32_t width, std::uint32_t height,
                         std::uint32_t magic = Protocol::kRequestMagic) {
    return u32(magic) + u32(layout) + u32(width) + u32(height);
}

QByteArray replyHeader(std::uint32_t status, std::uint32_t count,
                       std::uint32_t magic = Protocol::kReplyMagic) {
    return u32(magic) + u32(status) + u32(count);
}

QByteArray lineBytes(std::int32_t bottom, const QByteArray &text) {
    return u32(std::uint32_t(bottom)) + u32(std::uint32_t(text.size())) + text;
}

QByteArray fromStd(const std::string &bytes) {
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

const QByteArray kReady = replyHeader(std::uint32_t(Protocol::Status::Ready), 0);
const QByteArray kMalformed = replyHeader(std::uint32_t(Protocol::Status::Malformed), 0);

QImage printed() {
    QImage image(160, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

class TestTextReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestHeaders_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a photo") << requestHeader(0, 2400, 1800) << true;
        QTest::newRow("one block, a square at the limit") << requestHeader(1, 2400, 2400) << true;
        QTest::newRow("one pixel") << requestHeader(0, 1, 1) << true;
        QTest::newRow("short header") << requestHeader(0, 10, 10).left(15) << false;
        QTest::newRow("wrong magic") << requestHeader(0, 10, 10, Protocol::kReplyMagic) << false;
        QTest::newRow("unknown layout") << requestHeader(2, 10, 10) << false;
        QTest::newRow("no width") << requestHeader(0, 0, 10) << false;
        QTest::newRow("no height") << requestHeader(0, 10, 0) << false;
        QTest::newRow("one pixel too wide") << requestHeader(0, 2401, 10) << false;
        QTest::newRow("one pixel too tall") << requestHeader(0, 10, 2401) << false;
        QTest::newRow("absurd size") << requestHeader(0, 0xffffffff, 0xffffffff) << false;
    }
    void requestHeaders() {
        QFETCH(QByteArray, header);
        QFETCH(bool, taken);
        const auto request =
            Protocol::decodeRequestHeader(std::string_view(header.constData(), header.size()));
        QCOMPARE(request.has_value(), taken);
        if (request) {
            QVERIFY(request->pictureBytes() <= Protocol::kMaxPictureBytes);
            QCOMPARE(fromStd(Protocol::encodeRequestHeader(*request)), header);
        }
    }

    void replies_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("parse"); // Protocol::Parse
        QTest::addColumn<int>("lines");
        const int complete = int(Protocol::Parse::Complete), incomplete = int(Protocol::Parse::Incomplete),
                  malformed = int(Protocol::Parse::Malformed);
        const QByteArray two = replyHeader(0, 2) + lineBytes(120, "第一行") + lineBytes(240, "x");
        QTest::newRow("ready") << kReady << complete << 0;
        QTest::newRow("two lines") << two << complete << 2;
        QTest::newRow("an empty line") << replyHeader(0, 1) + lineBytes(5, "") << complete << 1;
        QTest::newRow("nothing yet") << QByteArray() << incomplete << 0;
        QTest::newRow("short header") << replyHeader(0, 2).left(11) << incomplete << 0;
        QTest::newRow("cut in a line's header") << two.left(12 + 5) << incomplete << 0;
        QTest::newRow("cut in a line's text") << two.left(two.size() - 1) << incomplete << 0;
        QTest::newRow("wrong magic") << replyHeader(0, 0, Protocol::kRequestMagic) << malformed << 0;
        QTest::newRow("wrong magic, short") << u32(7).left(3) + "x" << malformed << 0;
        QTest::newRow("unknown status") << replyHeader(5, 0) << malformed << 0;
        QTest::newRow("lines on a failure") << replyHeader(3, 1) + lineBytes(1, "a") << malformed << 0;
        QTest::newRow("absurd line count") << replyHeader(0, 0xffffffff) << malformed << 0;
        QTest::newRow("one line over the count") << replyHeader(0, Protocol::kMaxLines + 1) << malformed << 0;
        QTest::newRow("absurd line length")
            << replyHeader(0, 1) + u32(10) + u32(0xffffffff) << malformed << 0;
        QTest::newRow("one byte over a line")
            << replyHeader(0, 1) + u32(10) + u32(Protocol::kMaxLineBytes + 1) << malformed << 0;
        // Lines each within the limit, together over it: rejected at the first that crosses it.
        QByteArray many = replyHeader(0, Protocol::kMaxLines);
        const QByteArray longLine = lineBytes(1, QByteArray(Protocol::kMaxLineBytes, 'a'));
        while (many.size() <= qsizetype(Protocol::kMaxReplyBytes))
            many += longLine;
        QTest::newRow("a reply over its limit") << many << malformed << 0;
    }
    void replies() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, parse);
        QFETCH(int, lines);
        Protocol::Reply reply;
        std::size_t consumed = 0;
        QCOMPARE(
            int(Protocol::decodeReply(std::string_view(bytes.constData(), bytes.size()), reply, consumed)),
            parse);
        if (parse == int(Protocol::Parse::Complete)) {
            QCOMPARE(qsizetype(consumed), bytes.size());
            QCOMPARE(int(reply.lines.size()), lines);
        }
    }

    // What the reader writes is a reply the app takes, however many lines the engine found.
    void encodedRepliesStayWithinTheLimits() {
        Protocol::Reply reply;
        reply.lines.push_back({"第一行", 10});
        reply.lines.push_back({std::string(Protocol::kMaxLineBytes + 1, 'x'), 20}); // left out
        for (int i = 0; i < 5000; ++i)
            reply.lines.push_back({std::string(300, 'a'), 30 + i});
        const std::string bytes = Protocol::encodeReply(reply);
        QVERIFY(bytes.size() <= Protocol::kMaxReplyBytes);
        Protocol::Reply decoded;
        std::size_t consumed = 0;
        QCOMPARE(Protocol::decodeReply(bytes, decoded, consumed), Protocol::Parse::Complete);
        QCOMPARE(consumed, bytes.size());
        QVERIFY(decoded.lines.size() > 1000);
        QCOMPARE(decoded.lines.front().text, std::string("第一行"));
        QCOMPARE(decoded.lines[1].bottom, 30);
    }

    // The reader itself on malformed input: it answers what it can, exits with its code, and never crashes or
    // allocates what a header claims (its address space is limited far below the absurd sizes).
    void readerRejectsMalformedRequests_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("output"); // after its greeting
        QTest::addColumn<int>("exitCode");
        const QByteArray blank = requestHeader(0, 40, 20) + QByteArray(40 * 20 * 3, char(0xff));
        const QByteArray noLines = replyHeader(0, 0);
        QTest::newRow("input closed at once") << QByteArray() << QByteArray() << 0;
        QTest::newRow("a blank picture, then closed") << blank << noLines << 0;
        QTest::newRow("short header") << requestHeader(0, 40, 20).left(7) << QByteArray() << 2;
        QTest::newRow("short header after a picture")
            << blank + requestHeader(0, 40, 20).left(15) << noLines << 2;
        QTest::newRow("wrong magic") << requestHeader(0, 40, 20, 0x12345678) << kMalformed << 2;
        QTest::newRow("unknown layout") << requestHeader(9, 40, 20) << kMalformed << 2;
        QTest::newRow("empty picture") << requestHeader(0, 0, 20) << kMalformed << 2;
        QTest::newRow("absurd size") << requestHeader(0, 0xffffffff, 0xffffffff) << kMalformed << 2;
        QTest::newRow("large beyond the limit") << requestHeader(0, 60000, 60000) << kMalformed << 2;
        QTest::newRow("truncated payload")
            << requestHeader(0, 40, 20) + QByteArray(100, 'x') << QByteArray() << 2;
    }
    void readerRejectsMalformedRequests() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, output);
        QFETCH(int, exitCode);
        QProcess reader;
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer reserves terabytes of address space: it caps single allocations itself.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":max_allocation_size_mb=512:allocator_may_return_null=0"));
        reader.setProcessEnvironment(environment);
#else
        reader.setChildProcessModifier([] {
            const rlimit limit{1024ul << 20, 1024ul << 20}; // the engine needs a few hundred megabytes
            setrlimit(RLIMIT_AS, &limit);
        });
#endif
        reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        reader.start(QStringLiteral(QVL_TEXT_READER_PATH), QStringList());
        QVERIFY(reader.waitForStarted());
        reader.write(input);
        reader.closeWriteChannel();
        QVERIFY(reader.waitForFinished(120000));
        QCOMPARE(reader.exitStatus(), QProcess::NormalExit);
        QCOMPARE(reader.exitCode(), exitCode);
        QCOMPARE(reader.readAllStandardOutput(), kReady + output);
    }

    // Readers that answer nonsense or end: each picture fails with the engine's error at once (never waits
    // for what an absurd header claims), the reader is ended, and no process is left behind.
    void nonsenseRepliesFailThePicture_data() {
        QTest::addColumn<QByteArray>("greeting");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("stays"); // or ends after its answer
        QTest::newRow("absurd line count") << kReady << replyHeader(0, 0xffffffff) << true;
        QTest::newRow("absurd line length")
            << kReady << replyHeader(0, 1) + u32(100) + u32(0x7fffffff) << true;
        QTest::newRow("wrong magic") << kReady << replyHeader(0, 0, 0xdeadbeef) << true;
        QTest::newRow("unknown status") << kReady << replyHeader(77, 0) << true;
        QTest::newRow("a second greeting") << kReady << kReady << true;
        QTest::newRow("more than one reply") << kReady << replyHeader(0, 0) + replyHeader(0, 0) << true;
        QTest::newRow("greets with nonsense") << replyHeader(0, 0xffffffff) << QByteArray() << true;
        QTest::newRow("ends before its greeting") << QByteArray() << QByteArray() << false;
        QTest::newRow("ends in a reply") << kReady << replyHeader(0, 2) + lineBytes(3, "半") << false;
    }
    void nonsenseRepliesFailThePicture() {
        QFETCH(QByteArray, greeting);
        QFETCH(QByteArray, answer);
        QFETCH(bool, stays);
        QTemporaryDir dir;
        QFile greetingFile(dir.filePath("greeting")), answerFile(dir.filePath("answer"));
        QVERIFY(greetingFile.open(QIODevice::WriteOnly) && answerFile.open(QIODevice::WriteOnly));
        greetingFile.write(greeting);
        answerFile.write(answer);
        greetingFile.close();
        answerFile.close();
        // Greets (or ends), answers once a request begins, then takes in whatever it is sent until its input
        // closes, or ends.
        QFile script(dir.filePath("reader"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\ncat '%1'\n[ -s '%1' ] || exit 1\nhead -c 16 >/dev/null\n"
                                    "cat '%2'\n%3\n")
                         .arg(greetingFile.fileName(), answerFile.fileName(),
                              stays ? QStringLiteral("exec cat >/dev/null") : QStringLiteral("exit 1"))
                         .toUtf8());
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("QVL_TEXT_READER", script.fileName().toUtf8());
        const auto restore = qScopeGuard([] { qunsetenv("QVL_TEXT_READER"); });

        TextRecognizer recognizer;
        QElapsedTimer timer;
        timer.start();
        QString failure;
        try {
            Await::result(recognizer.recognize(printed()));
        } catch (const TextRecognitionError &error) {
            failure = error.message();
        }
        QCOMPARE(failure, QStringLiteral("识别引擎出错，请再试一次"));
        QVERIFY2(timer.elapsed() < 20000, "the recognizer waited for what the reader claimed");
        QCOMPARE(TextRecognizer::readerProcesses(), 0);
        QCOMPARE(childProcesses().keys(), QList<int>());
    }

    // Without its reader, or with one that cannot run, the learner is told the component is missing.
    void missingReader_data() {
        QTest::addColumn<bool>("exists");
        QTest::newRow("no such file") << false;
        QTest::newRow("not executable") << true;
    }
    void missingReader() {
        QFETCH(bool, exists);
        QTemporaryDir dir;
        const QString path = dir.filePath("quorvel-text-reader");
        if (exists) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a program");
        }
        qputenv("QVL_TEXT_READER", path.toUtf8());
        const auto restore = qScopeGuard([] { qunsetenv("QVL_TEXT_READER"); });
        TextRecognizer recognizer;
        recognizer.prewarm();
        QString failure;
        try {
            Await::result(recognizer.recognize(printed()));
        } catch (const TextRecognitionError &error) {
            failure = error.message();
        }
        QCOMPARE(failure, QStringLiteral("本机缺少文字识别组件，无法读取图片"));
        QCOMPARE(TextRecognizer::readerProcesses(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTextReader)
#include "tst_textreader.moc"
