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

namespace {
bool armApart(RobotMood mood, bool reduceMotion) {
    return mood == RobotMood::Waving && !reduceMotion;
}
} // namespace

void RobotAvatarItem::paint(QPainter *painter) {
    const double size = m_figureSize;
    if (size <= 0)
        return;
    m_restTime = now();
    const RobotMotion::Values motion = RobotMotion::avatar(m_restTime, m_mood, m_reduceMotion);
    painter->save();
    painter->translate((width() - size) / 2, (height() - 1.15 * size) / 2);
    RobotFigure::paint(*painter, m_robot, RobotFigure::layout(m_robot, m_mood, motion, size),
                       armApart(m_mood, m_reduceMotion) ? RobotFigure::Parts::AllButRightArm
                                                        : RobotFigure::Parts::All);
    painter->restore();
}

QRect RobotAvatarItem::partRect() const {
    const double size = m_figureSize;
    if (size <= 0 || !armApart(m_mood, m_reduceMotion))
        return {};
    const RobotFigure::Geometry g = RobotFigure::layout(m_robot, m_mood, {}, size);
    const QPointF pivot =
        RobotFigure::rightArmPivot(g) + QPointF((width() - size) / 2, (height() - 1.15 * size) / 2);
    // The arm turns all the way round its pivot, which moves up and down with the body (the bob, at most
    // 3 units either way); a pixel more for the antialiased edge.
    const double across = RobotFigure::rightArmReach(g) + 1;
    const double upDown = across + 3 * g.unit;
    return QRectF(pivot.x() - across, pivot.y() - upDown, 2 * across, 2 * upDown).toAlignedRect();
}

void RobotAvatarItem::paintPart(QPainter *painter) {
    const double size = m_figureSize;
    if (size <= 0)
        return;
    // The arm's swing of now, on the body where the rest of the figure was drawn.
    RobotMotion::Values motion = RobotMotion::avatar(m_restTime, m_mood, m_reduceMotion);
    motion.wave = RobotMotion::avatar(now(), m_mood, m_reduceMotion).wave;
    painter->save();
    painter->translate((width() - size) / 2, (height() - 1.15 * size) / 2);
    RobotFigure::paint(*painter, m_robot, RobotFigure::layout(m_robot, m_mood, motion, size),
                       RobotFigure::Parts::RightArm);
    painter->restore();
}
