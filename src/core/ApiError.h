#pragma once

#include "JsonReader.h"
#include "Transport.h"
#include "UserFacingError.h"

#include <optional>

// The server's error body that comes with a failed status; only `message` is ever shown.
struct ApiErrorBody {
    std::optional<QString> code;
    std::optional<QString> message;

    static ApiErrorBody fromJson(const JsonReader &json);
};

// The one failure of every API call: no connection, timed out, cancelled (below HTTP), `http` (a failed
// status, or no HTTP answer with status -1), `decoding` (a success body of the wrong shape) or
// `badServerResponse` (no HTTP answer, or a failed status without an error body, where a client does not
// report those as http). Its message is
// the learner-facing Chinese text; what a screen shows for any failure comes from `errorText`.
class ApiError : public UserFacingError {
public:
    enum class Kind { NoConnection, TimedOut, Cancelled, Http, Decoding, BadServerResponse };
    using Case = Kind; // the account and learning clients' callers name it so

    static ApiError http(int status, QString message) {
        return ApiError(Kind::Http, status, std::move(message));
    }
    static ApiError decoding() { return ApiError(Kind::Decoding, 0, QStringLiteral("响应格式不正确")); }
    static ApiError badServerResponse() {
        return ApiError(Kind::BadServerResponse, 0, QStringLiteral("服务器响应异常"));
    }
    // A failure below HTTP keeps the transport's own text. A transport failure of no particular kind is
    // reported as no connection: to the learner both mean the service could not be reached. An answer too
    // large to read is a bad server response.
    static ApiError transport(const TransportError &failure);

    Kind kind() const { return m_kind; }
    int status() const { return m_status; } // 0 unless `http`
    bool isCancelled() const { return m_kind == Kind::Cancelled; }
    const QString &errorDescription() const { return message(); }

private:
    ApiError(Kind kind, int status, QString message)
        : UserFacingError(std::move(message)), m_kind(kind), m_status(status) {}

    Kind m_kind;
    int m_status;
};

// The names the account and learning clients give their failures: the same error.
using AuthAPIError = ApiError;
using LearningAPIError = ApiError;

namespace Api {

// The message for a failed status: the error body's `message` when the body decodes and has one, else
// `fallback` with the status in place of "%1" ("请求失败（<status>）" unless a client words it its own way).
QString failureMessage(const HttpResponse &response, JsonKeys keys,
                       const QString &fallback = QStringLiteral("请求失败（%1）"));

} // namespace Api
