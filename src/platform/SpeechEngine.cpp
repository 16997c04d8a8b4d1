#include "SpeechSynthesizer.h"

#include <QHash>
#include <QTextToSpeech>
#include <QThread>
#include <QVoice>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>

namespace {

// Speech-dispatcher carries the espeak-ng voices, Mandarin and Cantonese among them; flite speaks English
// only.
const QString kPreferredEngine = QStringLiteral("speechd");

bool isCantonese(const QLocale &locale) {
    if (locale.language() == QLocale::Cantonese)
        return true;
    return locale.language() == QLocale::Chinese &&
           (locale.territory() == QLocale::HongKong || locale.territory() == QLocale::Macao);
}

// espeak-ng names its regional voices by place ("English (America)"), not by territory code.
QString territoryHint(QLocale::Territory territory) {
    switch (territory) {
    case QLocale::UnitedStates:
        return QStringLiteral("America");
    case QLocale::UnitedKingdom:
        return QStringLiteral("Great Britain");
    default:
        return QLocale::territoryToString(territory);
    }
}

} // namespace

class QtSpeechEngine;

// Over QTextToSpeech, run on a thread of its own: speech-dispatcher takes seconds to start, and a daemon
// left without an audio device can block every later call, so nothing of it may run on the UI thread. The
// engine is started on the first utterance; speech-dispatcher is preferred for its Mandarin and Cantonese
// voices. Built into the media module only; the app reaches it through QtSpeechSynthesizer.
class ThreadedSpeechSynthesizer final : public SpeechSynthesizer {
public:
    ThreadedSpeechSynthesizer();
    ~ThreadedSpeechSynthesizer() override;

    Id speak(const Utterance &utterance) override;
    bool isSpeaking() const override { return m_current != 0; }
    void stopImmediately() override;

    void onEngineStarted(Id id);
    void onEngineFinished(Id id);

private:
    // Cleared when this object goes, so that a worker left behind stops reporting.
    std::shared_ptr<std::atomic<bool>> m_alive;
    QThread *m_thread = nullptr;
    QtSpeechEngine *m_engine = nullptr; // lives on m_thread
    Id m_nextId = 1;
    Id m_current = 0;
};

// The worker side: owns the QTextToSpeech and runs every call to it on the synthesizer's own thread. It
// reports back to the synthesizer through queued calls, which are dropped once the synthesizer is gone.
class QtSpeechEngine : public QObject {
public:
    using Id = SpeechSynthesizer::Id;

    QtSpeechEngine(ThreadedSpeechSynthesizer *owner, std::shared_ptr<std::atomic<bool>> ownerAlive)
        : m_owner(owner), m_ownerAlive(std::move(ownerAlive)) {}

    void speak(Id id, const SpeechSynthesizer::Utterance &utterance) {
        QTextToSpeech *tts = engine();
        if (!tts) {
            report(id, false); // no engine: nothing is heard
            return;
        }
        if (m_current != 0) {
            m_current = 0;
            tts->stop(QTextToSpeech::BoundaryHint::Immediate);
        }
        for (const QString &locale : utterance.locales) {
            if (const std::optional<QVoice> voice = voiceFor(locale)) {
                if (voice->locale() != QLocale::c())
                    tts->setLocale(voice->locale());
                tts->setVoice(*voice);
                break;
            }
        }
        tts->setPitch(QtSpeechSynthesizer::enginePitch(utterance.pitchMultiplier));
        tts->setRate(QtSpeechSynthesizer::engineRate(utterance.rateFactor));
        m_current = id;
        m_started = false;
        tts->say(utterance.text);
    }

    void stop(Id id) {
        if (m_current != id || !m_tts)
            return;
        m_current = 0;
        m_tts->stop(QTextToSpeech::BoundaryHint::Immediate);
    }

private:
    QTextToSpeech *engine() {
        if (m_tried)
            return m_tts.get();
        m_tried = true;
        const QStringList engines = QTextToSpeech::availableEngines();
        if (engines.isEmpty())
            return nullptr;
        const QString name = engines.contains(kPreferredEngine) ? kPreferredEngine : engines.first();
        auto tts = std::make_unique<QTextToSpeech>(name);
        if (tts->state() == QTextToSpeech::Error)
            return nullptr;
        connect(tts.get(), &QTextToSpeech::stateChanged, this,
                [this](QTextToSpeech::State state) { onStateChanged(state); });
        m_tts = std::move(tts);
        return m_tts.get();
    }

    void onStateChanged(QTextToSpeech::State state) {
        if (m_current == 0)
            return; // the tail of an utterance already ended (a stop also ends in Ready)
        if (state == QTextToSpeech::Speaking) {
            if (!m_started) {
                m_started = true;
                report(m_current, true);
            }
            return;
        }
        // Ready before Speaking is still the previous utterance winding down; an error ends this one.
        if ((state == QTextToSpeech::Ready && m_started) || state == QTextToSpeech::Error)
            report(std::exchange(m_current, 0), false);
    }

    std::optional<QVoice> voiceFor(const QString &locale) {
        if (const auto cached = m_voices.constFind(locale); cached != m_voices.cend())
            return *cached;
        const std::optional<QVoice> found = findVoice(locale);
        m_voices.insert(locale, found);
        return found;
    }

    // A plain voice (not one of its "+variant" forms), preferring one named after the territory.
    static std::optional<QVoice> pick(const QList<QVoice> &voices, const QLocale &wanted) {
        const QString place = territoryHint(wanted.territory());
        std::optional<QVoice> plain;
        for (const QVoice &voice : voices) {
            if (voice.name().contains(u'+'))
                continue;
            if (wanted.territory() != QLocale::AnyTerritory &&
                voice.name().contains(place, Qt::CaseInsensitive))
                return voice;
            if (!plain)
                plain = voice;
        }
        if (plain)
            return plain;
        if (!voices.isEmpty())
            return voices.first();
        return std::nullopt;
    }

    std::optional<QVoice> findVoice(const QString &tag) {
        QTextToSpeech *tts = m_tts.get();
        const QLocale wanted(tag);
        QList<QLocale> candidates;
        if (wanted.language() != QLocale::C && wanted.language() != QLocale::AnyLanguage)
            candidates.append(wanted);
        if (isCantonese(wanted))
            candidates.append(QLocale(QLocale::Cantonese, QLocale::HongKong));

        const QList<QLocale> offered = tts->availableLocales();
        for (const QLocale &candidate : candidates) {
            for (const bool sameTerritory : {true, false}) {
                for (const QLocale &offeredLocale : offered) {
                    if (offeredLocale.language() != candidate.language() ||
                        (sameTerritory && offeredLocale.territory() != candidate.territory()))
                        continue;
                    tts->setLocale(offeredLocale);
                    if (auto voice = pick(tts->availableVoices(), candidate))
                        return voice;
                }
            }
        }

        // Voices whose language the engine could not name as a locale are listed under no locale at all.
        const QStringList hints = QtSpeechSynthesizer::voiceNameHints(tag);
        if (hints.isEmpty())
            return std::nullopt;
        tts->setLocale(QLocale::c());
        const QList<QVoice> unnamed = tts->availableVoices();
        for (const QString &hint : hints) {
            QList<QVoice> matching;
            for (const QVoice &voice : unnamed) {
                if (voice.name().startsWith(hint, Qt::CaseInsensitive))
                    matching.append(voice);
            }
            if (auto voice = pick(matching, QLocale(QLocale::AnyLanguage, QLocale::AnyTerritory)))
                return voice;
        }
        return std::nullopt;
    }

    void report(Id id, bool started) {
        if (!*m_ownerAlive)
            return;
        ThreadedSpeechSynthesizer *owner = m_owner;
        QMetaObject::invokeMethod(
            owner,
            [owner, id, started] {
                if (started)
                    owner->onEngineStarted(id);
                else
                    owner->onEngineFinished(id);
            },
            Qt::QueuedConnection);
    }

    ThreadedSpeechSynthesizer *m_owner;
    std::shared_ptr<std::atomic<bool>> m_ownerAlive;
    std::unique_ptr<QTextToSpeech> m_tts;
    bool m_tried = false;
    QHash<QString, std::optional<QVoice>> m_voices; // by locale tag
    Id m_current = 0;
    bool m_started = false;

    friend class ThreadedSpeechSynthesizer;
};

namespace {
// How long closing waits for an engine call in progress; a wedged daemon is left behind rather than waited
// on.
constexpr unsigned long kShutdownWaitMs = 2000;
} // namespace

ThreadedSpeechSynthesizer::ThreadedSpeechSynthesizer() : m_alive(std::make_shared<std::atomic<bool>>(true)) {}

ThreadedSpeechSynthesizer::~ThreadedSpeechSynthesizer() {
    *m_alive = false;
    if (!m_thread)
        return;
    m_thread->quit();
    if (m_thread->wait(kShutdownWaitMs)) {
        delete m_thread; // the engine went with the thread's end (deleteLater)
        return;
    }
    // The engine is stuck in a call that does not return: the thread and its engine are left to themselves
    // (deleting a running thread would abort). They no longer report.
}

SpeechSynthesizer::Id ThreadedSpeechSynthesizer::speak(const Utterance &utterance) {
    if (m_current != 0)
        stopImmediately();
    if (!m_thread) {
        m_thread = new QThread();
        m_thread->setObjectName(QStringLiteral("speech"));
        m_engine = new QtSpeechEngine(this, m_alive);
        m_engine->moveToThread(m_thread);
        connect(m_thread, &QThread::finished, m_engine, &QObject::deleteLater);
        m_thread->start();
    }
    const Id id = m_nextId++;
    m_current = id;
    QtSpeechEngine *engine = m_engine;
    QMetaObject::invokeMethod(
        engine, [engine, id, utterance] { engine->speak(id, utterance); }, Qt::QueuedConnection);
    return id;
}

void ThreadedSpeechSynthesizer::stopImmediately() {
    const Id stopped = std::exchange(m_current, 0);
    if (stopped == 0)
        return;
    QtSpeechEngine *engine = m_engine;
    QMetaObject::invokeMethod(
        engine, [engine, stopped] { engine->stop(stopped); }, Qt::QueuedConnection);
    Q_EMIT finished(stopped);
}

void ThreadedSpeechSynthesizer::onEngineStarted(Id id) {
    if (id != 0 && id == m_current)
        Q_EMIT started(id);
}

void ThreadedSpeechSynthesizer::onEngineFinished(Id id) {
    if (id == 0 || id != m_current)
        return; // already ended here (stopped), or an older utterance
    m_current = 0;
    Q_EMIT finished(id);
}

// The media module's factory, looked up by name when the app speaks for the first time.
extern "C" Q_DECL_EXPORT SpeechSynthesizer *qvl_make_speech_synthesizer() {
    return new ThreadedSpeechSynthesizer();
}
