#include "RootViewModel.h"

#include "AppSession.h"

RootViewModel::RootViewModel(QObject *parent) : QObject(parent) {}

void RootViewModel::setSession(AppSession *session) {
    if (m_session == session)
        return;
    if (m_session)
        disconnect(m_session, nullptr, this, nullptr);
    m_session = session;
    if (m_session) {
        connect(m_session, &AppSession::accessTokenChanged, this, &RootViewModel::update);
        connect(m_session, &AppSession::statusChanged, this, &RootViewModel::update);
        connect(m_session, &AppSession::loadedChanged, this, &RootViewModel::update);
    }
    Q_EMIT sessionChanged();
    update();
}

RootViewModel::Screen RootViewModel::decide(const AppSession &session) {
    if (!session.isLoaded())
        return Screen::Launch;
    // The token test comes first: a stored status means nothing once signed out.
    if (!session.isLoggedIn())
        return Screen::GuestHome;
    if (session.status() == QStringLiteral("PendingProfile"))
        return Screen::ProfileBirth;
    return Screen::MainGate;
}

void RootViewModel::update() {
    const Screen next = m_session ? decide(*m_session) : Screen::GuestHome;
    if (next == m_screen)
        return;
    m_screen = next;
    Q_EMIT screenChanged();
}
