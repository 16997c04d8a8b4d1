#pragma once

#include "SecretStore.h"

#include <QString>

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>
#include <optional>

// The session's three secrets ("qvl.access_token", "qvl.refresh_token", "qvl.device_id"), one item per key
// under one service, in the platform's secret store.
//
// Writes go through a queue and never block the caller: a keyring write can take seconds (an unlock prompt, a
// stalled Secret Service), and waiting for it in the middle of a sign-in or a sign-out would let other work
// run while only half of the tokens were written. The session's own fields are the truth; the queue brings
// the store after them, one write at a time and in order. A queued write that has not started yet is replaced
// by a newer one of the same key. Reads see queued writes first.
class SessionKeychain {
public:
    static inline const QString service = QStringLiteral("com.quorvel.app.session");

    SessionKeychain();
    // Writes still queued are not dropped: with a store that answers at once they are written before this
    // returns; otherwise they go on in the background, and `finishOutstandingWrites` waits for them.
    ~SessionKeychain();
    SessionKeychain(const SessionKeychain &) = delete;
    SessionKeychain &operator=(const SessionKeychain &) = delete;

    // Queues the text under the key (nothing: the item is removed) and returns at once. `done`, when given,
    // is told whether the store took the value that finally went out for this key (a failed write keeps the
    // previous item).
    void save(std::optional<QString> value, QString key, std::function<void(bool)> done = {});
    // The stored text as the queue will leave it; tells a missing item from a read that failed.
    QCoro::Task<SecretStore::ReadResult> lookup(QString key);

    bool hasPendingWrites() const;
    // Writes everything queued before returning, waiting in a local event loop when the store is slow: for
    // tests and shutdown only, never from a coroutine.
    void finishWrites();
    // The same for the queues of keychains already destroyed; the app calls it last, on its way out.
    static void finishOutstandingWrites();

    struct Queue; // shared with the coroutine that applies it

private:
    std::shared_ptr<Queue> m_queue;
};
