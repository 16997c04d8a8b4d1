#include "SecretStore.h"

#include "Completion.h"
#include "PlatformLogging.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include <qt6keychain/keychain.h>

// ---------------------------------------------------------------------------------------------------------
// FileSecretStore

namespace {

QString fileItemKey(const QString &service, const QString &account) {
    return service + u'/' + account;
}

// The items of the file; nothing when the file exists but cannot be read or is not what we write. A missing
// file, or an empty one, holds no items.
std::optional<QJsonObject> loadItems(const QString &path) {
    QFile file(path);
    if (!file.exists())
        return QJsonObject();
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcSecrets) << "cannot read" << path << file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.trimmed().isEmpty())
        return QJsonObject();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qCWarning(lcSecrets) << path << "is damaged; leaving it untouched";
        return std::nullopt;
    }
    return document.object();
}

bool saveItems(const QString &path, const QJsonObject &items) {
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory)) {
        qCWarning(lcSecrets) << "cannot create" << directory;
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcSecrets) << "cannot write" << path << file.errorString();
        return false;
    }
    // Owner-only before the first secret byte goes in: a new file would otherwise start with the umask's
    // permissions, and an older file with looser ones keeps them.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        qCWarning(lcSecrets) << "cannot restrict the permissions of" << path;
        file.cancelWriting();
        return false;
    }
    file.write(QJsonDocument(items).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        qCWarning(lcSecrets) << "cannot write" << path << file.errorString();
        return false;
    }
    return true;
}

} // namespace

FileSecretStore::FileSecretStore(QString path) : m_path(std::move(path)) {}

SecretStore::ReadResult FileSecretStore::read(const QString &service, const QString &account) {
    const auto items = loadItems(m_path);
    if (!items)
        return {Status::Failed, {}};
    const QJsonValue value = items->value(fileItemKey(service, account));
    // An entry that is not text cannot be used; reporting it as absent lets the next write replace it.
    if (!value.isString())
        return {Status::NotFound, {}};
    return {Status::Found, value.toString()};
}

bool FileSecretStore::write(const QString &service, const QString &account, const QString &value) {
    auto items = loadItems(m_path);
    if (!items) // damaged: writing would throw away whatever it still holds
        return false;
    items->insert(fileItemKey(service, account), value);
    return saveItems(m_path, *items);
}

bool FileSecretStore::remove(const QString &service, const QString &account) {
    auto items = loadItems(m_path);
    if (!items)
        return false;
    if (!items->contains(fileItemKey(service, account)))
        return true;
    items->remove(fileItemKey(service, account));
    return saveItems(m_path, *items);
}

// ---------------------------------------------------------------------------------------------------------
// SecretStore

QCoro::Task<SecretStore::ReadResult> SecretStore::readAsync(QString service, QString account) {
    co_return read(service, account);
}

QCoro::Task<bool> SecretStore::writeAsync(QString service, QString account, QString value) {
    co_return write(service, account, value);
}

QCoro::Task<bool> SecretStore::removeAsync(QString service, QString account) {
    co_return remove(service, account);
}

// ---------------------------------------------------------------------------------------------------------
// KeychainSecretStore

namespace {

// A keyring that does not answer within this time is treated as absent for this run. The probe reads an item
// that does not exist, which needs no unlock prompt, so a healthy keyring answers at once; the bound is for a
// Secret Service that D-Bus starts and that then never answers.
constexpr int kProbeTimeoutMs = 5000;
// Once the keyring has answered the probe, a slow answer is most likely an unlock prompt the learner is
// typing into: wait longer for that.
constexpr int kOperationTimeoutMs = 30000;

const QString kProbeService = QStringLiteral("com.quorvel.app.keyring-probe");
const QString kProbeAccount = QStringLiteral("probe");

struct JobOutcome {
    bool finished = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorString;
    QByteArray data;
};

// Starts a keychain job and hands back what it reported, or an unfinished outcome after `timeoutMs`. Nothing
// blocks meanwhile: the caller's coroutine is suspended and the event loop runs on.
QCoro::Task<JobOutcome> runJob(QKeychain::Job *job, int timeoutMs, std::shared_ptr<int> stalledJobs) {
    JobOutcome outcome;
    if (!QCoreApplication::instance()) {
        delete job;
        outcome.finished = true;
        outcome.error = QKeychain::NoBackendAvailable;
        outcome.errorString = QStringLiteral("no application object to run keychain jobs");
        co_return outcome;
    }
    job->setAutoDelete(false);
    auto done = std::make_shared<Completion>();
    QObject::connect(job, &QKeychain::Job::finished, job, [done] { done->finish(); });
    // Context `job`: once the job is gone, the timer is too.
    QTimer::singleShot(timeoutMs, job, [done] { done->abandon(); });
    job->start();
    if (co_await Completion::wait(done)) {
        outcome.finished = true;
        outcome.error = job->error();
        outcome.errorString = job->errorString();
        if (const auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(job))
            outcome.data = read->binaryData();
        job->deleteLater();
        co_return outcome;
    }
    // Still queued or waiting on the keyring. It cannot be cancelled, and deleting it while the keyring's
    // callback is pending would crash: let it finish on its own, then clean up after itself. Until it does,
    // later jobs would queue behind it, so they are refused at once instead.
    qCWarning(lcSecrets) << "the keyring did not answer within" << timeoutMs << "ms";
    ++*stalledJobs;
    QObject::connect(job, &QKeychain::Job::finished, job, [stalledJobs, job] {
        --*stalledJobs;
        job->deleteLater();
    });
    outcome.errorString = QStringLiteral("timed out");
    co_return outcome;
}

// Keyring items are written as UTF-8 text; bytes that are not valid UTF-8 are not a text we stored.
std::optional<QString> decodeUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// The socket path of a "unix:path=..." bus address; empty for any other kind of address.
QString unixSocketPath(const QString &address) {
    if (!address.startsWith(QStringLiteral("unix:")))
        return {};
    const QStringList options = address.mid(5).split(u',');
    for (const QString &option : options) {
        if (option.startsWith(QStringLiteral("path=")))
            return QUrl::fromPercentEncoding(option.mid(5).toUtf8());
    }
    return {};
}

} // namespace

KeychainSecretStore::KeychainSecretStore(QString fallbackPath, UserDefaults *defaults)
    : m_fallbackPath(std::move(fallbackPath)), m_defaults(defaults) {
    if (m_fallbackPath.isEmpty())
        m_fallbackPath = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                         QStringLiteral("/secrets.json");
}

KeychainSecretStore::~KeychainSecretStore() = default;

bool KeychainSecretStore::sessionBusAvailable() {
    const QString addresses = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!addresses.isEmpty()) {
        for (const QString &address : addresses.split(u';', Qt::SkipEmptyParts)) {
            const QString socket = unixSocketPath(address);
            // Abstract sockets, TCP and the like cannot be checked without connecting: take them as there.
            if (socket.isEmpty() || QFileInfo::exists(socket))
                return true;
        }
        return false;
    }
    // What D-Bus falls back to without an address; X11 autolaunch is never worth waiting for.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

void KeychainSecretStore::useFile(const QString &why) {
    m_keyringUsable = false;
    // How this machine is, not news: a debug line (a healthy start prints nothing), in full once per profile.
    if (m_defaults && m_defaults->boolValue(fileNoticeKey)) {
        qCDebug(lcSecrets) << "no usable keyring (" << why << "); secrets stay in the owner-only file";
        return;
    }
    qCDebug(lcSecrets).noquote() << "No usable keyring (" + why +
                                        "): secrets are kept in an owner-only file in the app's data folder";
    if (m_defaults)
        m_defaults->setBool(fileNoticeKey, true);
}

QCoro::Task<bool> KeychainSecretStore::keyringUsable() {
    if (m_keyringUsable)
        co_return *m_keyringUsable;
    if (m_probe) {
        // Another operation is asking already; its answer is ours.
        std::shared_ptr<Completion> probe = m_probe;
        co_await Completion::wait(probe);
        co_return m_keyringUsable.value_or(false);
    }
    if (!sessionBusAvailable()) {
        useFile(QStringLiteral("no D-Bus session bus"));
        co_return false;
    }

    std::shared_ptr<Completion> probe = m_probe = std::make_shared<Completion>();
    auto *job = new QKeychain::ReadPasswordJob(kProbeService);
    job->setKey(kProbeAccount);
    const JobOutcome outcome = co_await runJob(job, kProbeTimeoutMs, m_stalledJobs);
    // Only an answer about the item itself shows a working keyring. No Secret Service, a locked or refusing
    // keyring (QtKeychain says NoBackendAvailable, OtherError, AccessDenied...) or silence mean the secrets
    // have to live in our own file.
    const bool usable = outcome.finished &&
                        (outcome.error == QKeychain::NoError || outcome.error == QKeychain::EntryNotFound);
    if (usable) {
        m_keyringUsable = true;
    } else {
        m_probeTimedOut = !outcome.finished;
        useFile(outcome.errorString);
    }
    m_probe.reset();
    probe->finish();
    co_return usable;
}

FileSecretStore *KeychainSecretStore::fallback() {
    if (!m_fallback)
        m_fallback = std::make_unique<FileSecretStore>(m_fallbackPath);
    return m_fallback.get();
}

bool KeychainSecretStore::fallbackFileExists() const {
    return QFile::exists(m_fallbackPath);
}

SecretStore::ReadResult KeychainSecretStore::readFallback(const QString &service, const QString &account) {
    const ReadResult result = fallback()->read(service, account);
    // A keyring that stayed silent may well hold the item: that is no answer, not "nothing stored".
    if (result.status == Status::NotFound && m_probeTimedOut)
        return {Status::Failed, {}};
    return result;
}

SecretStore::ReadResult KeychainSecretStore::read(const QString &service, const QString &account) {
    return Completion::resultHere(readAsync(service, account));
}

bool KeychainSecretStore::write(const QString &service, const QString &account, const QString &value) {
    return Completion::resultHere(writeAsync(service, account, value));
}

bool KeychainSecretStore::remove(const QString &service, const QString &account) {
    return Completion::resultHere(removeAsync(service, account));
}

QCoro::Task<SecretStore::ReadResult> KeychainSecretStore::readAsync(QString service, QString account) {
    if (!co_await keyringUsable())
        co_return readFallback(service, account);
    if (*m_stalledJobs > 0)
        co_return ReadResult{Status::Failed, {}};

    auto *job = new QKeychain::ReadPasswordJob(service);
    job->setKey(account);
    const JobOutcome outcome = co_await runJob(job, kOperationTimeoutMs, m_stalledJobs);
    if (!outcome.finished)
        co_return ReadResult{Status::Failed, {}};
    switch (outcome.error) {
    case QKeychain::NoError:
        if (auto text = decodeUtf8(outcome.data))
            co_return ReadResult{Status::Found, *text};
        qCWarning(lcSecrets) << "item" << service << account << "is not UTF-8 text";
        co_return ReadResult{Status::NotFound, {}};
    case QKeychain::EntryNotFound:
        break;
    default:
        // The keyring is there but could not answer this time: that is not "nothing stored".
        qCWarning(lcSecrets) << "cannot read" << service << account << outcome.errorString;
        co_return ReadResult{Status::Failed, {}};
    }

    // Not in the keyring. A run without a keyring may have left the item in the file: take it from there
    // (and move it into the keyring), or the learner would be signed out and get a new device id just
    // because a keyring appeared.
    if (!fallbackFileExists())
        co_return ReadResult{Status::NotFound, {}};
    const ReadResult inFile = fallback()->read(service, account);
    if (inFile.status != Status::Found)
        co_return ReadResult{Status::NotFound, {}};
    auto *move = new QKeychain::WritePasswordJob(service);
    move->setKey(account);
    move->setTextData(inFile.value);
    if (const JobOutcome moved = co_await runJob(move, kOperationTimeoutMs, m_stalledJobs);
        moved.finished && moved.error == QKeychain::NoError)
        fallback()->remove(service, account);
    co_return inFile;
}

QCoro::Task<bool> KeychainSecretStore::writeAsync(QString service, QString account, QString value) {
    if (!co_await keyringUsable())
        co_return fallback()->write(service, account, value);
    if (*m_stalledJobs > 0) {
        qCWarning(lcSecrets) << "cannot write" << service << account << "while the keyring is stalled";
        co_return false;
    }

    auto *job = new QKeychain::WritePasswordJob(service);
    job->setKey(account);
    job->setTextData(value);
    const JobOutcome outcome = co_await runJob(job, kOperationTimeoutMs, m_stalledJobs);
    if (!outcome.finished || outcome.error != QKeychain::NoError) {
        // After a timeout the job may still land later; nothing can call it back.
        qCWarning(lcSecrets) << "cannot write" << service << account << outcome.errorString;
        co_return false;
    }
    // An older copy in the file must not come back once this one is removed from the keyring.
    if (fallbackFileExists())
        fallback()->remove(service, account);
    co_return true;
}

QCoro::Task<bool> KeychainSecretStore::removeAsync(QString service, QString account) {
    if (!co_await keyringUsable())
        co_return fallback()->remove(service, account);
    if (*m_stalledJobs > 0) {
        qCWarning(lcSecrets) << "cannot remove" << service << account << "while the keyring is stalled";
        co_return false;
    }

    auto *job = new QKeychain::DeletePasswordJob(service);
    job->setKey(account);
    const JobOutcome outcome = co_await runJob(job, kOperationTimeoutMs, m_stalledJobs);
    if (!outcome.finished ||
        (outcome.error != QKeychain::NoError && outcome.error != QKeychain::EntryNotFound)) {
        qCWarning(lcSecrets) << "cannot remove" << service << account << outcome.errorString;
        co_return false;
    }
    if (fallbackFileExists())
        fallback()->remove(service, account);
    co_return true;
}

// ---------------------------------------------------------------------------------------------------------
// MemorySecretStore

SecretStore::ReadResult MemorySecretStore::read(const QString &service, const QString &account) {
    if (failReads)
        return {Status::Failed, {}};
    const auto it = items.constFind(itemKey(service, account));
    if (it == items.constEnd())
        return {Status::NotFound, {}};
    return {Status::Found, it.value()};
}

bool MemorySecretStore::write(const QString &service, const QString &account, const QString &value) {
    if (failWrites)
        return false;
    items.insert(itemKey(service, account), value);
    return true;
}

bool MemorySecretStore::remove(const QString &service, const QString &account) {
    if (failWrites)
        return false;
    items.remove(itemKey(service, account));
    return true;
}
