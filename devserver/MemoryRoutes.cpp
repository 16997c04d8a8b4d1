#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QDateTime>
#include <QJsonArray>

#include <algorithm>
#include <chrono>

// The companion's memories of a learner on the AI base: listed newest first, deleted one by one or all at
// once (204 without a body). The first read fills a learner's memories with one learning goal and two
// difficulties, a few days old; an id that is not one of the learner's own memories answers 404, whoever
// it belongs to.

namespace devserver {

namespace {

constexpr std::int64_t kDayMs = 24 * 60 * 60 * 1000;
constexpr int kBeijingOffsetSeconds = 8 * 60 * 60;

struct Seed {
    const char *kind;
    const char *text;
    std::int64_t ageDays;
};

// Oldest first.
const Seed kSeeds[] = {
    {"goal", "想在期末前把「一元一次方程」学扎实", 6},
    {"difficulty", "移项时容易忘记变号", 3},
    {"difficulty", "应用题找不到等量关系", 1},
};

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

MemoryBook &seededBookLocked(ServerState &state, std::int64_t userId) {
    MemoryBook &book = state.memories.byUser[userId];
    if (book.seeded)
        return book;
    book.seeded = true;
    const std::int64_t now = nowMs();
    for (const Seed &seed : kSeeds)
        book.entries.push_back({QStringLiteral("mem_%1").arg(state.memories.nextId++),
                                QString::fromUtf8(seed.kind), QString::fromUtf8(seed.text),
                                now - seed.ageDays * kDayMs});
    return book;
}

QJsonObject memoryJson(const MemoryRecord &memory) {
    const QDateTime created =
        QDateTime::fromMSecsSinceEpoch(memory.createdAtMs, Qt::OffsetFromUTC, kBeijingOffsetSeconds);
    return {{"id", memory.id},
            {"kind", memory.kind},
            {"text", memory.text},
            {"created_at", created.toString(Qt::ISODate)}};
}

void listMemories(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    QJsonArray items;
    {
        std::lock_guard lock(state.mutex);
        const MemoryBook &book = seededBookLocked(state, who->userId);
        for (auto memory = book.entries.rbegin(); memory != book.entries.rend(); ++memory)
            items.append(memoryJson(*memory));
    }
    sendJson(res, 200, {{"items", items}});
}

void deleteMemory(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const QString id = QString::fromStdString(req.matches[1].str());
    {
        std::lock_guard lock(state.mutex);
        std::vector<MemoryRecord> &entries = seededBookLocked(state, who->userId).entries;
        const auto gone = std::remove_if(entries.begin(), entries.end(),
                                         [&id](const MemoryRecord &memory) { return memory.id == id; });
        if (gone == entries.end())
            return sendError(res, 404, "not_found", QStringLiteral("这条记忆不存在"));
        entries.erase(gone, entries.end());
    }
    res.status = 204;
}

void clearMemories(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    {
        std::lock_guard lock(state.mutex);
        MemoryBook &book = state.memories.byUser[who->userId];
        book.seeded = true; // cleared memories stay cleared
        book.entries.clear();
    }
    res.status = 204;
}

} // namespace

void registerMemoryRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    router.get("/v1/companion/memories", [&state](Req req, Res res) { listMemories(state, req, res); });
    router.del("/v1/companion/memories", [&state](Req req, Res res) { clearMemories(state, req, res); });
    router.del(R"(/v1/companion/memories/([^/]+))",
               [&state](Req req, Res res) { deleteMemory(state, req, res); });
}

} // namespace devserver
