#include "RoundedPicture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

class TestRoundedPicture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placedToFitOrToFill_data() {
        QTest::addColumn<QSizeF>("image");
        QTest::addColumn<QSizeF>("frame");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("square in square")
            << QSizeF(120, 120) << QSizeF(60, 60) << false << QRectF(0, 0, 60, 60);
        QTest::newRow("wide fits: bands above and below")
            << QSizeF(200, 100) << QSizeF(100, 100) << false << QRectF(0, 25, 100, 50);
        QTest::newRow("wide fills: sides cut")
            << QSizeF(200, 100) << QSizeF(100, 100) << true << QRectF(-50, 0, 200, 100);
        QTest::newRow("hero band on a wide window")
            << QSizeF(1600, 800) << QSizeF(1100, 430) << true << QRectF(0, -60, 1100, 550);
        QTest::newRow("hero band on a narrow window")
            << QSizeF(1600, 800) << QSizeF(390, 430) << true << QRectF(-235, 0, 860, 430);
        QTest::newRow("empty frame") << QSizeF(100, 100) << QSizeF(0, 40) << true << QRectF();
    }
    void placedToFitOrToFill() {
        QFETCH(QSizeF, image);
        QFETCH(QSizeF, frame);
        QFETCH(bool, fill);
        QFETCH(QRectF, expected);
        QCOMPARE(RoundedPicture::placement(image, frame, fill), expected);
    }

    // A solid 100 x 50 picture, written to a file of its own.
    static QString solidSvg(const QTemporaryDir &dir, const QString &name) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("<svg xmlns='http://www.w3.org/2000/svg' width='100' height='50' viewBox='0 0 100 50'>"
                   "<rect width='100' height='50' fill='#ff0000'/></svg>");
        return path;
    }

    void readOnceAndFreedWithTheLastItem() {
        QTemporaryDir dir;
        const QUrl source = QUrl::fromLocalFile(solidSvg(dir, QStringLiteral("a.svg")));
        const int before = RoundedPicture::picturesHeld();
        {
            RoundedPicture card;
            RoundedPicture sheet;
            card.setSource(source);
            sheet.setSource(source);
            QVERIFY(card.loaded());
            QCOMPARE(RoundedPicture::picture(source.toLocalFile()).get(),
                     RoundedPicture::picture(source.toLocalFile()).get());
            QCOMPARE(RoundedPicture::picturesHeld(), before + 1);
            card.setSource(QUrl());
            QCOMPARE(RoundedPicture::picturesHeld(), before + 1); // the sheet still shows it
        }
        QCOMPARE(RoundedPicture::picturesHeld(), before);
        RoundedPicture broken;
        broken.setSource(QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.svg"))));
        QVERIFY(!broken.loaded());
        QCOMPARE(RoundedPicture::picturesHeld(), before);
    }

    void cornersAreCut_data() {
        QTest::addColumn<qreal>("radius");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<bool>("opaque");
        // The item is 100 x 100: fitted, the picture fills the band y 25..75; filled, the whole item.
        QTest::newRow("square corner") << 0.0 << true << QPoint(0, 0) << true;
        QTest::newRow("rounded corner") << 20.0 << true << QPoint(1, 1) << false;
        QTest::newRow("middle of an edge") << 20.0 << true << QPoint(50, 0) << true;
        QTest::newRow("centre") << 20.0 << true << QPoint(50, 50) << true;
        QTest::newRow("fitted: band above the picture") << 0.0 << false << QPoint(50, 10) << false;
        QTest::newRow("fitted: corner of the picture") << 10.0 << false << QPoint(1, 26) << false;
        QTest::newRow("fitted: inside the picture") << 10.0 << false << QPoint(50, 30) << true;
    }
    void cornersAreCut() {
        QFETCH(qreal, radius);
        QFETCH(bool, fill);
        QFETCH(QPoint, pixel);
        QFETCH(bool, opaque);
        QTemporaryDir dir;
        RoundedPicture art;
        art.setSource(QUrl::fromLocalFile(solidSvg(dir, QStringLiteral("b.svg"))));
        art.setSize(QSizeF(100, 100));
        art.setRadius(radius);
        art.setFill(fill);
        QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        art.paint(&painter);
        painter.end();
        QCOMPARE(qAlpha(image.pixel(pixel)) == 255, opaque);
        if (opaque)
            QCOMPARE(qRed(image.pixel(pixel)), 255);
    }

    // What `art` draws at `size`, on a painter scaled by `scale` (the window's device pixel ratio).
    static QImage painted(RoundedPicture &art, const QSizeF &size, qreal scale) {
        art.setSize(size);
        QImage image((size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.scale(scale, scale);
        art.paint(&painter);
        painter.end();
        return image;
    }
    // The largest difference of any channel of any pixel; -1 when the sizes differ.
    static int largestDifference(const QImage &a, const QImage &b) {
        if (a.size() != b.size())
            return -1;
        int largest = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            }
        }
        return largest;
    }
    static QString heroArt() {
        return QStringLiteral(QVL_TEST_DATA_DIR "/../../src/guest/assets/HeroArt.svg");
    }

    // The guest home's hero drawn from the cache looks as the vector art drawn straight into the item: on the
    // start that draws and stores it, and on the next one that only copies the stored pixels.
    void cachedDrawingLooksAsTheArt_data() {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<qreal>("radius");
        QTest::addColumn<qreal>("scale");
        QTest::newRow("hero band, wide window") << QSizeF(1100, 430) << true << 0.0 << 1.0;
        QTest::newRow("hero band, narrow window") << QSizeF(390, 430) << true << 0.0 << 1.0;
        QTest::newRow("hero band, high-density screen") << QSizeF(600, 430) << true << 0.0 << 2.0;
        QTest::newRow("fitted with rounded corners") << QSizeF(300, 300) << false << 24.0 << 1.0;
    }
    void cachedDrawingLooksAsTheArt() {
        QFETCH(QSizeF, size);
        QFETCH(bool, fill);
        QFETCH(qreal, radius);
        QFETCH(qreal, scale);
        QTemporaryDir cache;
        RoundedPicture::setDrawingCacheFolder(cache.path());
        const QUrl source = QUrl::fromLocalFile(heroArt());
        const auto configure = [&](RoundedPicture &art, const QString &cacheName) {
            art.setSource(source);
            art.setFill(fill);
            art.setRadius(radius);
            art.setDrawingCache(cacheName);
        };

        RoundedPicture direct;
        configure(direct, QString());
        QVERIFY(direct.loaded());
        const QImage expected = painted(direct, size, scale);
        QCOMPARE(cache.isValid() && QDir(cache.path()).isEmpty(), true);

        RoundedPicture firstStart;
        configure(firstStart, QStringLiteral("hero"));
        const QImage drawn = painted(firstStart, size, scale);
        QVERIFY(QFile::exists(cache.filePath(QStringLiteral("hero.drawing"))));
        QVERIFY2(largestDifference(drawn, expected) >= 0 && largestDifference(drawn, expected) <= 2,
                 qPrintable(QString::number(largestDifference(drawn, expected))));

        RoundedPicture nextStart;
        configure(nextStart, QStringLiteral("hero"));
        const QImage copied = painted(nextStart, size, scale);
        QVERIFY2(largestDifference(copied, expected) >= 0 && largestDifference(copied, expected) <= 2,
                 qPrintable(QString::number(largestDifference(copied, expected))));
        RoundedPicture::setDrawingCacheFolder(QString());
    }

    // The stored pixels are what the next start shows (marked here to tell them from a new drawing), and only
    // while everything the drawing depends on is unchanged: another size, a changed picture or a damaged
    // entry draws the art again.
    void storedDrawingIsUsedOnlyForTheSameArtAndSize() {
        QTemporaryDir cache;
        RoundedPicture::setDrawingCacheFolder(cache.path());
        QTemporaryDir dir;
        const QString art = solidSvg(dir, QStringLiteral("c.svg"));
        const QString entry = cache.filePath(QStringLiteral("art.drawing"));
        const auto paintedWithCache = [&](const QSizeF &size) {
            RoundedPicture item;
            item.setSource(QUrl::fromLocalFile(art));
            item.setFill(true);
            item.setDrawingCache(QStringLiteral("art"));
            return painted(item, size, 1.0);
        };
        // Turns every stored pixel blue.
        const auto markEntry = [&] {
            QFile file(entry);
            if (!file.open(QIODevice::ReadWrite))
                return false;
            const qint64 header = 36;
            QByteArray pixels = file.readAll().mid(header);
            for (qsizetype i = 0; i + 3 < pixels.size(); i += 4)
                qToUnaligned<quint32>(qToLittleEndian<quint32>(0xff0000ffu), pixels.data() + i);
            return file.seek(header) && file.write(pixels) == pixels.size();
        };
        const QSizeF size(60, 40);
        QCOMPARE(qRed(paintedWithCache(size).pixel(10, 10)), 255);
        QVERIFY(markEntry());
        QCOMPARE(paintedWithCache(size).pixel(10, 10), qRgb(0, 0, 255)); // the stored pixels

        QCOMPARE(paintedWithCache(QSizeF(61, 40)).pixel(10, 10), qRgb(255, 0, 0)); // another size
        QVERIFY(markEntry());
        QFile changed(art);
        QVERIFY(changed.open(QIODevice::WriteOnly));
        changed.write("<svg xmlns='http://www.w3.org/2000/svg' width='100' height='50' viewBox='0 0 100 50'>"
                      "<rect width='100' height='50' fill='#00ff00'/></svg>");
        changed.close();
        QCOMPARE(paintedWithCache(QSizeF(61, 40)).pixel(10, 10), qRgb(0, 255, 0)); // a changed picture

        QFile damaged(entry);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        QVERIFY(damaged.resize(damaged.size() / 2));
        damaged.close();
        QCOMPARE(paintedWithCache(QSizeF(61, 40)).pixel(10, 10), qRgb(0, 255, 0)); // a damaged entry
        RoundedPicture::setDrawingCacheFolder(QString());
    }

    // An item writes its entry once per run: resizing the window draws at every size but stores only the
    // first.
    void storesOncePerItem() {
        QTemporaryDir cache;
        RoundedPicture::setDrawingCacheFolder(cache.path());
        QTemporaryDir dir;
        RoundedPicture item;
        item.setSource(QUrl::fromLocalFile(solidSvg(dir, QStringLiteral("d.svg"))));
        item.setDrawingCache(QStringLiteral("art"));
        painted(item, QSizeF(50, 50), 1.0);
        const QString entry = cache.filePath(QStringLiteral("art.drawing"));
        QCOMPARE(QFileInfo(entry).size(), 36 + 50 * 50 * 4);
        painted(item, QSizeF(70, 50), 1.0);
        QCOMPARE(QFileInfo(entry).size(), 36 + 50 * 50 * 4);
        RoundedPicture::setDrawingCacheFolder(QString());
    }
};

QTEST_MAIN(TestRoundedPicture)
#include "tst_roundedpicture.moc"
