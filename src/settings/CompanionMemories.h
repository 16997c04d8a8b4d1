#pragma once

#include "JsonReader.h"

#include <QList>
#include <QString>

// One thing the companion keeps about the learner (a learning goal or a difficulty), as the AI service lists
// it. Every key is required with its type; keys no field names are ignored.
struct MemoryEntry {
    QString id;
    QString kind; // "goal"; any other value is a difficulty
    QString text;
    QString createdAt; // ISO 8601 as sent; only its date is shown

    static MemoryEntry fromJson(const JsonReader &json);
    friend bool operator==(const MemoryEntry &, const MemoryEntry &) = default;
};

// The list answer {"items": [...]}: one entry of the wrong shape fails the whole answer.
struct MemoryList {
    QList<MemoryEntry> items;

    static MemoryList fromJson(const JsonReader &json);
};

namespace CompanionMemories {

// "学习目标" for exactly "goal", "学习难点" for anything else, the empty kind included.
QString kindLabel(const QString &kind);
// The row's second line: the label, " · ", then the first 10 characters of the creation time.
QString caption(const MemoryEntry &entry);

} // namespace CompanionMemories
