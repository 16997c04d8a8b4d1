#include "StudyReportViewModel.h"

#include "ErrorText.h"
#include "HomeLogging.h"
#include "StudyReportClient.h"
#include "Theme.h"

#include <algorithm>
#include <exception>

namespace {

QString number(qint64 value) {
    return QString::number(value); // plain digits: no grouping, whatever the locale
}

} // namespace

StudyReportViewModel::StudyReportViewModel(QObject *parent)
    : ScreenViewModel(parent), m_rows(new ListModel<StudyReportRow>(this)),
      m_dayBars(new ListModel<StudyReportDayBar>(this)) {}

StudyReportViewModel::~StudyReportViewModel() = default;

StudyReportViewModel::State StudyReportViewModel::state() const {
    if (m_report)
        return Shown;
    return m_error ? Failed : Loading;
}

void StudyReportViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void StudyReportViewModel::disappear() {
    dropAppearance();
}

QCoro::Task<> StudyReportViewModel::runLoad() {
    QPointer<AppSession> session = this->session();
    const Appearance appearance = this->appearance();
    if (!session)
        co_return;
    setRunning(m_running + 1);

    std::optional<StudyReport> report;
    std::optional<QString> failure;
    try {
        report = co_await StudyReportClient().fetch(*session);
    } catch (...) {
        qCInfo(lcHome) << "study report not loaded:" << failureSummary(std::current_exception());
        failure = ::errorText(std::current_exception());
    }
    // The page may have been closed meanwhile: then `this` is gone and nothing may be touched.
    if (!appearance.alive())
        co_return;
    setRunning(m_running - 1);
    if (!appearance.current())
        co_return;
    if (report)
        apply(std::move(*report));
    else if (failure)
        fail(*failure); // a load we cancelled ourselves is no failure to show
}

void StudyReportViewModel::apply(StudyReport report) {
    const State before = state();
    const bool hadError = m_error.has_value();
    const QString oldHeadline = headline();
    const QString oldActivity = activityLine();

    m_rows->replaceAll(rows(report));
    m_dayBars->replaceAll(dayBars(report.days));
    m_report = std::move(report);
    m_error.reset();

    if (headline() != oldHeadline || activityLine() != oldActivity)
        Q_EMIT summaryChanged();
    if (hadError)
        Q_EMIT errorTextChanged();
    if (state() != before)
        Q_EMIT stateChanged();
}

void StudyReportViewModel::fail(const QString &text) {
    const State before = state();
    if (m_error == text)
        return;
    m_error = text;
    Q_EMIT errorTextChanged();
    if (state() != before)
        Q_EMIT stateChanged();
}

void StudyReportViewModel::setRunning(int running) {
    const bool was = refreshing();
    m_running = std::max(0, running);
    if (refreshing() != was)
        Q_EMIT refreshingChanged();
}

// --- texts and figures

QString StudyReportViewModel::headline(const StudyReport::Week &week) {
    QString text = QStringLiteral("做题 ") + number(week.attempts) + QStringLiteral(" 道 · 答对 ") +
                   number(week.correct) + QStringLiteral(" 道");
    if (week.correctRate)
        text += QStringLiteral(" · 正确率 ") + number(qint64(barRate(week.correctRate))) + u'%';
    return text;
}

QString StudyReportViewModel::activityLine(const StudyReport::Week &week) {
    return QStringLiteral("学了 ") + number(week.activeDays) + QStringLiteral(" 天 · 完成 ") +
           number(week.lessonsCompleted) + QStringLiteral(" 节课");
}

qint64 StudyReportViewModel::peak(const QList<StudyReport::Day> &days) {
    qint64 most = 1;
    for (const StudyReport::Day &day : days)
        most = std::max(most, day.attempts);
    return most;
}

int StudyReportViewModel::barHeight(qint64 attempts, qint64 peak) {
    peak = std::max<qint64>(peak, 1);
    attempts = std::clamp<qint64>(attempts, 0, peak);
    // attempts × 40 needs more than 64 bits for the largest counts.
    return 4 + int(static_cast<__int128>(attempts) * 40 / peak);
}

QString StudyReportViewModel::dayLabel(const QString &date) {
    return date.size() <= 2 ? date : date.right(2);
}

QList<StudyReportDayBar> StudyReportViewModel::dayBars(const QList<StudyReport::Day> &days) {
    const qint64 scale = peak(days);
    QList<StudyReportDayBar> bars;
    bars.reserve(days.size());
    for (const StudyReport::Day &day : days)
        bars.append({day.date, dayLabel(day.date), barHeight(day.attempts, scale), day.attempts != 0});
    return bars;
}

QString StudyReportViewModel::levelLabel(const QString &level) {
    if (level == QLatin1String("mastered"))
        return QStringLiteral("已掌握");
    if (level == QLatin1String("learning"))
        return QStringLiteral("巩固中");
    if (level == QLatin1String("weak"))
        return QStringLiteral("薄弱");
    return QStringLiteral("数据不足");
}

int StudyReportViewModel::levelTone(const QString &level) {
    if (level == QLatin1String("mastered"))
        return Theme::BrandTeal;
    if (level == QLatin1String("learning"))
        return Theme::Orange;
    if (level == QLatin1String("weak"))
        return Theme::Red;
    return Theme::SecondaryLabel;
}

double StudyReportViewModel::barRate(std::optional<qint64> rate) {
    return rate ? double(std::clamp<qint64>(*rate, 0, 100)) : 0.0;
}

QString StudyReportViewModel::detailLine(const StudyReport::Kp &kp) {
    if (kp.attempts == 0)
        return QStringLiteral("还没做过这部分的题");
    QString text = QStringLiteral("做了 ") + number(kp.attempts) + QStringLiteral(" 道，答对 ") +
                   number(kp.correct) + QStringLiteral(" 道");
    if (kp.correctRate)
        text += QStringLiteral("（") + number(qint64(barRate(kp.correctRate))) + QStringLiteral("%）");
    if (kp.openWrong > 0)
        text += QStringLiteral(" · 错题本里还有 ") + number(kp.openWrong) + QStringLiteral(" 道");
    return text;
}

QString StudyReportViewModel::noWeakPointsText(qint64 minAttempts) {
    return QStringLiteral("暂时没有明显的薄弱点。每个知识点做满 ") + number(minAttempts) +
           QStringLiteral(" 道题后才会给出判断。");
}

QString StudyReportViewModel::chapterTitle(const QString &chapterName) {
    return QStringLiteral("掌握图 · 《") + chapterName + QStringLiteral("》");
}

QString StudyReportViewModel::explanation(qint64 windowDays) {
    return QStringLiteral("统计近 ") + number(windowDays) +
           QStringLiteral(" 天的作答记录。正确率 ≥ 80% 为已掌握，60%–79% 为巩固中，低于 60% 为薄弱。");
}

QList<StudyReportRow> StudyReportViewModel::rows(const StudyReport &report) {
    const auto kpRow = [](const QString &key, const StudyReport::Kp &kp, bool highlight) {
        StudyReportRow row;
        row.key = key;
        row.kind = QStringLiteral("kp");
        row.kpName = kp.kpName;
        row.levelLabel = levelLabel(kp.level);
        row.levelTone = levelTone(kp.level);
        row.highlight = highlight;
        row.rate = barRate(kp.correctRate);
        row.detail = detailLine(kp);
        return row;
    };
    const auto textRow = [](const QString &key, const QString &kind, const QString &text) {
        StudyReportRow row;
        row.key = key;
        row.kind = kind;
        row.text = text;
        return row;
    };

    QList<StudyReportRow> list;
    list.append(textRow(QStringLiteral("summary"), QStringLiteral("summary"), {}));
    list.append(textRow(QStringLiteral("weak"), QStringLiteral("heading"), QStringLiteral("需要加强")));
    for (const StudyReport::Kp &kp : report.weakPoints)
        list.append(kpRow(QStringLiteral("weak/") + kp.kpCode, kp, true));
    if (report.weakPoints.isEmpty())
        list.append(
            textRow(QStringLiteral("no-weak"), QStringLiteral("note"), noWeakPointsText(report.minAttempts)));
    for (const StudyReport::Chapter &chapter : report.chapters) {
        const QString chapterKey = QStringLiteral("chapter/") + chapter.chapterCode;
        list.append(textRow(chapterKey, QStringLiteral("chapter"), chapterTitle(chapter.chapterName)));
        for (const StudyReport::Kp &kp : chapter.kps)
            list.append(kpRow(chapterKey + u'/' + kp.kpCode, kp, false));
    }
    list.append(textRow(QStringLiteral("explanation"), QStringLiteral("explanation"),
                        explanation(report.windowDays)));
    return list;
}
