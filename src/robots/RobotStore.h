#pragma once

#include "RobotCatalog.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

#include "AppSession.h"
class QJSEngine;
class QQmlEngine;

// The learner's robot settings and the robot catalogs fetched in this run, shared by every screen that shows
// or speaks for a robot.
//
// Four choices persist in the user defaults and are read back once, at creation: `language` (the learner's
// reply and speech language), `voice` (a voice id; none follows the robot's own voice), `modelPref` ("auto",
// "local" or "cloud") and `autoSpeak`. Their setters write the defaults on every assignment, also of an
// unchanged value, and notify only on a change. `activeLanguage` is the language the current chat switched
// to; it lives in memory only and every assignment of `language` clears it. The language in effect is
// `activeLanguage` when set, else `language`.
//
// Catalogs are fetched per language and kept for the run; the catalog in use is the fetched one of the
// language in effect, else the fetched one of `language`, else the built-in catalog.
//
// One shared instance for the whole run (`shared()`); tests make their own. Main thread only.
class RobotStore : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString language READ language WRITE setLanguage NOTIFY languageChanged)
    // Empty while the chat has not switched language.
    Q_PROPERTY(QString activeLanguage READ activeLanguageText NOTIFY activeLanguageChanged)
    Q_PROPERTY(QString languageInEffect READ languageInEffect NOTIFY languageInEffectChanged)
    Q_PROPERTY(QString languageLabel READ languageLabel NOTIFY languageLabelChanged)
    // Empty while the robot's own voice is followed; assigning the empty text removes the choice.
    Q_PROPERTY(QString voice READ voiceText WRITE setVoiceText NOTIFY voiceChanged)
    Q_PROPERTY(QString modelPref READ modelPref WRITE setModelPref NOTIFY modelPrefChanged)
    Q_PROPERTY(bool autoSpeak READ autoSpeak WRITE setAutoSpeak NOTIFY autoSpeakChanged)

public:
    static inline const QString kLanguageKey = QStringLiteral("qvl.robot.language");
    static inline const QString kVoiceKey = QStringLiteral("qvl.robot.voice");
    static inline const QString kModelPrefKey = QStringLiteral("qvl.robot.model_pref");
    static inline const QString kAutoSpeakKey = QStringLiteral("qvl.robot.auto_speak");

    // Reads the persisted choices from the platform's user defaults.
    explicit RobotStore(QObject *parent = nullptr);

    // The run's instance, created on first use.
    static RobotStore &shared();
    // The QML singleton is the shared instance; the engine never owns it.
    static RobotStore *create(QQmlEngine *, QJSEngine *);

    static const RobotCatalog &builtInCatalog() { return RobotCatalog::builtIn(); }

    const QHash<QString, RobotCatalog> &catalogs() const { return m_catalogs; }
    // Replaces the catalog of one language code (what a successful fetch does).
    void setCatalog(const QString &code, const RobotCatalog &catalog);

    QString language() const { return m_language; }
    std::optional<QString> activeLanguage() const { return m_activeLanguage; }
    QString activeLanguageText() const { return m_activeLanguage.value_or(QString()); }
    QString languageInEffect() const { return m_activeLanguage.value_or(m_language); }
    std::optional<QString> voice() const { return m_voice; }
    QString voiceText() const { return m_voice.value_or(QString()); }
    QString modelPref() const { return m_modelPref; }
    bool autoSpeak() const { return m_autoSpeak; }

    void setLanguage(const QString &language);
    void setActiveLanguage(const std::optional<QString> &language);
    void setVoice(const std::optional<QString> &voice);
    void setVoiceText(const QString &voice);
    void setModelPref(const QString &pref);
    void setAutoSpeak(bool on);

    // The catalog in use; never fails.
    RobotCatalog catalog() const;
    // The label of the language in effect in the catalog in use, else the code itself.
    QString languageLabel() const;
    // The chosen voice when the catalog in use lists it, else the default voice of the scene's robot; nothing
    // when neither is listed (or the catalog has no scene or robot to ask).
    std::optional<RobotCatalog::Voice> voiceForScene(const QString &sceneId) const;
    // The locale to speak in: the speech locale of the language in effect in the catalog in use, else in the
    // built-in catalog, else the code itself.
    QString speechLanguage() const;

    // The robot and the scene record of a scene in the catalog in use, for views.
    Q_INVOKABLE RobotCharacter robotFor(const QString &sceneId) const;
    Q_INVOKABLE RobotScene sceneFor(const QString &sceneId) const;

    // Fetches the catalog of the language in effect (read once, at the start) from the AI service and keeps
    // it under that code, unless one is kept already and `force` is false. Every failure is silent.
    QCoro::Task<void> loadCatalog(AppSession *session, bool force);
    // Makes the robots follow the language the chat answered in: switches `activeLanguage` (back to none for
    // the learner's own language) and loads that language's catalog. False, and nothing changes, for no code,
    // an empty one or the language already in effect.
    QCoro::Task<bool> followLanguage(std::optional<QString> code, AppSession *session);
    Q_INVOKABLE void resetActiveLanguage();

Q_SIGNALS:
    void catalogsChanged();
    void languageChanged();
    void activeLanguageChanged();
    void voiceChanged();
    void modelPrefChanged();
    void autoSpeakChanged();
    // Derived values: each fires only when its value changed.
    void catalogChanged();
    void languageInEffectChanged();
    void languageLabelChanged();

private:
    struct Derived {
        RobotCatalog catalog;
        QString languageInEffect;
        QString languageLabel;
    };
    Derived derived() const;
    void announceDerived(const Derived &before);

    QHash<QString, RobotCatalog> m_catalogs;
    QString m_language;
    std::optional<QString> m_activeLanguage;
    std::optional<QString> m_voice;
    QString m_modelPref;
    bool m_autoSpeak = true;
};
