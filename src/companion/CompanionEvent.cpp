#include "CompanionEvent.h"

#include "JsonValidator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocale>

#include <cmath>

namespace {

using namespace CompanionEvents;

// A whole number that fits a signed 64-bit integer; booleans and fractions are not.
std::optional<qint64> wholeNumber(const QJsonValue &value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::trunc(number) != number || number < -9223372036854775808.0 || number >= 9223372036854775808.0)
        return std::nullopt;
    return qint64(number);
}

QString stringOr(const QJsonObject &object, const QString &key, const QString &fallback = {}) {
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : fallback;
}

std::optional<QString> optionalString(const QJsonObject &object, const QString &key) {
    const QJsonValue value = object.value(key);
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

qint64 integerOr(const QJsonObject &object, const QString &key, qint64 fallback) {
    return wholeNumber(object.value(key)).value_or(fallback);
}

// The objects of an array, or nothing when the value is not an array or holds anything but objects.
QList<QJsonObject> objectsOf(const QJsonValue &value) {
    QList<QJsonObject> objects;
    if (!value.isArray())
        return objects;
    const QJsonArray array = value.toArray();
    objects.reserve(array.size());
    for (const QJsonValue &element : array) {
        if (!element.isObject())
            return {};
        objects.append(element.toObject());
    }
    return objects;
}

Confirm confirmOf(const QJsonObject &object) {
    Confirm confirm{stringOr(object, QStringLiteral("skill")),
                    stringOr(object, QStringLiteral("title"), QStringLiteral("确认操作")),
                    {}};
    const QJsonObject args = object.value(QStringLiteral("args")).toObject();
    for (auto it = args.begin(); it != args.end(); ++it)
        confirm.args.insert(it.key(), CompanionEvent::argumentText(it.value()));
    return confirm;
}

Crisis crisisOf(const QJsonObject &object) {
    Crisis crisis{stringOr(object, QStringLiteral("text")), {}};
    for (const QJsonObject &hotline : objectsOf(object.value(QStringLiteral("hotlines"))))
        crisis.hotlines.append(
            {stringOr(hotline, QStringLiteral("name")), stringOr(hotline, QStringLiteral("number"))});
    return crisis;
}

std::optional<Citations> citationsOf(const QJsonObject &object) {
    Citations citations;
    for (const QJsonObject &item : objectsOf(object.value(QStringLiteral("items")))) {
        if (const std::optional<Citation> citation = Citation::fromJSON(item))
            citations.items.append(*citation);
    }
    if (citations.items.isEmpty())
        return std::nullopt;
    return citations;
}

} // namespace

std::optional<Citation> Citation::fromJSON(const QJsonObject &object) {
    const std::optional<qint64> index = wholeNumber(object.value(QStringLiteral("index")));
    if (!index)
        return std::nullopt;
    return Citation{*index, stringOr(object, QStringLiteral("source")),
                    stringOr(object, QStringLiteral("title")), stringOr(object, QStringLiteral("snippet"))};
}

QString CompanionEvent::argumentText(const QJsonValue &value) {
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double:
        if (const std::optional<qint64> whole = wholeNumber(value))
            return QString::number(*whole);
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return {};
}

std::optional<CompanionEvent> CompanionEvent::decode(const QString &name, const QByteArray &data) {
    // Malformed data is dropped like any data that is not an object, before Qt's lenient reader sees it.
    if (!JsonValidator::isValid(data))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    if (name == u"delta")
        return CompanionEvent{Delta{stringOr(object, QStringLiteral("text"))}};
    if (name == u"tool_call")
        return CompanionEvent{ToolCall{stringOr(object, QStringLiteral("skill"))}};
    if (name == u"confirm")
        return CompanionEvent{confirmOf(object)};
    if (name == u"crisis")
        return CompanionEvent{crisisOf(object)};
    if (name == u"error")
        return CompanionEvent{Error{stringOr(object, QStringLiteral("code")),
                                    stringOr(object, QStringLiteral("message"), QStringLiteral("出错了"))}};
    if (name == u"hint")
        return CompanionEvent{Hint{integerOr(object, QStringLiteral("level"), 1),
                                   integerOr(object, QStringLiteral("max_level"), 3),
                                   stringOr(object, QStringLiteral("label"))}};
    if (name == u"citation") {
        if (std::optional<Citations> citations = citationsOf(object))
            return CompanionEvent{std::move(*citations)};
        return std::nullopt;
    }
    if (name == u"done") {
        const QJsonValue degraded = object.value(QStringLiteral("degraded"));
        return CompanionEvent{Done{optionalString(object, QStringLiteral("model")),
                                   degraded.isBool() && degraded.toBool(),
                                   optionalString(object, QStringLiteral("location")),
                                   optionalString(object, QStringLiteral("language"))}};
    }
    return std::nullopt;
}
