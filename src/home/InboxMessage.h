#pragma once

#include "JsonReader.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One notice of the learner's inbox as the server sends it. Snake case on the wire ("created_at" fills
// `createdAt`; a key already in camel case is read too). Every key is required with its exact JSON type
// except `ref_type` and `ref_id`, which may be missing or null; other keys are ignored. Ids are kept as
// 64-bit integers, exact beyond 2^53.
struct InboxMessage {
    qint64 id = 0; // identity in lists, and the key sent to mark it read
    QString kind;  // any text: the kind table files unknown ones under its default row
    QString title;
    QString body;
    std::optional<QString> refType;
    std::optional<qint64> refId;
    QString createdAt; // internet date-time text, parsed only to be shown
    bool read = false;

    static InboxMessage fromJson(const JsonReader &json);
    // The list answer: a bare JSON array of messages in the server's order. Anything else (an {"items": ...}
    // envelope included), or one bad element, throws JsonDecodeError for the whole list.
    static QList<InboxMessage> listFromJson(const QByteArray &body);
};
