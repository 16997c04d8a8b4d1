#include "ApiClient.h"

#include "JsonReader.h"
#include "Platform.h"

ApiClient::ApiClient(AppSession &session, Rules rules) : m_session(&session), m_rules(rules) {}

ApiClient::ApiClient(AppSession &session) : ApiClient(session, Rules()) {}

ApiClient::ApiClient(QUrl base, Rules rules) : m_base(std::move(base)), m_rules(rules) {}

ApiClient ApiClient::withToken(std::optional<QString> token) const {
    ApiClient copy = *this;
    copy.m_tokenGiven = true;
    copy.m_token = std::move(token);
    return copy;
}

QUrl ApiClient::baseURL() const {
    if (!m_session)
        return m_base;
    switch (m_rules.base) {
    case Base::Ai:
        return m_session->aiBaseURL();
    case Base::Trade:
        return m_session->tradeBaseURL();
    case Base::Api:
        break;
    }
    return m_session->baseURL();
}

std::optional<QString> ApiClient::token() const {
    if (m_rules.auth == Auth::None)
        return std::nullopt;
    if (m_tokenGiven)
        return m_token;
    return m_session ? m_session->accessToken() : std::nullopt;
}

HttpRequest ApiClient::request(const QByteArray &method, const QString &path,
                               const std::optional<QJsonObject> &body) const {
    static const QByteArray json = "application/json";
    HttpRequest request;
    request.method = method;
    request.url = m_rules.resolvesReference ? baseURL().resolved(QUrl(path)) : appendPath(baseURL(), path);
    request.timeoutMs = 60000;
    if (m_rules.contentTypeAlways)
        request.setHeader("Content-Type", json);
    request = authorized(std::move(request));
    if (body) {
        request.setHeader("Content-Type", json);
        request.body = JsonWriter::compact(*body);
    }
    return request;
}

HttpRequest ApiClient::authorized(HttpRequest request) const {
    if (const std::optional<QString> bearer = token();
        bearer && (m_rules.emptyTokenSent || !bearer->isEmpty()))
        request.setHeader("Authorization", "Bearer " + bearer->toUtf8());
    return request;
}

QPointer<AppSession> ApiClient::sender() const {
    switch (m_rules.auth) {
    case Auth::Renewing:
        return m_session;
    case Auth::RenewingThroughCurrent:
        // The one place a request is handed to a session other than the one it was built from.
        return AppSession::current();
    case Auth::None:
    case Auth::Bearer:
        break;
    }
    return nullptr;
}

QCoro::Task<HttpResponse> ApiClient::data(HttpRequest request) const {
    return sendVia(sender(), std::move(request));
}

QCoro::Task<std::unique_ptr<ByteStream>> ApiClient::bytes(HttpRequest request) const {
    return openVia(sender(), std::move(request));
}

QCoro::Task<HttpResponse> ApiClient::checked(HttpRequest request, Check check) const {
    return checkWhenAnswered(data(std::move(request)), std::move(check), m_rules.keys);
}

QCoro::Task<HttpResponse> ApiClient::sendVia(QPointer<AppSession> renewing, HttpRequest request) {
    // A session that is gone by now renews nothing: the request goes straight out.
    try {
        if (renewing)
            co_return co_await renewing->data(std::move(request));
        co_return co_await Platform::transport().send(std::move(request));
    } catch (const TransportError &failure) {
        throw ApiError::transport(failure);
    }
}

QCoro::Task<std::unique_ptr<ByteStream>> ApiClient::openVia(QPointer<AppSession> renewing,
                                                            HttpRequest request) {
    try {
        if (renewing)
            co_return co_await renewing->bytes(std::move(request));
        co_return co_await Platform::transport().open(std::move(request));
    } catch (const TransportError &failure) {
        throw ApiError::transport(failure);
    }
}

QCoro::Task<HttpResponse> ApiClient::checkWhenAnswered(QCoro::Task<HttpResponse> answer, Check check,
                                                       JsonKeys keys) {
    HttpResponse response = co_await answer;
    verify(response, check, keys);
    co_return response;
}

void ApiClient::verify(const HttpResponse &response, const Check &check, JsonKeys keys) {
    if (response.isHttp() && response.status >= check.okFrom && response.status <= check.okTo)
        return;
    if (!check.fixedFailure.isEmpty())
        throw ApiError::http(response.status, check.fixedFailure.arg(response.status));
    if (!response.isHttp())
        throw ApiError::http(-1, QStringLiteral("无响应"));
    throw ApiError::http(response.status, Api::failureMessage(response, keys));
}

QUrl ApiClient::appendPath(const QUrl &base, const QString &path) {
    // Paths arrive with their segments already percent-encoded where they carry data: keep those escapes.
    QUrl url = base;
    QString basePath = base.path(QUrl::FullyEncoded);
    while (basePath.endsWith(u'/'))
        basePath.chop(1);
    url.setPath(basePath + (path.startsWith(u'/') ? path : u'/' + path), QUrl::TolerantMode);
    return url;
}
