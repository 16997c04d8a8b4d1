#pragma once

#include "RobotCatalog.h"
#include "RobotFrameItem.h"
#include "RobotMotion.h"

#include <QtQml/qqmlregistration.h>

#include <array>

// Paints one robot figure `figureSize` wide (and 1.15 times as tall), centred in the item, and redraws it as
// its mood needs (RobotMotion::avatarDemand) while it is seen; unseen the clock stops. The
// item is made larger than the figure's frame: a raised arm, the antenna's glow and a tilted head reach
// beyond it. Reduce motion stills the bob, bounce, tilt, wave and star, not the mouth, blink and glow.
class RobotAvatarItem : public RobotFrameItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(RobotCharacter robot READ robot WRITE setRobot NOTIFY robotChanged)
    Q_PROPERTY(RobotMoodType::RobotMood mood READ mood WRITE setMood NOTIFY moodChanged)
    Q_PROPERTY(double figureSize READ figureSize WRITE setFigureSize NOTIFY figureSizeChanged)
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)
    // The robot's name, the AI tag and, while thinking or speaking, that state, in the robot language.
    Q_PROPERTY(QString accessibleLabel READ accessibleLabel NOTIFY accessibleLabelChanged)

public:
    explicit RobotAvatarItem(QQuickItem *parent = nullptr);

    RobotCharacter robot() const { return m_robot; }
    void setRobot(const RobotCharacter &robot);
    RobotMood mood() const { return m_mood; }
    void setMood(RobotMood mood);
    double figureSize() const { return m_figureSize; }
    void setFigureSize(double size);
    bool reduceMotion() const { return m_reduceMotion; }
    void setReduceMotion(bool on);
    QString accessibleLabel() const;

    // The accessibility label for a robot in a mood, in the texts of `languageCode`.
    static QString accessibleLabel(const RobotCharacter &robot, RobotMood mood, const QString &languageCode);

    void paint(QPainter *painter) override;

protected:
    RobotMotion::FrameDemand frameDemand() const override;
    // Waving (motion not reduced): the right arm swings at the full rate while the rest of the robot only
    // bobs, which the idle rate draws as smoothly.
    QRect partRect() const override;
    void paintPart(QPainter *painter) override;
    // The bob moves the picture by whole pixels, and the shadow on the ground, which stays where it is,
    // widens and narrows with it; the rest is repainted only as the eyes blink (or the star turns).
    QPointF restOffset(qreal devicePixelRatio) const override;
    bool restLooksAsPainted() const override;
    QRect groundRect() const override;
    void paintGround(QPainter *painter) override;

Q_SIGNALS:
    void robotChanged();
    void moodChanged();
    void figureSizeChanged();
    void reduceMotionChanged();
    void accessibleLabelChanged();

private:
    RobotCharacter m_robot;
    RobotMood m_mood = RobotMood::Idle;
    double m_figureSize = 78;
    bool m_reduceMotion = false;
    double m_restTime = 0; // the moment the rest of the figure was last drawn; the arm hangs from it there
    // The waving arm's rectangle, and the figure size, width and height it is for.
    QRect sweptArmRect() const;
    mutable QRect m_partRect;
    mutable std::array<double, 3> m_partRectFor{-1, -1, -1};
    // Where the figure's rectangle lies in the item.
    QPointF figureOrigin() const;
    // The motion of the moment t as drawn: the bob, in units, where the picture is moved by `offset`.
    RobotMotion::Values drawnMotion(double t, const QPointF &offset) const;
};
