#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVoice>

#include <memory>
#include <optional>

class QTextToSpeech;

// The system speech synthesizer as the speech player uses it: one utterance at a time, each with its own id,
// and every report tied to the utterance it belongs to (a stopped utterance never reports for a newer one).
class SpeechSynthesizer : public QObject {
    Q_OBJECT

public:
    using Id = quint64;

    struct Utterance {
        QString text;
        // A voice name from `voiceFor`; nothing speaks with the engine's default voice.
        std::optional<QString> voice;
        // 1 is neutral; 0.5 is an octave down, 2 an octave up.
        float pitchMultiplier = 1.0f;
        // A multiple of the engine's normal speaking rate.
        float rateFactor = 1.0f;
    };

    using QObject::QObject;

    // The name of a voice that speaks `locale` (a BCP 47 tag such as "zh-CN"), or nothing when the engine has
    // none (or there is no engine).
    virtual std::optional<QString> voiceFor(const QString &locale) = 0;
    // Hands the utterance to the engine, ending any earlier one, and returns its id; 0 when there is no
    // engine to speak with (speech is optional: nothing happens then).
    virtual Id speak(const Utterance &utterance) = 0;
    // Whether an utterance has been handed over and has not finished.
    virtual bool isSpeaking() const = 0;
    // Ends the current utterance at once; its `finished` is reported before this returns.
    virtual void stopImmediately() = 0;

Q_SIGNALS:
    // Sound began for that utterance.
    void started(SpeechSynthesizer::Id id);
    // That utterance ended: spoken out, stopped, or failed.
    void finished(SpeechSynthesizer::Id id);
};

// Over QTextToSpeech. The engine is made on first use (so an app that never speaks never starts one), and
// speech-dispatcher is preferred for its Mandarin voice. That engine lists some voices without a locale Qt
// can map (Mandarin among them), so a voice is found by its locale first and by its name second.
class QtSpeechSynthesizer final : public SpeechSynthesizer {
    Q_OBJECT

public:
    explicit QtSpeechSynthesizer(QObject *parent = nullptr);
    ~QtSpeechSynthesizer() override;

    std::optional<QString> voiceFor(const QString &locale) override;
    Id speak(const Utterance &utterance) override;
    bool isSpeaking() const override;
    void stopImmediately() override;

    // QTextToSpeech's pitch and rate run from -1 to 1 with 0 as normal; a multiplier m maps to log2(m), so an
    // octave up is the top of the range. Clamped to the range.
    static double enginePitch(float multiplier);
    static double engineRate(float factor);
    // Words that name a language in the voice names of engines that cannot give those voices a locale.
    static QStringList voiceNameHints(const QString &locale);

private:
    QTextToSpeech *engine();
    void onStateChanged(bool speaking, bool failed);
    std::optional<QString> findVoice(const QString &locale);

    std::unique_ptr<QTextToSpeech> m_engine;
    bool m_engineTried = false;
    QHash<QString, std::optional<QString>> m_voiceByLocale;
    QHash<QString, QVoice> m_voices; // by name
    Id m_nextId = 1;
    Id m_current = 0;
    bool m_currentStarted = false;
};
