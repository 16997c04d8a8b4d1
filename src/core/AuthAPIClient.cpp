#include "AuthAPIClient.h"

SendCodeResponse SendCodeResponse::fromJson(const JsonReader &json) {
    return {json.int64(QStringLiteral("expiresIn")), json.int64(QStringLiteral("resendAfter"))};
}

LoginResponse LoginResponse::fromJson(const JsonReader &json) {
    LoginResponse grant;
    grant.accessToken = json.string(QStringLiteral("accessToken"));
    grant.tokenType = json.string(QStringLiteral("tokenType"));
    grant.expiresIn = json.int64(QStringLiteral("expiresIn"));
    grant.userId = json.int64(QStringLiteral("userId"));
    grant.status = json.string(QStringLiteral("status"));
    grant.refreshToken = json.optString(QStringLiteral("refreshToken"));
    grant.refreshExpiresIn = json.optInt64(QStringLiteral("refreshExpiresIn"));
    return grant;
}

MeResponse MeResponse::fromJson(const JsonReader &json) {
    return {json.int64(QStringLiteral("userId")), json.int64(QStringLiteral("tenantId")),
            json.string(QStringLiteral("status")), json.optString(QStringLiteral("birthYearMonth"))};
}

ProfileResponse ProfileResponse::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("status")), json.optString(QStringLiteral("ageBand"))};
}

QCoro::Task<SendCodeResponse> AuthAPIClient::sendCode(QString phone, const AppSession &session) const {
    const QJsonObject body{{QStringLiteral("phone"), phone},
                           {QStringLiteral("scene"), QStringLiteral("login")},
                           {QStringLiteral("captcha_token"), captchaPlaceholder}};
    return postJSON<SendCodeResponse>(QStringLiteral("/api/v1/sms/code"), body, std::nullopt, session);
}

QCoro::Task<LoginResponse> AuthAPIClient::login(QString phone, QString code,
                                                const AppSession &session) const {
    const QJsonObject body{{QStringLiteral("phone"), phone},
                           {QStringLiteral("code"), code},
                           {QStringLiteral("device_id"), session.deviceId()}};
    return postJSON<LoginResponse>(QStringLiteral("/api/v1/auth/login"), body, std::nullopt, session);
}

QCoro::Task<LoginResponse> AuthAPIClient::refresh(QString refreshToken, const AppSession &session) const {
    const QJsonObject body{{QStringLiteral("refresh_token"), refreshToken}};
    return postJSON<LoginResponse>(QStringLiteral("/api/v1/auth/refresh"), body, std::nullopt, session);
}

QCoro::Task<void> AuthAPIClient::logout(QString refreshToken, QUrl baseURL) const {
    const QJsonObject body{{QStringLiteral("refresh_token"), refreshToken}};
    const ApiClient api = client(baseURL);
    co_await api.data(api.request("POST", QStringLiteral("/api/v1/auth/logout"), body));
}
