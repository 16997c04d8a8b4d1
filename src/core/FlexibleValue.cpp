#include "FlexibleValue.h"

#include <QLocale>

#include <cmath>

FlexibleValue FlexibleValue::fromJson(const QJsonValue &value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        return boolean(value.toBool());
    case QJsonValue::Double:
        return number(value.toDouble());
    case QJsonValue::String:
        return string(value.toString());
    default:
        return {};
    }
}

QJsonValue FlexibleValue::toJson() const {
    switch (m_kind) {
    case Kind::Bool:
        return m_bool;
    case Kind::Number:
        return m_number;
    case Kind::String:
        return m_string;
    case Kind::Null:
        break;
    }
    return QJsonValue::Null;
}

QString FlexibleValue::numberText(double value) {
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    // QString::number, not QLocale: a Chinese locale would group the digits.
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (!text.contains(u'.') && !text.contains(u'e'))
        text += QStringLiteral(".0");
    return text;
}

std::optional<QString> FlexibleValue::displayText() const {
    switch (m_kind) {
    case Kind::Bool:
        return m_bool ? QStringLiteral("true") : QStringLiteral("false");
    case Kind::Number:
        return numberText(m_number);
    case Kind::String:
        return m_string;
    case Kind::Null:
        break;
    }
    return std::nullopt;
}

bool operator==(const FlexibleValue &a, const FlexibleValue &b) {
    if (a.m_kind != b.m_kind)
        return false;
    switch (a.m_kind) {
    case FlexibleValue::Kind::Bool:
        return a.m_bool == b.m_bool;
    case FlexibleValue::Kind::Number:
        return a.m_number == b.m_number;
    case FlexibleValue::Kind::String:
        return a.m_string == b.m_string;
    case FlexibleValue::Kind::Null:
        break;
    }
    return true;
}
