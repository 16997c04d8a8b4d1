#pragma once

#include "Transport.h"
#include "UserFacingError.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

class AppSession;
class JsonReader;
struct ChatStrings;

// The learner's settings of the companion, kept on the server: the persona's raw value (also one this client
// does not know), the name the learner gave the buddy, and a reminder that is only carried along. Absent and
// present-but-empty differ: an empty name is a name.
struct CompanionSettings {
    std::optional<QString> persona;
    std::optional<QString> name;
    std::optional<QString> reminder;

    // Keys as they stand. Missing or null is absent; a value of another JSON type fails the whole decode.
    static CompanionSettings fromJson(const JsonReader &json);
    // Only the fields that are present; never a null.
    QJsonObject toJson() const;

    friend bool operator==(const CompanionSettings &, const CompanionSettings &) = default;
};

// The buddy's tone, a closed vocabulary shared with the server.
class CompanionPersona {
public:
    enum class Value { Cheerful, Calm, Strict };

    constexpr CompanionPersona(Value value) : m_value(value) {}
    static constexpr Value cheerful = Value::Cheerful;
    static constexpr Value calm = Value::Calm;
    static constexpr Value strict = Value::Strict;

    // Exact, case-sensitive match of a raw value; nothing for any other text.
    static std::optional<CompanionPersona> fromRaw(const QString &raw);
    // In the order the settings sheet lists them.
    static QList<CompanionPersona> all();

    Value value() const { return m_value; }
    QString rawValue() const;

    // The display texts in the given chat texts (those of the language in effect).
    QString label(const ChatStrings &strings) const { return label(rawValue(), strings); }
    QString detail(const ChatStrings &strings) const { return detail(rawValue(), strings); }
    // For a raw value as the server holds it: a persona the texts do not know shows its raw value as label
    // and no detail.
    static QString label(const QString &raw, const ChatStrings &strings);
    static QString detail(const QString &raw, const ChatStrings &strings);

    friend bool operator==(CompanionPersona, CompanionPersona) = default;

private:
    Value m_value;
};

size_t qHash(CompanionPersona persona, size_t seed = 0);

// A failed settings request: its message is what the sheet shows, unchanged.
class CompanionSettingsError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};

// The path of both requests on the API base.
inline const QString companionSettingsPath = QStringLiteral("/api/v1/me/companion");

// Reads the settings ("GET"). The session gives the API base and the token.
QCoro::Task<CompanionSettings> loadCompanionSettings(AppSession &session);
// Stores persona and name ("PUT") and returns what the server kept. An argument not given is left out of the
// body; an empty name is sent as it is. The reminder is never sent.
QCoro::Task<CompanionSettings> saveCompanionSettings(std::optional<QString> persona,
                                                     std::optional<QString> name, AppSession &session);
// The sending and answer check both requests share. The token is the given session's; the request goes
// through the current session's signed-in sender (a 401 renews once), straight out when there is none.
// Failures: transport failures as `ApiError`; no HTTP answer or a failed status as `CompanionSettingsError`
// ("无响应", the server's message, else "保存失败（<status>）"); a success body that is no settings object as
// `ApiError::decoding()`.
QCoro::Task<CompanionSettings> sendCompanionSettingsRequest(HttpRequest request, AppSession &session);
