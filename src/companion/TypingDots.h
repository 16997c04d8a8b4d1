#pragma once

#include "RobotFrameItem.h"

#include <QColor>
#include <QtQml/qqmlregistration.h>

// The "buddy is thinking" dots: three teal dots that rise and brighten one after another. Everything is a
// pure function of the clock (seconds since 2001-01-01 UTC, the robots' clock), so no phase is kept between
// frames and every indicator on screen moves in step with the robots.
namespace TypingDotsMotion {

constexpr int kDotCount = 3;
constexpr double kDotSize = 7;
constexpr double kSpacing = 5;
constexpr double kHeight = 20;
constexpr double kWidth = kDotCount * kDotSize + (kDotCount - 1) * kSpacing;

struct Dot {
    double opacity = 0.6;
    double offset = 0; // vertical, in points; negative is up

    friend bool operator==(const Dot &, const Dot &) = default;
};

// Dot `index` (0 to 2, left to right) at time t. Each dot follows s = max(0, sin(5t - 0.7 index)): it rises
// up to 3 points and brightens from 0.3 during the positive half of its wave and rests on the baseline at
// 0.3 during the negative half. With reduced motion every dot stands level at 0.6.
Dot dot(double t, int index, bool reduceMotion);

} // namespace TypingDotsMotion

// Paints the dots centred in the item on the robots' frame clock: at most 30 frames a second while it is
// seen, no clock at all with reduced motion, off screen or in a pinned still picture (`frameTime`).
class TypingDotsItem : public RobotFrameItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    // "Thinking" in the chat texts of the robot language in effect.
    Q_PROPERTY(QString accessibleLabel READ accessibleLabel NOTIFY accessibleLabelChanged)

public:
    explicit TypingDotsItem(QQuickItem *parent = nullptr);

    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool on);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    QString accessibleLabel() const;

    void paint(QPainter *painter) override;

protected:
    RobotMotion::FrameDemand frameDemand() const override;

Q_SIGNALS:
    void reduceMotionChanged();
    void colorChanged();
    void accessibleLabelChanged();

private:
    bool m_reduceMotion = false;
    QColor m_color;
};
