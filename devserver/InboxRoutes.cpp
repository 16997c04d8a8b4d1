#include "Http.h"
#include "InboxKindNames.h"
#include "Routes.h"
#include "ServerState.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <chrono>
#include <set>

// The learner's inbox. The first read fills it with one notice of every kind the client knows, and one of a
// kind it does not, spread from seconds to more than a year back so that every form of the client's time
// texts shows up, about half of them unread. Lists come newest first; marking read takes at most 50 ids per
// request and quietly passes over ids that are not the learner's own (another learner's included).
//
// Times go out in Beijing time with their offset, the way the service writes them.

namespace devserver {

namespace {

constexpr int kDefaultLimit = 50;
constexpr int kMaxLimit = 100;
constexpr qsizetype kMaxIdsPerMark = 50;
constexpr int kBeijingOffsetSeconds = 8 * 60 * 60;

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

struct Notice {
    const char *kind;
    const char *title;
    const char *body;
    std::int64_t ageSeconds;
    bool read;
    const char *refType = nullptr;
    std::int64_t refId = 0;
};

// Newest first. Notices added by a test take their texts from this table in turn.
const Notice kNotices[] = {
    {"question_set_ready", "专项练习已生成", "「一元一次方程」专项练习已经准备好了，共 10 道题，快去试试吧。",
     20, false, "question_set", 880001},
    {"learning_item_ready", "新的学习内容已准备好",
     "「有理数的加减法」的讲解和例题已经生成，可以开始学习了。", 3 * kMinute, false},
    {"study_reminder", "今天的学习还没完成哦", "今天还有 2 个学习任务没有完成，花 15 分钟学一学吧。",
     45 * kMinute, false},
    {"companion", "伙伴想和你聊聊", "今天学习辛苦啦！有什么不懂的地方，随时来问我。", 2 * kHour, false},
    {InboxKindNames::planUpdated, "学习计划已更新", "根据你最近的练习情况，我们调整了接下来一周的学习路径。",
     5 * kHour, true},
    {"wrong_book_review", "错题复习时间到", "错题本里有 3 道题到了复习时间，趁热打铁巩固一下吧。", 26 * kHour,
     false},
    {"weekly_report", "上周学情报告已生成", "上周你完成了 42 道题，正确率 86%，看看哪些知识点还需要加强。",
     30 * kHour, false},
    {"question_set_failed", "练习题生成失败", "「勾股定理」专项练习没有生成成功，请稍后在题库里重新生成。",
     2 * kDay + 3 * kHour, true},
    {InboxKindNames::achievement, "获得新成就：连续学习 7 天", "你已经连续学习 7 天了，继续保持这个好习惯！",
     3 * kDay, true},
    {"activity", "寒假数学挑战赛开始报名", "每天 5 道挑战题，坚持 14 天即可获得完赛徽章，快来报名参加吧。",
     4 * kDay, false},
    {"membership", "会员即将到期", "你的会员将在 7 天后到期，续费后可以继续使用全部学习功能。", 6 * kDay,
     true},
    {"safety_notice", "注意用眼，合理安排学习时间",
     "今天已经连续学习 60 分钟了，起来活动一下，远眺放松眼睛吧。", 9 * kDay, true},
    {"new_feature", "新功能：拍照找题", "拍下不会的题目，就能找到相似题和详细讲解，快来试试吧。", 15 * kDay,
     true},
    {"version_update", "新版本已发布", "新版本优化了练习体验，并修复了一些已知问题。", 40 * kDay, true},
    {"holiday_greeting", "新年快乐", "新的一年，愿你学习进步，天天开心！", 400 * kDay, false},
};

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

InboxMessageRecord fromNotice(const Notice &notice, std::int64_t id, std::int64_t createdAtMs, bool read) {
    InboxMessageRecord message;
    message.id = id;
    message.kind = QString::fromUtf8(notice.kind);
    message.title = QString::fromUtf8(notice.title);
    message.body = QString::fromUtf8(notice.body);
    if (notice.refType) {
        message.refType = QString::fromUtf8(notice.refType);
        message.refId = notice.refId;
    }
    message.createdAtMs = createdAtMs;
    message.read = read;
    return message;
}

QJsonObject messageJson(const InboxMessageRecord &message) {
    const QDateTime created =
        QDateTime::fromMSecsSinceEpoch(message.createdAtMs, Qt::OffsetFromUTC, kBeijingOffsetSeconds);
    QJsonObject json{{"id", qint64(message.id)},
                     {"kind", message.kind},
                     {"title", message.title},
                     {"body", message.body},
                     {"created_at", created.toString(Qt::ISODate)},
                     {"read", message.read}};
    if (message.refType)
        json.insert("ref_type", *message.refType);
    if (message.refId)
        json.insert("ref_id", qint64(*message.refId));
    return json;
}

// "limit" of the query: 50 when left out, else decimal digits naming 1..100.
std::optional<int> listLimit(const httplib::Request &req, httplib::Response &res) {
    if (!req.has_param("limit"))
        return kDefaultLimit;
    const std::string text = req.get_param_value("limit");
    const bool digits = !text.empty() && text.size() <= 3 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int limit = digits ? std::stoi(text) : 0;
    if (limit < 1 || limit > kMaxLimit) {
        sendInvalidRequest(res, QStringLiteral("limit 必须是 1 到 %1 之间的整数").arg(kMaxLimit));
        return std::nullopt;
    }
    return limit;
}

void listInbox(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto limit = listLimit(req, res);
    if (!limit)
        return;
    std::vector<InboxMessageRecord> messages;
    {
        std::lock_guard lock(state.mutex);
        messages = state.seededInboxLocked(who->userId).messages;
    }
    // Notices added together share their moment; the later id is the newer one.
    std::sort(messages.begin(), messages.end(), [](const InboxMessageRecord &a, const InboxMessageRecord &b) {
        return a.createdAtMs != b.createdAtMs ? a.createdAtMs > b.createdAtMs : a.id > b.id;
    });
    QJsonArray list;
    for (std::size_t i = 0; i < messages.size() && i < std::size_t(*limit); ++i)
        list.append(messageJson(messages[i]));
    res.status = 200;
    res.set_content(QJsonDocument(list).toJson(QJsonDocument::Compact).toStdString(),
                    "application/json; charset=utf-8");
}

void markRead(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const QJsonValue idsValue = body->value(QLatin1String("ids"));
    if (!idsValue.isArray())
        return sendInvalidRequest(res, QStringLiteral("ids 必须是整数数组"));
    const QJsonArray idList = idsValue.toArray();
    if (idList.size() > kMaxIdsPerMark)
        return sendError(res, 400, "too_many_ids", QStringLiteral("一次最多标记 50 条"));
    std::set<std::int64_t> ids;
    for (const QJsonValue &id : idList) {
        // Read as 64-bit integers, never through a double (see requireInteger).
        const qint64 number = id.toInteger(0);
        if (!id.isDouble() || number != id.toInteger(1))
            return sendInvalidRequest(res, QStringLiteral("ids 必须是整数数组"));
        ids.insert(number);
    }
    {
        std::lock_guard lock(state.mutex);
        // A learner who never opened the inbox has nothing to mark; reading it is what fills it.
        if (auto found = state.inbox.byUser.find(who->userId); found != state.inbox.byUser.end())
            for (InboxMessageRecord &message : found->second.messages)
                if (ids.count(message.id))
                    message.read = true;
    }
    res.status = 204;
}

} // namespace

InboxRecord &ServerState::seededInboxLocked(std::int64_t userId) {
    InboxRecord &record = inbox.byUser[userId];
    if (record.seeded)
        return record;
    record.seeded = true;
    const std::int64_t now = nowMs();
    for (const Notice &notice : kNotices)
        record.messages.push_back(
            fromNotice(notice, inbox.nextMessageId++, now - notice.ageSeconds * 1000, notice.read));
    return record;
}

std::vector<std::int64_t> ServerState::appendInboxMessagesLocked(std::int64_t userId, int count) {
    InboxRecord &record = inbox.byUser[userId];
    const std::int64_t now = nowMs();
    std::vector<std::int64_t> ids;
    for (int i = 0; i < count; ++i) {
        const std::int64_t id = inbox.nextMessageId++;
        const Notice &notice = kNotices[std::size_t(id - InboxState::kFirstMessageId) % std::size(kNotices)];
        record.messages.push_back(fromNotice(notice, id, now, false));
        ids.push_back(id);
    }
    return ids;
}

void registerInboxRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    router.get("/api/v1/me/inbox", [&state](Req req, Res res) { listInbox(state, req, res); });
    // The colon is part of the last segment, as sent; the route is a plain pattern, so it stays literal.
    router.post("/api/v1/me/inbox:read", [&state](Req req, Res res) { markRead(state, req, res); });
}

} // namespace devserver
