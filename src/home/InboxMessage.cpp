#include "InboxMessage.h"

InboxMessage InboxMessage::fromJson(const JsonReader &json) {
    InboxMessage message;
    message.id = json.int64(QStringLiteral("id"));
    message.kind = json.string(QStringLiteral("kind"));
    message.title = json.string(QStringLiteral("title"));
    message.body = json.string(QStringLiteral("body"));
    message.refType = json.optString(QStringLiteral("refType"));
    message.refId = json.optInt64(QStringLiteral("refId"));
    message.createdAt = json.string(QStringLiteral("createdAt"));
    message.read = json.boolean(QStringLiteral("read"));
    return message;
}

QList<InboxMessage> InboxMessage::listFromJson(const QByteArray &body) {
    const QJsonArray items = JsonReader::parseArray(body);
    QList<InboxMessage> messages;
    messages.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString path = QStringLiteral("[%1]").arg(i);
        if (!items[i].isObject())
            throw JsonDecodeError(path, QStringLiteral("is not an object"));
        messages.append(fromJson(JsonReader(items[i].toObject(), JsonKeys::FromSnakeCase, path)));
    }
    return messages;
}
