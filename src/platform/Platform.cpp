#include "Platform.h"

#include "AppStore.h"
#include "BundleInfo.h"
#include "Clock.h"
#include "LocalAppStore.h"
#include "PurchaseConfirmation.h"
#include "SecretStore.h"
#include "Transport.h"
#include "UserDefaults.h"

#include <QStandardPaths>

namespace {

Platform::Services &services() {
    static Platform::Services instance;
    return instance;
}

template <typename T, typename Make>
T &lazy(std::shared_ptr<T> &slot, Make make) {
    if (!slot)
        slot = make();
    return *slot;
}

} // namespace

BundleInfo &Platform::bundleInfo() {
    return lazy(services().bundleInfo, [] { return std::make_shared<BundleInfo>(BundleInfo::load()); });
}

UserDefaults &Platform::userDefaults() {
    return lazy(services().userDefaults,
                [] { return std::make_shared<UserDefaults>(UserDefaults::defaultPath()); });
}

SecretStore &Platform::secretStore() {
    return lazy(services().secretStore, [] {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        return std::make_shared<KeychainSecretStore>(dir + QStringLiteral("/secrets.json"), &userDefaults());
    });
}

Transport &Platform::transport() {
    return lazy(services().transport, [] { return std::make_shared<NetworkTransport>(); });
}

const Clock &Platform::clock() {
    return lazy(services().clock, [] { return std::make_shared<SystemClock>(); });
}

AppStore &Platform::appStore() {
    return lazy(services().appStore, [] {
        return std::make_shared<LocalAppStore>(LocalAppStore::loadCatalogue(), LocalAppStore::defaultPath(),
                                               PurchaseConfirmation::shared().confirmer());
    });
}

Platform::Override::Override(Services replacement) : m_previous(services()) {
    Services &current = services();
    if (replacement.bundleInfo)
        current.bundleInfo = std::move(replacement.bundleInfo);
    if (replacement.userDefaults)
        current.userDefaults = std::move(replacement.userDefaults);
    if (replacement.secretStore)
        current.secretStore = std::move(replacement.secretStore);
    if (replacement.transport)
        current.transport = std::move(replacement.transport);
    if (replacement.clock)
        current.clock = std::move(replacement.clock);
    if (replacement.appStore)
        current.appStore = std::move(replacement.appStore);
}

Platform::Override::~Override() {
    services() = std::move(m_previous);
}
