#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUuid>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>
#include <optional>

#include "AppSession.h"
class AudioPlayer;
class QJSEngine;
class QQmlEngine;
class RobotStore;
class SpeechSynthesizer;

// Reads texts aloud for the robots: the companion's replies, a scene's greeting, the settings preview.
//
// Each text carries an id chosen by its owner; `speakingId` holds the id of the text being read (or being
// prepared), so one button starts and stops its own text and views show whether theirs is being read. The
// speech service says once per run whether it offers server speech; when it does, the player fetches the
// audio of each text and plays it, and on any failure on that road it speaks with the system synthesizer,
// with the voice and language the robot store gives for the scene.
//
// Every request and every start runs under a "generation": a toggle or a stop makes a new one, and work of an
// older generation ends without effect when it resumes. So a finish or a stop of an earlier text never
// clears a newer one, and a quick off-and-on never reads a text twice. A watchdog ends speech that never
// starts or never ends (an engine without an audio device can sit in "speaking" for ever).
//
// Speech is optional: without a synthesizer or audio, nothing is heard and `speakingId` goes back to none.
// One shared instance for the whole run; main thread only.
class SpeechPlayer : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    // The id being read, without braces; empty when idle.
    Q_PROPERTY(QString speakingId READ speakingIdText NOTIFY speakingIdChanged)
    // Null until the service has answered; then whether it offers server speech.
    Q_PROPERTY(QVariant serverEnabled READ serverEnabledValue NOTIFY serverEnabledChanged)
    Q_PROPERTY(QString scene READ scene NOTIFY sceneChanged)

public:
    using Track = std::function<void(const QString &name, const QHash<QString, QString> &props)>;

    struct Dependencies {
        RobotStore *store = nullptr;
        std::shared_ptr<SpeechSynthesizer> synthesizer;
        std::function<std::shared_ptr<AudioPlayer>()> makeAudioPlayer;
        Track track;
        // How long the synthesizer or the audio may take to make a sound.
        int startTimeoutMs = 8000;
        // Once sound has started: how long before a text is taken as ended anyway. For the synthesizer the
        // deadline grows with the text: `finishSlackMs` + `msPerCharacter` per character, at the normal rate.
        int finishSlackMs = 5000;
        int msPerCharacter = 400;
    };

    static constexpr int kMaxServerCharacters = 600;

    explicit SpeechPlayer(Dependencies dependencies, QObject *parent = nullptr);
    ~SpeechPlayer() override;

    // The run's instance, created on first use, with the system synthesizer and the media player.
    static SpeechPlayer &shared();
    // The QML singleton is the shared instance; the engine never owns it.
    static SpeechPlayer *create(QQmlEngine *, QJSEngine *);

    std::optional<QUuid> speakingId() const { return m_speakingId; }
    QString speakingIdText() const;
    std::optional<bool> serverEnabled() const { return m_serverEnabled; }
    QVariant serverEnabledValue() const;
    QString scene() const { return m_scene; }
    // The player of the server audio started last; none since the last stop.
    AudioPlayer *player() const { return m_player.get(); }

    // Starts reading `text`, or stops it when `id` is the text being read. Never fails.
    void toggleSpeech(const QString &text, const QUuid &id, AppSession *session, const QString &scene);
    // Ends any speech at once, whoever started it.
    Q_INVOKABLE void stop();
    // Whether the text of `id` (with or without braces) is being read.
    Q_INVOKABLE bool isSpeaking(const QString &id) const;

    // The text without Markdown and formula markers ("**", "__", "`", "#", "\(", "\)", "\[", "\]", "$"),
    // trimmed of white space and line breaks.
    static QString speakableText(const QString &text);

    // The request bodies and steps, exposed for tests.
    QCoro::Task<bool> refreshCapabilities(QPointer<AppSession> session);
    QCoro::Task<std::optional<QByteArray>> fetchServerAudio(QString text, QPointer<AppSession> session);

Q_SIGNALS:
    void speakingIdChanged();
    void serverEnabledChanged();
    void sceneChanged();
    void playerChanged();

private:
    QCoro::Task<void> play(QString text, quint64 generation, QPointer<AppSession> session);
    bool isCurrent(quint64 generation) const {
        return generation == m_generation && m_speakingId.has_value();
    }
    void speakWithSystemVoice(const QString &text, quint64 generation);
    void startAudio(std::shared_ptr<AudioPlayer> player, const QString &text, quint64 generation);
    void onSynthesizerStarted(quint64 utterance);
    void onSynthesizerFinished(quint64 utterance);
    void onWatchdog();
    void setSpeakingId(const std::optional<QUuid> &id);
    void setServerEnabled(bool enabled);
    void setScene(const QString &scene);
    void record(const QString &voiceKind);

    RobotStore *m_store;
    std::shared_ptr<SpeechSynthesizer> m_synth;
    std::function<std::shared_ptr<AudioPlayer>()> m_makeAudioPlayer;
    Track m_track;
    int m_startTimeoutMs;
    int m_finishSlackMs;
    int m_msPerCharacter;

    std::optional<QUuid> m_speakingId;
    std::optional<bool> m_serverEnabled;
    std::shared_ptr<AudioPlayer> m_player;
    QString m_scene = QStringLiteral("companion");

    quint64 m_generation = 0;
    // What is sounding now, and the text it reads (for the watchdog's fallback and deadline).
    quint64 m_utterance = 0; // synthesizer id; 0 for none
    bool m_utteranceStarted = false;
    float m_utteranceRate = 1.0f;
    int m_utteranceCharacters = 0;
    bool m_audioStarted = false;
    QString m_audioText;
    QTimer m_watchdog;
};
