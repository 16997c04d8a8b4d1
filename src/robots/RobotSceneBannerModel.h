#pragma once

#include "RobotCatalog.h"
#include "RobotMotion.h"

#include <QColor>
#include <QObject>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include "ScreenViewModel.h"
class RobotStore;
class SpeechPlayer;

// The state of a robot scene banner: the robot of a scene beside a speech bubble with its name and the
// scene's greeting (or the caller's bubble text). Tapping the robot reads the greeting aloud under the
// banner's own speech id, so two banners never light up together; while it is read the robot speaks.
// Everything follows the shared robot store (catalog in use, language in effect) and the speech player.
class RobotSceneBannerModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString scene READ scene WRITE setScene NOTIFY sceneChanged)
    Q_PROPERTY(RobotMoodType::RobotMood mood READ mood WRITE setMood NOTIFY moodChanged)
    // The caller's text for the bubble; empty shows the scene's greeting.
    Q_PROPERTY(QString bubble READ bubble WRITE setBubble NOTIFY bubbleChanged)
    Q_PROPERTY(bool compact READ compact WRITE setCompact NOTIFY compactChanged)

    Q_PROPERTY(RobotCharacter robot READ robot NOTIFY contentChanged)
    Q_PROPERTY(QColor robotColor READ robotColor NOTIFY contentChanged)
    Q_PROPERTY(QString nameLine READ nameLine NOTIFY contentChanged)
    Q_PROPERTY(QString bubbleText READ bubbleText NOTIFY contentChanged)
    Q_PROPERTY(QString greetHint READ greetHint NOTIFY contentChanged)
    Q_PROPERTY(bool speaking READ speaking NOTIFY speakingChanged)
    Q_PROPERTY(RobotMoodType::RobotMood avatarMood READ avatarMood NOTIFY avatarMoodChanged)
    Q_PROPERTY(double avatarSize READ avatarSize NOTIFY compactChanged)
    Q_PROPERTY(double textSize READ textSize NOTIFY compactChanged)

public:
    explicit RobotSceneBannerModel(QObject *parent = nullptr);
    // For tests: a banner over its own store and player.
    RobotSceneBannerModel(RobotStore &store, SpeechPlayer &player, QObject *parent = nullptr);

    QString scene() const { return m_scene; }
    void setScene(const QString &scene);
    RobotMood mood() const { return m_mood; }
    void setMood(RobotMood mood);
    QString bubble() const { return m_bubble; }
    void setBubble(const QString &bubble);
    bool compact() const { return m_compact; }
    void setCompact(bool compact);
    QUuid greetId() const { return m_greetId; }
    RobotCharacter robot() const;
    QColor robotColor() const { return hexColor(robot().color); }
    QString nameLine() const;
    QString bubbleText() const;
    QString greetHint() const;
    bool speaking() const;
    RobotMood avatarMood() const { return speaking() ? RobotMood::Speaking : m_mood; }
    double avatarSize() const { return m_compact ? 54 : 78; }
    double textSize() const { return m_compact ? 13 : 15; }

    // The robot was tapped: reads the scene's greeting, or stops it when it is being read.
    Q_INVOKABLE void tap();
    // The banner came on screen: makes sure the catalog of the language in effect has been fetched.
    Q_INVOKABLE void appear();

Q_SIGNALS:
    void sceneChanged();
    void moodChanged();
    void bubbleChanged();
    void compactChanged();
    void contentChanged();
    void speakingChanged();
    void avatarMoodChanged();

private:
    void connectShared();
    void onSpeakingIdChanged();

    RobotStore &m_store;
    SpeechPlayer &m_player;
    QString m_scene = QStringLiteral("companion");
    RobotMood m_mood = RobotMood::Idle;
    QString m_bubble;
    bool m_compact = false;
    const QUuid m_greetId = QUuid::createUuid();
    bool m_speaking = false;
};
