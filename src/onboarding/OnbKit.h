#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

// The rules of the onboarding form kit (the page header and its step bar, cards, tiles, chips, the text
// field, the minutes picker, the star row and the bottom bar). The kit's views own no state: every value is
// the caller's, passed in or written back through a signal, so what they show is a pure function of their
// inputs, and those functions live here, where they are tested, rather than in the views.
//
// The selectable pieces (tiles, chips, the minutes slider, the stars) play no selection haptic when their
// selection changes: a desktop has no counterpart, so they keep only their short animation.
class OnbKit : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // The weekly unit of the minutes picker; any other unit reads as a day.
    static inline const QString weekUnit = QStringLiteral("周");

    // Header and step bar. The header's top line is the bar while `step` is 1 or more, else the badge when
    // there is one (an empty badge is none), else nothing.
    Q_INVOKABLE static bool headerShowsStepBar(int step) { return step > 0; }
    Q_INVOKABLE static bool headerShowsBadge(int step, const QString &badge) {
        return step <= 0 && !badge.isEmpty();
    }
    // One segment per step; a bar with no steps draws nothing at all, counter included.
    Q_INVOKABLE static int stepSegments(int total) { return total < 1 ? 0 : total; }
    // Segment `index` (from 0) is lit up to the current step; a step past the total lights them all.
    Q_INVOKABLE static bool stepSegmentLit(int index, int step) { return index >= 0 && index < step; }
    // "2/5"; a step past the total is shown as it is ("6/5"); nothing for a bar without steps.
    Q_INVOKABLE static QString stepCounter(int step, int total);

    // Text field. The text the learner's edit leaves: its first `limit` user-perceived characters. Only
    // committed text passes through here; an input method's pre-edit is not part of it and is never cut. A
    // limit below 1 limits nothing.
    Q_INVOKABLE static QString limitedText(const QString &text, int limit);
    Q_INVOKABLE static bool exceedsLimit(const QString &text, int limit);

    // Minutes picker. Minutes are shown, compared with the presets and sent as whole numbers, the fraction
    // dropped.
    Q_INVOKABLE static int wholeMinutes(double value);
    // Where the slider rests for a raw position: the nearest of from, from + step, ... within [from, to];
    // exact, so the value written back holds no rounding residue (45, never 44.999...).
    Q_INVOKABLE static double snappedMinutes(double value, double from, double to, double step);
    Q_INVOKABLE static bool presetSelected(int preset, double value) { return wholeMinutes(value) == preset; }
    // The verdict beside the number: the hours of a week ("不到 1 小时", "约 1.5 小时"), or the load of a day
    // ("轻松", "适中", "进取", "冲刺").
    Q_INVOKABLE static QString minutesBadgeText(double value, const QString &unit);

    // Star row. The level word of a score, clamped to 1 to 5.
    Q_INVOKABLE static QString levelWord(int score);
    static const QStringList &levelWords();
    Q_INVOKABLE static bool starFilled(int star, int score) { return score >= star; }
    // The star that stands for the score is drawn a little larger.
    Q_INVOKABLE static double starScale(int star, int score) { return star == score ? 1.12 : 1.0; }
};
