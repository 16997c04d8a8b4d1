#pragma once

#include "SecretStore.h"

#include <QString>

#include <optional>

// The session's three secrets ("qvl.access_token", "qvl.refresh_token", "qvl.device_id"), one item per key
// under one service, in the platform's secret store. Stateless: every call goes to the store.
class SessionKeychain {
public:
    static inline const QString service = QStringLiteral("com.quorvel.app.session");

    // Stores the text under the key, replacing what was there; nothing removes the item. Returns whether the
    // store took it (a failed write keeps the previous item).
    static bool save(const std::optional<QString> &value, const QString &key);
    // The stored text; nothing when there is none or it could not be read.
    static std::optional<QString> read(const QString &key);
    // Tells a missing item from a read that failed.
    static SecretStore::ReadResult lookup(const QString &key);
};
