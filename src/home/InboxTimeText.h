#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTimeZone>

#include <optional>

// The inbox's two texts for a message's `createdAt`: a short one for its row and the full date and time for
// its detail. The clock and the time zone are arguments (the screen passes the platform clock and the
// system zone), so that midnight and "yesterday" are decided where the learner is. Numbers are plain
// digits, never grouped.
namespace InboxTimeText {

// The instant of a strict internet date-time ("2026-03-01T08:15:30Z", "...30.123+08:00"); nothing for any
// other text, a date-time without a zone included.
std::optional<QDateTime> parseDate(QStringView createdAt);

// "刚刚" under a minute (every future instant included), "N 分钟前" under an hour, "N 小时前" for earlier
// today, "昨天 HH:mm", else "M月d日 HH:mm" (no year, even for an earlier year); "" for a text that does not
// parse. Minutes and hours are truncated; an instant 40 minutes ago before midnight is still "40 分钟前".
QString relativeTime(QStringView createdAt, const QDateTime &now, const QTimeZone &zone);

// "yyyy年M月d日 HH:mm" in `zone`; the text itself, unchanged, when it does not parse.
QString fullTime(QStringView createdAt, const QTimeZone &zone);

} // namespace InboxTimeText
