#pragma once

#include "ApiClient.h"
#include "ApiError.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "OnboardingModels.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>

#include <optional>

// The onboarding questionnaire and the learning profile on the server: the overview and its step writes, the
// profile read and write; the birth month of the gate; the youth-mode usage reports. A small value holding
// only its decoding rule; a caller may make one per request.
//
// Requests: the session's API base with the path appended, 60 s, the caller's method. "Authorization" only
// while the session holds a token; "Content-Type: application/json" and the compact JSON body only when a
// body is given. The questionnaire and the profile go through the signed-in sender of the current session (a
// 401 renews the token once and resends), or straight over the transport when no session is current; the
// usage reports through the given session's own sender; the birth month straight out through the account
// client, never renewed.
//
// Answers: a status from 200 to 299 is decoded into the model, and a body that does not decode is thrown as
// the decoder's own JsonDecodeError. Anything else is `AuthAPIError` http with the status (-1 without an HTTP
// answer) and the error body's message, or "请求失败" when there is none to read. Transport failures are the
// transport's `ApiError`s.
class OnboardingAPIClient {
public:
    JsonKeys decoder = JsonKeys::FromSnakeCase;

    static inline const QString overviewPath = QStringLiteral("/api/v1/me/onboarding");
    static inline const QString learningProfilePath = QStringLiteral("/api/v1/me/learning-profile");
    static inline const QString profilePath = QStringLiteral("/api/v1/me/profile");
    static inline const QString usagePath = QStringLiteral("/api/v1/me/usage");
    static inline const QString heartbeatPath = QStringLiteral("/api/v1/me/usage/heartbeat");
    static inline const QString fallbackMessage = QStringLiteral("请求失败");

    // `path` begins with "/" and is appended as it stands: segments taken from data must be encoded already
    // (`stepPath`).
    QCoro::Task<OnboardingOverview> send(QByteArray method, QString path, std::optional<QJsonObject> body,
                                         AppSession &session) const {
        const ApiClient client(session, rules(decoder));
        return decoded<OnboardingOverview>(client.data(client.request(method, path, body)), decoder);
    }
    QCoro::Task<LearningProfile> sendLearningProfile(QByteArray method, std::optional<QJsonObject> body,
                                                     AppSession &session) const {
        const ApiClient client(session, rules(decoder));
        return decoded<LearningProfile>(client.data(client.request(method, learningProfilePath, body)),
                                        decoder);
    }
    // PUT of one questionnaire step: {"skip": skip, "answers": answers} to the step's own path. A step name
    // that cannot stand as one path segment fails as `decoding` without a request.
    QCoro::Task<OnboardingOverview> sendStep(QString step, bool skip, QJsonObject answers,
                                             AppSession &session) const;

    // PUT {"birth_year_month"} with `token` (none: no Authorization), checked and decoded by the account
    // client: its texts, and a 401 is an answer like any other.
    QCoro::Task<ProfileResponse> saveBirthMonth(QString birthYearMonth, std::optional<QString> token,
                                                AppSession &session) const;

    // The youth-mode usage state, and one heartbeat {"delta_seconds": seconds}: every answer as it came,
    // for the guard to judge.
    QCoro::Task<HttpResponse> fetchUsage(AppSession &session) const;
    QCoro::Task<HttpResponse> postHeartbeat(qint64 deltaSeconds, AppSession &session) const;

    // "/api/v1/me/onboarding/<step>" with the step name as exactly one segment, or nothing for a name that
    // cannot be one (empty, "." or ".."). The name is the server's: "/", "?", "#", "%" and everything else
    // that would end the segment, split it or start a query is escaped, so the write cannot land elsewhere.
    static std::optional<QString> stepPath(const QString &step);
    static QJsonObject stepBody(bool skip, const QJsonObject &answers);

    // The checks of one answer, throwing as described above.
    template <typename Model>
    static Model decodeAnswer(const HttpResponse &response, JsonKeys keys) {
        if (!response.isHttp() || response.status < 200 || response.status > 299)
            throw AuthAPIError::http(response.isHttp() ? response.status : -1,
                                     failureMessage(response, keys));
        return Model::fromJson(JsonReader::parse(response.body, keys));
    }
    // The error body's message, or "请求失败" (without the status) for a body that does not carry one.
    static QString failureMessage(const HttpResponse &response, JsonKeys keys);

private:
    // The token is the one of the session the caller holds, read when the request is built; the sender may
    // be another session.
    static ApiClient::Rules rules(JsonKeys keys) {
        return {ApiClient::Base::Api, ApiClient::Auth::RenewingThroughCurrent, false, true, keys};
    }
    // Everything by value: the caller's session may be gone once the answer arrives.
    template <typename Model>
    static QCoro::Task<Model> decoded(QCoro::Task<HttpResponse> answer, JsonKeys keys) {
        const HttpResponse response = co_await answer;
        co_return decodeAnswer<Model>(response, keys);
    }
    static QCoro::Task<OnboardingOverview> refused();
};
