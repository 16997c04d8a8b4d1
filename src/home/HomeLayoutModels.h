#pragma once

#include "FlexibleValue.h"
#include "JsonReader.h"

#include <QJsonObject>
#include <QMap>
#include <QStringList>

#include <optional>

// The home page's layout document as the server keeps it for each learner. Its keys travel in camelCase
// exactly as named here ("schemaVersion", "minClient"); only the answer's "user_overrides" is snake case.
// Decoded with JsonKeys::AsIs: a document written in snake case fails.

using FlexibleProps = QMap<QString, FlexibleValue>;

struct UserOverrides {
    std::optional<QStringList> order;
    std::optional<QStringList> hidden;
    std::optional<QMap<QString, QString>> sizes;

    static UserOverrides fromJson(const JsonReader &json);
};

struct HomeGridCard {
    QString id;
    QString type;
    QString size; // "L", "M", "S"; anything else is kept as sent
    std::optional<QString> minClient;
    std::optional<FlexibleProps> props;

    // The props' "title" as text, else the type (no props, no title, or a null title).
    QString title() const;

    static HomeGridCard fromJson(const JsonReader &json);
    QJsonObject toJson() const;
    friend bool operator==(const HomeGridCard &, const HomeGridCard &) = default;
};

struct HomeCompanionSlot {
    QString type;
    std::optional<FlexibleProps> props;

    static HomeCompanionSlot fromJson(const JsonReader &json);
};

struct HomeLayoutSlots {
    std::optional<HomeCompanionSlot> companion;
    QList<HomeGridCard> grid;

    static HomeLayoutSlots fromJson(const JsonReader &json);
};

struct HomeLayoutDocument {
    QString schemaVersion;
    QString layoutId;
    qint64 revision = 0;
    std::optional<QString> themePack;
    std::optional<QString> source;
    HomeLayoutSlots layoutSlots; // "slots" on the wire; the field name avoids Qt's `slots` keyword

    static HomeLayoutDocument fromJson(const JsonReader &json);
};

struct HomeLayoutResponse {
    HomeLayoutDocument layout;
    std::optional<UserOverrides> userOverrides;

    static HomeLayoutResponse fromJson(const JsonReader &json);
};

// An object of string to scalar, each value read as a FlexibleValue (never failing on an array or object).
FlexibleProps flexiblePropsFromJson(const QJsonObject &object);

// The built-in layout shown when the server's cannot be had: revision 0, source "fallback", a companion
// header greeting "你好" and two large cards, the inbox and today's learning. A new copy on every call.
HomeLayoutDocument fallbackHomeLayout();
