#pragma once

#include "RobotMotion.h"

#include "RobotFrameItem.h"

#include <QColor>
#include <QtQml/qqmlregistration.h>

// The robot stage's glow and ring around the robot: a soft disc in the robot's colour and a thin white ring,
// both pulsing while the robot thinks or speaks (unless motion is reduced), at rest otherwise. Drawn
// centred in the item for an avatar of `avatarSize`; the glow reaches 1.25 × that size across. The clock
// runs only while the ring moves and the item is on screen, at most 30 times a second.
class RobotMoodRing : public RobotFrameItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(RobotMoodType::RobotMood mood READ mood WRITE setMood NOTIFY moodChanged)
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)
    Q_PROPERTY(double avatarSize READ avatarSize WRITE setAvatarSize NOTIFY avatarSizeChanged)

public:
    // The ring at a pulse p (0.3 at rest).
    struct Look {
        double glowOpacity; // centre of the glow
        double ringOpacity;
        double ringScale;  // ring diameter / avatar size
        double glowRadius; // / avatar size, where the glow has faded out
    };
    static Look look(double pulse);

    explicit RobotMoodRing(QQuickItem *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    RobotMood mood() const { return m_mood; }
    void setMood(RobotMood mood);
    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool on);
    double avatarSize() const { return m_avatarSize; }
    void setAvatarSize(double size);

    void paint(QPainter *painter) override;

Q_SIGNALS:
    void colorChanged();
    void moodChanged();
    void reduceMotionChanged();
    void avatarSizeChanged();

protected:
    RobotMotion::FrameDemand frameDemand() const override;

private:
    QColor m_color = QColor(0x14, 0xA0, 0x98);
    RobotMood m_mood = RobotMood::Idle;
    bool m_reduceMotion = false;
    double m_avatarSize = 54;
};
