#pragma once

#include "JsonReader.h"

#include <QList>
#include <QString>

#include <optional>

// The learner's study report ("学情报告") as the server computes it: totals for a window of recent days, one
// figure per day, the chapters with their knowledge points and the server's judgement of each, and the weak
// points. Snake case on the wire ("window_days" fills `windowDays`). Every key is required except the two
// `correct_rate`s (missing or null: the server gave none); a missing or mistyped key anywhere, or a fraction
// where a whole number belongs, fails the whole report. Unknown keys are ignored.
//
// The client draws these figures as they come: it never judges a level from a rate itself.
struct StudyReport {
    struct Week {
        qint64 attempts = 0;
        qint64 correct = 0;
        std::optional<qint64> correctRate; // whole percent
        qint64 lessonsCompleted = 0;
        qint64 activeDays = 0;

        static Week fromJson(const JsonReader &json);
    };

    struct Day {
        QString date; // identity; its last two characters label the day's bar
        qint64 attempts = 0;
        qint64 correct = 0;

        const QString &id() const { return date; }
        static Day fromJson(const JsonReader &json);
    };

    struct Kp {
        QString kpCode; // identity
        QString kpName;
        qint64 attempts = 0;
        qint64 correct = 0;
        std::optional<qint64> correctRate; // whole percent
        qint64 openWrong = 0;
        // "mastered", "learning", "weak"; anything else means not enough data to judge.
        QString level;

        const QString &id() const { return kpCode; }
        static Kp fromJson(const JsonReader &json);
    };

    struct Chapter {
        QString chapterCode; // identity
        QString chapterName;
        QList<Kp> kps; // may be empty

        const QString &id() const { return chapterCode; }
        static Chapter fromJson(const JsonReader &json);
    };

    qint64 windowDays = 0;
    qint64 minAttempts = 0;
    Week week;
    QList<Day> days; // in the server's order, drawn left to right
    QList<Chapter> chapters;
    QList<Kp> weakPoints;

    static StudyReport fromJson(const JsonReader &json);
};
