#include "ChatMessage.h"

ChatMessage ChatMessage::text(Role role, QString text, QUuid id) {
    ChatMessage message;
    message.m_id = id;
    message.m_role = role;
    message.m_text = std::move(text);
    return message;
}

ChatMessage ChatMessage::confirm(ConfirmCard card) {
    ChatMessage message;
    message.m_kind = Kind::Confirm;
    message.m_card = std::move(card);
    return message;
}

ChatMessage ChatMessage::crisis(QString text, const QList<Hotline> &hotlines) {
    ChatMessage message;
    message.m_kind = Kind::Crisis;
    message.m_text = std::move(text);
    for (const Hotline &hotline : hotlines) {
        message.m_crisisLines.append(hotline.name + u' ' + hotline.number);
        message.m_crisisNumbers.append(QString(hotline.number).remove(u' '));
    }
    return message;
}

ChatMessage ChatMessage::error(QString message) {
    ChatMessage entry;
    entry.m_kind = Kind::Error;
    entry.m_text = std::move(message);
    return entry;
}

QVariantList ChatMessage::citationList() const {
    QVariantList list;
    list.reserve(m_citations.size());
    for (const Citation &citation : m_citations)
        list.append(QVariant::fromValue(citation));
    return list;
}

void ChatMessage::turnIntoError(QString message) {
    m_kind = Kind::Error;
    m_text = std::move(message);
}

QString ChatMessage::kindName() const {
    switch (m_kind) {
    case Kind::Confirm:
        return QStringLiteral("confirm");
    case Kind::Crisis:
        return QStringLiteral("crisis");
    case Kind::Error:
        return QStringLiteral("error");
    case Kind::Text:
        break;
    }
    return QStringLiteral("text");
}
