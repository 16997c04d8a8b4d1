#include "InboxAPIClient.h"

#include <QJsonArray>
#include <QUrlQuery>

HttpRequest InboxAPIClient::fetchRequest(const ApiClient &client, int limit) {
    HttpRequest request = client.request("GET", listPath);
    // The one query item replaces whatever query the configured base URL carried.
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("limit"), QString::number(limit));
    request.url.setQuery(query);
    return request;
}

HttpRequest InboxAPIClient::markReadRequest(const ApiClient &client, const QList<qint64> &ids) {
    QJsonArray list;
    for (const qint64 id : ids)
        list.append(QJsonValue(id)); // a JSON integer, written exactly beyond 2^53
    return client.request("POST", readPath, QJsonObject{{QStringLiteral("ids"), list}});
}

QList<QList<qint64>> InboxAPIClient::chunks(const QList<qint64> &ids) {
    QList<QList<qint64>> runs;
    for (qsizetype from = 0; from < ids.size(); from += idsPerRequest)
        runs.append(ids.mid(from, idsPerRequest));
    return runs;
}

void InboxAPIClient::verify(const HttpResponse &response, const QString &fixedText) {
    if (response.isHttp() && response.status >= 200 && response.status <= 299)
        return;
    QString message = fixedText;
    try {
        const ApiErrorBody body = ApiErrorBody::fromJson(JsonReader::parse(response.body, rules().keys));
        if (body.message)
            message = *body.message;
    } catch (const JsonDecodeError &) {
        // No error body: the fixed text stands.
    }
    throw ApiError::http(response.isHttp() ? response.status : -1, message);
}

QList<InboxMessage> InboxAPIClient::decodeList(const HttpResponse &response) {
    verify(response, fetchFailedText);
    return InboxMessage::listFromJson(response.body);
}

QCoro::Task<QList<InboxMessage>> InboxAPIClient::answered(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    co_return decodeList(response);
}

QCoro::Task<QList<InboxMessage>> InboxAPIClient::fetchInbox(int limit, AppSession &session) const {
    const ApiClient client(session, rules());
    return answered(client.data(fetchRequest(client, limit)));
}

QCoro::Task<InboxMarkReadResult> InboxAPIClient::markRead(QList<qint64> ids, AppSession &session) const {
    const ApiClient client(session, rules());
    return sendChunks(&session, client.baseURL(), session.accessToken(), chunks(ids));
}

QCoro::Task<InboxMarkReadResult> InboxAPIClient::sendChunks(QPointer<AppSession> session, QUrl base,
                                                            std::optional<QString> token,
                                                            QList<QList<qint64>> chunks) {
    InboxMarkReadResult result;
    for (const QList<qint64> &chunk : std::as_const(chunks)) {
        // Each request takes the session's token as it is by then (a renewal for an earlier one carries
        // over); should the session be gone meanwhile, the rest still go out with what it held at the start.
        const ApiClient client =
            session ? ApiClient(*session, rules()) : ApiClient(base, rules()).withToken(token);
        try {
            const HttpResponse response = co_await client.data(markReadRequest(client, chunk));
            verify(response, markReadFailedText);
        } catch (...) {
            result.failure = std::current_exception();
            break;
        }
        result.confirmed.append(chunk);
    }
    co_return result;
}
