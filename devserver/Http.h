#pragma once

#include <httplib.h>

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace devserver {

class ServerState;

// Answers `status` with the object as compact UTF-8 JSON.
void sendJson(httplib::Response &res, int status, const QJsonObject &body);
// Answers `status` with the error body {"code": ..., "message": ...}; `message` is shown to the learner as it
// stands, so it is always Chinese.
void sendError(httplib::Response &res, int status, const char *code, const QString &message);
// The error body for a status with nothing more specific to say (404 of an unknown route, an injected
// failure, ...).
void sendStatusError(httplib::Response &res, int status);

// The request body as a JSON object; otherwise answers 400 and gives nothing.
std::optional<QJsonObject> readJsonObject(const httplib::Request &req, httplib::Response &res);
// `body[key]` when it is a JSON string; otherwise answers 400 naming the field and gives nothing.
std::optional<QString> requireString(const QJsonObject &body, const char *key, httplib::Response &res);
// `body[key]` when it is a whole JSON number within [min, max]; otherwise answers 400 and gives nothing.
std::optional<std::int64_t> requireInteger(const QJsonObject &body, const char *key, std::int64_t min,
                                           std::int64_t max, httplib::Response &res);
// Answers 400 for a malformed request.
void sendInvalidRequest(httplib::Response &res, const QString &message);

// Who a signed-in request speaks for.
struct SignedIn {
    std::int64_t userId = 0;
    std::int64_t sessionId = 0;
};

// The gate of every signed-in route: the live access token in "Authorization: Bearer <token>". A missing,
// unknown, revoked or expired token answers 401 and gives nothing.
std::optional<SignedIn> requireSignedIn(ServerState &state, const httplib::Request &req,
                                        httplib::Response &res);

} // namespace devserver
