#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <exception>
#include <optional>

// A body or field that does not have the shape a model requires. `path` names the field ("items[2].name").
class JsonDecodeError : public std::exception {
public:
    explicit JsonDecodeError(QString path, QString reason);
    const QString &path() const { return m_path; }
    const char *what() const noexcept override { return m_text.constData(); }

private:
    QString m_path;
    QByteArray m_text;
};

// How a model's field names meet the wire's keys: as they stand, or snake_case on the wire ("user_id" fills
// `userId`).
enum class JsonKeys { AsIs, FromSnakeCase };

// Strict, type-exact reading of one JSON object into a model:
// - a required field that is missing, null or of another type throws JsonDecodeError;
// - an optional field may be missing or null (both read as nothing) but not of another type;
// - integers must be whole numbers within range; booleans must be JSON booleans; texts must be strings.
// Field names are given as the model names them.
class JsonReader {
public:
    JsonReader(const QJsonObject &object, JsonKeys keys, QString path = {});

    // The body must be a JSON object.
    static JsonReader parse(const QByteArray &body, JsonKeys keys);
    // The body must be a JSON array.
    static QJsonArray parseArray(const QByteArray &body);

    bool has(const QString &field) const; // present and not null
    QJsonValue value(const QString &field) const;

    QString string(const QString &field) const;
    qint64 int64(const QString &field) const;
    int int32(const QString &field) const;
    double number(const QString &field) const;
    bool boolean(const QString &field) const;
    JsonReader object(const QString &field) const;
    QJsonArray array(const QString &field) const;

    std::optional<QString> optString(const QString &field) const;
    std::optional<qint64> optInt64(const QString &field) const;
    std::optional<int> optInt32(const QString &field) const;
    std::optional<double> optNumber(const QString &field) const;
    std::optional<bool> optBoolean(const QString &field) const;
    std::optional<JsonReader> optObject(const QString &field) const;
    std::optional<QJsonArray> optArray(const QString &field) const;

    // A required array of objects, each decoded by `decode(const JsonReader &)`.
    template <typename Decode>
    auto list(const QString &field, Decode decode) const {
        using T = decltype(decode(std::declval<const JsonReader &>()));
        QList<T> result;
        const QJsonArray items = array(field);
        result.reserve(items.size());
        for (qsizetype i = 0; i < items.size(); ++i)
            result.append(decode(element(items, i, field)));
        return result;
    }
    // An optional array of objects: missing or null reads as nothing.
    template <typename Decode>
    auto optList(const QString &field, Decode decode) const {
        using T = decltype(decode(std::declval<const JsonReader &>()));
        return has(field) ? std::optional<QList<T>>(list(field, decode)) : std::nullopt;
    }
    // A required array of strings.
    QStringList stringList(const QString &field) const;

    JsonKeys keys() const { return m_keys; }
    const QString &path() const { return m_path; }

    // Scalar conversions with the same rules, for values already taken out of an array or map.
    static qint64 toInt64(const QJsonValue &value, const QString &path);
    static QString toString(const QJsonValue &value, const QString &path);

    // "user_id" -> "userId": leading and trailing underscores stay, the first word is lower-cased and every
    // further word capitalised; a key without inner underscores is left as it is.
    static QString fromSnakeCase(const QString &key);

private:
    JsonReader element(const QJsonArray &items, qsizetype index, const QString &field) const;
    QString fieldPath(const QString &field) const;
    [[noreturn]] void fail(const QString &field, const QString &reason) const;
    QJsonValue required(const QString &field) const;

    QHash<QString, QJsonValue> m_fields; // keyed by model field name
    JsonKeys m_keys;
    QString m_path;
};

// Writing request bodies: compact JSON; `toSnakeCase` for bodies whose keys come from model field names.
namespace JsonWriter {
QByteArray compact(const QJsonObject &object);
QString toSnakeCase(const QString &field); // "userId" -> "user_id"
} // namespace JsonWriter
