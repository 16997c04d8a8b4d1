// On-device text recognition: the line assembly on its own, then the real engine on pictures drawn here.

#include "AppFonts.h"
#include "Await.h"
#include "ChildProcesses.h"
#include "TextRecognizer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

const QStringList kLines{QStringLiteral("一元一次方程"), QStringLiteral("解方程 2x+3=7"),
                         QStringLiteral("求未知数的值")};

// Black text on white, one line under the other, as a page of a workbook.
QImage page(const QStringList &lines, QSize size = QSize(900, 420), int pixelSize = 40) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(QPoint(60, 100 + int(i) * pixelSize * 2), lines[i]);
    return image;
}

// Letters and digits only, so that a space read in or left out does not count.
QString bare(const QString &text) {
    QString kept;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c == u'=' || c == u'+')
            kept.append(c.toLower()); // "x" and "X" look alike enough in print
    }
    return kept;
}

// The one reader process this test runs, or 0.
int readerPid() {
    const QMap<int, QByteArray> running = childProcesses();
    for (auto it = running.begin(); it != running.end(); ++it) {
        if (it.value().startsWith("quorvel-text-re")) // the kernel keeps 15 characters of a name
            return it.key();
    }
    return 0;
}

// The files this process maps whose names hold one of `names`.
QStringList mappedLibraries(const QStringList &names) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("(no /proc/self/maps)")};
    QStringList found;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QString path = QString::fromUtf8(line.mid(line.indexOf('/')));
        for (const QString &name : names) {
            if (line.contains('/') && path.section(u'/', -1).startsWith(name) && !found.contains(path))
                found.append(path);
        }
    }
    return found;
}

// A 12-megapixel photo of a page: large enough that the reader takes a while over it.
QImage photo() {
    QImage photo(4000, 3000, QImage::Format_RGB32);
    photo.fill(Qt::white);
    QPainter painter(&photo);
    painter.drawImage(QRect(300, 900, 3400, 1300), page(kLines));
    return photo;
}

} // namespace

class TestTextRecognizer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void assembleLines_data() {
        QTest::addColumn<QList<TextRecognizer::Line>>("lines");
        QTest::addColumn<QString>("text");
        using Line = TextRecognizer::Line;
        QTest::newRow("by bottom edge")
            << QList<Line>{{"第三行", 300}, {"第一行", 100}, {"第二行", 200}} << "第一行\n第二行\n第三行";
        QTest::newRow("empty lines left out")
            << QList<Line>{{"甲", 10}, {"  \n", 20}, {"", 30}, {"乙\n", 40}} << "甲\n乙";
        QTest::newRow("equal edges keep their order") << QList<Line>{{"左", 50}, {"右", 50}} << "左\n右";
        QTest::newRow("nothing") << QList<Line>{} << "";
    }
    void assembleLines() {
        QFETCH(QList<TextRecognizer::Line>, lines);
        QFETCH(QString, text);
        QCOMPARE(TextRecognizer::assembleLines(lines), text);
    }

    void pictures_data() {
        QTest::addColumn<int>("rotation"); // how the camera stored it, put right by its orientation tag
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("three lines in order") << 0 << kLines;
        QTest::newRow("a photo stored on its side") << 90 << kLines;
        QTest::newRow("a blank picture") << -1 << QStringList();
    }
    void pictures() {
        QFETCH(int, rotation);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("photo.jpg");
        QImage drawn = rotation < 0 ? page({}) : page(kLines);
        QImageWriter writer(path, "jpeg");
        writer.setQuality(92);
        if (rotation == 90) {
            writer.setTransformation(QImageIOHandler::TransformationRotate90);
            drawn = drawn.transformed(QTransform().rotate(-90));
        }
        QVERIFY(writer.write(drawn));

        const QImage picture = TextRecognizer::readPicture(path);
        QCOMPARE(picture.width() > picture.height(), true); // upright again
        TextRecognizer recognizer;
        auto reading = recognizer.recognize(picture);
        const QString text = Await::result(reading);
        const QStringList lines = text.isEmpty() ? QStringList() : text.split(u'\n');
        QCOMPARE(lines.size(), expected.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            QCOMPARE(bare(lines[i]), bare(expected[i]));
    }

    // The engine reads on one thread: threads of its own wait on each other at every step, and on a busy
    // machine a reading then took minutes. It runs in the reader, whose threads are counted while it runs.
    void readsOnOneThread() {
        TextRecognizer recognizer;
        QVERIFY(!Await::result(recognizer.recognize(page(kLines))).isEmpty());
        const int reader = readerPid();
        QVERIFY(reader != 0);
        QCOMPARE(QDir(QStringLiteral("/proc/%1/task").arg(reader))
                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                     .size(),
                 1);
    }

    // Without its language data the engine cannot load: a failure with its reason, never a picture without
    // text.
    void missingLanguageData() {
        QTemporaryDir empty;
        TextRecognizer recognizer(empty.path());
        auto reading = recognizer.recognize(page(kLines));
        QVERIFY_THROWS_EXCEPTION(TextRecognitionError, Await::result(reading));
        auto blank = recognizer.recognize(QImage()); // nothing to read needs no engine
        QCOMPARE(Await::result(blank), QString());
    }

    // A 48-megapixel photo is read scaled, never decoded whole.
    void largePicturesAreScaled() {
        QTemporaryDir dir;
        const QString path = dir.filePath("large.jpg");
        QImage large(8000, 6000, QImage::Format_Grayscale8);
        large.fill(255);
        QVERIFY(large.save(path));
        const QImage picture = TextRecognizer::readPicture(path);
        QCOMPARE(picture.width(), TextRecognizer::kMaxLongSide);
        QCOMPARE(TextRecognizer::fitted(QImage(4000, 3000, QImage::Format_RGB32)).size(), QSize(2400, 1800));
        QCOMPARE(TextRecognizer::readPicture(dir.filePath("missing.jpg")).isNull(), true);
    }

    // Resident memory before the reader, while it reads, and after it gives its memory back.
    void memoryIsGivenBack() {
        const auto residentKb = [](const QString &process) {
            QFile status(QStringLiteral("/proc/%1/status").arg(process));
            if (!status.open(QIODevice::ReadOnly))
                return qint64(0);
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:"))
                    return line.mid(6).trimmed().split(' ').first().toLongLong();
            }
            return qint64(0);
        };
        // This process and its reader together: the engine's memory is the reader's.
        const auto totalKb = [&residentKb] {
            qint64 total = residentKb(QStringLiteral("self"));
            for (const int child : childProcesses().keys())
                total += residentKb(QString::number(child));
            return total;
        };
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer's allocator holds freed memory back, so resident memory says nothing here");
#endif
        const qint64 before = totalKb();
        qint64 during = 0;
        {
            TextRecognizer recognizer;
            auto reading = recognizer.recognize(page(kLines));
            QVERIFY(!Await::result(reading).isEmpty());
            during = totalKb();
            recognizer.release();
            auto settled = recognizer.recognize(QImage()); // queued behind the release
            Await::result(settled);
        }
        const qint64 after = totalKb();
        qInfo("resident memory with the reader's: %lld MB before, %lld MB while reading, %lld MB after the "
              "release",
              before / 1024, during / 1024, after / 1024);
        QVERIFY(during > before);
        QVERIFY2(after - before < (during - before) / 2, "the engine kept most of its memory");
    }

    // A reader process runs only while a recognizer holds its engine: not when it is made, from the prewarm
    // on, until its holder releases it; the next picture starts another. None is left behind.
    void readerRunsOnlyWhileHeld() {
        QCOMPARE(TextRecognizer::readerProcesses(), 0);
        {
            TextRecognizer first;
            TextRecognizer second;
            QCOMPARE(TextRecognizer::readerProcesses(), 0); // a screen made, nothing read yet
            first.prewarm();
            QTRY_COMPARE_WITH_TIMEOUT(TextRecognizer::readerProcesses(), 1, 30000);
            QVERIFY(!Await::result(second.recognize(page(kLines))).isEmpty());
            QCOMPARE(TextRecognizer::readerProcesses(), 2);
            QCOMPARE(childProcesses().size(), 2);

            first.release();
            Await::result(first.recognize(QImage()));       // queued behind the release
            QCOMPARE(TextRecognizer::readerProcesses(), 1); // the second still holds its reader
            second.release();
            Await::result(second.recognize(QImage()));
            QCOMPARE(TextRecognizer::readerProcesses(), 0);
            QCOMPARE(childProcesses(), (QMap<int, QByteArray>()));

            QVERIFY(!Await::result(first.recognize(page(kLines))).isEmpty()); // started again
            QCOMPARE(TextRecognizer::readerProcesses(), 1);
        }
        QCOMPARE(TextRecognizer::readerProcesses(), 0); // the recognizer gone, its reader with it
        QCOMPARE(childProcesses(), (QMap<int, QByteArray>()));
    }

    // This process never maps the engine's libraries: not while a picture is read, not after the release.
    // (OpenMP is not among them: Qt's own hashing library maps it into every Qt program here.)
    void engineLibrariesStayOut() {
        const QStringList engine{QStringLiteral("libtesseract"), QStringLiteral("liblept"),
                                 QStringLiteral("libarchive")};
        QCOMPARE(mappedLibraries(engine), QStringList());
        TextRecognizer recognizer;
        recognizer.prewarm();
        QVERIFY(!Await::result(recognizer.recognize(page(kLines))).isEmpty());
        QCOMPARE(mappedLibraries(engine), QStringList());
        recognizer.release();
        Await::result(recognizer.recognize(QImage()));
        QCOMPARE(mappedLibraries(engine), QStringList());
    }

    // A reader killed while it takes in or reads a picture fails that picture with the engine's error; the
    // next picture starts a new reader and is read.
    void killedReader_data() {
        QTest::addColumn<bool>("whileReading"); // or before it has the picture
        QTest::newRow("as the picture is sent") << false;
        QTest::newRow("while it reads") << true;
    }
    void killedReader() {
        QFETCH(bool, whileReading);
        TextRecognizer recognizer;
        QVERIFY(!Await::result(recognizer.recognize(page(kLines))).isEmpty()); // the engine loaded
        const int reader = readerPid();
        QVERIFY(reader != 0);
        // What the reader has read so far: its language data, then the picture.
        const auto readBytes = [reader] {
            QFile io(QStringLiteral("/proc/%1/io").arg(reader));
            if (!io.open(QIODevice::ReadOnly))
                return qint64(-1);
            for (const QByteArray &line : io.readAll().split('\n')) {
                if (line.startsWith("rchar:"))
                    return line.mid(6).trimmed().toLongLong();
            }
            return qint64(-1);
        };
        const qint64 loaded = readBytes();
        auto reading = recognizer.recognize(photo());
        if (whileReading) {
            const qint64 picture = qint64(TextRecognizer::kMaxLongSide) * 1800 * 3;
            if (loaded < 0)
                QTest::qWait(300); // no I/O counters here: some time into the reading
            else
                QTRY_VERIFY_WITH_TIMEOUT(readBytes() - loaded >= picture, 30000);
        }
        QCOMPARE(::kill(reader, SIGKILL), 0);
        QString failure;
        try {
            Await::result(reading);
        } catch (const TextRecognitionError &error) {
            failure = error.message();
        }
        QCOMPARE(failure, QStringLiteral("识别引擎出错，请再试一次"));
        QCOMPARE(TextRecognizer::readerProcesses(), 0);
        QVERIFY(!childProcesses().contains(reader)); // waited for, not left a zombie

        const QString text = Await::result(recognizer.recognize(page(kLines)));
        QCOMPARE(text.split(u'\n').size(), kLines.size());
        QCOMPARE(TextRecognizer::readerProcesses(), 1);
        QVERIFY(readerPid() != reader);
    }

    // A reader that ended between two pictures (killed, out of memory) costs the next picture nothing: it
    // starts another and reads.
    void readerEndedWhileIdle() {
        TextRecognizer recognizer;
        QVERIFY(!Await::result(recognizer.recognize(page(kLines))).isEmpty());
        const int reader = readerPid();
        QVERIFY(reader != 0);
        QCOMPARE(::kill(reader, SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!childProcesses().contains(reader),
                                 10000); // reaped by the recognizer's worker
        const QString text = Await::result(recognizer.recognize(page(kLines)));
        QCOMPARE(text.split(u'\n').size(), kLines.size());
        QCOMPARE(TextRecognizer::readerProcesses(), 1);
    }

    // A 12-megapixel photo after prewarm: how long it takes, and the longest the main thread stalls
    // meanwhile.
    void twelveMegapixels() {
        const QImage twelve = photo();
        TextRecognizer recognizer;
        recognizer.prewarm();
        auto warm = recognizer.recognize(page({QStringLiteral("预热")}));
        Await::result(warm);

        qint64 longestStall = 0;
        QElapsedTimer tick;
        tick.start();
        QTimer ticker;
        ticker.setInterval(1);
        connect(&ticker, &QTimer::timeout, this,
                [&] { longestStall = std::max(longestStall, tick.restart()); });
        QElapsedTimer timer;
        QString text;
        QBENCHMARK_ONCE {
            timer.start();
            ticker.start();
            auto reading = recognizer.recognize(twelve);
            text = Await::result(reading);
            ticker.stop();
        }
        qInfo("12-megapixel photo read in %lld ms; longest main-thread stall %lld ms", timer.elapsed(),
              longestStall);
        QCOMPARE(text.split(u'\n').size(), kLines.size());
        QVERIFY2(longestStall < 250, "the main thread waited for the engine");
    }
};

QTEST_MAIN(TestTextRecognizer)
#include "tst_textrecognizer.moc"
