#include "SpeechSynthesizer.h"

#include <QTextToSpeech>

#include <algorithm>
#include <cmath>

namespace {

// Speech-dispatcher carries the espeak-ng voices, Mandarin and Cantonese among them; flite speaks English
// only.
const QString kPreferredEngine = QStringLiteral("speechd");

double clampedLog2(float value) {
    if (!(value > 0.0f))
        return -1.0;
    return std::clamp(std::log2(double(value)), -1.0, 1.0);
}

bool isCantonese(const QString &locale) {
    const QLocale parsed(locale);
    if (parsed.language() == QLocale::Cantonese)
        return true;
    return parsed.language() == QLocale::Chinese &&
           (parsed.territory() == QLocale::HongKong || parsed.territory() == QLocale::Macao);
}

} // namespace

QtSpeechSynthesizer::QtSpeechSynthesizer(QObject *parent) : SpeechSynthesizer(parent) {}

QtSpeechSynthesizer::~QtSpeechSynthesizer() = default;

double QtSpeechSynthesizer::enginePitch(float multiplier) {
    return clampedLog2(multiplier);
}

double QtSpeechSynthesizer::engineRate(float factor) {
    return clampedLog2(factor);
}

QStringList QtSpeechSynthesizer::voiceNameHints(const QString &locale) {
    if (isCantonese(locale))
        return {QStringLiteral("Chinese (Cantonese"), QStringLiteral("Cantonese"), QStringLiteral("yue")};
    const QLocale parsed(locale);
    switch (parsed.language()) {
    case QLocale::Chinese:
        return {QStringLiteral("Chinese (Mandarin"), QStringLiteral("Mandarin"), QStringLiteral("cmn")};
    case QLocale::AnyLanguage:
    case QLocale::C:
        return {};
    default:
        return {QLocale::languageToString(parsed.language())};
    }
}

QTextToSpeech *QtSpeechSynthesizer::engine() {
    if (m_engineTried)
        return m_engine.get();
    m_engineTried = true;
    const QStringList engines = QTextToSpeech::availableEngines();
    if (engines.isEmpty())
        return nullptr;
    const QString name = engines.contains(kPreferredEngine) ? kPreferredEngine : engines.first();
    auto engine = std::make_unique<QTextToSpeech>(name);
    if (engine->state() == QTextToSpeech::Error)
        return nullptr;
    connect(engine.get(), &QTextToSpeech::stateChanged, this, [this](QTextToSpeech::State state) {
        if (state == QTextToSpeech::Paused)
            return; // never paused by us
        onStateChanged(state == QTextToSpeech::Speaking, state == QTextToSpeech::Error);
    });
    m_engine = std::move(engine);
    return m_engine.get();
}

std::optional<QString> QtSpeechSynthesizer::voiceFor(const QString &locale) {
    if (const auto cached = m_voiceByLocale.constFind(locale); cached != m_voiceByLocale.cend())
        return *cached;
    if (!engine())
        return std::nullopt;
    const std::optional<QString> found = findVoice(locale);
    m_voiceByLocale.insert(locale, found);
    return found;
}

std::optional<QString> QtSpeechSynthesizer::findVoice(const QString &locale) {
    QTextToSpeech *tts = m_engine.get();
    const QLocale wanted(locale);
    QList<QLocale> candidates{wanted};
    if (isCantonese(locale))
        candidates.append(QLocale(QLocale::Cantonese, QLocale::HongKong));

    const QList<QLocale> offered = tts->availableLocales();
    const auto firstVoiceOf = [&](const QLocale &offeredLocale) -> std::optional<QString> {
        tts->setLocale(offeredLocale);
        const QList<QVoice> voices = tts->availableVoices();
        if (voices.isEmpty())
            return std::nullopt;
        m_voices.insert(voices.first().name(), voices.first());
        return voices.first().name();
    };
    for (const QLocale &candidate : candidates) {
        if (candidate.language() == QLocale::C || candidate.language() == QLocale::AnyLanguage)
            continue;
        for (const QLocale &offeredLocale : offered) {
            if (offeredLocale.language() == candidate.language() &&
                offeredLocale.territory() == candidate.territory()) {
                if (auto voice = firstVoiceOf(offeredLocale))
                    return voice;
            }
        }
        for (const QLocale &offeredLocale : offered) {
            if (offeredLocale.language() == candidate.language()) {
                if (auto voice = firstVoiceOf(offeredLocale))
                    return voice;
            }
        }
    }

    // Voices whose language the engine could not name as a locale are listed under no locale at all.
    const QStringList hints = voiceNameHints(locale);
    if (hints.isEmpty())
        return std::nullopt;
    tts->setLocale(QLocale::c());
    const QList<QVoice> unnamed = tts->availableVoices();
    for (const QString &hint : hints) {
        // The plain voice before its "+variant" forms.
        for (const bool plainOnly : {true, false}) {
            for (const QVoice &voice : unnamed) {
                const QString name = voice.name();
                if (plainOnly && name.contains(u'+'))
                    continue;
                if (name.startsWith(hint, Qt::CaseInsensitive)) {
                    m_voices.insert(name, voice);
                    return name;
                }
            }
        }
    }
    return std::nullopt;
}

SpeechSynthesizer::Id QtSpeechSynthesizer::speak(const Utterance &utterance) {
    QTextToSpeech *tts = engine();
    if (!tts)
        return 0;
    if (m_current != 0)
        stopImmediately();
    if (utterance.voice) {
        if (const auto voice = m_voices.constFind(*utterance.voice); voice != m_voices.cend()) {
            if (voice->locale() != QLocale::c())
                tts->setLocale(voice->locale());
            tts->setVoice(*voice);
        }
    }
    tts->setPitch(enginePitch(utterance.pitchMultiplier));
    tts->setRate(engineRate(utterance.rateFactor));
    const Id id = m_nextId++;
    m_current = id;
    m_currentStarted = false;
    tts->say(utterance.text);
    return id;
}

bool QtSpeechSynthesizer::isSpeaking() const {
    return m_current != 0 || (m_engine && m_engine->state() == QTextToSpeech::Speaking);
}

void QtSpeechSynthesizer::stopImmediately() {
    const Id stopped = std::exchange(m_current, 0);
    if (m_engine && (stopped != 0 || m_engine->state() == QTextToSpeech::Speaking))
        m_engine->stop(QTextToSpeech::BoundaryHint::Immediate);
    if (stopped != 0)
        Q_EMIT finished(stopped);
}

void QtSpeechSynthesizer::onStateChanged(bool speaking, bool failed) {
    if (m_current == 0)
        return; // the tail of an utterance already reported (a stop also ends in Ready)
    if (speaking) {
        if (!m_currentStarted) {
            m_currentStarted = true;
            Q_EMIT started(m_current);
        }
        return;
    }
    // Ready before Speaking is still the previous utterance winding down; an error ends this one.
    if (m_currentStarted || failed) {
        const Id ended = std::exchange(m_current, 0);
        Q_EMIT finished(ended);
    }
}
