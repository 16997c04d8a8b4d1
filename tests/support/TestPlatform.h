#pragma once

#include "BundleInfo.h"
#include "Clock.h"
#include "FakeAppStore.h"
#include "FakeTransport.h"
#include "Platform.h"
#include "SecretStore.h"
#include "UserDefaults.h"

#include <QJsonObject>

#include <memory>

// A clock that stands still until a test moves it.
class FakeClock final : public Clock {
public:
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }
    void advance(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now = QDateTime(QDate(2026, 3, 1), QTime(8, 5, 9), Qt::UTC);
};

// Fresh platform services for one test: in-memory user defaults and secrets, a scripted transport, a fixed
// clock, a scripted store and a bundle configuration pointing at a test host. Installed for the object's
// lifetime.
class TestPlatform {
public:
    explicit TestPlatform(QJsonObject bundle = defaultBundle());
    // Ends what is still waiting for the scripted transport and store while these services are still the
    // installed ones, so whatever reacts to the cancellation reaches the fakes and not real services.
    ~TestPlatform();

    static QJsonObject defaultBundle();
    static inline const QString apiBase = QStringLiteral("https://api.test.example");

    std::shared_ptr<FakeTransport> transport = std::make_shared<FakeTransport>();
    std::shared_ptr<MemorySecretStore> secrets = std::make_shared<MemorySecretStore>();
    std::shared_ptr<UserDefaults> defaults = std::make_shared<UserDefaults>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<FakeAppStore> appStore = std::make_shared<FakeAppStore>();
    std::shared_ptr<BundleInfo> bundleInfo;

    // The session's secret of that account, as stored.
    std::optional<QString> secret(const QString &account) const;
    void setSecret(const QString &account, const QString &value);

private:
    std::unique_ptr<Platform::Override> m_override;
};
