#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <optional>

class QJSEngine;
class QQmlEngine;

// The soft shadow of a rounded rectangle as the software renderer draws it: translucent outlines growing
// outwards from just inside the shape's edge, so that where they all overlap the shadow has its full opacity
// and it fades in steps over `blur` outside the shape. It is drawn once per look (corner radius, blur,
// colour) into a small picture whose corners hold the curves and whose middle row and column are stretched
// over the shape's size (BrandShadow shows it as a BorderImage). One picture then stands for the eight
// outlines every shadow drew each frame, and every shadow of the same look shares it. Along a side too short
// for the corners to have a middle between them (a pill's height), the picture has the shape's own length
// and is shown whole.
class SoftShadow : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    // How many outlines make the shadow.
    static constexpr int kLayers = 8;

    // The one instance of an engine; it gives the engine the pictures' provider. (Qt makes a singleton that
    // has a default constructor with it, and would skip this.)
    static SoftShadow *create(QQmlEngine *engine, QJSEngine *);

    // How far outline `layer` (0 the innermost) lies outside the shape's edge; the first ones lie inside it.
    static qreal spread(int layer, qreal blur);
    // The opacity of one outline such that all of them over each other make `alpha`.
    static qreal layerAlpha(qreal alpha);

    // How far the picture reaches past the shape on every side, in whole points.
    Q_INVOKABLE static int margin(qreal blur);
    // The width of the picture's corners (from its edge), which hold every curve of the outlines.
    static int corner(qreal cornerRadius, qreal blur);
    // The corner to stretch from along a side of the shape `extent` long: `corner`, or 0 where the side is
    // too short to have a middle, and the picture has the side's own length.
    Q_INVOKABLE static int border(qreal cornerRadius, qreal blur, qreal extent);
    // The picture of a look for a shape of `width` x `height`, from the engine's provider (a member, so that
    // asking for one makes the engine's instance, which gives the engine the provider).
    Q_INVOKABLE QUrl source(qreal cornerRadius, qreal blur, const QColor &color, qreal width,
                            qreal height) const {
        return sourceOf(cornerRadius, blur, color, width, height);
    }
    static QUrl sourceOf(qreal cornerRadius, qreal blur, const QColor &color, qreal width, qreal height);

    // The look a source names. `shape` is the length of the shape in the picture along each side: 0 where
    // the picture has corners to stretch from.
    struct Look {
        qreal cornerRadius = 0;
        qreal blur = 0;
        QColor color;
        QSize shape;
    };
    static std::optional<Look> parse(const QString &id);
    // The picture itself, the shape lying `margin` inside its edge: 2 * corner + 1 points along a side that
    // stretches, the shape's length and both margins along one that does not.
    static QImage picture(const Look &look);

private:
    explicit SoftShadow(QQmlEngine *engine);
};
