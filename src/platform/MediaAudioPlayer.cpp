#include "AudioPlayer.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QBuffer>
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

// Over QMediaPlayer with a QAudioOutput on the default device, reading from a memory buffer. Built into the
// media module only.
class QtMediaAudioPlayer final : public AudioPlayer {
public:
    QtMediaAudioPlayer();
    ~QtMediaAudioPlayer() override;

    QCoro::Task<bool> load(QByteArray bytes) override;
    void play() override;
    void stop() override;
    qint64 durationMs() const override;

private:
    void reportStarted();

    bool m_backendChosen; // before the members below touch the media backend
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
    QBuffer m_buffer;
    bool m_playing = false;
    bool m_started = false;
};

QtMediaAudioPlayer::QtMediaAudioPlayer()
    : m_backendChosen(preferFfmpegBackend()), m_output(std::make_unique<QAudioOutput>()),
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

QtMediaAudioPlayer::~QtMediaAudioPlayer() {
    m_playing = false;
    m_player->stop();
}

QCoro::Task<bool> QtMediaAudioPlayer::load(QByteArray bytes) {
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
    QPointer<QtMediaAudioPlayer> self(this);
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

void QtMediaAudioPlayer::play() {
    m_playing = true;
    m_started = false;
    m_player->play();
}

void QtMediaAudioPlayer::stop() {
    m_playing = false;
    m_player->stop();
}

qint64 QtMediaAudioPlayer::durationMs() const {
    return std::max<qint64>(0, m_player->duration());
}

void QtMediaAudioPlayer::reportStarted() {
    if (m_started)
        return;
    m_started = true;
    Q_EMIT started();
}

// The media module's factory, looked up by name when the app makes its first player.
extern "C" Q_DECL_EXPORT AudioPlayer *qvl_make_audio_player() {
    return new QtMediaAudioPlayer();
}
