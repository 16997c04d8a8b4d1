#pragma once

#include <QColor>
#include <QPainterPath>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

// A chat bubble's outline: a rounded rectangle whose corners each have their own radius (the small corner
// points at the speaker), filled with a colour, or with a gradient from `fillColor` at the left edge to
// `fillColorEnd` at the right, and outlined with a hairline of `strokeColor`.
//
// It is painted once into a picture, and again only when its size or a property changes. The chat's robots
// redraw many times a second close to their bubbles; a picture that did not change costs the frames they
// draw nothing but the copy of what they overlap, where a Shape drawn through a layer was drawn again, with
// its whole rectangle, on every frame the window rendered.
class BubbleShape : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(qreal topLeft READ topLeft WRITE setTopLeft NOTIFY shapeChanged)
    Q_PROPERTY(qreal topRight READ topRight WRITE setTopRight NOTIFY shapeChanged)
    Q_PROPERTY(qreal bottomLeft READ bottomLeft WRITE setBottomLeft NOTIFY shapeChanged)
    Q_PROPERTY(qreal bottomRight READ bottomRight WRITE setBottomRight NOTIFY shapeChanged)
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor NOTIFY fillChanged)
    // Unset (the default): a plain fill of `fillColor`.
    Q_PROPERTY(QColor fillColorEnd READ fillColorEnd WRITE setFillColorEnd NOTIFY fillChanged)
    Q_PROPERTY(QColor strokeColor READ strokeColor WRITE setStrokeColor NOTIFY strokeColorChanged)

public:
    explicit BubbleShape(QQuickItem *parent = nullptr);

    qreal topLeft() const { return m_topLeft; }
    void setTopLeft(qreal radius) { setRadius(m_topLeft, radius); }
    qreal topRight() const { return m_topRight; }
    void setTopRight(qreal radius) { setRadius(m_topRight, radius); }
    qreal bottomLeft() const { return m_bottomLeft; }
    void setBottomLeft(qreal radius) { setRadius(m_bottomLeft, radius); }
    qreal bottomRight() const { return m_bottomRight; }
    void setBottomRight(qreal radius) { setRadius(m_bottomRight, radius); }
    QColor fillColor() const { return m_fillColor; }
    void setFillColor(const QColor &color);
    QColor fillColorEnd() const { return m_fillColorEnd; }
    void setFillColorEnd(const QColor &color);
    QColor strokeColor() const { return m_strokeColor; }
    void setStrokeColor(const QColor &color);

    // The outline of a bubble of `size` with those corner radii, each at most half the width and half the
    // height.
    static QPainterPath outline(const QSizeF &size, qreal topLeft, qreal topRight, qreal bottomRight,
                                qreal bottomLeft);

    void paint(QPainter *painter) override;

    // How often the bubble was painted (tests).
    int paintCount() const { return m_paints; }

Q_SIGNALS:
    void shapeChanged();
    void fillChanged();
    void strokeColorChanged();

protected:
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;

private:
    void setRadius(qreal &field, qreal radius);

    qreal m_topLeft = 20;
    qreal m_topRight = 20;
    qreal m_bottomLeft = 20;
    qreal m_bottomRight = 20;
    QColor m_fillColor = Qt::white;
    QColor m_fillColorEnd;
    QColor m_strokeColor = Qt::transparent;
    int m_paints = 0;
};
