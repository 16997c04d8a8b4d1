#pragma once

#include "JsonReader.h"

#include <QColor>
#include <QHashFunctions>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The records of one robot catalog. They are plain values, decoded from the "/v1/robots" answer with the
// keys exactly as the wire writes them (no key conversion); every field is required, and a record that lacks
// one or holds a value of another JSON type fails the whole catalog. Keys a record does not name are ignored.
// The records QML reads are gadgets; their names inside the catalog are the `RobotCatalog::...` aliases.

// One reply language: its code ("zh-CN"), the name shown to the learner, and the locale speech uses.
struct RobotLanguage {
    Q_GADGET
    QML_VALUE_TYPE(robotLanguage)
    Q_PROPERTY(QString code MEMBER code)
    Q_PROPERTY(QString label MEMBER label)
    Q_PROPERTY(QString ttsLocale MEMBER ttsLocale)

public:
    QString code;
    QString label;
    QString ttsLocale;

    static RobotLanguage fromJson(const JsonReader &json);
    friend bool operator==(const RobotLanguage &, const RobotLanguage &) = default;
};

// One speech voice; `pitch` and `rate` are multipliers of the system synthesizer's neutral values.
struct RobotVoice {
    Q_GADGET
    QML_VALUE_TYPE(robotVoice)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString label MEMBER label)
    Q_PROPERTY(double pitch MEMBER pitch)
    Q_PROPERTY(double rate MEMBER rate)

public:
    QString id;
    QString label;
    double pitch = 1.0;
    double rate = 1.0;

    static RobotVoice fromJson(const JsonReader &json);
    friend bool operator==(const RobotVoice &, const RobotVoice &) = default;
};

// One robot character. `color` and `accent` are hex texts ("#14A098", read with `hexColor`); `shape` and
// `accessory` name what the avatar draws.
struct RobotCharacter {
    Q_GADGET
    QML_VALUE_TYPE(robotCharacter)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QString color MEMBER color)
    Q_PROPERTY(QString accent MEMBER accent)
    Q_PROPERTY(QString shape MEMBER shape)
    Q_PROPERTY(QString accessory MEMBER accessory)
    Q_PROPERTY(QString defaultVoice MEMBER defaultVoice)

public:
    QString id;
    QString name;
    QString color;
    QString accent;
    QString shape;
    QString accessory;
    QString defaultVoice;

    static RobotCharacter fromJson(const JsonReader &json);
    friend bool operator==(const RobotCharacter &, const RobotCharacter &) = default;
};

// One scene of the app ("home", "companion", ...): its robot, greeting and suggested prompts.
struct RobotScene {
    Q_GADGET
    QML_VALUE_TYPE(robotScene)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString label MEMBER label)
    Q_PROPERTY(QString robot MEMBER robot)
    Q_PROPERTY(QString greeting MEMBER greeting)
    Q_PROPERTY(QStringList prompts MEMBER prompts)

public:
    QString id;
    QString label;
    QString robot;
    QString greeting;
    QStringList prompts;

    static RobotScene fromJson(const JsonReader &json);
    friend bool operator==(const RobotScene &, const RobotScene &) = default;
};

// Which chat models the service offers.
struct RobotModels {
    bool local = false;
    bool cloud = false;

    static RobotModels fromJson(const JsonReader &json);
    friend bool operator==(const RobotModels &, const RobotModels &) = default;
};

size_t qHash(const RobotLanguage &value, size_t seed = 0) noexcept;
size_t qHash(const RobotVoice &value, size_t seed = 0) noexcept;
size_t qHash(const RobotCharacter &value, size_t seed = 0) noexcept;
size_t qHash(const RobotScene &value, size_t seed = 0) noexcept;
size_t qHash(const RobotModels &value, size_t seed = 0) noexcept;

struct RobotCatalog {
    using Language = RobotLanguage;
    using Voice = RobotVoice;
    using Robot = RobotCharacter;
    using Scene = RobotScene;
    using Models = RobotModels;

    QString defaultScene;
    QList<Language> languages;
    QList<Voice> voices;
    QList<Robot> robots;
    QList<Scene> scenes;
    std::optional<Models> models;

    static RobotCatalog fromJson(const JsonReader &json);
    // The body of a "/v1/robots" answer; throws JsonDecodeError when it does not decode as a whole.
    static RobotCatalog decode(const QByteArray &body);

    // The catalog compiled into the app: made once, on first use, and the same value for the rest of the run.
    static const RobotCatalog &builtIn();

    // The first voice with that id; nothing for no id or an unknown one. Exact comparison.
    std::optional<Voice> voice(const std::optional<QString> &id) const;
    // The first language with that code; nothing for an unknown code. Exact comparison.
    std::optional<Language> language(const QString &code) const;
    // The scene with that id, else the default scene, else the first scene; nothing only when the catalog
    // has no scenes at all (a catalog in use always has some).
    std::optional<Scene> scene(const QString &id) const;
    // The robot of the scene `scene(id)`, else the first robot; nothing when the catalog has no scenes or no
    // robots.
    std::optional<Robot> robot(const QString &sceneId) const;

    friend bool operator==(const RobotCatalog &, const RobotCatalog &) = default;
};

// The 24-bit colour value of a hex colour text, or nothing when the text cannot be read: "#" runs are
// trimmed from both ends, the rest is read as an unsigned 64-bit base-16 number (an optional "+"; a "-" only
// before all-zero digits) and its low 24 bits are red, green and blue.
std::optional<quint32> hexColorValue(const QString &text);
// The opaque colour of a hex colour text; any text that cannot be read gives the default robot colour
// (0x14A098).
QColor hexColor(const QString &text);

Q_DECLARE_METATYPE(RobotCatalog)
