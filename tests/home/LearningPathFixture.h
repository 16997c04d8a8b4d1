#pragma once

#include "Fixtures.h"

#include <QJsonArray>
#include <QStringList>

// A learning path as the service sends it, with one lesson per given state, in order: the sample path with
// its id, goal and lessons replaced. What the home cards count from it is the lessons' states.
inline QByteArray learningPathWith(qint64 id, const QString &goal, const QStringList &states) {
    QJsonObject path = Fixtures::object(QStringLiteral("learning/path-rational-numbers.json"));
    const QJsonObject lesson = path.value("items").toArray().first().toObject();
    QJsonArray items;
    for (qsizetype i = 0; i < states.size(); ++i) {
        QJsonObject item = lesson;
        item.insert("item_id", 100 * id + i);
        item.insert("list_order", 1 + i);
        item.insert("state", states[i]);
        items.append(item);
    }
    path.insert("path_id", id);
    path.insert("goal", goal);
    path.insert("items", items);
    return Fixtures::bytes(path);
}
