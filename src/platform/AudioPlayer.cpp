#include "AudioPlayer.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPointer>

#include <QCoro/QCoroSignal>

#include <chrono>

namespace {

// A media backend that never reports on the bytes must not hold the caller up.
constexpr std::chrono::milliseconds kLoadTimeout{5000};

// The media backend is picked once, when the first player is made. Debian's GStreamer backend crashes in
// playback when GStreamer's base plugins are missing; the FFmpeg backend decodes the audio itself. Only a
// choice already made in the environment is kept.
bool preferFfmpegBackend() {
    if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    return true;
}

} // namespace

MediaAudioPlayer::MediaAudioPlayer(QObject *parent)
    : AudioPlayer(parent), m_backendChosen(preferFfmpegBackend()), m_output(std::make_unique<QAudioOutput>()),
      m_player(std::make_unique<QMediaPlayer>()) {
    m_player->setAudioOutput(m_output.get());
    connect(m_player.get(), &QMediaPlayer::positionChanged, this, [this](qint64 position) {
        if (m_playing && position > 0)
            reportStarted();
    });
    connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                if (!m_playing || status != QMediaPlayer::EndOfMedia)
                    return;
                m_playing = false;
                reportStarted(); // it reached the end, so it did play
                Q_EMIT finished(true);
            });
    connect(m_player.get(), &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString &) {
                if (!m_playing || error == QMediaPlayer::NoError)
                    return;
                m_playing = false;
                Q_EMIT finished(false);
            });
}

MediaAudioPlayer::~MediaAudioPlayer() {
    m_playing = false;
    m_player->stop();
}

std::shared_ptr<AudioPlayer> MediaAudioPlayer::make() {
    return std::shared_ptr<AudioPlayer>(new MediaAudioPlayer(),
                                        [](AudioPlayer *player) { player->deleteLater(); });
}

QCoro::Task<bool> MediaAudioPlayer::load(QByteArray bytes) {
    // Without any audio output the FFmpeg backend of Qt 6.4 crashes in its render thread once playback
    // starts: refuse the audio, so speech falls back to the system voice (or stays silent).
    if (bytes.isEmpty() || QMediaDevices::audioOutputs().isEmpty())
        co_return false;
    m_buffer.close();
    m_buffer.setData(bytes);
    if (!m_buffer.open(QIODevice::ReadOnly))
        co_return false;
    m_player->setSourceDevice(&m_buffer);

    const auto deadline = std::chrono::steady_clock::now() + kLoadTimeout;
    QPointer<MediaAudioPlayer> self(this);
    while (true) {
        if (m_player->error() != QMediaPlayer::NoError)
            co_return false;
        switch (m_player->mediaStatus()) {
        case QMediaPlayer::LoadedMedia:
        case QMediaPlayer::BufferingMedia:
        case QMediaPlayer::BufferedMedia:
            co_return true;
        case QMediaPlayer::InvalidMedia:
            co_return false;
        default:
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            co_return false;
        co_await qCoro(m_player.get(), &QMediaPlayer::mediaStatusChanged, left);
        if (!self)
            co_return false;
    }
}

void MediaAudioPlayer::play() {
    m_playing = true;
    m_started = false;
    m_player->play();
}

void MediaAudioPlayer::stop() {
    m_playing = false;
    m_player->stop();
}

qint64 MediaAudioPlayer::durationMs() const {
    return std::max<qint64>(0, m_player->duration());
}

void MediaAudioPlayer::reportStarted() {
    if (m_started)
        return;
    m_started = true;
    Q_EMIT started();
}
