#include "InternetDateTime.h"

namespace InternetDateTime {

namespace {

// Reads `count` ASCII digits at `at` (advancing it); -1 when any is missing.
int digits(QStringView text, qsizetype &at, int count) {
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const QChar c = text[at + i];
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    at += count;
    return value;
}

bool expect(QStringView text, qsizetype &at, char16_t c) {
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

} // namespace

std::optional<QDateTime> parse(QStringView text) {
    qsizetype at = 0;
    const int year = digits(text, at, 4);
    if (year < 0 || !expect(text, at, u'-'))
        return std::nullopt;
    const int month = digits(text, at, 2);
    if (month < 0 || !expect(text, at, u'-'))
        return std::nullopt;
    const int day = digits(text, at, 2);
    if (day < 0 || !expect(text, at, u'T'))
        return std::nullopt;
    const int hour = digits(text, at, 2);
    if (hour < 0 || !expect(text, at, u':'))
        return std::nullopt;
    const int minute = digits(text, at, 2);
    if (minute < 0 || !expect(text, at, u':'))
        return std::nullopt;
    const int second = digits(text, at, 2);
    if (second < 0)
        return std::nullopt;

    int millis = 0;
    if (expect(text, at, u'.')) {
        int read = 0;
        while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
            if (read < 3)
                millis = millis * 10 + (text[at].unicode() - u'0');
            ++read;
            ++at;
        }
        if (read == 0)
            return std::nullopt;
        for (int i = read; i < 3; ++i)
            millis *= 10;
    }

    int offsetSeconds = 0;
    if (!expect(text, at, u'Z')) {
        if (at >= text.size() || (text[at] != u'+' && text[at] != u'-'))
            return std::nullopt;
        const int sign = text[at] == u'-' ? -1 : 1;
        ++at;
        const int offsetHours = digits(text, at, 2);
        if (offsetHours < 0 || offsetHours > 23 || !expect(text, at, u':'))
            return std::nullopt;
        const int offsetMinutes = digits(text, at, 2);
        if (offsetMinutes < 0 || offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = sign * (offsetHours * 3600 + offsetMinutes * 60);
    }
    if (at != text.size())
        return std::nullopt;

    const QDate date(year, month, day);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    // The wall time at that offset, moved to UTC.
    const QDateTime wall(date, QTime(hour, minute, second, millis), Qt::UTC);
    if (!wall.isValid())
        return std::nullopt;
    return wall.addSecs(-offsetSeconds);
}

} // namespace InternetDateTime
