#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

// The moods of a robot figure, chosen by the screen that shows it.
namespace RobotMoodType {
Q_NAMESPACE
QML_NAMED_ELEMENT(RobotMood)
enum RobotMood { Idle, Thinking, Speaking, Waving };
Q_ENUM_NS(RobotMood)
} // namespace RobotMoodType
using RobotMood = RobotMoodType::RobotMood;

// How a robot moves at one moment. Everything is a pure function of the time t (seconds since
// 2001-01-01 00:00:00 UTC, so that every robot on screen moves in step), the mood and the reduce-motion
// setting; nothing keeps a phase of its own.
namespace RobotMotion {

// Seconds since 2001-01-01 00:00:00 UTC for a moment given in milliseconds since the Unix epoch.
double referenceSeconds(qint64 msecsSinceEpoch);

// The avatar's motion values. Lengths are in drawing units (a hundredth of the avatar's width), angles in
// degrees (positive turns clockwise on screen).
struct Values {
    double bob = 0;      // the whole body up and down
    double bounce = 0;   // the body jumps while speaking
    double mouth = 0;    // mouth opening, 0 closed to 1 open
    double headTilt = 0; // while thinking
    double wave = 0;     // the right arm's swing while waving
    bool blink = false;  // eyes closed
    double glow = 0.7;   // opacity of the antenna ball or star
    double starSpin = 0; // the star accessory's turn

    friend bool operator==(const Values &, const Values &) = default;
};

Values avatar(double t, RobotMood mood, bool reduceMotion);

// The robot stage's mood ring: whether it moves at all, and its pulse (0.3 at rest).
bool stageRingMoves(RobotMood mood, bool reduceMotion);
double stagePulse(double t, RobotMood mood, bool reduceMotion);

} // namespace RobotMotion
