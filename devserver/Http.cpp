#include "Http.h"

#include "ServerState.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

namespace devserver {

namespace {

struct StatusText {
    const char *code;
    const char *message;
};

StatusText textForStatus(int status) {
    switch (status) {
    case 400:
        return {"invalid_request", "请求参数不正确"};
    case 401:
        return {"unauthorized", "登录已失效，请重新登录"};
    case 403:
        return {"forbidden", "没有权限执行此操作"};
    case 404:
        return {"not_found", "请求的内容不存在"};
    case 405:
        return {"method_not_allowed", "不支持的请求方式"};
    case 409:
        return {"conflict", "请求冲突，请稍后重试"};
    case 413:
        return {"payload_too_large", "请求内容过大"};
    case 429:
        return {"too_many_requests", "请求过于频繁，请稍后再试"};
    case 500:
        return {"internal_error", "服务器内部错误，请稍后重试"};
    case 502:
        return {"bad_gateway", "服务暂时不可用，请稍后重试"};
    case 503:
        return {"service_unavailable", "服务暂时不可用，请稍后重试"};
    case 504:
        return {"gateway_timeout", "服务响应超时，请稍后重试"};
    default:
        return status >= 500 ? StatusText{"server_error", "服务器错误，请稍后重试"}
                             : StatusText{"request_failed", "请求失败，请稍后重试"};
    }
}

} // namespace

void sendJson(httplib::Response &res, int status, const QJsonObject &body) {
    res.status = status;
    res.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(),
                    "application/json; charset=utf-8");
}

void sendError(httplib::Response &res, int status, const char *code, const QString &message) {
    QJsonObject body;
    body.insert(QStringLiteral("code"), QString::fromUtf8(code));
    body.insert(QStringLiteral("message"), message);
    sendJson(res, status, body);
}

void sendStatusError(httplib::Response &res, int status) {
    const StatusText text = textForStatus(status);
    sendError(res, status, text.code, QString::fromUtf8(text.message));
}

void sendInvalidRequest(httplib::Response &res, const QString &message) {
    sendError(res, 400, "invalid_request", message);
}

std::optional<QJsonObject> readJsonObject(const httplib::Request &req, httplib::Response &res) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        sendInvalidRequest(res, QStringLiteral("请求内容不是有效的 JSON 对象"));
        return std::nullopt;
    }
    return document.object();
}

std::optional<QString> requireString(const QJsonObject &body, const char *key, httplib::Response &res) {
    const QJsonValue value = body.value(QLatin1String(key));
    if (!value.isString()) {
        sendInvalidRequest(res, QStringLiteral("缺少参数或参数类型不正确：%1").arg(QLatin1String(key)));
        return std::nullopt;
    }
    return value.toString();
}

std::optional<std::int64_t> requireInteger(const QJsonObject &body, const char *key, std::int64_t min,
                                           std::int64_t max, httplib::Response &res) {
    const QJsonValue value = body.value(QLatin1String(key));
    // Read as a 64-bit integer, never through a double: ids above 2^53 must arrive exactly. toInteger()
    // answers its default for anything but a whole number that fits, so two defaults agreeing means one.
    const qint64 number = value.toInteger(0);
    if (!value.isDouble() || number != value.toInteger(1) || number < min || number > max) {
        sendInvalidRequest(res, QStringLiteral("缺少参数或参数不正确：%1").arg(QLatin1String(key)));
        return std::nullopt;
    }
    return number;
}

std::optional<SignedIn> requireSignedIn(ServerState &state, const httplib::Request &req,
                                        httplib::Response &res) {
    const std::string header = req.get_header_value("Authorization");
    static constexpr std::string_view scheme = "Bearer ";
    std::optional<SignedIn> who;
    if (header.size() > scheme.size() && std::string_view(header).substr(0, scheme.size()) == scheme) {
        const std::string token = header.substr(scheme.size());
        std::lock_guard lock(state.mutex);
        if (const AccessTokenRecord *record = state.findAccessTokenLocked(token))
            who = SignedIn{record->userId, record->sessionId};
    }
    if (!who)
        sendError(res, 401, "unauthorized", QStringLiteral("登录已失效，请重新登录"));
    return who;
}

} // namespace devserver
