#include "Http.h"
#include "LearningContent.h"
#include "Routes.h"
#include "ServerState.h"

#include <QJsonArray>
#include <QJsonValue>

#include <algorithm>
#include <chrono>

// Knowledge catalogue, learning paths and practice questions. The catalogue answers without credentials (the
// signed-out guest home lists it); everything else is the signed-in learner's own.
//
// A path teaches one lesson per knowledge point. Exactly one lesson is open at a time: the one at the path's
// unlocked position. Completing it opens the next, so lessons unlock one after another.
//
// Lesson content is prepared ahead of the learner, as many lessons ahead as the path's prefetch says, so with
// the prefetch the app asks for (1) an unlocked lesson is ready at once. A path made with prefetch 0 has each
// lesson prepared only when it unlocks: for kPreparationTime it is "Generating" with its progress, opens but
// answers that it is still being prepared, and cannot be completed.

namespace devserver {

namespace {

using namespace devserver::learning;

const QString kCompleted = QStringLiteral("Completed");
const QString kReady = QStringLiteral("Ready");
const QString kLocked = QStringLiteral("Locked");
const QString kGenerating = QStringLiteral("Generating");
const QString kPathActive = QStringLiteral("Active");
constexpr std::int64_t kMaxPrefetch = 5;
constexpr std::int64_t kMaxQuestionCount = 20;
constexpr std::int64_t kMinutesPerLesson = 15;
constexpr int kMaxTopicCandidates = 3;
constexpr std::chrono::seconds kPreparationTime{20};

QString pathParam(const httplib::Request &req, size_t index) {
    return QString::fromStdString(req.matches[index].str());
}

std::optional<std::int64_t> idParam(const httplib::Request &req, size_t index) {
    bool ok = false;
    const qint64 id = pathParam(req, index).toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(id) : std::nullopt;
}

void sendPathNotFound(httplib::Response &res) {
    sendError(res, 404, "path_not_found", QStringLiteral("学习路径不存在"));
}

void sendItemNotFound(httplib::Response &res) {
    sendError(res, 404, "item_not_found", QStringLiteral("这一课不存在"));
}

QJsonObject chapterJson(const Chapter &chapter) {
    return {{QStringLiteral("code"), chapter.code},
            {QStringLiteral("subject"), chapter.subject},
            {QStringLiteral("stage"), chapter.stage},
            {QStringLiteral("grade"), chapter.grade},
            {QStringLiteral("name"), chapter.name}};
}

bool isOpen(const LearningPathRecord &path, const LearningItemRecord &item) {
    return item.completed || item.listOrder == path.unlockedOrder;
}

// The open lesson of a path whose content is still being made.
bool isPreparing(const LearningPathRecord &path, const LearningItemRecord &item) {
    return !item.completed && item.listOrder == path.unlockedOrder && Clock::now() < item.readyAt;
}

// Marks the lesson just unlocked as being prepared when the path prepares nothing ahead.
void startPreparing(const LearningPathRecord &path, LearningItemRecord &item) {
    if (path.prefetch == 0)
        item.readyAt = Clock::now() + kPreparationTime;
}

// How far the preparation has come, 0..99.
std::int64_t preparationProgress(const LearningItemRecord &item) {
    using namespace std::chrono;
    const auto left = duration_cast<milliseconds>(item.readyAt - Clock::now());
    const auto total = duration_cast<milliseconds>(kPreparationTime);
    return std::clamp<std::int64_t>(100 - (left.count() * 100 + total.count() - 1) / total.count(), 0, 99);
}

QString stateOf(const LearningPathRecord &path, const LearningItemRecord &item) {
    if (item.completed)
        return kCompleted;
    if (isPreparing(path, item))
        return kGenerating;
    return item.listOrder == path.unlockedOrder ? kReady : kLocked;
}

void sendPreparing(httplib::Response &res) {
    sendError(res, 409, "item_generating", QStringLiteral("这一课还在准备中，请稍后再来"));
}

QString statusOf(const LearningPathRecord &path) {
    const bool done = std::all_of(path.items.begin(), path.items.end(),
                                  [](const LearningItemRecord &item) { return item.completed; });
    return done && !path.items.empty() ? kCompleted : kPathActive;
}

QString pointName(const QString &code) {
    const KnowledgePoint *point = findPoint(code);
    return point ? point->name : code;
}

QJsonObject pathJson(const LearningPathRecord &path) {
    QJsonArray items;
    for (const LearningItemRecord &item : path.items) {
        QJsonObject json{{QStringLiteral("item_id"), qint64(item.itemId)},
                         {QStringLiteral("list_order"), qint64(item.listOrder)},
                         {QStringLiteral("kp_code"), item.kpCode},
                         {QStringLiteral("kp_name"), pointName(item.kpCode)},
                         {QStringLiteral("state"), stateOf(path, item)},
                         {QStringLiteral("openable"), isOpen(path, item)}};
        if (isPreparing(path, item))
            json.insert(QStringLiteral("progress"), qint64(preparationProgress(item)));
        items.append(json);
    }
    return {{QStringLiteral("path_id"), qint64(path.pathId)},
            {QStringLiteral("goal_type"), path.goalType},
            {QStringLiteral("goal"), path.goal},
            {QStringLiteral("status"), statusOf(path)},
            {QStringLiteral("unlocked_order"), qint64(path.unlockedOrder)},
            {QStringLiteral("prefetch"), qint64(path.prefetch)},
            {QStringLiteral("items"), items}};
}

QJsonObject itemDetailJson(const LearningPathRecord &path, const LearningItemRecord &item) {
    QJsonObject detail{{QStringLiteral("item_id"), qint64(item.itemId)},
                       {QStringLiteral("list_order"), qint64(item.listOrder)},
                       {QStringLiteral("kp_code"), item.kpCode},
                       {QStringLiteral("kp_name"), pointName(item.kpCode)},
                       {QStringLiteral("state"), stateOf(path, item)}};
    const KnowledgePoint *point = findPoint(item.kpCode);
    const QString media = QStringLiteral("https://static.quorvel.cn/learning/") + item.kpCode;
    detail.insert(QStringLiteral("assets"),
                  QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("video")},
                                         {QStringLiteral("uri"), media + QStringLiteral("/lesson.mp4")}},
                             QJsonObject{{QStringLiteral("type"), QStringLiteral("pdf")},
                                         {QStringLiteral("uri"), media + QStringLiteral("/handout.pdf")}}});
    if (!point)
        return detail;

    QJsonArray sections;
    for (const HandoutSection &section : point->sections)
        sections.append(QJsonObject{{QStringLiteral("heading"), section.heading},
                                    {QStringLiteral("body"), section.body}});
    QJsonArray examples;
    for (const WorkedExample &example : point->examples)
        examples.append(QJsonObject{{QStringLiteral("stem"), example.stem},
                                    {QStringLiteral("steps"), QJsonArray::fromStringList(example.steps)}});
    detail.insert(QStringLiteral("handout"), QJsonObject{{QStringLiteral("title"), point->name},
                                                         {QStringLiteral("sections"), sections},
                                                         {QStringLiteral("examples"), examples}});
    QJsonArray questions;
    for (const SampleQuestion &question : point->questions)
        questions.append(toJson(question, false));
    detail.insert(QStringLiteral("exercises"), QJsonObject{{QStringLiteral("questions"), questions}});
    return detail;
}

// The path `pathId` when it belongs to `userId`; the state's lock must be held.
LearningPathRecord *ownPathLocked(ServerState &state, std::int64_t pathId, std::int64_t userId) {
    auto found = state.learning.paths.find(pathId);
    if (found == state.learning.paths.end() || found->second.userId != userId)
        return nullptr;
    return &found->second;
}

LearningItemRecord *itemOf(LearningPathRecord &path, std::int64_t itemId) {
    for (LearningItemRecord &item : path.items) {
        if (item.itemId == itemId)
            return &item;
    }
    return nullptr;
}

// --- knowledge catalogue

void listChapters(httplib::Response &res) {
    QJsonArray items;
    for (const Chapter &chapter : chapters())
        items.append(chapterJson(chapter));
    sendJson(res, 200, {{QStringLiteral("items"), items}});
}

void listChapterPoints(const httplib::Request &req, httplib::Response &res) {
    const Chapter *chapter = findChapter(pathParam(req, 1));
    if (!chapter)
        return sendError(res, 404, "chapter_not_found", QStringLiteral("章节不存在"));
    QJsonArray items;
    for (const KnowledgePoint &point : chapter->points)
        items.append(QJsonObject{{QStringLiteral("code"), point.code}, {QStringLiteral("name"), point.name}});
    sendJson(res, 200, {{QStringLiteral("items"), items}});
}

// --- learning paths

QJsonObject candidateJson(const Chapter &chapter, const QList<const KnowledgePoint *> &points) {
    QStringList codes;
    QStringList names;
    for (const KnowledgePoint *point : points) {
        codes.append(point->code);
        names.append(point->name);
    }
    return {{QStringLiteral("chapter_code"), chapter.code},
            {QStringLiteral("chapter_name"), chapter.name},
            {QStringLiteral("kp_codes"), QJsonArray::fromStringList(codes)},
            {QStringLiteral("kp_names"), QJsonArray::fromStringList(names)},
            {QStringLiteral("lessons"), qint64(points.size())},
            {QStringLiteral("estimated_minutes"), qint64(points.size()) * kMinutesPerLesson}};
}

bool mentionsAny(const QString &text, const QStringList &words) {
    return std::any_of(words.begin(), words.end(), [&](const QString &word) { return text.contains(word); });
}

// A typed topic becomes at most three candidates: a chapter named in the text gives the whole chapter;
// otherwise the points whose names or keywords occur in it, or the whole chapter when only one of the
// chapter's keywords does.
void topicPreview(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    if (!requireSignedIn(state, req, res))
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto text = requireString(*body, "text", res);
    if (!text)
        return;

    QJsonArray candidates;
    for (const Chapter &chapter : chapters()) {
        if (candidates.size() >= kMaxTopicCandidates)
            break;
        QList<const KnowledgePoint *> all;
        QList<const KnowledgePoint *> named;
        for (const KnowledgePoint &point : chapter.points) {
            all.append(&point);
            if (text->contains(point.name) || mentionsAny(*text, point.keywords))
                named.append(&point);
        }
        if (text->contains(chapter.name))
            candidates.append(candidateJson(chapter, all));
        else if (!named.isEmpty())
            candidates.append(candidateJson(chapter, named));
        else if (mentionsAny(*text, chapter.keywords))
            candidates.append(candidateJson(chapter, all));
    }

    QJsonObject answer;
    if (candidates.isEmpty()) {
        answer.insert(QStringLiteral("status"), QStringLiteral("out_of_scope"));
        answer.insert(QStringLiteral("message"),
                      QStringLiteral("这个主题暂时不在初中数学的学习范围内，换个说法试试吧。"));
    } else {
        answer.insert(QStringLiteral("status"), QStringLiteral("ok"));
        answer.insert(QStringLiteral("message"),
                      QStringLiteral("为你找到 %1 条学习路径，选一条开始吧。").arg(candidates.size()));
    }
    answer.insert(QStringLiteral("candidates"), candidates);
    sendJson(res, 200, answer);
}

void createPath(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto goalType = requireString(*body, "goal_type", res);
    if (!goalType)
        return;
    if (*goalType != QLatin1String("chapter") && *goalType != QLatin1String("topic"))
        return sendInvalidRequest(res, QStringLiteral("不支持的学习目标类型"));
    const auto chapterId = requireString(*body, "chapter_id", res);
    if (!chapterId)
        return;
    const QJsonValue options = body->value(QStringLiteral("options"));
    if (!options.isObject())
        return sendInvalidRequest(res, QStringLiteral("缺少参数或参数类型不正确：options"));
    // Strict on purpose: a boolean here is a client fault the stand-in must not paper over.
    const auto prefetch = requireInteger(options.toObject(), "prefetch", 0, kMaxPrefetch, res);
    if (!prefetch)
        return;
    const Chapter *chapter = findChapter(*chapterId);
    if (!chapter)
        return sendError(res, 404, "chapter_not_found", QStringLiteral("章节不存在"));

    QList<const KnowledgePoint *> points;
    if (*goalType == QLatin1String("chapter")) {
        for (const KnowledgePoint &point : chapter->points)
            points.append(&point);
    } else {
        const QJsonValue codes = body->value(QStringLiteral("kp_codes"));
        if (!codes.isArray())
            return sendInvalidRequest(res, QStringLiteral("缺少参数或参数类型不正确：kp_codes"));
        for (const QJsonValue &code : codes.toArray()) {
            const Chapter *owner = nullptr;
            const KnowledgePoint *point = code.isString() ? findPoint(code.toString(), &owner) : nullptr;
            if (!point || owner != chapter || points.contains(point))
                return sendInvalidRequest(res, QStringLiteral("知识点不属于该章节"));
            points.append(point);
        }
        if (points.isEmpty())
            return sendInvalidRequest(res, QStringLiteral("请至少选择一个知识点"));
    }

    QStringList names;
    for (const KnowledgePoint *point : points)
        names.append(point->name);
    const QString goal =
        *goalType == QLatin1String("chapter")
            ? QStringLiteral("学完「%1」").arg(chapter->name)
            : QStringLiteral("「%1」：%2").arg(chapter->name, names.join(QStringLiteral("、")));

    std::lock_guard lock(state.mutex);
    LearningState &learning = state.learning;
    LearningPathRecord path;
    path.pathId = learning.nextPathId++;
    path.userId = who->userId;
    path.goalType = *goalType;
    path.goal = goal;
    path.chapterCode = chapter->code;
    path.prefetch = *prefetch;
    path.unlockedOrder = 1;
    for (qsizetype i = 0; i < points.size(); ++i)
        path.items.push_back({learning.nextItemId++, std::int64_t(i + 1), points[i]->code, false, {}});
    if (!path.items.empty())
        startPreparing(path, path.items.front());
    const QJsonObject answer = pathJson(path);
    learning.paths.emplace(path.pathId, std::move(path));
    sendJson(res, 200, answer);
}

void fetchPath(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto pathId = idParam(req, 1);
    std::lock_guard lock(state.mutex);
    const LearningPathRecord *path = pathId ? ownPathLocked(state, *pathId, who->userId) : nullptr;
    if (!path)
        return sendPathNotFound(res);
    sendJson(res, 200, pathJson(*path));
}

void fetchItem(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto pathId = idParam(req, 1);
    const auto itemId = idParam(req, 2);
    std::lock_guard lock(state.mutex);
    LearningPathRecord *path = pathId ? ownPathLocked(state, *pathId, who->userId) : nullptr;
    if (!path)
        return sendPathNotFound(res);
    const LearningItemRecord *item = itemId ? itemOf(*path, *itemId) : nullptr;
    if (!item)
        return sendItemNotFound(res);
    if (!isOpen(*path, *item))
        return sendError(res, 403, "item_locked", QStringLiteral("完成前面的课程后才能打开这一课"));
    if (isPreparing(*path, *item))
        return sendPreparing(res);
    sendJson(res, 200, itemDetailJson(*path, *item));
}

void completeItem(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    if (!readJsonObject(req, res))
        return;
    const auto pathId = idParam(req, 1);
    const auto itemId = idParam(req, 2);
    std::lock_guard lock(state.mutex);
    LearningPathRecord *path = pathId ? ownPathLocked(state, *pathId, who->userId) : nullptr;
    if (!path)
        return sendPathNotFound(res);
    LearningItemRecord *item = itemId ? itemOf(*path, *itemId) : nullptr;
    if (!item)
        return sendItemNotFound(res);
    if (!isOpen(*path, *item))
        return sendError(res, 409, "item_locked", QStringLiteral("请先完成前面的课程"));
    if (isPreparing(*path, *item))
        return sendPreparing(res);
    // Completing a completed lesson again changes nothing and answers the same.
    if (!item->completed) {
        item->completed = true;
        item->completedAtMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count();
        if (item->listOrder < std::int64_t(path->items.size())) {
            path->unlockedOrder = item->listOrder + 1;
            startPreparing(*path, path->items[std::size_t(item->listOrder)]);
        }
    }
    sendJson(res, 200,
             {{QStringLiteral("item_id"), qint64(item->itemId)},
              {QStringLiteral("state"), kCompleted},
              {QStringLiteral("unlocked_order"), qint64(path->unlockedOrder)},
              {QStringLiteral("path_status"), statusOf(*path)}});
}

// The summary of the learner's newest path for the question-and-answer tab's plan card: lessons done out of
// all and the open lesson, none once every lesson is done. No path at all is 204 without a body.
void learningPlan(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::lock_guard lock(state.mutex);
    const LearningPathRecord *newest = nullptr;
    for (const auto &[pathId, path] : state.learning.paths) {
        if (path.userId == who->userId && (!newest || pathId > newest->pathId))
            newest = &path;
    }
    if (!newest) {
        res.status = 204;
        return;
    }
    const auto completed = std::count_if(newest->items.begin(), newest->items.end(),
                                         [](const LearningItemRecord &item) { return item.completed; });
    const auto current = std::find_if(newest->items.begin(), newest->items.end(),
                                      [](const LearningItemRecord &item) { return !item.completed; });
    QJsonValue currentJson = QJsonValue::Null;
    if (current != newest->items.end())
        currentJson = QJsonObject{{QStringLiteral("order"), qint64(current->listOrder)},
                                  {QStringLiteral("kp_name"), pointName(current->kpCode)},
                                  {QStringLiteral("state"), stateOf(*newest, *current)}};
    sendJson(res, 200,
             {{QStringLiteral("path_id"), qint64(newest->pathId)},
              {QStringLiteral("goal"), newest->goal},
              {QStringLiteral("total"), qint64(newest->items.size())},
              {QStringLiteral("completed"), qint64(completed)},
              {QStringLiteral("unlocked_order"), qint64(newest->unlockedOrder)},
              {QStringLiteral("current"), currentJson}});
}

// --- practice questions

std::optional<std::int64_t> integerQuery(const httplib::Request &req, const char *key, std::int64_t min,
                                         std::int64_t max, httplib::Response &res) {
    bool ok = false;
    const qint64 value =
        req.has_param(key) ? QString::fromStdString(req.get_param_value(key)).toLongLong(&ok) : 0;
    if (!ok || value < min || value > max) {
        sendInvalidRequest(res, QStringLiteral("缺少参数或参数不正确：%1").arg(QLatin1String(key)));
        return std::nullopt;
    }
    return value;
}

// Questions of one point, of the asked difficulty first, leaving out the ids the learner has already seen.
void practiceQuestions(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    if (!requireSignedIn(state, req, res))
        return;
    if (!req.has_param("kp"))
        return sendInvalidRequest(res, QStringLiteral("缺少参数：kp"));
    const QString kp = QString::fromStdString(req.get_param_value("kp"));
    const auto difficulty = integerQuery(req, "difficulty", 1, 5, res);
    if (!difficulty)
        return;
    const auto count = integerQuery(req, "count", 1, kMaxQuestionCount, res);
    if (!count)
        return;
    std::optional<QString> qtype;
    if (req.has_param("qtype"))
        qtype = QString::fromStdString(req.get_param_value("qtype"));
    QList<std::int64_t> exclude;
    for (size_t i = 0; i < req.get_param_value_count("exclude"); ++i) {
        bool ok = false;
        exclude.append(QString::fromStdString(req.get_param_value("exclude", i)).toLongLong(&ok));
        if (!ok)
            return sendInvalidRequest(res, QStringLiteral("缺少参数或参数不正确：exclude"));
    }

    QList<const SampleQuestion *> picked;
    if (const KnowledgePoint *point = findPoint(kp)) {
        for (const SampleQuestion &question : point->questions) {
            if ((!qtype || qtype->isEmpty() || question.qtype == *qtype) && !exclude.contains(question.id))
                picked.append(&question);
        }
    }
    std::stable_sort(picked.begin(), picked.end(), [&](const SampleQuestion *a, const SampleQuestion *b) {
        return (a->difficulty == *difficulty) > (b->difficulty == *difficulty);
    });
    QJsonArray items;
    for (qsizetype i = 0; i < picked.size() && i < *count; ++i)
        items.append(toJson(*picked[i], true));
    sendJson(res, 200, {{QStringLiteral("items"), items}});
}

// A learner asking again for what is already queued is merged into the earlier request.
void requestQuestions(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto kp = requireString(*body, "kp", res);
    if (!kp)
        return;
    const auto difficulty = requireInteger(*body, "difficulty", 1, 5, res);
    if (!difficulty)
        return;
    std::optional<QString> qtype;
    if (body->contains(QStringLiteral("qtype"))) {
        qtype = requireString(*body, "qtype", res);
        if (!qtype)
            return;
    }
    if (!findPoint(*kp))
        return sendError(res, 404, "kp_not_found", QStringLiteral("知识点不存在"));

    std::lock_guard lock(state.mutex);
    LearningState &learning = state.learning;
    const auto earlier = std::find_if(learning.questionRequests.begin(), learning.questionRequests.end(),
                                      [&](const QuestionRequestRecord &r) {
                                          return r.userId == who->userId && r.kp == *kp &&
                                                 r.difficulty == *difficulty && r.qtype == qtype;
                                      });
    const bool merged = earlier != learning.questionRequests.end();
    std::int64_t requestId = 0;
    if (merged) {
        requestId = earlier->requestId;
    } else {
        requestId = learning.nextRequestId++;
        learning.questionRequests.push_back({requestId, who->userId, *kp, *difficulty, qtype});
    }
    sendJson(res, 200,
             {{QStringLiteral("request_id"), qint64(requestId)},
              {QStringLiteral("state"), QStringLiteral("Queued")},
              {QStringLiteral("merged"), merged},
              {QStringLiteral("message"),
               merged ? QStringLiteral("你已经请求过这类题目，已为你合并，出好后会在「学习通知」里告诉你。")
                      : QStringLiteral("已收到出题请求，题目准备好后会在「学习通知」里告诉你。")}});
}

} // namespace

void registerLearningRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    router.get("/api/v1/knowledge/chapters", [](Req, Res res) { listChapters(res); });
    router.get(R"(/api/v1/knowledge/chapters/([^/]+)/points)",
               [](Req req, Res res) { listChapterPoints(req, res); });
    router.post("/api/v1/learning-paths/topic-preview",
                [&state](Req req, Res res) { topicPreview(state, req, res); });
    router.post("/api/v1/learning-paths", [&state](Req req, Res res) { createPath(state, req, res); });
    router.get(R"(/api/v1/learning-paths/(-?\d+))",
               [&state](Req req, Res res) { fetchPath(state, req, res); });
    router.get(R"(/api/v1/learning-paths/(-?\d+)/items/(-?\d+))",
               [&state](Req req, Res res) { fetchItem(state, req, res); });
    router.post(R"(/api/v1/learning-paths/(-?\d+)/items/(-?\d+)/complete)",
                [&state](Req req, Res res) { completeItem(state, req, res); });
    router.get("/api/v1/me/learning-plan", [&state](Req req, Res res) { learningPlan(state, req, res); });
    router.get("/api/v1/practice/questions",
               [&state](Req req, Res res) { practiceQuestions(state, req, res); });
    router.post("/api/v1/practice/question-requests",
                [&state](Req req, Res res) { requestQuestions(state, req, res); });
}

} // namespace devserver
