#pragma once

#include <QMetaObject>
#include <QQuickPaintedItem>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

// A painted robot item with its own frame clock: it redraws at most 30 times a second while it moves and is
// on screen (visible, in a visible window); hidden or off screen the clock stops. `frameTime` pins the
// picture to one moment instead, for still pictures and tests.
class RobotFrameItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_ANONYMOUS
    // A fixed moment to draw (seconds since 2001-01-01 UTC); negative follows the clock.
    Q_PROPERTY(double frameTime READ frameTime WRITE setFrameTime NOTIFY frameTimeChanged)
    Q_PROPERTY(bool animating READ animating NOTIFY animatingChanged)

public:
    explicit RobotFrameItem(QQuickItem *parent = nullptr);

    double frameTime() const { return m_frameTime; }
    void setFrameTime(double t);
    bool animating() const { return m_timer.isActive(); }

Q_SIGNALS:
    void frameTimeChanged();
    void animatingChanged();

protected:
    // The moment to draw: the pinned frame time, or now.
    double now() const;
    // Whether the picture changes over time at all (a robot at rest with reduced motion may not).
    virtual bool moves() const { return true; }
    // Starts or stops the clock after anything that `moves()` or being on screen depends on has changed.
    void updateClock();

    void itemChange(ItemChange change, const ItemChangeData &value) override;

private:
    double m_frameTime = -1;
    QTimer m_timer;
    QMetaObject::Connection m_windowVisibility;
};
