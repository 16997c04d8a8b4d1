#include "StudyLimits.h"

StudyLimits::Period StudyLimits::Period::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("start")), json.string(QStringLiteral("end"))};
}

QJsonObject StudyLimits::Period::toJson() const {
    return {{QStringLiteral("start"), start}, {QStringLiteral("end"), end}};
}

StudyLimits StudyLimits::fromJson(const JsonReader &json) {
    StudyLimits limits;
    limits.dailyMinutes = json.int64(QStringLiteral("dailyMinutes"));
    limits.blockedPeriods = json.list(QStringLiteral("blockedPeriods"), &Period::fromJson);
    limits.enforced = json.boolean(QStringLiteral("enforced"));
    limits.editable = json.boolean(QStringLiteral("editable"));
    limits.usedMinutes = json.int64(QStringLiteral("usedMinutes"));
    limits.remainingMinutes = json.int64(QStringLiteral("remainingMinutes"));
    limits.minDailyMinutes = json.optInt64(QStringLiteral("minDailyMinutes"));
    limits.maxDailyMinutes = json.optInt64(QStringLiteral("maxDailyMinutes"));
    return limits;
}
