// On-device text recognition: the line assembly on its own, then the real engine on pictures drawn here.

#include "AppFonts.h"
#include "Await.h"
#include "TextRecognitionModule.h"
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

    // The engine reads on its worker thread alone: threads of its own wait on each other at every step, and
    // on a busy machine a reading then took minutes.
    void readsOnOneThread() {
        TextRecognizer recognizer;
        QVERIFY(!Await::result(recognizer.recognize(page(kLines))).isEmpty());
        QDir tasks(QStringLiteral("/proc/self/task"));
        int engineThreads = 0;
        for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile name(tasks.filePath(task + QStringLiteral("/comm")));
            if (name.open(QIODevice::ReadOnly) && name.readAll().startsWith("text recogni"))
                ++engineThreads;
        }
        QCOMPARE(engineThreads, 1);
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
        const auto residentKb = [] {
            QFile status(QStringLiteral("/proc/self/status"));
            if (!status.open(QIODevice::ReadOnly))
                return qint64(0);
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:"))
                    return line.mid(6).trimmed().split(' ').first().toLongLong();
            }
            return qint64(0);
        };
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer's allocator holds freed memory back, so resident memory says nothing here");
#endif
        const qint64 before = residentKb();
        qint64 during = 0;
        {
            TextRecognizer recognizer;
            auto reading = recognizer.recognize(page(kLines));
            QVERIFY(!Await::result(reading).isEmpty());
            during = residentKb();
            recognizer.release();
            auto settled = recognizer.recognize(QImage()); // queued behind the release
            Await::result(settled);
        }
        const qint64 after = residentKb();
        qInfo("resident memory: %lld MB before, %lld MB while reading, %lld MB after the release",
              before / 1024, during / 1024, after / 1024);
        QVERIFY(during > before);
        QVERIFY2(after - before < (during - before) / 2, "the engine kept most of its memory");
    }

    // The engine's module is in the process only while a recognizer holds an engine: not when it is made,
    // from the prewarm on, until the last holder releases it; the next picture loads it again.
    void moduleLoadedOnlyWhileHeld() {
        QVERIFY(!TextRecognitionModule::isLoaded());
        {
            TextRecognizer first;
            TextRecognizer second;
            QVERIFY(!TextRecognitionModule::isLoaded()); // a screen made, nothing read yet
            first.prewarm();
            QTRY_VERIFY_WITH_TIMEOUT(TextRecognitionModule::isLoaded(), 30000);
            QVERIFY(!Await::result(second.recognize(page(kLines))).isEmpty());

            first.release();
            Await::result(first.recognize(QImage()));   // queued behind the release
            QVERIFY(TextRecognitionModule::isLoaded()); // the second still holds an engine
            second.release();
            Await::result(second.recognize(QImage()));
            QVERIFY(!TextRecognitionModule::isLoaded());

            QVERIFY(!Await::result(first.recognize(page(kLines))).isEmpty()); // loaded again
            QVERIFY(TextRecognitionModule::isLoaded());
        }
        QVERIFY(!TextRecognitionModule::isLoaded()); // the recognizer gone, its engine with it
    }

    // A 12-megapixel photo after prewarm: how long it takes, and the longest the main thread stalls
    // meanwhile.
    void twelveMegapixels() {
        QImage photo(4000, 3000, QImage::Format_RGB32);
        photo.fill(Qt::white);
        {
            QPainter painter(&photo);
            painter.drawImage(QRect(300, 900, 3400, 1300), page(kLines));
        }
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
            auto reading = recognizer.recognize(photo);
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
