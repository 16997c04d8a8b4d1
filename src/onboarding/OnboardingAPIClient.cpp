#include "OnboardingAPIClient.h"

#include <QUrl>

std::optional<QString> OnboardingAPIClient::stepPath(const QString &step) {
    // A URL reads "." and ".." as moves in the path, never as names, however they are escaped.
    if (step.isEmpty() || step == QLatin1String(".") || step == QLatin1String(".."))
        return std::nullopt;
    return overviewPath + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(step));
}

QJsonObject OnboardingAPIClient::stepBody(bool skip, const QJsonObject &answers) {
    return {{QStringLiteral("skip"), skip}, {QStringLiteral("answers"), answers}};
}

QCoro::Task<OnboardingOverview> OnboardingAPIClient::sendStep(QString step, bool skip, QJsonObject answers,
                                                              AppSession &session) const {
    const std::optional<QString> path = stepPath(step);
    if (!path)
        return refused();
    return send("PUT", *path, stepBody(skip, answers), session);
}

QCoro::Task<ProfileResponse> OnboardingAPIClient::saveBirthMonth(QString birthYearMonth,
                                                                 std::optional<QString> token,
                                                                 AppSession &session) const {
    const QJsonObject body{{QStringLiteral("birth_year_month"), birthYearMonth}};
    return AuthAPIClient().putJSON<ProfileResponse>(profilePath, body, std::move(token), session);
}

QCoro::Task<HttpResponse> OnboardingAPIClient::fetchUsage(AppSession &session) const {
    const ApiClient client(session);
    return client.data(client.request("GET", usagePath));
}

QCoro::Task<HttpResponse> OnboardingAPIClient::postHeartbeat(qint64 deltaSeconds, AppSession &session) const {
    const ApiClient client(session);
    const QJsonObject body{{QStringLiteral("delta_seconds"), deltaSeconds}};
    return client.data(client.request("POST", heartbeatPath, body));
}

QCoro::Task<OnboardingOverview> OnboardingAPIClient::refused() {
    throw AuthAPIError::decoding();
    co_return OnboardingOverview{};
}

QString OnboardingAPIClient::failureMessage(const HttpResponse &response, JsonKeys keys) {
    try {
        if (const std::optional<QString> message =
                ApiErrorBody::fromJson(JsonReader::parse(response.body, keys)).message)
            return *message;
    } catch (const JsonDecodeError &) {
        // An HTML error page, an empty body or a body of another shape: nothing the learner could use.
    }
    return fallbackMessage;
}
