#include "SessionKeychain.h"

#include "Completion.h"
#include "Platform.h"

#include <QCoreApplication>

#include <algorithm>
#include <deque>
#include <vector>

struct SessionKeychain::Queue {
    struct Entry {
        QString key;
        std::optional<QString> value; // nothing: remove
        std::vector<std::function<void(bool)>> done;
    };

    std::deque<Entry> pending;
    std::optional<Entry> inFlight;
    bool draining = false;
    bool scheduled = false;
    // Finished whenever the queue runs empty; a new one is made for the next wait.
    std::shared_ptr<Completion> idle;

    bool isIdle() const { return !draining && pending.empty(); }

    // The entry that decides what the store will hold for `key`, if any.
    const Entry *latest(const QString &key) const {
        for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
            if (it->key == key)
                return &*it;
        }
        return inFlight && inFlight->key == key ? &*inFlight : nullptr;
    }
};

namespace {

// Queues of keychains already destroyed that still have writes to make.
std::vector<std::shared_ptr<SessionKeychain::Queue>> &outstandingQueues() {
    static std::vector<std::shared_ptr<SessionKeychain::Queue>> queues;
    return queues;
}

// Applies the queued writes one after another. Holds the queue, not the keychain: it goes on when the
// keychain is gone.
QCoro::Task<void> drain(std::shared_ptr<SessionKeychain::Queue> queue) {
    queue->draining = true;
    while (!queue->pending.empty()) {
        queue->inFlight = std::move(queue->pending.front());
        queue->pending.pop_front();
        const QString key = queue->inFlight->key;
        const std::optional<QString> value = queue->inFlight->value;
        SecretStore &store = Platform::secretStore();
        const bool stored = value ? co_await store.writeAsync(SessionKeychain::service, key, *value)
                                  : co_await store.removeAsync(SessionKeychain::service, key);
        const std::vector<std::function<void(bool)>> done = std::move(queue->inFlight->done);
        queue->inFlight.reset();
        for (const auto &callback : done)
            callback(stored);
    }
    queue->draining = false;
    if (queue->idle) {
        const std::shared_ptr<Completion> idle = std::move(queue->idle);
        idle->finish();
    }
    auto &outstanding = outstandingQueues();
    outstanding.erase(std::remove(outstanding.begin(), outstanding.end(), queue), outstanding.end());
}

void waitUntilIdle(const std::shared_ptr<SessionKeychain::Queue> &queue) {
    if (!queue->draining && !queue->pending.empty())
        drain(queue);
    while (!queue->isIdle()) {
        if (!queue->idle)
            queue->idle = std::make_shared<Completion>();
        Completion::waitHere(std::shared_ptr<Completion>(queue->idle));
    }
}

} // namespace

SessionKeychain::SessionKeychain() : m_queue(std::make_shared<Queue>()) {}

SessionKeychain::~SessionKeychain() {
    if (!m_queue->draining && !m_queue->pending.empty())
        drain(m_queue);
    if (!m_queue->isIdle())
        outstandingQueues().push_back(m_queue);
}

void SessionKeychain::save(std::optional<QString> value, QString key, std::function<void(bool)> done) {
    Queue &queue = *m_queue;
    auto queued = std::find_if(queue.pending.begin(), queue.pending.end(),
                               [&](const Queue::Entry &entry) { return entry.key == key; });
    if (queued == queue.pending.end()) {
        queue.pending.push_back({std::move(key), std::move(value), {}});
        queued = std::prev(queue.pending.end());
    } else {
        queued->value = std::move(value);
    }
    if (done)
        queued->done.push_back(std::move(done));

    if (queue.draining || queue.scheduled)
        return;
    // Off the caller's stack: the caller finishes what it is doing (a sign-out clears every field) first.
    queue.scheduled = true;
    const auto start = [weak = std::weak_ptr<Queue>(m_queue)] {
        const std::shared_ptr<Queue> queue = weak.lock();
        if (!queue)
            return;
        queue->scheduled = false;
        if (!queue->draining && !queue->pending.empty())
            drain(queue);
    };
    if (QCoreApplication *application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, start, Qt::QueuedConnection);
    else
        start();
}

QCoro::Task<SecretStore::ReadResult> SessionKeychain::lookup(QString key) {
    if (const Queue::Entry *entry = m_queue->latest(key)) {
        co_return entry->value ? SecretStore::ReadResult{SecretStore::Status::Found, *entry->value}
                               : SecretStore::ReadResult{SecretStore::Status::NotFound, {}};
    }
    co_return co_await Platform::secretStore().readAsync(service, key);
}

bool SessionKeychain::hasPendingWrites() const {
    return !m_queue->isIdle();
}

void SessionKeychain::finishWrites() {
    waitUntilIdle(m_queue);
}

void SessionKeychain::finishOutstandingWrites() {
    // Copied: a queue leaves the list as it runs empty.
    const auto queues = outstandingQueues();
    for (const auto &queue : queues)
        waitUntilIdle(queue);
}
