#include "SpeechPlayer.h"

#include "Graphemes.h"

#include "Analytics.h"
#include "ApiError.h"
#include "AppSession.h"
#include "AudioPlayer.h"
#include "ErrorText.h"
#include "PlatformLogging.h"
#include "RobotStore.h"
#include "RobotsAPIClient.h"
#include "SpeechSynthesizer.h"

#include <QQmlEngine>

#include <algorithm>
#include <limits>

namespace {

const QString kPlayEvent = QStringLiteral("tts_play");

} // namespace

SpeechPlayer::SpeechPlayer(Dependencies dependencies, QObject *parent)
    : QObject(parent), m_store(dependencies.store ? dependencies.store : &RobotStore::shared()),
      m_synth(std::move(dependencies.synthesizer)),
      m_makeAudioPlayer(std::move(dependencies.makeAudioPlayer)), m_track(std::move(dependencies.track)),
      m_startTimeoutMs(dependencies.startTimeoutMs), m_finishSlackMs(dependencies.finishSlackMs),
      m_msPerCharacter(dependencies.msPerCharacter) {
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &SpeechPlayer::onWatchdog);
    if (m_synth) {
        connect(m_synth.get(), &SpeechSynthesizer::started, this, &SpeechPlayer::onSynthesizerStarted);
        connect(m_synth.get(), &SpeechSynthesizer::finished, this, &SpeechPlayer::onSynthesizerFinished);
    }
}

SpeechPlayer::~SpeechPlayer() {
    if (m_player)
        m_player->stop();
}

SpeechPlayer &SpeechPlayer::shared() {
    static SpeechPlayer *const instance = new SpeechPlayer(Dependencies{
        &RobotStore::shared(),
        std::make_shared<QtSpeechSynthesizer>(),
        &MediaAudioPlayer::make,
        [](const QString &name, const QHash<QString, QString> &props) {
            Analytics::shared().track(name, props);
        },
    });
    return *instance;
}

SpeechPlayer *SpeechPlayer::create(QQmlEngine *, QJSEngine *) {
    SpeechPlayer *player = &shared();
    QQmlEngine::setObjectOwnership(player, QQmlEngine::CppOwnership);
    return player;
}

QString SpeechPlayer::speakingIdText() const {
    return m_speakingId ? m_speakingId->toString(QUuid::WithoutBraces) : QString();
}

QVariant SpeechPlayer::serverEnabledValue() const {
    return m_serverEnabled ? QVariant(*m_serverEnabled) : QVariant();
}

bool SpeechPlayer::isSpeaking(const QString &id) const {
    const QUuid uuid(id);
    return m_speakingId && !uuid.isNull() && *m_speakingId == uuid;
}

QString SpeechPlayer::speakableText(const QString &text) {
    static const QString markers[] = {
        QStringLiteral("**"),  QStringLiteral("__"),  QStringLiteral("`"),
        QStringLiteral("#"),   QStringLiteral("\\("), QStringLiteral("\\)"),
        QStringLiteral("\\["), QStringLiteral("\\]"), QStringLiteral("$"),
    };
    QString cleaned = text;
    for (const QString &marker : markers)
        cleaned.remove(marker, Qt::CaseSensitive);
    return cleaned.trimmed();
}

void SpeechPlayer::setSpeakingId(const std::optional<QUuid> &id) {
    if (id == m_speakingId)
        return;
    m_speakingId = id;
    Q_EMIT speakingIdChanged();
}

void SpeechPlayer::setServerEnabled(bool enabled) {
    if (m_serverEnabled == enabled)
        return;
    m_serverEnabled = enabled;
    Q_EMIT serverEnabledChanged();
}

void SpeechPlayer::setScene(const QString &scene) {
    if (scene == m_scene)
        return;
    m_scene = scene;
    Q_EMIT sceneChanged();
}

void SpeechPlayer::record(const QString &voiceKind) {
    if (m_track)
        m_track(kPlayEvent, {{QStringLiteral("voice"), voiceKind}});
}

void SpeechPlayer::toggleSpeech(const QString &text, const QUuid &id, AppSession *session,
                                const QString &scene) {
    setScene(scene);
    if (m_speakingId == id) {
        stop();
        return;
    }
    stop();
    const QString cleaned = speakableText(text);
    if (cleaned.isEmpty())
        return;
    const quint64 generation = ++m_generation;
    setSpeakingId(id);
    // Not kept: a newer toggle or a stop makes it stale instead of cancelling it.
    play(cleaned, generation, QPointer<AppSession>(session));
}

void SpeechPlayer::stop() {
    ++m_generation;
    m_watchdog.stop();
    m_audioText.clear();
    if (m_player) {
        m_player->stop();
        m_player.reset();
        Q_EMIT playerChanged();
    }
    // Forget the utterance first: the synthesizer reports the stopped one as finished, and that report is
    // no news for anyone.
    m_utterance = 0;
    if (m_synth && m_synth->isSpeaking())
        m_synth->stopImmediately();
    setSpeakingId(std::nullopt);
}

QCoro::Task<void> SpeechPlayer::play(QString text, quint64 generation, QPointer<AppSession> session) {
    QPointer<SpeechPlayer> self(this);
    // The desktop has no audio session to prepare: the default output device is used as it is.
    const bool server = co_await refreshCapabilities(session);
    if (!self || !isCurrent(generation))
        co_return;
    if (server) {
        const std::optional<QByteArray> audio = co_await fetchServerAudio(text, session);
        if (!self || !isCurrent(generation))
            co_return; // stopped or replaced meanwhile: the bytes are dropped
        if (audio) {
            std::shared_ptr<AudioPlayer> player = m_makeAudioPlayer ? m_makeAudioPlayer() : nullptr;
            if (player) {
                const bool loaded = co_await player->load(*audio);
                if (!self || !isCurrent(generation))
                    co_return;
                if (loaded) {
                    startAudio(std::move(player), text, generation);
                    co_return;
                }
            }
        }
    }
    speakWithSystemVoice(text, generation);
}

void SpeechPlayer::startAudio(std::shared_ptr<AudioPlayer> player, const QString &text, quint64 generation) {
    AudioPlayer *raw = player.get();
    connect(raw, &AudioPlayer::started, this, [this, raw, generation] {
        if (m_player.get() != raw || !isCurrent(generation) || m_audioStarted)
            return;
        m_audioStarted = true;
        record(QStringLiteral("server"));
        const qint64 duration = raw->durationMs();
        const qint64 estimate =
            duration > 0 ? duration : qint64(Graphemes::count(m_audioText)) * qint64(m_msPerCharacter);
        m_watchdog.start(int(std::min<qint64>(estimate + m_finishSlackMs, std::numeric_limits<int>::max())));
    });
    connect(raw, &AudioPlayer::finished, this, [this, raw, generation](bool) {
        if (m_player.get() != raw || !isCurrent(generation))
            return;
        // The player stays until the next stop; only the reading is over.
        m_watchdog.stop();
        m_audioText.clear();
        setSpeakingId(std::nullopt);
    });
    m_player = std::move(player);
    m_audioStarted = false;
    m_audioText = text;
    Q_EMIT playerChanged();
    m_watchdog.start(m_startTimeoutMs);
    raw->play();
}

void SpeechPlayer::speakWithSystemVoice(const QString &text, quint64 generation) {
    if (!isCurrent(generation))
        return;
    const std::optional<RobotCatalog::Voice> voice = m_store->voiceForScene(m_scene);
    SpeechSynthesizer::Utterance utterance;
    utterance.text = text; // the whole text: the 600-character cut is the service's
    utterance.pitchMultiplier = voice ? float(voice->pitch) : 1.0f;
    utterance.rateFactor = 0.95f * (voice ? float(voice->rate) : 1.0f);
    // The speech locale of the language in effect, else Mandarin, else whatever the engine speaks by default.
    utterance.locales = {m_store->speechLanguage(), QStringLiteral("zh-CN")};
    const SpeechSynthesizer::Id id = m_synth ? m_synth->speak(utterance) : 0;
    if (id == 0) {
        // No synthesizer: nothing is heard, and the text is no longer being read.
        setSpeakingId(std::nullopt);
        return;
    }
    m_utterance = id;
    m_utteranceStarted = false;
    m_utteranceRate = utterance.rateFactor;
    m_utteranceCharacters = Graphemes::count(text);
    m_watchdog.start(m_startTimeoutMs);
}

void SpeechPlayer::onSynthesizerStarted(quint64 utterance) {
    if (utterance == 0 || utterance != m_utterance || m_utteranceStarted)
        return;
    m_utteranceStarted = true;
    record(QStringLiteral("system"));
    const double rate = m_utteranceRate > 0.1f ? double(m_utteranceRate) : 0.1;
    const double expected = double(m_utteranceCharacters) * double(m_msPerCharacter) / rate;
    m_watchdog.start(int(std::min(expected + m_finishSlackMs, double(std::numeric_limits<int>::max()))));
}

void SpeechPlayer::onSynthesizerFinished(quint64 utterance) {
    if (utterance == 0 || utterance != m_utterance)
        return; // an earlier utterance: not ours to end
    m_utterance = 0;
    m_watchdog.stop();
    setSpeakingId(std::nullopt);
}

void SpeechPlayer::onWatchdog() {
    const quint64 generation = m_generation;
    if (m_player) {
        const bool neverStarted = !m_audioStarted;
        const QString text = m_audioText;
        m_player->stop();
        m_player.reset();
        m_audioText.clear();
        Q_EMIT playerChanged();
        if (neverStarted && isCurrent(generation)) {
            // Audio that makes no sound is like audio the platform cannot play: the system voice reads it.
            speakWithSystemVoice(text, generation);
            return;
        }
        setSpeakingId(std::nullopt);
        return;
    }
    if (m_utterance != 0) {
        m_utterance = 0;
        if (m_synth)
            m_synth->stopImmediately();
        setSpeakingId(std::nullopt);
    }
}

QCoro::Task<bool> SpeechPlayer::refreshCapabilities(QPointer<AppSession> session) {
    if (m_serverEnabled)
        co_return *m_serverEnabled;
    if (!session)
        co_return false;
    QPointer<SpeechPlayer> self(this);
    bool enabled = false;
    try {
        enabled = co_await RobotsAPIClient().fetchSpeechEnabled(*session);
    } catch (...) {
        // The system voice reads this text; the service is asked again with the next one.
        qCInfo(lcSpeech) << "speech capabilities unavailable:" << failureSummary(std::current_exception());
        co_return false;
    }
    if (!self)
        co_return false;
    setServerEnabled(enabled);
    co_return enabled;
}

QCoro::Task<std::optional<QByteArray>> SpeechPlayer::fetchServerAudio(QString text,
                                                                      QPointer<AppSession> session) {
    if (!session)
        co_return std::nullopt;
    std::optional<QString> voice;
    if (const auto robotVoice = m_store->voiceForScene(m_scene))
        voice = robotVoice->id;

    QPointer<SpeechPlayer> self(this);
    std::exception_ptr failure;
    bool serviceOff = false;
    try {
        co_return co_await RobotsAPIClient().fetchSpeech(Graphemes::leading(text, kMaxServerCharacters),
                                                         m_store->languageInEffect(), voice, *session);
    } catch (const ApiError &error) {
        serviceOff = error.kind() == ApiError::Kind::Http && error.status() == 503;
        failure = std::current_exception();
    } catch (...) {
        failure = std::current_exception();
    }
    // The system voice reads the text instead.
    qCInfo(lcSpeech) << "server speech unavailable:" << failureSummary(failure);
    if (serviceOff && self)
        setServerEnabled(false); // no server speech for the rest of the run
    co_return std::nullopt;
}
