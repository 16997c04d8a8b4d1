#pragma once

#include "RobotMotion.h"

#include <QMetaObject>
#include <QQuickPaintedItem>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

// A painted robot item on the robots' frame clock: it redraws only as often as its picture changes
// (`frameDemand()`: at most 30 times a second, 10 for slow motion, or just at the edges of a blink) and
// only while it is seen: the item visible, its window shown, exposed, not minimised and active. Otherwise the
// clock stops. Every item at a steady rate is on one shared clock, so that the robots, rings and dots of a
// screen redraw together in one frame rather than each in frames of their own. Each redraw repaints the item
// alone. `frameTime` pins the picture to one moment instead, for still pictures and tests.
class RobotFrameItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_ANONYMOUS
    // A fixed moment to draw (seconds since 2001-01-01 UTC); negative follows the clock.
    Q_PROPERTY(double frameTime READ frameTime WRITE setFrameTime NOTIFY frameTimeChanged)
    Q_PROPERTY(bool animating READ animating NOTIFY animatingChanged)

public:
    explicit RobotFrameItem(QQuickItem *parent = nullptr);
    ~RobotFrameItem() override;

    double frameTime() const { return m_frameTime; }
    void setFrameTime(double t);
    bool animating() const { return m_timer.isActive() || m_rateMs > 0; }

Q_SIGNALS:
    void frameTimeChanged();
    void animatingChanged();

protected:
    // The moment to draw: the pinned frame time, or now.
    double now() const;
    // How the picture changes over time.
    virtual RobotMotion::FrameDemand frameDemand() const { return RobotMotion::FrameDemand::Full; }
    // Starts, re-times or stops the clock after anything `frameDemand()` or being seen depends on changed.
    void updateClock();

    void itemChange(ItemChange change, const ItemChangeData &value) override;

private:
    RobotMotion::FrameContext frameContext() const;
    void schedule(int delayMs, RobotMotion::FrameDemand demand);
    void onTick();

    friend class RobotFrameClock;

    double m_frameTime = -1;
    QTimer m_timer;   // a single redraw: the next edge of a blink
    int m_rateMs = 0; // on the shared clock at this interval; 0: not
    QList<QMetaObject::Connection> m_windowConnections;
};
