#include "BubbleShape.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QImage>
#include <QPainterPathStroker>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

// The chat bubble's outline is a picture painted once (BubbleShape), in place of the Shape drawn through a
// layer that it replaces: drawn side by side offscreen (the software renderer), the two look the same, and
// frames drawn for something moving over the bubble no longer paint it again.

namespace {

// The bubble as it was drawn before: a Shape of lines and quarter arcs, through a layer.
const QByteArray kShapeBubble = R"(
Shape {
    id: shape
    property real topLeft: 20
    property real topRight: 20
    property real bottomLeft: 20
    property real bottomRight: 20
    property alias fillColor: outline.fillColor
    property alias fillGradient: outline.fillGradient
    property alias strokeColor: outline.strokeColor
    function clamp(r) { return Math.max(0, Math.min(r, width / 2, height / 2)) }
    antialiasing: true
    layer.enabled: true
    layer.samples: 4
    ShapePath {
        id: outline
        strokeWidth: 1
        strokeColor: "transparent"
        fillColor: "white"
        startX: shape.clamp(shape.topLeft); startY: 0
        PathLine { x: shape.width - shape.clamp(shape.topRight); y: 0 }
        PathArc { x: shape.width; y: shape.clamp(shape.topRight); radiusX: shape.clamp(shape.topRight); radiusY: radiusX }
        PathLine { x: shape.width; y: shape.height - shape.clamp(shape.bottomRight) }
        PathArc { x: shape.width - shape.clamp(shape.bottomRight); y: shape.height; radiusX: shape.clamp(shape.bottomRight); radiusY: radiusX }
        PathLine { x: shape.clamp(shape.bottomLeft); y: shape.height }
        PathArc { x: 0; y: shape.height - shape.clamp(shape.bottomLeft); radiusX: shape.clamp(shape.bottomLeft); radiusY: radiusX }
        PathLine { x: 0; y: shape.clamp(shape.topLeft) }
        PathArc { x: shape.clamp(shape.topLeft); y: 0; radiusX: shape.clamp(shape.topLeft); radiusY: radiusX }
    }
}
)";

struct Look {
    QSizeF size;
    QPointF at; // where both bubbles sit in their half of the window (fractions included)
    double topLeft, topRight, bottomRight, bottomLeft;
    QString fill, fillEnd, stroke, backdrop;
};

// The largest difference of any channel between two pictures of the same size, away from `edge` (a band
// around the outline) and on it, and how many pixels differ by more than a few steps.
struct Difference {
    int inside = 0;
    int onEdge = 0;
    int pixels = 0;
};
Difference compare(const QImage &a, const QImage &b, const QPainterPath &edge) {
    Difference d;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int channel = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                          std::abs(qBlue(p) - qBlue(q))});
            int &worst = edge.contains(QPointF(x + 0.5, y + 0.5)) ? d.onEdge : d.inside;
            worst = std::max(worst, channel);
            if (channel > 4)
                ++d.pixels;
        }
    }
    return d;
}

} // namespace

Q_DECLARE_METATYPE(Look)

class TestBubbleShape : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void looksLikeTheShape_data() {
        QTest::addColumn<Look>("look");
        // The buddy's answer: the small corner at the bottom left, a hairline of the robot's colour.
        QTest::newRow("answer, light")
            << Look{{576, 46}, {0, 0}, 20, 20, 20, 6, "#FFFFFF", "", "#2E14A098", "#EEF6F5"};
        QTest::newRow("answer, dark")
            << Look{{431, 70}, {0.5, 0.25}, 20, 20, 20, 6, "#1C1C1E", "", "#5914A098", "#000000"};
        // The learner's text: a gradient across, the small corner at the bottom right.
        QTest::newRow("learner, light")
            << Look{{214.6, 46}, {0.4, 0}, 20, 20, 6, 20, "#14A098", "#0B3B66", "transparent", "#EEF6F5"};
        QTest::newRow("learner, whole pixels")
            << Look{{200, 46}, {0, 0}, 20, 20, 6, 20, "#14A098", "#0B3B66", "transparent", "#EEF6F5"};
        QTest::newRow("learner, dark")
            << Look{{120, 94.5}, {0, 0.5}, 20, 20, 6, 20, "#14A098", "#0B3B66", "transparent", "#000000"};
        // Radii beyond half the height or width are cut to it.
        QTest::newRow("short, radii clamped")
            << Look{{60, 30}, {0, 0}, 20, 20, 20, 6, "#FFFFFF", "", "#2EFF6A3D", "#EEF6F5"};
        QTest::newRow("narrow, typing dots")
            << Look{{61, 44}, {0.5, 0.5}, 20, 20, 20, 6, "#F2F2F7", "", "#2E3B7BE0", "#EEF6F5"};
    }
    void looksLikeTheShape() {
        QFETCH(Look, look);
        TestPlatform platform;
        QmlHarness::WarningGuard guard;
        const int half = int(std::ceil(look.size.width() + look.at.x())) + 8;
        const int height = int(std::ceil(look.size.height() + look.at.y())) + 8;
        QmlHarness::View view(QSize(2 * half, height));
        const QString fill =
            look.fillEnd.isEmpty()
                ? QStringLiteral("fillColor: \"%1\"").arg(look.fill)
                : QStringLiteral("fillGradient: LinearGradient { x1: 0; y1: 0; x2: %1; y2: 0\n"
                                 "GradientStop { position: 0; color: \"%2\" }\n"
                                 "GradientStop { position: 1; color: \"%3\" } }")
                      .arg(look.size.width())
                      .arg(look.fill, look.fillEnd);
        const QString common = QStringLiteral("y: %1; width: %2; height: %3; topLeft: %4; topRight: %5; "
                                              "bottomRight: %6; bottomLeft: %7; strokeColor: \"%8\"\n")
                                   .arg(4 + look.at.y())
                                   .arg(look.size.width())
                                   .arg(look.size.height())
                                   .arg(look.topLeft)
                                   .arg(look.topRight)
                                   .arg(look.bottomRight)
                                   .arg(look.bottomLeft)
                                   .arg(look.stroke);
        const QString scene =
            QStringLiteral("import QtQuick\nimport QtQuick.Shapes\nimport Quorvel.Companion\n"
                           "Rectangle {\n color: \"%1\"\n"
                           " component ShapeBubble: %2\n"
                           " ShapeBubble { x: %3; %4 %5 }\n"
                           " BubbleShape { objectName: \"picture\"; x: %6; %4 %7 }\n}\n")
                .arg(look.backdrop, QString::fromUtf8(kShapeBubble))
                .arg(4 + look.at.x())
                .arg(common, fill)
                .arg(half + 4 + look.at.x())
                .arg(look.fillEnd.isEmpty() ? fill
                                            : QStringLiteral("fillColor: \"%1\"; fillColorEnd: \"%2\"")
                                                  .arg(look.fill, look.fillEnd));
        QVERIFY2(view.loadData(scene.toUtf8()), qPrintable(view.error()));
        QVERIFY(view.find(QStringLiteral("picture")));
        const QImage shot = view.window().grabWindow().convertToFormat(QImage::Format_RGB32);
        QVERIFY(!shot.isNull());
        const QImage before = shot.copy(0, 0, half, height), after = shot.copy(half, 0, half, height);
        // A band of a pixel and a half either side of the outline, where it is.
        QPainterPathStroker band;
        band.setWidth(3);
        const QPainterPath edge = band.createStroke(
            BubbleShape::outline(look.size, look.topLeft, look.topRight, look.bottomRight, look.bottomLeft)
                .translated(4 + look.at.x(), 4 + look.at.y()));
        const Difference d = compare(before, after, edge);
        qInfo("worst channel difference %d inside, %d on the edge; %d pixels differ by more than 4", d.inside,
              d.onEdge, d.pixels);
        // The same fill, gradient and hairline from the same painter: away from the edge the pictures are the
        // same.
        QVERIFY2(d.inside <= 4, qPrintable(QStringLiteral("a channel differs by %1").arg(d.inside)));
        const bool wholePixels = look.size.toSize() == look.size;
        if (wholePixels) {
            // Only the approximations of the arcs round a pixel of the antialiased edge differently.
            QVERIFY2(d.onEdge <= 16,
                     qPrintable(QStringLiteral("an edge channel differs by %1").arg(d.onEdge)));
            QVERIFY2(d.pixels <= 4, qPrintable(QStringLiteral("%1 pixels differ").arg(d.pixels)));
        }
        // Of a size in fractions of a pixel, the layer stretched its whole-pixel picture over the item and
        // moved the edge by up to a pixel; the picture keeps the edge where the outline is. Either way the
        // differences stay on the edge, checked above.
        QVERIFY2(guard.warnings().isEmpty(), qPrintable(guard.warnings().join(u'\n')));
    }

    // Frames drawn for something that moves over the bubble (a robot beside it) copy its picture; only a
    // change of its size or look paints it again.
    void framesOverItDoNotPaintItAgain() {
        TestPlatform platform;
        QmlHarness::View view(QSize(400, 120));
        QVERIFY2(view.loadData("import QtQuick\nimport Quorvel.Companion\n"
                               "Rectangle {\n color: \"#EEF6F5\"\n"
                               " BubbleShape { objectName: \"bubble\"; x: 40; y: 20; width: 300; height: 60;"
                               " bottomLeft: 6; strokeColor: \"#2E14A098\" }\n"
                               " Rectangle { id: mover; x: 20; y: 40; width: 60; height: 30; opacity: 0.5;"
                               " color: \"#14A098\" }\n"
                               " Timer { interval: 20; running: true; repeat: true;"
                               " onTriggered: mover.x = mover.x > 30 ? 20 : mover.x + 1 }\n}\n"),
                 qPrintable(view.error()));
        auto *bubble = qobject_cast<BubbleShape *>(view.find(QStringLiteral("bubble")));
        QVERIFY(bubble);
        QTRY_VERIFY(bubble->paintCount() > 0);
        QTest::qWait(50);
        const int painted = bubble->paintCount();
        QSignalSpy frames(&view.window(), &QQuickWindow::frameSwapped);
        QTRY_VERIFY(frames.count() >= 10);
        QCOMPARE(bubble->paintCount(), painted);

        // A longer streamed answer makes the bubble taller: it is painted again at its new size.
        bubble->setHeight(90);
        QTRY_VERIFY(bubble->paintCount() > painted);
        const int resized = bubble->paintCount();
        bubble->setStrokeColor(QColor(0x35, 0x14, 0xA0, 0x98));
        QTRY_VERIFY(bubble->paintCount() > resized);
    }

    // The outline's corners: each radius at most half the width and half the height, the path closed where it
    // began, and nothing outside the item's rectangle.
    void outlineKeepsToTheRectangle_data() {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<double>("radius");
        QTest::addColumn<double>("expected");
        QTest::newRow("room for the radius") << QSizeF(200, 60) << 20.0 << 20.0;
        QTest::newRow("cut to half the height") << QSizeF(200, 30) << 20.0 << 15.0;
        QTest::newRow("cut to half the width") << QSizeF(24, 60) << 20.0 << 12.0;
        QTest::newRow("square corners") << QSizeF(50, 50) << 0.0 << 0.0;
        QTest::newRow("negative radius is square") << QSizeF(50, 50) << -4.0 << 0.0;
    }
    void outlineKeepsToTheRectangle() {
        QFETCH(QSizeF, size);
        QFETCH(double, radius);
        QFETCH(double, expected);
        const QPainterPath path = BubbleShape::outline(size, radius, radius, radius, radius);
        QCOMPARE(path.boundingRect(), QRectF(QPointF(0, 0), size));
        QCOMPARE(path.elementAt(0).x, expected);
        QCOMPARE(path.currentPosition(), QPointF(expected, 0));
        // The corner itself is outside a rounded corner and inside a square one.
        QCOMPARE(path.contains(QPointF(0.5, 0.5)), expected < 0.5);
        QVERIFY(path.contains(QPointF(size.width() / 2, size.height() / 2)));
    }
};

QTEST_MAIN(TestBubbleShape)
#include "tst_bubbleshape.moc"
