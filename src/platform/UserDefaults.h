#pragma once

#include <QJsonObject>
#include <QString>
#include <QVariant>

#include <optional>

// The app's small typed preference store: a JSON file in the app's config location, rewritten atomically on
// every change. Booleans, integers, doubles and texts are kept apart, so a value reads back as what was
// written, also in a later process. Main thread only.
//
// The typed reads convert the way a learner's stored state needs them:
// - boolValue: a bool as is; a number is true when non-zero; a text is true for "true", "yes" or a non-zero
//   integer (case-insensitive); missing -> false.
// - integerValue: an integer as is; a double truncated; a text parsed as a whole integer (else 0); a bool as
//   0/1; missing -> 0.
// - doubleValue: numbers as is; a text parsed as a number (else 0); a bool as 0/1; missing -> 0.
// - stringValue: a text as is; a number in its shortest decimal form; a bool -> nothing; missing -> nothing.
class UserDefaults {
public:
    // `path` is the JSON file; an empty path keeps everything in memory (tests).
    explicit UserDefaults(QString path = {});

    static QString defaultPath(); // <config location>/defaults.json

    bool contains(const QString &key) const;
    // The stored value with its own type (bool, qlonglong, double or QString); invalid when missing.
    QVariant object(const QString &key) const;

    bool boolValue(const QString &key) const;
    qint64 integerValue(const QString &key) const;
    double doubleValue(const QString &key) const;
    std::optional<QString> stringValue(const QString &key) const;

    void setBool(const QString &key, bool value);
    void setInteger(const QString &key, qint64 value);
    void setDouble(const QString &key, double value);
    void setString(const QString &key, const QString &value);
    void remove(const QString &key);

private:
    void store(const QString &key, const QJsonObject &typed);
    void save() const;

    QString m_path;
    QJsonObject m_values; // key -> {"type": "bool"|"int"|"double"|"string", "value": ...}
};
