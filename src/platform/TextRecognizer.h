#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <QCoro/QCoroTask>

#include "UserFacingError.h"

#include <memory>

class QThread;

// Reading a picture failed on this machine (the engine could not be loaded, or it broke off): the reason, in
// words the learner can act on.
class TextRecognitionError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};

// Reads the text of a picture on this machine (Tesseract, Simplified Chinese and English, its LSTM engine and
// automatic page layout): the lines top to bottom, one per line of the result.
//
// The engine runs in a reader process of its own (quorvel-text-reader), so that this program never maps
// Tesseract and the libraries it pulls in. One worker thread talks to the reader; the main thread never waits
// for it: `recognize` hands the picture over and resumes with the text once the reader has read it. Starting
// the reader and loading its engine takes the better part of a second, so a screen that will read pictures
// prewarms it when it opens, and releases it when it closes (the reader holds some hundred megabytes, which
// only its end gives back). A reader that crashes or breaks off fails the picture it read; the next picture
// starts another. The engine runs on one thread: spread over several it was slower here, not faster. Main
// thread only.
class TextRecognizer : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxLongSide = 2400; // larger pictures are scaled down before reading

    explicit TextRecognizer(QObject *parent = nullptr);
    // Reads with the language data in `dataFolder` instead of the system's.
    explicit TextRecognizer(QString dataFolder, QObject *parent = nullptr);
    // Stops the worker after the picture it reads, and ends the reader.
    ~TextRecognizer() override;

    // Starts the reader and loads its engine now, so that the first picture does not wait for it.
    void prewarm();
    // The text of `image`: its lines top to bottom, joined with line feeds; "" when it holds none. Throws
    // TextRecognitionError when the engine cannot be loaded (its language data missing) or fails to read:
    // that is no empty picture, and must not read as one.
    QCoro::Task<QString> recognize(QImage image);
    // Ends the reader, which gives the engine's memory back; the next picture starts another.
    void release();

    // How many reader processes run for the recognizers of this program now: a recognizer starts one when it
    // prewarms or reads its first picture and ends it when it is released (or the reader broke off).
    static int readerProcesses();

    // One recognised line and where its box ends at the bottom.
    struct Line {
        QString text;
        int bottom = 0;
    };
    // The lines ordered by the bottom edge of their boxes, top of the picture first (a stable order for equal
    // edges), empty ones (blank after trimming) left out, joined with line feeds.
    static QString assembleLines(QList<Line> lines);
    // A picture file as the camera took it: turned upright by its orientation tag and scaled so that its long
    // side is at most `kMaxLongSide` while it is read (a 48-megapixel photo is never decoded whole). A null
    // image when the file cannot be read.
    static QImage readPicture(const QString &path);
    // `image` scaled down to `kMaxLongSide` on the long side (smaller ones stay as they are).
    static QImage fitted(const QImage &image);

private:
    class Worker;
    QThread *m_thread;
    Worker *m_worker;
};
