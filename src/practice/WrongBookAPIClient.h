#pragma once

#include "ApiClient.h"
#include "AppSession.h"
#include "WrongBookModels.h"

#include <QCoro/QCoroTask>

// The practice answers, the photo match and the wrong-question book on the API base. A small value: each
// screen builds its own and may keep it as long as it likes, it holds nothing but its key rule.
//
// Answers are judged by their status alone: a failed status is `ApiError::http` with the server's message (or
// "请求失败（<status>）"), no HTTP answer is http -1 "无响应", and a success body that does not fit its model
// is `ApiError::decoding()`. The photo match words its failures its own way (below).
class WrongBookAPIClient {
public:
    JsonKeys decoder = JsonKeys::FromSnakeCase;

    // The API base, the session's token through its signed-in sender (a refused token is renewed once),
    // "Content-Type" only with a body, "Bearer " even for an empty token.
    ApiClient::Rules rules() const {
        return {ApiClient::Base::Api, ApiClient::Auth::Renewing, false, true, decoder};
    }
    ApiClient api(AppSession &session) const { return ApiClient(session, rules()); }

    // Posts {"question_id", "answer", "source"}; `source` is "practice" or "review".
    QCoro::Task<AnswerResultResponse> submitAnswer(qint64 questionId, QString answer, QString source,
                                                   AppSession &session) const;
    // The entries in `state` ("active", "mastered"); `due` asks for the entries due today only.
    QCoro::Task<WrongBookList> listWrongItems(QString state, bool due, AppSession &session) const;
    // Any success status is enough (204 included); its body is not read.
    QCoro::Task<> deleteWrongItem(qint64 wrongItemId, AppSession &session) const;
    QCoro::Task<VariantsResponse> fetchVariants(qint64 wrongItemId, AppSession &session) const;
    // Posts {"stem_text": stem}, the stem as given. A failed status, or no HTTP answer (status -1), is
    // `ApiError::http` with the error body's message, else "匹配失败".
    QCoro::Task<StemMatchResult> matchStem(QString stem, AppSession &session) const;

    static inline const QString answersPath = QStringLiteral("/api/v1/practice/answers");
    static inline const QString wrongBookPath = QStringLiteral("/api/v1/wrong-book");
    static inline const QString matchPath = QStringLiteral("/api/v1/practice/questions/match");

    // "state=<state>&due=<true|false>", in that order, the state percent-encoded ("+" included).
    static QString listQuery(const QString &state, bool due);
    // "/api/v1/wrong-book/<id>" in decimal.
    static QString itemPath(qint64 wrongItemId);

private:
    // The photo match's answer check, throwing as described above.
    static StemMatchResult decodeMatch(const HttpResponse &response, JsonKeys keys);
    static QCoro::Task<> discardBody(QCoro::Task<HttpResponse> answer);
    static QCoro::Task<StemMatchResult> matchAnswered(QCoro::Task<HttpResponse> answer, JsonKeys keys);
};
