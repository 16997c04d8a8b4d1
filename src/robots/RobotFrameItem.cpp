#include "RobotFrameItem.h"

#include <QDateTime>
#include <QQuickWindow>

#include <algorithm>

// The steady clock of every item redrawing at a steady rate: one tick at the full rate, and an item at a
// slower rate (a whole multiple of it) on every n-th tick, so that the items of a screen, whatever their
// rates, redraw in the same frames. Main thread only.
class RobotFrameClock : public QObject {
public:
    static void join(RobotFrameItem *item, int intervalMs) {
        RobotFrameClock &clock = shared();
        clock.m_items.append({item, std::max(1, intervalMs / RobotMotion::kFullFrameMs)});
        if (!clock.m_timer.isActive()) {
            clock.m_tick = 0;
            clock.m_timer.start();
        }
    }
    static void leave(RobotFrameItem *item) {
        RobotFrameClock &clock = shared();
        clock.m_items.removeIf([item](const Member &member) { return member.item == item; });
        if (clock.m_items.isEmpty())
            clock.m_timer.stop();
    }

private:
    struct Member {
        RobotFrameItem *item;
        int stride; // redraws on every stride-th tick
    };

    RobotFrameClock() {
        m_timer.setInterval(RobotMotion::kFullFrameMs);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            ++m_tick;
            // A tick may move an item to another rate, or off the clock.
            const QList<Member> members = m_items;
            for (const Member &member : members) {
                if (m_tick % member.stride != 0)
                    continue;
                const bool still = std::any_of(m_items.cbegin(), m_items.cend(), [&](const Member &m) {
                    return m.item == member.item && m.stride == member.stride;
                });
                if (still)
                    member.item->onTick();
            }
        });
    }
    static RobotFrameClock &shared() {
        static RobotFrameClock *const clock = new RobotFrameClock;
        return *clock;
    }

    QTimer m_timer;
    QList<Member> m_items;
    qint64 m_tick = 0;
};

RobotFrameItem::RobotFrameItem(QQuickItem *parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RobotFrameItem::onTick);
}

RobotFrameItem::~RobotFrameItem() {
    if (m_rateMs > 0)
        RobotFrameClock::leave(this);
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
                                       if (!animating())
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

void RobotFrameItem::schedule(int delayMs, RobotMotion::FrameDemand demand) {
    const bool wasRunning = animating();
    const int rateMs = delayMs >= 0 && demand != RobotMotion::FrameDemand::BlinkEdges ? delayMs : 0;
    if (rateMs != m_rateMs) {
        if (m_rateMs > 0)
            RobotFrameClock::leave(this);
        m_rateMs = rateMs;
        if (m_rateMs > 0)
            RobotFrameClock::join(this, m_rateMs);
    }
    if (delayMs >= 0 && rateMs == 0)
        m_timer.start(delayMs);
    else
        m_timer.stop();
    if (animating() != wasRunning)
        Q_EMIT animatingChanged();
}

void RobotFrameItem::updateClock() {
    const RobotMotion::FrameDemand demand = frameDemand();
    schedule(RobotMotion::nextFrameDelayMs(demand, frameContext(), now()), demand);
}

void RobotFrameItem::onTick() {
    update();
    updateClock();
}
