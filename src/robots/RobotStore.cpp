#include "RobotStore.h"

#include "AppSession.h"
#include "ErrorText.h"
#include "Platform.h"
#include "RobotsAPIClient.h"
#include "RobotsLogging.h"
#include "UserDefaults.h"

#include <QPointer>
#include <QQmlEngine>

namespace {

const QString kDefaultLanguage = QStringLiteral("zh-CN");
const QString kDefaultModelPref = QStringLiteral("auto");

// A stored value counts only when it was stored as a text.
std::optional<QString> storedText(const UserDefaults &defaults, const QString &key) {
    const QVariant value = defaults.object(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace

RobotStore::RobotStore(QObject *parent) : QObject(parent) {
    const UserDefaults &defaults = Platform::userDefaults();
    m_language = storedText(defaults, kLanguageKey).value_or(kDefaultLanguage);
    m_voice = storedText(defaults, kVoiceKey);
    m_modelPref = storedText(defaults, kModelPrefKey).value_or(kDefaultModelPref);
    const QVariant autoSpeak = defaults.object(kAutoSpeakKey);
    m_autoSpeak = autoSpeak.typeId() == QMetaType::Bool ? autoSpeak.toBool() : true;
}

RobotStore &RobotStore::shared() {
    static RobotStore *const instance = new RobotStore();
    return *instance;
}

RobotStore *RobotStore::create(QQmlEngine *, QJSEngine *) {
    RobotStore *store = &shared();
    QQmlEngine::setObjectOwnership(store, QQmlEngine::CppOwnership);
    return store;
}

RobotStore::Derived RobotStore::derived() const {
    return {catalog(), languageInEffect(), languageLabel()};
}

void RobotStore::announceDerived(const Derived &before) {
    const Derived after = derived();
    if (after.languageInEffect != before.languageInEffect)
        Q_EMIT languageInEffectChanged();
    if (!(after.catalog == before.catalog))
        Q_EMIT catalogChanged();
    if (after.languageLabel != before.languageLabel)
        Q_EMIT languageLabelChanged();
}

void RobotStore::setCatalog(const QString &code, const RobotCatalog &catalog) {
    const Derived before = derived();
    const auto existing = m_catalogs.constFind(code);
    const bool changed = existing == m_catalogs.cend() || !(*existing == catalog);
    m_catalogs.insert(code, catalog);
    if (changed)
        Q_EMIT catalogsChanged();
    announceDerived(before);
}

void RobotStore::setLanguage(const QString &language) {
    const Derived before = derived();
    const bool changed = language != m_language;
    const bool hadActive = m_activeLanguage.has_value();
    m_language = language;
    Platform::userDefaults().setString(kLanguageKey, language);
    m_activeLanguage.reset();
    if (changed)
        Q_EMIT languageChanged();
    if (hadActive)
        Q_EMIT activeLanguageChanged();
    announceDerived(before);
}

void RobotStore::setActiveLanguage(const std::optional<QString> &language) {
    if (language == m_activeLanguage)
        return;
    const Derived before = derived();
    m_activeLanguage = language;
    Q_EMIT activeLanguageChanged();
    announceDerived(before);
}

void RobotStore::resetActiveLanguage() {
    setActiveLanguage(std::nullopt);
}

void RobotStore::setVoice(const std::optional<QString> &voice) {
    const bool changed = voice != m_voice;
    m_voice = voice;
    if (voice)
        Platform::userDefaults().setString(kVoiceKey, *voice);
    else
        Platform::userDefaults().remove(kVoiceKey);
    if (changed)
        Q_EMIT voiceChanged();
}

void RobotStore::setVoiceText(const QString &voice) {
    setVoice(voice.isEmpty() ? std::nullopt : std::optional<QString>(voice));
}

void RobotStore::setModelPref(const QString &pref) {
    const bool changed = pref != m_modelPref;
    m_modelPref = pref;
    Platform::userDefaults().setString(kModelPrefKey, pref);
    if (changed)
        Q_EMIT modelPrefChanged();
}

void RobotStore::setAutoSpeak(bool on) {
    const bool changed = on != m_autoSpeak;
    m_autoSpeak = on;
    Platform::userDefaults().setBool(kAutoSpeakKey, on);
    if (changed)
        Q_EMIT autoSpeakChanged();
}

RobotCatalog RobotStore::catalog() const {
    if (const auto inEffect = m_catalogs.constFind(languageInEffect()); inEffect != m_catalogs.cend())
        return *inEffect;
    if (const auto own = m_catalogs.constFind(m_language); own != m_catalogs.cend())
        return *own;
    return builtInCatalog();
}

QString RobotStore::languageLabel() const {
    const QString code = languageInEffect();
    if (const auto language = catalog().language(code))
        return language->label;
    return code;
}

std::optional<RobotCatalog::Voice> RobotStore::voiceForScene(const QString &sceneId) const {
    const RobotCatalog inUse = catalog();
    if (const auto chosen = inUse.voice(m_voice))
        return chosen;
    // A fetched catalog may come without scenes or robots; then there is no robot whose voice to take.
    const auto robot = inUse.robot(sceneId);
    if (!robot)
        return std::nullopt;
    return inUse.voice(robot->defaultVoice);
}

QString RobotStore::speechLanguage() const {
    const QString code = languageInEffect();
    if (const auto language = catalog().language(code))
        return language->ttsLocale;
    if (const auto language = builtInCatalog().language(code))
        return language->ttsLocale;
    return code;
}

RobotCharacter RobotStore::robotFor(const QString &sceneId) const {
    return catalog().robot(sceneId).value_or(RobotCharacter{});
}

RobotScene RobotStore::sceneFor(const QString &sceneId) const {
    return catalog().scene(sceneId).value_or(RobotScene{});
}

QCoro::Task<void> RobotStore::loadCatalog(AppSession *session, bool force) {
    // Everything taken from the session and the store is read before the first wait.
    const QString code = languageInEffect();
    if (!force && m_catalogs.contains(code))
        co_return;
    if (!session)
        co_return;
    QPointer<RobotStore> self(this);
    std::optional<RobotCatalog> fetched;
    try {
        fetched = co_await RobotsAPIClient().fetchCatalog(code, *session);
    } catch (...) {
        // The catalog in use stays; the next language change or sign-in asks again.
        qCInfo(lcRobots) << "robot catalog not loaded:" << failureSummary(std::current_exception());
        co_return;
    }
    if (!fetched) // no address to ask
        co_return;
    if (!self)
        co_return;
    // The lookups of the catalog in use need at least one scene and one robot.
    if (fetched->scenes.isEmpty() || fetched->robots.isEmpty())
        co_return;
    setCatalog(code, *fetched);
}

QCoro::Task<bool> RobotStore::followLanguage(std::optional<QString> code, AppSession *session) {
    if (!code || code->isEmpty() || *code == languageInEffect())
        co_return false;
    setActiveLanguage(*code == m_language ? std::nullopt : code);
    co_await loadCatalog(session, false);
    co_return true;
}
