// Pictures of the sign-in screen in its main states, for looking at the layout: set QVL_SCREENSHOT_DIR to a
// folder (and optionally QVL_SCREENSHOT_SIZE=WIDTHxHEIGHT) and run it under any platform plugin. Without the
// folder it skips.
#include "AppFonts.h"
#include "AppSession.h"
#include "LoginViewModel.h"
#include "TestPlatform.h"
#include "QmlModules.h"
#include "QmlModuleFiles.h"

#include <QDir>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

#include <memory>

QVL_IMPORT_QML_MODULES()

class TestLoginScreenshots : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        m_folder = qEnvironmentVariable("QVL_SCREENSHOT_DIR");
        if (m_folder.isEmpty())
            QSKIP("QVL_SCREENSHOT_DIR is not set");
        QVERIFY(QDir().mkpath(m_folder));
        AppFonts::install(*qGuiApp);
        const QStringList size =
            qEnvironmentVariable("QVL_SCREENSHOT_SIZE", QStringLiteral("1024x720")).split(u'x');
        m_size = QSize(size.value(0).toInt(), size.value(1).toInt());
        QVERIFY(m_size.isValid());
    }

    void states_data() {
        QTest::addColumn<QString>("state");
        for (const char *state :
             {"empty", "phone-focused", "countdown", "error-alert", "ready", "signing-in"})
            QTest::newRow(state) << QString::fromLatin1(state);
    }
    void states() {
        QFETCH(QString, state);

        TestPlatform platform;
        platform.transport->on("POST", QStringLiteral("/api/v1/sms/code"),
                               FakeTransport::Reply::json(200, R"({"expires_in":300,"resend_after":60})"));
        // A sign-in that is still on its way when the picture is taken, or one that fails.
        platform.transport->on(
            "POST", QStringLiteral("/api/v1/auth/login"),
            state == QLatin1String("signing-in")
                ? FakeTransport::Reply::json(400, "{}").after(1500)
                : FakeTransport::Reply::json(400, R"({"message":"验证码错误，请重新输入"})"));
        AppSession session;

        QQmlEngine engine;
        QQmlComponent component(&engine, qmlTypeUrl(QStringLiteral("LoginView")));
        QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        std::unique_ptr<QObject> object(component.createWithInitialProperties(
            {{"session", QVariant::fromValue(&session)}, {"closable", true}}));
        auto *view = qobject_cast<QQuickItem *>(object.get());
        QVERIFY(view);
        auto *vm = view->property("viewModel").value<LoginViewModel *>();
        QVERIFY(vm);

        QQuickWindow window;
        window.resize(m_size);
        view->setParentItem(window.contentItem());
        view->setSize(window.size());
        window.show();
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        if (state == QLatin1String("phone-focused")) {
            vm->setFocus(LoginViewModel::Phone);
            vm->setPhone(QStringLiteral("138001"));
        } else if (state == QLatin1String("countdown")) {
            vm->setPhone(QStringLiteral("13800138000"));
            vm->setAgreed(true);
            vm->sendCode();
            QTRY_COMPARE(vm->resendAfter(), 60);
        } else if (state == QLatin1String("error-alert")) {
            vm->setPhone(QStringLiteral("13800138000"));
            vm->setCode(QStringLiteral("246810"));
            vm->setAgreed(true);
            vm->login();
            QTRY_VERIFY(vm->alertVisible());
        } else if (state == QLatin1String("signing-in")) {
            vm->setPhone(QStringLiteral("13800138000"));
            vm->setCode(QStringLiteral("246810"));
            vm->setAgreed(true);
            vm->login();
            QVERIFY(vm->busy());
        } else if (state == QLatin1String("ready")) {
            vm->setPhone(QStringLiteral("13800138000"));
            vm->setCode(QStringLiteral("246810"));
            vm->setAgreed(true);
        }
        QTest::qWait(400); // animations settle

        const QImage image = window.grabWindow();
        QVERIFY(!image.isNull());
        const QString platformName = QGuiApplication::platformName();
        const QString file =
            QDir(m_folder).filePath(QStringLiteral("login-%1-%2.png").arg(state, platformName));
        QVERIFY(image.save(file));
        qInfo("saved %s", qPrintable(file));
        QTRY_VERIFY_WITH_TIMEOUT(!vm->busy(), 3000); // let a sign-in under way end with its screen
    }

private:
    QString m_folder;
    QSize m_size;
};

QTEST_MAIN(TestLoginScreenshots)
#include "tst_loginscreenshots.moc"
