#include "HomeLayoutAPIClient.h"

#include <QJsonArray>

QJsonObject HomeLayoutAPIClient::overridesBody(qint64 revision, const QStringList &order,
                                               const QStringList &hidden,
                                               const QMap<QString, QString> &sizes) {
    QJsonObject sizesJson;
    for (auto it = sizes.begin(); it != sizes.end(); ++it)
        sizesJson.insert(it.key(), it.value());
    return {{QStringLiteral("revision"), revision},
            {QStringLiteral("overrides"),
             QJsonObject{{QStringLiteral("order"), QJsonArray::fromStringList(order)},
                         {QStringLiteral("hidden"), QJsonArray::fromStringList(hidden)},
                         {QStringLiteral("sizes"), sizesJson}}}};
}

HomeLayoutResponse HomeLayoutAPIClient::decodeAnswer(const HttpResponse &response) {
    if (!response.isHttp())
        throw ApiError::badServerResponse();
    if (response.status >= 200 && response.status <= 299)
        return HomeLayoutResponse::fromJson(JsonReader::parse(response.body, JsonKeys::AsIs));
    ApiErrorBody body;
    try {
        body = ApiErrorBody::fromJson(JsonReader::parse(response.body, JsonKeys::AsIs));
    } catch (const JsonDecodeError &) {
        // An HTML error page or an empty body says nothing the learner could use.
        throw ApiError::badServerResponse();
    }
    throw ApiError::http(response.status,
                         body.message.value_or(QStringLiteral("请求失败（%1）").arg(response.status)));
}

QCoro::Task<HomeLayoutResponse> HomeLayoutAPIClient::answered(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    co_return decodeAnswer(response);
}

QCoro::Task<HomeLayoutResponse> HomeLayoutAPIClient::fetchHomeLayout(AppSession &session) const {
    const ApiClient client(session, rules());
    return answered(client.data(client.request("GET", layoutPath)));
}

QCoro::Task<HomeLayoutResponse>
HomeLayoutAPIClient::putHomeLayoutOverrides(qint64 revision, QStringList order, QStringList hidden,
                                            QMap<QString, QString> sizes, AppSession &session) const {
    const ApiClient client(session, rules());
    return answered(
        client.data(client.request("PUT", overridesPath, overridesBody(revision, order, hidden, sizes))));
}
