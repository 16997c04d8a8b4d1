#pragma once

#include "AuthAPIClient.h"
#include "ScreenViewModel.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// The sign-in screen's state and actions: the mobile number and SMS code as typed (digits only), the consent
// box, the code request with its resend countdown, the sign-in that stores the token grant in the session,
// the hint line and the error alert. LoginView.qml only lays it out.
//
// The session is handed in by the view (the app's one session; never made here). Requests are not
// cancelled when the screen goes away: a sign-in that completes afterwards still stores its grant in the
// session, which outlives every screen.
class LoginViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool closable READ closable WRITE setClosable NOTIFY closableChanged)
    Q_PROPERTY(QString phone READ phone WRITE setPhone NOTIFY phoneChanged)
    Q_PROPERTY(QString code READ code WRITE setCode NOTIFY codeChanged)
    Q_PROPERTY(bool agreed READ agreed WRITE setAgreed NOTIFY agreedChanged)
    Q_PROPERTY(int resendAfter READ resendAfter NOTIFY resendAfterChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(bool sending READ sending NOTIFY sendingChanged)
    Q_PROPERTY(QString tip READ tip NOTIFY tipChanged)
    Q_PROPERTY(Field focus READ focus WRITE setFocus NOTIFY focusChanged)
    Q_PROPERTY(bool canSubmit READ canSubmit NOTIFY canSubmitChanged)
    Q_PROPERTY(bool canSendCode READ canSendCode NOTIFY canSendCodeChanged)
    Q_PROPERTY(QString sendCodeLabel READ sendCodeLabel NOTIFY sendCodeLabelChanged)
    Q_PROPERTY(QString consentText READ consentText CONSTANT)
    // The header shrinks while a field has focus.
    Q_PROPERTY(bool headerCompact READ headerCompact NOTIFY headerCompactChanged)
    Q_PROPERTY(int logoSize READ logoSize NOTIFY headerCompactChanged)
    Q_PROPERTY(bool taglineVisible READ taglineVisible NOTIFY headerCompactChanged)
    Q_PROPERTY(int topSpacing READ topSpacing NOTIFY headerCompactChanged)
    Q_PROPERTY(QString alertTitle READ alertTitle CONSTANT)
    Q_PROPERTY(QString alertButton READ alertButton CONSTANT)

public:
    enum Field { NoField, Phone, Code };
    Q_ENUM(Field)

    static constexpr int phoneLimit = 11;
    static constexpr int codeLimit = 6;
    static inline const QString firstTip = QStringLiteral("未注册的手机号验证后自动创建账号");
    static inline const QString consentTip = QStringLiteral("请先阅读并同意用户协议与隐私政策");

    explicit LoginViewModel(QObject *parent = nullptr);
    ~LoginViewModel() override;

    // The characters of `text` that are digits, as ASCII digits, cut to `limit`. Full-width digits (what a
    // Chinese input method types) become their ASCII digit, so the number stays valid; other numerals
    // (Arabic-Indic, circled, Roman, ...) are dropped, since no mobile number is written with them.
    Q_INVOKABLE static QString digitsOnly(const QString &text, int limit);
    static bool isValidPhone(const QString &phone);
    // The two buttons' conditions, from the state they depend on.
    static bool submitAllowed(bool busy, bool agreed, const QString &phone, const QString &code);
    static bool sendCodeAllowed(bool sending, bool busy, int resendAfter, const QString &phone);

    bool closable() const { return m_closable; }
    void setClosable(bool closable);

    QString phone() const { return m_phone; }
    QString code() const { return m_code; }
    // Store the filtered text. When filtering changed what was typed, the change signal fires even if the
    // stored value stayed the same, so a field bound to the property shows the filtered text again.
    void setPhone(const QString &text);
    void setCode(const QString &text);
    bool agreed() const { return m_agreed; }
    void setAgreed(bool agreed);
    Q_INVOKABLE void toggleAgreed() { setAgreed(!m_agreed); }

    int resendAfter() const { return m_resendAfter; }
    bool busy() const { return m_busy; }
    bool sending() const { return m_sending; }
    QString tip() const { return m_tip; }

    Field focus() const { return m_focus; }
    void setFocus(Field field);
    // A field reports its keyboard focus; losing it clears the focus only if that field held it.
    Q_INVOKABLE void setFieldFocused(Field field, bool focused);

    bool canSubmit() const;
    bool canSendCode() const;
    QString sendCodeLabel() const;
    QString consentText() const;
    bool headerCompact() const { return m_focus != NoField; }
    int logoSize() const { return headerCompact() ? 60 : 92; }
    bool taglineVisible() const { return !headerCompact(); }
    int topSpacing() const { return headerCompact() ? 16 : 56; }
    QString alertTitle() const { return QStringLiteral("提示"); }
    QString alertButton() const { return QStringLiteral("好"); }

    // The buttons' actions: each starts its request and returns at once.
    Q_INVOKABLE void sendCode();
    Q_INVOKABLE void login();
    // Return in the code field: signs in when the button could, otherwise does nothing. True when it started.
    Q_INVOKABLE bool submitFromKeyboard();
    // The close button; also what a successful sign-in does when the screen is closable.
    Q_INVOKABLE void close();

    // The requests themselves, for callers that wait for the outcome.
    QCoro::Task<> requestCode();
    QCoro::Task<> signIn();

    // One second of the resend countdown.
    void tick();
    // The countdown's period; tests shorten it.
    void setTickInterval(int milliseconds) { m_countdown.setInterval(milliseconds); }

Q_SIGNALS:
    void closableChanged();
    void phoneChanged();
    void codeChanged();
    void agreedChanged();
    void resendAfterChanged();
    void busyChanged();
    void sendingChanged();
    void tipChanged();
    void focusChanged();
    void canSubmitChanged();
    void canSendCodeChanged();
    void sendCodeLabelChanged();
    void headerCompactChanged();
    // Emitted only when closable: by the close button and after a successful sign-in.
    void closeRequested();

private:
    void setResendAfter(qint64 seconds);
    void setBusy(bool busy);
    void setSending(bool sending);
    void setTip(const QString &tip);
    // Emits the change signals of the derived properties whose value moved.
    void updateDerived();

    bool m_closable = false;
    QString m_phone;
    QString m_code;
    int m_resendAfter = 0;
    bool m_busy = false;
    bool m_sending = false;
    bool m_agreed = false;
    QString m_tip = firstTip;
    Field m_focus = NoField;
    AuthAPIClient m_client; // snake_case keys, its default

    QTimer m_countdown;
    bool m_canSubmit = false;
    bool m_canSendCode = false;
    QString m_sendCodeLabel;
};
