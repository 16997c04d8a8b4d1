#include "RobotMotion.h"

#include <cmath>

namespace RobotMotion {

namespace {
// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 kReferenceDateMs = 978307200000LL;
// The blink: eyes closed for the first kBlinkSeconds of every kBlinkPeriod.
constexpr double kBlinkPeriod = 3.6;
constexpr double kBlinkSeconds = 0.15;
} // namespace

double referenceSeconds(qint64 msecsSinceEpoch) {
    return double(msecsSinceEpoch - kReferenceDateMs) / 1000.0;
}

Values avatar(double t, RobotMood mood, bool reduceMotion) {
    Values v;
    const bool speaking = mood == RobotMood::Speaking;
    const bool thinking = mood == RobotMood::Thinking;
    const bool waving = mood == RobotMood::Waving;

    // The mouth, the blink and the glow are part of how the robot talks and looks, not decoration: they
    // change with time also when motion is reduced.
    v.mouth = speaking ? 0.25 + 0.75 * std::abs(std::sin(11 * t) * std::cos(4.3 * t)) : 0.0;
    v.blink = std::fmod(t, kBlinkPeriod) < kBlinkSeconds;
    v.glow = speaking ? 1.0 : thinking ? 0.4 + 0.6 * std::abs(std::sin(5 * t)) : 0.7;

    if (reduceMotion) {
        v.wave = waving ? 15.0 : 0.0;
        return v;
    }
    v.bob = 3.0 * std::sin(2 * t);
    v.bounce = speaking ? 2.5 * std::abs(std::sin(9 * t)) : 0.0;
    v.headTilt = thinking ? 7.0 * std::sin(2.4 * t) : 0.0;
    v.wave = waving ? 25.0 * std::sin(8 * t) : 0.0;
    v.starSpin = 40.0 * t;
    return v;
}

bool stageRingMoves(RobotMood mood, bool reduceMotion) {
    return !reduceMotion && (mood == RobotMood::Thinking || mood == RobotMood::Speaking);
}

double stagePulse(double t, RobotMood mood, bool reduceMotion) {
    if (!stageRingMoves(mood, reduceMotion))
        return 0.3;
    const double omega = mood == RobotMood::Thinking ? 3.0 : 6.0;
    return 0.5 + 0.5 * std::sin(omega * t);
}

FrameDemand avatarDemand(RobotMood mood, bool reduceMotion) {
    switch (mood) {
    case RobotMood::Speaking:
    case RobotMood::Thinking:
        return FrameDemand::Full;
    case RobotMood::Waving:
        return reduceMotion ? FrameDemand::BlinkEdges : FrameDemand::Full;
    case RobotMood::Idle:
        break;
    }
    return reduceMotion ? FrameDemand::BlinkEdges : FrameDemand::Idle;
}

double secondsToBlinkEdge(double t) {
    double phase = std::fmod(t, kBlinkPeriod);
    if (phase < 0)
        phase += kBlinkPeriod;
    return phase < kBlinkSeconds ? kBlinkSeconds - phase : kBlinkPeriod - phase;
}

int nextFrameDelayMs(FrameDemand demand, const FrameContext &context, double t) {
    if (context.pinned || !context.itemVisible || !context.windowShown || !context.windowActive)
        return -1;
    switch (demand) {
    case FrameDemand::Still:
        return -1;
    case FrameDemand::BlinkEdges:
        // A millisecond past the edge, so the redraw lands on the far side of it.
        return int(std::lround(secondsToBlinkEdge(t) * 1000)) + 1;
    case FrameDemand::Idle:
        return kIdleFrameMs;
    case FrameDemand::Full:
        return kFullFrameMs;
    }
    return -1;
}

} // namespace RobotMotion
