#include "CompanionSettings.h"

#include "ApiClient.h"
#include "ApiError.h"
#include "AppSession.h"
#include "ChatStrings.h"
#include "JsonReader.h"

#include <QHashFunctions>

namespace {

const QString personaKey = QStringLiteral("persona");
const QString nameKey = QStringLiteral("name");
const QString reminderKey = QStringLiteral("reminder");

// The settings answer names its keys as the model does; no snake_case conversion. The token is the given
// session's, the sender the current session's: usually the same object, but the settings tab's own session
// becomes the current one and renews for everyone.
const ApiClient::Rules rules{ApiClient::Base::Api, ApiClient::Auth::RenewingThroughCurrent, false, true,
                             JsonKeys::AsIs};

HttpRequest settingsRequest(AppSession &session, const QByteArray &method,
                            const std::optional<QJsonObject> &body = std::nullopt) {
    // The token is added when the request is sent, read from the session just before.
    ApiClient::Rules building = rules;
    building.auth = ApiClient::Auth::None;
    return ApiClient(session, building).request(method, companionSettingsPath, body);
}

CompanionSettings checkedSettings(const HttpResponse &response) {
    if (!response.isHttp())
        throw CompanionSettingsError(QStringLiteral("无响应"));
    // The same text for the load and the save: the learner meets it under the name field.
    if (response.status < 200 || response.status > 299)
        throw CompanionSettingsError(
            Api::failureMessage(response, JsonKeys::AsIs, QStringLiteral("保存失败（%1）")));
    return ApiClient::decode<CompanionSettings>(response.body, JsonKeys::AsIs);
}

// Everything by value: the caller's session may be gone once the answer arrives.
QCoro::Task<CompanionSettings> settingsAnswered(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    co_return checkedSettings(response);
}

} // namespace

CompanionSettings CompanionSettings::fromJson(const JsonReader &json) {
    return {json.optString(personaKey), json.optString(nameKey), json.optString(reminderKey)};
}

QJsonObject CompanionSettings::toJson() const {
    QJsonObject object;
    if (persona)
        object.insert(personaKey, *persona);
    if (name)
        object.insert(nameKey, *name);
    if (reminder)
        object.insert(reminderKey, *reminder);
    return object;
}

std::optional<CompanionPersona> CompanionPersona::fromRaw(const QString &raw) {
    for (const CompanionPersona persona : all())
        if (persona.rawValue() == raw)
            return persona;
    return std::nullopt;
}

QList<CompanionPersona> CompanionPersona::all() {
    return {cheerful, calm, strict};
}

QString CompanionPersona::rawValue() const {
    switch (m_value) {
    case Value::Cheerful:
        return QStringLiteral("cheerful");
    case Value::Calm:
        return QStringLiteral("calm");
    case Value::Strict:
        return QStringLiteral("strict");
    }
    return {};
}

QString CompanionPersona::label(const QString &raw, const ChatStrings &strings) {
    return strings.personaNames.value(raw, raw);
}

QString CompanionPersona::detail(const QString &raw, const ChatStrings &strings) {
    return strings.personaDetails.value(raw);
}

size_t qHash(CompanionPersona persona, size_t seed) {
    return qHash(persona.rawValue(), seed);
}

QCoro::Task<CompanionSettings> loadCompanionSettings(AppSession &session) {
    return sendCompanionSettingsRequest(settingsRequest(session, "GET"), session);
}

QCoro::Task<CompanionSettings> saveCompanionSettings(std::optional<QString> persona,
                                                     std::optional<QString> name, AppSession &session) {
    QJsonObject body;
    if (persona)
        body.insert(personaKey, *persona);
    if (name)
        body.insert(nameKey, *name);
    return sendCompanionSettingsRequest(settingsRequest(session, "PUT", body), session);
}

QCoro::Task<CompanionSettings> sendCompanionSettingsRequest(HttpRequest request, AppSession &session) {
    const ApiClient client(session, rules);
    return settingsAnswered(client.data(client.authorized(std::move(request))));
}
