#pragma once

#include "AppSession.h"

#include <QColor>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// The brand palette, shared by every screen: nine opaque sRGB colours that stay the same in light and dark
// schemes, and the addresses of the three legal pages on the service's web host (fixed at build time, not
// following the configured service addresses). The two gradients are QML components built from these
// colours (BrandGradient, BrandGradientAlt).
class Brand : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QColor brandNavy READ brandNavy CONSTANT)
    Q_PROPERTY(QColor brandNavyDeep READ brandNavyDeep CONSTANT)
    Q_PROPERTY(QColor brandTeal READ brandTeal CONSTANT)
    Q_PROPERTY(QColor brandMint READ brandMint CONSTANT)
    Q_PROPERTY(QColor brandAmber READ brandAmber CONSTANT)
    Q_PROPERTY(QColor brandMist READ brandMist CONSTANT)
    Q_PROPERTY(QColor brandCloud READ brandCloud CONSTANT)
    Q_PROPERTY(QColor brandLine READ brandLine CONSTANT)
    Q_PROPERTY(QColor brandMuted READ brandMuted CONSTANT)
    Q_PROPERTY(QUrl userTermsURL READ userTermsURL CONSTANT)
    Q_PROPERTY(QUrl privacyPolicyURL READ privacyPolicyURL CONSTANT)
    Q_PROPERTY(QUrl childrenPrivacyURL READ childrenPrivacyURL CONSTANT)

public:
    using QObject::QObject;

    static QColor brandNavy() { return QColor::fromRgbF(0.043f, 0.239f, 0.361f); }
    static QColor brandNavyDeep() { return QColor::fromRgbF(0.027f, 0.165f, 0.251f); }
    static QColor brandTeal() { return QColor::fromRgbF(0.102f, 0.478f, 0.427f); }
    static QColor brandMint() { return QColor::fromRgbF(0.373f, 0.827f, 0.737f); }
    static QColor brandAmber() { return QColor::fromRgbF(0.91f, 0.71f, 0.29f); }
    static QColor brandMist() { return QColor::fromRgbF(0.953f, 0.973f, 0.969f); }
    static QColor brandCloud() { return QColor::fromRgbF(0.961f, 0.973f, 0.976f); }
    static QColor brandLine() { return QColor::fromRgbF(0.86f, 0.9f, 0.91f); }
    static QColor brandMuted() { return QColor::fromRgbF(0.36f, 0.42f, 0.47f); }

    static inline const QString webHost = AppSession::webHost;
    static QUrl userTermsURL() { return legalPage(QStringLiteral("/legal/terms.html")); }
    static QUrl privacyPolicyURL() { return legalPage(QStringLiteral("/legal/privacy.html")); }
    static QUrl childrenPrivacyURL() { return legalPage(QStringLiteral("/legal/children.html")); }

private:
    static QUrl legalPage(const QString &path) { return QUrl(QStringLiteral("https://") + webHost + path); }
};
