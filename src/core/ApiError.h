#pragma once

#include "JsonReader.h"
#include "Transport.h"
#include "UserFacingError.h"

#include <QJsonObject>
#include <QUrl>

#include <optional>

// The server's error body that comes with a failed status; only `message` is ever shown.
struct ApiErrorBody {
    std::optional<QString> code;
    std::optional<QString> message;

    static ApiErrorBody fromJson(const JsonReader &json);
};

// The failure of an account call, and of every client that shares the account client's response check:
// `http` (a failed status, or no HTTP answer with status -1) or `decoding` (a success body of the wrong
// shape).
class AuthAPIError : public UserFacingError {
public:
    enum class Case { Http, Decoding };

    static AuthAPIError http(int status, QString message) {
        return AuthAPIError(Case::Http, status, message);
    }
    static AuthAPIError decoding() {
        return AuthAPIError(Case::Decoding, 0, QStringLiteral("响应格式不正确"));
    }

    Case kind() const { return m_case; }
    int status() const { return m_status; }
    // The text shown to the learner: the server's message for `http` (without the status).
    const QString &errorDescription() const { return message(); }

private:
    AuthAPIError(Case kind, int status, QString message)
        : UserFacingError(std::move(message)), m_case(kind), m_status(status) {}

    Case m_case;
    int m_status;
};

namespace Api {

// The base URL with an absolute path ("/api/v1/...") appended to the base's own path.
QUrl appendPath(const QUrl &base, const QString &path);

// A request as every API client builds one: JSON content type, a bearer token when given, a 60 s timeout
// and, when given, a compact JSON body.
HttpRequest jsonRequest(const QByteArray &method, const QUrl &url,
                        const std::optional<QString> &accessToken = {},
                        const std::optional<QJsonObject> &body = {});

// The message for a failed status: the error body's `message` when the body decodes and has one, else
// "请求失败（<status>）".
QString failureMessage(const HttpResponse &response, JsonKeys keys);

// The response check shared by the clients, in its fixed order: no HTTP answer, failed status, undecodable
// body. `Error` provides `http(status, message)` and `decoding()`.
template <typename Model, typename Error = AuthAPIError>
Model decode(const HttpResponse &response, JsonKeys keys) {
    if (!response.isHttp())
        throw Error::http(-1, QStringLiteral("无响应"));
    if (response.status < 200 || response.status > 299)
        throw Error::http(response.status, failureMessage(response, keys));
    try {
        return Model::fromJson(JsonReader::parse(response.body, keys));
    } catch (const JsonDecodeError &) {
        throw Error::decoding();
    }
}

} // namespace Api
