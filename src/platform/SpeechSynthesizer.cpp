#include "SpeechSynthesizer.h"

#include "MediaModule.h"
#include "PlatformLogging.h"

#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

double clampedLog2(float value) {
    if (!(value > 0.0f))
        return -1.0;
    return std::clamp(std::log2(double(value)), -1.0, 1.0);
}

bool isCantonese(const QLocale &locale) {
    if (locale.language() == QLocale::Cantonese)
        return true;
    return locale.language() == QLocale::Chinese &&
           (locale.territory() == QLocale::HongKong || locale.territory() == QLocale::Macao);
}

} // namespace

QtSpeechSynthesizer::QtSpeechSynthesizer(QObject *parent) : SpeechSynthesizer(parent) {}

QtSpeechSynthesizer::~QtSpeechSynthesizer() = default;

SpeechSynthesizer *QtSpeechSynthesizer::backend() {
    if (m_triedBackend)
        return m_backend.get();
    m_triedBackend = true;
    using Factory = SpeechSynthesizer *(*)();
    const auto factory = reinterpret_cast<Factory>(MediaModule::resolve("qvl_make_speech_synthesizer"));
    if (!factory)
        return nullptr;
    m_backend.reset(factory());
    connect(m_backend.get(), &SpeechSynthesizer::started, this, &SpeechSynthesizer::started);
    connect(m_backend.get(), &SpeechSynthesizer::finished, this, &SpeechSynthesizer::finished);
    return m_backend.get();
}

SpeechSynthesizer::Id QtSpeechSynthesizer::speak(const Utterance &utterance) {
    if (SpeechSynthesizer *engine = backend())
        return engine->speak(utterance);
    // No media module: nothing is heard, and the utterance ends at once.
    const Id id = m_nextFallbackId++;
    QTimer::singleShot(0, this, [this, id] { Q_EMIT finished(id); });
    return id;
}

bool QtSpeechSynthesizer::isSpeaking() const {
    return m_backend && m_backend->isSpeaking();
}

void QtSpeechSynthesizer::stopImmediately() {
    if (m_backend)
        m_backend->stopImmediately();
}

double QtSpeechSynthesizer::enginePitch(float multiplier) {
    return clampedLog2(multiplier);
}

double QtSpeechSynthesizer::engineRate(float factor) {
    return clampedLog2(factor);
}

QStringList QtSpeechSynthesizer::voiceNameHints(const QString &locale) {
    const QLocale parsed(locale);
    if (isCantonese(parsed))
        return {QStringLiteral("Chinese (Cantonese"), QStringLiteral("Cantonese"), QStringLiteral("yue")};
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
