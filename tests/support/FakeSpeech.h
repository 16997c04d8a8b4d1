#pragma once

#include "AudioPlayer.h"
#include "SpeechSynthesizer.h"

#include <QHash>
#include <QList>

#include <memory>
#include <optional>

// A synthesizer that speaks nothing: it records what it is handed and starts and finishes when told (or, if
// set up so, on its own on a later event-loop turn).
class FakeSpeechSynthesizer final : public SpeechSynthesizer {
    Q_OBJECT

public:
    // Voices by locale; a locale missing here has no voice.
    QHash<QString, QString> voices{{QStringLiteral("zh-CN"), QStringLiteral("fake-zh")}};
    // Without an engine an utterance is reported finished, never started, on the next event-loop turn.
    bool hasEngine = true;
    // Report `started` on the next event-loop turn after `speak` (else only on `startCurrent`).
    bool startsByItself = true;

    QList<Utterance> spoken;
    // The voice each utterance got: the voice of its first locale that has one, else none.
    QList<std::optional<QString>> voicesUsed;
    int stopCount = 0;

    Id speak(const Utterance &utterance) override;
    bool isSpeaking() const override { return m_current != 0; }
    void stopImmediately() override;

    Id current() const { return m_current; }
    void startCurrent();
    // Ends the current utterance as if spoken out.
    void finishCurrent();
    // Reports an end for any id, as a late report of an old utterance would.
    void reportFinished(Id id) { Q_EMIT finished(id); }

private:
    Id m_next = 1;
    Id m_current = 0;
};

// Audio players that play nothing. One factory per test makes them and keeps track of each.
class FakeAudioPlayer final : public AudioPlayer {
    Q_OBJECT

public:
    struct Script {
        bool loads = true;        // whether the bytes can be made into a player
        int loadDelayMs = 0;      // how long loading takes
        bool startsOnPlay = true; // report `started` on the next event-loop turn after `play`
        qint64 durationMs = 300;
    };

    explicit FakeAudioPlayer(Script script) : m_script(script) {}

    QCoro::Task<bool> load(QByteArray bytes) override;
    void play() override;
    void stop() override { ++stopCount; }
    qint64 durationMs() const override { return m_script.durationMs; }

    void finish(bool successfully = true) { Q_EMIT finished(successfully); }
    void start() { Q_EMIT started(); }

    QByteArray loaded;
    int playCount = 0;
    int stopCount = 0;

private:
    Script m_script;
};

class FakeAudioFactory {
public:
    FakeAudioPlayer::Script script;
    QList<std::shared_ptr<FakeAudioPlayer>> made;

    // The factory function to hand to the speech player.
    std::function<std::shared_ptr<AudioPlayer>()> function() {
        return [this] {
            auto player = std::make_shared<FakeAudioPlayer>(script);
            made.append(player);
            return std::static_pointer_cast<AudioPlayer>(player);
        };
    }
};
