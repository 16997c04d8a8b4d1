#include "AccountAPIClient.h"

#include <QUrl>

ApiClient AccountAPIClient::limitsClient(AppSession &session) {
    return ApiClient(session, {ApiClient::Base::Api, ApiClient::Auth::RenewingThroughCurrent, false, true,
                               JsonKeys::FromSnakeCase});
}

// Error bodies are read with their keys as they stand.
ApiClient AccountAPIClient::memoriesClient(AppSession &session) {
    return ApiClient(
        session, {ApiClient::Base::Ai, ApiClient::Auth::RenewingThroughCurrent, false, true, JsonKeys::AsIs});
}

std::optional<QString> AccountAPIClient::memoryPath(const QString &id) {
    if (id.isEmpty() || id == u'.' || id == QLatin1String(".."))
        return std::nullopt;
    // Everything but the unreserved characters is escaped, "/" and "%" included.
    return memoriesPath + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(id));
}

HttpRequest AccountAPIClient::meRequest(AppSession &session) {
    return ApiClient(session,
                     {ApiClient::Base::Api, ApiClient::Auth::Bearer, false, true, JsonKeys::FromSnakeCase})
        .request("GET", mePath);
}

HttpRequest AccountAPIClient::limitsRequest(const QByteArray &method, const std::optional<QJsonObject> &body,
                                            AppSession &session) {
    return limitsClient(session).request(method, limitsPath, body);
}

HttpRequest AccountAPIClient::memoriesRequest(const QByteArray &method, const QString &path,
                                              AppSession &session) {
    return memoriesClient(session).request(method, path);
}

QCoro::Task<MeResponse> AccountAPIClient::fetchMe(AppSession &session) const {
    return AuthAPIClient().send<MeResponse>(meRequest(session));
}

QCoro::Task<HttpResponse> AccountAPIClient::fetchLimits(AppSession &session) const {
    return limitsClient(session).data(limitsRequest("GET", std::nullopt, session));
}

QCoro::Task<HttpResponse> AccountAPIClient::saveLimits(QJsonObject body, AppSession &session) const {
    return limitsClient(session).data(limitsRequest("PUT", body, session));
}

QCoro::Task<MemoryList> AccountAPIClient::fetchMemories(AppSession &session) const {
    const HttpRequest request = memoriesRequest("GET", memoriesPath, session);
    return memoriesAnswered(checkedBody(memoriesClient(session).data(request)));
}

QCoro::Task<> AccountAPIClient::deleteMemory(QString memoryPath, AppSession &session) const {
    return deleted(std::move(memoryPath), session);
}

QCoro::Task<> AccountAPIClient::clearMemories(AppSession &session) const {
    return deleted(memoriesPath, session);
}

QCoro::Task<> AccountAPIClient::deleted(QString path, AppSession &session) {
    return bodyDropped(checkedBody(memoriesClient(session).data(memoriesRequest("DELETE", path, session))));
}

QCoro::Task<QByteArray> AccountAPIClient::checkedBody(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    ApiClient::verify(response, ApiClient::Check(), JsonKeys::AsIs);
    co_return response.body;
}

QCoro::Task<MemoryList> AccountAPIClient::memoriesAnswered(QCoro::Task<QByteArray> body) {
    const QByteArray answer = co_await body;
    co_return ApiClient::decode<MemoryList>(answer, JsonKeys::FromSnakeCase);
}

QCoro::Task<> AccountAPIClient::bodyDropped(QCoro::Task<QByteArray> body) {
    co_await body;
}
