#include "RoundedPicture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QQuickWindow>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSvgRenderer>

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {
// Read pictures by path, held by the items showing them.
QHash<QString, std::weak_ptr<const RoundedPicture::Picture>> &heldPictures() {
    static QHash<QString, std::weak_ptr<const RoundedPicture::Picture>> pictures;
    return pictures;
}
QString &cacheFolderOverride() {
    static QString folder;
    return folder;
}

// A cached drawing: this magic, the 20-byte key, width and height (32 bits each, little-endian), then the
// premultiplied ARGB pixels row by row.
constexpr char kDrawingMagic[8] = {'Q', 'V', 'L', 'D', 'R', 'A', 'W', '1'};
constexpr qsizetype kKeySize = 20;
constexpr qsizetype kHeaderSize = sizeof(kDrawingMagic) + kKeySize + 8;
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

void RoundedPicture::setDrawingCache(const QString &name) {
    if (m_drawingCache == name)
        return;
    m_drawingCache = name;
    m_drawingStored = false;
    Q_EMIT drawingCacheChanged();
}

QString RoundedPicture::drawingCacheFolder() {
    if (!cacheFolderOverride().isEmpty())
        return cacheFolderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/pictures");
}

void RoundedPicture::setDrawingCacheFolder(const QString &folder) {
    cacheFolderOverride() = folder;
}

QByteArray RoundedPicture::drawingKey(const QSize &pixels) const {
    QFile art(localPath());
    if (!art.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(art.readAll());
    hash.addData(QStringLiteral("%1x%2 %3x%4 fill=%5 radius=%6")
                     .arg(pixels.width())
                     .arg(pixels.height())
                     .arg(width(), 0, 'g', 10)
                     .arg(height(), 0, 'g', 10)
                     .arg(m_fill ? 1 : 0)
                     .arg(m_radius, 0, 'g', 10)
                     .toUtf8());
    return hash.result();
}

QImage RoundedPicture::cachedDrawing(const QByteArray &key, const QSize &pixels) const {
    QFile file(drawingCacheFolder() + u'/' + m_drawingCache + QStringLiteral(".drawing"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray header = file.read(kHeaderSize);
    if (header.size() != kHeaderSize ||
        !header.startsWith(QByteArray(kDrawingMagic, sizeof(kDrawingMagic))) ||
        header.mid(sizeof(kDrawingMagic), kKeySize) != key ||
        qFromLittleEndian<qint32>(header.constData() + kHeaderSize - 8) != pixels.width() ||
        qFromLittleEndian<qint32>(header.constData() + kHeaderSize - 4) != pixels.height())
        return {};
    QImage drawing(pixels, QImage::Format_ARGB32_Premultiplied);
    if (drawing.isNull() || drawing.bytesPerLine() != pixels.width() * 4 ||
        file.read(reinterpret_cast<char *>(drawing.bits()), drawing.sizeInBytes()) != drawing.sizeInBytes())
        return {};
    return drawing;
}

void RoundedPicture::storeDrawing(const QByteArray &key, const QImage &drawing) {
    m_drawingStored = true;
    if (!QDir().mkpath(drawingCacheFolder()) || drawing.bytesPerLine() != drawing.width() * 4)
        return;
    QSaveFile file(drawingCacheFolder() + u'/' + m_drawingCache + QStringLiteral(".drawing"));
    if (!file.open(QIODevice::WriteOnly))
        return;
    char size[8];
    qToLittleEndian<qint32>(drawing.width(), size);
    qToLittleEndian<qint32>(drawing.height(), size + 4);
    file.write(kDrawingMagic, sizeof(kDrawingMagic));
    file.write(key);
    file.write(size, sizeof(size));
    file.write(reinterpret_cast<const char *>(drawing.constBits()), drawing.sizeInBytes());
    file.commit(); // a cache: a failed write only means drawing the art again next time
}

void RoundedPicture::paint(QPainter *painter) {
    if (!m_picture || width() <= 0 || height() <= 0)
        return;
    const QTransform device = painter->deviceTransform();
    const bool plainScale =
        device.type() <= QTransform::TxScale && qFuzzyCompare(device.m11(), device.m22()) && device.m11() > 0;
    if (!m_picture->svg || m_drawingCache.isEmpty() || !plainScale) {
        draw(painter);
        return;
    }
    // The drawing in device pixels, copied 1:1 onto the item; drawn through an image of its own when not
    // cached yet, so that what is stored is exactly what is shown.
    const qreal scale = device.m11();
    const QSize pixels = (size() * scale).toSize();
    if (pixels.isEmpty())
        return;
    const QByteArray key = drawingKey(pixels);
    QImage drawing = key.isEmpty() ? QImage() : cachedDrawing(key, pixels);
    if (drawing.isNull()) {
        drawing = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        drawing.fill(Qt::transparent);
        QPainter own(&drawing);
        own.scale(scale, scale);
        draw(&own);
        own.end();
        if (!m_drawingStored && !key.isEmpty())
            storeDrawing(key, drawing);
    }
    drawing.setDevicePixelRatio(scale);
    painter->save();
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->drawImage(QPointF(0, 0), drawing);
    painter->restore();
}

void RoundedPicture::draw(QPainter *painter) const {
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
