#include "Await.h"
#include "SecretStore.h"
#include "UserDefaults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

// The keychain cases run against whatever keyring the process can reach. By default they make sure there is
// none (the Secret Service is switched off by pointing D-Bus at nothing), so the store must fall back to its
// file. With QVL_TEST_REAL_KEYRING=1, run under a real unlocked keyring, e.g.
//   dbus-run-session -- sh -c 'echo -n pw | gnome-keyring-daemon --unlock --components=secrets >/dev/null;
//                               QVL_TEST_REAL_KEYRING=1 ./tst_secretstore'
// the keyring cases run instead of the fallback ones.

namespace {

using Status = SecretStore::Status;

const QString kService = QStringLiteral("com.quorvel.app.session");

int modeBits(const QString &path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject readItems(const QString &path) {
    return QJsonDocument::fromJson(readAll(path)).object();
}

bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

QStringList g_secretsLog;

// What the secrets category says: its debug lines apart from the rest.
QStringList g_secretsDebugLog;

void collectSecretsDebugLog(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (QByteArrayView(context.category) != "quorvel.secrets")
        return;
    (type == QtDebugMsg ? g_secretsDebugLog : g_secretsLog).append(message);
}

bool realKeyring() {
    return qEnvironmentVariableIntValue("QVL_TEST_REAL_KEYRING") == 1;
}

} // namespace

class TestSecretStore : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_busDir;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name = QStringLiteral("data/secrets.json")) const {
        return m_dir->filePath(name);
    }

    static void verifyRead(SecretStore &store, const QString &account, Status status,
                           const QString &value = {}) {
        const SecretStore::ReadResult result = store.read(kService, account);
        QCOMPARE(result.status, status);
        QCOMPARE(result.value, value);
    }

private slots:
    void initTestCase() {
        if (!realKeyring()) {
            // No Secret Service for this process: a bus address where nothing listens.
            qputenv("DBUS_SESSION_BUS_ADDRESS",
                    QByteArray("unix:path=") +
                        QFile::encodeName(m_busDir.filePath(QStringLiteral("no-bus"))));
        }
    }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { m_dir.reset(); }

    // ---- FileSecretStore

    void fileRoundTrip_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("plain") << QStringLiteral("token-a") << QStringLiteral("token-b");
        QTest::newRow("empty text") << QString() << QStringLiteral("x");
        QTest::newRow("to empty text") << QStringLiteral("x") << QString();
        QTest::newRow("unicode, quotes, line breaks")
            << QStringLiteral("令牌 \"q\"\n\t\\") << QString(4096, u'\x7f');
    }
    // Stored and replaced in place: one item under the key, read back exactly, also the empty text.
    void fileRoundTrip() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        FileSecretStore store(path());
        QVERIFY(store.write(kService, QStringLiteral("qvl.access_token"), first));
        verifyRead(store, QStringLiteral("qvl.access_token"), Status::Found, first);
        QVERIFY(store.write(kService, QStringLiteral("qvl.access_token"), second));
        verifyRead(store, QStringLiteral("qvl.access_token"), Status::Found, second);
        QCOMPARE(readItems(path()).keys(), QStringList{kService + QStringLiteral("/qvl.access_token")});
        FileSecretStore later(path());
        verifyRead(later, QStringLiteral("qvl.access_token"), Status::Found, second);
    }

    // The directory is made, the file is owner-only from the start, and a looser file is tightened.
    void fileIsOwnerOnly() {
        FileSecretStore store(path());
        QVERIFY(store.write(kService, QStringLiteral("qvl.device_id"), QStringLiteral("ios-x")));
        QCOMPARE(modeBits(path()), 0600);

        const QString loose = path(QStringLiteral("loose.json"));
        QVERIFY(writeAll(loose, "{}"));
        QVERIFY(QFile::setPermissions(loose, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ReadGroup | QFileDevice::ReadOther));
        QCOMPARE(modeBits(loose), 0644);
        QVERIFY(FileSecretStore(loose).write(kService, QStringLiteral("k"), QStringLiteral("v")));
        QCOMPARE(modeBits(loose), 0600);
    }

    void fileMissingReadsNotFound() {
        FileSecretStore store(path());
        verifyRead(store, QStringLiteral("qvl.refresh_token"), Status::NotFound);
        QVERIFY(store.remove(kService, QStringLiteral("qvl.refresh_token")));
        QVERIFY(!QFile::exists(path())); // removing nothing creates nothing
    }

    // Items are independent by account and by service; removing one leaves the others, removing twice is
    // fine.
    void fileKeysIndependent() {
        FileSecretStore store(path());
        QVERIFY(store.write(kService, QStringLiteral("qvl.access_token"), QStringLiteral("a")));
        QVERIFY(store.write(kService, QStringLiteral("qvl.refresh_token"), QStringLiteral("r")));
        QVERIFY(store.write(QStringLiteral("other.service"), QStringLiteral("qvl.refresh_token"),
                            QStringLiteral("o")));

        QVERIFY(store.remove(kService, QStringLiteral("qvl.refresh_token")));
        verifyRead(store, QStringLiteral("qvl.refresh_token"), Status::NotFound);
        verifyRead(store, QStringLiteral("qvl.access_token"), Status::Found, QStringLiteral("a"));
        const auto other = store.read(QStringLiteral("other.service"), QStringLiteral("qvl.refresh_token"));
        QCOMPARE(other.status, Status::Found);
        QCOMPARE(other.value, QStringLiteral("o"));

        QVERIFY(store.remove(kService, QStringLiteral("qvl.refresh_token")));
        QCOMPARE(readItems(path()).size(), 2);
        QCOMPARE(modeBits(path()), 0600);
    }

    // A damaged file is never taken for an empty one and never overwritten.
    void fileCorrupt_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage") << QByteArray("\xff\xfe garbage");
        QTest::newRow("truncated") << QByteArray("{\"com.quorvel.app.session/qvl.access_token\": \"ab");
        QTest::newRow("array") << QByteArray("[\"com.quorvel.app.session/qvl.access_token\"]");
    }
    void fileCorrupt() {
        QFETCH(QByteArray, content);
        QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
        QVERIFY(writeAll(path(), content));
        FileSecretStore store(path());

        verifyRead(store, QStringLiteral("qvl.access_token"), Status::Failed);
        QVERIFY(!store.write(kService, QStringLiteral("qvl.access_token"), QStringLiteral("new")));
        QVERIFY(!store.remove(kService, QStringLiteral("qvl.access_token")));
        QCOMPARE(readAll(path()), content);
    }

    void fileUnreadableFails() {
        if (::geteuid() == 0)
            QSKIP("root reads files whatever their permissions");
        FileSecretStore store(path());
        QVERIFY(store.write(kService, QStringLiteral("k"), QStringLiteral("v")));
        QVERIFY(QFile::setPermissions(path(), QFileDevice::WriteOwner));
        verifyRead(store, QStringLiteral("k"), Status::Failed);
        QVERIFY(!store.write(kService, QStringLiteral("k"), QStringLiteral("w")));
        QVERIFY(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        verifyRead(store, QStringLiteral("k"), Status::Found, QStringLiteral("v"));
    }

    // An entry that is not text is no usable item: absent, and a write replaces it (other items stay).
    void fileNonTextEntry() {
        QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
        const QJsonObject items{{kService + QStringLiteral("/qvl.device_id"), 5},
                                {kService + QStringLiteral("/qvl.access_token"), QStringLiteral("a")}};
        QVERIFY(writeAll(path(), QJsonDocument(items).toJson()));
        FileSecretStore store(path());
        verifyRead(store, QStringLiteral("qvl.device_id"), Status::NotFound);
        QVERIFY(store.write(kService, QStringLiteral("qvl.device_id"), QStringLiteral("ios-1")));
        verifyRead(store, QStringLiteral("qvl.device_id"), Status::Found, QStringLiteral("ios-1"));
        verifyRead(store, QStringLiteral("qvl.access_token"), Status::Found, QStringLiteral("a"));
    }

    // Rewrites go through a temporary file that is renamed over the old one.
    void fileLeavesNoTemporaryFile() {
        FileSecretStore store(path());
        for (int i = 0; i < 10; ++i)
            QVERIFY(store.write(kService, QStringLiteral("k%1").arg(i % 3), QString::number(i)));
        QVERIFY(store.remove(kService, QStringLiteral("k0")));
        const QStringList entries = QDir(QFileInfo(path()).absolutePath())
                                        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(entries, QStringList{QStringLiteral("secrets.json")});
    }

    // ---- MemorySecretStore

    void memoryStore() {
        MemorySecretStore store;
        verifyRead(store, QStringLiteral("k"), Status::NotFound);
        QVERIFY(store.write(kService, QStringLiteral("k"), QString()));
        verifyRead(store, QStringLiteral("k"), Status::Found, QString());
        QVERIFY(store.write(kService, QStringLiteral("k"), QStringLiteral("old")));
        QCOMPARE(store.items.value(MemorySecretStore::itemKey(kService, QStringLiteral("k"))),
                 QStringLiteral("old"));

        store.failWrites = true;
        QVERIFY(!store.write(kService, QStringLiteral("k"), QStringLiteral("new")));
        QVERIFY(!store.remove(kService, QStringLiteral("k")));
        verifyRead(store, QStringLiteral("k"), Status::Found, QStringLiteral("old"));

        store.failReads = true;
        verifyRead(store, QStringLiteral("k"), Status::Failed);
        verifyRead(store, QStringLiteral("missing"), Status::Failed);

        store.failReads = false;
        store.failWrites = false;
        QVERIFY(store.remove(kService, QStringLiteral("k")));
        QVERIFY(store.remove(kService, QStringLiteral("k")));
        verifyRead(store, QStringLiteral("k"), Status::NotFound);
    }

    // ---- KeychainSecretStore without a keyring

    // No Secret Service: the items go to the 0600 file, promptly, and keep every rule of the store.
    void keychainFallsBackToFile() {
        if (realKeyring())
            QSKIP("a real keyring is reachable");
        QElapsedTimer elapsed;
        elapsed.start();
        KeychainSecretStore store(path());
        verifyRead(store, QStringLiteral("qvl.device_id"), Status::NotFound);
        QVERIFY(store.write(kService, QStringLiteral("qvl.device_id"), QStringLiteral("ios-abc")));
        QVERIFY(store.write(kService, QStringLiteral("qvl.access_token"), QString()));

        QCOMPARE(modeBits(path()), 0600);
        const QJsonObject items = readItems(path());
        QCOMPARE(items.value(kService + QStringLiteral("/qvl.device_id")).toString(),
                 QStringLiteral("ios-abc"));
        verifyRead(store, QStringLiteral("qvl.access_token"), Status::Found, QString());
        QVERIFY(store.remove(kService, QStringLiteral("qvl.access_token")));
        verifyRead(store, QStringLiteral("qvl.access_token"), Status::NotFound);

        KeychainSecretStore later(path());
        verifyRead(later, QStringLiteral("qvl.device_id"), Status::Found, QStringLiteral("ios-abc"));
        QVERIFY2(elapsed.elapsed() < 4000, "an absent keyring must be noticed at once");
    }

    // Whether there is a session bus to ask at all; without one the keyring is not probed.
    void sessionBus_data() {
        QTest::addColumn<QString>("address"); // "<socket>" stands for a socket that exists
        QTest::addColumn<bool>("runtimeBus");
        QTest::addColumn<bool>("available");
        QTest::newRow("no address, no runtime bus") << QString() << false << false;
        QTest::newRow("no address, runtime bus") << QString() << true << true;
        QTest::newRow("socket missing") << QStringLiteral("unix:path=/nonexistent/bus") << true << false;
        QTest::newRow("socket there") << QStringLiteral("unix:path=<socket>,guid=1") << false << true;
        QTest::newRow("second address there")
            << QStringLiteral("unix:path=/nonexistent/bus;unix:path=<socket>") << false << true;
        QTest::newRow("abstract socket") << QStringLiteral("unix:abstract=/tmp/dbus-x") << false << true;
        QTest::newRow("tcp") << QStringLiteral("tcp:host=127.0.0.1,port=1") << false << true;
    }
    void sessionBus() {
        QFETCH(QString, address);
        QFETCH(bool, runtimeBus);
        QFETCH(bool, available);
        QLocalServer socket;
        QVERIFY(socket.listen(m_dir->filePath(QStringLiteral("bus-socket"))));
        const QString runtime = m_dir->filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime));
        if (runtimeBus)
            QVERIFY(writeAll(runtime + QStringLiteral("/bus"), {}));
        const QByteArray previousAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray previousRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("DBUS_SESSION_BUS_ADDRESS",
                address.replace(QStringLiteral("<socket>"), socket.fullServerName()).toUtf8());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        const bool found = KeychainSecretStore::sessionBusAvailable();
        qputenv("DBUS_SESSION_BUS_ADDRESS", previousAddress);
        qputenv("XDG_RUNTIME_DIR", previousRuntime);
        QCOMPARE(found, available);
    }

    // Without a keyring the secrets go to the owner-only file, which is how this machine is, not news: said
    // at debug level only (a healthy start prints nothing), in full on the profile's first start, in one
    // line and without the file's path.
    void fallbackIsAnnouncedOncePerProfile() {
        if (realKeyring())
            QSKIP("a real keyring is reachable");
        UserDefaults defaults;
        g_secretsLog.clear();
        g_secretsDebugLog.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("quorvel.secrets.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(collectSecretsDebugLog);
        {
            KeychainSecretStore store(path(), &defaults);
            verifyRead(store, QStringLiteral("qvl.device_id"), Status::NotFound);
            QVERIFY(store.write(kService, QStringLiteral("qvl.device_id"), QStringLiteral("ios-1")));
        }
        const QStringList firstRun = g_secretsDebugLog;
        {
            KeychainSecretStore store(path(), &defaults);
            verifyRead(store, QStringLiteral("qvl.device_id"), Status::Found, QStringLiteral("ios-1"));
        }
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        QCOMPARE(g_secretsLog, QStringList());
        QCOMPARE(firstRun.filter(QStringLiteral("No usable keyring")).size(), 1);
        QVERIFY2(!firstRun.join(u'|').contains(m_dir->path()), qPrintable(firstRun.join(u'|')));
        QCOMPARE(g_secretsDebugLog.filter(QStringLiteral("No usable keyring")).size(), 1);
        QVERIFY(defaults.boolValue(KeychainSecretStore::fileNoticeKey));
    }

    // A damaged fallback file is "could not read", not "nothing stored", and is left alone.
    void keychainFallbackCorrupt() {
        if (realKeyring())
            QSKIP("a real keyring is reachable");
        QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
        QVERIFY(writeAll(path(), "{ not json"));
        KeychainSecretStore store(path());
        verifyRead(store, QStringLiteral("qvl.device_id"), Status::Failed);
        QVERIFY(!store.write(kService, QStringLiteral("qvl.device_id"), QStringLiteral("ios-new")));
        QCOMPARE(readAll(path()), QByteArray("{ not json"));
    }

    // A bus that accepts the connection and never answers: the probe gives up after its timeout and the store
    // works from its file. Runs last: the stuck keychain job stays queued for the rest of the process.
    void keychainSilentKeyringTimesOut() {
        if (realKeyring())
            QSKIP("a real keyring is reachable");
        QLocalServer silent;
        silent.setSocketOptions(QLocalServer::UserAccessOption);
        QVERIFY(silent.listen(m_dir->filePath(QStringLiteral("silent-bus"))));
        const QByteArray previous = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS",
                QByteArray("unix:path=") + QFile::encodeName(silent.fullServerName()));

        QElapsedTimer elapsed;
        elapsed.start();
        KeychainSecretStore store(path());
        // The asynchronous write waits for the probe without blocking its caller.
        auto firstWrite =
            store.writeAsync(kService, QStringLiteral("qvl.refresh_token"), QStringLiteral("r"));
        QVERIFY(!firstWrite.isReady());
        QVERIFY2(elapsed.elapsed() < 1000, "writeAsync blocked its caller");
        QVERIFY(Await::result(firstWrite));
        const qint64 firstUse = elapsed.elapsed();
        verifyRead(store, QStringLiteral("qvl.refresh_token"), Status::Found, QStringLiteral("r"));
        // The silent keyring may hold what the file lacks: no answer, not "nothing stored".
        verifyRead(store, QStringLiteral("qvl.device_id"), Status::Failed);
        QVERIFY2(elapsed.elapsed() - firstUse < 1000, "after the probe the file answers at once");
        QVERIFY2(firstUse < 10000, qPrintable(QStringLiteral("first use took %1 ms").arg(firstUse)));
        QCOMPARE(readItems(path()).value(kService + QStringLiteral("/qvl.refresh_token")).toString(),
                 QStringLiteral("r"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", previous);
    }

    // ---- KeychainSecretStore over a real keyring (opt-in)

    void keychainRealRoundTrip() {
        if (!realKeyring())
            QSKIP("set QVL_TEST_REAL_KEYRING=1 under an unlocked keyring");
        const QString service =
            QStringLiteral("com.quorvel.test.") + QUuid::createUuid().toString(QUuid::Id128);
        KeychainSecretStore store(path());
        auto read = [&](const QString &account) { return store.read(service, account); };

        QCOMPARE(read(QStringLiteral("a")).status, Status::NotFound);
        QVERIFY(store.write(service, QStringLiteral("a"), QStringLiteral("first")));
        QVERIFY(store.write(service, QStringLiteral("a"), QStringLiteral("令牌")));
        QVERIFY(store.write(service, QStringLiteral("b"), QString()));
        QCOMPARE(read(QStringLiteral("a")).value, QStringLiteral("令牌"));
        QCOMPARE(read(QStringLiteral("b")).status, Status::Found);
        QCOMPARE(read(QStringLiteral("b")).value, QString());

        QVERIFY(store.remove(service, QStringLiteral("b")));
        QVERIFY(store.remove(service, QStringLiteral("b")));
        QCOMPARE(read(QStringLiteral("b")).status, Status::NotFound);
        QCOMPARE(read(QStringLiteral("a")).status, Status::Found);
        QVERIFY(!QFile::exists(path())); // the keyring holds them, not the file

        KeychainSecretStore later(path());
        QCOMPARE(later.read(service, QStringLiteral("a")).value, QStringLiteral("令牌"));
        QVERIFY(store.remove(service, QStringLiteral("a")));
    }

    // Items a run without a keyring left in the file are found, and move into the keyring.
    void keychainRealTakesOverFileItems() {
        if (!realKeyring())
            QSKIP("set QVL_TEST_REAL_KEYRING=1 under an unlocked keyring");
        const QString service =
            QStringLiteral("com.quorvel.test.") + QUuid::createUuid().toString(QUuid::Id128);
        QVERIFY(FileSecretStore(path()).write(service, QStringLiteral("qvl.device_id"),
                                              QStringLiteral("ios-old")));
        QVERIFY(FileSecretStore(path()).write(service, QStringLiteral("qvl.access_token"),
                                              QStringLiteral("stale")));

        KeychainSecretStore store(path());
        const auto moved = store.read(service, QStringLiteral("qvl.device_id"));
        QCOMPARE(moved.status, Status::Found);
        QCOMPARE(moved.value, QStringLiteral("ios-old"));
        QVERIFY(!readItems(path()).contains(service + QStringLiteral("/qvl.device_id")));
        QCOMPARE(store.read(service, QStringLiteral("qvl.device_id")).value, QStringLiteral("ios-old"));

        // A write or removal through the keyring drops the file's copy, so it cannot come back.
        QVERIFY(store.remove(service, QStringLiteral("qvl.access_token")));
        QCOMPARE(store.read(service, QStringLiteral("qvl.access_token")).status, Status::NotFound);
        QVERIFY(readItems(path()).isEmpty());
        QVERIFY(store.remove(service, QStringLiteral("qvl.device_id")));
    }
};

QTEST_GUILESS_MAIN(TestSecretStore)
#include "tst_secretstore.moc"
