#pragma once

#include <QByteArray>
#include <QObject>

#include <QCoro/QCoroTask>

#include <memory>

// A player of one piece of audio held in memory (the server's speech). Made afresh for every piece; the
// caller keeps it alive (a shared pointer) while it loads and plays.
class AudioPlayer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Prepares the bytes; false when the platform cannot make a player of them (an unknown or broken format,
    // no media backend). Always finishes, also when the platform never answers.
    virtual QCoro::Task<bool> load(QByteArray bytes) = 0;
    // Starts playing what was loaded; `started` follows once sound comes out.
    virtual void play() = 0;
    // Stops at once; no `finished` follows.
    virtual void stop() = 0;
    // The length of what was loaded in milliseconds; 0 when unknown.
    virtual qint64 durationMs() const = 0;

Q_SIGNALS:
    void started();
    // Played to its end (true), or broke off while playing (false).
    void finished(bool successfully);
};

// The platform's player: QMediaPlayer with a QAudioOutput on the default device, reading from a memory
// buffer. It lives in the media module (QtMultimedia and its audio chain), loaded on the first player made,
// so that an app that never plays server audio never loads or starts any of it.
class MediaAudioPlayer {
public:
    // A shared player that is deleted on a later event-loop turn, never inside one of its own signals; null
    // when the media module cannot be loaded.
    static std::shared_ptr<AudioPlayer> make();
};
