#pragma once

#include "LearningProfileAnswers.h"
#include "ScreenViewModel.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QObject>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The first-run questionnaire shown over the tab shell: the intro, the learning profile (unless the learner
// was asked for it already), then the server's steps ("goal", "diagnosis", "contract", or whatever it names
// next) until the server says it is finished. Each server step is saved with one PUT whose answer names the
// step after it; every step can be skipped, and the intro skips all of them at once.
//
// A step name the flow does not know is shown and answered like "contract". One that cannot be a path
// segment (empty, "." or "..") is read as "contract" too: sent as it stands it could never be saved nor
// skipped, and the learner would be stuck behind a cover that cannot be closed. After the profile the flow
// goes to the start step, or to "goal" when the start step is one of the flow's own pages: going "back" to
// the intro or the profile would lead the learner round in a circle.
//
// Every action is ignored while a request of the flow runs. `finished` comes before `busy` returns to false,
// and the presenter may let the flow go in its handler, so nothing is written once the object is gone. The
// flow only ever marks the profile asked; recording the questionnaire as done is the presenter's business.
class OnboardingFlowViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString startStep READ startStep WRITE setStartStep NOTIFY startStepChanged)
    Q_PROPERTY(QString step READ step NOTIFY stepChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)

    // The answers of each page.
    Q_PROPERTY(LearningProfileAnswers *profile READ profile CONSTANT)
    Q_PROPERTY(QString target READ target WRITE setTarget NOTIFY targetChanged)
    Q_PROPERTY(double weeklyMinutes READ weeklyMinutes WRITE setWeeklyMinutes NOTIFY weeklyMinutesChanged)
    // Module key to stars; holds every module of `modules` from the start.
    Q_PROPERTY(QVariantMap scores READ scores NOTIFY scoresChanged)
    Q_PROPERTY(QString persona READ persona WRITE setPersona NOTIFY personaChanged)
    Q_PROPERTY(QString reminder READ reminder WRITE setReminder NOTIFY reminderChanged)

    // What the current step shows: its header, its page ("intro", "profile", "goal", "diagnosis",
    // "contract") and the labels of the bottom bar (no secondary button for an empty one).
    Q_PROPERTY(int position READ position NOTIFY stepChanged)
    Q_PROPERTY(int total READ total CONSTANT)
    Q_PROPERTY(QString badge READ badge NOTIFY stepChanged)
    Q_PROPERTY(QString icon READ icon NOTIFY stepChanged)
    Q_PROPERTY(QString title READ title NOTIFY stepChanged)
    Q_PROPERTY(QString subtitle READ subtitle NOTIFY stepChanged)
    Q_PROPERTY(QString pageKind READ pageKind NOTIFY stepChanged)
    Q_PROPERTY(QString primaryLabel READ primaryLabel NOTIFY stepChanged)
    Q_PROPERTY(QString secondaryLabel READ secondaryLabel NOTIFY stepChanged)

    // The pages' fixed tables: [{value, icon, title, subtitle}] for targets and personas, [{value, label,
    // icon}] for reminders, [{key, name, icon}] for modules, [{number, icon, title, subtitle}] for the intro.
    Q_PROPERTY(QVariantList targetOptions READ targetOptions CONSTANT)
    Q_PROPERTY(QVariantList weeklyMinutesRange READ weeklyMinutesRange CONSTANT)
    Q_PROPERTY(int weeklyMinutesStep READ weeklyMinutesStep CONSTANT)
    Q_PROPERTY(QVariantList weeklyMinutesPresets READ weeklyMinutesPresets CONSTANT)
    Q_PROPERTY(QString weeklyMinutesUnit READ weeklyMinutesUnit CONSTANT)
    Q_PROPERTY(QVariantList modules READ modules CONSTANT)
    Q_PROPERTY(QVariantList personaOptions READ personaOptions CONSTANT)
    Q_PROPERTY(QVariantList reminderOptions READ reminderOptions CONSTANT)
    Q_PROPERTY(QVariantList introRows READ introRows CONSTANT)

public:
    explicit OnboardingFlowViewModel(QObject *parent = nullptr);

    struct Header {
        int position = 0;
        QString badge; // empty: none
        QString icon;
        QString title;
        QString subtitle;
    };
    struct Option {
        QString value;
        QString icon;
        QString title;
        QString subtitle;
    };
    struct Module {
        QString key;
        QString name;
        QString icon;
    };

    static inline const QString intro = QStringLiteral("intro");
    static inline const QString profileStep = QStringLiteral("profile");
    static inline const QString goal = QStringLiteral("goal");
    static inline const QString diagnosis = QStringLiteral("diagnosis");
    static inline const QString contract = QStringLiteral("contract");
    static constexpr int stepCount = 4;
    static constexpr int defaultScore = 3;

    static Header header(const QString &step);
    static QString pageKind(const QString &step);
    static QString primaryLabel(const QString &step);
    static QString secondaryLabel(const QString &step);
    // The step a server's or a creator's name stands for: the name itself, or "contract" for a name that
    // cannot be sent as a step (none, empty, "." or "..").
    static QString shownStep(const std::optional<QString> &name);
    static const QList<Option> &targets();
    static const QList<Module> &moduleTable();
    static const QList<Option> &personas();
    static const QList<Option> &reminders(); // the title is the label; no subtitle

    QString startStep() const { return m_startStep; }
    void setStartStep(const QString &step);
    QString step() const { return m_step; }
    bool busy() const { return m_busy; }

    LearningProfileAnswers *profile() { return &m_profile; }
    QString target() const { return m_target; }
    void setTarget(const QString &target);
    double weeklyMinutes() const { return m_weeklyMinutes; }
    void setWeeklyMinutes(double minutes);
    QVariantMap scores() const { return m_scores; }
    // The stars of a module, 3 for a key without any.
    Q_INVOKABLE int score(const QString &key) const;
    // Stars are 1 to 5 (a value outside is clamped) and only for the modules the page lists: the server
    // reads every key it is sent.
    Q_INVOKABLE void setScore(const QString &key, int score);
    QString persona() const { return m_persona; }
    void setPersona(const QString &persona);
    QString reminder() const { return m_reminder; }
    void setReminder(const QString &reminder);

    int position() const { return header(m_step).position; }
    static int total() { return stepCount; }
    QString badge() const { return header(m_step).badge; }
    QString icon() const { return header(m_step).icon; }
    QString title() const { return header(m_step).title; }
    QString subtitle() const { return header(m_step).subtitle; }
    QString pageKind() const { return pageKind(m_step); }
    QString primaryLabel() const { return primaryLabel(m_step); }
    QString secondaryLabel() const { return secondaryLabel(m_step); }

    static QVariantList targetOptions();
    static QVariantList weeklyMinutesRange();
    static int weeklyMinutesStep();
    static QVariantList weeklyMinutesPresets();
    static QString weeklyMinutesUnit();
    static QVariantList modules();
    static QVariantList personaOptions();
    static QVariantList reminderOptions();
    static QVariantList introRows();

    // The answers a step sends when it is not skipped.
    QJsonObject answers(const QString &step) const;

    // The bottom bar's buttons: on the intro "开始" and "全部跳过，直接使用", on every other page saving the
    // step and skipping it.
    Q_INVOKABLE void primary();
    Q_INVOKABLE void secondary();

    void startFromIntro();
    QCoro::Task<> runSubmit(bool skip);
    QCoro::Task<> runSkipAll();

Q_SIGNALS:
    void startStepChanged();
    void stepChanged();
    void busyChanged();
    void targetChanged();
    void weeklyMinutesChanged();
    void scoresChanged();
    void personaChanged();
    void reminderChanged();
    // The questionnaire is finished on the server, or skipped as a whole.
    void finished();

private:
    // Where the flow goes once the profile is behind it.
    QString stepAfterProfile() const;
    void setStep(const QString &step);
    void setBusy(bool busy);

    QString m_startStep;
    QString m_step = intro;
    bool m_busy = false;
    LearningProfileAnswers m_profile;
    QString m_target = QStringLiteral("keep_up");
    double m_weeklyMinutes = 180;
    QVariantMap m_scores;
    QString m_persona = QStringLiteral("cheerful");
    QString m_reminder = QStringLiteral("standard");
};
