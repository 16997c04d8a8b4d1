#pragma once

#include "PathProgress.h"
#include "ScreenViewModel.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// The row of status chips in the home page's companion header: the days studied this week (from the study
// report) and the lessons done on the learner's last learning path. A chip shows only once its value has
// arrived; the plan chip also needs a path with lessons.
//
// Each time the row comes on screen it loads both, one after the other: the last path first (only when the
// session remembers one), then the study report in every case, even when the path failed. The row only
// decorates the page: a failure leaves the value on show as it was and is never reported. Loads begun before
// the row last left the screen write nothing more; overlapping loads each write what they got, the later
// write winning.
class HeroStatsViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool daysChipShown READ daysChipShown NOTIFY activeDaysChanged)
    Q_PROPERTY(QString daysChipText READ daysChipText NOTIFY activeDaysChanged)
    Q_PROPERTY(bool planChipShown READ planChipShown NOTIFY progressChanged)
    Q_PROPERTY(QString planChipText READ planChipText NOTIFY progressChanged)
    Q_PROPERTY(QString daysSymbol READ daysSymbol CONSTANT)
    Q_PROPERTY(QString planSymbol READ planSymbol CONSTANT)

public:
    explicit HeroStatsViewModel(QObject *parent = nullptr);
    ~HeroStatsViewModel() override;

    // This week's active days and the last path's progress, each absent until it first arrives.
    std::optional<qint64> activeDays() const { return m_activeDays; }
    std::optional<PathProgress> progress() const { return m_progress; }

    bool daysChipShown() const { return m_activeDays.has_value(); }
    QString daysChipText() const;
    bool planChipShown() const { return m_progress && m_progress->total > 0; }
    QString planChipText() const;
    QString daysSymbol() const { return QStringLiteral("flame.fill"); }
    QString planSymbol() const { return QStringLiteral("checkmark.circle.fill"); }

    // "本周学了 3 天"; a week without study yet (0, or a negative count) reads "今天开始第 1 天".
    static QString daysText(qint64 activeDays);
    // "计划 2/5".
    static QString planText(const PathProgress &progress);

    // The row came on screen: loads the path and the report.
    Q_INVOKABLE void load();
    // The row left the screen: loads under way are dropped.
    Q_INVOKABLE void disappear();

    // The load, for callers that wait for it to end (tests).
    QCoro::Task<> runLoad();

Q_SIGNALS:
    void activeDaysChanged();
    void progressChanged();

private:
    void setActiveDays(qint64 days);
    void setProgress(PathProgress progress);

    std::optional<qint64> m_activeDays;
    std::optional<PathProgress> m_progress;
};
