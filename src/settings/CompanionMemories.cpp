#include "CompanionMemories.h"

#include <QUrl>

MemoryEntry MemoryEntry::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("id")), json.string(QStringLiteral("kind")),
            json.string(QStringLiteral("text")), json.string(QStringLiteral("createdAt"))};
}

MemoryList MemoryList::fromJson(const JsonReader &json) {
    return {json.list(QStringLiteral("items"), &MemoryEntry::fromJson)};
}

std::optional<QString> CompanionMemories::deletePath(const QString &id) {
    if (id.isEmpty() || id == u'.' || id == QLatin1String(".."))
        return std::nullopt;
    // Everything but the unreserved characters is escaped, "/" and "%" included.
    return listPath + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(id));
}

QString CompanionMemories::kindLabel(const QString &kind) {
    return kind == QLatin1String("goal") ? QStringLiteral("学习目标") : QStringLiteral("学习难点");
}

QString CompanionMemories::caption(const MemoryEntry &entry) {
    return kindLabel(entry.kind) + QStringLiteral(" · ") + entry.createdAt.left(10);
}
