#include "GuestHomeArt.h"

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
QHash<QString, std::weak_ptr<const GuestHomeArt::Art>> &heldArts() {
    static QHash<QString, std::weak_ptr<const GuestHomeArt::Art>> arts;
    return arts;
}
} // namespace

GuestHomeArt::Art::~Art() = default;

std::shared_ptr<const GuestHomeArt::Art> GuestHomeArt::art(const QString &path) {
    if (path.isEmpty())
        return nullptr;
    auto &arts = heldArts();
    if (auto held = arts.value(path).lock())
        return held;
    auto read = std::make_shared<Art>();
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
    for (auto it = arts.begin(); it != arts.end();)
        it = it->expired() ? arts.erase(it) : std::next(it);
    arts.insert(path, read);
    return read;
}

int GuestHomeArt::artsHeld() {
    int held = 0;
    for (const auto &art : std::as_const(heldArts()))
        held += art.expired() ? 0 : 1;
    return held;
}

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
    m_art = art(localPath());
    m_naturalSize = m_art ? m_art->size : QSizeF();
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

void GuestHomeArt::paint(QPainter *painter) {
    if (!m_art || width() <= 0 || height() <= 0)
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
    if (m_art->svg)
        m_art->svg->render(painter, target);
    else
        painter->drawImage(target, m_art->image);
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
