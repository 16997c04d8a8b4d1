#pragma once

#include "RobotCatalog.h"
#include "RobotMotion.h"

#include <QObject>
#include <QStringList>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include "ScreenViewModel.h"
class RobotStore;
class SpeechPlayer;

// The robot settings sheet: the robot of the presenter's scene with a preview of its greeting, the reply
// and speech language, the voice, auto-speak and the chat model preference. Every control reads and writes
// the shared robot store directly (the store persists each choice at once; there is no save step), and every
// text comes in the language in effect, so the sheet speaks the chat's current language.
class RobotSettingsSheetModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString scene READ scene WRITE setScene NOTIFY sceneChanged)

    // Texts.
    Q_PROPERTY(QString title READ title NOTIFY contentChanged)
    Q_PROPERTY(QString previewText READ previewText NOTIFY contentChanged)
    Q_PROPERTY(QString robotFooter READ robotFooter NOTIFY contentChanged)
    Q_PROPERTY(QString languageSection READ languageSection NOTIFY contentChanged)
    Q_PROPERTY(QString languagePicker READ languagePicker NOTIFY contentChanged)
    Q_PROPERTY(QString languageFooter READ languageFooter NOTIFY contentChanged)
    Q_PROPERTY(QString voiceSection READ voiceSection NOTIFY contentChanged)
    Q_PROPERTY(QString voicePicker READ voicePicker NOTIFY contentChanged)
    Q_PROPERTY(QString autoSpeakText READ autoSpeakText NOTIFY contentChanged)
    Q_PROPERTY(QString modelSection READ modelSection NOTIFY contentChanged)
    Q_PROPERTY(QString modelNote READ modelNote NOTIFY contentChanged)
    Q_PROPERTY(QString doneText READ doneText NOTIFY contentChanged)

    // The preview row.
    Q_PROPERTY(RobotCharacter robot READ robot NOTIFY contentChanged)
    Q_PROPERTY(QString titleLine READ titleLine NOTIFY contentChanged)
    Q_PROPERTY(RobotMoodType::RobotMood avatarMood READ avatarMood NOTIFY previewingChanged)
    Q_PROPERTY(bool previewing READ previewing NOTIFY previewingChanged)

    // The controls: option labels in catalog order, and the index of the store's choice (-1: no row).
    Q_PROPERTY(QStringList languageOptions READ languageOptions NOTIFY contentChanged)
    Q_PROPERTY(int languageIndex READ languageIndex NOTIFY contentChanged)
    // The follow-default row first, then the catalog's voices.
    Q_PROPERTY(QStringList voiceOptions READ voiceOptions NOTIFY contentChanged)
    Q_PROPERTY(int voiceIndex READ voiceIndex NOTIFY contentChanged)
    Q_PROPERTY(bool autoSpeak READ autoSpeak WRITE setAutoSpeak NOTIFY contentChanged)
    // "auto", "local", "cloud".
    Q_PROPERTY(QStringList modelOptions READ modelOptions NOTIFY contentChanged)
    Q_PROPERTY(int modelIndex READ modelIndex NOTIFY contentChanged)

public:
    explicit RobotSettingsSheetModel(QObject *parent = nullptr);
    // For tests: a sheet over its own store and player.
    RobotSettingsSheetModel(RobotStore &store, SpeechPlayer &player, QObject *parent = nullptr);
    ~RobotSettingsSheetModel() override;

    QString scene() const { return m_scene; }
    void setScene(const QString &scene);
    QUuid previewId() const { return m_previewId; }

    QString title() const;
    QString previewText() const;
    QString robotFooter() const;
    QString languageSection() const;
    QString languagePicker() const;
    QString languageFooter() const;
    QString voiceSection() const;
    QString voicePicker() const;
    QString autoSpeakText() const;
    QString modelSection() const;
    QString modelNote() const;
    QString doneText() const;

    RobotCharacter robot() const;
    QString titleLine() const;
    bool previewing() const;
    RobotMood avatarMood() const { return previewing() ? RobotMood::Speaking : RobotMood::Waving; }

    QStringList languageOptions() const;
    int languageIndex() const;
    QStringList voiceOptions() const;
    int voiceIndex() const;
    bool autoSpeak() const;
    void setAutoSpeak(bool on);
    QStringList modelOptions() const;
    int modelIndex() const;

    // The learner picked a row; an index out of range changes nothing.
    Q_INVOKABLE void chooseLanguage(int index);
    Q_INVOKABLE void chooseVoice(int index);
    Q_INVOKABLE void chooseModel(int index);
    // Reads the scene's greeting with the chosen voice and language, or stops it when it is being read.
    Q_INVOKABLE void preview();
    // The sheet came on screen / went away. While it is shown, a change of the learner's language stops any
    // speech and fetches that language's catalog afresh. Going away stops the preview, not a chat reply.
    Q_INVOKABLE void appear();
    Q_INVOKABLE void disappear();

Q_SIGNALS:
    void sceneChanged();
    void contentChanged();
    void previewingChanged();

private:
    void onLanguageChanged();
    void onSpeakingIdChanged();

    RobotStore &m_store;
    SpeechPlayer &m_player;
    QString m_scene = QStringLiteral("companion");
    const QUuid m_previewId = QUuid::createUuid();
    bool m_shown = false;
    bool m_previewing = false;
};
