#pragma once

#include "ApiClient.h"
#include "AppSession.h"
#include "SettingsDocument.h"

#include <QCoro/QCoroTask>
#include <QMap>

// The settings pages' side of the service: fetch one page document with the learner's preferences, and save
// changed preferences. A stateless value; any number of calls may run at once. Requests go through the
// session's signed-in sender (a 401 renews the token once), carry "Authorization" only while the session
// holds a token, and "Content-Type" only with a body.
//
// Answers: no HTTP answer, or a status outside 200 to 299, is `ApiError::badServerResponse()` whatever the
// body says (it is not read); a 2xx body that is not the expected reply is `ApiError::decoding()`. Transport
// failures come as the ApiClient reports them.
class SettingsAPIClient {
public:
    static ApiClient::Rules rules() {
        return {ApiClient::Base::Api, ApiClient::Auth::Renewing, false, false, JsonKeys::AsIs};
    }

    static inline const QString pagePathPrefix = QStringLiteral("/api/v1/layouts/settings/");
    static inline const QString prefsPath = QStringLiteral("/api/v1/me/settings/prefs");

    QCoro::Task<SettingsPageResponse> fetchPage(QString pageId, AppSession &session) const;
    // Returns the preferences as the server now holds them for the keys it echoes.
    QCoro::Task<SettingsPrefs> savePrefs(QMap<QString, bool> prefs, AppSession &session) const;

    // The page id comes from a route the server wrote: it is one path segment whatever it contains, so "/",
    // "?" "#" or "%" cannot reach another resource.
    static QString pagePath(const QString &pageId);
    // An empty id, "." and ".." cannot be one segment: fetching them fails as a bad answer, nothing is sent.
    static bool isPageId(const QString &pageId);
    // {"prefs": {key: true|false, ...}}: JSON booleans, never numbers or texts.
    static QJsonObject prefsBody(const QMap<QString, bool> &prefs);
    // The checks of one answer, throwing as described above.
    static SettingsPageResponse decodePage(const HttpResponse &response);
    static SettingsPrefs decodeSaved(const HttpResponse &response);

private:
    static QCoro::Task<SettingsPageResponse> refused();
    static QCoro::Task<SettingsPageResponse> pageAnswered(QCoro::Task<HttpResponse> answer);
    static QCoro::Task<SettingsPrefs> savedAnswered(QCoro::Task<HttpResponse> answer);
};
