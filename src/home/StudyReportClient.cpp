#include "StudyReportClient.h"

StudyReport StudyReportClient::decodeAnswer(const HttpResponse &response) {
    if (!response.isHttp() || response.status < 200 || response.status > 299)
        throw ApiError::badServerResponse();
    return ApiClient::decode<StudyReport>(response.body, rules().keys);
}

QCoro::Task<StudyReport> StudyReportClient::answered(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    co_return decodeAnswer(response);
}

QCoro::Task<StudyReport> StudyReportClient::fetch(AppSession &session) const {
    const ApiClient client(session, rules());
    return answered(client.data(client.request("GET", path)));
}
