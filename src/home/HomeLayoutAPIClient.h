#pragma once

#include "ApiClient.h"
#include "AppSession.h"
#include "HomeLayoutModels.h"

#include <QCoro/QCoroTask>

// The learner's home layout: fetch it, and store the learner's overrides (order, hidden cards, sizes). Both
// answer with the layout as the server now shows it; the client never applies the overrides itself.
//
// Answers: a success body is decoded with the keys as sent, and a body that does not fit is thrown as the
// decoder's own JsonDecodeError. A failed status is `ApiError::http` with the server's message (or
// "请求失败（<status>）" for an error body without one); no HTTP answer, or a failed status whose body is not
// an error body at all, is `ApiError::badServerResponse()`.
class HomeLayoutAPIClient {
public:
    static ApiClient::Rules rules() {
        // An empty token still goes out as "Bearer "; Content-Type only with a body.
        return {ApiClient::Base::Api, ApiClient::Auth::Renewing, false, true, JsonKeys::AsIs};
    }

    QCoro::Task<HomeLayoutResponse> fetchHomeLayout(AppSession &session) const;
    QCoro::Task<HomeLayoutResponse> putHomeLayoutOverrides(qint64 revision, QStringList order,
                                                           QStringList hidden, QMap<QString, QString> sizes,
                                                           AppSession &session) const;

    static inline const QString layoutPath = QStringLiteral("/api/v1/layouts/home");
    static inline const QString overridesPath = QStringLiteral("/api/v1/layouts/home/overrides");

    // {"revision": n, "overrides": {"order": [...], "hidden": [...], "sizes": {...}}}, all three inner keys
    // always present.
    static QJsonObject overridesBody(qint64 revision, const QStringList &order, const QStringList &hidden,
                                     const QMap<QString, QString> &sizes);
    // The checks of one answer, throwing as described above.
    static HomeLayoutResponse decodeAnswer(const HttpResponse &response);

private:
    static QCoro::Task<HomeLayoutResponse> answered(QCoro::Task<HttpResponse> answer);
};
