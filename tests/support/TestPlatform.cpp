#include "TestPlatform.h"

#include "SessionKeychain.h"

TestPlatform::TestPlatform(QJsonObject bundle) : bundleInfo(std::make_shared<BundleInfo>(std::move(bundle))) {
    m_override = std::make_unique<Platform::Override>(
        Platform::Services{bundleInfo, defaults, secrets, transport, clock, appStore});
}

TestPlatform::~TestPlatform() {
    transport->cancelPending();
    appStore->cancelPending();
}

QJsonObject TestPlatform::defaultBundle() {
    return {{QStringLiteral("QVLApiBaseURL"), apiBase},
            {QStringLiteral("QVLAiBaseURL"), apiBase + QStringLiteral("/ai")},
            {QStringLiteral("QVLTradeBaseURL"), apiBase + QStringLiteral("/trade")},
            {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(QVL_VERSION)}};
}

std::optional<QString> TestPlatform::secret(const QString &account) const {
    const QString key = MemorySecretStore::itemKey(SessionKeychain::service, account);
    return secrets->items.contains(key) ? std::optional(secrets->items.value(key)) : std::nullopt;
}

void TestPlatform::setSecret(const QString &account, const QString &value) {
    secrets->items.insert(MemorySecretStore::itemKey(SessionKeychain::service, account), value);
}
