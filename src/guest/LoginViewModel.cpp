#include "LoginViewModel.h"

#include "Brand.h"
#include "ErrorText.h"
#include "Theme.h"

#include <QRegularExpression>

#include <algorithm>
#include <climits>

LoginViewModel::LoginViewModel(QObject *parent) : ScreenViewModel(parent) {
    m_countdown.setInterval(1000);
    m_countdown.setTimerType(Qt::PreciseTimer);
    connect(&m_countdown, &QTimer::timeout, this, &LoginViewModel::tick);
    m_canSubmit = canSubmit();
    m_canSendCode = canSendCode();
    m_sendCodeLabel = sendCodeLabel();
}

LoginViewModel::~LoginViewModel() = default;

QString LoginViewModel::digitsOnly(const QString &text, int limit) {
    QString digits;
    for (const QChar c : text) {
        if (digits.size() >= limit)
            break;
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            digits.append(c);
        else if (u >= u'\uFF10' && u <= u'\uFF19') // full-width ０ to ９
            digits.append(QChar(u'0' + (u - u'\uFF10')));
    }
    return digits;
}

bool LoginViewModel::isValidPhone(const QString &phone) {
    static const QRegularExpression pattern(QStringLiteral("^1[3-9][0-9]{9}$"));
    return pattern.match(phone).hasMatch();
}

void LoginViewModel::setClosable(bool closable) {
    if (m_closable == closable)
        return;
    m_closable = closable;
    Q_EMIT closableChanged();
}

void LoginViewModel::setPhone(const QString &text) {
    const QString filtered = digitsOnly(text, phoneLimit);
    if (filtered == m_phone && filtered == text)
        return;
    m_phone = filtered;
    Q_EMIT phoneChanged();
    updateDerived();
}

void LoginViewModel::setCode(const QString &text) {
    const QString filtered = digitsOnly(text, codeLimit);
    if (filtered == m_code && filtered == text)
        return;
    m_code = filtered;
    Q_EMIT codeChanged();
    updateDerived();
}

void LoginViewModel::setAgreed(bool agreed) {
    if (m_agreed == agreed)
        return;
    m_agreed = agreed;
    Q_EMIT agreedChanged();
    updateDerived();
}

void LoginViewModel::setResendAfter(qint64 seconds) {
    // A negative wait from the server would otherwise block the send button for good.
    const int value = int(std::clamp<qint64>(seconds, 0, INT_MAX));
    if (value > 0 && !m_countdown.isActive())
        m_countdown.start();
    else if (value == 0)
        m_countdown.stop();
    if (m_resendAfter == value)
        return;
    m_resendAfter = value;
    Q_EMIT resendAfterChanged();
    updateDerived();
}

void LoginViewModel::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged();
    updateDerived();
}

void LoginViewModel::setSending(bool sending) {
    if (m_sending == sending)
        return;
    m_sending = sending;
    Q_EMIT sendingChanged();
    updateDerived();
}

void LoginViewModel::setTip(const QString &tip) {
    if (m_tip == tip)
        return;
    m_tip = tip;
    Q_EMIT tipChanged();
}

void LoginViewModel::setFocus(Field field) {
    if (m_focus == field)
        return;
    const bool wasCompact = headerCompact();
    m_focus = field;
    Q_EMIT focusChanged();
    if (headerCompact() != wasCompact)
        Q_EMIT headerCompactChanged();
}

void LoginViewModel::setFieldFocused(Field field, bool focused) {
    if (focused)
        setFocus(field);
    else if (m_focus == field)
        setFocus(NoField);
}

bool LoginViewModel::submitAllowed(bool busy, bool agreed, const QString &phone, const QString &code) {
    return !busy && agreed && isValidPhone(phone) && code.size() == codeLimit;
}

bool LoginViewModel::sendCodeAllowed(bool sending, bool busy, int resendAfter, const QString &phone) {
    return !sending && !busy && resendAfter == 0 && isValidPhone(phone);
}

bool LoginViewModel::canSubmit() const {
    return submitAllowed(m_busy, m_agreed, m_phone, m_code);
}

bool LoginViewModel::canSendCode() const {
    return sendCodeAllowed(m_sending, m_busy, m_resendAfter, m_phone);
}

QString LoginViewModel::sendCodeLabel() const {
    if (m_sending)
        return QStringLiteral("发送中");
    if (m_resendAfter > 0)
        return QString::number(m_resendAfter) + QLatin1Char('s');
    return QStringLiteral("获取验证码");
}

QString LoginViewModel::consentText() const {
    // Only the titles are links, in the brand's accent and without underline; the surrounding words take the
    // text's own colour.
    const QString linkStyle = QStringLiteral("color:%1; text-decoration:none").arg(Theme::brandTeal().name());
    const auto link = [&linkStyle](const QUrl &url, const QString &title) {
        return QStringLiteral("<a href=\"%1\" style=\"%2\">%3</a>")
            .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(), linkStyle, title);
    };
    return QStringLiteral("我已阅读并同意 ") + link(Brand::userTermsURL(), QStringLiteral("《用户协议》")) +
           QStringLiteral("、") + link(Brand::privacyPolicyURL(), QStringLiteral("《隐私政策》")) +
           QStringLiteral(" 和 ") +
           link(Brand::childrenPrivacyURL(), QStringLiteral("《儿童个人信息保护规则》"));
}

void LoginViewModel::updateDerived() {
    if (const bool value = canSubmit(); value != m_canSubmit) {
        m_canSubmit = value;
        Q_EMIT canSubmitChanged();
    }
    if (const bool value = canSendCode(); value != m_canSendCode) {
        m_canSendCode = value;
        Q_EMIT canSendCodeChanged();
    }
    if (const QString value = sendCodeLabel(); value != m_sendCodeLabel) {
        m_sendCodeLabel = value;
        Q_EMIT sendCodeLabelChanged();
    }
}

void LoginViewModel::tick() {
    if (m_resendAfter > 0)
        setResendAfter(m_resendAfter - 1);
}

void LoginViewModel::sendCode() {
    // Runs to its end on its own; the button's disabled state is the only guard against a second start.
    requestCode();
}

void LoginViewModel::login() {
    signIn();
}

bool LoginViewModel::submitFromKeyboard() {
    if (!canSubmit())
        return false;
    login();
    return true;
}

void LoginViewModel::close() {
    if (m_closable)
        Q_EMIT closeRequested();
}

QCoro::Task<> LoginViewModel::requestCode() {
    if (!m_agreed) {
        setTip(consentTip);
        co_return;
    }
    if (!session()) {
        qWarning("LoginViewModel: no session to request a code with");
        co_return;
    }
    const Appearance self = appearance();
    const AuthAPIClient client = m_client;
    setSending(true);
    std::exception_ptr failure;
    try {
        const SendCodeResponse answer = co_await client.sendCode(m_phone, *session());
        if (!self.alive())
            co_return;
        setResendAfter(answer.resendAfter);
        setTip(QStringLiteral("验证码已发送，") + QString::number(answer.expiresIn / 60) +
               QStringLiteral(" 分钟内有效"));
        setFocus(Code);
        setSending(false);
        co_return;
    } catch (...) {
        // Never a platform's English text; a cancelled request shows nothing.
        failure = std::current_exception();
    }
    if (!self.alive())
        co_return;
    setMessage(errorText(failure));
    setSending(false);
}

QCoro::Task<> LoginViewModel::signIn() {
    if (!session()) {
        qWarning("LoginViewModel: no session to sign in to");
        co_return;
    }
    const Appearance self = appearance();
    // The session outlives the screen: a grant that arrives after the screen closed is still stored.
    QPointer<AppSession> session(this->session());
    const AuthAPIClient client = m_client;
    setBusy(true);
    std::exception_ptr failure;
    try {
        const LoginResponse grant = co_await client.login(m_phone, m_code, *this->session());
        if (session)
            session->storeGrant(grant);
        if (!self.alive())
            co_return;
        close();
        if (self.alive())
            setBusy(false);
        co_return;
    } catch (...) {
        // Never a platform's English text; a cancelled request shows nothing.
        failure = std::current_exception();
    }
    if (!self.alive())
        co_return;
    setMessage(errorText(failure));
    setBusy(false);
}
