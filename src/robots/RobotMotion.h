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

// How often a painted robot redraws. A frame costs a repaint of the item (and, on OpenGL, of the whole
// window), so the clock runs only as fast as the picture visibly changes, and not at all where nobody sees
// it.
enum class FrameDemand {
    Still,      // nothing changes over time
    BlinkEdges, // only the blink changes: a redraw as the eyes close and as they open
    Idle,       // slow motion (the bob, the star's turn): a reduced rate is enough
    Full,       // talking, thinking or waving: the full rate
};

// What changes over time for an avatar in a mood: speaking, thinking and waving move at the full rate (the
// mouth and the glow move also when motion is reduced); otherwise the idle bob, or with reduced motion (or a
// waving arm held still by it) only the blink.
FrameDemand avatarDemand(RobotMood mood, bool reduceMotion);

// Where the frame clock's item is.
struct FrameContext {
    bool pinned = false;       // a fixed frame time is drawn: a still picture
    bool itemVisible = false;  // the item is visible and in a window
    bool windowShown = false;  // the window is visible, not minimised, and exposed
    bool windowActive = false; // the window has the focus
};

// Milliseconds between redraws for a demand at the full and the idle rate. The idle rate is a whole multiple
// of the full one, so that slow and full motion on one screen redraw in the same frames. The idle motion
// moves the figure by well under a pixel from one of its frames to the next.
constexpr int kFullFrameMs = 33;               // ~30 fps
constexpr int kIdleFrameMs = 3 * kFullFrameMs; // ~10 fps

// The next redraw: how many milliseconds after time t (seconds) the item should redraw, or -1 for never
// (until something it depends on changes). Stops while the window is inactive, hidden, minimised or not
// exposed; a blink-only picture wakes just after each edge of the blink.
int nextFrameDelayMs(FrameDemand demand, const FrameContext &context, double t);

// Seconds from t to the next edge of the blink (the eyes closing or opening); always > 0.
double secondsToBlinkEdge(double t);

} // namespace RobotMotion
