#include "SettingsStore.h"

#include "AppSession.h"

SettingsStore::SettingsStore(QString pageId, AppSession *session, QObject *parent)
    : QObject(parent), m_pageId(std::move(pageId)), m_session(session) {}

void SettingsStore::setPageId(const QString &pageId) {
    if (pageId == m_pageId)
        return;
    m_pageId = pageId;
    Q_EMIT pageIdChanged();
}

void SettingsStore::setSession(AppSession *session) {
    if (session == m_session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
}
