#include "SessionKeychain.h"

#include "Platform.h"

bool SessionKeychain::save(const std::optional<QString> &value, const QString &key) {
    SecretStore &store = Platform::secretStore();
    return value ? store.write(service, key, *value) : store.remove(service, key);
}

std::optional<QString> SessionKeychain::read(const QString &key) {
    const SecretStore::ReadResult result = lookup(key);
    return result.status == SecretStore::Status::Found ? std::optional(result.value) : std::nullopt;
}

SecretStore::ReadResult SessionKeychain::lookup(const QString &key) {
    return Platform::secretStore().read(service, key);
}
