#pragma once

#include "ScreenViewModel.h"
#include "YouthModeGuard.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// What the signed-in gate lays over the tab shell: the first-run questionnaire, the learning-profile sheet
// and, through its youth guard, the rest overlay.
//
// Each time the gate comes on screen it starts the guard, then asks the server, one request after the other:
// the questionnaire's state unless onboarding is known to be done (finished: remembered for good; not
// finished: the questionnaire opens at the server's next step, and nothing more is asked in this run), then
// the learning profile unless it was asked already (filled: remembered; not filled: the sheet opens).
// Failures are dropped without a word and also end the run; the next appearance asks again. The flags live
// in the session, which keeps them until sign-out. Leaving the screen stops the guard.
//
// An answer is applied only while the session still holds the sign-in it was asked with (`SignInWatch`): a
// learner who signed out meanwhile, or another account signed in, must not find the flags, the questionnaire
// or the sheet of the account before; a token renewed meanwhile changes nothing.
class MainGateViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool showOnboarding READ showOnboarding NOTIFY showOnboardingChanged)
    Q_PROPERTY(QString startStep READ startStep NOTIFY showOnboardingChanged)
    Q_PROPERTY(bool showProfile READ showProfile NOTIFY showProfileChanged)
    Q_PROPERTY(YouthModeGuard *youth READ youth CONSTANT)

public:
    explicit MainGateViewModel(QObject *parent = nullptr);

    bool showOnboarding() const { return m_showOnboarding; }
    // Where the questionnaire opens: the server's next step, or "goal" when it named none (an empty name is
    // none: it would be the questionnaire's collection itself).
    QString startStep() const { return m_nextStep.value_or(QString()).isEmpty() ? defaultStep : *m_nextStep; }
    bool showProfile() const { return m_showProfile; }
    YouthModeGuard *youth() { return &m_youth; }

    static inline const QString defaultStep = QStringLiteral("goal");

    Q_INVOKABLE void appear();
    Q_INVOKABLE void disappear();
    // The questionnaire's finish action: onboarding is done for good, and the questionnaire closes.
    Q_INVOKABLE void finishOnboarding();
    // The sheet's done action.
    Q_INVOKABLE void profileDone();
    // The sheet closed without its done action.
    Q_INVOKABLE void profileDismissed();

    QCoro::Task<> runGate();

Q_SIGNALS:
    void showOnboardingChanged();
    void showProfileChanged();

private:
    void setShowProfile(bool show);
    void setShowOnboarding(bool show);

    YouthModeGuard m_youth;
    std::optional<QString> m_nextStep;
    bool m_showOnboarding = false;
    bool m_showProfile = false;
    bool m_querying = false;
};
