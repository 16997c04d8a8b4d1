#include "RobotAvatarItem.h"

#include "ChatStrings.h"
#include "RobotFigure.h"
#include "RobotStore.h"

#include <QPainter>

RobotAvatarItem::RobotAvatarItem(QQuickItem *parent) : RobotFrameItem(parent) {
    RobotStore &store = RobotStore::shared();
    connect(&store, &RobotStore::languageInEffectChanged, this, &RobotAvatarItem::accessibleLabelChanged);
}

void RobotAvatarItem::setRobot(const RobotCharacter &robot) {
    if (robot == m_robot)
        return;
    m_robot = robot;
    Q_EMIT robotChanged();
    Q_EMIT accessibleLabelChanged();
    update();
}

void RobotAvatarItem::setMood(RobotMood mood) {
    if (mood == m_mood)
        return;
    m_mood = mood;
    Q_EMIT moodChanged();
    Q_EMIT accessibleLabelChanged();
    updateClock();
    update();
}

void RobotAvatarItem::setFigureSize(double size) {
    if (size == m_figureSize)
        return;
    m_figureSize = size;
    Q_EMIT figureSizeChanged();
    update();
}

void RobotAvatarItem::setReduceMotion(bool on) {
    if (on == m_reduceMotion)
        return;
    m_reduceMotion = on;
    Q_EMIT reduceMotionChanged();
    updateClock();
    update();
}

QString RobotAvatarItem::accessibleLabel() const {
    return accessibleLabel(m_robot, m_mood, RobotStore::shared().languageInEffect());
}

QString RobotAvatarItem::accessibleLabel(const RobotCharacter &robot, RobotMood mood,
                                         const QString &languageCode) {
    const ChatStrings &texts = ChatStrings::forLanguage(languageCode);
    QStringList parts{robot.name, texts.robotTag};
    if (mood == RobotMood::Thinking)
        parts << texts.a11yThinking;
    else if (mood == RobotMood::Speaking)
        parts << texts.a11ySpeaking;
    return parts.join(QStringLiteral(", "));
}

RobotMotion::FrameDemand RobotAvatarItem::frameDemand() const {
    return RobotMotion::avatarDemand(m_mood, m_reduceMotion);
}

void RobotAvatarItem::paint(QPainter *painter) {
    const double size = m_figureSize;
    if (size <= 0)
        return;
    const RobotMotion::Values motion = RobotMotion::avatar(now(), m_mood, m_reduceMotion);
    painter->save();
    painter->translate((width() - size) / 2, (height() - 1.15 * size) / 2);
    RobotFigure::paint(*painter, m_robot, RobotFigure::layout(m_robot, m_mood, motion, size));
    painter->restore();
}
