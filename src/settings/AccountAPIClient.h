#pragma once

#include "ApiClient.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "CompanionMemories.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>

#include <optional>

// The account pages behind the settings page's native routes: the account information, the study limits with
// the rest periods, and the companion's memories. A stateless value; each page makes its own.
//
// Requests: 60 s, the method, "Authorization" while the session holds a token (an empty one included),
// "Content-Type: application/json" and the compact body only with a body.
// - The account, GET "/api/v1/me" on the API base, goes straight over the transport through the account
//   client, whose answer checks and texts it has: a 401 is shown as it came, never renewed.
// - The study limits on the API base and the memories on the AI base go through the signed-in sender of the
//   current session (a 401 renews the token once and resends), straight out while no session is current.
//   The token and the base are the given session's, read when the request is built.
// A study-limits answer comes back as it came, for the page to judge. A memories answer is checked like the
// account clients' ("无响应", the server's message, else "请求失败（<status>）").
class AccountAPIClient {
public:
    static inline const QString mePath = QStringLiteral("/api/v1/me");
    static inline const QString limitsPath = QStringLiteral("/api/v1/me/limits");
    static inline const QString memoriesPath = QStringLiteral("/v1/companion/memories");

    // The path of the memory `id`: the id percent-encoded as one segment, so that a "/", "?" or "#" in it
    // stays inside that segment. Nothing for "", "." and "..": appended as they stand they would name the
    // collection itself (deleting every memory) or the folder above it.
    static std::optional<QString> memoryPath(const QString &id);

    QCoro::Task<MeResponse> fetchMe(AppSession &session) const;

    QCoro::Task<HttpResponse> fetchLimits(AppSession &session) const;
    QCoro::Task<HttpResponse> saveLimits(QJsonObject body, AppSession &session) const;

    QCoro::Task<MemoryList> fetchMemories(AppSession &session) const;
    // DELETE of one memory, at its `memoryPath`.
    QCoro::Task<> deleteMemory(QString memoryPath, AppSession &session) const;
    // DELETE of the whole list.
    QCoro::Task<> clearMemories(AppSession &session) const;

    // The requests as they are sent.
    static HttpRequest meRequest(AppSession &session);
    static HttpRequest limitsRequest(const QByteArray &method, const std::optional<QJsonObject> &body,
                                     AppSession &session);
    static HttpRequest memoriesRequest(const QByteArray &method, const QString &path, AppSession &session);

private:
    static ApiClient limitsClient(AppSession &session);
    static ApiClient memoriesClient(AppSession &session);
    static QCoro::Task<> deleted(QString path, AppSession &session);
    // Everything by value: the page may be gone by the time the answer arrives.
    static QCoro::Task<QByteArray> checkedBody(QCoro::Task<HttpResponse> answer);
    static QCoro::Task<MemoryList> memoriesAnswered(QCoro::Task<QByteArray> body);
    static QCoro::Task<> bodyDropped(QCoro::Task<QByteArray> body);
};
