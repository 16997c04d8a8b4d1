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
//
// A test may put a document of its own in place of the recommended one (DevControlRoutes.cpp), to see how
// the client meets card types, sizes and props it does not know.

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

QJsonArray recommendedGrid() {
    QJsonArray grid;
    for (const Card &card : kRecommended)
        grid.append(QJsonObject{{"id", QString::fromLatin1(card.id)},
                                {"type", QString::fromLatin1(card.type)},
                                {"size", QString::fromLatin1(card.size)},
                                {"props", QJsonObject{{"title", QString::fromUtf8(card.title)}}}});
    return grid;
}

// The grid with the learner's overrides applied: the ordered ids first (every card of an id, where a document
// repeats one), then the other cards as the document has them; hidden ids left out; sizes replaced. A card
// without a text id (a replaced document may hold one) is only ever moved to the end.
QJsonArray appliedGrid(const QJsonArray &cards, const HomeLayoutRecord &record) {
    const auto idOf = [](const QJsonValue &card) {
        const QJsonValue id = card.toObject().value("id");
        return id.isString() ? std::optional<QString>(id.toString()) : std::nullopt;
    };
    QList<qsizetype> placed;
    for (const QString &id : record.order)
        for (qsizetype i = 0; i < cards.size(); ++i)
            if (idOf(cards[i]) == id && !placed.contains(i))
                placed.append(i);
    for (qsizetype i = 0; i < cards.size(); ++i)
        if (!placed.contains(i))
            placed.append(i);

    QJsonArray grid;
    for (const qsizetype i : std::as_const(placed)) {
        const std::optional<QString> id = idOf(cards[i]);
        if (id && record.hidden.contains(*id))
            continue;
        QJsonObject card = cards[i].toObject();
        if (id && record.sizes.contains(*id))
            card.insert("size", record.sizes.value(*id));
        grid.append(cards[i].isObject() ? QJsonValue(card) : cards[i]);
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

// The built-in recommended document, before the learner's overrides.
QJsonObject recommendedLayout() {
    return {{"schemaVersion", "1.1"},
            {"layoutId", "home"},
            {"themePack", "junior_default"},
            {"source", "recommended"},
            {"slots",
             QJsonObject{{"companion",
                          QJsonObject{{"type", "CompanionHeader"},
                                      {"props",
                                       QJsonObject{{"greeting", QStringLiteral("你好，今天也一起加油吧")}}}}},
                         {"grid", recommendedGrid()}}}};
}

// The document as this learner sees it: the recommended one (or the one a test put in its place) with the
// learner's revision and overrides. The built-in one says whether it was changed in its "source"; a replaced
// one keeps everything else it says, odd or not.
void sendLayout(httplib::Response &res, const HomeLayoutRecord &record,
                const std::optional<QJsonObject> &replacement) {
    QJsonObject layout = replacement.value_or(recommendedLayout());
    layout.insert("revision", qint64(record.revision));
    if (!replacement && !record.isEmpty())
        layout.insert("source", "user");
    QJsonObject layoutSlots = layout.value("slots").toObject();
    if (layoutSlots.value("grid").isArray() && !record.isEmpty()) {
        layoutSlots.insert("grid", appliedGrid(layoutSlots.value("grid").toArray(), record));
        layout.insert("slots", layoutSlots);
    }
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
    std::optional<QJsonObject> replacement;
    {
        std::lock_guard lock(state.mutex);
        if (auto found = state.homeLayouts.find(who->userId); found != state.homeLayouts.end())
            record = found->second;
        replacement = state.homeLayoutReplacement;
    }
    sendLayout(res, record, replacement);
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
    std::optional<QJsonObject> replacement;
    {
        std::lock_guard lock(state.mutex);
        replacement = state.homeLayoutReplacement;
        HomeLayoutRecord &record = state.homeLayouts[who->userId];
        if (*revision != record.revision)
            return sendError(res, 409, "revision_conflict", QStringLiteral("布局已在别处更新，请刷新后再改"));
        wanted.revision = record.revision + 1;
        record = wanted;
        stored = record;
    }
    sendLayout(res, stored, replacement);
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
