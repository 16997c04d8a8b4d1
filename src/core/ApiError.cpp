#include "ApiError.h"

ApiErrorBody ApiErrorBody::fromJson(const JsonReader &json) {
    return {json.optString(QStringLiteral("code")), json.optString(QStringLiteral("message"))};
}

QUrl Api::appendPath(const QUrl &base, const QString &path) {
    // Paths arrive with their segments already percent-encoded where they carry data: keep those escapes.
    QUrl url = base;
    QString basePath = base.path(QUrl::FullyEncoded);
    while (basePath.endsWith(u'/'))
        basePath.chop(1);
    url.setPath(basePath + (path.startsWith(u'/') ? path : u'/' + path), QUrl::TolerantMode);
    return url;
}

HttpRequest Api::jsonRequest(const QByteArray &method, const QUrl &url,
                             const std::optional<QString> &accessToken,
                             const std::optional<QJsonObject> &body) {
    HttpRequest request;
    request.method = method;
    request.url = url;
    request.timeoutMs = 60000;
    request.setHeader("Content-Type", "application/json");
    if (accessToken)
        request.setHeader("Authorization", "Bearer " + accessToken->toUtf8());
    if (body)
        request.body = JsonWriter::compact(*body);
    return request;
}

QString Api::failureMessage(const HttpResponse &response, JsonKeys keys) {
    try {
        const ApiErrorBody body = ApiErrorBody::fromJson(JsonReader::parse(response.body, keys));
        if (body.message)
            return *body.message;
    } catch (const JsonDecodeError &) {
        // An unreadable error body falls back to the status text below.
    }
    return QStringLiteral("请求失败（%1）").arg(response.status);
}
