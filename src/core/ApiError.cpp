#include "ApiError.h"

ApiErrorBody ApiErrorBody::fromJson(const JsonReader &json) {
    return {json.optString(QStringLiteral("code")), json.optString(QStringLiteral("message"))};
}

ApiError ApiError::transport(const TransportError &failure) {
    switch (failure.kind()) {
    case TransportError::Kind::TimedOut:
        return ApiError(Kind::TimedOut, 0, failure.message());
    case TransportError::Kind::Cancelled:
        return ApiError(Kind::Cancelled, 0, failure.message());
    case TransportError::Kind::TooLarge:
        return ApiError(Kind::BadServerResponse, 0, failure.message());
    case TransportError::Kind::NoConnection:
    case TransportError::Kind::Other:
        break;
    }
    return ApiError(Kind::NoConnection, 0, failure.message());
}

QString Api::failureMessage(const HttpResponse &response, JsonKeys keys, const QString &fallback) {
    try {
        const ApiErrorBody body = ApiErrorBody::fromJson(JsonReader::parse(response.body, keys));
        if (body.message)
            return *body.message;
    } catch (const JsonDecodeError &) {
        // An unreadable error body falls back to the status text below.
    }
    return QString(fallback).arg(response.status);
}
