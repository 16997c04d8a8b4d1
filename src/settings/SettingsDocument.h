#pragma once

#include "FlexibleValue.h"
#include "JsonReader.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// The server-driven settings pages: a page document of sections and rows, sent together with the learner's
// stored preference values. Keys travel in camelCase exactly as the fields are named ("schemaVersion",
// "minClient", "valueFrom"); decode with JsonKeys::AsIs. A required key that is missing, null or of another
// type, and an optional key present with another type, fail the whole reply: a page is shown whole or not
// at all (the store then shows its built-in page). Keys no field names are ignored.

// Preference key -> value, as the server keeps them. "pref.dark_mode" is the one key the client acts on.
using SettingsPrefs = QMap<QString, FlexibleValue>;

// Reads every value of the object as a FlexibleValue; an array or object inside becomes null.
SettingsPrefs settingsPrefsFromJson(const QJsonObject &object);
QJsonObject settingsPrefsToJson(const SettingsPrefs &prefs);

// One row. Only id, type and title are required; every other field is absent when its key is missing or
// null, never an empty text or false filled in. `type` is one of "navigation", "toggle", "action", "info",
// "link"; a row of another type still decodes and stays in the document (an older client simply does not
// draw it).
struct SettingsItem {
    QString id;
    QString type;
    QString title;
    std::optional<QString> subtitle;
    std::optional<QString> icon;
    std::optional<QString> minClient;
    std::optional<QString> route;
    std::optional<QString> key;
    // Only toggles have defaults, and only booleans: a "default" of another type fails the document.
    std::optional<bool> defaultValue; // "default" on the wire
    std::optional<QString> action;
    std::optional<QString> style;
    std::optional<QString> valueFrom;
    std::optional<QString> value;
    std::optional<QString> url;

    static SettingsItem fromJson(const JsonReader &json);
    // Absent fields are left out of the object.
    QJsonObject toJson() const;
    friend bool operator==(const SettingsItem &, const SettingsItem &) = default;
};

struct SettingsSection {
    QString id;
    std::optional<QString> title;
    QList<SettingsItem> items;

    static SettingsSection fromJson(const JsonReader &json);
    QJsonObject toJson() const;
    friend bool operator==(const SettingsSection &, const SettingsSection &) = default;
};

struct SettingsPageDocument {
    QString schemaVersion;
    QString pageId;
    qint64 revision = 0; // a whole number: 3.5 or "3" fails
    QString title;
    QList<SettingsSection> sections;

    static SettingsPageDocument fromJson(const JsonReader &json);
    QJsonObject toJson() const;
    // The first row with that id, or none; ids are not checked for uniqueness.
    const SettingsItem *findItem(const QString &itemId) const;
    friend bool operator==(const SettingsPageDocument &, const SettingsPageDocument &) = default;
};

// The answer of a page fetch. "prefs" is required (the empty object when the learner stored nothing).
struct SettingsPageResponse {
    SettingsPageDocument page;
    SettingsPrefs prefs;

    static SettingsPageResponse fromJson(const JsonReader &json);
    QJsonObject toJson() const;
};
