#include "Http.h"
#include "LearningContent.h"
#include "Routes.h"
#include "ServerState.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QSet>

#include <algorithm>
#include <chrono>
#include <map>

// The learner's study report: the last seven calendar days (Beijing time, which keeps no daylight saving, so
// a fixed UTC+8 offset is exact), today last. Figures come from the answers graded in that window, the
// lessons completed in it and the entries still open in the wrong-question book.
//
// A knowledge point is judged only once it has kMinAttempts answers in the window: from its correct rate, in
// whole percent rounded half up, 80 and above "mastered", 60 and above "learning", below that "weak"; with
// fewer answers it is "insufficient" and has no rate. The chapters listed are those the learner touches: a
// chapter of one of their paths, of an answer in the window or of an open wrong-question entry, in the
// content's order, each with all of its points. The weak points are listed weakest first.

namespace devserver {

namespace {

using namespace devserver::learning;

constexpr std::int64_t kWindowDays = 7;
constexpr std::int64_t kMinAttempts = 3;
constexpr std::int64_t kMasteredRate = 80;
constexpr std::int64_t kLearningRate = 60;
constexpr int kBeijingOffsetSeconds = 8 * 60 * 60;

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

QDate beijingDate(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, kBeijingOffsetSeconds).date();
}

struct Tally {
    std::int64_t attempts = 0;
    std::int64_t correct = 0;

    void add(bool right) {
        ++attempts;
        correct += right ? 1 : 0;
    }
    std::optional<std::int64_t> rate() const {
        if (attempts == 0)
            return std::nullopt;
        return (correct * 200 + attempts) / (attempts * 2);
    }
};

QJsonValue rateJson(std::optional<std::int64_t> rate) {
    return rate ? QJsonValue(qint64(*rate)) : QJsonValue(QJsonValue::Null);
}

QString levelOf(const Tally &tally) {
    if (tally.attempts < kMinAttempts)
        return QStringLiteral("insufficient");
    const std::int64_t rate = *tally.rate();
    if (rate >= kMasteredRate)
        return QStringLiteral("mastered");
    if (rate >= kLearningRate)
        return QStringLiteral("learning");
    return QStringLiteral("weak");
}

struct PointFigures {
    Tally tally;
    std::int64_t openWrong = 0;
};

QJsonObject kpJson(const KnowledgePoint &point, const PointFigures &figures) {
    const bool judged = figures.tally.attempts >= kMinAttempts;
    return {{QStringLiteral("kp_code"), point.code},
            {QStringLiteral("kp_name"), point.name},
            {QStringLiteral("attempts"), qint64(figures.tally.attempts)},
            {QStringLiteral("correct"), qint64(figures.tally.correct)},
            {QStringLiteral("correct_rate"), rateJson(judged ? figures.tally.rate() : std::nullopt)},
            {QStringLiteral("open_wrong"), qint64(figures.openWrong)},
            {QStringLiteral("level"), levelOf(figures.tally)}};
}

void studyReport(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    {
        std::lock_guard lock(state.mutex);
        if (state.studyReportReplacement) {
            res.status = 200;
            res.set_content(*state.studyReportReplacement, "application/json");
            return;
        }
    }
    const QDate today = beijingDate(nowMs());
    const QDate first = today.addDays(-(kWindowDays - 1));
    const auto inWindow = [&](std::int64_t ms) {
        const QDate date = beijingDate(ms);
        return date >= first && date <= today;
    };

    Tally week;
    std::map<QDate, Tally> days;
    QSet<QDate> activeDates;
    std::int64_t lessonsCompleted = 0;
    std::map<QString, PointFigures> points; // by point code
    QSet<QString> chapterCodes;
    {
        std::lock_guard lock(state.mutex);
        const LearningState &learning = state.learning;
        for (const PracticeAnswerRecord &answer : learning.answers) {
            if (answer.userId != who->userId || !inWindow(answer.answeredAtMs))
                continue;
            week.add(answer.correct);
            days[beijingDate(answer.answeredAtMs)].add(answer.correct);
            activeDates.insert(beijingDate(answer.answeredAtMs));
            const KnowledgePoint *point = nullptr;
            const Chapter *chapter = nullptr;
            if (findQuestion(answer.questionId, &point, &chapter)) {
                points[point->code].tally.add(answer.correct);
                chapterCodes.insert(chapter->code);
            }
        }
        for (const auto &[pathId, path] : learning.paths) {
            if (path.userId != who->userId)
                continue;
            chapterCodes.insert(path.chapterCode);
            for (const LearningItemRecord &item : path.items) {
                if (item.completedAtMs && inWindow(*item.completedAtMs)) {
                    ++lessonsCompleted;
                    activeDates.insert(beijingDate(*item.completedAtMs));
                }
            }
        }
        for (const auto &[id, item] : learning.wrongItems) {
            if (item.userId != who->userId || item.state != QLatin1String("active"))
                continue;
            const KnowledgePoint *point = nullptr;
            const Chapter *chapter = nullptr;
            if (findQuestion(item.questionId, &point, &chapter)) {
                ++points[point->code].openWrong;
                chapterCodes.insert(chapter->code);
            }
        }
    }

    QJsonArray dayList;
    for (QDate date = first; date <= today; date = date.addDays(1)) {
        const Tally tally = days.count(date) ? days.at(date) : Tally();
        dayList.append(QJsonObject{{QStringLiteral("date"), date.toString(Qt::ISODate)},
                                   {QStringLiteral("attempts"), qint64(tally.attempts)},
                                   {QStringLiteral("correct"), qint64(tally.correct)}});
    }

    QJsonArray chapterList;
    QList<std::pair<std::int64_t, QJsonObject>> weak; // rate, point
    for (const Chapter &chapter : chapters()) {
        if (!chapterCodes.contains(chapter.code))
            continue;
        QJsonArray kps;
        for (const KnowledgePoint &point : chapter.points) {
            const PointFigures figures = points.count(point.code) ? points.at(point.code) : PointFigures();
            const QJsonObject kp = kpJson(point, figures);
            kps.append(kp);
            if (kp.value(QStringLiteral("level")) == QLatin1String("weak"))
                weak.append({*figures.tally.rate(), kp});
        }
        chapterList.append(QJsonObject{{QStringLiteral("chapter_code"), chapter.code},
                                       {QStringLiteral("chapter_name"), chapter.name},
                                       {QStringLiteral("kps"), kps}});
    }
    std::stable_sort(weak.begin(), weak.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QJsonArray weakPoints;
    for (const auto &[rate, kp] : std::as_const(weak))
        weakPoints.append(kp);

    const QJsonObject weekJson{{QStringLiteral("attempts"), qint64(week.attempts)},
                               {QStringLiteral("correct"), qint64(week.correct)},
                               {QStringLiteral("correct_rate"), rateJson(week.rate())},
                               {QStringLiteral("lessons_completed"), qint64(lessonsCompleted)},
                               {QStringLiteral("active_days"), qint64(activeDates.size())}};
    sendJson(res, 200,
             {{QStringLiteral("window_days"), qint64(kWindowDays)},
              {QStringLiteral("min_attempts"), qint64(kMinAttempts)},
              {QStringLiteral("week"), weekJson},
              {QStringLiteral("days"), dayList},
              {QStringLiteral("chapters"), chapterList},
              {QStringLiteral("weak_points"), weakPoints}});
}

} // namespace

void registerStudyReportRoutes(Router &router) {
    ServerState &state = router.state();
    router.get("/api/v1/me/study-report", [&state](const httplib::Request &req, httplib::Response &res) {
        studyReport(state, req, res);
    });
}

} // namespace devserver
