#pragma once

#include "AppSession.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// What the signed-in gate decides over the tab shell: for now whether to ask for the learning profile. Each
// time the gate comes on screen, a session whose profile was not asked yet reads the profile: filled marks it
// asked for good, not filled shows the sheet. Failures are dropped; the next appearance asks again. The
// sheet's "保存" and "以后再说" mark it asked (kept until sign-out) and close it; dismissing the sheet only
// closes it, so the next appearance asks again.
//
// An answer is applied only while the session still holds the token it was asked with: a learner who signed
// out meanwhile must not find the flag or the sheet of the account before.
class MainGateViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AppSession *session READ session WRITE setSession NOTIFY sessionChanged)
    Q_PROPERTY(bool showProfile READ showProfile NOTIFY showProfileChanged)

public:
    explicit MainGateViewModel(QObject *parent = nullptr);

    AppSession *session() const { return m_session; }
    void setSession(AppSession *session);
    bool showProfile() const { return m_showProfile; }

    Q_INVOKABLE void appear();
    // The sheet's done action.
    Q_INVOKABLE void profileDone();
    // The sheet closed without its done action.
    Q_INVOKABLE void profileDismissed();

    QCoro::Task<> runGate();

Q_SIGNALS:
    void sessionChanged();
    void showProfileChanged();

private:
    void setShowProfile(bool show);

    QPointer<AppSession> m_session;
    bool m_showProfile = false;
    bool m_querying = false;
};
