#include "RobotFrameItem.h"

#include <QDateTime>
#include <QPainter>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGTexture>

#include <algorithm>
#include <cmath>

// The item's node: the picture's image node, and the texture it shows, which the node owns so that it goes
// with the node whenever the scene graph drops it.
class RobotFrameNode : public QSGNode {
public:
    explicit RobotFrameNode(QSGImageNode *image) : m_image(image) { appendChildNode(image); }
    // The image nodes (children) are destroyed after this; they do not own the textures.
    ~RobotFrameNode() override {
        delete m_texture;
        delete m_partTexture;
    }
    void show(QSGTexture *texture, const QRectF &rect) {
        m_image->setTexture(texture);
        m_image->setRect(rect);
        delete m_texture;
        m_texture = texture;
    }
    // The fast part, behind the rest; a null texture takes it away.
    void showPart(QQuickWindow *window, QSGTexture *texture, const QRectF &rect) {
        if (!texture) {
            if (m_part) {
                removeChildNode(m_part);
                delete m_part;
                m_part = nullptr;
            }
        } else {
            // A node joins the tree with its picture: the software renderer reads it as the node is added.
            const bool added = !m_part;
            if (added)
                m_part = window->createImageNode();
            m_part->setTexture(texture);
            m_part->setRect(rect);
            if (added)
                prependChildNode(m_part);
        }
        delete m_partTexture;
        m_partTexture = texture;
    }

private:
    QSGImageNode *m_image;
    QSGImageNode *m_part = nullptr;
    QSGTexture *m_texture = nullptr;
    QSGTexture *m_partTexture = nullptr;
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
        m_frameDue = m_partDue = false;
        if (QQuickWindow *window = value.window) {
            const auto recheck = [this] { updateClock(); };
            m_windowConnections << connect(window, &QQuickWindow::afterSynchronizing, this,
                                           &RobotFrameItem::onSynchronized, Qt::DirectConnection)
                                << connect(
                                       window, &QQuickWindow::sceneGraphInvalidated, this,
                                       [this] {
                                           m_node = nullptr;
                                           m_frameDue = m_partDue = false;
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

QImage RobotFrameItem::renderFrame(qreal devicePixelRatio) {
    const QImage rest = renderRest(devicePixelRatio);
    const QRect part = partRect();
    if (rest.isNull() || part.isEmpty())
        return rest;
    // The rest first (the part may follow it), then the part under it, as the node shows them.
    const QImage moving = renderPart(part, devicePixelRatio);
    QImage image = clearImage(size(), devicePixelRatio);
    QPainter painter(&image);
    painter.drawImage(part.topLeft(), moving);
    painter.drawImage(QPointF(0, 0), rest);
    return image;
}

void RobotFrameItem::paintNode(RobotFrameNode *node) {
    QQuickWindow *w = window();
    const qreal ratio = w->effectiveDevicePixelRatio();
    QSGTexture *rest = textureOf(w, renderRest(ratio));
    if (!rest)
        return;
    // The picture is shown pixel for pixel, a fraction of a pixel larger than the item where its size is not
    // whole pixels (it is drawn in item coordinates all the same). Stretched by that fraction it would be
    // blurred, and the software renderer would draw it, and its part under every moving rectangle, through
    // its slow filtered path rather than copy it.
    node->show(rest, QRectF(QPointF(0, 0), QSizeF(rest->textureSize()) / ratio));
    paintPartNode(node, partRect());
}

void RobotFrameItem::paintPartNode(RobotFrameNode *node, const QRect &part) {
    QQuickWindow *w = window();
    node->showPart(
        w, part.isEmpty() ? nullptr : textureOf(w, renderPart(part, w->effectiveDevicePixelRatio())), part);
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
    m_frameDue = m_partDue = false;
    m_partTicks = 0;
    paintNode(node);
    return node;
}

void RobotFrameItem::onSynchronized() {
    if (!m_frameDue && !m_partDue)
        return;
    const bool whole = m_frameDue;
    m_frameDue = m_partDue = false;
    if (!m_node)
        return;
    if (whole)
        paintNode(m_node);
    else
        paintPartNode(m_node, partRect());
}

void RobotFrameItem::onTick() {
    if (m_node && window()) {
        // The picture moves; the item does not change. The node is repainted after the window's next sync:
        // while there is a fast part, that part alone on most ticks and everything at the idle rate.
        constexpr int kStride = RobotMotion::kIdleFrameMs / RobotMotion::kFullFrameMs;
        if (!partRect().isEmpty() && ++m_partTicks % kStride != 0)
            m_partDue = true;
        else
            m_frameDue = true;
        window()->update();
    } else {
        update();
    }
    updateClock();
}
