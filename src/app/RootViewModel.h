#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "AppSession.h"

// Which first screen the window shows, decided afresh whenever the session's token or status changes:
// signed out -> the guest home; status "PendingProfile" -> the birth-month capture; otherwise the main gate.
// While the session is still reading its secrets it is none of them (`Launch`: the bare window), so a learner
// whose keyring answers late is never shown the guest home first.
class RootViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AppSession *session READ session WRITE setSession NOTIFY sessionChanged)
    Q_PROPERTY(Screen screen READ screen NOTIFY screenChanged)

public:
    enum class Screen { GuestHome, ProfileBirth, MainGate, Launch };
    Q_ENUM(Screen)

    explicit RootViewModel(QObject *parent = nullptr);

    AppSession *session() const { return m_session; }
    void setSession(AppSession *session);
    Screen screen() const { return m_screen; }

    static Screen decide(const AppSession &session);

Q_SIGNALS:
    void sessionChanged();
    void screenChanged();

private:
    void update();

    QPointer<AppSession> m_session;
    Screen m_screen = Screen::GuestHome;
};
