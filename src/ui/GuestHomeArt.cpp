#include "GuestHomeArt.h"

#include <QImageReader>
#include <QPainter>
#include <QQuickWindow>

#include <algorithm>
#include <cmath>

GuestHomeArt::GuestHomeArt(QQuickItem *parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    connect(this, &QQuickItem::widthChanged, this, [this] { update(); });
    connect(this, &QQuickItem::heightChanged, this, [this] { update(); });
}

QRectF GuestHomeArt::placement(const QSizeF &image, const QSizeF &frame, bool fill) {
    if (image.isEmpty() || frame.isEmpty())
        return {};
    const qreal sx = frame.width() / image.width();
    const qreal sy = frame.height() / image.height();
    const qreal scale = fill ? std::max(sx, sy) : std::min(sx, sy);
    const QSizeF size = image * scale;
    return QRectF(QPointF((frame.width() - size.width()) / 2, (frame.height() - size.height()) / 2), size);
}

void GuestHomeArt::setSource(const QUrl &source) {
    if (m_source == source)
        return;
    const bool wasLoaded = loaded();
    m_source = source;
    m_cache = {};
    m_naturalSize = {};
    const QString path = localPath();
    if (!path.isEmpty()) {
        QImageReader reader(path);
        m_naturalSize = reader.size();
    }
    Q_EMIT sourceChanged();
    if (loaded() != wasLoaded)
        Q_EMIT loadedChanged();
    update();
}

void GuestHomeArt::setRadius(qreal radius) {
    if (qFuzzyCompare(m_radius + 1, radius + 1))
        return;
    m_radius = radius;
    Q_EMIT radiusChanged();
    update();
}

void GuestHomeArt::setFill(bool fill) {
    if (m_fill == fill)
        return;
    m_fill = fill;
    Q_EMIT fillChanged();
    update();
}

QString GuestHomeArt::localPath() const {
    if (m_source.scheme() == QLatin1String("qrc"))
        return u':' + m_source.path();
    if (m_source.isLocalFile())
        return m_source.toLocalFile();
    return {};
}

QImage GuestHomeArt::render(const QSize &pixels) {
    if (m_cache.size() == pixels)
        return m_cache;
    // Vector artwork is rendered at the size it is drawn at, so it stays sharp at every size.
    QImageReader reader(localPath());
    reader.setScaledSize(pixels);
    m_cache = reader.read();
    return m_cache;
}

void GuestHomeArt::paint(QPainter *painter) {
    if (!loaded() || width() <= 0 || height() <= 0)
        return;
    const QRectF target = placement(m_naturalSize, size(), m_fill);
    const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    const QSize pixels(int(std::ceil(target.width() * ratio)), int(std::ceil(target.height() * ratio)));
    if (pixels.isEmpty())
        return;
    const QImage image = render(pixels);
    if (image.isNull())
        return;

    // Painted as a brush through the rounded shape, so the cut corners are smoothed like any other edge (a
    // clip path would leave them jagged).
    QBrush brush(image);
    QTransform transform;
    transform.translate(target.x(), target.y());
    transform.scale(target.width() / image.width(), target.height() / image.height());
    brush.setTransform(transform);
    const QRectF shown = QRectF(QPointF(0, 0), size()).intersected(target);
    const qreal r = std::clamp<qreal>(m_radius, 0, std::min(shown.width(), shown.height()) / 2);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setPen(Qt::NoPen);
    painter->setBrush(brush);
    painter->drawRoundedRect(shown, r, r);
}
