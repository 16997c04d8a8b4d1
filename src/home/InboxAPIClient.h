#pragma once

#include "ApiClient.h"
#include "AppSession.h"
#include "InboxMessage.h"

#include <QCoro/QCoroTask>
#include <QPointer>

#include <exception>
#include <optional>

// How a mark-read ended: the ids the server confirmed, in the order given, and the failure that stopped the
// rest (none when every id was confirmed, an empty list included).
struct InboxMarkReadResult {
    QList<qint64> confirmed;
    std::exception_ptr failure;

    bool succeeded() const { return !failure; }
};

// The inbox's two requests on the API base, signed in through the session (a 401 renews the token once and
// resends): GET "/api/v1/me/inbox?limit=N" and POST "/api/v1/me/inbox:read" {"ids": [...]}, the colon
// literal in the path. "Authorization" goes out while the session holds a token (an empty one included);
// "Content-Type: application/json" only with the POST's body.
//
// Answers: only 200 to 299 passes. Any other answer is `ApiError::http` with the status (-1 for an answer
// that is not HTTP) and the error body's `message` (an empty one included), else the request's fixed text.
// The list must be a bare JSON array of messages: a body that is not one throws the decoder's
// JsonDecodeError, the whole list failing with one bad element. Transport failures are the transport's
// `ApiError`s. A mark-read answer's body is never read.
//
// The service takes at most 50 ids per mark-read, so longer lists go out in consecutive requests of at most
// 50, in the order given, each sent once the one before was confirmed; the first failure stops the rest and
// the result tells which ids got through. Dropping the ids beyond the first 50 would leave messages unread
// on the server that the inbox then shows as read.
class InboxAPIClient {
public:
    static ApiClient::Rules rules() {
        return {ApiClient::Base::Api, ApiClient::Auth::Renewing, false, true, JsonKeys::FromSnakeCase};
    }
    static inline const QString listPath = QStringLiteral("/api/v1/me/inbox");
    static inline const QString readPath = QStringLiteral("/api/v1/me/inbox:read");
    static inline const QString fetchFailedText = QStringLiteral("拉取站内信失败");
    static inline const QString markReadFailedText = QStringLiteral("标记已读失败");
    static constexpr int idsPerRequest = 50;

    QCoro::Task<QList<InboxMessage>> fetchInbox(int limit, AppSession &session) const;
    // Never throws: the failure, if any, is in the result. An empty list sends nothing.
    QCoro::Task<InboxMarkReadResult> markRead(QList<qint64> ids, AppSession &session) const;

    static HttpRequest fetchRequest(const ApiClient &client, int limit);
    static HttpRequest markReadRequest(const ApiClient &client, const QList<qint64> &ids);
    // `ids` cut into consecutive runs of at most `idsPerRequest`, in order.
    static QList<QList<qint64>> chunks(const QList<qint64> &ids);
    // Throws `ApiError::http` for an answer outside 200 to 299, as described above.
    static void verify(const HttpResponse &response, const QString &fixedText);
    static QList<InboxMessage> decodeList(const HttpResponse &response);

private:
    static QCoro::Task<QList<InboxMessage>> answered(QCoro::Task<HttpResponse> answer);
    static QCoro::Task<InboxMarkReadResult> sendChunks(QPointer<AppSession> session, QUrl base,
                                                       std::optional<QString> token,
                                                       QList<QList<qint64>> chunks);
};
