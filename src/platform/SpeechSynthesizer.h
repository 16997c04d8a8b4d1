#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// The system speech synthesizer as the speech player uses it: one utterance at a time, each with its own id,
// and every report tied to the utterance it belongs to (a stopped utterance never reports for a newer one).
// Calls return at once; speech may start later, or never.
class SpeechSynthesizer : public QObject {
    Q_OBJECT

public:
    using Id = quint64;

    struct Utterance {
        QString text;
        // The locales to look for a voice in, in order of preference (BCP 47 tags such as "zh-CN"); when none
        // has a voice, the engine's default voice speaks.
        QStringList locales;
        // 1 is neutral; 0.5 is an octave down, 2 an octave up.
        float pitchMultiplier = 1.0f;
        // A multiple of the engine's normal speaking rate.
        float rateFactor = 1.0f;
    };

    using QObject::QObject;

    // Hands the utterance over, ending any earlier one, and returns its id. Without an engine to speak with,
    // the utterance is reported finished without having started.
    virtual Id speak(const Utterance &utterance) = 0;
    // Whether an utterance has been handed over and has not been reported finished.
    virtual bool isSpeaking() const = 0;
    // Ends the current utterance at once; its `finished` is reported before this returns.
    virtual void stopImmediately() = 0;

Q_SIGNALS:
    // Sound began for that utterance.
    void started(SpeechSynthesizer::Id id);
    // That utterance ended: spoken out, stopped, or failed.
    void finished(SpeechSynthesizer::Id id);
};

// The system speech synthesizer: QTextToSpeech on a thread of its own (speech-dispatcher preferred for its
// Mandarin and Cantonese voices). It lives in the media module, loaded on the first utterance, so an app that
// never speaks never loads or starts any of it. Without the module every utterance ends unheard.
class QtSpeechSynthesizer final : public SpeechSynthesizer {
    Q_OBJECT

public:
    explicit QtSpeechSynthesizer(QObject *parent = nullptr);
    ~QtSpeechSynthesizer() override;

    Id speak(const Utterance &utterance) override;
    bool isSpeaking() const override;
    void stopImmediately() override;

    // QTextToSpeech's pitch and rate run from -1 to 1 with 0 as normal; a multiplier m maps to log2(m), so an
    // octave up is the top of the range. Clamped to the range.
    static double enginePitch(float multiplier);
    static double engineRate(float factor);
    // The beginnings of voice names that speak `locale`, for engines that list some voices without a locale
    // Qt can map (speech-dispatcher's Mandarin voice among them).
    static QStringList voiceNameHints(const QString &locale);

private:
    SpeechSynthesizer *backend();

    std::unique_ptr<SpeechSynthesizer> m_backend;
    bool m_triedBackend = false;
    Id m_nextFallbackId = 1;
};
