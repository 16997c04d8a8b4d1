#include "RobotStageModel.h"

#include "ChatStrings.h"
#include "RobotStore.h"
#include "Theme.h"

RobotStageModel::RobotStageModel(QObject *parent) : RobotStageModel(RobotStore::shared(), parent) {}

RobotStageModel::RobotStageModel(RobotStore &store, QObject *parent) : QObject(parent), m_store(store) {
    connect(&m_store, &RobotStore::languageInEffectChanged, this, &RobotStageModel::textsChanged);
}

void RobotStageModel::setRobot(const RobotCharacter &robot) {
    if (robot == m_robot)
        return;
    m_robot = robot;
    Q_EMIT robotChanged();
}

void RobotStageModel::setMood(RobotMood mood) {
    if (mood == m_mood)
        return;
    m_mood = mood;
    Q_EMIT moodChanged();
}

void RobotStageModel::setCompact(bool compact) {
    if (compact == m_compact)
        return;
    m_compact = compact;
    Q_EMIT compactChanged();
}

QColor RobotStageModel::dotColor() const {
    return active() ? Theme::brandAmber() : Theme::brandMint();
}

QString RobotStageModel::tagline() const {
    return ChatStrings::forLanguage(m_store.languageInEffect()).tagline;
}

QString RobotStageModel::autoLanguage() const {
    return ChatStrings::forLanguage(m_store.languageInEffect()).autoLanguage;
}
