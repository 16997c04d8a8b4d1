// A healthy start prints nothing on the terminal: the app itself, signed in, started against the local
// stand-in offscreen on a machine without a session bus, a runtime directory or a sound server, says
// nothing on stdout or stderr; what Qt and the libraries tell about such a machine becomes a debug line of
// the app's own categories.
#include "LocalService.h"
#include "MessageRouting.h"
#include "SecretStore.h"
#include "SessionKeychain.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using MessageRouting::Route;

class TestQuietStart : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void routes_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("category");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Route>("route");
        QTest::newRow("no runtime directory")
            << int(QtWarningMsg) << QByteArray("default")
            << "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'" << Route::Debug;
        QTest::newRow("no sound server") << int(QtWarningMsg) << QByteArray("default")
                                         << "PulseAudioService: pa_context_connect() failed" << Route::Debug;
        QTest::newRow("the media backend's codecs")
            << int(QtDebugMsg) << QByteArray("default") << ">>>> listing codecs" << Route::Debug;
        QTest::newRow("our own category")
            << int(QtInfoMsg) << QByteArray("quorvel.secrets") << "No usable keyring" << Route::Shown;
        QTest::newRow("a real warning") << int(QtWarningMsg) << QByteArray("default")
                                        << "UserDefaults: cannot write /x - starting empty" << Route::Shown;
        QTest::newRow("a QML error") << int(QtWarningMsg) << QByteArray("qml")
                                     << "qrc:/Main.qml:3: ReferenceError: LinkOpener is not defined"
                                     << Route::Shown;
        QTest::newRow("a Qt category's warning") << int(QtWarningMsg) << QByteArray("qt.qpa.xcb")
                                                 << "could not connect to display" << Route::Shown;
    }
    void routes() {
        QFETCH(int, type);
        QFETCH(QByteArray, category);
        QFETCH(QString, message);
        QFETCH(Route, route);
        QCOMPARE(MessageRouting::route(QtMsgType(type), category.constData(), message), route);
    }

    void signedInStartPrintsNothing() {
        LocalService service(QStringLiteral("13800138661"), "Active");
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString config = home.filePath(QStringLiteral("config"));
        const QString data = home.filePath(QStringLiteral("data"));

        // The learner's profile as a signed-in run leaves it: the session's secrets in the owner-only file,
        // its state in the user defaults, the first run's questions answered.
        const AppSession &session = *service.session;
        FileSecretStore secrets(data + QStringLiteral("/Quorvel/Quorvel/secrets.json"));
        QVERIFY(secrets.write(SessionKeychain::service, QStringLiteral("qvl.access_token"),
                              *session.accessToken()));
        QVERIFY(secrets.write(SessionKeychain::service, QStringLiteral("qvl.refresh_token"),
                              *session.refreshToken()));
        QVERIFY(secrets.write(SessionKeychain::service, QStringLiteral("qvl.device_id"), session.deviceId()));
        {
            UserDefaults defaults(config + QStringLiteral("/Quorvel/Quorvel/defaults.json"));
            defaults.setDouble(QStringLiteral("qvl.access_expires_at"),
                               double(session.accessExpiresAt()->toMSecsSinceEpoch()) / 1000.0);
            defaults.setInteger(QStringLiteral("qvl.user_id"), *session.userId());
            defaults.setString(QStringLiteral("qvl.status"), session.statusText());
            defaults.setBool(QStringLiteral("qvl.onboarding_done"), true);
            defaults.setBool(QStringLiteral("qvl.profile_asked"), true);
        }
        const QString base = QString::fromStdString(service.server.baseUrl());
        QFile bundle(home.filePath(QStringLiteral("bundle.json")));
        QVERIFY(bundle.open(QIODevice::WriteOnly));
        bundle.write(QStringLiteral(R"({"QVLApiBaseURL":"%1","QVLAiBaseURL":"%1","QVLTradeBaseURL":"%1"})")
                         .arg(base)
                         .toUtf8());
        bundle.close();

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *unset : {"XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", "QT_LOGGING_RULES"})
            environment.remove(QString::fromLatin1(unset));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("QVL_BUNDLE_INFO"), bundle.fileName());
        QProcess app;
        app.setProcessEnvironment(environment);
        app.start(QStringLiteral(QVL_APP_EXECUTABLE), {});
        QVERIFY2(app.waitForStarted(), qPrintable(app.errorString()));
        // The signed-in home asks for its layout: the start has got as far as the first screen's loads.
        QTRY_VERIFY_WITH_TIMEOUT(service.server.requestCount("/api/v1/layouts/home") > 0, 30000);
        QTest::qWait(2000);
        QCOMPARE(app.state(), QProcess::Running);
        app.terminate();
        QVERIFY(app.waitForFinished(10000));
        const QString out = QString::fromLocal8Bit(app.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(app.readAllStandardError());
        QVERIFY2(out.isEmpty(), qPrintable(out));
        QVERIFY2(err.isEmpty(), qPrintable(err));
    }
};

QTEST_MAIN(TestQuietStart)
#include "tst_quietstart.moc"
