#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "AppSession.h"

// The store of one server-driven settings page. For now it only keeps the page it shows and the session it
// acts for; the page document, preferences and their saving come with the settings pages themselves.
class SettingsStore : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString pageId READ pageId WRITE setPageId NOTIFY pageIdChanged)
    Q_PROPERTY(AppSession *session READ session WRITE setSession NOTIFY sessionChanged)

public:
    explicit SettingsStore(QObject *parent = nullptr) : QObject(parent) {}
    SettingsStore(QString pageId, AppSession *session, QObject *parent = nullptr);

    QString pageId() const { return m_pageId; }
    void setPageId(const QString &pageId);
    AppSession *session() const { return m_session; }
    void setSession(AppSession *session);

Q_SIGNALS:
    void pageIdChanged();
    void sessionChanged();

private:
    QString m_pageId;
    QPointer<AppSession> m_session;
};
