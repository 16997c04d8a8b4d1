#include "CompanionMemories.h"

MemoryEntry MemoryEntry::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("id")), json.string(QStringLiteral("kind")),
            json.string(QStringLiteral("text")), json.string(QStringLiteral("createdAt"))};
}

MemoryList MemoryList::fromJson(const JsonReader &json) {
    return {json.list(QStringLiteral("items"), &MemoryEntry::fromJson)};
}

QString CompanionMemories::kindLabel(const QString &kind) {
    return kind == QLatin1String("goal") ? QStringLiteral("学习目标") : QStringLiteral("学习难点");
}

QString CompanionMemories::caption(const MemoryEntry &entry) {
    return kindLabel(entry.kind) + QStringLiteral(" · ") + entry.createdAt.left(10);
}
