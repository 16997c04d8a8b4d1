#include "RobotAvatarItem.h"

#include "ChatStrings.h"
#include "RobotFigure.h"
#include "RobotStore.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

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

QPointF RobotAvatarItem::figureOrigin() const {
    return {(width() - m_figureSize) / 2, (height() - 1.15 * m_figureSize) / 2};
}

RobotMotion::Values RobotAvatarItem::drawnMotion(double t, const QPointF &offset) const {
    RobotMotion::Values motion = RobotMotion::avatar(t, m_mood, m_reduceMotion);
    motion.bob = offset.y() / (m_figureSize / 100.0);
    return motion;
}

QPointF RobotAvatarItem::restOffset(qreal devicePixelRatio) const {
    if (m_figureSize <= 0 || devicePixelRatio <= 0)
        return {};
    const double bob = RobotMotion::avatar(now(), m_mood, m_reduceMotion).bob * m_figureSize / 100.0;
    return {0, std::round(bob * devicePixelRatio) / devicePixelRatio};
}

bool RobotAvatarItem::restLooksAsPainted() const {
    RobotMotion::Values painted = RobotMotion::avatar(m_restTime, m_mood, m_reduceMotion);
    RobotMotion::Values current = RobotMotion::avatar(now(), m_mood, m_reduceMotion);
    // The bob only moves the picture; a swinging arm is a part of its own; only a star shows its turn.
    painted.bob = current.bob = 0;
    if (armApart(m_mood, m_reduceMotion))
        painted.wave = current.wave = 0;
    if (m_robot.accessory != u"star")
        painted.starSpin = current.starSpin = 0;
    return painted == current;
}

QRect RobotAvatarItem::groundRect() const {
    if (m_figureSize <= 0)
        return {};
    const RobotFigure::Geometry g = RobotFigure::layout(m_robot, m_mood, {}, m_figureSize);
    // A pixel more for the antialiased edge.
    return RobotFigure::groundBounds(g).translated(figureOrigin()).adjusted(-1, -1, 1, 1).toAlignedRect();
}

void RobotAvatarItem::paintGround(QPainter *painter) {
    const double size = m_figureSize;
    if (size <= 0)
        return;
    painter->save();
    painter->translate(figureOrigin());
    RobotFigure::paint(*painter, m_robot,
                       RobotFigure::layout(m_robot, m_mood, drawnMotion(m_restTime, shownOffset()), size),
                       RobotFigure::Parts::Ground);
    painter->restore();
}

void RobotAvatarItem::paint(QPainter *painter) {
    const double size = m_figureSize;
    if (size <= 0)
        return;
    m_restTime = now();
    // The body as it is before the bob moves it.
    painter->save();
    painter->translate(figureOrigin());
    RobotFigure::paint(
        *painter, m_robot, RobotFigure::layout(m_robot, m_mood, drawnMotion(m_restTime, {}), size),
        armApart(m_mood, m_reduceMotion) ? RobotFigure::Parts::BodyButRightArm : RobotFigure::Parts::Body);
    painter->restore();
}

QRect RobotAvatarItem::partRect() const {
    const double size = m_figureSize;
    if (size <= 0 || !armApart(m_mood, m_reduceMotion))
        return {};
    // Asked on every tick: worked out again only for another size.
    const std::array<double, 3> key{size, width(), height()};
    if (key != m_partRectFor) {
        m_partRectFor = key;
        m_partRect = sweptArmRect();
    }
    return m_partRect;
}

QRect RobotAvatarItem::sweptArmRect() const {
    const double size = m_figureSize;
    const RobotFigure::Geometry g = RobotFigure::layout(m_robot, m_mood, {}, size);
    // The arm's swing, from the wave's one end to the other (the arm hangs from its pivot, which moves with
    // the body: the part moves with the rest's offset): every degree of it, and a pixel more for the
    // antialiased edge and what lies between two degrees.
    const double kWave = RobotMotion::avatar(M_PI / 16, RobotMood::Waving, false).wave; // sin(8t) = 1
    const double from = -(20 + 4 * kWave), to = -(20 - 4 * kWave);
    const QRectF arm(-g.arm.width() / 2, 0, g.arm.width(), g.arm.height());
    QRectF swept;
    for (double angle = from; angle <= to + 0.5; angle += 1) {
        QTransform turn;
        turn.translate(RobotFigure::rightArmPivot(g).x(), RobotFigure::rightArmPivot(g).y());
        turn.rotate(angle);
        swept |= turn.mapRect(arm);
    }
    return swept.translated(figureOrigin()).adjusted(-1, -1, 1, 1).toAlignedRect();
}

void RobotAvatarItem::paintPart(QPainter *painter) {
    const double size = m_figureSize;
    if (size <= 0)
        return;
    // The arm's swing of now, on the body where the rest of the figure was drawn, before the bob moves both.
    RobotMotion::Values motion = drawnMotion(m_restTime, {});
    motion.wave = RobotMotion::avatar(now(), m_mood, m_reduceMotion).wave;
    painter->save();
    painter->translate(figureOrigin());
    RobotFigure::paint(*painter, m_robot, RobotFigure::layout(m_robot, m_mood, motion, size),
                       RobotFigure::Parts::RightArm);
    painter->restore();
}
