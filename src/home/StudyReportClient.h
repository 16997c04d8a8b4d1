#pragma once

#include "ApiClient.h"
#include "AppSession.h"
#include "StudyReport.h"

#include <QCoro/QCoroTask>

// The one request of the study report: GET "/api/v1/me/study-report" on the API base, shared by the report
// page and the home page's stats row. Signed in through the session, so a 401 renews the token once and
// resends; no header but "Authorization" (sent while the session holds a token, an empty one included).
//
// Answers: only an HTTP status from 200 to 299 is read, as a `StudyReport` with snake-case keys; a body that
// does not decode (a 204 without one included) is `ApiError::decoding()`. Any other answer, a 401 that
// outlived the renewal included, is `ApiError::badServerResponse()`: the body of a failed answer is never
// read, so no server message reaches the learner from here. Transport failures are the transport's
// `ApiError`s.
class StudyReportClient {
public:
    static ApiClient::Rules rules() {
        return {ApiClient::Base::Api, ApiClient::Auth::Renewing, false, true, JsonKeys::FromSnakeCase};
    }
    static inline const QString path = QStringLiteral("/api/v1/me/study-report");

    QCoro::Task<StudyReport> fetch(AppSession &session) const;

    // The checks of one answer, throwing as described above.
    static StudyReport decodeAnswer(const HttpResponse &response);

private:
    static QCoro::Task<StudyReport> answered(QCoro::Task<HttpResponse> answer);
};
