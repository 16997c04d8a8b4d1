#include "RobotFrameItem.h"

#include <QDateTime>
#include <QPainter>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGTexture>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>

// The item's node: the picture's image node, and the textures it shows, which the node owns so that they go
// with the node whenever the scene graph drops it. Behind the picture, the fast part; behind that, the
// ground.
class RobotFrameNode : public QSGNode {
public:
    explicit RobotFrameNode(QSGImageNode *image) : m_image(image) { appendChildNode(image); }
    // The image nodes (children) are destroyed after this; they do not own the textures.
    ~RobotFrameNode() override {
        delete m_texture;
        delete m_part.texture;
        delete m_ground.texture;
    }
    void show(QSGTexture *texture, const QRectF &rect) {
        m_image->setTexture(texture);
        m_image->setRect(rect);
        delete m_texture;
        m_texture = texture;
    }
    QSizeF restSize() const { return m_image->rect().size(); }
    // The picture shown moves.
    void move(const QRectF &rect) {
        if (m_image->rect() != rect)
            m_image->setRect(rect);
    }
    // The fast part; a null texture takes it away.
    void showPart(QQuickWindow *window, QSGTexture *texture, const QRectF &rect) {
        showLayer(m_part, window, texture, rect, m_ground.node);
    }
    void showGround(QQuickWindow *window, QSGTexture *texture, const QRectF &rect) {
        showLayer(m_ground, window, texture, rect, nullptr);
    }

private:
    struct Layer {
        QSGImageNode *node = nullptr;
        QSGTexture *texture = nullptr;
    };
    // A layer behind the picture, right after `after` (or first).
    void showLayer(Layer &layer, QQuickWindow *window, QSGTexture *texture, const QRectF &rect,
                   QSGNode *after) {
        if (!texture) {
            if (layer.node) {
                removeChildNode(layer.node);
                delete layer.node;
                layer.node = nullptr;
            }
        } else {
            // A node joins the tree with its picture: the software renderer reads it as the node is added.
            const bool added = !layer.node;
            if (added)
                layer.node = window->createImageNode();
            layer.node->setTexture(texture);
            layer.node->setRect(rect);
            if (added) {
                if (after)
                    insertChildNodeAfter(layer.node, after);
                else
                    prependChildNode(layer.node);
            }
        }
        delete layer.texture;
        layer.texture = texture;
    }

    QSGImageNode *m_image;
    QSGTexture *m_texture = nullptr;
    Layer m_part;
    Layer m_ground;
};

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

RobotFrameItem::RobotFrameItem(QQuickItem *parent) : QQuickItem(parent) {
    setFlag(ItemHasContents);
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
    QQuickItem::itemChange(change, value);
    if (change == ItemSceneChange) {
        for (const QMetaObject::Connection &connection : std::as_const(m_windowConnections))
            disconnect(connection);
        m_windowConnections.clear();
        // The old window's scene graph drops the node.
        m_node = nullptr;
        m_frameDue = false;
        if (QQuickWindow *window = value.window) {
            const auto recheck = [this] { updateClock(); };
            m_windowConnections << connect(window, &QQuickWindow::afterSynchronizing, this,
                                           &RobotFrameItem::onSynchronized, Qt::DirectConnection)
                                << connect(
                                       window, &QQuickWindow::sceneGraphInvalidated, this,
                                       [this] {
                                           m_node = nullptr;
                                           m_frameDue = false;
                                       },
                                       Qt::DirectConnection)
                                << connect(window, &QWindow::visibilityChanged, this, recheck)
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

void RobotFrameItem::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        update();
}

namespace {

QImage clearImage(const QSizeF &size, qreal devicePixelRatio) {
    const QSize pixels(int(std::ceil(size.width() * devicePixelRatio)),
                       int(std::ceil(size.height() * devicePixelRatio)));
    if (pixels.isEmpty())
        return {};
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    return image;
}

QSGTexture *textureOf(QQuickWindow *window, const QImage &image) {
    if (image.isNull())
        return nullptr;
    QSGTexture *texture = window->createTextureFromImage(image, QQuickWindow::TextureHasAlphaChannel);
    texture->setFiltering(QSGTexture::Linear);
    return texture;
}

} // namespace

QImage RobotFrameItem::renderRest(qreal devicePixelRatio) {
    QImage image = clearImage(size(), devicePixelRatio);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(&painter);
    return image;
}

QImage RobotFrameItem::renderPart(const QRect &part, qreal devicePixelRatio) {
    QImage image = clearImage(part.size(), devicePixelRatio);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-part.topLeft());
    paintPart(&painter);
    return image;
}

QImage RobotFrameItem::renderGround(const QRect &ground, qreal devicePixelRatio) {
    QImage image = clearImage(ground.size(), devicePixelRatio);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-ground.topLeft());
    paintGround(&painter);
    return image;
}

QImage RobotFrameItem::renderFrame(qreal devicePixelRatio) {
    // Drawn with the offset of now; the node keeps the one it shows.
    const QPointF shown = m_offset;
    const auto restore = qScopeGuard([&] { m_offset = shown; });
    m_offset = restOffset(devicePixelRatio);
    const QImage rest = renderRest(devicePixelRatio);
    if (rest.isNull())
        return rest;
    // The rest first (the part may follow it), then the ground and the part under it, as the node shows them.
    const QRect part = partRect(), ground = groundRect();
    QImage image = clearImage(size(), devicePixelRatio);
    QPainter painter(&image);
    if (!ground.isEmpty())
        painter.drawImage(ground.topLeft(), renderGround(ground, devicePixelRatio));
    if (!part.isEmpty())
        painter.drawImage(QPointF(part.topLeft()) + m_offset, renderPart(part, devicePixelRatio));
    painter.drawImage(m_offset, rest);
    return image;
}

void RobotFrameItem::paintNode(RobotFrameNode *node, bool repaint) {
    QQuickWindow *w = window();
    const qreal ratio = w->effectiveDevicePixelRatio();
    const QPointF offset = restOffset(ratio);
    const bool moved = offset != m_offset;
    m_offset = offset;
    // The picture is shown pixel for pixel, a fraction of a pixel larger than the item where its size is not
    // whole pixels (it is drawn in item coordinates all the same), and moved by whole pixels. Stretched by
    // that fraction, or moved by one, it would be blurred, and the software renderer would draw it, and its
    // part under every moving rectangle, through its slow filtered path rather than copy it.
    if (repaint || !restLooksAsPainted()) {
        QSGTexture *rest = textureOf(w, renderRest(ratio));
        if (!rest)
            return;
        node->show(rest, QRectF(offset, QSizeF(rest->textureSize()) / ratio));
    } else {
        node->move(QRectF(offset, node->restSize()));
    }
    const QRect ground = groundRect();
    if (repaint || moved || ground.isEmpty())
        node->showGround(w, ground.isEmpty() ? nullptr : textureOf(w, renderGround(ground, ratio)), ground);
    const QRect part = partRect();
    node->showPart(w, part.isEmpty() ? nullptr : textureOf(w, renderPart(part, ratio)),
                   QRectF(part).translated(offset));
}

QSGNode *RobotFrameItem::updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *) {
    auto *node = static_cast<RobotFrameNode *>(oldNode);
    if (width() <= 0 || height() <= 0) {
        delete node;
        m_node = nullptr;
        return nullptr;
    }
    if (!node)
        node = new RobotFrameNode(window()->createImageNode());
    m_node = node;
    m_frameDue = false;
    paintNode(node, true);
    return node;
}

void RobotFrameItem::onSynchronized() {
    if (!m_frameDue)
        return;
    m_frameDue = false;
    if (m_node)
        paintNode(m_node, false);
}

bool RobotFrameItem::frameChanges() const {
    return !partRect().isEmpty() || !restLooksAsPainted() ||
           restOffset(window()->effectiveDevicePixelRatio()) != m_offset;
}

void RobotFrameItem::onTick() {
    if (m_node && window()) {
        // The picture moves; the item does not change. The node is brought up to now after the window's next
        // sync: the fast part repainted, the rest moved, and repainted only where more than its place
        // changed. A tick that would change nothing on screen asks for no frame.
        if (!m_frameDue && frameChanges()) {
            m_frameDue = true;
            window()->update();
        }
    } else {
        update();
    }
    updateClock();
}
