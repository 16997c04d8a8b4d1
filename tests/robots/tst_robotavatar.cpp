#include "RobotAvatarItem.h"
#include "RobotFigure.h"
#include "RobotMoodRing.h"
#include "RobotMotion.h"
#include "RobotStore.h"
#include "SpeechSynthesizer.h"
#include "TestPlatform.h"

#include <QImage>
#include <QPainter>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

RobotCharacter robotWith(const QString &shape, const QString &accessory) {
    return {"r", "测测", "#3B7BE0", "#D4E4FF", shape, accessory, "v"};
}

// The largest difference of one channel (alpha too, when `withAlpha`) between two pictures over the top
// left `size` of them.
int worstChannel(const QImage &a, const QImage &b, QSize size, bool withAlpha = false) {
    int worst = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst =
                std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), withAlpha ? std::abs(qAlpha(p) - qAlpha(q)) : 0});
        }
    }
    return worst;
}

// The robot drawn in one go, as the item places it, with the bob on whole device pixels as the item moves
// its picture.
void paintWhole(QImage &into, const QSizeF &itemSize, const RobotCharacter &robot, RobotMood mood,
                RobotMotion::Values motion, double figureSize) {
    QPainter painter(&into);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate((itemSize.width() - figureSize) / 2, (itemSize.height() - 1.15 * figureSize) / 2);
    const double unit = figureSize / 100;
    motion.bob = std::round(motion.bob * unit) / unit;
    RobotFigure::paint(painter, robot, RobotFigure::layout(robot, mood, motion, figureSize));
}

// A moment at which the eyes are open (fmod(t, 3.6) >= 0.15) and every sine is away from zero.
constexpr double kOpenEyes = 1.0;

// An avatar that counts how often the window asks it for a new node and remembers the moment it last drew.
class CountingAvatar : public RobotAvatarItem {
public:
    int nodeUpdates = 0;
    int restPaints = 0;
    int partPaints = 0;
    double lastPainted = -1;
    // The moment and offset the node was last brought to (or asked about).
    mutable double lastShown = -1;
    mutable QList<QPointF> offsets; // every offset the picture was moved to, in order
    double lastPartPainted = -1;

    void paint(QPainter *painter) override {
        ++restPaints;
        lastPainted = now();
        RobotAvatarItem::paint(painter);
    }

protected:
    QPointF restOffset(qreal devicePixelRatio) const override {
        lastShown = now();
        const QPointF offset = RobotAvatarItem::restOffset(devicePixelRatio);
        if (offsets.isEmpty() || offsets.last() != offset)
            offsets.append(offset);
        return offset;
    }
    void paintPart(QPainter *painter) override {
        ++partPaints;
        lastPartPainted = now();
        RobotAvatarItem::paintPart(painter);
    }

    QSGNode *updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data) override {
        ++nodeUpdates;
        return RobotAvatarItem::updatePaintNode(oldNode, data);
    }
};

} // namespace

class TestRobotAvatar : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- motion

    void motionByMood_data() {
        QTest::addColumn<int>("mood");
        QTest::addColumn<bool>("reduce");
        QTest::addColumn<double>("t");
        QTest::addColumn<double>("bob");
        QTest::addColumn<double>("bounce");
        QTest::addColumn<double>("tilt");
        QTest::addColumn<double>("wave");
        QTest::addColumn<double>("glow");
        QTest::addColumn<double>("spin");
        const double t = kOpenEyes;
        QTest::newRow("idle") << int(RobotMood::Idle) << false << t << 3 * std::sin(2 * t) << 0.0 << 0.0
                              << 0.0 << 0.7 << 40 * t;
        QTest::newRow("thinking") << int(RobotMood::Thinking) << false << t << 3 * std::sin(2 * t) << 0.0
                                  << 7 * std::sin(2.4 * t) << 0.0 << 0.4 + 0.6 * std::abs(std::sin(5 * t))
                                  << 40 * t;
        QTest::newRow("speaking") << int(RobotMood::Speaking) << false << t << 3 * std::sin(2 * t)
                                  << 2.5 * std::abs(std::sin(9 * t)) << 0.0 << 0.0 << 1.0 << 40 * t;
        QTest::newRow("waving") << int(RobotMood::Waving) << false << t << 3 * std::sin(2 * t) << 0.0 << 0.0
                                << 25 * std::sin(8 * t) << 0.7 << 40 * t;
        QTest::newRow("reduced waving holds")
            << int(RobotMood::Waving) << true << t << 0.0 << 0.0 << 0.0 << 15.0 << 0.7 << 0.0;
        QTest::newRow("reduced speaking keeps still")
            << int(RobotMood::Speaking) << true << t << 0.0 << 0.0 << 0.0 << 0.0 << 1.0 << 0.0;
        QTest::newRow("reduced thinking still glows")
            << int(RobotMood::Thinking) << true << t << 0.0 << 0.0 << 0.0 << 0.0
            << 0.4 + 0.6 * std::abs(std::sin(5 * t)) << 0.0;
    }
    void motionByMood() {
        QFETCH(int, mood);
        QFETCH(bool, reduce);
        QFETCH(double, t);
        QFETCH(double, bob);
        QFETCH(double, bounce);
        QFETCH(double, tilt);
        QFETCH(double, wave);
        QFETCH(double, glow);
        QFETCH(double, spin);
        const RobotMotion::Values v = RobotMotion::avatar(t, RobotMood(mood), reduce);
        QCOMPARE(v.bob, bob);
        QCOMPARE(v.bounce, bounce);
        QCOMPARE(v.headTilt, tilt);
        QCOMPARE(v.wave, wave);
        QCOMPARE(v.glow, glow);
        QCOMPARE(v.starSpin, spin);
        QVERIFY(!v.blink);
    }

    void mouthMovesOnlyWhileSpeaking_data() {
        QTest::addColumn<bool>("reduce");
        QTest::newRow("motion") << false;
        QTest::newRow("reduced motion") << true;
    }
    void mouthMovesOnlyWhileSpeaking() {
        QFETCH(bool, reduce);
        const double t = kOpenEyes;
        QCOMPARE(RobotMotion::avatar(t, RobotMood::Speaking, reduce).mouth,
                 0.25 + 0.75 * std::abs(std::sin(11 * t) * std::cos(4.3 * t)));
        QCOMPARE(RobotMotion::avatar(t, RobotMood::Idle, reduce).mouth, 0.0);
        QVERIFY(RobotMotion::avatar(1.0, RobotMood::Speaking, reduce) !=
                RobotMotion::avatar(1.3, RobotMood::Speaking, reduce));
    }

    void blinkIsTheFirst150msOfEvery3600() {
        for (const bool reduce : {false, true}) {
            QVERIFY(RobotMotion::avatar(0.149, RobotMood::Idle, reduce).blink);
            QVERIFY(RobotMotion::avatar(7.3, RobotMood::Waving, reduce).blink);     // 7.2 + 0.1
            QVERIFY(!RobotMotion::avatar(7.36, RobotMood::Speaking, reduce).blink); // 7.2 + 0.16
            QVERIFY(!RobotMotion::avatar(3.0, RobotMood::Thinking, reduce).blink);
        }
    }

    void referenceDate() {
        // 2001-01-01T00:00:00Z is the zero of the clock.
        QCOMPARE(RobotMotion::referenceSeconds(978307200000LL), 0.0);
        QCOMPARE(RobotMotion::referenceSeconds(978307201500LL), 1.5);
    }

    void stagePulse_data() {
        QTest::addColumn<int>("mood");
        QTest::addColumn<bool>("reduce");
        QTest::addColumn<double>("pulse");
        const double t = 0.7;
        QTest::newRow("idle rests") << int(RobotMood::Idle) << false << 0.3;
        QTest::newRow("waving rests") << int(RobotMood::Waving) << false << 0.3;
        QTest::newRow("thinking at 3 rad/s")
            << int(RobotMood::Thinking) << false << 0.5 + 0.5 * std::sin(3 * t);
        QTest::newRow("speaking at 6 rad/s")
            << int(RobotMood::Speaking) << false << 0.5 + 0.5 * std::sin(6 * t);
        QTest::newRow("reduced speaking rests") << int(RobotMood::Speaking) << true << 0.3;
    }
    void stagePulse() {
        QFETCH(int, mood);
        QFETCH(bool, reduce);
        QFETCH(double, pulse);
        QCOMPARE(RobotMotion::stagePulse(0.7, RobotMood(mood), reduce), pulse);
    }

    void restingRingLook() {
        const RobotMoodRing::Look rest = RobotMoodRing::look(0.3);
        QVERIFY(qFuzzyCompare(rest.glowOpacity, 0.64));
        QVERIFY(qFuzzyCompare(rest.ringOpacity, 0.255));
        QVERIFY(qFuzzyCompare(rest.ringScale, 1.018));
    }

    // --- figure

    void geometryAtSize100_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<double>("headHeight");
        QTest::addColumn<double>("radius");
        QTest::newRow("round") << "round" << 56.0 << 0.46 * 56;
        QTest::newRow("square") << "square" << 56.0 << 0.24 * 56;
        QTest::newRow("capsule") << "capsule" << 52.0 << 26.0;
        QTest::newRow("empty shape draws round") << "" << 56.0 << 0.46 * 56;
        QTest::newRow("unknown shape draws round") << "hexagon" << 56.0 << 0.46 * 56;
    }
    void geometryAtSize100() {
        QFETCH(QString, shape);
        QFETCH(double, headHeight);
        QFETCH(double, radius);
        const auto g = RobotFigure::layout(robotWith(shape, "antenna"), RobotMood::Idle,
                                           RobotMotion::avatar(kOpenEyes, RobotMood::Idle, true), 100);
        QCOMPARE(g.frame, QSizeF(100, 115));
        QCOMPARE(g.head, QSizeF(70, headHeight));
        QCOMPARE(g.face, QSizeF(58, headHeight - 14));
        QVERIFY(qFuzzyCompare(g.headRadius, radius));
        QCOMPARE(g.torso, QSizeF(50, 34));
        QCOMPARE(g.shadow, QSizeF(54, 8)); // at rest: no bob
        QCOMPARE(g.bodyOffsetY, 0.0);
    }

    void unitScalesEverything() {
        const auto g = RobotFigure::layout(robotWith("round", "antenna"), RobotMood::Idle,
                                           RobotMotion::avatar(kOpenEyes, RobotMood::Idle, true), 54);
        QCOMPARE(g.frame, QSizeF(54, 54 * 1.15));
        QVERIFY(qFuzzyCompare(g.head.width(), 70 * 0.54));
        QVERIFY(qFuzzyCompare(g.torso.height(), 34 * 0.54));
    }

    void accessories_data() {
        QTest::addColumn<QString>("accessory");
        QTest::addColumn<int>("drawn");
        QTest::addColumn<bool>("lensEyes");
        QTest::addColumn<bool>("glasses");
        QTest::newRow("antenna") << "antenna" << int(RobotFigure::Accessory::Antenna) << false << false;
        QTest::newRow("lens: antenna and lens eyes")
            << "lens" << int(RobotFigure::Accessory::Antenna) << true << false;
        QTest::newRow("glasses: ears and glasses")
            << "glasses" << int(RobotFigure::Accessory::Ears) << false << true;
        QTest::newRow("star") << "star" << int(RobotFigure::Accessory::Star) << false << false;
        QTest::newRow("headband") << "headband" << int(RobotFigure::Accessory::Headband) << false << false;
        QTest::newRow("empty: ears only") << "" << int(RobotFigure::Accessory::Ears) << false << false;
        QTest::newRow("case matters") << "Antenna" << int(RobotFigure::Accessory::Ears) << false << false;
    }
    void accessories() {
        QFETCH(QString, accessory);
        QFETCH(int, drawn);
        QFETCH(bool, lensEyes);
        QFETCH(bool, glasses);
        const auto g = RobotFigure::layout(robotWith("round", accessory), RobotMood::Idle,
                                           RobotMotion::avatar(kOpenEyes, RobotMood::Idle, false), 100);
        QCOMPARE(int(g.accessory), drawn);
        QCOMPARE(g.lensEyes, lensEyes);
        QCOMPARE(g.glasses, glasses);
    }

    void eyes_data() {
        QTest::addColumn<QString>("accessory");
        QTest::addColumn<int>("mood");
        QTest::addColumn<double>("t");
        QTest::addColumn<double>("eyeHeight");
        QTest::newRow("open") << "antenna" << int(RobotMood::Idle) << kOpenEyes << 10.0;
        QTest::newRow("thinking narrows") << "antenna" << int(RobotMood::Thinking) << kOpenEyes << 7.0;
        QTest::newRow("blink in every mood")
            << "antenna" << int(RobotMood::Speaking) << 3.6 * 7 + 0.149 << 1.5;
        QTest::newRow("lens pupil") << "lens" << int(RobotMood::Thinking) << kOpenEyes << 7.0;
        QTest::newRow("lens pupil blinks") << "lens" << int(RobotMood::Idle) << 3.6 * 7 + 0.1 << 1.5;
    }
    void eyes() {
        QFETCH(QString, accessory);
        QFETCH(int, mood);
        QFETCH(double, t);
        QFETCH(double, eyeHeight);
        const auto g = RobotFigure::layout(robotWith("round", accessory), RobotMood(mood),
                                           RobotMotion::avatar(t, RobotMood(mood), false), 100);
        QVERIFY(qFuzzyCompare(g.eye.height(), eyeHeight));
        if (g.lensEyes)
            QCOMPARE(g.lensRing, 14.0); // the ring stays while the pupil blinks
    }

    void mouthNeverShorterThan3() {
        RobotMotion::Values closed;
        closed.mouth = 0;
        RobotMotion::Values open;
        open.mouth = 1;
        const RobotCharacter robot = robotWith("round", "antenna");
        QCOMPARE(RobotFigure::layout(robot, RobotMood::Idle, closed, 100).mouth, QSizeF(12, 3));
        QCOMPARE(RobotFigure::layout(robot, RobotMood::Speaking, open, 100).mouth, QSizeF(18, 12));
    }

    void wavingArm() {
        const RobotCharacter robot = robotWith("round", "antenna");
        const auto still = RobotFigure::layout(robot, RobotMood::Waving,
                                               RobotMotion::avatar(kOpenEyes, RobotMood::Waving, true), 100);
        QCOMPARE(still.rightArmAngle, -80.0);
        QCOMPARE(still.leftArmAngle, 20.0);
        const double up = M_PI / 16; // sin(8t) = 1
        const auto raised = RobotFigure::layout(robot, RobotMood::Waving,
                                                RobotMotion::avatar(up, RobotMood::Waving, false), 100);
        QVERIFY(qFuzzyCompare(raised.rightArmAngle, -120.0));
        const auto rest =
            RobotFigure::layout(robot, RobotMood::Idle, RobotMotion::avatar(up, RobotMood::Idle, false), 100);
        QCOMPARE(rest.rightArmAngle, -20.0);
    }

    // The drawing puts the robot's colour on the head and the face colour on the screen.
    void paintsTheRobotColours() {
        const RobotCharacter robot = robotWith("square", "antenna");
        QImage image(200, 230, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            RobotFigure::paint(painter, robot,
                               RobotFigure::layout(robot, RobotMood::Idle,
                                                   RobotMotion::avatar(kOpenEyes, RobotMood::Idle, true),
                                                   200));
        }
        // At u = 2 the head's centre is at (100, 91): the shell is 140 wide, the face screen 116 wide inside
        // it.
        QCOMPARE(image.pixelColor(100 - 64, 91).rgb() & 0xFFFFFF, QRgb(0x3B7BE0));
        QCOMPARE(image.pixelColor(100 - 40, 91 + 30).rgb(), RobotFigure::faceColor().rgb());
        // The torso (centre (100, 175), 100 wide) beside its chest panel (52 wide).
        QCOMPARE(image.pixelColor(100 - 40, 175).rgb() & 0xFFFFFF, QRgb(0x3B7BE0));
        QCOMPARE(image.pixelColor(100 + 18, 175).rgb() & 0xFFFFFF, QRgb(0xD4E4FF));
    }

    // --- the item

    void accessibleLabel_data() {
        QTest::addColumn<int>("mood");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("label");
        QTest::newRow("idle") << int(RobotMood::Idle) << "zh-CN"
                              << "测测, AI 机器人";
        QTest::newRow("waving") << int(RobotMood::Waving) << "zh-CN"
                                << "测测, AI 机器人";
        QTest::newRow("thinking") << int(RobotMood::Thinking) << "zh-CN"
                                  << "测测, AI 机器人, 正在思考";
        QTest::newRow("speaking in English") << int(RobotMood::Speaking) << "en-US"
                                             << "测测, AI robot, speaking";
    }
    void accessibleLabel() {
        QFETCH(int, mood);
        QFETCH(QString, language);
        QFETCH(QString, label);
        QCOMPARE(RobotAvatarItem::accessibleLabel(robotWith("round", "antenna"), RobotMood(mood), language),
                 label);
    }

    void accessibleLabelFollowsTheLanguageInEffect() {
        TestPlatform platform;
        RobotAvatarItem item;
        item.setRobot(robotWith("round", "antenna"));
        QSignalSpy changed(&item, &RobotAvatarItem::accessibleLabelChanged);
        RobotStore::shared().setActiveLanguage(QStringLiteral("en-US"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(item.accessibleLabel(), QStringLiteral("测测, AI robot"));
        RobotStore::shared().resetActiveLanguage();
        QCOMPARE(item.accessibleLabel(), QStringLiteral("测测, AI 机器人"));
    }

    void clockRunsOnlyOnScreen() {
        TestPlatform platform;
        QQuickWindow window;
        window.resize(200, 200);
        RobotAvatarItem item;
        item.setSize(QSizeF(100, 115));
        QVERIFY(!item.animating());
        item.setParentItem(window.contentItem());
        QVERIFY(!item.animating()); // the window is not shown yet
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(item.animating());
        item.setVisible(false);
        QVERIFY(!item.animating());
        item.setVisible(true);
        QVERIFY(item.animating());
        item.setFrameTime(2.0); // a still picture needs no clock
        QVERIFY(!item.animating());
        item.setFrameTime(-1);
        QVERIFY(item.animating());
        window.hide();
        QTRY_VERIFY(!item.animating());
        item.setParentItem(nullptr);
    }

    // Robots of one screen at one rate redraw in the same frames: four idle robots cost the window about the
    // frames of one, not four times as many. (A busy machine only draws fewer.)
    void robotsOfAScreenShareFrames() {
        TestPlatform platform;
        QQuickWindow window;
        window.resize(400, 200);
        std::vector<std::unique_ptr<RobotAvatarItem>> robots;
        for (int i = 0; i < 4; ++i) {
            robots.push_back(std::make_unique<RobotAvatarItem>());
            robots.back()->setSize(QSizeF(90, 100));
            robots.back()->setX(95 * i);
            robots.back()->setParentItem(window.contentItem());
        }
        window.show();
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (const auto &robot : robots)
            QTRY_VERIFY(robot->animating());
        QTest::qWait(200); // the frames of showing the window
        QSignalSpy frames(&window, &QQuickWindow::frameSwapped);
        QTest::qWait(2000);
        const int oneRobot = 2000 / RobotMotion::kIdleFrameMs; // 20
        qInfo("%lld frames in 2 s for four idle robots", qint64(frames.count()));
        QVERIFY(frames.count() > 0);
        QVERIFY2(frames.count() <= oneRobot + oneRobot / 2, "the robots redrew in frames of their own");
        for (auto &robot : robots)
            robot->setParentItem(nullptr);
    }

    // A tick of the clock swaps the picture in the item's node without marking the item changed (which would
    // cost the window a hover pass over every item, every frame), and the picture it shows is the one the
    // item draws for that moment from scratch.
    void ticksRepaintTheNodeAlone() {
        TestPlatform platform;
        QQuickWindow window;
        window.resize(200, 200);
        CountingAvatar item;
        item.setSize(QSizeF(150, 160));
        item.setFigureSize(100);
        item.setRobot(robotWith("round", "antenna"));
        item.setParentItem(window.contentItem());
        window.show();
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY(item.animating());
        QTRY_VERIFY(item.nodeUpdates > 0);
        const int madeNodes = item.nodeUpdates;
        const qsizetype firstOffsets = item.offsets.size();
        QSignalSpy frames(&window, &QQuickWindow::frameSwapped);
        // The bob moves the picture a whole pixel at a time: a couple of times a second at the least.
        QTRY_VERIFY_WITH_TIMEOUT(item.offsets.size() >= firstOffsets + 2, 2000);
        QTRY_VERIFY2_WITH_TIMEOUT(frames.count() >= 2, "the clock drew no frames", 2000);
        QCOMPARE(item.nodeUpdates, madeNodes); // without the item being marked changed

        const QImage ticked = window.grabWindow();
        item.setFrameTime(item.lastShown); // the same moment, drawn as a changed item
        const QImage redrawn = window.grabWindow();
        QVERIFY(item.nodeUpdates > madeNodes);
        QCOMPARE(ticked.size(), redrawn.size());
        QVERIFY(ticked == redrawn);
        item.setParentItem(nullptr);
    }

    // While the bob alone changes, a frame moves the picture the body was painted in, a whole pixel at a
    // time, rather than painting it again: only the blink's edges repaint it (two in 1.5 s at most). What
    // the window shows is still the figure drawn at once for that moment (the bob rounded to whole pixels).
    void bobMovesThePictureWithoutRepaintingIt_data() {
        QTest::addColumn<RobotMood>("mood");
        QTest::addColumn<double>("figureSize");
        QTest::newRow("idle, stage size") << RobotMood::Idle << 101.48;
        QTest::newRow("waving, home size") << RobotMood::Waving << 76.0;
    }
    void bobMovesThePictureWithoutRepaintingIt() {
        QFETCH(RobotMood, mood);
        QFETCH(double, figureSize);
        TestPlatform platform;
        QQuickWindow window;
        window.setColor(Qt::white);
        window.resize(200, 200);
        const RobotCharacter robot = robotWith("square", "glasses");
        CountingAvatar item;
        item.setRobot(robot);
        item.setMood(mood);
        item.setFigureSize(figureSize);
        item.setSize(QSizeF(figureSize * 1.3, figureSize * 1.6));
        item.setParentItem(window.contentItem());
        window.show();
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY(item.animating());
        QTRY_VERIFY(item.nodeUpdates > 0);
        const int painted = item.restPaints, madeNodes = item.nodeUpdates;
        const qsizetype moved = item.offsets.size();
        QTest::qWait(1500);
        qInfo("in 1.5 s the picture moved %lld times and the body was painted %d times",
              qint64(item.offsets.size() - moved), item.restPaints - painted);
        QVERIFY2(item.offsets.size() >= moved + 3, "the picture did not follow the bob");
        QVERIFY2(item.restPaints - painted <= 2, "the body was painted again for the bob");
        QCOMPARE(item.nodeUpdates, madeNodes);

        const QImage shown = window.grabWindow().convertToFormat(QImage::Format_RGB32);
        const double t = item.lastShown;
        QImage expected(shown.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        RobotMotion::Values motion = RobotMotion::avatar(t, mood, false);
        // The arm, which swings fast, as of the moment it was drawn.
        motion.wave = RobotMotion::avatar(item.lastPartPainted, mood, false).wave;
        paintWhole(expected, item.size(), robot, mood, motion, figureSize);
        const int worst =
            worstChannel(shown, expected, QSize(int(std::ceil(item.width())), int(std::ceil(item.height()))));
        // Laying one antialiased picture over another rounds a channel by a step or two at most.
        QVERIFY2(worst <= 3, qPrintable(QStringLiteral("t = %1: a channel differs by %2").arg(t).arg(worst)));
        item.setParentItem(nullptr);
    }

    // The picture goes on the screen pixel for pixel, also where the item is not whole pixels in size (the
    // chat's 34-point avatar is 44.2 by 54.4): stretched into the item's rectangle it came out blurred, and
    // the software renderer drew it through its slow filtered path on every frame.
    void pictureShownPixelForPixel_data() {
        QTest::addColumn<double>("figureSize");
        QTest::newRow("chat avatar, 34") << 34.0;
        QTest::newRow("home, 76") << 76.0;
        QTest::newRow("stage, 101.48") << 101.48;
    }
    void pictureShownPixelForPixel() {
        QFETCH(double, figureSize);
        TestPlatform platform;
        QQuickWindow window;
        window.setColor(Qt::white);
        window.resize(200, 200);
        RobotAvatarItem item;
        item.setRobot(robotWith("round", "antenna"));
        item.setFigureSize(figureSize);
        item.setSize(QSizeF(figureSize * 1.3, figureSize * 1.6));
        item.setFrameTime(12.3); // a still picture
        item.setParentItem(window.contentItem());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage shown = window.grabWindow().convertToFormat(QImage::Format_RGB32);
        QImage expected(shown.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.drawImage(QPointF(0, 0), item.renderFrame(1.0));
        }
        const int worst =
            worstChannel(shown, expected, QSize(int(std::ceil(item.width())), int(std::ceil(item.height()))));
        QVERIFY2(worst <= 2, qPrintable(QStringLiteral("a channel differs by %1").arg(worst)));
        item.setParentItem(nullptr);
    }

    // The waving arm, drawn apart from the rest and laid under it, and the shadow on the ground, drawn apart
    // from the body the bob moves and laid under both, are the figure drawn at once with the bob rounded to
    // whole pixels: for every accessory, through the whole swing and the whole bob, so the part's and the
    // ground's rectangles hold all of the arm and the shadow.
    void wavingArmApartLooksTheSame_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("accessory");
        QTest::addColumn<double>("figureSize");
        QTest::addColumn<RobotMood>("mood");
        QTest::newRow("round, antenna, home size") << "round"
                                                   << "antenna" << 76.0 << RobotMood::Waving;
        QTest::newRow("square, star, stage size") << "square"
                                                  << "star" << 101.48 << RobotMood::Waving;
        QTest::newRow("capsule, ears, compact") << "capsule"
                                                << "ears" << 46.44 << RobotMood::Waving;
        QTest::newRow("round, lens") << "round"
                                     << "lens" << 88.0 << RobotMood::Waving;
        QTest::newRow("square, headband") << "square"
                                          << "headband" << 60.0 << RobotMood::Waving;
        QTest::newRow("idle, square, glasses, stage size") << "square"
                                                           << "glasses" << 101.48 << RobotMood::Idle;
        QTest::newRow("idle, round, star, chat avatar") << "round"
                                                        << "star" << 34.0 << RobotMood::Idle;
    }
    void wavingArmApartLooksTheSame() {
        QFETCH(QString, shape);
        QFETCH(QString, accessory);
        QFETCH(double, figureSize);
        QFETCH(RobotMood, mood);
        TestPlatform platform;
        const RobotCharacter robot = robotWith(shape, accessory);
        RobotAvatarItem item;
        item.setRobot(robot);
        item.setMood(mood);
        item.setFigureSize(figureSize);
        item.setSize(QSizeF(figureSize * 1.3, figureSize * 1.6));
        // A swing of the arm is pi / 4 s; the bob's period is pi s.
        for (int step = 0; step < 24; ++step) {
            const double t = 10 + step * 0.13;
            item.setFrameTime(t);
            const QImage apart = item.renderFrame(1.0);
            QImage whole(apart.size(), QImage::Format_ARGB32_Premultiplied);
            whole.fill(Qt::transparent);
            paintWhole(whole, item.size(), robot, mood, RobotMotion::avatar(t, mood, false), figureSize);
            const int worst = worstChannel(apart, whole, whole.size(), true);
            // Laying one antialiased picture over another rounds a channel by a step or two at most.
            QVERIFY2(worst <= 3,
                     qPrintable(QStringLiteral("t = %1: a channel differs by %2").arg(t).arg(worst)));
        }
    }

    // While the robot waves, most frames repaint the arm alone and the rest of the figure redraws at the idle
    // rate; an idle robot has no part of its own.
    void wavingRepaintsTheArmAloneMostly() {
        TestPlatform platform;
        QQuickWindow window;
        window.resize(200, 200);
        CountingAvatar item;
        item.setSize(QSizeF(130, 160));
        item.setFigureSize(100);
        item.setRobot(robotWith("round", "antenna"));
        item.setParentItem(window.contentItem());
        window.show();
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY(item.nodeUpdates > 0);
        // The robot starts waving on screen: the arm's node joins a picture already shown.
        const int shown = item.nodeUpdates;
        item.setMood(RobotMood::Waving);
        QTRY_VERIFY(item.nodeUpdates > shown);
        QTRY_VERIFY(item.animating());
        const int rest = item.restPaints, part = item.partPaints;
        const qsizetype moves = item.offsets.size();
        QTest::qWait(1000);
        const int restFrames = item.restPaints - rest, partFrames = item.partPaints - part;
        qInfo("waving for 1 s: the arm drew %d times, the rest %d and moved %lld times", partFrames,
              restFrames, qint64(item.offsets.size() - moves));
        // The rest follows the bob: repainted (for the blink) or moved.
        QVERIFY(restFrames >= 1 || item.offsets.size() > moves);
        QVERIFY2(partFrames >= 2 * restFrames, "the rest of the figure redrew at the arm's rate");
        QVERIFY2(restFrames <= 1000 / RobotMotion::kIdleFrameMs + 2,
                 "the rest redrew faster than the idle rate");
        const int waved = item.nodeUpdates;
        item.setMood(RobotMood::Idle);
        QTRY_VERIFY(item.nodeUpdates > waved);
        const int idlePart = item.partPaints;
        QTest::qWait(300);
        QCOMPARE(item.partPaints, idlePart);
        item.setParentItem(nullptr);
    }

    void frameDemandByMood_data() {
        QTest::addColumn<int>("mood");
        QTest::addColumn<bool>("reduceMotion");
        QTest::addColumn<int>("demand");
        using D = RobotMotion::FrameDemand;
        QTest::newRow("idle") << int(RobotMood::Idle) << false << int(D::Idle);
        QTest::newRow("idle, reduced: only the blink") << int(RobotMood::Idle) << true << int(D::BlinkEdges);
        QTest::newRow("speaking") << int(RobotMood::Speaking) << false << int(D::Full);
        QTest::newRow("speaking, reduced: the mouth still moves")
            << int(RobotMood::Speaking) << true << int(D::Full);
        QTest::newRow("thinking, reduced: the glow still pulses")
            << int(RobotMood::Thinking) << true << int(D::Full);
        QTest::newRow("waving") << int(RobotMood::Waving) << false << int(D::Full);
        QTest::newRow("waving, reduced: the arm is held")
            << int(RobotMood::Waving) << true << int(D::BlinkEdges);
    }
    void frameDemandByMood() {
        QFETCH(int, mood);
        QFETCH(bool, reduceMotion);
        QFETCH(int, demand);
        QCOMPARE(int(RobotMotion::avatarDemand(RobotMood(mood), reduceMotion)), demand);
    }

    void nextFrameDelay_data() {
        QTest::addColumn<int>("demand");
        QTest::addColumn<bool>("pinned");
        QTest::addColumn<bool>("itemVisible");
        QTest::addColumn<bool>("windowShown");
        QTest::addColumn<bool>("windowActive");
        QTest::addColumn<double>("t");
        QTest::addColumn<int>("delayMs");
        using D = RobotMotion::FrameDemand;
        QTest::newRow("full rate") << int(D::Full) << false << true << true << true << 10.0 << 33;
        QTest::newRow("idle rate") << int(D::Idle) << false << true << true << true << 10.0 << 99;
        QTest::newRow("still") << int(D::Still) << false << true << true << true << 10.0 << -1;
        QTest::newRow("pinned") << int(D::Full) << true << true << true << true << 10.0 << -1;
        QTest::newRow("item hidden") << int(D::Full) << false << false << true << true << 10.0 << -1;
        QTest::newRow("window hidden or minimised")
            << int(D::Full) << false << true << false << true << 10.0 << -1;
        QTest::newRow("window inactive") << int(D::Full) << false << true << true << false << 10.0 << -1;
        // The eyes close at every multiple of 3.6 s and open 0.15 s later.
        QTest::newRow("blink: eyes open, next close")
            << int(D::BlinkEdges) << false << true << true << true << 7.0 << 201;
        QTest::newRow("blink: eyes closed, next open")
            << int(D::BlinkEdges) << false << true << true << true << 7.25 << 101;
        QTest::newRow("blink: eyes open, far from the next")
            << int(D::BlinkEdges) << false << true << true << true << 5.0 << 2201;
        QTest::newRow("blink: inactive window")
            << int(D::BlinkEdges) << false << true << true << false << 7.0 << -1;
    }
    void nextFrameDelay() {
        QFETCH(int, demand);
        QFETCH(bool, pinned);
        QFETCH(bool, itemVisible);
        QFETCH(bool, windowShown);
        QFETCH(bool, windowActive);
        QFETCH(double, t);
        QFETCH(int, delayMs);
        const RobotMotion::FrameContext context{pinned, itemVisible, windowShown, windowActive};
        QCOMPARE(RobotMotion::nextFrameDelayMs(RobotMotion::FrameDemand(demand), context, t), delayMs);
    }

    // The picture at the moment a blink-edge redraw lands differs from the one before the edge.
    void blinkEdgeRedrawShowsTheChange() {
        for (const double t : {0.5, 3.62, 3.7, 5.0}) {
            const double edge = t + RobotMotion::secondsToBlinkEdge(t);
            QVERIFY(RobotMotion::avatar(t, RobotMood::Idle, true).blink !=
                    RobotMotion::avatar(edge + 0.001, RobotMood::Idle, true).blink);
        }
    }

    void reducedMotionClockFollowsTheBlink() {
        TestPlatform platform;
        QQuickWindow window;
        window.resize(200, 200);
        RobotAvatarItem item;
        item.setSize(QSizeF(100, 115));
        item.setReduceMotion(true);
        item.setParentItem(window.contentItem());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.requestActivate();
        QTRY_VERIFY(item.animating());
        item.setMood(RobotMood::Speaking);
        QVERIFY(item.animating());
        item.setParentItem(nullptr);
        QVERIFY(!item.animating());
    }

    void ringClockRunsOnlyWhileItMoves() {
        QQuickWindow window;
        window.resize(200, 200);
        RobotMoodRing ring;
        ring.setParentItem(window.contentItem());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!ring.animating()); // idle
        ring.setMood(RobotMood::Speaking);
        QVERIFY(ring.animating());
        ring.setReduceMotion(true);
        QVERIFY(!ring.animating());
        ring.setReduceMotion(false);
        ring.setMood(RobotMood::Waving);
        QVERIFY(!ring.animating());
        ring.setMood(RobotMood::Thinking);
        ring.setVisible(false);
        QVERIFY(!ring.animating());
        ring.setParentItem(nullptr);
    }

    // --- the synthesizer's mapping onto QTextToSpeech

    void engineScales_data() {
        QTest::addColumn<float>("multiplier");
        QTest::addColumn<double>("engine");
        QTest::newRow("neutral") << 1.0f << 0.0;
        QTest::newRow("octave up") << 2.0f << 1.0;
        QTest::newRow("octave down") << 0.5f << -1.0;
        QTest::newRow("beyond the top") << 4.0f << 1.0;
        QTest::newRow("zero") << 0.0f << -1.0;
        QTest::newRow("robot voice") << 1.4f << std::log2(double(1.4f));
    }
    void engineScales() {
        QFETCH(float, multiplier);
        QFETCH(double, engine);
        QVERIFY(qFuzzyCompare(1 + QtSpeechSynthesizer::enginePitch(multiplier), 1 + engine));
        QVERIFY(qFuzzyCompare(1 + QtSpeechSynthesizer::engineRate(multiplier), 1 + engine));
    }

    void voiceNameHints_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("first");
        QTest::newRow("Mandarin") << "zh-CN"
                                  << "Chinese (Mandarin";
        QTest::newRow("Cantonese by territory") << "zh-HK"
                                                << "Chinese (Cantonese";
        QTest::newRow("Cantonese by language") << "yue-HK"
                                               << "Chinese (Cantonese";
        QTest::newRow("Japanese") << "ja-JP"
                                  << "Japanese";
        QTest::newRow("English") << "en-US"
                                 << "English";
    }
    void voiceNameHints() {
        QFETCH(QString, locale);
        QFETCH(QString, first);
        QCOMPARE(QtSpeechSynthesizer::voiceNameHints(locale).value(0), first);
    }
};

QTEST_MAIN(TestRobotAvatar)
#include "tst_robotavatar.moc"
