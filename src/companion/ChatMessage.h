#pragma once

#include "CompanionEvent.h"

#include <QMap>
#include <QStringList>
#include <QUuid>
#include <QVariantList>

#include <optional>

// An action the server proposes; it runs only once the learner confirms it.
struct ConfirmCard {
    QUuid id;
    QString skill; // the action's dotted name, e.g. "path.create"
    QString title;
    QMap<QString, QString> args;
    bool operator==(const ConfirmCard &) const = default;
};

// How the chat screen shows one entry: worked out by the conversation from the entry, the texts in effect,
// the scene and whether a reply streams, so that the bubble only lays it out.
struct ChatMessagePresentation {
    QString displayText; // the entry's text; the scene's greeting in the greeting's place
    QString hintTag;     // empty: no tag
    bool speakable = false;
    bool canUnlock = false;
    QString unlockLabel;
    QString cardTitle;
    QString cardSummary;
    bool operator==(const ChatMessagePresentation &) const = default;
};

// One entry of the companion conversation, and a row of its list model (each property is a role).
//
// A text entry receives the streamed reply; confirm, crisis and error entries are appended whole. The reply
// of a turn is addressed by its id (the turn id), never by its position.
class ChatMessage {
    Q_GADGET
    Q_PROPERTY(QString messageId READ messageId)
    Q_PROPERTY(Role role READ role)
    Q_PROPERTY(Kind kind READ kind)
    Q_PROPERTY(QString kindName READ kindName)
    Q_PROPERTY(QString text READ text)
    Q_PROPERTY(int hintLevel READ hintLevel)
    Q_PROPERTY(bool hasQuestion READ hasQuestion)
    Q_PROPERTY(QVariantList citations READ citationList)
    Q_PROPERTY(QString cardSkill READ cardSkill)
    Q_PROPERTY(QString cardTitle READ cardTitle)
    Q_PROPERTY(QStringList crisisLines READ crisisLines)
    Q_PROPERTY(QStringList crisisNumbers READ crisisNumbers)
    Q_PROPERTY(bool fromLearner READ fromLearner)
    Q_PROPERTY(QString displayText READ displayText)
    Q_PROPERTY(bool showsTypingDots READ showsTypingDots)
    Q_PROPERTY(QString hintTag READ hintTag)
    Q_PROPERTY(bool speakable READ speakable)
    Q_PROPERTY(bool canUnlock READ canUnlock)
    Q_PROPERTY(QString unlockLabel READ unlockLabel)
    Q_PROPERTY(QString cardDisplayTitle READ cardDisplayTitle)
    Q_PROPERTY(QString cardSummary READ cardSummary)

public:
    enum class Role { User, Assistant };
    Q_ENUM(Role)
    enum class Kind { Text, Confirm, Crisis, Error };
    Q_ENUM(Kind)

    ChatMessage() = default;
    static ChatMessage text(Role role, QString text, QUuid id = QUuid::createUuid());
    static ChatMessage confirm(ConfirmCard card);
    static ChatMessage crisis(QString text, const QList<Hotline> &hotlines);
    static ChatMessage error(QString message);

    QUuid id() const { return m_id; }
    QString messageId() const { return m_id.toString(QUuid::WithoutBraces); }
    Role role() const { return m_role; }
    Kind kind() const { return m_kind; }
    // The text of a text entry, the message of an error entry, the notice of a crisis entry.
    const QString &text() const { return m_text; }
    int hintLevel() const { return m_hintLevel; }
    const std::optional<QString> &question() const { return m_question; }
    bool hasQuestion() const { return m_question.has_value(); }
    const QList<Citation> &citations() const { return m_citations; }
    QVariantList citationList() const;
    const std::optional<ConfirmCard> &card() const { return m_card; }
    QString cardSkill() const { return m_card ? m_card->skill : QString(); }
    QString cardTitle() const { return m_card ? m_card->title : QString(); }
    // One line per hotline: its name, a space and its number as written.
    const QStringList &crisisLines() const { return m_crisisLines; }
    // What each line dials: the hotline's own number without its spaces.
    const QStringList &crisisNumbers() const { return m_crisisNumbers; }

    bool fromLearner() const { return m_role == Role::User; }
    // "text", "confirm", "crisis" or "error", for the views.
    QString kindName() const;
    const ChatMessagePresentation &presentation() const { return m_presentation; }
    void setPresentation(ChatMessagePresentation presentation) { m_presentation = std::move(presentation); }
    const QString &displayText() const { return m_presentation.displayText; }
    bool showsTypingDots() const { return isText() && m_presentation.displayText.isEmpty(); }
    const QString &hintTag() const { return m_presentation.hintTag; }
    bool speakable() const { return m_presentation.speakable; }
    bool canUnlock() const { return m_presentation.canUnlock; }
    const QString &unlockLabel() const { return m_presentation.unlockLabel; }
    const QString &cardDisplayTitle() const { return m_presentation.cardTitle; }
    const QString &cardSummary() const { return m_presentation.cardSummary; }

    bool isText() const { return m_kind == Kind::Text; }
    // The entry of the greeting's place, and a reply that has not received a word yet.
    bool isEmptyText() const { return isText() && m_text.isEmpty(); }

    void appendText(const QString &piece) { m_text += piece; }
    void markHint(int level, QString question) {
        m_hintLevel = level;
        m_question = std::move(question);
    }
    void setCitations(QList<Citation> citations) { m_citations = std::move(citations); }
    // The reply failed: the entry shows the failure instead, whatever text it had.
    void turnIntoError(QString message);

    bool operator==(const ChatMessage &) const = default;

private:
    QUuid m_id = QUuid::createUuid();
    Role m_role = Role::Assistant;
    Kind m_kind = Kind::Text;
    QString m_text;
    int m_hintLevel = 0;
    std::optional<QString> m_question;
    QList<Citation> m_citations;
    std::optional<ConfirmCard> m_card;
    QStringList m_crisisLines;
    QStringList m_crisisNumbers;
    ChatMessagePresentation m_presentation;
};
