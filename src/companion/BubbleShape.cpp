#include "BubbleShape.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

BubbleShape::BubbleShape(QQuickItem *parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
}

void BubbleShape::setRadius(qreal &field, qreal radius) {
    if (radius == field)
        return;
    field = radius;
    Q_EMIT shapeChanged();
    update();
}

void BubbleShape::setFillColor(const QColor &color) {
    if (color == m_fillColor)
        return;
    m_fillColor = color;
    Q_EMIT fillChanged();
    update();
}

void BubbleShape::setFillColorEnd(const QColor &color) {
    if (color == m_fillColorEnd)
        return;
    m_fillColorEnd = color;
    Q_EMIT fillChanged();
    update();
}

void BubbleShape::setStrokeColor(const QColor &color) {
    if (color == m_strokeColor)
        return;
    m_strokeColor = color;
    Q_EMIT strokeColorChanged();
    update();
}

void BubbleShape::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) {
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        update();
}

QPainterPath BubbleShape::outline(const QSizeF &size, qreal topLeft, qreal topRight, qreal bottomRight,
                                  qreal bottomLeft) {
    const qreal w = size.width(), h = size.height();
    const auto clamp = [w, h](qreal r) { return std::max(0.0, std::min({r, w / 2, h / 2})); };
    const qreal tl = clamp(topLeft), tr = clamp(topRight), br = clamp(bottomRight), bl = clamp(bottomLeft);
    // Clockwise from the end of the top-left corner, each corner a quarter circle; the path ends where it
    // began.
    QPainterPath path;
    path.moveTo(tl, 0);
    path.lineTo(w - tr, 0);
    path.arcTo(QRectF(w - 2 * tr, 0, 2 * tr, 2 * tr), 90, -90);
    path.lineTo(w, h - br);
    path.arcTo(QRectF(w - 2 * br, h - 2 * br, 2 * br, 2 * br), 0, -90);
    path.lineTo(bl, h);
    path.arcTo(QRectF(0, h - 2 * bl, 2 * bl, 2 * bl), 270, -90);
    path.lineTo(0, tl);
    path.arcTo(QRectF(0, 0, 2 * tl, 2 * tl), 180, -90);
    return path;
}

void BubbleShape::paint(QPainter *painter) {
    ++m_paints;
    const QSizeF size(width(), height());
    if (size.isEmpty())
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_fillColorEnd.isValid()) {
        QLinearGradient gradient(0, 0, size.width(), 0);
        gradient.setColorAt(0, m_fillColor);
        gradient.setColorAt(1, m_fillColorEnd);
        painter->setBrush(gradient);
    } else if (m_fillColor.alpha() > 0) {
        painter->setBrush(m_fillColor);
    } else {
        painter->setBrush(Qt::NoBrush);
    }
    // A hairline like a path's stroke: one unit wide, centred on the outline.
    if (m_strokeColor.alpha() > 0)
        painter->setPen(QPen(m_strokeColor, 1));
    else
        painter->setPen(Qt::NoPen);
    painter->drawPath(outline(size, m_topLeft, m_topRight, m_bottomRight, m_bottomLeft));
}
