#include "RobotSceneBannerModel.h"

#include "AppSession.h"
#include "ChatStrings.h"
#include "RobotStore.h"
#include "SpeechPlayer.h"

RobotSceneBannerModel::RobotSceneBannerModel(QObject *parent)
    : RobotSceneBannerModel(RobotStore::shared(), SpeechPlayer::shared(), parent) {}

RobotSceneBannerModel::RobotSceneBannerModel(RobotStore &store, SpeechPlayer &player, QObject *parent)
    : ScreenViewModel(parent), m_store(store), m_player(player) {
    connect(&m_store, &RobotStore::catalogChanged, this, &RobotSceneBannerModel::contentChanged);
    connect(&m_store, &RobotStore::languageInEffectChanged, this, &RobotSceneBannerModel::contentChanged);
    connect(&m_player, &SpeechPlayer::speakingIdChanged, this, &RobotSceneBannerModel::onSpeakingIdChanged);
}

void RobotSceneBannerModel::setScene(const QString &scene) {
    if (scene == m_scene)
        return;
    m_scene = scene;
    Q_EMIT sceneChanged();
    Q_EMIT contentChanged();
}

void RobotSceneBannerModel::setMood(RobotMood mood) {
    if (mood == m_mood)
        return;
    const RobotMood before = avatarMood();
    m_mood = mood;
    Q_EMIT moodChanged();
    if (avatarMood() != before)
        Q_EMIT avatarMoodChanged();
}

void RobotSceneBannerModel::setBubble(const QString &bubble) {
    if (bubble == m_bubble)
        return;
    m_bubble = bubble;
    Q_EMIT bubbleChanged();
    Q_EMIT contentChanged();
}

void RobotSceneBannerModel::setCompact(bool compact) {
    if (compact == m_compact)
        return;
    m_compact = compact;
    Q_EMIT compactChanged();
}

RobotCharacter RobotSceneBannerModel::robot() const {
    return m_store.robotFor(m_scene);
}

QString RobotSceneBannerModel::nameLine() const {
    return robot().name + QStringLiteral(" · ") +
           ChatStrings::forLanguage(m_store.languageInEffect()).robotTag;
}

QString RobotSceneBannerModel::bubbleText() const {
    return m_bubble.isEmpty() ? m_store.sceneFor(m_scene).greeting : m_bubble;
}

QString RobotSceneBannerModel::greetHint() const {
    return ChatStrings::forLanguage(m_store.languageInEffect()).greetHint;
}

bool RobotSceneBannerModel::speaking() const {
    return m_player.speakingId() == m_greetId;
}

void RobotSceneBannerModel::onSpeakingIdChanged() {
    const bool now = speaking();
    if (now == m_speaking)
        return;
    const RobotMood before = m_speaking ? RobotMood::Speaking : m_mood;
    m_speaking = now;
    Q_EMIT speakingChanged();
    if (avatarMood() != before)
        Q_EMIT avatarMoodChanged();
}

void RobotSceneBannerModel::tap() {
    // The greeting is read even while the bubble shows the caller's own text.
    m_player.toggleSpeech(m_store.sceneFor(m_scene).greeting, m_greetId, session(), m_scene);
}

void RobotSceneBannerModel::appear() {
    m_store.loadCatalog(session(), false);
}
