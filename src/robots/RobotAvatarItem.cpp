#include "RobotAvatarItem.h"

#include "RobotFigure.h"
#include "RobotStore.h"
#include "RobotTexts.h"

#include <QDateTime>
#include <QPainter>
#include <QQuickWindow>

namespace {
// At most 30 redraws a second.
constexpr int kFrameIntervalMs = 33;
} // namespace

RobotAvatarItem::RobotAvatarItem(QQuickItem *parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    m_timer.setInterval(kFrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { update(); });
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
    update();
}

void RobotAvatarItem::setFrameTime(double t) {
    if (t == m_frameTime)
        return;
    m_frameTime = t;
    Q_EMIT frameTimeChanged();
    updateClock();
    update();
}

QString RobotAvatarItem::accessibleLabel() const {
    return accessibleLabel(m_robot, m_mood, RobotStore::shared().languageInEffect());
}

QString RobotAvatarItem::accessibleLabel(const RobotCharacter &robot, RobotMood mood,
                                         const QString &languageCode) {
    const RobotTexts &texts = RobotTexts::forLanguage(languageCode);
    QStringList parts{robot.name, texts.robotTag};
    if (mood == RobotMood::Thinking)
        parts << texts.a11yThinking;
    else if (mood == RobotMood::Speaking)
        parts << texts.a11ySpeaking;
    return parts.join(QStringLiteral(", "));
}

double RobotAvatarItem::now() const {
    if (m_frameTime >= 0)
        return m_frameTime;
    return RobotMotion::referenceSeconds(QDateTime::currentMSecsSinceEpoch());
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

void RobotAvatarItem::itemChange(ItemChange change, const ItemChangeData &value) {
    QQuickPaintedItem::itemChange(change, value);
    if (change == ItemSceneChange) {
        disconnect(m_windowVisibility);
        if (value.window)
            m_windowVisibility =
                connect(value.window, &QWindow::visibleChanged, this, [this] { updateClock(); });
    }
    if (change == ItemSceneChange || change == ItemVisibleHasChanged)
        updateClock();
}

void RobotAvatarItem::updateClock() {
    const bool onScreen = isVisible() && window() && window()->isVisible();
    const bool run = onScreen && m_frameTime < 0;
    if (run == m_timer.isActive())
        return;
    if (run)
        m_timer.start();
    else
        m_timer.stop();
    Q_EMIT animatingChanged();
}
