#include "Http.h"
#include "LearningContent.h"
#include "QuestionMatch.h"
#include "Routes.h"
#include "ServerState.h"

#include <QDateTime>
#include <QJsonArray>

#include <chrono>

// Practice answers and the wrong-question book, each learner's own.
//
// An answer is graded against the content's key: an option by its label in either case, a typed answer once
// trimmed. A wrong answer files the question into the learner's wrong book, or puts its entry back under
// review: state "active", streak 0, due again at once. A right answer to a question with an entry adds one to
// its streak and schedules the next review 1, then 2 days ahead; the third right answer in a row masters it
// (no further review). A right answer to a question with no entry files nothing.
//
// The list filters by state; due=true keeps only the entries due now, due=false filters nothing more.
//
// Every graded answer is also kept with its time, for the learner's study report (StudyReportRoutes.cpp).

namespace devserver {

namespace {

using namespace devserver::learning;

const QString kActive = QStringLiteral("active");
const QString kMastered = QStringLiteral("mastered");
constexpr std::int64_t kMasteredStreak = 3;
constexpr std::int64_t kDayMs = 24 * 60 * 60 * 1000;
constexpr qsizetype kVariantCount = 3;

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

QString timestamp(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate);
}

std::optional<std::int64_t> idParam(const httplib::Request &req, size_t index) {
    bool ok = false;
    const qint64 id = QString::fromStdString(req.matches[index].str()).toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(id) : std::nullopt;
}

void sendWrongItemNotFound(httplib::Response &res) {
    sendError(res, 404, "wrong_item_not_found", QStringLiteral("这道错题不存在或已删除"));
}

bool isDue(const WrongItemRecord &item, std::int64_t now) {
    return item.state == kActive && item.nextReviewAtMs && *item.nextReviewAtMs <= now;
}

// Why a question of this point goes wrong, as far as the point and the question's kind tell.
QJsonObject errorLayersJson(const KnowledgePoint &point, const SampleQuestion &question) {
    QString method;
    if (question.qtype == QLatin1String("single_choice"))
        method = QStringLiteral("没有把每个选项逐一代入检验，凭印象选了答案");
    else if (question.qtype == QLatin1String("solution"))
        method = QStringLiteral("解题步骤不完整，算完后没有回头检验");
    else
        method = QStringLiteral("计算过程跳步，符号或单位在书写中出了错");
    const QString heading = point.sections.isEmpty() ? point.name : point.sections.first().heading;
    return {{QStringLiteral("knowledge"), QStringLiteral("「%1」的概念和法则还没有掌握牢固").arg(point.name)},
            {QStringLiteral("method"), method},
            {QStringLiteral("misconception"),
             QStringLiteral("对「%1」的理解有偏差，容易和相近的说法混淆").arg(heading)},
            {QStringLiteral("tags"), QJsonArray::fromStringList(point.keywords)},
            {QStringLiteral("corrected_by_user"), false}};
}

QJsonObject snapshotJson(const SampleQuestion &question) {
    QJsonObject json = toJson(question, true);
    json.remove(QStringLiteral("question_id"));
    return json;
}

QJsonObject wrongItemJson(const WrongItemRecord &item, std::int64_t now) {
    QJsonObject json{{QStringLiteral("wrong_item_id"), qint64(item.wrongItemId)},
                     {QStringLiteral("question_id"), qint64(item.questionId)},
                     {QStringLiteral("state"), item.state},
                     {QStringLiteral("correct_streak"), qint64(item.correctStreak)},
                     {QStringLiteral("due"), isDue(item, now)},
                     {QStringLiteral("source"), item.source},
                     {QStringLiteral("created_at"), timestamp(item.createdAtMs)}};
    if (item.nextReviewAtMs)
        json.insert(QStringLiteral("next_review_at"), timestamp(*item.nextReviewAtMs));
    const KnowledgePoint *point = nullptr;
    if (const SampleQuestion *question = findQuestion(item.questionId, &point)) {
        json.insert(QStringLiteral("kp_code"), point->code);
        json.insert(QStringLiteral("kp_name"), point->name);
        json.insert(QStringLiteral("error_layers"), errorLayersJson(*point, *question));
        json.insert(QStringLiteral("question"), snapshotJson(*question));
    } else { // content of an older run that is gone: the entry still lists
        json.insert(QStringLiteral("kp_code"), QString());
        json.insert(QStringLiteral("kp_name"), QString());
    }
    return json;
}

WrongItemRecord *entryForQuestionLocked(LearningState &learning, std::int64_t userId,
                                        std::int64_t questionId) {
    for (auto &[id, item] : learning.wrongItems) {
        if (item.userId == userId && item.questionId == questionId)
            return &item;
    }
    return nullptr;
}

// The entry `wrongItemId` when it belongs to `userId`; the state's lock must be held.
WrongItemRecord *ownEntryLocked(LearningState &learning, std::optional<std::int64_t> wrongItemId,
                                std::int64_t userId) {
    if (!wrongItemId)
        return nullptr;
    const auto found = learning.wrongItems.find(*wrongItemId);
    if (found == learning.wrongItems.end() || found->second.userId != userId)
        return nullptr;
    return &found->second;
}

void submitAnswer(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto questionId = requireInteger(*body, "question_id", std::numeric_limits<std::int64_t>::min(),
                                           std::numeric_limits<std::int64_t>::max(), res);
    if (!questionId)
        return;
    const auto answer = requireString(*body, "answer", res);
    if (!answer)
        return;
    const auto source = requireString(*body, "source", res);
    if (!source)
        return;
    if (answer->trimmed().isEmpty())
        return sendInvalidRequest(res, QStringLiteral("请先作答再提交"));
    if (*source != QLatin1String("practice") && *source != QLatin1String("review"))
        return sendInvalidRequest(res, QStringLiteral("不支持的练习来源"));
    const SampleQuestion *question = findQuestion(*questionId);
    if (!question)
        return sendError(res, 404, "question_not_found", QStringLiteral("题目不存在"));

    const bool correct = question->accepts(*answer);
    const std::int64_t now = nowMs();
    std::lock_guard lock(state.mutex);
    LearningState &learning = state.learning;
    learning.answers.push_back({who->userId, *questionId, correct, now});
    WrongItemRecord *entry = entryForQuestionLocked(learning, who->userId, *questionId);
    if (!correct) {
        if (!entry) {
            WrongItemRecord created;
            created.wrongItemId = learning.nextWrongItemId++;
            created.userId = who->userId;
            created.questionId = *questionId;
            created.source = *source;
            created.createdAtMs = now;
            entry = &learning.wrongItems.emplace(created.wrongItemId, created).first->second;
        }
        entry->state = kActive;
        entry->correctStreak = 0;
        entry->nextReviewAtMs = now;
    } else if (entry) {
        entry->correctStreak += 1;
        if (entry->correctStreak >= kMasteredStreak) {
            entry->state = kMastered;
            entry->nextReviewAtMs.reset();
        } else if (entry->state == kActive) {
            entry->nextReviewAtMs = now + kDayMs * (std::int64_t(1) << (entry->correctStreak - 1));
        }
    }

    QJsonObject answerJson{
        {QStringLiteral("question_id"), qint64(*questionId)},
        {QStringLiteral("correct"), correct},
        {QStringLiteral("correct_answer"),
         QJsonObject{{QStringLiteral("value"), question->answers.value(0)}}},
        {QStringLiteral("solution"),
         QJsonObject{{QStringLiteral("steps"), QJsonArray::fromStringList(question->steps)}}}};
    if (entry)
        answerJson.insert(QStringLiteral("wrong_item"), wrongItemJson(*entry, now));
    sendJson(res, 200, answerJson);
}

void listWrongItems(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const QString wanted = QString::fromStdString(req.get_param_value("state"));
    const std::string due = req.has_param("due") ? req.get_param_value("due") : "false";
    if (due != "true" && due != "false")
        return sendInvalidRequest(res, QStringLiteral("参数不正确：due"));
    const std::int64_t now = nowMs();
    std::lock_guard lock(state.mutex);
    QJsonArray items;
    // Newest entries first.
    for (auto it = state.learning.wrongItems.rbegin(); it != state.learning.wrongItems.rend(); ++it) {
        const WrongItemRecord &item = it->second;
        if (item.userId != who->userId || (!wanted.isEmpty() && item.state != wanted) ||
            (due == "true" && !isDue(item, now)))
            continue;
        items.append(wrongItemJson(item, now));
    }
    sendJson(res, 200, {{QStringLiteral("items"), items}});
}

void deleteWrongItem(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::lock_guard lock(state.mutex);
    const WrongItemRecord *entry = ownEntryLocked(state.learning, idParam(req, 1), who->userId);
    if (!entry)
        return sendWrongItemNotFound(res);
    state.learning.wrongItems.erase(entry->wrongItemId);
    res.status = 204;
}

// Other questions of the entry's chapter, those of its own knowledge point first, at most three.
void fetchVariants(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::int64_t wrongItemId = 0;
    std::int64_t questionId = 0;
    {
        std::lock_guard lock(state.mutex);
        const WrongItemRecord *entry = ownEntryLocked(state.learning, idParam(req, 1), who->userId);
        if (!entry)
            return sendWrongItemNotFound(res);
        wrongItemId = entry->wrongItemId;
        questionId = entry->questionId;
    }
    const KnowledgePoint *point = nullptr;
    const Chapter *chapter = nullptr;
    QJsonArray items;
    if (findQuestion(questionId, &point, &chapter)) {
        QList<const SampleQuestion *> candidates;
        for (const SampleQuestion &question : point->questions)
            candidates.append(&question);
        for (const KnowledgePoint &other : chapter->points) {
            if (&other == point)
                continue;
            for (const SampleQuestion &question : other.questions)
                candidates.append(&question);
        }
        for (const SampleQuestion *question : candidates) {
            if (question->id != questionId && items.size() < kVariantCount)
                items.append(toJson(*question, true));
        }
    }
    sendJson(res, 200,
             {{QStringLiteral("wrong_item_id"), qint64(wrongItemId)},
              {QStringLiteral("items"), items},
              {QStringLiteral("insufficient"), items.size() < kVariantCount}});
}

// The bank's question behind a stem read from a photo: {"matched", "matched_by": "exact" | "similar" | null,
// "question": the question or null}.
void matchQuestion(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    if (!requireSignedIn(state, req, res))
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const QJsonValue stem = body->value(QStringLiteral("stem_text"));
    if (!stem.isString() || normalizedStem(stem.toString()).isEmpty())
        return sendInvalidRequest(res, QStringLiteral("请先填写题目内容"));
    const StemMatch found = matchStem(stem.toString());
    sendJson(
        res, 200,
        QJsonObject{{QStringLiteral("matched"), found.question != nullptr},
                    {QStringLiteral("matched_by"),
                     found.question
                         ? QJsonValue(found.exact ? QStringLiteral("exact") : QStringLiteral("similar"))
                         : QJsonValue(QJsonValue::Null)},
                    {QStringLiteral("question"), found.question ? QJsonValue(toJson(*found.question, true))
                                                                : QJsonValue(QJsonValue::Null)}});
}

} // namespace

void registerPracticeRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    router.post("/api/v1/practice/answers", [&state](Req req, Res res) { submitAnswer(state, req, res); });
    router.post("/api/v1/practice/questions/match",
                [&state](Req req, Res res) { matchQuestion(state, req, res); });
    router.get("/api/v1/wrong-book", [&state](Req req, Res res) { listWrongItems(state, req, res); });
    router.del(R"(/api/v1/wrong-book/(-?\d+))",
               [&state](Req req, Res res) { deleteWrongItem(state, req, res); });
    router.get(R"(/api/v1/wrong-book/(-?\d+)/variants)",
               [&state](Req req, Res res) { fetchVariants(state, req, res); });
}

} // namespace devserver
