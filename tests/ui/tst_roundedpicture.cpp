#include "RoundedPicture.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

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
};

QTEST_MAIN(TestRoundedPicture)
#include "tst_roundedpicture.moc"
