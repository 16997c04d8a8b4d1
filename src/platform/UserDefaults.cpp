#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString kType = QStringLiteral("type");
const QString kValue = QStringLiteral("value");
const QString kBool = QStringLiteral("bool");
const QString kInt = QStringLiteral("int");
const QString kDouble = QStringLiteral("double");
const QString kString = QStringLiteral("string");

// JSON has no NaN or infinities; those doubles are kept as these texts under the "double" type.
QJsonValue encodeDouble(double value) {
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return value;
}

std::optional<double> decodeDouble(const QJsonValue &value) {
    if (value.isDouble())
        return value.toDouble();
    const QString text = value.toString();
    if (text == u"nan")
        return std::numeric_limits<double>::quiet_NaN();
    if (text == u"inf")
        return std::numeric_limits<double>::infinity();
    if (text == u"-inf")
        return -std::numeric_limits<double>::infinity();
    return std::nullopt;
}

// A JSON number that is exactly a 64-bit integer (Qt keeps those exact, also beyond 2^53).
std::optional<qint64> exactInteger(const QJsonValue &value) {
    if (!value.isDouble())
        return std::nullopt;
    const qint64 a = value.toInteger(0);
    const qint64 b = value.toInteger(1);
    if (a != b) // toInteger gave its fallback: not integral or out of range
        return std::nullopt;
    return a;
}

// The stored value with its own type, or invalid when the entry is not one we wrote.
QVariant decode(const QJsonValue &entry) {
    const QJsonObject typed = entry.toObject();
    const QString type = typed.value(kType).toString();
    const QJsonValue value = typed.value(kValue);
    if (type == kBool && value.isBool())
        return value.toBool();
    if (type == kInt) {
        if (const auto integer = exactInteger(value))
            return QVariant::fromValue<qlonglong>(*integer);
        return {};
    }
    if (type == kDouble) {
        if (const auto number = decodeDouble(value))
            return *number;
        return {};
    }
    if (type == kString && value.isString())
        return value.toString();
    return {};
}

// Texts count as numbers only when the whole text is one: no surrounding blanks, no trailing words, no
// hexadecimal, no "nan" or "inf" spelt out by the learner's data.
bool isIntegerText(const QString &text) {
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    return pattern.match(text).hasMatch();
}

std::optional<qint64> integerFromText(const QString &text) {
    if (!isIntegerText(text))
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok) // out of the 64-bit range
        return std::nullopt;
    return value;
}

std::optional<double> doubleFromText(const QString &text) {
    static const QRegularExpression pattern(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

qint64 truncated(double value) {
    if (std::isnan(value))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it does not fit (casting it would be undefined).
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    if (value < -limit)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(std::trunc(value));
}

} // namespace

UserDefaults::UserDefaults(QString path) : m_path(std::move(path)) {
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "UserDefaults: cannot read" << m_path << file.errorString() << "- starting empty";
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (bytes.trimmed().isEmpty()) // nothing stored yet
        return;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        // The next change rewrites the file from what is in memory; keep the damaged one beside it so that
        // nothing is silently thrown away.
        const QString copy = m_path + QStringLiteral(".corrupt");
        QFile::remove(copy);
        QFile::copy(m_path, copy);
        qWarning() << "UserDefaults:" << m_path << "is not a JSON object - starting empty, kept as" << copy;
        return;
    }
    const QJsonObject stored = document.object();
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        if (decode(it.value()).isValid())
            m_values.insert(it.key(), it.value());
        else
            qWarning() << "UserDefaults: dropping unreadable entry" << it.key();
    }
}

QString UserDefaults::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/defaults.json");
}

bool UserDefaults::contains(const QString &key) const {
    return m_values.contains(key);
}

QVariant UserDefaults::object(const QString &key) const {
    const auto it = m_values.constFind(key);
    return it == m_values.constEnd() ? QVariant() : decode(it.value());
}

bool UserDefaults::boolValue(const QString &key) const {
    const QVariant value = object(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::LongLong:
        return value.toLongLong() != 0;
    case QMetaType::Double:
        return value.toDouble() != 0;
    case QMetaType::QString: {
        const QString text = value.toString();
        if (text.compare(u"true", Qt::CaseInsensitive) == 0 || text.compare(u"yes", Qt::CaseInsensitive) == 0)
            return true;
        // Any non-zero integer, also one too long for 64 bits.
        return isIntegerText(text) &&
               std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'1' && c <= u'9'; });
    }
    default:
        return false;
    }
}

qint64 UserDefaults::integerValue(const QString &key) const {
    const QVariant value = object(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
        return truncated(value.toDouble());
    case QMetaType::QString:
        return integerFromText(value.toString()).value_or(0);
    default:
        return 0;
    }
}

double UserDefaults::doubleValue(const QString &key) const {
    const QVariant value = object(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::LongLong:
        return static_cast<double>(value.toLongLong());
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return doubleFromText(value.toString()).value_or(0);
    default:
        return 0;
    }
}

std::optional<QString> UserDefaults::stringValue(const QString &key) const {
    const QVariant value = object(key);
    switch (value.typeId()) {
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        // Plain decimal digits, as few as read back to the same double: 5.0 -> "5", 0.1 -> "0.1".
        return QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest);
    case QMetaType::QString:
        return value.toString();
    default: // bool or missing
        return std::nullopt;
    }
}

void UserDefaults::setBool(const QString &key, bool value) {
    store(key, {{kType, kBool}, {kValue, value}});
}

void UserDefaults::setInteger(const QString &key, qint64 value) {
    store(key, {{kType, kInt}, {kValue, value}});
}

void UserDefaults::setDouble(const QString &key, double value) {
    store(key, {{kType, kDouble}, {kValue, encodeDouble(value)}});
}

void UserDefaults::setString(const QString &key, const QString &value) {
    store(key, {{kType, kString}, {kValue, value}});
}

void UserDefaults::remove(const QString &key) {
    // Removing what is not there changes nothing, so the file is left as it is.
    if (!m_values.contains(key))
        return;
    m_values.remove(key);
    save();
}

void UserDefaults::store(const QString &key, const QJsonObject &typed) {
    m_values.insert(key, typed);
    save();
}

void UserDefaults::save() const {
    if (m_path.isEmpty())
        return;
    const QString directory = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(directory)) {
        qWarning() << "UserDefaults: cannot create" << directory;
        return;
    }
    // QSaveFile writes a temporary file and renames it over the old one: a crash mid-write leaves either the
    // old or the new file, never half of one.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning() << "UserDefaults: cannot write" << m_path << file.errorString();
        return;
    }
    file.write(QJsonDocument(m_values).toJson(QJsonDocument::Indented));
    if (!file.commit())
        qWarning() << "UserDefaults: cannot write" << m_path << file.errorString();
}
