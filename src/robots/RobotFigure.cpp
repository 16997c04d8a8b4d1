#include "RobotFigure.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace RobotFigure {

namespace {

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(float(std::clamp(opacity, 0.0, 1.0) * color.alphaF()));
    return color;
}

QRectF centred(double x, double y, const QSizeF &size) {
    return QRectF(x - size.width() / 2, y - size.height() / 2, size.width(), size.height());
}

void fillRounded(QPainter &painter, const QRectF &rect, double radius, const QColor &color) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, color);
}

void fillCapsule(QPainter &painter, const QRectF &rect, const QColor &color) {
    fillRounded(painter, rect, std::min(rect.width(), rect.height()) / 2, color);
}

void strokeRounded(QPainter &painter, const QRectF &rect, double radius, const QColor &color, double width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect, radius, radius);
    painter.setPen(Qt::NoPen);
}

// A five-pointed star of the given outer radius, centred on the origin, one point up.
QPainterPath star(double outer) {
    QPainterPath path;
    const double inner = outer * 0.48;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 == 0 ? outer : inner;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(radius * std::cos(angle), radius * std::sin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

// A soft halo standing in for a shadow of `radius` around a circle of `diameter`.
void halo(QPainter &painter, const QPointF &centre, double diameter, double radius, const QColor &color) {
    if (radius <= 0)
        return;
    const double outer = diameter / 2 + radius;
    QRadialGradient gradient(centre, outer);
    gradient.setColorAt(0, withOpacity(color, 0.8));
    gradient.setColorAt(diameter / 2 / outer, withOpacity(color, 0.55));
    gradient.setColorAt(1, withOpacity(color, 0));
    painter.setBrush(gradient);
    painter.drawEllipse(centre, outer, outer);
    painter.setBrush(Qt::NoBrush);
}

const QColor kPink = QColor::fromRgbF(1.0f, 0.176f, 0.333f);
const QColor kYellow = QColor::fromRgbF(1.0f, 0.8f, 0.0f);

} // namespace

QColor faceColor() {
    return QColor::fromRgbF(0.07f, 0.13f, 0.20f);
}

double outlineRadius(const QString &shape, double width, double height) {
    const double shorter = std::min(width, height);
    if (shape == u"square")
        return 0.24 * shorter;
    if (shape == u"capsule")
        return shorter / 2;
    return 0.46 * shorter;
}

Geometry layout(const RobotCharacter &robot, RobotMood mood, const RobotMotion::Values &motion, double size) {
    Geometry g;
    const double u = size / 100.0;
    g.unit = u;
    g.frame = QSizeF(size, 1.15 * size);

    g.shadow = QSizeF((54 - motion.bob) * u, 8 * u);
    g.shadowY = 52 * u;
    g.bodyOffsetY = (motion.bob - motion.bounce) * u;

    g.arm = QSizeF(9 * u, 26 * u);
    g.leftArmAngle = 20;
    g.rightArmAngle = -(20 + 4 * motion.wave);
    g.torso = QSizeF(50 * u, 34 * u);
    g.torsoRadius = 16 * u;
    g.chestPanel = QSizeF(26 * u, 14 * u);
    g.chestPanelRadius = 8 * u;
    g.chestLight = 6 * u;
    g.chestLightOn = mood == RobotMood::Speaking;

    const double headHeight = (robot.shape == u"capsule" ? 52 : 56) * u;
    g.head = QSizeF(70 * u, headHeight);
    g.headRadius = outlineRadius(robot.shape, g.head.width(), g.head.height());
    g.face = QSizeF(58 * u, headHeight - 14 * u);
    g.faceRadius = outlineRadius(robot.shape, g.face.width(), g.face.height());
    g.headY = -12 * u;
    g.headTilt = motion.headTilt;

    g.lensEyes = robot.accessory == u"lens";
    const double eyeHeight = motion.blink ? 1.5 : mood == RobotMood::Thinking ? 7 : 10;
    if (g.lensEyes) {
        g.lensRing = 14 * u;
        g.eye = QSizeF(7 * u, (motion.blink ? 1.5 : 7) * u);
    } else {
        g.eye = QSizeF(8 * u, eyeHeight * u);
    }
    g.eyeSpacing = 16 * u;
    g.glasses = robot.accessory == u"glasses";
    g.mouth = QSizeF((12 + 6 * motion.mouth) * u, std::max(3 + 9 * motion.mouth, 2.5) * u);

    if (robot.accessory == u"antenna" || robot.accessory == u"lens")
        g.accessory = Accessory::Antenna;
    else if (robot.accessory == u"star")
        g.accessory = Accessory::Star;
    else if (robot.accessory == u"headband")
        g.accessory = Accessory::Headband;
    else
        g.accessory = Accessory::Ears;
    g.accessoryGlow = motion.glow;
    g.starTurn = std::fmod(motion.starSpin, 360.0);
    return g;
}

QPointF rightArmPivot(const Geometry &g) {
    return {g.frame.width() / 2 + 30 * g.unit, g.frame.height() / 2 + 26 * g.unit - g.arm.height() / 2};
}

double rightArmReach(const Geometry &g) {
    return std::hypot(g.arm.width() / 2, g.arm.height());
}

QRectF groundBounds(const Geometry &g) {
    const QSizeF widest((54 + 3) * g.unit, g.shadow.height()); // the shadow is (54 - bob) units wide
    return centred(g.frame.width() / 2, g.frame.height() / 2 + g.shadowY, widest);
}

void paint(QPainter &painter, const RobotCharacter &robot, const Geometry &g, Parts parts) {
    const double u = g.unit;
    const QColor color = hexColor(robot.color);
    const QColor accent = hexColor(robot.accent);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.translate(g.frame.width() / 2, g.frame.height() / 2);

    // Ground shadow.
    if (parts == Parts::All || parts == Parts::AllButRightArm || parts == Parts::Ground) {
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.12f));
        painter.drawEllipse(centred(0, g.shadowY, g.shadow));
        painter.setBrush(Qt::NoBrush);
    }
    if (parts == Parts::Ground) {
        painter.restore();
        return;
    }

    painter.translate(0, g.bodyOffsetY);

    // Arms hang from their top centre.
    const auto arm = [&](double x, double angle) {
        painter.save();
        painter.translate(x, 26 * u - g.arm.height() / 2);
        painter.rotate(angle);
        fillCapsule(painter, QRectF(-g.arm.width() / 2, 0, g.arm.width(), g.arm.height()),
                    withOpacity(color, 0.9));
        painter.restore();
    };
    if (parts == Parts::RightArm) {
        arm(30 * u, g.rightArmAngle);
        painter.restore();
        return;
    }
    arm(-30 * u, g.leftArmAngle);
    if (parts == Parts::All || parts == Parts::Body)
        arm(30 * u, g.rightArmAngle);

    fillRounded(painter, centred(0, 30 * u, g.torso), g.torsoRadius, color);
    fillRounded(painter, centred(0, 30 * u, g.chestPanel), g.chestPanelRadius, accent);
    painter.setBrush(g.chestLightOn ? QColor(Qt::white) : withOpacity(color, 0.6));
    painter.drawEllipse(centred(0, 30 * u, QSizeF(g.chestLight, g.chestLight)));
    painter.setBrush(Qt::NoBrush);

    // Head: tilted about its bottom centre; from here on the origin is the head's centre.
    const double h = g.head.height();
    painter.save();
    painter.translate(0, g.headY + h / 2);
    painter.rotate(g.headTilt);
    painter.translate(0, -h / 2);

    // Accessories behind the shell.
    const double columnTop = -9 * u - h / 2 - 11 * u; // both columns are 22u tall, centred 9u above the top
    switch (g.accessory) {
    case Accessory::Antenna: {
        const QPointF ball(0, columnTop + 5 * u);
        fillRounded(painter, centred(0, columnTop + 10 * u + 6 * u, QSizeF(3 * u, 12 * u)), 0, color);
        halo(painter, ball, 10 * u, 4 * u * g.accessoryGlow, withOpacity(accent, g.accessoryGlow));
        painter.setBrush(withOpacity(accent, g.accessoryGlow));
        painter.drawEllipse(ball, 5 * u, 5 * u);
        painter.setBrush(Qt::NoBrush);
        break;
    }
    case Accessory::Star: {
        fillRounded(painter, centred(0, columnTop + 12 * u + 5 * u, QSizeF(3 * u, 10 * u)), 0, color);
        painter.save();
        painter.translate(0, columnTop + 6 * u);
        painter.rotate(g.starTurn);
        painter.fillPath(star(6.2 * u), withOpacity(kYellow, g.accessoryGlow));
        painter.restore();
        break;
    }
    case Accessory::Ears:
        for (const double x : {-36.5 * u, 36.5 * u})
            fillRounded(painter, centred(x, 0, QSizeF(7 * u, 16 * u)), 3 * u, accent);
        break;
    case Accessory::Headband:
        break; // drawn above the face
    }

    fillRounded(painter, centred(0, 0, g.head), g.headRadius, color);
    fillRounded(painter, centred(0, 0, g.face), g.faceRadius, faceColor());

    // Eyes, 16u apart, 4u above the centre.
    const double eyeWidth = g.lensEyes ? g.lensRing : g.eye.width();
    for (const double side : {-1.0, 1.0}) {
        const double x = side * (g.eyeSpacing / 2 + eyeWidth / 2);
        if (g.lensEyes) {
            QPen ring(accent, 2 * u);
            ring.setCapStyle(Qt::FlatCap);
            ring.setJoinStyle(Qt::MiterJoin);
            painter.setPen(ring);
            painter.drawEllipse(QPointF(x, -4 * u), g.lensRing / 2, g.lensRing / 2);
            painter.setPen(Qt::NoPen);
        }
        fillCapsule(painter, centred(x, -4 * u, g.eye), accent);
    }
    if (g.glasses) {
        for (const double side : {-1.0, 1.0})
            strokeRounded(painter, centred(side * 12 * u, -4 * u, QSizeF(18 * u, 15 * u)), 4 * u,
                          withOpacity(Qt::white, 0.9), 2 * u);
    }

    fillCapsule(painter, centred(0, 11 * u, g.mouth), accent);
    painter.setBrush(withOpacity(kPink, 0.35));
    for (const double x : {-20.5 * u, 20.5 * u})
        painter.drawEllipse(QPointF(x, 6 * u), 3.5 * u, 3.5 * u);
    painter.setBrush(Qt::NoBrush);

    if (g.accessory == Accessory::Headband)
        fillCapsule(painter, centred(0, 10 * u - h / 2, QSizeF(74 * u, 9 * u)), accent);

    painter.restore();
    painter.restore();
}

} // namespace RobotFigure
