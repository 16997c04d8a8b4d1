#include "RobotMoodRing.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>

RobotMoodRing::Look RobotMoodRing::look(double pulse) {
    return {0.55 + 0.3 * pulse, 0.18 + 0.25 * pulse, 1 + 0.06 * pulse, 0.62};
}

RobotMoodRing::RobotMoodRing(QQuickItem *parent) : RobotFrameItem(parent) {}

RobotMotion::FrameDemand RobotMoodRing::frameDemand() const {
    return RobotMotion::stageRingMoves(m_mood, m_reduceMotion) ? RobotMotion::FrameDemand::Full
                                                               : RobotMotion::FrameDemand::Still;
}

void RobotMoodRing::setColor(const QColor &color) {
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT colorChanged();
    update();
}

void RobotMoodRing::setMood(RobotMood mood) {
    if (mood == m_mood)
        return;
    m_mood = mood;
    Q_EMIT moodChanged();
    updateClock();
    update();
}

void RobotMoodRing::setReduceMotion(bool on) {
    if (on == m_reduceMotion)
        return;
    m_reduceMotion = on;
    Q_EMIT reduceMotionChanged();
    updateClock();
    update();
}

void RobotMoodRing::setAvatarSize(double size) {
    if (size == m_avatarSize)
        return;
    m_avatarSize = size;
    Q_EMIT avatarSizeChanged();
    update();
}

void RobotMoodRing::paint(QPainter *painter) {
    const Look ring = look(RobotMotion::stagePulse(now(), m_mood, m_reduceMotion));
    const double s = m_avatarSize;
    const QPointF centre(width() / 2, height() / 2);

    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    // The glow disc is 1.25 × s across; its gradient fades out at 0.62 × s from the centre.
    QColor inner = m_color;
    inner.setAlphaF(float(std::clamp(ring.glowOpacity, 0.0, 1.0)));
    QColor outer = m_color;
    outer.setAlphaF(0);
    QRadialGradient glow(centre, ring.glowRadius * s);
    glow.setColorAt(0, inner);
    glow.setColorAt(1, outer);
    painter->setBrush(glow);
    painter->drawEllipse(centre, 0.625 * s, 0.625 * s);

    QColor white(Qt::white);
    white.setAlphaF(float(ring.ringOpacity));
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(white, 1.5));
    const double radius = s * ring.ringScale / 2;
    painter->drawEllipse(centre, radius, radius);
}
