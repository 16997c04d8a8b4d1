#include "FakeSpeech.h"

#include <QPointer>
#include <QTimer>

#include <QCoro/QCoroTimer>

#include <chrono>

SpeechSynthesizer::Id FakeSpeechSynthesizer::speak(const Utterance &utterance) {
    if (m_current != 0)
        stopImmediately();
    m_current = m_next++;
    if (!hasEngine) {
        const Id id = m_current;
        QTimer::singleShot(0, this, [this, id] {
            if (m_current == id) {
                m_current = 0;
                Q_EMIT finished(id);
            }
        });
        return id;
    }
    spoken.append(utterance);
    std::optional<QString> voice;
    for (const QString &locale : utterance.locales) {
        if (voices.contains(locale)) {
            voice = voices.value(locale);
            break;
        }
    }
    voicesUsed.append(voice);
    if (startsByItself) {
        const Id id = m_current;
        QTimer::singleShot(0, this, [this, id] {
            if (m_current == id)
                Q_EMIT started(id);
        });
    }
    return m_current;
}

void FakeSpeechSynthesizer::stopImmediately() {
    ++stopCount;
    const Id stopped = std::exchange(m_current, 0);
    if (stopped != 0)
        Q_EMIT finished(stopped);
}

void FakeSpeechSynthesizer::startCurrent() {
    if (m_current != 0)
        Q_EMIT started(m_current);
}

void FakeSpeechSynthesizer::finishCurrent() {
    const Id ended = std::exchange(m_current, 0);
    if (ended != 0)
        Q_EMIT finished(ended);
}

QCoro::Task<bool> FakeAudioPlayer::load(QByteArray bytes) {
    loaded = bytes;
    QPointer<FakeAudioPlayer> self(this);
    co_await QCoro::sleepFor(std::chrono::milliseconds(m_script.loadDelayMs));
    co_return self &&m_script.loads;
}

void FakeAudioPlayer::play() {
    ++playCount;
    if (m_script.startsOnPlay)
        QTimer::singleShot(0, this, [this] { Q_EMIT started(); });
}
