#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>

#include <optional>
#include <variant>

// One reference a reply draws on.
struct Citation {
    Q_GADGET
    Q_PROPERTY(qint64 index MEMBER index)
    Q_PROPERTY(QString source MEMBER source)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString snippet MEMBER snippet)

public:
    qint64 index = 0;
    QString source;
    QString title;
    QString snippet;

    bool operator==(const Citation &) const = default;

    // Nothing unless "index" is a whole number; the texts default to "".
    static std::optional<Citation> fromJSON(const QJsonObject &object);
};

struct Hotline {
    QString name;
    QString number;
    bool operator==(const Hotline &) const = default;
};

// The events of a companion reply, one per data line of the server's event stream.
namespace CompanionEvents {
struct Delta {
    QString text;
    bool operator==(const Delta &) const = default;
};
struct ToolCall {
    QString skill;
    bool operator==(const ToolCall &) const = default;
};
struct Confirm {
    QString skill;
    QString title;
    QMap<QString, QString> args; // every value already text; keys in ascending order
    bool operator==(const Confirm &) const = default;
};
struct Crisis {
    QString text;
    QList<Hotline> hotlines;
    bool operator==(const Crisis &) const = default;
};
struct Error {
    QString code;
    QString message;
    bool operator==(const Error &) const = default;
};
struct Done {
    std::optional<QString> model;
    bool degraded = false;
    std::optional<QString> location;
    std::optional<QString> language;
    bool operator==(const Done &) const = default;
};
struct Hint {
    qint64 level = 1;
    qint64 maxLevel = 3;
    QString label;
    bool operator==(const Hint &) const = default;
};
struct Citations {
    QList<Citation> items; // never empty
    bool operator==(const Citations &) const = default;
};
} // namespace CompanionEvents

struct CompanionEvent {
    using Value = std::variant<CompanionEvents::Delta, CompanionEvents::ToolCall, CompanionEvents::Confirm,
                               CompanionEvents::Crisis, CompanionEvents::Error, CompanionEvents::Done,
                               CompanionEvents::Hint, CompanionEvents::Citations>;
    Value value;

    bool operator==(const CompanionEvent &) const = default;

    template <typename T>
    const T *as() const {
        return std::get_if<T>(&value);
    }

    // The event of one data line under the event name in force, or nothing. Lenient: a missing or mistyped
    // field takes its default; only a payload that is not a JSON object, or a name outside the known set
    // (compared exactly), yields nothing. Never throws.
    static std::optional<CompanionEvent> decode(const QString &name, const QByteArray &data);

    // How a confirm argument that is not a string reads: whole numbers as digits, other numbers in their
    // shortest exact form, booleans "true"/"false", null "", arrays and objects as compact JSON.
    static QString argumentText(const QJsonValue &value);
};

Q_DECLARE_METATYPE(Citation)
