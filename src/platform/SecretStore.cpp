#include "SecretStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>
#include <QtDebug>

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
        qWarning() << "FileSecretStore: cannot read" << path << file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.trimmed().isEmpty())
        return QJsonObject();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qWarning() << "FileSecretStore:" << path << "is damaged; leaving it untouched";
        return std::nullopt;
    }
    return document.object();
}

bool saveItems(const QString &path, const QJsonObject &items) {
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory)) {
        qWarning() << "FileSecretStore: cannot create" << directory;
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning() << "FileSecretStore: cannot write" << path << file.errorString();
        return false;
    }
    // Owner-only before the first secret byte goes in: a new file would otherwise start with the umask's
    // permissions, and an older file with looser ones keeps them.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        qWarning() << "FileSecretStore: cannot restrict the permissions of" << path;
        file.cancelWriting();
        return false;
    }
    file.write(QJsonDocument(items).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        qWarning() << "FileSecretStore: cannot write" << path << file.errorString();
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
// KeychainSecretStore

namespace {

// A keyring that does not answer within this time is treated as absent. The probe reads an item that does not
// exist, which needs no unlock prompt, so a healthy keyring answers at once.
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

// Runs a keychain job to its end and hands back what it reported.
//
// QtKeychain only offers asynchronous jobs, while our store answers synchronously: the session reads its
// tokens and device id in its constructor and cannot be half-built while a job runs. So the job is waited for
// in a local event loop. That loop does deliver timers, network and other queued events meanwhile (only user
// input is held back), so the wait is bounded: a keyring that never answers must not freeze the app.
JobOutcome runJob(QKeychain::Job *job, int timeoutMs, const std::shared_ptr<int> &stalledJobs) {
    JobOutcome outcome;
    if (!QCoreApplication::instance()) {
        delete job;
        outcome.finished = true;
        outcome.error = QKeychain::NoBackendAvailable;
        outcome.errorString = QStringLiteral("no application object to run keychain jobs");
        return outcome;
    }
    job->setAutoDelete(false);
    QEventLoop loop;
    // `loop` is the context: when we stop waiting, the job can no longer reach this stack frame.
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
        outcome.finished = true;
        outcome.error = job->error();
        outcome.errorString = job->errorString();
        if (const auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(job))
            outcome.data = read->binaryData();
        loop.quit();
    });
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    job->start();
    if (!outcome.finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (outcome.finished) {
        // The loop returns only after the job's finished() emission has unwound, so it can go now.
        delete job;
        return outcome;
    }
    // Still queued or waiting on the keyring. It cannot be cancelled, and deleting it while the keyring's
    // callback is pending would crash: let it finish on its own, then clean up after itself. Until it does,
    // later jobs would queue behind it, so they are refused at once instead.
    qWarning() << "KeychainSecretStore: the keyring did not answer within" << timeoutMs << "ms";
    ++*stalledJobs;
    QObject::connect(job, &QKeychain::Job::finished, job, [stalledJobs] { --*stalledJobs; });
    job->setAutoDelete(true);
    outcome.errorString = QStringLiteral("timed out");
    return outcome;
}

// Keyring items are written as UTF-8 text; bytes that are not valid UTF-8 are not a text we stored.
std::optional<QString> decodeUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

KeychainSecretStore::KeychainSecretStore(QString fallbackPath) : m_fallbackPath(std::move(fallbackPath)) {
    if (m_fallbackPath.isEmpty())
        m_fallbackPath = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                         QStringLiteral("/secrets.json");
}

bool KeychainSecretStore::keyringUsable() {
    if (!m_keyringUsable) {
        auto *probe = new QKeychain::ReadPasswordJob(kProbeService);
        probe->setKey(kProbeAccount);
        const JobOutcome outcome = runJob(probe, kProbeTimeoutMs, m_stalledJobs);
        // Only an answer about the item itself shows a working keyring. No Secret Service, no D-Bus session,
        // a locked or refusing keyring (QtKeychain says NoBackendAvailable, OtherError, AccessDenied...) or
        // silence mean the secrets have to live in our own file.
        m_keyringUsable = outcome.finished &&
                          (outcome.error == QKeychain::NoError || outcome.error == QKeychain::EntryNotFound);
        if (!*m_keyringUsable)
            qWarning() << "KeychainSecretStore: no usable keyring (" << outcome.errorString
                       << "); keeping secrets in" << m_fallbackPath;
    }
    return *m_keyringUsable;
}

FileSecretStore *KeychainSecretStore::fallback() {
    if (!m_fallback)
        m_fallback = std::make_unique<FileSecretStore>(m_fallbackPath);
    return m_fallback.get();
}

bool KeychainSecretStore::fallbackFileExists() const {
    return QFile::exists(m_fallbackPath);
}

SecretStore::ReadResult KeychainSecretStore::read(const QString &service, const QString &account) {
    if (!keyringUsable())
        return fallback()->read(service, account);
    if (*m_stalledJobs > 0)
        return {Status::Failed, {}};

    auto *job = new QKeychain::ReadPasswordJob(service);
    job->setKey(account);
    const JobOutcome outcome = runJob(job, kOperationTimeoutMs, m_stalledJobs);
    if (!outcome.finished)
        return {Status::Failed, {}};
    switch (outcome.error) {
    case QKeychain::NoError:
        if (auto text = decodeUtf8(outcome.data))
            return {Status::Found, *text};
        qWarning() << "KeychainSecretStore: item" << service << account << "is not UTF-8 text";
        return {Status::NotFound, {}};
    case QKeychain::EntryNotFound:
        break;
    default:
        // The keyring is there but could not answer this time: that is not "nothing stored".
        qWarning() << "KeychainSecretStore: cannot read" << service << account << outcome.errorString;
        return {Status::Failed, {}};
    }

    // Not in the keyring. A run without a keyring may have left the item in the file: take it from there
    // (and move it into the keyring), or the learner would be signed out and get a new device id just
    // because a keyring appeared.
    if (!fallbackFileExists())
        return {Status::NotFound, {}};
    const ReadResult inFile = fallback()->read(service, account);
    if (inFile.status != Status::Found)
        return {Status::NotFound, {}};
    auto *move = new QKeychain::WritePasswordJob(service);
    move->setKey(account);
    move->setTextData(inFile.value);
    if (const JobOutcome moved = runJob(move, kOperationTimeoutMs, m_stalledJobs);
        moved.finished && moved.error == QKeychain::NoError)
        fallback()->remove(service, account);
    return inFile;
}

bool KeychainSecretStore::write(const QString &service, const QString &account, const QString &value) {
    if (!keyringUsable())
        return fallback()->write(service, account, value);
    if (*m_stalledJobs > 0)
        return false;

    auto *job = new QKeychain::WritePasswordJob(service);
    job->setKey(account);
    job->setTextData(value);
    const JobOutcome outcome = runJob(job, kOperationTimeoutMs, m_stalledJobs);
    if (!outcome.finished || outcome.error != QKeychain::NoError) {
        // After a timeout the job may still land later; nothing can call it back.
        qWarning() << "KeychainSecretStore: cannot write" << service << account << outcome.errorString;
        return false;
    }
    // An older copy in the file must not come back once this one is removed from the keyring.
    if (fallbackFileExists())
        fallback()->remove(service, account);
    return true;
}

bool KeychainSecretStore::remove(const QString &service, const QString &account) {
    if (!keyringUsable())
        return fallback()->remove(service, account);
    if (*m_stalledJobs > 0)
        return false;

    auto *job = new QKeychain::DeletePasswordJob(service);
    job->setKey(account);
    const JobOutcome outcome = runJob(job, kOperationTimeoutMs, m_stalledJobs);
    if (!outcome.finished ||
        (outcome.error != QKeychain::NoError && outcome.error != QKeychain::EntryNotFound)) {
        qWarning() << "KeychainSecretStore: cannot remove" << service << account << outcome.errorString;
        return false;
    }
    if (fallbackFileExists())
        fallback()->remove(service, account);
    return true;
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
