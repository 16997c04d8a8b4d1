#pragma once

#include <memory>

class AppStore;
class BundleInfo;
class Clock;
class SecretStore;
class Transport;
class UserDefaults;

// The shared platform services of one run: the bundle configuration, the standard user defaults, the secret
// store, the shared transport, the clock and the in-app purchase store. Created on first use with their
// production implementations; tests install their own with `Platform::Override` before anything reads them.
class Platform {
public:
    static BundleInfo &bundleInfo();
    static UserDefaults &userDefaults();
    static SecretStore &secretStore();
    static Transport &transport();
    static const Clock &clock();
    static AppStore &appStore();

    // Installs the given services for its lifetime; the ones left null keep their current instance.
    struct Services {
        std::shared_ptr<BundleInfo> bundleInfo;
        std::shared_ptr<UserDefaults> userDefaults;
        std::shared_ptr<SecretStore> secretStore;
        std::shared_ptr<Transport> transport;
        std::shared_ptr<Clock> clock;
        std::shared_ptr<AppStore> appStore;
    };
    class Override {
    public:
        explicit Override(Services services);
        ~Override();
        Override(const Override &) = delete;
        Override &operator=(const Override &) = delete;

    private:
        Services m_previous;
    };
};
