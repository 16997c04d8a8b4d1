#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QJsonArray>

#include <limits>

// The learner's home layout: one recommended document, and per learner the overrides they stored (card order,
// hidden cards, sizes) with the revision of their last write. The overrides are applied here, on every read:
// the client shows the layout exactly as answered. A write must name the revision it last saw, so that two
// devices editing at once cannot silently undo each other; a write with nothing chosen restores the
// recommended layout.

namespace devserver {

namespace {

struct Card {
    const char *id;
    const char *type;
    const char *size;
    const char *title;
};

const Card kRecommended[] = {
    {"c_tools", "ToolDock", "L", "学习工具"}, {"c_today", "TodayTasks", "L", "今日学习"},
    {"c_inbox", "Inbox", "M", "学习通知"},    {"c_qa", "QuickQA", "M", "快速提问"},
    {"c_wrong", "WrongBook", "M", "错题本"},
};

bool isKnownSize(const QString &size) {
    return size == QLatin1String("L") || size == QLatin1String("M") || size == QLatin1String("S");
}

QJsonArray appliedGrid(const HomeLayoutRecord &record) {
    QList<const Card *> cards;
    const auto byId = [](const QString &id) -> const Card * {
        for (const Card &card : kRecommended)
            if (id == QLatin1String(card.id))
                return &card;
        return nullptr;
    };
    for (const QString &id : record.order)
        if (const Card *card = byId(id); card && !cards.contains(card))
            cards.append(card);
    for (const Card &card : kRecommended)
        if (!cards.contains(&card))
            cards.append(&card);

    QJsonArray grid;
    for (const Card *card : cards) {
        const QString id = QString::fromLatin1(card->id);
        if (record.hidden.contains(id))
            continue;
        grid.append(QJsonObject{{"id", id},
                                {"type", QString::fromLatin1(card->type)},
                                {"size", record.sizes.value(id, QString::fromLatin1(card->size))},
                                {"props", QJsonObject{{"title", QString::fromUtf8(card->title)}}}});
    }
    return grid;
}

QJsonObject overridesJson(const HomeLayoutRecord &record) {
    QJsonObject sizes;
    for (auto it = record.sizes.begin(); it != record.sizes.end(); ++it)
        sizes.insert(it.key(), it.value());
    return {{"order", QJsonArray::fromStringList(record.order)},
            {"hidden", QJsonArray::fromStringList(record.hidden)},
            {"sizes", sizes}};
}

void sendLayout(httplib::Response &res, const HomeLayoutRecord &record) {
    const QJsonObject layout{
        {"schemaVersion", "1.1"},
        {"layoutId", "home"},
        {"revision", qint64(record.revision)},
        {"themePack", "junior_default"},
        {"source", record.isEmpty() ? "recommended" : "user"},
        {"slots",
         QJsonObject{
             {"companion",
              QJsonObject{{"type", "CompanionHeader"},
                          {"props", QJsonObject{{"greeting", QStringLiteral("你好，今天也一起加油吧")}}}}},
             {"grid", appliedGrid(record)}}}};
    sendJson(res, 200,
             {{"layout", layout},
              {"user_overrides", record.isEmpty() ? QJsonValue(QJsonValue::Null) : overridesJson(record)}});
}

// A list of card ids; anything else answers 400 and gives nothing.
std::optional<QStringList> idList(const QJsonObject &overrides, const char *key, httplib::Response &res) {
    const QJsonValue value = overrides.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        return QStringList();
    QStringList ids;
    const auto fail = [&] {
        sendInvalidRequest(res, QStringLiteral("布局设置格式不正确：%1").arg(QLatin1String(key)));
        return std::nullopt;
    };
    if (!value.isArray())
        return fail();
    for (const QJsonValue &id : value.toArray()) {
        if (!id.isString())
            return fail();
        ids.append(id.toString());
    }
    return ids;
}

void getLayout(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    HomeLayoutRecord record;
    {
        std::lock_guard lock(state.mutex);
        if (auto found = state.homeLayouts.find(who->userId); found != state.homeLayouts.end())
            record = found->second;
    }
    sendLayout(res, record);
}

void putOverrides(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto revision = requireInteger(*body, "revision", 0, std::numeric_limits<std::int64_t>::max(), res);
    if (!revision)
        return;
    const QJsonValue overridesValue = body->value(QLatin1String("overrides"));
    if (!overridesValue.isObject())
        return sendInvalidRequest(res, QStringLiteral("布局设置格式不正确：overrides"));
    const QJsonObject overrides = overridesValue.toObject();
    HomeLayoutRecord wanted;
    const auto order = idList(overrides, "order", res);
    if (!order)
        return;
    const auto hidden = idList(overrides, "hidden", res);
    if (!hidden)
        return;
    wanted.order = *order;
    wanted.hidden = *hidden;
    const QJsonValue sizes = overrides.value(QLatin1String("sizes"));
    if (!sizes.isUndefined() && !sizes.isNull() && !sizes.isObject())
        return sendInvalidRequest(res, QStringLiteral("布局设置格式不正确：sizes"));
    const QJsonObject sizeMap = sizes.toObject();
    for (auto it = sizeMap.begin(); it != sizeMap.end(); ++it) {
        if (!it.value().isString() || !isKnownSize(it.value().toString()))
            return sendInvalidRequest(res, QStringLiteral("卡片尺寸只能是 L、M 或 S"));
        wanted.sizes.insert(it.key(), it.value().toString());
    }

    HomeLayoutRecord stored;
    {
        std::lock_guard lock(state.mutex);
        HomeLayoutRecord &record = state.homeLayouts[who->userId];
        if (*revision != record.revision)
            return sendError(res, 409, "revision_conflict", QStringLiteral("布局已在别处更新，请刷新后再改"));
        wanted.revision = record.revision + 1;
        record = wanted;
        stored = record;
    }
    sendLayout(res, stored);
}

} // namespace

void registerHomeRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    router.get("/api/v1/layouts/home", [&state](Req req, Res res) { getLayout(state, req, res); });
    router.put("/api/v1/layouts/home/overrides",
               [&state](Req req, Res res) { putOverrides(state, req, res); });
}

} // namespace devserver
