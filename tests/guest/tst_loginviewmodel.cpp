#include "AppSession.h"
#include "Await.h"
#include "Brand.h"
#include "Fixtures.h"
#include "LoginViewModel.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(FakeTransport::Reply)

namespace {

const QString codePath = QStringLiteral("/api/v1/sms/code");
const QString loginPath = QStringLiteral("/api/v1/auth/login");
const QString validPhone = QStringLiteral("13800138000");

QByteArray codeAnswer(qint64 expiresIn, qint64 resendAfter) {
    return QJsonDocument(QJsonObject{{"expires_in", expiresIn}, {"resend_after", resendAfter}})
        .toJson(QJsonDocument::Compact);
}

// A newcomer's grant: the profile is still to be filled in.
QByteArray grantBody(bool withRefresh = true) {
    const QJsonValue none(QJsonValue::Undefined);
    return Fixtures::patched("auth/grant.json",
                             {{"access_token", "at-new"},
                              {"status", "PendingProfile"},
                              {"refresh_token", withRefresh ? QJsonValue("rt-new") : none},
                              {"refresh_expires_in", withRefresh ? QJsonValue(2592000) : none}});
}

QJsonObject bodyOf(const HttpRequest &request) {
    return QJsonDocument::fromJson(request.body).object();
}

// A view-model with a session, a valid number typed and consent given.
void prepare(LoginViewModel &vm, AppSession &session, const QString &code = QString()) {
    vm.setSession(&session);
    vm.setPhone(validPhone);
    vm.setAgreed(true);
    vm.setCode(code);
}

} // namespace

class TestLoginViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- typing: the fields keep digits only

    void digitsOnly_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("kept");

        QTest::newRow("ascii number") << "13800138000" << 11 << "13800138000";
        QTest::newRow("empty") << "" << 11 << "";
        QTest::newRow("country prefix, spaces and hyphens") << "+86 138-0013-8000" << 11 << "86138001380";
        QTest::newRow("full-width digits of an input method")
            << QStringLiteral("１３８００１３８０００") << 11 << "13800138000";
        QTest::newRow("full-width and ascii mixed")
            << QStringLiteral("１38 ００1３8０00") << 11 << "13800138000";
        QTest::newRow("full-width code") << QStringLiteral("２４６８１０") << 6 << "246810";
        QTest::newRow("arabic-indic digits dropped")
            << QStringLiteral("١٣٨13800138000") << 11 << "13800138000";
        QTest::newRow("devanagari digits dropped") << QStringLiteral("१२३456") << 6 << "456";
        QTest::newRow("circled, superscript and roman numerals dropped")
            << QStringLiteral("①²Ⅻ½123") << 6 << "123";
        QTest::newRow("digits outside the basic plane dropped")
            << QStringLiteral("\U0001D7CF\U0001D7D0") + QStringLiteral("12") << 6 << "12";
        QTest::newRow("keycap emoji keeps its digit") << QStringLiteral("1\uFE0F\u20E32") << 6 << "12";
        QTest::newRow("letters, spaces and signs dropped") << "a1 b2\t3-4.5,6" << 6 << "123456";
        QTest::newRow("ideographic space dropped") << QStringLiteral("138\u30000013") << 11 << "1380013";
        QTest::newRow("phone cut at 11") << "138001380001234" << 11 << "13800138000";
        QTest::newRow("code cut at 6") << "1234567" << 6 << "123456";
        QTest::newRow("cut counts kept digits, not typed characters") << "1a2b3c4d5e6f7" << 6 << "123456";
        QTest::newRow("full-width cut at 6") << QStringLiteral("１２３４５６７") << 6 << "123456";
    }
    void digitsOnly() {
        QFETCH(QString, typed);
        QFETCH(int, limit);
        QFETCH(QString, kept);
        QCOMPARE(LoginViewModel::digitsOnly(typed, limit), kept);
    }

    // The fields hold only the filtered text; when filtering changed what was typed, the field is told to
    // show the stored text again even if that did not change.
    void fieldsStoreFilteredText() {
        LoginViewModel vm;
        QSignalSpy phoneSpy(&vm, &LoginViewModel::phoneChanged);
        QSignalSpy codeSpy(&vm, &LoginViewModel::codeChanged);

        vm.setPhone(QStringLiteral("１３８"));
        QCOMPARE(vm.phone(), QStringLiteral("138"));
        QCOMPARE(phoneSpy.count(), 1);
        vm.setPhone(QStringLiteral("138a"));
        QCOMPARE(vm.phone(), QStringLiteral("138"));
        QCOMPARE(phoneSpy.count(), 2); // the field drops the "a" again
        vm.setPhone(QStringLiteral("138"));
        QCOMPARE(phoneSpy.count(), 2); // the field's own write-back changes nothing

        vm.setCode(QStringLiteral("1234567"));
        QCOMPARE(vm.code(), QStringLiteral("123456"));
        QCOMPARE(codeSpy.count(), 1);
        vm.setCode(QStringLiteral("123456"));
        QCOMPARE(codeSpy.count(), 1);
    }

    // --- the two buttons' conditions

    void canSendCode_data() {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<bool>("sending");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("resendAfter");
        QTest::addColumn<bool>("allowed");

        QTest::newRow("valid, idle") << validPhone << false << false << 0 << true;
        for (const char *prefix : {"13", "14", "15", "16", "17", "18", "19"})
            QTest::addRow("prefix %s", prefix)
                << QString::fromLatin1(prefix) + "000000000" << false << false << 0 << true;
        QTest::newRow("prefix 12") << "12800138000" << false << false << 0 << false;
        QTest::newRow("prefix 10") << "10800138000" << false << false << 0 << false;
        QTest::newRow("prefix 2") << "23800138000" << false << false << 0 << false;
        QTest::newRow("10 digits") << "1380013800" << false << false << 0 << false;
        QTest::newRow("country prefix kept as digits") << "86138001380" << false << false << 0 << false;
        QTest::newRow("empty") << "" << false << false << 0 << false;
        QTest::newRow("while sending") << validPhone << true << false << 0 << false;
        QTest::newRow("while signing in") << validPhone << false << true << 0 << false;
        QTest::newRow("during the countdown") << validPhone << false << false << 1 << false;
    }
    void canSendCode() {
        QFETCH(QString, phone);
        QFETCH(bool, sending);
        QFETCH(bool, busy);
        QFETCH(int, resendAfter);
        QFETCH(bool, allowed);
        QCOMPARE(LoginViewModel::sendCodeAllowed(sending, busy, resendAfter, phone), allowed);
    }

    void canSubmit_data() {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("agreed");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("allowed");

        QTest::newRow("all set") << false << true << validPhone << "246810" << true;
        QTest::newRow("without consent") << false << false << validPhone << "246810" << false;
        QTest::newRow("while signing in") << true << true << validPhone << "246810" << false;
        QTest::newRow("invalid number") << false << true << "12800138000"
                                        << "246810" << false;
        QTest::newRow("short number") << false << true << "1380013800"
                                      << "246810" << false;
        QTest::newRow("5-digit code") << false << true << validPhone << "24681" << false;
        QTest::newRow("no code") << false << true << validPhone << "" << false;
    }
    void canSubmit() {
        QFETCH(bool, busy);
        QFETCH(bool, agreed);
        QFETCH(QString, phone);
        QFETCH(QString, code);
        QFETCH(bool, allowed);
        QCOMPARE(LoginViewModel::submitAllowed(busy, agreed, phone, code), allowed);
    }

    // The properties follow the typed state and notify once per real change.
    void conditionsFollowTheFields() {
        LoginViewModel vm;
        QSignalSpy submitSpy(&vm, &LoginViewModel::canSubmitChanged);
        QSignalSpy sendSpy(&vm, &LoginViewModel::canSendCodeChanged);
        QVERIFY(!vm.canSendCode());
        QVERIFY(!vm.canSubmit());

        vm.setPhone(validPhone);
        QVERIFY(vm.canSendCode()); // consent is not needed to press it
        QCOMPARE(sendSpy.count(), 1);
        vm.setCode(QStringLiteral("246810"));
        QVERIFY(!vm.canSubmit());
        vm.setAgreed(true);
        QVERIFY(vm.canSubmit());
        QCOMPARE(submitSpy.count(), 1);
        vm.setCode(QStringLiteral("24681"));
        QVERIFY(!vm.canSubmit());
        QCOMPARE(submitSpy.count(), 2);
        QCOMPARE(sendSpy.count(), 1);
    }

    // --- code request

    void sendCodeWithoutConsentOnlyChangesTheHint() {
        TestPlatform platform;
        AppSession session;
        LoginViewModel vm;
        vm.setSession(&session);
        vm.setPhone(validPhone);
        QCOMPARE(vm.tip(), LoginViewModel::firstTip);
        QSignalSpy sendingSpy(&vm, &LoginViewModel::sendingChanged);

        Await::result(vm.requestCode());

        QCOMPARE(vm.tip(), QStringLiteral("请先阅读并同意用户协议与隐私政策"));
        QCOMPARE(platform.transport->requests.size(), 0);
        QCOMPARE(sendingSpy.count(), 0);
        QVERIFY(!vm.alertVisible());
        QVERIFY(vm.canSendCode());
    }

    void sendCodeSuccess_data() {
        QTest::addColumn<qint64>("expiresIn");
        QTest::addColumn<qint64>("resendAfter");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<int>("countdown");
        QTest::addColumn<QString>("label");

        QTest::newRow("5 minutes, 60 s")
            << qint64(300) << qint64(60) << "验证码已发送，5 分钟内有效" << 60 << "60s";
        QTest::newRow("fraction dropped")
            << qint64(90) << qint64(59) << "验证码已发送，1 分钟内有效" << 59 << "59s";
        QTest::newRow("under a minute")
            << qint64(59) << qint64(1) << "验证码已发送，0 分钟内有效" << 1 << "1s";
        QTest::newRow("resend at once")
            << qint64(300) << qint64(0) << "验证码已发送，5 分钟内有效" << 0 << "获取验证码";
        // A negative wait must not lock the button for good.
        QTest::newRow("negative wait counts as none")
            << qint64(300) << qint64(-5) << "验证码已发送，5 分钟内有效" << 0 << "获取验证码";
    }
    void sendCodeSuccess() {
        QFETCH(qint64, expiresIn);
        QFETCH(qint64, resendAfter);
        QFETCH(QString, tip);
        QFETCH(int, countdown);
        QFETCH(QString, label);

        TestPlatform platform;
        platform.transport->on("POST", codePath,
                               FakeTransport::Reply::json(200, codeAnswer(expiresIn, resendAfter)));
        AppSession session;
        LoginViewModel vm;
        prepare(vm, session);
        vm.setTickInterval(60000); // no tick during the test

        Await::result(vm.requestCode());

        QCOMPARE(vm.resendAfter(), countdown);
        QCOMPARE(vm.tip(), tip);
        QCOMPARE(vm.sendCodeLabel(), label);
        QCOMPARE(vm.canSendCode(), countdown == 0);
        QCOMPARE(vm.focus(), LoginViewModel::Code);
        QVERIFY(!vm.sending());
        QVERIFY(!vm.alertVisible());

        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &request = platform.transport->requests.first();
        QCOMPARE(request.url.toString(), TestPlatform::apiBase + codePath);
        QCOMPARE(bodyOf(request).value("phone").toString(), validPhone);
    }

    void whileSendingTheButtonIsDisabled() {
        TestPlatform platform;
        platform.transport->on("POST", codePath,
                               FakeTransport::Reply::json(200, codeAnswer(300, 60)).after(30));
        AppSession session;
        LoginViewModel vm;
        prepare(vm, session);
        QStringList labels;
        connect(&vm, &LoginViewModel::sendCodeLabelChanged, this, [&] { labels << vm.sendCodeLabel(); });

        vm.sendCode();
        QVERIFY(vm.sending());
        QVERIFY(!vm.canSendCode());
        QCOMPARE(vm.sendCodeLabel(), QStringLiteral("发送中"));
        QTRY_VERIFY(!vm.sending());
        QCOMPARE(labels, QStringList({QStringLiteral("发送中"), QStringLiteral("60s")}));
    }

    void sendCodeFailure_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<QString>("message");

        QTest::newRow("server message")
            << FakeTransport::Reply::json(429, R"({"code":"too_many","message":"发送过于频繁"})")
            << "发送过于频繁";
        QTest::newRow("status without message")
            << FakeTransport::Reply::json(500, "<html/>") << "请求失败（500）";
        QTest::newRow("undecodable answer")
            << FakeTransport::Reply::json(200, R"({"expires_in":"300"})") << "响应格式不正确";
        QTest::newRow("no HTTP answer") << FakeTransport::Reply::json(-1, "") << "无响应";
        QTest::newRow("no connection")
            << FakeTransport::Reply::error(TransportError::Kind::NoConnection)
            << TransportError::fromKind(TransportError::Kind::NoConnection).message();
    }
    void sendCodeFailure() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(QString, message);

        TestPlatform platform;
        platform.transport->on("POST", codePath, reply);
        AppSession session;
        LoginViewModel vm;
        prepare(vm, session);
        QSignalSpy alertSpy(&vm, &LoginViewModel::messageChanged);

        Await::result(vm.requestCode());

        QVERIFY(vm.alertVisible());
        QCOMPARE(vm.message(), message);
        QCOMPARE(alertSpy.count(), 1);
        QVERIFY(!vm.sending());
        QVERIFY(vm.canSendCode()); // usable again at once
        QCOMPARE(vm.tip(), LoginViewModel::firstTip);
        QCOMPARE(vm.resendAfter(), 0);
        QCOMPARE(vm.focus(), LoginViewModel::NoField);

        vm.dismissMessage();
        QVERIFY(!vm.alertVisible());
        QCOMPARE(vm.message(), QString());
        QCOMPARE(alertSpy.count(), 2);
    }

    // The label counts down once per tick to 1s, then offers a new code; the countdown then rests.
    void countdownRunsToZero() {
        TestPlatform platform;
        platform.transport->on("POST", codePath, FakeTransport::Reply::json(200, codeAnswer(300, 3)));
        AppSession session;
        LoginViewModel vm;
        prepare(vm, session);
        vm.setTickInterval(10);
        QStringList labels;
        connect(&vm, &LoginViewModel::sendCodeLabelChanged, this, [&] { labels << vm.sendCodeLabel(); });

        Await::result(vm.requestCode());
        QTRY_COMPARE(vm.resendAfter(), 0);
        QCOMPARE(labels, QStringList({QStringLiteral("发送中"), QStringLiteral("3s"), QStringLiteral("2s"),
                                      QStringLiteral("1s"), QStringLiteral("获取验证码")}));
        QVERIFY(vm.canSendCode());

        QSignalSpy countdownSpy(&vm, &LoginViewModel::resendAfterChanged);
        QTest::qWait(50);
        vm.tick(); // a tick at zero changes nothing
        QCOMPARE(vm.resendAfter(), 0);
        QCOMPARE(countdownSpy.count(), 0);
    }

    // --- sign-in

    void loginStoresTheGrant_data() {
        QTest::addColumn<bool>("withRefresh");
        QTest::addColumn<bool>("closable");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QString>("refreshToken");

        const QStringList full{"accessToken", "userId", "status", "refreshToken", "accessExpiresAt"};
        QTest::newRow("with refresh token, closable") << true << true << full << "rt-new";
        QTest::newRow("without close action") << true << false << full << "rt-new";
        // A grant without a refresh token leaves the stored one alone.
        QTest::newRow("without refresh token")
            << false << true << QStringList{"accessToken", "userId", "status", "accessExpiresAt"} << "rt-old";
    }
    void loginStoresTheGrant() {
        QFETCH(bool, withRefresh);
        QFETCH(bool, closable);
        QFETCH(QStringList, order);
        QFETCH(QString, refreshToken);

        TestPlatform platform;
        platform.transport->on("POST", loginPath, FakeTransport::Reply::json(200, grantBody(withRefresh)));
        AppSession session;
        session.setRefreshToken(QStringLiteral("rt-old"));
        LoginViewModel vm;
        prepare(vm, session, QStringLiteral("246810"));
        vm.setClosable(closable);

        QStringList stored;
        connect(&session, &AppSession::accessTokenChanged, this, [&] { stored << "accessToken"; });
        connect(&session, &AppSession::userIdChanged, this, [&] { stored << "userId"; });
        connect(&session, &AppSession::statusChanged, this, [&] { stored << "status"; });
        connect(&session, &AppSession::refreshTokenChanged, this, [&] { stored << "refreshToken"; });
        connect(&session, &AppSession::accessExpiresAtChanged, this, [&] { stored << "accessExpiresAt"; });
        // The close action runs after the grant is stored and before the button is usable again.
        bool closedSignedIn = false;
        bool closedWhileBusy = false;
        QSignalSpy closeSpy(&vm, &LoginViewModel::closeRequested);
        connect(&vm, &LoginViewModel::closeRequested, this, [&] {
            closedSignedIn = session.isLoggedIn();
            closedWhileBusy = vm.busy();
        });
        QSignalSpy busySpy(&vm, &LoginViewModel::busyChanged);

        Await::result(vm.signIn());

        QCOMPARE(stored, order);
        QCOMPARE(session.accessToken(), std::optional<QString>(QStringLiteral("at-new")));
        QCOMPARE(session.userId(), std::optional<qint64>(42));
        QCOMPARE(session.status(), std::optional<QString>(QStringLiteral("PendingProfile")));
        QCOMPARE(session.refreshToken(), std::optional<QString>(refreshToken));
        QCOMPARE(session.accessExpiresAt(), std::optional<QDateTime>(platform.clock->now().addSecs(3600)));
        QCOMPARE(closeSpy.count(), closable ? 1 : 0);
        if (closable) {
            QVERIFY(closedSignedIn);
            QVERIFY(closedWhileBusy);
        }
        QVERIFY(!vm.busy());
        QCOMPARE(busySpy.count(), 2);

        QCOMPARE(platform.transport->requests.size(), 1);
        const QJsonObject body = bodyOf(platform.transport->requests.first());
        QCOMPARE(body.value("phone").toString(), validPhone);
        QCOMPARE(body.value("code").toString(), QStringLiteral("246810"));
        QCOMPARE(body.value("device_id").toString(), session.deviceId());
    }

    void whileSigningInBothButtonsAreDisabled() {
        TestPlatform platform;
        platform.transport->on("POST", loginPath, FakeTransport::Reply::json(200, grantBody()).after(30));
        AppSession session;
        LoginViewModel vm;
        prepare(vm, session, QStringLiteral("246810"));

        vm.login();
        QVERIFY(vm.busy());
        QVERIFY(!vm.canSubmit());
        QVERIFY(!vm.canSendCode());
        QTRY_VERIFY(!vm.busy());
        QVERIFY(session.isLoggedIn());
    }

    void loginFailure_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<QString>("message");

        QTest::newRow("wrong code") << FakeTransport::Reply::json(
                                           400, R"({"code":"invalid_code","message":"验证码错误"})")
                                    << "验证码错误";
        QTest::newRow("empty server message") << FakeTransport::Reply::json(400, R"({"message":""})") << "";
        QTest::newRow("grant without token")
            << FakeTransport::Reply::json(200, R"({"user_id":1})") << "响应格式不正确";
        QTest::newRow("timed out") << FakeTransport::Reply::error(TransportError::Kind::TimedOut)
                                   << TransportError::fromKind(TransportError::Kind::TimedOut).message();
    }
    void loginFailure() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(QString, message);

        TestPlatform platform;
        platform.transport->on("POST", loginPath, reply);
        AppSession session;
        LoginViewModel vm;
        prepare(vm, session, QStringLiteral("246810"));
        vm.setClosable(true);
        QSignalSpy closeSpy(&vm, &LoginViewModel::closeRequested);
        QSignalSpy tokenSpy(&session, &AppSession::accessTokenChanged);

        Await::result(vm.signIn());

        QVERIFY(vm.alertVisible()); // shown even when the server's message is empty
        QCOMPARE(vm.message(), message);
        QVERIFY(!vm.busy());
        QCOMPARE(closeSpy.count(), 0);
        QCOMPARE(tokenSpy.count(), 0);
        QVERIFY(!session.isLoggedIn());
        // The input stays for another attempt.
        QCOMPARE(vm.phone(), validPhone);
        QCOMPARE(vm.code(), QStringLiteral("246810"));
        QVERIFY(vm.agreed());
        vm.dismissMessage();
        QVERIFY(vm.canSubmit());
    }

    // The screen may close while the sign-in is on its way; the grant still reaches the session.
    void signInFinishingAfterTheScreenIsGoneStoresTheGrant() {
        TestPlatform platform;
        platform.transport->on("POST", loginPath, FakeTransport::Reply::json(200, grantBody()).after(20));
        AppSession session;
        QPointer<LoginViewModel> vm = new LoginViewModel;
        prepare(*vm, session, QStringLiteral("246810"));
        vm->setClosable(true);

        vm->login();
        delete vm;
        QTRY_VERIFY(session.isLoggedIn());
        QCOMPARE(session.userId(), std::optional<qint64>(42));
        QCOMPARE(session.refreshToken(), std::optional<QString>(QStringLiteral("rt-new")));
    }

    // Neither the screen nor a session that went away is touched when answers arrive late.
    void lateAnswersWithEverythingGone() {
        TestPlatform platform;
        platform.transport->on("POST", loginPath, FakeTransport::Reply::json(200, grantBody()).after(20));
        platform.transport->on("POST", codePath, FakeTransport::Reply::json(500, "").after(20));
        auto *session = new AppSession;
        auto *vm = new LoginViewModel;
        prepare(*vm, *session, QStringLiteral("246810"));

        vm->sendCode();
        vm->login();
        delete vm;
        delete session;
        QTest::qWait(80); // both answers arrive and find nothing to update
        QCOMPARE(platform.transport->requests.size(), 2);
    }

    // --- focus and header

    void focusShrinksTheHeader() {
        LoginViewModel vm;
        QSignalSpy headerSpy(&vm, &LoginViewModel::headerCompactChanged);
        QCOMPARE(vm.logoSize(), 92);
        QVERIFY(vm.taglineVisible());
        QCOMPARE(vm.topSpacing(), 56);

        vm.setFieldFocused(LoginViewModel::Phone, true);
        QCOMPARE(vm.focus(), LoginViewModel::Phone);
        QCOMPARE(vm.logoSize(), 60);
        QVERIFY(!vm.taglineVisible());
        QCOMPARE(vm.topSpacing(), 16);
        QCOMPARE(headerSpy.count(), 1);

        // Focus moving between the fields: the phone field's loss arrives after the code field's gain.
        vm.setFieldFocused(LoginViewModel::Code, true);
        vm.setFieldFocused(LoginViewModel::Phone, false);
        QCOMPARE(vm.focus(), LoginViewModel::Code);
        QCOMPARE(headerSpy.count(), 1);

        vm.setFieldFocused(LoginViewModel::Code, false);
        QCOMPARE(vm.focus(), LoginViewModel::NoField);
        QCOMPARE(vm.logoSize(), 92);
        QVERIFY(vm.taglineVisible());
        QCOMPARE(vm.topSpacing(), 56);
        QCOMPARE(headerSpy.count(), 2);
    }

    // --- the rest of the screen

    void closeOnlyWhenClosable() {
        LoginViewModel vm;
        QSignalSpy closeSpy(&vm, &LoginViewModel::closeRequested);
        vm.close();
        QCOMPARE(closeSpy.count(), 0);
        vm.setClosable(true);
        vm.close();
        QCOMPARE(closeSpy.count(), 1);
    }

    void consentLinksOnlyTheTitles() {
        LoginViewModel vm;
        const QString markup = vm.consentText();
        QStringList links;
        static const QRegularExpression href(QStringLiteral("<a href=\"([^\"]*)\"[^>]*>([^<]*)</a>"));
        for (auto it = href.globalMatch(markup); it.hasNext();) {
            const auto match = it.next();
            links << match.captured(1) + u' ' + match.captured(2);
        }
        QCOMPARE(links, QStringList({Brand::userTermsURL().toString() + QStringLiteral(" 《用户协议》"),
                                     Brand::privacyPolicyURL().toString() + QStringLiteral(" 《隐私政策》"),
                                     Brand::childrenPrivacyURL().toString() +
                                         QStringLiteral(" 《儿童个人信息保护规则》")}));
        QString visible = markup;
        visible.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        QCOMPARE(visible,
                 QStringLiteral("我已阅读并同意 《用户协议》、《隐私政策》 和 《儿童个人信息保护规则》"));
    }

    void initialState() {
        LoginViewModel vm;
        QCOMPARE(vm.phone(), QString());
        QCOMPARE(vm.code(), QString());
        QVERIFY(!vm.agreed());
        QCOMPARE(vm.resendAfter(), 0);
        QVERIFY(!vm.busy());
        QVERIFY(!vm.sending());
        QCOMPARE(vm.tip(), QStringLiteral("未注册的手机号验证后自动创建账号"));
        QVERIFY(!vm.alertVisible());
        QCOMPARE(vm.focus(), LoginViewModel::NoField);
        QCOMPARE(vm.sendCodeLabel(), QStringLiteral("获取验证码"));
        QVERIFY(!vm.closable());
    }
};

QTEST_MAIN(TestLoginViewModel)
#include "tst_loginviewmodel.moc"
