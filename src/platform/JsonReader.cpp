#include "JsonReader.h"

#include "JsonValidator.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <QVariant>

#include <cmath>
#include <limits>

JsonDecodeError::JsonDecodeError(QString path, QString reason)
    : m_path(std::move(path)),
      m_text((m_path.isEmpty() ? reason : m_path + QStringLiteral(": ") + reason).toUtf8()) {}

JsonReader::JsonReader(const QJsonObject &object, JsonKeys keys, QString path)
    : m_keys(keys), m_path(std::move(path)) {
    m_fields.reserve(object.size());
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString name = keys == JsonKeys::FromSnakeCase ? fromSnakeCase(it.key()) : it.key();
        // Two wire keys that convert to one name: the first one wins, as a dictionary-backed decoder keeps
        // one.
        if (!m_fields.contains(name))
            m_fields.insert(name, it.value());
    }
}

namespace {

// `body` with every number that would read as -2^63 without being written as that integer moved one double
// further down (-2^63 - 2048): it then stays a double, which no integer field takes, and a number field reads
// it one unit in the last place away.
QByteArray withoutMinimumLookalikes(const QByteArray &body, const JsonValidator::NumberSpans &lookalikes) {
    if (lookalikes.isEmpty())
        return body;
    QByteArray result;
    qsizetype copied = 0;
    for (const auto &[offset, length] : lookalikes) {
        result += body.mid(copied, offset - copied);
        result += "-9223372036854777856";
        copied = offset + length;
    }
    result += body.mid(copied);
    return result;
}

// The body as a document, once it has passed the strict check: Qt's reader alone takes malformed numbers,
// raw control characters and unknown escapes, and nests as deep as the body asks.
QJsonDocument document(const QByteArray &body) {
    JsonValidator::NumberSpans lookalikes;
    if (const std::optional<JsonSyntaxIssue> issue =
            JsonValidator::check(body, JsonValidator::defaultDepthLimit, &lookalikes))
        throw JsonDecodeError(
            {}, QStringLiteral("not JSON: %1 at byte %2").arg(issue->reason).arg(issue->offset));
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(withoutMinimumLookalikes(body, lookalikes), &error);
    if (error.error != QJsonParseError::NoError)
        throw JsonDecodeError({}, QStringLiteral("not JSON: ") + error.errorString());
    return document;
}

} // namespace

JsonReader JsonReader::parse(const QByteArray &body, JsonKeys keys) {
    const QJsonDocument parsed = document(body);
    if (!parsed.isObject())
        throw JsonDecodeError({}, QStringLiteral("not a JSON object"));
    return JsonReader(parsed.object(), keys);
}

QJsonArray JsonReader::parseArray(const QByteArray &body) {
    const QJsonDocument parsed = document(body);
    if (!parsed.isArray())
        throw JsonDecodeError({}, QStringLiteral("not a JSON array"));
    return parsed.array();
}

QString JsonReader::fromSnakeCase(const QString &key) {
    const qsizetype first = [&] {
        qsizetype i = 0;
        while (i < key.size() && key[i] == u'_')
            ++i;
        return i;
    }();
    if (first == key.size())
        return key; // empty, or only underscores
    qsizetype last = key.size() - 1;
    while (key[last] == u'_')
        --last;
    const QStringView core = QStringView(key).mid(first, last - first + 1);
    const QList<QStringView> words = core.split(u'_', Qt::SkipEmptyParts);
    if (words.size() == 1)
        return key;
    QString joined = words.first().toString().toLower();
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString word = words[i].toString().toLower();
        joined += word.left(1).toUpper() + word.mid(1);
    }
    return key.left(first) + joined + key.mid(last + 1);
}

QString JsonReader::fieldPath(const QString &field) const {
    return m_path.isEmpty() ? field : m_path + u'.' + field;
}

void JsonReader::fail(const QString &field, const QString &reason) const {
    throw JsonDecodeError(fieldPath(field), reason);
}

bool JsonReader::has(const QString &field) const {
    const auto it = m_fields.constFind(field);
    return it != m_fields.cend() && !it->isNull() && !it->isUndefined();
}

QJsonValue JsonReader::value(const QString &field) const {
    return m_fields.value(field, QJsonValue::Undefined);
}

QJsonValue JsonReader::required(const QString &field) const {
    if (!has(field))
        fail(field, m_fields.contains(field) ? QStringLiteral("is null") : QStringLiteral("is missing"));
    return m_fields.value(field);
}

QString JsonReader::toString(const QJsonValue &value, const QString &path) {
    if (!value.isString())
        throw JsonDecodeError(path, QStringLiteral("is not a string"));
    return value.toString();
}

qint64 JsonReader::toInt64(const QJsonValue &value, const QString &path) {
    if (!value.isDouble())
        throw JsonDecodeError(path, QStringLiteral("is not a number"));
    // An integer that fits 64 bits is kept as one, exactly (also beyond 2^53).
    if (const QVariant exact = value.toVariant(); exact.typeId() == QMetaType::LongLong)
        return exact.toLongLong();
    // Anything else was read as a double: written with a fraction or an exponent, or an integer beyond 64
    // bits rounded to the nearest double. Rounding makes -2^63-1 (and integers a little below it) the double
    // -2^63, so the range is open on both sides.
    constexpr double limit = 9223372036854775808.0; // 2^63
    const double number = value.toDouble();
    if (!(number > -limit && number < limit) || number != std::trunc(number))
        throw JsonDecodeError(path, QStringLiteral("is not a whole 64-bit integer"));
    return qint64(number);
}

QString JsonReader::string(const QString &field) const {
    return toString(required(field), fieldPath(field));
}

qint64 JsonReader::int64(const QString &field) const {
    return toInt64(required(field), fieldPath(field));
}

int JsonReader::int32(const QString &field) const {
    const qint64 v = int64(field);
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        fail(field, QStringLiteral("is out of range"));
    return int(v);
}

double JsonReader::number(const QString &field) const {
    const QJsonValue v = required(field);
    if (!v.isDouble())
        fail(field, QStringLiteral("is not a number"));
    return v.toDouble();
}

bool JsonReader::boolean(const QString &field) const {
    const QJsonValue v = required(field);
    if (!v.isBool())
        fail(field, QStringLiteral("is not a boolean"));
    return v.toBool();
}

JsonReader JsonReader::object(const QString &field) const {
    const QJsonValue v = required(field);
    if (!v.isObject())
        fail(field, QStringLiteral("is not an object"));
    return JsonReader(v.toObject(), m_keys, fieldPath(field));
}

QJsonArray JsonReader::array(const QString &field) const {
    const QJsonValue v = required(field);
    if (!v.isArray())
        fail(field, QStringLiteral("is not an array"));
    return v.toArray();
}

QStringList JsonReader::stringList(const QString &field) const {
    const QJsonArray items = array(field);
    QStringList result;
    result.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i)
        result.append(toString(items[i], fieldPath(field) + QStringLiteral("[%1]").arg(i)));
    return result;
}

JsonReader JsonReader::element(const QJsonArray &items, qsizetype index, const QString &field) const {
    const QString path = fieldPath(field) + QStringLiteral("[%1]").arg(index);
    if (!items[index].isObject())
        throw JsonDecodeError(path, QStringLiteral("is not an object"));
    return JsonReader(items[index].toObject(), m_keys, path);
}

std::optional<QString> JsonReader::optString(const QString &field) const {
    return has(field) ? std::optional(string(field)) : std::nullopt;
}
std::optional<qint64> JsonReader::optInt64(const QString &field) const {
    return has(field) ? std::optional(int64(field)) : std::nullopt;
}
std::optional<int> JsonReader::optInt32(const QString &field) const {
    return has(field) ? std::optional(int32(field)) : std::nullopt;
}
std::optional<double> JsonReader::optNumber(const QString &field) const {
    return has(field) ? std::optional(number(field)) : std::nullopt;
}
std::optional<bool> JsonReader::optBoolean(const QString &field) const {
    return has(field) ? std::optional(boolean(field)) : std::nullopt;
}
std::optional<JsonReader> JsonReader::optObject(const QString &field) const {
    return has(field) ? std::optional(object(field)) : std::nullopt;
}
std::optional<QJsonArray> JsonReader::optArray(const QString &field) const {
    return has(field) ? std::optional(array(field)) : std::nullopt;
}

QByteArray JsonWriter::compact(const QJsonObject &object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString JsonWriter::toSnakeCase(const QString &field) {
    QString result;
    result.reserve(field.size() + 4);
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c.isUpper()) {
            if (i > 0)
                result += u'_';
            result += c.toLower();
        } else {
            result += c;
        }
    }
    return result;
}
