#include "SettingsAPIClient.h"

namespace {

// The save's answer: {"prefs": {...}}, "prefs" required.
struct SavedPrefs {
    SettingsPrefs prefs;

    static SavedPrefs fromJson(const JsonReader &json) {
        json.object(QStringLiteral("prefs")); // throws when missing, null or not an object
        return {settingsPrefsFromJson(json.value(QStringLiteral("prefs")).toObject())};
    }
};

void requireSuccess(const HttpResponse &response) {
    if (!response.isHttp() || response.status < 200 || response.status > 299)
        throw ApiError::badServerResponse();
}

} // namespace

QString SettingsAPIClient::pagePath(const QString &pageId) {
    return pagePathPrefix + QString::fromLatin1(QUrl::toPercentEncoding(pageId));
}

bool SettingsAPIClient::isPageId(const QString &pageId) {
    // URLs decode "%2E" back to ".", so no escaping keeps these from naming the folder or its parent.
    return !pageId.isEmpty() && pageId != QStringLiteral(".") && pageId != QStringLiteral("..");
}

QJsonObject SettingsAPIClient::prefsBody(const QMap<QString, bool> &prefs) {
    QJsonObject values;
    for (auto it = prefs.begin(); it != prefs.end(); ++it)
        values.insert(it.key(), it.value());
    return {{QStringLiteral("prefs"), values}};
}

SettingsPageResponse SettingsAPIClient::decodePage(const HttpResponse &response) {
    requireSuccess(response);
    return ApiClient::decode<SettingsPageResponse>(response.body, JsonKeys::AsIs);
}

SettingsPrefs SettingsAPIClient::decodeSaved(const HttpResponse &response) {
    requireSuccess(response);
    return ApiClient::decode<SavedPrefs>(response.body, JsonKeys::AsIs).prefs;
}

QCoro::Task<SettingsPageResponse> SettingsAPIClient::pageAnswered(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    co_return decodePage(response);
}

QCoro::Task<SettingsPrefs> SettingsAPIClient::savedAnswered(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    co_return decodeSaved(response);
}

QCoro::Task<SettingsPageResponse> SettingsAPIClient::refused() {
    throw ApiError::badServerResponse();
    co_return {};
}

QCoro::Task<SettingsPageResponse> SettingsAPIClient::fetchPage(QString pageId, AppSession &session) const {
    if (!isPageId(pageId))
        return refused();
    const ApiClient client(session, rules());
    return pageAnswered(client.data(client.request("GET", pagePath(pageId))));
}

QCoro::Task<SettingsPrefs> SettingsAPIClient::savePrefs(QMap<QString, bool> prefs,
                                                        AppSession &session) const {
    const ApiClient client(session, rules());
    return savedAnswered(client.data(client.request("PUT", prefsPath, prefsBody(prefs))));
}
