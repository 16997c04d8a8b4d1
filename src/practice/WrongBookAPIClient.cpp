#include "WrongBookAPIClient.h"

#include <QJsonObject>
#include <QUrl>

QString WrongBookAPIClient::listQuery(const QString &state, bool due) {
    // Built as text: QUrlQuery would leave a "+" in the state literal, which servers read as a space.
    return QStringLiteral("state=") + QString::fromLatin1(QUrl::toPercentEncoding(state)) +
           QStringLiteral("&due=") + (due ? QStringLiteral("true") : QStringLiteral("false"));
}

QString WrongBookAPIClient::itemPath(qint64 wrongItemId) {
    return wrongBookPath + u'/' + QString::number(wrongItemId);
}

QCoro::Task<AnswerResultResponse> WrongBookAPIClient::submitAnswer(qint64 questionId, QString answer,
                                                                   QString source,
                                                                   AppSession &session) const {
    // The id goes in as a 64-bit integer: a JSON number written from a double would round ids above 2^53.
    const QJsonObject body{{QStringLiteral("question_id"), questionId},
                           {QStringLiteral("answer"), answer},
                           {QStringLiteral("source"), source}};
    const ApiClient client = api(session);
    return client.send<AnswerResultResponse>(client.request("POST", answersPath, body));
}

QCoro::Task<WrongBookList> WrongBookAPIClient::listWrongItems(QString state, bool due,
                                                              AppSession &session) const {
    const ApiClient client = api(session);
    HttpRequest request = client.request("GET", wrongBookPath);
    request.url.setQuery(listQuery(state, due), QUrl::StrictMode);
    return client.send<WrongBookList>(std::move(request));
}

QCoro::Task<> WrongBookAPIClient::deleteWrongItem(qint64 wrongItemId, AppSession &session) const {
    const ApiClient client = api(session);
    return discardBody(client.checked(client.request("DELETE", itemPath(wrongItemId))));
}

QCoro::Task<VariantsResponse> WrongBookAPIClient::fetchVariants(qint64 wrongItemId,
                                                                AppSession &session) const {
    const ApiClient client = api(session);
    return client.send<VariantsResponse>(
        client.request("GET", itemPath(wrongItemId) + QStringLiteral("/variants")));
}

QCoro::Task<StemMatchResult> WrongBookAPIClient::matchStem(QString stem, AppSession &session) const {
    const ApiClient client = api(session);
    const QJsonObject body{{QStringLiteral("stem_text"), stem}};
    return matchAnswered(client.data(client.request("POST", matchPath, body)), decoder);
}

StemMatchResult WrongBookAPIClient::decodeMatch(const HttpResponse &response, JsonKeys keys) {
    if (!response.isHttp() || response.status < 200 || response.status > 299) {
        std::optional<QString> message;
        try {
            message = ApiErrorBody::fromJson(JsonReader::parse(response.body, JsonKeys::AsIs)).message;
        } catch (const JsonDecodeError &) {
            // Not an error body: the fallback below.
        }
        throw ApiError::http(response.isHttp() ? response.status : -1,
                             message.value_or(QStringLiteral("匹配失败")));
    }
    return ApiClient::decode<StemMatchResult>(response.body, keys);
}

QCoro::Task<> WrongBookAPIClient::discardBody(QCoro::Task<HttpResponse> answer) {
    co_await answer;
}

QCoro::Task<StemMatchResult> WrongBookAPIClient::matchAnswered(QCoro::Task<HttpResponse> answer,
                                                               JsonKeys keys) {
    const HttpResponse response = co_await answer;
    co_return decodeMatch(response, keys);
}
