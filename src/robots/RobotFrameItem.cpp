#include "RobotFrameItem.h"

#include "RobotMotion.h"

#include <QDateTime>
#include <QQuickWindow>

namespace {
constexpr int kFrameIntervalMs = 33;
} // namespace

RobotFrameItem::RobotFrameItem(QQuickItem *parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    m_timer.setInterval(kFrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { update(); });
}

void RobotFrameItem::setFrameTime(double t) {
    if (t == m_frameTime)
        return;
    m_frameTime = t;
    Q_EMIT frameTimeChanged();
    updateClock();
    update();
}

double RobotFrameItem::now() const {
    if (m_frameTime >= 0)
        return m_frameTime;
    return RobotMotion::referenceSeconds(QDateTime::currentMSecsSinceEpoch());
}

void RobotFrameItem::itemChange(ItemChange change, const ItemChangeData &value) {
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

void RobotFrameItem::updateClock() {
    const bool onScreen = isVisible() && window() && window()->isVisible();
    const bool run = onScreen && m_frameTime < 0 && moves();
    if (run == m_timer.isActive())
        return;
    if (run)
        m_timer.start();
    else
        m_timer.stop();
    Q_EMIT animatingChanged();
}
