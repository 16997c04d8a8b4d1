#pragma once

#include "Fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>

// Inbox messages as the service sends them: the sample message with its id, kind, read flag and time
// replaced, and the bare array that the list answer is.
inline QJsonObject inboxMessage(qint64 id, const QString &kind = QStringLiteral("weekly_report"),
                                bool read = false,
                                const QString &createdAt = QStringLiteral("2026-03-01T07:50:09Z")) {
    QJsonObject message = Fixtures::object(QStringLiteral("home/inbox-message.json"));
    message.insert("id", id);
    message.insert("kind", kind);
    message.insert("title", kind + u' ' + QString::number(id));
    message.insert("read", read);
    message.insert("created_at", createdAt);
    return message;
}

inline QByteArray inboxAnswer(const QList<QJsonObject> &messages) {
    QJsonArray list;
    for (const QJsonObject &message : messages)
        list.append(message);
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}
