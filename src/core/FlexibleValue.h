#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

// A bare JSON scalar as preferences and card properties carry it: a boolean, a number (always a double), a
// string, or null. Arrays and objects are read as null rather than failing the document around them: a
// server that starts sending a richer value must not blank the whole page of an older client.
class FlexibleValue {
public:
    enum class Kind { Bool, Number, String, Null };

    FlexibleValue() = default;
    static FlexibleValue boolean(bool value) { return FlexibleValue(Kind::Bool, value, 0, {}); }
    static FlexibleValue number(double value) { return FlexibleValue(Kind::Number, false, value, {}); }
    static FlexibleValue string(QString value) {
        return FlexibleValue(Kind::String, false, 0, std::move(value));
    }

    // Never fails: true/false are booleans (never numbers), every number is a double, "1" stays a string.
    static FlexibleValue fromJson(const QJsonValue &value);
    QJsonValue toJson() const;

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool boolValue() const { return m_bool; }
    double numberValue() const { return m_number; }
    const QString &stringValue() const { return m_string; }

    // What a screen shows: the string as is, "true"/"false", the number's shortest text always with a
    // fractional part (3 gives "3.0"); nothing for null.
    std::optional<QString> displayText() const;
    // The shortest text of a double with a fractional part: 1 gives "1.0", 2.5 gives "2.5".
    static QString numberText(double value);

    // Same kind and equal payload; numbers compare as doubles (0 == -0, NaN equals nothing).
    friend bool operator==(const FlexibleValue &a, const FlexibleValue &b);

private:
    FlexibleValue(Kind kind, bool b, double n, QString s)
        : m_kind(kind), m_bool(b), m_number(n), m_string(std::move(s)) {}

    Kind m_kind = Kind::Null;
    bool m_bool = false;
    double m_number = 0;
    QString m_string;
};
