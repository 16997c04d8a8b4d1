#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QRectF>
#include <QSizeF>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <memory>

class QSvgRenderer;

// A picture file (artwork, an icon, the brand mark) drawn into a rounded rectangle: scaled to fit the item or
// to fill it (cropped), its corners cut on every renderer, including the software one where layer masks draw
// nothing. An empty or unreadable source draws nothing and keeps the item's place.
//
// Each picture file is read once and shared by every item that shows it (the card and its detail sheet show
// the same icon); it is freed with the last item that shows it. Vector art is drawn straight into the item at
// the size shown, so the item's own backing store is the only rendered copy.
//
// Large vector art that a screen shows at its start (the guest home's hero) names a `drawingCache`: its
// drawing at the size shown is then kept in the app's cache folder, and the next start at that size copies
// those pixels instead of drawing the art again. The entry is keyed on the art's bytes and everything the
// drawing depends on (size in device pixels, fit or fill, radius), so a changed picture or size draws anew;
// a process writes an item's entry at most once, so resizing the window does not write a file per frame.
class RoundedPicture : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QUrl source READ source WRITE setSource NOTIFY sourceChanged)
    Q_PROPERTY(qreal radius READ radius WRITE setRadius NOTIFY radiusChanged)
    Q_PROPERTY(bool fill READ fill WRITE setFill NOTIFY fillChanged)
    Q_PROPERTY(bool loaded READ loaded NOTIFY loadedChanged)
    Q_PROPERTY(QString drawingCache READ drawingCache WRITE setDrawingCache NOTIFY drawingCacheChanged)

public:
    explicit RoundedPicture(QQuickItem *parent = nullptr);

    // Where a picture of `image` size lands in a frame of `frame` size: centred, scaled to fit inside it, or
    // scaled to cover it (the overhang is cut off).
    static QRectF placement(const QSizeF &image, const QSizeF &frame, bool fill);

    QUrl source() const { return m_source; }
    void setSource(const QUrl &source);
    qreal radius() const { return m_radius; }
    void setRadius(qreal radius);
    bool fill() const { return m_fill; }
    void setFill(bool fill);
    bool loaded() const { return !m_naturalSize.isEmpty(); }
    QString drawingCache() const { return m_drawingCache; }
    void setDrawingCache(const QString &name);

    // Where cached drawings are kept: "pictures" in the app's cache folder unless set (tests).
    static QString drawingCacheFolder();
    static void setDrawingCacheFolder(const QString &folder);

    void paint(QPainter *painter) override;

    // A read picture: vector art, or a raster image for other formats.
    struct Picture {
        std::unique_ptr<QSvgRenderer> svg;
        QImage image;
        QSizeF size; // natural size; empty when the file could not be read
        ~Picture();
    };
    // The picture of a file, read on first use and shared while anyone holds it; null when unreadable.
    static std::shared_ptr<const Picture> picture(const QString &path);
    // How many read pictures are held now.
    static int picturesHeld();

Q_SIGNALS:
    void sourceChanged();
    void radiusChanged();
    void fillChanged();
    void loadedChanged();
    void drawingCacheChanged();

private:
    QString localPath() const;
    // Draws the picture, cut to the item and its corners, into `painter` at the item's size.
    void draw(QPainter *painter) const;
    // The cached drawing for `key` of `pixels`, or a null image.
    QImage cachedDrawing(const QByteArray &key, const QSize &pixels) const;
    void storeDrawing(const QByteArray &key, const QImage &drawing);
    QByteArray drawingKey(const QSize &pixels) const;

    QUrl m_source;
    qreal m_radius = 0;
    bool m_fill = false;
    QSizeF m_naturalSize;
    std::shared_ptr<const Picture> m_picture;
    QString m_drawingCache;
    bool m_drawingStored = false;
};
