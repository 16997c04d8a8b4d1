#pragma once

#include "RobotCatalog.h"
#include "RobotMotion.h"

#include <QColor>
#include <QPointF>
#include <QSizeF>

class QPainter;

// The robot figure, built only from vector shapes: a ground shadow, two arms, a torso with a chest panel and
// light, and a head whose outline, face screen, eyes, mouth, cheeks and accessory follow the robot record.
// All lengths are multiples of the unit u = size / 100; the figure is `size` wide and 1.15 × `size` tall,
// and every offset below is from the centre of that frame (x to the right, y down).
namespace RobotFigure {

enum class Accessory { Antenna, Star, Headband, Ears };

// The shapes of one frame, in points.
struct Geometry {
    double unit = 1;
    QSizeF frame;

    QSizeF shadow; // ellipse centred at (0, shadowY)
    double shadowY = 0;
    double bodyOffsetY = 0; // the body group moves down by this (bob - bounce)

    QSizeF arm;               // capsule, hung from its top centre
    double leftArmAngle = 20; // degrees, clockwise
    double rightArmAngle = -20;
    QSizeF torso;
    double torsoRadius = 0;
    QSizeF chestPanel;
    double chestPanelRadius = 0;
    double chestLight = 0;     // diameter
    bool chestLightOn = false; // white while speaking

    QSizeF head;
    double headRadius = 0; // corner radius of the head outline
    QSizeF face;
    double faceRadius = 0;
    double headY = 0;    // centre of the head frame, before the tilt
    double headTilt = 0; // degrees, about the head's bottom centre

    bool lensEyes = false;
    QSizeF eye;          // a capsule, or for lens eyes the pupil
    double lensRing = 0; // diameter of a lens eye's ring
    double eyeSpacing = 0;
    bool glasses = false;
    QSizeF mouth;

    Accessory accessory = Accessory::Ears;
    double accessoryGlow = 0.7;
    double starTurn = 0; // degrees, 0 to 360
};

// The outline corner radius of a head shape: "square" 0.24 × the shorter side, "capsule" half of it, any
// other kind 0.46 × the shorter side.
double outlineRadius(const QString &shape, double width, double height);

Geometry layout(const RobotCharacter &robot, RobotMood mood, const RobotMotion::Values &motion, double size);

// Which shapes to draw: all of them, or the waving (right) arm apart from the rest, so that the arm can be
// redrawn on its own. The arm lies behind the torso and overlaps nothing else: the arm drawn first and the
// rest over it is the whole figure. Likewise the ground shadow apart from the body (everything else, which
// the bob moves as one): the shadow lies behind the body.
enum class Parts { All, RightArm, AllButRightArm, Ground, Body, BodyButRightArm };

// Draws the figure (or some of its parts) into the rectangle (0, 0, size, 1.15 × size) of the painter.
void paint(QPainter &painter, const RobotCharacter &robot, const Geometry &geometry,
           Parts parts = Parts::All);

// Where the right arm hangs from (its top centre) in the figure's rectangle, before the body moves
// (`bodyOffsetY`), and how far from there any of it may reach.
QPointF rightArmPivot(const Geometry &geometry);
double rightArmReach(const Geometry &geometry);
// The rectangle in the figure's rectangle that the ground shadow may cover at any bob (3 units either way).
QRectF groundBounds(const Geometry &geometry);

// The colour of the face screen.
QColor faceColor();

} // namespace RobotFigure
