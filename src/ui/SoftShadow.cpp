#include "SoftShadow.h"

#include <QPainter>
#include <QPainterPath>
#include <QQmlEngine>
#include <QQuickImageProvider>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

const QString kProvider = QStringLiteral("quorvel-shadow");
// Sizes beyond these are no shadow the app draws; a source asking for one gets none.
constexpr qreal kMaxRadius = 512;
constexpr qreal kMaxBlur = 256;
constexpr int kMaxShape = 4096;

// The length of the shape inside a picture whose side stretches.
int stretchedShape(qreal cornerRadius, qreal blur) {
    return 2 * (SoftShadow::corner(cornerRadius, blur) - SoftShadow::margin(blur)) + 1;
}

// The shape's length along a side in the picture: 0 where the side stretches.
int shapeInPicture(qreal cornerRadius, qreal blur, qreal extent) {
    return extent >= stretchedShape(cornerRadius, blur) ? 0 : std::max(1, int(std::lround(extent)));
}

class Provider final : public QQuickImageProvider {
public:
    Provider() : QQuickImageProvider(QQuickImageProvider::Image) {}

    QImage requestImage(const QString &id, QSize *size, const QSize &) override {
        const std::optional<SoftShadow::Look> look = SoftShadow::parse(id);
        if (!look)
            return {};
        QImage image = SoftShadow::picture(*look);
        if (size)
            *size = image.size();
        return image;
    }
};

} // namespace

SoftShadow *SoftShadow::create(QQmlEngine *engine, QJSEngine *) {
    if (!engine->imageProvider(kProvider))
        engine->addImageProvider(kProvider, new Provider);
    return new SoftShadow(engine);
}

SoftShadow::SoftShadow(QQmlEngine *engine) : QObject(engine) {}

qreal SoftShadow::spread(int layer, qreal blur) {
    return blur * (1.25 * (layer + 1) / kLayers - 0.35);
}

qreal SoftShadow::layerAlpha(qreal alpha) {
    return 1 - std::pow(1 - std::clamp(alpha, 0.0, 1.0), 1.0 / kLayers);
}

int SoftShadow::margin(qreal blur) {
    // One point more than the outermost outline, for its smoothed edge.
    return int(std::ceil(std::max(0.0, spread(kLayers - 1, blur)))) + 1;
}

int SoftShadow::corner(qreal cornerRadius, qreal blur) {
    // An outline's corner curve ends `radius + spread` from its own edge, which lies `spread` outside the
    // shape's: `radius` inside the shape's edge, or at its own edge once its corners are square (an inner
    // outline whose spread is below -radius). The picture's edge lies `margin` outside the shape's.
    const qreal inside = std::max({cornerRadius, -spread(0, blur), 0.0});
    return margin(blur) + int(std::ceil(inside)) + 1;
}

int SoftShadow::border(qreal cornerRadius, qreal blur, qreal extent) {
    return shapeInPicture(cornerRadius, blur, extent) > 0 ? 0 : corner(cornerRadius, blur);
}

QUrl SoftShadow::sourceOf(qreal cornerRadius, qreal blur, const QColor &color, qreal width, qreal height) {
    return QUrl(QStringLiteral("image://%1/%2/%3/%4/%5/%6")
                    .arg(kProvider)
                    .arg(cornerRadius)
                    .arg(blur)
                    .arg(color.name(QColor::HexArgb).mid(1))
                    .arg(shapeInPicture(cornerRadius, blur, width))
                    .arg(shapeInPicture(cornerRadius, blur, height)));
}

std::optional<SoftShadow::Look> SoftShadow::parse(const QString &id) {
    const QStringList parts = id.split(u'/');
    if (parts.size() != 5)
        return std::nullopt;
    bool read[4] = {};
    Look look;
    look.cornerRadius = parts[0].toDouble(&read[0]);
    look.blur = parts[1].toDouble(&read[1]);
    look.color = QColor::fromString(u'#' + parts[2]);
    look.shape = QSize(parts[3].toInt(&read[2]), parts[4].toInt(&read[3]));
    const auto within = [](auto value, auto high) { return value >= 0 && value <= high; };
    if (!std::all_of(std::begin(read), std::end(read), [](bool ok) { return ok; }) || !look.color.isValid() ||
        !within(look.cornerRadius, kMaxRadius) || !within(look.blur, kMaxBlur) ||
        !within(look.shape.width(), kMaxShape) || !within(look.shape.height(), kMaxShape))
        return std::nullopt;
    return look;
}

QImage SoftShadow::picture(const Look &look) {
    const int edge = margin(look.blur);
    const int stretched = 2 * corner(look.cornerRadius, look.blur) + 1;
    const auto length = [&](int shape) { return shape > 0 ? shape + 2 * edge : stretched; };
    QImage image(length(look.shape.width()), length(look.shape.height()),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor layer = look.color;
    layer.setAlphaF(float(layerAlpha(look.color.alphaF())));
    painter.setBrush(layer);
    const QRectF shape(edge, edge, image.width() - 2 * edge, image.height() - 2 * edge);
    for (int i = 0; i < kLayers; ++i) {
        const qreal by = spread(i, look.blur);
        const QRectF exact = shape.adjusted(-by, -by, by, by);
        if (exact.isEmpty())
            continue;
        // As a Qt Quick rectangle rounds its corners: at most half its shorter side.
        const qreal radius =
            std::min(std::max(0.0, look.cornerRadius + by), std::min(exact.width(), exact.height()) / 2);
        // Where the software renderer puts a rectangle's pixels: from the nearest pixel, over its length
        // rounded up.
        const QRectF placed(QPointF(std::round(exact.left()), std::round(exact.top())),
                            QSizeF(std::ceil(exact.width()), std::ceil(exact.height())));
        if (radius <= 0)
            painter.fillRect(placed, layer);
        else
            painter.drawRoundedRect(placed, radius, radius);
    }
    return image;
}
