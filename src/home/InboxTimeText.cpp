#include "InboxTimeText.h"

#include "InternetDateTime.h"

namespace InboxTimeText {

namespace {

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString clockTime(const QTime &time) {
    return twoDigits(time.hour()) + u':' + twoDigits(time.minute());
}

QString monthDay(const QDate &date) {
    return QString::number(date.month()) + u'月' + QString::number(date.day()) + u'日';
}

} // namespace

std::optional<QDateTime> parseDate(QStringView createdAt) {
    return InternetDateTime::parse(createdAt);
}

QString relativeTime(QStringView createdAt, const QDateTime &now, const QTimeZone &zone) {
    const std::optional<QDateTime> date = parseDate(createdAt);
    if (!date)
        return {};
    const double elapsed = double(date->msecsTo(now)) / 1000.0;
    if (elapsed < 60)
        return QStringLiteral("刚刚");
    if (elapsed < 3600)
        return QString::number(qint64(elapsed / 60)) + QStringLiteral(" 分钟前");
    const QDateTime local = date->toTimeZone(zone);
    const QDate today = now.toTimeZone(zone).date();
    if (local.date() == today)
        return QString::number(qint64(elapsed / 3600)) + QStringLiteral(" 小时前");
    if (local.date() == today.addDays(-1))
        return QStringLiteral("昨天 ") + clockTime(local.time());
    return monthDay(local.date()) + u' ' + clockTime(local.time());
}

QString fullTime(QStringView createdAt, const QTimeZone &zone) {
    const std::optional<QDateTime> date = parseDate(createdAt);
    if (!date)
        return createdAt.toString();
    const QDateTime local = date->toTimeZone(zone);
    return QString::number(local.date().year()) + u'年' + monthDay(local.date()) + u' ' +
           clockTime(local.time());
}

} // namespace InboxTimeText
