#include "ErrorText.h"

#include "ApiError.h"
#include "JsonReader.h"
#include "Transport.h"

namespace {

const QString genericText = QStringLiteral("请求失败，请稍后重试");

QString kindName(ApiError::Kind kind) {
    switch (kind) {
    case ApiError::Kind::NoConnection:
        return QStringLiteral("no connection");
    case ApiError::Kind::TimedOut:
        return QStringLiteral("timed out");
    case ApiError::Kind::Cancelled:
        return QStringLiteral("cancelled");
    case ApiError::Kind::Http:
        return QStringLiteral("http");
    case ApiError::Kind::Decoding:
        return QStringLiteral("decoding");
    case ApiError::Kind::BadServerResponse:
        return QStringLiteral("bad server response");
    }
    return {};
}

} // namespace

std::optional<QString> errorText(std::exception_ptr failure) {
    if (!failure)
        return std::nullopt;
    try {
        std::rethrow_exception(failure);
    } catch (const ApiError &error) {
        return error.isCancelled() ? std::nullopt : std::optional(error.message());
    } catch (const TransportError &error) {
        // Byte streams report a break in the middle of a body straight from the transport.
        return errorText(std::make_exception_ptr(ApiError::transport(error)));
    } catch (const JsonDecodeError &) {
        return ApiError::decoding().message();
    } catch (const UserFacingError &error) {
        return error.message();
    } catch (...) {
        return genericText;
    }
}

QString failureSummary(std::exception_ptr failure) {
    if (!failure)
        return QStringLiteral("no failure");
    try {
        std::rethrow_exception(failure);
    } catch (const ApiError &error) {
        return error.kind() == ApiError::Kind::Http ? QStringLiteral("http %1").arg(error.status())
                                                    : kindName(error.kind());
    } catch (const TransportError &error) {
        return failureSummary(std::make_exception_ptr(ApiError::transport(error)));
    } catch (const JsonDecodeError &error) {
        return kindName(ApiError::Kind::Decoding) + QStringLiteral(": ") + QString::fromUtf8(error.what());
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("unknown failure");
    }
}
