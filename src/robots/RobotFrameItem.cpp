#include "RobotFrameItem.h"

#include <QDateTime>
#include <QQuickWindow>

RobotFrameItem::RobotFrameItem(QQuickItem *parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RobotFrameItem::onTick);
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
        for (const QMetaObject::Connection &connection : std::as_const(m_windowConnections))
            disconnect(connection);
        m_windowConnections.clear();
        if (QQuickWindow *window = value.window) {
            const auto recheck = [this] { updateClock(); };
            m_windowConnections << connect(window, &QWindow::visibilityChanged, this, recheck)
                                << connect(window, &QWindow::activeChanged, this, recheck)
                                // Exposure has no signal of its own; a window that comes back into view draws
                                // a frame, and a stopped clock looks again then.
                                << connect(window, &QQuickWindow::frameSwapped, this, [this] {
                                       if (!m_timer.isActive())
                                           updateClock();
                                   });
        }
    }
    if (change == ItemSceneChange || change == ItemVisibleHasChanged)
        updateClock();
}

RobotMotion::FrameContext RobotFrameItem::frameContext() const {
    RobotMotion::FrameContext context;
    context.pinned = m_frameTime >= 0;
    const QQuickWindow *w = window();
    context.itemVisible = isVisible() && w;
    context.windowShown = w && w->isVisible() && w->visibility() != QWindow::Minimized && w->isExposed();
    context.windowActive = w && w->isActive();
    return context;
}

void RobotFrameItem::schedule(int delayMs) {
    const bool wasRunning = m_timer.isActive();
    if (delayMs < 0)
        m_timer.stop();
    else
        m_timer.start(delayMs);
    if (m_timer.isActive() != wasRunning)
        Q_EMIT animatingChanged();
}

void RobotFrameItem::updateClock() {
    const RobotMotion::FrameDemand demand = frameDemand();
    const int delay = RobotMotion::nextFrameDelayMs(demand, frameContext(), now());
    // A steady rate already running keeps its phase; a blink edge is timed afresh.
    if (delay >= 0 && m_timer.isActive() && demand != RobotMotion::FrameDemand::BlinkEdges &&
        m_timer.interval() == delay)
        return;
    schedule(delay);
}

void RobotFrameItem::onTick() {
    update();
    schedule(RobotMotion::nextFrameDelayMs(frameDemand(), frameContext(), now()));
}
