#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace devserver::companion {

// One learner turn as the chat stream accepted it.
struct Turn {
    QString message;
    int hintLevel = 1;
    std::optional<QString> language;
};

// One server-sent event: its name and its data object.
struct Event {
    QString name;
    QJsonObject data;
};

// The language the companion answers `message` in: Japanese when it has kana, Cantonese when it has a
// Cantonese particle, English when it is mostly Latin letters, else `requested` when that is one of the four
// reply languages, else Simplified Chinese.
QString replyLanguage(const QString &message, const std::optional<QString> &requested);

// The whole scripted reply to `turn`, in order, ending with "done".
QList<Event> scriptedReply(const Turn &turn);

// User-perceived characters (extended grapheme clusters) of `text`.
qsizetype graphemeCount(const QString &text);

} // namespace devserver::companion
