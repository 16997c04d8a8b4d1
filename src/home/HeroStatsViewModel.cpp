#include "HeroStatsViewModel.h"

#include "ErrorText.h"
#include "HomeLogging.h"
#include "LearningAPIClient.h"
#include "StudyReportClient.h"

#include <exception>

HeroStatsViewModel::HeroStatsViewModel(QObject *parent) : ScreenViewModel(parent) {}

HeroStatsViewModel::~HeroStatsViewModel() = default;

QString HeroStatsViewModel::daysText(qint64 activeDays) {
    if (activeDays <= 0)
        return QStringLiteral("今天开始第 1 天");
    return QStringLiteral("本周学了 ") + QString::number(activeDays) + QStringLiteral(" 天");
}

QString HeroStatsViewModel::planText(const PathProgress &progress) {
    return QStringLiteral("计划 ") + QString::number(progress.done) + u'/' + QString::number(progress.total);
}

QString HeroStatsViewModel::daysChipText() const {
    return m_activeDays ? daysText(*m_activeDays) : QString();
}

QString HeroStatsViewModel::planChipText() const {
    return planChipShown() ? planText(*m_progress) : QString();
}

void HeroStatsViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void HeroStatsViewModel::disappear() {
    dropAppearance();
}

QCoro::Task<> HeroStatsViewModel::runLoad() {
    QPointer<AppSession> session = this->session();
    const Appearance appearance = this->appearance();
    if (!session)
        co_return;
    const auto stillWanted = [&] { return appearance.current() && session; };

    if (const std::optional<qint64> pathId = session->lastPathId()) {
        std::optional<PathProgress> progress;
        try {
            progress = PathProgress::of(co_await LearningAPIClient().fetchPath(*pathId, *session));
        } catch (...) {
            qCInfo(lcHome) << "hero stats: path not loaded:" << failureSummary(std::current_exception());
        }
        if (!stillWanted())
            co_return;
        if (progress)
            setProgress(*progress);
    }

    // The report is asked for whatever became of the path.
    std::optional<qint64> activeDays;
    try {
        activeDays = (co_await StudyReportClient().fetch(*session)).week.activeDays;
    } catch (...) {
        qCInfo(lcHome) << "hero stats: study report not loaded:" << failureSummary(std::current_exception());
    }
    if (!stillWanted())
        co_return;
    if (activeDays)
        setActiveDays(*activeDays);
}

void HeroStatsViewModel::setActiveDays(qint64 days) {
    if (m_activeDays == days)
        return;
    m_activeDays = days;
    Q_EMIT activeDaysChanged();
}

void HeroStatsViewModel::setProgress(PathProgress progress) {
    if (m_progress == progress)
        return;
    m_progress = progress;
    Q_EMIT progressChanged();
}
