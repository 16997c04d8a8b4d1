#pragma once

#include <QDateTime>
#include <QStringView>

#include <optional>

// The internet profile of ISO 8601 that the service writes its instants in: "2026-03-01T08:15:30Z",
// "2026-03-01T08:15:30.250+08:00". Strict where `Qt::ISODate` is lenient: the date, the "T", the time with
// seconds and the zone ("Z" or "±HH:MM") are all required, every field has its fixed number of digits and its
// range, and nothing may follow. Fractional seconds are optional (one digit or more, read to the
// millisecond).
namespace InternetDateTime {

// The instant in UTC, or nothing when the text is not such a date-time.
std::optional<QDateTime> parse(QStringView text);

} // namespace InternetDateTime
