#pragma once

#include "JsonReader.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// The learner's study limits as the server keeps them (GET and PUT "/api/v1/me/limits"). Keys arrive in
// snake_case; a required key that is missing or null, or any value of another JSON type, fails the whole
// reply, and keys no field names are ignored. Decode-only: a save sends a body of its own.
struct StudyLimits {
    // One rest period in which study is blocked: two "HH:MM" texts as the server or the learner wrote them,
    // possibly running past midnight (22:00 to 06:00). They are never checked or reordered here: the server
    // validates what is saved.
    struct Period {
        QString start;
        QString end;

        static Period fromJson(const JsonReader &json);
        QJsonObject toJson() const;
        friend bool operator==(const Period &, const Period &) = default;
    };

    qint64 dailyMinutes = 0;
    QList<Period> blockedPeriods;
    bool enforced = false; // false for adult accounts: nothing is limited
    bool editable = false; // kept as sent; the page does not depend on it
    qint64 usedMinutes = 0;
    qint64 remainingMinutes = 0;
    // The range the learner may choose the daily limit from; absent (or null) when the server names none.
    std::optional<qint64> minDailyMinutes;
    std::optional<qint64> maxDailyMinutes;

    static StudyLimits fromJson(const JsonReader &json);
    friend bool operator==(const StudyLimits &, const StudyLimits &) = default;
};
