#include "RobotsAPIClient.h"

#include <QJsonObject>

#include <algorithm>

namespace {

// The capability list: whether its "tts" item is enabled.
struct MediaCapabilities {
    bool tts = false;

    static MediaCapabilities fromJson(const JsonReader &json) {
        const auto items = json.list(QStringLiteral("items"), [](const JsonReader &item) {
            return std::make_pair(item.string(QStringLiteral("capability")),
                                  item.boolean(QStringLiteral("enabled")));
        });
        const auto tts = std::find_if(items.cbegin(), items.cend(),
                                      [](const auto &item) { return item.first == QStringLiteral("tts"); });
        return {tts != items.cend() && tts->second};
    }
};

QCoro::Task<bool> ttsEnabled(QCoro::Task<MediaCapabilities> answer) {
    const MediaCapabilities capabilities = co_await answer;
    co_return capabilities.tts;
}

} // namespace

ApiClient RobotsAPIClient::client(AppSession &session) {
    return ApiClient(session, {ApiClient::Base::Ai, ApiClient::Auth::Renewing, false, false, JsonKeys::AsIs});
}

QCoro::Task<std::optional<RobotCatalog>> RobotsAPIClient::fetchCatalog(QString language,
                                                                       AppSession &session) const {
    const ApiClient api = client(session);
    HttpRequest request = api.request("GET", catalogPath);
    if (request.url.isValid())
        request.url.setQuery(QStringLiteral("language=") +
                                 QString::fromLatin1(QUrl::toPercentEncoding(language)),
                             QUrl::StrictMode);
    if (!request.url.isValid())
        return noCatalog();
    return catalogAnswered(api.checked(std::move(request), ApiClient::Check::onlyStatus(200)));
}

QCoro::Task<bool> RobotsAPIClient::fetchSpeechEnabled(AppSession &session) const {
    const ApiClient api = client(session);
    return ttsEnabled(
        api.send<MediaCapabilities>(api.request("GET", capabilitiesPath), ApiClient::Check::onlyStatus(200)));
}

QCoro::Task<QByteArray> RobotsAPIClient::fetchSpeech(QString text, QString language,
                                                     std::optional<QString> voice,
                                                     AppSession &session) const {
    QJsonObject body{{QStringLiteral("text"), text}, {QStringLiteral("language"), language}};
    if (voice)
        body.insert(QStringLiteral("robot_voice"), *voice);
    const ApiClient api = client(session);
    return bodyOf(api.checked(api.request("POST", speechPath, body), ApiClient::Check::onlyStatus(200)));
}

QCoro::Task<std::optional<RobotCatalog>> RobotsAPIClient::catalogAnswered(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    co_return RobotCatalog::decode(response.body);
}

QCoro::Task<std::optional<RobotCatalog>> RobotsAPIClient::noCatalog() {
    co_return std::nullopt;
}

QCoro::Task<QByteArray> RobotsAPIClient::bodyOf(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    co_return response.body;
}
