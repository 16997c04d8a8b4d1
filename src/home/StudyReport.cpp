#include "StudyReport.h"

StudyReport::Week StudyReport::Week::fromJson(const JsonReader &json) {
    Week week;
    week.attempts = json.int64(QStringLiteral("attempts"));
    week.correct = json.int64(QStringLiteral("correct"));
    week.correctRate = json.optInt64(QStringLiteral("correctRate"));
    week.lessonsCompleted = json.int64(QStringLiteral("lessonsCompleted"));
    week.activeDays = json.int64(QStringLiteral("activeDays"));
    return week;
}

StudyReport::Day StudyReport::Day::fromJson(const JsonReader &json) {
    Day day;
    day.date = json.string(QStringLiteral("date"));
    day.attempts = json.int64(QStringLiteral("attempts"));
    day.correct = json.int64(QStringLiteral("correct"));
    return day;
}

StudyReport::Kp StudyReport::Kp::fromJson(const JsonReader &json) {
    Kp kp;
    kp.kpCode = json.string(QStringLiteral("kpCode"));
    kp.kpName = json.string(QStringLiteral("kpName"));
    kp.attempts = json.int64(QStringLiteral("attempts"));
    kp.correct = json.int64(QStringLiteral("correct"));
    kp.correctRate = json.optInt64(QStringLiteral("correctRate"));
    kp.openWrong = json.int64(QStringLiteral("openWrong"));
    kp.level = json.string(QStringLiteral("level"));
    return kp;
}

StudyReport::Chapter StudyReport::Chapter::fromJson(const JsonReader &json) {
    Chapter chapter;
    chapter.chapterCode = json.string(QStringLiteral("chapterCode"));
    chapter.chapterName = json.string(QStringLiteral("chapterName"));
    chapter.kps = json.list(QStringLiteral("kps"), &Kp::fromJson);
    return chapter;
}

StudyReport StudyReport::fromJson(const JsonReader &json) {
    StudyReport report;
    report.windowDays = json.int64(QStringLiteral("windowDays"));
    report.minAttempts = json.int64(QStringLiteral("minAttempts"));
    report.week = Week::fromJson(json.object(QStringLiteral("week")));
    report.days = json.list(QStringLiteral("days"), &Day::fromJson);
    report.chapters = json.list(QStringLiteral("chapters"), &Chapter::fromJson);
    report.weakPoints = json.list(QStringLiteral("weakPoints"), &Kp::fromJson);
    return report;
}
