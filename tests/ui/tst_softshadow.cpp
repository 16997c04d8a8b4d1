#include "QmlHarness.h"
#include "SoftShadow.h"

#include <QDeadlineTimer>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTest>

#include <algorithm>

namespace {

// The shadow drawn as eight translucent rounded rectangles in the scene, as the kit drew it before it became
// one shared picture: the reference the picture must look like.
const QByteArray kScene =
    "import QtQuick\n"
    "import Quorvel.Ui\n"
    "\n"
    "Rectangle {\n"
    "    id: scene\n"
    "\n"
    "    property real cornerRadius\n"
    "    property real blur\n"
    "    property real alpha\n"
    "    property real shapeWidth\n"
    "    property real shapeHeight\n"
    "    property real offsetY\n"
    "    property int below\n"
    "\n"
    "    color: \"white\"\n"
    "\n"
    "    Item {\n"
    "        id: outlines\n"
    "\n"
    "        x: 60; y: 60\n"
    "        width: scene.shapeWidth; height: scene.shapeHeight\n"
    "\n"
    "        Repeater {\n"
    "            model: 8\n"
    "\n"
    "            Rectangle {\n"
    "                required property int index\n"
    "                readonly property real spreadBy: scene.blur * (1.25 * (index + 1) / 8 - 0.35)\n"
    "\n"
    "                x: -spreadBy\n"
    "                y: scene.offsetY - spreadBy\n"
    "                width: outlines.width + 2 * spreadBy\n"
    "                height: outlines.height + 2 * spreadBy\n"
    "                radius: Math.max(0, scene.cornerRadius + spreadBy)\n"
    "                color: Qt.rgba(0.1, 0.15, 0.3, 1 - Math.pow(1 - scene.alpha, 1 / 8))\n"
    "                antialiasing: true\n"
    "            }\n"
    "        }\n"
    "    }\n"
    "    BrandShadow {\n"
    "        x: 60; y: 60 + scene.below\n"
    "        width: scene.shapeWidth; height: scene.shapeHeight\n"
    "        cornerRadius: scene.cornerRadius\n"
    "        blur: scene.blur\n"
    "        offsetY: scene.offsetY\n"
    "        color: Qt.rgba(0.1, 0.15, 0.3, scene.alpha)\n"
    "    }\n"
    "}\n";

// The outlines over each other round their colour once in the picture rather than eight times in the scene
// (a level everywhere), and curves are smoothed a little differently: a pixel or two in a hundred are a few
// levels apart. A shape whose size is no whole number of pixels has its right and bottom edges a pixel apart
// at most. A shadow out of place by a pixel, a seam between the picture's parts or a wrong opacity sets whole
// edges apart.
constexpr int kNear = 3; // levels

struct Difference {
    int worst = 256;     // the largest difference of a colour channel
    int apart = 1 << 30; // pixels more than a few levels apart
    int shaded = 0;      // pixels of the reference that the shadow darkens
};

// The reference area of the frame against the same area `below` it.
Difference compare(const QImage &grabbed, const QRect &reference, int below) {
    const QImage frame = grabbed.convertToFormat(QImage::Format_RGB32);
    Difference difference{0, 0, 0};
    for (int y = reference.top(); y <= reference.bottom(); ++y) {
        for (int x = reference.left(); x <= reference.right(); ++x) {
            const QRgb old = frame.pixel(x, y), now = frame.pixel(x, y + below);
            difference.shaded += qRed(old) < 250;
            const int apart = std::max({std::abs(qRed(old) - qRed(now)), std::abs(qGreen(old) - qGreen(now)),
                                        std::abs(qBlue(old) - qBlue(now))});
            difference.worst = std::max(difference.worst, apart);
            difference.apart += apart > kNear;
        }
    }
    return difference;
}

bool alike(const Difference &difference, bool wholePixels) {
    return difference.worst <= (wholePixels ? 8 : 12) &&
           difference.apart <= difference.shaded * (wholePixels ? 0.02 : 0.1);
}

} // namespace

class TestSoftShadow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The picture stretched over the shape looks like the outlines drawn one by one: every pixel within a few
    // levels, for cards, pills (too short to stretch), square corners and shapes smaller than their corners.
    void looksLikeTheOutlines_data() {
        QTest::addColumn<qreal>("radius");
        QTest::addColumn<qreal>("blur");
        QTest::addColumn<qreal>("alpha");
        QTest::addColumn<QSizeF>("shape");
        QTest::addColumn<qreal>("offsetY");
        // The app's shadows are 6 to 28 % opaque; these are darker, so that a misplaced outline shows.
        QTest::newRow("settings card") << 18.0 << 10.0 << 0.3 << QSizeF(320, 130) << 4.0;
        QTest::newRow("pill button") << 22.0 << 12.0 << 0.3 << QSizeF(240, 44) << 6.0;
        QTest::newRow("odd pill") << 15.5 << 8.0 << 0.3 << QSizeF(161, 31) << 3.0;
        QTest::newRow("wide blur") << 26.0 << 18.0 << 0.3 << QSizeF(300, 200) << 12.0;
        QTest::newRow("square corners") << 0.0 << 10.0 << 0.3 << QSizeF(200, 80) << 0.0;
        QTest::newRow("small round chip") << 12.0 << 14.0 << 0.3 << QSizeF(24, 24) << 2.0;
        QTest::newRow("fractional size") << 14.0 << 8.0 << 0.3 << QSizeF(150.4, 90.6) << 3.0;
    }
    void looksLikeTheOutlines() {
        QFETCH(qreal, radius);
        QFETCH(qreal, blur);
        QFETCH(qreal, alpha);
        QFETCH(QSizeF, shape);
        QFETCH(qreal, offsetY);
        // The picture's copy lies this far below the outlines.
        const int below = int(shape.height()) + 120;
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(600, 900));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(kScene, {{QStringLiteral("cornerRadius"), radius},
                                        {QStringLiteral("blur"), blur},
                                        {QStringLiteral("alpha"), alpha},
                                        {QStringLiteral("shapeWidth"), shape.width()},
                                        {QStringLiteral("shapeHeight"), shape.height()},
                                        {QStringLiteral("offsetY"), offsetY},
                                        {QStringLiteral("below"), below}}),
                 qPrintable(view.error()));
        if (view.window().rendererInterface()->graphicsApi() != QSGRendererInterface::Software)
            QSKIP("the picture stands in for the outlines on the software renderer only");
        QTRY_VERIFY(view.window().isExposed());
        // The picture arrives from the engine's provider; let it load and a frame show it.
        const int reach = SoftShadow::margin(blur) + 2;
        const QRect reference(60 - reach, 60 - reach, int(shape.width()) + 2 * reach,
                              int(shape.height()) + int(offsetY) + 2 * reach);
        const bool wholePixels = shape == shape.toSize().toSizeF();
        Difference difference;
        QDeadlineTimer deadline(2000);
        do {
            QTest::qWait(20);
            difference = compare(view.window().grabWindow(), reference, below);
        } while (!alike(difference, wholePixels) && !deadline.hasExpired());
        QVERIFY2(alike(difference, wholePixels),
                 qPrintable(QStringLiteral("%1 levels apart at worst, %2 of %3 pixels apart")
                                .arg(difference.worst)
                                .arg(difference.apart)
                                .arg(difference.shaded)));
        // Not two blank areas that agree.
        QVERIFY2(difference.shaded > reference.width() * reference.height() / 4,
                 qPrintable(QString::number(difference.shaded)));
        QCOMPARE(guard.warnings(), QStringList());
    }

    // A source names its look and nothing else: what the provider is asked for comes from a screen's
    // binding, but is bounded all the same.
    void sourcesAreReadBack_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("valid");
        QTest::newRow("a card") << "18/10/0f1a2b3c/0/0" << true;
        QTest::newRow("a pill") << "22/12/40000000/0/44" << true;
        QTest::newRow("fewer parts") << "18/10/0f1a2b3c" << false;
        QTest::newRow("not a number") << "x/10/0f1a2b3c/0/0" << false;
        QTest::newRow("not a colour") << "18/10/zz/0/0" << false;
        QTest::newRow("negative blur") << "18/-1/0f1a2b3c/0/0" << false;
        QTest::newRow("huge picture") << "18/10/0f1a2b3c/0/100000000" << false;
        QTest::newRow("huge blur") << "18/1e9/0f1a2b3c/0/0" << false;
    }
    void sourcesAreReadBack() {
        QFETCH(QString, id);
        QFETCH(bool, valid);
        QCOMPARE(SoftShadow::parse(id).has_value(), valid);
    }

    // A source made for a look reads back as that look; a side long enough stretches, a short one is drawn
    // at its own length.
    void sourceRoundTrips() {
        const QUrl url = SoftShadow::sourceOf(18, 10, QColor(10, 20, 30, 64), 300, 20);
        QCOMPARE(url.scheme(), QStringLiteral("image"));
        const std::optional<SoftShadow::Look> look = SoftShadow::parse(url.path().mid(1));
        QVERIFY(look);
        QCOMPARE(look->cornerRadius, 18.0);
        QCOMPARE(look->blur, 10.0);
        QCOMPARE(look->color, QColor(10, 20, 30, 64));
        QCOMPARE(look->shape, QSize(0, 20));
        QCOMPARE(SoftShadow::border(18, 10, 300), SoftShadow::corner(18, 10));
        QCOMPARE(SoftShadow::border(18, 10, 20), 0);
        const QImage picture = SoftShadow::picture(*look);
        QCOMPARE(picture.size(), QSize(2 * SoftShadow::corner(18, 10) + 1, 20 + 2 * SoftShadow::margin(10)));
    }
};

QTEST_MAIN(TestSoftShadow)
#include "tst_softshadow.moc"
