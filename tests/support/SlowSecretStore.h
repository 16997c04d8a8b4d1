#pragma once

#include "SecretStore.h"
#include "SessionKeychain.h"

#include <QCoro/QCoroTimer>

#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <optional>

// A store that takes its time the way a keyring does: its synchronous calls wait in a local event loop (as
// QtKeychain must), its asynchronous ones suspend. Records the writes in the order they land.
class SlowSecretStore final : public SecretStore {
public:
    MemorySecretStore memory;
    QStringList landed; // "account=value", "account removed"
    int delayMs = 20;

    ReadResult read(const QString &service, const QString &account) override {
        pause();
        return memory.read(service, account);
    }
    bool write(const QString &service, const QString &account, const QString &value) override {
        pause();
        landed.append(account + u'=' + value);
        return memory.write(service, account, value);
    }
    bool remove(const QString &service, const QString &account) override {
        pause();
        landed.append(account + QStringLiteral(" removed"));
        return memory.remove(service, account);
    }
    QCoro::Task<ReadResult> readAsync(QString service, QString account) override {
        co_await QCoro::sleepFor(std::chrono::milliseconds(delayMs));
        co_return memory.read(service, account);
    }
    QCoro::Task<bool> writeAsync(QString service, QString account, QString value) override {
        co_await QCoro::sleepFor(std::chrono::milliseconds(delayMs));
        landed.append(account + u'=' + value);
        co_return memory.write(service, account, value);
    }
    QCoro::Task<bool> removeAsync(QString service, QString account) override {
        co_await QCoro::sleepFor(std::chrono::milliseconds(delayMs));
        landed.append(account + QStringLiteral(" removed"));
        co_return memory.remove(service, account);
    }

    std::optional<QString> secret(const QString &account) const {
        const auto result =
            memory.items.constFind(MemorySecretStore::itemKey(SessionKeychain::service, account));
        return result == memory.items.constEnd() ? std::nullopt : std::optional(*result);
    }
    void setSecret(const QString &account, const QString &value) {
        memory.items.insert(MemorySecretStore::itemKey(SessionKeychain::service, account), value);
    }

private:
    void pause() const {
        QEventLoop loop;
        QTimer::singleShot(delayMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
};
