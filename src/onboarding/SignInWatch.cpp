#include "SignInWatch.h"

SignInWatch::SignInWatch(AppSession *session) : m_session(session) {
    if (!session || !session->isLoggedIn()) {
        m_ended = true;
        return;
    }
    m_userId = session->userId();
    // Ended for good: signing in again (even as the same learner) is a new sign-in.
    QObject::connect(session, &AppSession::accessTokenChanged, m_context.get(), [this] {
        if (!m_session || !m_session->isLoggedIn())
            m_ended = true;
    });
    // A grant that brings the first id known (a session stored before ids were kept) is the same learner.
    QObject::connect(session, &AppSession::userIdChanged, m_context.get(), [this] {
        const std::optional<qint64> id = m_session ? m_session->userId() : std::nullopt;
        if (m_userId && id && *id != *m_userId)
            m_ended = true;
        if (id)
            m_userId = id;
    });
}
