#pragma once

#include "AppSession.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

// Whether a session still holds the sign-in a request began with, for answers that must not reach another
// sign-in: it ends when the session signs out or stores another learner's grant. A renewed token is the
// same sign-in (the signed-in sender renews on a 401, and any other request may renew meanwhile), so it is
// no reason to drop an answer. Keep one on the stack of the coroutine that sends the request.
class SignInWatch {
public:
    explicit SignInWatch(AppSession *session);
    SignInWatch(const SignInWatch &) = delete;
    SignInWatch &operator=(const SignInWatch &) = delete;

    bool holds() const { return m_session && m_session->isLoggedIn() && !m_ended; }

private:
    QPointer<AppSession> m_session;
    // Receives the session's signals for as long as the watch lives.
    std::unique_ptr<QObject> m_context = std::make_unique<QObject>();
    std::optional<qint64> m_userId;
    bool m_ended = false;
};
