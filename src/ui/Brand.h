#pragma once

#include "AppSession.h"

#include <QString>
#include <QUrl>

// The brand's fixed addresses: the service's public web host and the three legal pages on it. They are fixed
// at build time and do not follow the configured service addresses. The brand colours are in Theme.
namespace Brand {

// The service's public web host, where the legal pages live.
inline const QString webHost = AppSession::webHost;

inline QUrl legalPage(const QString &path) {
    return QUrl(QStringLiteral("https://") + webHost + path);
}
inline QUrl userTermsURL() {
    return legalPage(QStringLiteral("/legal/terms.html"));
}
inline QUrl privacyPolicyURL() {
    return legalPage(QStringLiteral("/legal/privacy.html"));
}
inline QUrl childrenPrivacyURL() {
    return legalPage(QStringLiteral("/legal/children.html"));
}

} // namespace Brand
