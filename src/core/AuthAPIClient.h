#pragma once

#include "ApiClient.h"
#include "AppSession.h"

#include <QCoro/QCoroTask>

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

// The answer to the birth month. Only the status is used; a server that leaves out the age band has still
// stored the month, which cannot be sent again, so its absence must not turn the answer into a failure.
struct ProfileResponse {
    QString status;
    std::optional<QString> ageBand;

    static ProfileResponse fromJson(const JsonReader &json);
};

// The account endpoints. Its calls go straight to the shared transport, never through the session's signed-in
// sender, so a 401 here is never answered by a renewal. Every request carries "Content-Type", body or not.
// Holds nothing but its decoding rule.
class AuthAPIClient {
public:
    JsonKeys decoder = JsonKeys::FromSnakeCase;

    QCoro::Task<SendCodeResponse> sendCode(QString phone, const AppSession &session) const;
    QCoro::Task<LoginResponse> login(QString phone, QString code, const AppSession &session) const;
    QCoro::Task<LoginResponse> refresh(QString refreshToken, const AppSession &session) const;
    // Returns once any answer arrives; only a transport failure is thrown.
    QCoro::Task<void> logout(QString refreshToken, QUrl baseURL) const;

    // A POST to the session's API base with the given token (none: no Authorization header).
    template <typename Model>
    QCoro::Task<Model> postJSON(QString path, QJsonObject body, std::optional<QString> accessToken,
                                const AppSession &session) const {
        const ApiClient api = client(session.baseURL()).withToken(std::move(accessToken));
        return api.send<Model>(api.request("POST", path, body));
    }

    // A PUT to the session's API base with the given token, sent straight over the transport like every call
    // here (a 401 is not renewed).
    template <typename Model>
    QCoro::Task<Model> putJSON(QString path, QJsonObject body, std::optional<QString> accessToken,
                               const AppSession &session) const {
        const ApiClient api = client(session.baseURL()).withToken(std::move(accessToken));
        return api.send<Model>(api.request("PUT", path, body));
    }

    // A request prepared by the caller, sent straight over the transport like every call here (a 401 is not
    // renewed), its answer checked and decoded with this client's key rule.
    template <typename Model>
    QCoro::Task<Model> send(HttpRequest request) const {
        return client(QUrl()).send<Model>(std::move(request));
    }

    // The fixed captcha placeholder agreed with the server for the SMS-code request.
    static inline const QString captchaPlaceholder = QStringLiteral("ok");

private:
    ApiClient client(const QUrl &base) const {
        return ApiClient(base, {ApiClient::Base::Api, ApiClient::Auth::Bearer, true, true, decoder});
    }
};
