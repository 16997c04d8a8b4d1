#pragma once

#include "RobotMotion.h"

#include <QImage>
#include <QMetaObject>
#include <QQuickItem>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

class QPainter;
class RobotFrameNode;

// A painted robot item on the robots' frame clock: it redraws only as often as its picture changes
// (`frameDemand()`: at most 30 times a second, 10 for slow motion, or just at the edges of a blink) and
// only while it is seen: the item visible, its window shown, exposed, not minimised and active. Otherwise the
// clock stops. Every item at a steady rate is on one shared clock, so that the robots, rings and dots of a
// screen redraw together in one frame rather than each in frames of their own. `frameTime` pins the picture
// to one moment instead, for still pictures and tests.
//
// A tick of the clock only swaps the picture in the item's scene-graph node; the item itself is not marked
// changed. A changed item makes the window deliver a hover event through its whole item tree and walk its
// changed items on every frame; for a picture that moves in place that is most of what a frame costs, and
// the repaint of the node's own rectangle is all that is needed. A change of the item's properties or size
// (`update()`) repaints it as any item does.
//
// A picture that moves as a whole (the bob) is not repainted for that: the node shows the picture last
// painted moved by whole device pixels (`restOffset()`), so that it is still copied pixel for pixel, and a
// tick repaints only what changed besides (`restLooksAsPainted()`), or asks for no frame at all where
// nothing on screen would change.
class RobotFrameItem : public QQuickItem {
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

    // Draws the picture of the moment `now()` into the item's rectangle (0, 0, width, height), as it is
    // before it is moved by `restOffset()`; while there is a fast part (`partRect()`), all but that part, and
    // never the ground (`groundRect()`).
    virtual void paint(QPainter *painter) = 0;
    // The whole picture as the item shows it, in a clear image of the item's size at a pixel ratio.
    QImage renderFrame(qreal devicePixelRatio = 1.0);

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
    // A part of the picture that moves at the full rate while the rest moves slowly (the waving arm): its
    // rectangle in the item (whole pixels) before the rest's offset moves it, or an empty one. While there is
    // one, every tick repaints the part, a small rectangle, and the rest only where it changes. The part lies
    // behind the rest.
    virtual QRect partRect() const { return {}; }
    // Draws the part of the moment `now()`, in item coordinates, on the rest as `paint()` draws it: the part
    // moves with the rest's offset.
    virtual void paintPart(QPainter *) {}
    // How far the picture `paint()` drew is moved at the moment `now()`, in item coordinates: whole device
    // pixels at `devicePixelRatio`.
    virtual QPointF restOffset(qreal /*devicePixelRatio*/) const { return {}; }
    // Whether the picture `paint()` last drew is the one of `now()` but for its offset.
    virtual bool restLooksAsPainted() const { return false; }
    // A part behind everything that follows the offset (a shadow on the ground, which stays where it is as
    // the rest moves): its rectangle in the item (whole pixels), or an empty one; repainted whenever the
    // offset changes.
    virtual QRect groundRect() const { return {}; }
    // Draws the ground for the offset `shownOffset()`, in item coordinates.
    virtual void paintGround(QPainter *) {}
    // The offset of the picture being drawn or shown.
    QPointF shownOffset() const { return m_offset; }

    void itemChange(ItemChange change, const ItemChangeData &value) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    QSGNode *updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *) override;

private:
    // Paints the picture of now into the node (scene-graph side: the render thread, or the main thread while
    // the render thread waits).
    // `repaint`: everything, as for a changed item; otherwise what a tick changed.
    void paintNode(RobotFrameNode *node, bool repaint);
    QImage renderRest(qreal devicePixelRatio);
    QImage renderPart(const QRect &part, qreal devicePixelRatio);
    QImage renderGround(const QRect &ground, qreal devicePixelRatio);
    // Whether the node shows anything other than the picture of now.
    bool frameChanges() const;
    // After the window's sync: a tick's picture goes into the node.
    void onSynchronized();
    RobotMotion::FrameContext frameContext() const;
    void schedule(int delayMs, RobotMotion::FrameDemand demand);
    void onTick();

    friend class RobotFrameClock;

    double m_frameTime = -1;
    QTimer m_timer;   // a single redraw: the next edge of a blink
    int m_rateMs = 0; // on the shared clock at this interval; 0: not
    QList<QMetaObject::Connection> m_windowConnections;
    RobotFrameNode *m_node = nullptr; // the scene graph's; valid while the item is in its window
    bool m_frameDue = false;          // a tick waits for the next sync to bring the node up to now
    QPointF m_offset;                 // of the rest's picture being drawn or in the node
};
