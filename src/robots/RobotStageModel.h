#pragma once

#include "RobotCatalog.h"
#include "RobotMotion.h"

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class RobotStore;

// The robot stage card's look: its compact (one row) and full (one column) layouts, the status dot, and the
// texts it takes from the robot language. The caller gives the robot, mood and layout.
class RobotStageModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(RobotCharacter robot READ robot WRITE setRobot NOTIFY robotChanged)
    Q_PROPERTY(RobotMoodType::RobotMood mood READ mood WRITE setMood NOTIFY moodChanged)
    Q_PROPERTY(bool compact READ compact WRITE setCompact NOTIFY compactChanged)

    Q_PROPERTY(QColor robotColor READ robotColor NOTIFY robotChanged)
    // Thinking and speaking are the active moods: an amber dot and a pulsing ring.
    Q_PROPERTY(bool active READ active NOTIFY moodChanged)
    Q_PROPERTY(QColor dotColor READ dotColor NOTIFY moodChanged)
    Q_PROPERTY(double cornerRadius READ cornerRadius NOTIFY compactChanged)
    Q_PROPERTY(double shadowBlur READ shadowBlur NOTIFY compactChanged)
    Q_PROPERTY(double shadowOffset READ shadowOffset NOTIFY compactChanged)
    Q_PROPERTY(double robotGlowRadius READ robotGlowRadius NOTIFY compactChanged)
    Q_PROPERTY(double mintGlowRadius READ mintGlowRadius NOTIFY compactChanged)
    Q_PROPERTY(double avatarSize READ avatarSize NOTIFY compactChanged)
    Q_PROPERTY(double nameSize READ nameSize NOTIFY compactChanged)
    Q_PROPERTY(double paddingHorizontal READ paddingHorizontal NOTIFY compactChanged)
    Q_PROPERTY(double paddingTop READ paddingTop NOTIFY compactChanged)
    Q_PROPERTY(double paddingBottom READ paddingBottom NOTIFY compactChanged)
    Q_PROPERTY(bool showTagline READ showTagline NOTIFY compactChanged)
    Q_PROPERTY(QString tagline READ tagline NOTIFY textsChanged)
    Q_PROPERTY(QString autoLanguage READ autoLanguage NOTIFY textsChanged)

public:
    explicit RobotStageModel(QObject *parent = nullptr);
    explicit RobotStageModel(RobotStore &store, QObject *parent = nullptr);

    RobotCharacter robot() const { return m_robot; }
    void setRobot(const RobotCharacter &robot);
    RobotMood mood() const { return m_mood; }
    void setMood(RobotMood mood);
    bool compact() const { return m_compact; }
    void setCompact(bool compact);

    QColor robotColor() const { return hexColor(m_robot.color); }
    bool active() const { return m_mood == RobotMood::Thinking || m_mood == RobotMood::Speaking; }
    QColor dotColor() const;
    double cornerRadius() const { return m_compact ? 22 : 28; }
    double shadowBlur() const { return m_compact ? 10 : 18; }
    double shadowOffset() const { return m_compact ? 4 : 8; }
    double robotGlowRadius() const { return m_compact ? 160 : 260; }
    double mintGlowRadius() const { return m_compact ? 120 : 200; }
    double avatarSize() const { return m_compact ? 54 : 118; }
    double nameSize() const { return m_compact ? 17 : 22; }
    double paddingHorizontal() const { return m_compact ? 14 : 16; }
    double paddingTop() const { return m_compact ? 10 : 12; }
    double paddingBottom() const { return m_compact ? 10 : 18; }
    bool showTagline() const { return !m_compact; }
    QString tagline() const;
    QString autoLanguage() const;

Q_SIGNALS:
    void robotChanged();
    void moodChanged();
    void compactChanged();
    void textsChanged();

private:
    RobotStore &m_store;
    RobotCharacter m_robot;
    RobotMood m_mood = RobotMood::Idle;
    bool m_compact = false;
};
