#pragma once

#include "ApiError.h"
#include "Platform.h"

#include <QCoro/QCoroTask>

#include "AppSession.h"

struct SendCodeResponse {
    qint64 expiresIn = 0;
    qint64 resendAfter = 0; // seconds until another code may be requested

    static SendCodeResponse fromJson(const JsonReader &json);
};

// The token grant of a sign-in and of a renewal.
struct LoginResponse {
    QString accessToken;
    QString tokenType;
    qint64 expiresIn = 0; // seconds until the access token expires
    qint64 userId = 0;
    QString status;
    std::optional<QString> refreshToken;
    std::optional<qint64> refreshExpiresIn;

    static LoginResponse fromJson(const JsonReader &json);
};

struct MeResponse {
    qint64 userId = 0;
    qint64 tenantId = 0;
    QString status;
    std::optional<QString> birthYearMonth;

    static MeResponse fromJson(const JsonReader &json);
};

struct ProfileResponse {
    QString status;
    QString ageBand;

    static ProfileResponse fromJson(const JsonReader &json);
};

// The account endpoints. Its calls go straight to the shared transport, never through the session's signed-in
// sender, so a 401 here is never answered by a renewal. Holds nothing but its decoding rule.
class AuthAPIClient {
public:
    JsonKeys decoder = JsonKeys::FromSnakeCase;

    QCoro::Task<SendCodeResponse> sendCode(QString phone, const AppSession &session) const;
    QCoro::Task<LoginResponse> login(QString phone, QString code, const AppSession &session) const;
    QCoro::Task<LoginResponse> refresh(QString refreshToken, const AppSession &session) const;
    // Returns once any answer arrives; only a transport failure is thrown.
    QCoro::Task<void> logout(QString refreshToken, QUrl baseURL) const;

    template <typename Model>
    QCoro::Task<Model> postJSON(QString path, QJsonObject body, std::optional<QString> accessToken,
                                const AppSession &session) const {
        return send<Model>(
            Api::jsonRequest("POST", Api::appendPath(baseURLOf(session), path), accessToken, body));
    }

    // Sends a prepared request and applies the response check.
    template <typename Model>
    QCoro::Task<Model> send(HttpRequest request) const {
        const JsonKeys keys = decoder;
        const HttpResponse response = co_await Platform::transport().send(std::move(request));
        co_return Api::decode<Model>(response, keys);
    }

    // The fixed captcha placeholder agreed with the server for the SMS-code request.
    static inline const QString captchaPlaceholder = QStringLiteral("ok");

private:
    static QUrl baseURLOf(const AppSession &session);
};
