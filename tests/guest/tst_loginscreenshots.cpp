// Pictures of the sign-in screen in its main states, for looking at the layout: set QVL_SCREENSHOT_DIR to a
// folder (and optionally QVL_SCREENSHOT_SIZE=WIDTHxHEIGHT) and run it under any platform plugin. Without the
// folder it skips.
#include "AppFonts.h"
#include "AppSession.h"
#include "Fixtures.h"
#include "LoginViewModel.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

#include <memory>

class TestLoginScreenshots : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (QmlHarness::screenshotFolder().isEmpty())
            QSKIP("QVL_SCREENSHOT_DIR is not set");
        AppFonts::install(*qGuiApp);
        m_size = QmlHarness::screenshotSize();
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
                               FakeTransport::Reply::json(200, Fixtures::json("auth/code-sent.json")));
        // A sign-in that is still on its way when the picture is taken, or one that fails.
        platform.transport->on(
            "POST", QStringLiteral("/api/v1/auth/login"),
            state == QLatin1String("signing-in")
                ? FakeTransport::Reply::json(400, "{}").after(1500)
                : FakeTransport::Reply::json(400, R"({"message":"验证码错误，请重新输入"})"));
        AppSession session;

        QmlHarness::WarningGuard guard;
        QmlHarness::View shown(m_size);
        guard.watch(shown.engine());
        QVERIFY2(shown.loadType(QStringLiteral("LoginView"),
                                {{"session", QVariant::fromValue(&session)}, {"closable", true}}),
                 qPrintable(shown.error()));
        auto *vm = shown.root()->property("viewModel").value<LoginViewModel *>();
        QVERIFY(vm);

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

        QVERIFY(QmlHarness::saveScreenshot(shown.window(), QStringLiteral("login-") + state));
        QTRY_VERIFY_WITH_TIMEOUT(!vm->busy(), 3000); // let a sign-in under way end with its screen
        QVERIFY2(guard.warnings().isEmpty(), qPrintable(guard.warnings().join(u'\n')));
    }

private:
    QSize m_size;
};

QTEST_MAIN(TestLoginScreenshots)
#include "tst_loginscreenshots.moc"
