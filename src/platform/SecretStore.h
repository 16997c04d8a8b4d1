#pragma once

#include <QHash>
#include <QString>

#include <QCoro/QCoroTask>

#include <memory>
#include <optional>

class Completion;
class UserDefaults;

// Where the session's secrets live: one text item per account within one service.
// Reads tell "not stored" apart from "could not be read", so a keyring that is briefly unavailable is never
// mistaken for an empty one. A failed write leaves the previous item in place.
class SecretStore {
public:
    enum class Status { Found, NotFound, Failed };
    struct ReadResult {
        Status status = Status::NotFound;
        QString value;
    };

    virtual ~SecretStore() = default;
    virtual ReadResult read(const QString &service, const QString &account) = 0;
    // Replaces the item in place; returns false (and keeps the old item) when it could not be written.
    virtual bool write(const QString &service, const QString &account, const QString &value) = 0;
    // Returns true when no item is left, also when there was none.
    virtual bool remove(const QString &service, const QString &account) = 0;

    // The same, without blocking the caller: what the session uses, from its coroutines. A store that answers
    // at once (a file, memory) keeps these defaults, which complete before they return.
    virtual QCoro::Task<ReadResult> readAsync(QString service, QString account);
    virtual QCoro::Task<bool> writeAsync(QString service, QString account, QString value);
    virtual QCoro::Task<bool> removeAsync(QString service, QString account);
};

// Items in one JSON file created with owner-only permissions (0600), rewritten atomically.
class FileSecretStore final : public SecretStore {
public:
    explicit FileSecretStore(QString path);
    ReadResult read(const QString &service, const QString &account) override;
    bool write(const QString &service, const QString &account, const QString &value) override;
    bool remove(const QString &service, const QString &account) override;

private:
    QString m_path;
};

// The desktop keyring over the Secret Service (QtKeychain). Where no keyring answers, the items go to a file
// readable by this user only, in the app's data location (`fallbackPath`; empty: "secrets.json" there).
// Whether the keyring answers is found out once, on first use: without a D-Bus session bus it is not asked at
// all, and a keyring that stays silent is given up on after a few seconds. While that probe could not tell,
// an item missing from the file reads as "could not be read", since the keyring may hold it. Items left in
// the file by a run without a keyring move into the keyring when it is there.
//
// The asynchronous operations wait for QtKeychain's jobs without an event loop of their own; the synchronous
// ones run them to their end in a local event loop (tests, shutdown). `defaults`, when given, remembers that
// this profile was told once that its secrets live in the file. Needs a QCoreApplication; main thread only;
// must outlive the operations it runs.
class KeychainSecretStore final : public SecretStore {
public:
    explicit KeychainSecretStore(QString fallbackPath = {}, UserDefaults *defaults = nullptr);
    ~KeychainSecretStore() override;
    ReadResult read(const QString &service, const QString &account) override;
    bool write(const QString &service, const QString &account, const QString &value) override;
    bool remove(const QString &service, const QString &account) override;
    QCoro::Task<ReadResult> readAsync(QString service, QString account) override;
    QCoro::Task<bool> writeAsync(QString service, QString account, QString value) override;
    QCoro::Task<bool> removeAsync(QString service, QString account) override;

    // Whether a D-Bus session bus can be reached at all: an address whose socket exists, or the user's
    // runtime bus socket. Without one there is no Secret Service to ask (and nothing to wait for).
    static bool sessionBusAvailable();
    // The user-defaults key that records that the file fallback was announced.
    static inline const QString fileNoticeKey = QStringLiteral("qvl.secrets_in_file_noted");

private:
    QCoro::Task<bool> keyringUsable();
    void useFile(const QString &why);
    ReadResult readFallback(const QString &service, const QString &account);
    FileSecretStore *fallback();
    bool fallbackFileExists() const;

    QString m_fallbackPath;
    UserDefaults *m_defaults = nullptr;
    std::optional<bool> m_keyringUsable;
    bool m_probeTimedOut = false;
    std::shared_ptr<Completion> m_probe; // while the probe runs
    std::unique_ptr<FileSecretStore> m_fallback;
    // Keychain jobs that ran past their timeout and have not finished yet. QtKeychain runs its jobs one after
    // another, so while one is stuck every later job would wait behind it too.
    std::shared_ptr<int> m_stalledJobs = std::make_shared<int>(0);
};

// Items in memory, with switches to make reads or writes fail (tests).
class MemorySecretStore final : public SecretStore {
public:
    ReadResult read(const QString &service, const QString &account) override;
    bool write(const QString &service, const QString &account, const QString &value) override;
    bool remove(const QString &service, const QString &account) override;

    bool failReads = false;
    bool failWrites = false;
    QHash<QString, QString> items; // "service/account" -> text

    static QString itemKey(const QString &service, const QString &account) {
        return service + u'/' + account;
    }
};
