#include "OnbKit.h"

#include "Graphemes.h"

#include <algorithm>
#include <cmath>
#include <limits>

QString OnbKit::stepCounter(int step, int total) {
    if (stepSegments(total) == 0)
        return {};
    return QString::number(step) + u'/' + QString::number(total);
}

QString OnbKit::limitedText(const QString &text, int limit) {
    return limit < 1 ? text : Graphemes::leading(text, limit);
}

bool OnbKit::exceedsLimit(const QString &text, int limit) {
    return limit >= 1 && Graphemes::count(text) > limit;
}

int OnbKit::wholeMinutes(double value) {
    if (!std::isfinite(value))
        return 0;
    const double whole = std::trunc(value);
    if (whole >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (whole <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(whole);
}

double OnbKit::snappedMinutes(double value, double from, double to, double step) {
    if (!(to > from))
        return from;
    if (!std::isfinite(value))
        return from;
    if (value <= from)
        return from;
    if (!(step > 0))
        return std::min(value, to);
    // Only whole steps from the lower bound fit, so a range whose width is no multiple of the step stops at
    // the last step inside it.
    const double lastStep = std::floor((to - from) / step);
    const double steps = std::min(std::round((value - from) / step), lastStep);
    return from + steps * step;
}

QString OnbKit::minutesBadgeText(double value, const QString &unit) {
    if (unit == weekUnit) {
        const double hours = value / 60;
        if (!(hours >= 1))
            return QStringLiteral("不到 1 小时");
        // Whole hours bare (120 minutes are "2"), any others with one decimal, even where that decimal
        // rounds to 0: 61 minutes are "1.0", which tells the learner the week is a little over an hour.
        const QString number = QString::number(hours, 'f', hours == std::floor(hours) ? 0 : 1);
        return QStringLiteral("约 ") + number + QStringLiteral(" 小时");
    }
    if (!(value >= 25))
        return QStringLiteral("轻松");
    if (value < 50)
        return QStringLiteral("适中");
    if (value < 90)
        return QStringLiteral("进取");
    return QStringLiteral("冲刺");
}

const QStringList &OnbKit::levelWords() {
    static const QStringList words{QStringLiteral("还很陌生"), QStringLiteral("有点印象"),
                                   QStringLiteral("基本会了"), QStringLiteral("比较熟练"),
                                   QStringLiteral("非常拿手")};
    return words;
}

QString OnbKit::levelWord(int score) {
    return levelWords().at(std::clamp(score, 1, 5) - 1);
}
