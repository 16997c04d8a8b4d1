#include "RoundedPicture.h"

#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QQuickWindow>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace {
// Read pictures by path, held by the items showing them.
QHash<QString, std::weak_ptr<const RoundedPicture::Picture>> &heldPictures() {
    static QHash<QString, std::weak_ptr<const RoundedPicture::Picture>> pictures;
    return pictures;
}
} // namespace

RoundedPicture::Picture::~Picture() = default;

std::shared_ptr<const RoundedPicture::Picture> RoundedPicture::picture(const QString &path) {
    if (path.isEmpty())
        return nullptr;
    auto &pictures = heldPictures();
    if (auto held = pictures.value(path).lock())
        return held;
    auto read = std::make_shared<Picture>();
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        read->svg = std::make_unique<QSvgRenderer>(path);
        if (read->svg->isValid())
            read->size = read->svg->defaultSize();
        else
            read->svg.reset();
    } else {
        read->image = QImageReader(path).read();
        read->size = read->image.size();
    }
    if (read->size.isEmpty())
        return nullptr;
    // Forget entries whose pictures are gone, so the table does not grow with every file ever shown.
    for (auto it = pictures.begin(); it != pictures.end();)
        it = it->expired() ? pictures.erase(it) : std::next(it);
    pictures.insert(path, read);
    return read;
}

int RoundedPicture::picturesHeld() {
    int held = 0;
    for (const auto &picture : std::as_const(heldPictures()))
        held += picture.expired() ? 0 : 1;
    return held;
}

RoundedPicture::RoundedPicture(QQuickItem *parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    connect(this, &QQuickItem::widthChanged, this, [this] { update(); });
    connect(this, &QQuickItem::heightChanged, this, [this] { update(); });
}

QRectF RoundedPicture::placement(const QSizeF &image, const QSizeF &frame, bool fill) {
    if (image.isEmpty() || frame.isEmpty())
        return {};
    const qreal sx = frame.width() / image.width();
    const qreal sy = frame.height() / image.height();
    const qreal scale = fill ? std::max(sx, sy) : std::min(sx, sy);
    const QSizeF size = image * scale;
    return QRectF(QPointF((frame.width() - size.width()) / 2, (frame.height() - size.height()) / 2), size);
}

void RoundedPicture::setSource(const QUrl &source) {
    if (m_source == source)
        return;
    const bool wasLoaded = loaded();
    m_source = source;
    m_picture = picture(localPath());
    m_naturalSize = m_picture ? m_picture->size : QSizeF();
    Q_EMIT sourceChanged();
    if (loaded() != wasLoaded)
        Q_EMIT loadedChanged();
    update();
}

void RoundedPicture::setRadius(qreal radius) {
    if (qFuzzyCompare(m_radius + 1, radius + 1))
        return;
    m_radius = radius;
    Q_EMIT radiusChanged();
    update();
}

void RoundedPicture::setFill(bool fill) {
    if (m_fill == fill)
        return;
    m_fill = fill;
    Q_EMIT fillChanged();
    update();
}

QString RoundedPicture::localPath() const {
    if (m_source.scheme() == QLatin1String("qrc"))
        return u':' + m_source.path();
    if (m_source.isLocalFile())
        return m_source.toLocalFile();
    return {};
}

void RoundedPicture::paint(QPainter *painter) {
    if (!m_picture || width() <= 0 || height() <= 0)
        return;
    const QRectF target = placement(m_naturalSize, size(), m_fill);
    const QRectF shown = QRectF(QPointF(0, 0), size()).intersected(target);
    if (shown.isEmpty())
        return;
    const qreal r = std::clamp<qreal>(m_radius, 0, std::min(shown.width(), shown.height()) / 2);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setClipRect(shown);
    if (m_picture->svg)
        m_picture->svg->render(painter, target);
    else
        painter->drawImage(target, m_picture->image);
    if (r > 0) {
        // The corners are cleared with an antialiased edge (a clip path would leave them jagged).
        QPainterPath outside;
        outside.addRect(shown);
        QPainterPath rounded;
        rounded.addRoundedRect(shown, r, r);
        painter->setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter->fillPath(outside.subtracted(rounded), Qt::black);
    }
    painter->restore();
}
