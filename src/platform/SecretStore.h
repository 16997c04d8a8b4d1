#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <optional>

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
// Whether the keyring answers is found out once, on first use. Items left in that file by a run without a
// keyring move into the keyring when it is there. Needs a QCoreApplication; main thread only.
class KeychainSecretStore final : public SecretStore {
public:
    explicit KeychainSecretStore(QString fallbackPath = {});
    ReadResult read(const QString &service, const QString &account) override;
    bool write(const QString &service, const QString &account, const QString &value) override;
    bool remove(const QString &service, const QString &account) override;

private:
    bool keyringUsable();
    FileSecretStore *fallback();
    bool fallbackFileExists() const;

    QString m_fallbackPath;
    std::optional<bool> m_keyringUsable;
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
