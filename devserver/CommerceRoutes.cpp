#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QDateTime>
#include <QJsonArray>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <chrono>

// Membership and orders on the trade base. A learner without a paid membership is on the free tier "L1";
// an order is created once per idempotency key, gets a fresh account token for the store on every pay start,
// and becomes "Paid" when a store transaction is posted to it, which grants the SKU's tier. A transaction
// pays one order only; a closed order takes no payment; only an unpaid order ("Created" or "Paying") can be
// cancelled. Orders of other learners answer 404 like unknown ones.

namespace devserver {

namespace {

constexpr std::int64_t kDayMs = 24 * 60 * 60 * 1000;
constexpr int kBeijingOffsetSeconds = 8 * 60 * 60;
constexpr qsizetype kMaxIdempotencyKey = 128;
const QString kChannel = QStringLiteral("apple_iap");
const QString kPlatform = QStringLiteral("ios");
const std::string kOrdersPrefix = "/api/v1/commerce/orders/";

struct Sku {
    const char *skuId;
    const char16_t *name;
    const char *price;
    std::int64_t periodDays;
    const char *tier;
    const char *storeProductId; // nullptr: not sold through the store
};

// The store product ids are those of the app's own store catalogue. The trial card has none: the app
// cannot sell it.
const Sku kSkus[] = {
    {"member_month", u"月度会员", "30.00", 30, "L3", "qvl.member.month"},
    {"member_quarter", u"季度会员", "78.00", 90, "L3", "qvl.member.quarter"},
    {"member_year", u"年度会员", "258.00", 365, "L4", "qvl.member.year"},
    {"trial_week", u"七天体验卡", "9.90", 7, "L2", nullptr},
};

const char *const kTiers[] = {"L1", "L2", "L3", "L4"};
const char *const kFreeTier = "L1";

struct Quota {
    const char *bucket;
    std::int64_t limits[4]; // by tier, L1 to L4
    std::int64_t usedToday; // held under the limit
};

// Today's uses are fixed: enough that the free tier has one bucket used up and two it does not include.
const Quota kQuotas[] = {
    {"qa", {5, 20, 50, 200}, 2},          {"photo", {3, 10, 30, 100}, 3},
    {"companion", {10, 30, 100, 300}, 4}, {"companion_primary", {0, 5, 20, 50}, 1},
    {"video_gen", {0, 0, 2, 10}, 0},
};

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

QString isoTime(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, kBeijingOffsetSeconds).toString(Qt::ISODate);
}

const Sku *findSku(const QString &skuId) {
    const auto found = std::find_if(std::begin(kSkus), std::end(kSkus),
                                    [&skuId](const Sku &sku) { return skuId == QLatin1String(sku.skuId); });
    return found == std::end(kSkus) ? nullptr : found;
}

int tierRank(const QString &tier) {
    const auto found = std::find_if(std::begin(kTiers), std::end(kTiers),
                                    [&tier](const char *code) { return tier == QLatin1String(code); });
    return found == std::end(kTiers) ? 0 : int(found - std::begin(kTiers));
}

// The membership in force now; none on the free tier.
const MembershipRecord *activeMembershipLocked(const ServerState &state, std::int64_t userId,
                                               std::int64_t now) {
    const auto found = state.commerce.memberships.find(userId);
    return found == state.commerce.memberships.end() || found->second.expiresAtMs <= now ? nullptr
                                                                                         : &found->second;
}

QJsonObject entitlementsJsonLocked(const ServerState &state, std::int64_t userId) {
    const MembershipRecord *membership = activeMembershipLocked(state, userId, nowMs());
    const QString tier = membership ? membership->tier : QString::fromLatin1(kFreeTier);
    const int rank = tierRank(tier);
    QJsonObject quotas;
    for (const Quota &quota : kQuotas) {
        const std::int64_t limit = quota.limits[rank];
        const std::int64_t used = std::min(quota.usedToday, limit);
        quotas.insert(QLatin1String(quota.bucket), QJsonObject{{"bucket", QLatin1String(quota.bucket)},
                                                               {"limit", qint64(limit)},
                                                               {"used", qint64(used)},
                                                               {"remaining", qint64(limit - used)}});
    }
    QJsonObject answer{{"tier", tier}, {"effective_tier", tier}, {"quotas", quotas}};
    if (membership)
        answer.insert("expires_at", isoTime(membership->expiresAtMs));
    return answer;
}

QJsonObject skuJson(const Sku &sku, bool withStoreProduct) {
    QJsonObject item{{"sku_id", QLatin1String(sku.skuId)},
                     {"tier", QLatin1String(sku.tier)},
                     {"name", QString::fromUtf16(sku.name)},
                     {"price", QLatin1String(sku.price)},
                     {"period_days", qint64(sku.periodDays)}};
    if (withStoreProduct && sku.storeProductId)
        item.insert("apple_product_id", QLatin1String(sku.storeProductId));
    return item;
}

QJsonObject orderJson(const CommerceOrderRecord &order) {
    const Sku *sku = findSku(order.skuId);
    QJsonObject item{{"order_no", order.orderNo},
                     {"sku_id", order.skuId},
                     {"sku_name", sku ? QString::fromUtf16(sku->name) : order.skuId},
                     {"amount", sku ? QLatin1String(sku->price) : QLatin1String("0.00")},
                     {"channel", order.channel},
                     {"platform", order.platform},
                     {"state", order.state},
                     {"created_at", isoTime(order.createdAtMs)}};
    if (order.closeReason)
        item.insert("close_reason", *order.closeReason);
    if (order.paidAtMs)
        item.insert("paid_at", isoTime(*order.paidAtMs));
    if (order.membershipEndsAtMs)
        item.insert("expires_at", isoTime(*order.membershipEndsAtMs));
    return item;
}

QJsonObject payJson(const CommerceOrderRecord &order) {
    return {{"order_no", order.orderNo}, {"state", order.state}, {"channel", order.channel}};
}

bool isUnpaid(const CommerceOrderRecord &order) {
    return order.state == QLatin1String("Created") || order.state == QLatin1String("Paying");
}

// The order number of "/api/v1/commerce/orders/<number>/<action>", read from the path as it was sent: the
// router sees it decoded, where an encoded "/" inside a number would already have split it. Nothing when the
// number is not one non-empty segment.
std::optional<QString> orderNoFromTarget(const httplib::Request &req, const std::string &action) {
    const std::string raw = req.target.substr(0, req.target.find('?'));
    const std::string suffix = "/" + action;
    if (raw.size() <= kOrdersPrefix.size() + suffix.size() ||
        raw.compare(0, kOrdersPrefix.size(), kOrdersPrefix) ||
        raw.compare(raw.size() - suffix.size(), suffix.size(), suffix))
        return std::nullopt;
    const std::string segment =
        raw.substr(kOrdersPrefix.size(), raw.size() - kOrdersPrefix.size() - suffix.size());
    if (segment.find('/') != std::string::npos)
        return std::nullopt;
    return QUrl::fromPercentEncoding(QByteArray::fromStdString(segment));
}

CommerceOrderRecord *findOrderLocked(ServerState &state, std::int64_t userId, const QString &orderNo) {
    for (CommerceOrderRecord &order : state.commerce.orders)
        if (order.userId == userId && order.orderNo == orderNo)
            return &order;
    return nullptr;
}

void sendOrderNotFound(httplib::Response &res) {
    sendError(res, 404, "order_not_found", QStringLiteral("订单不存在"));
}

// The order the request names, of the signed-in learner; otherwise answers 404 and gives nothing. Called
// with the lock held.
CommerceOrderRecord *requestedOrderLocked(ServerState &state, std::int64_t userId,
                                          const httplib::Request &req, const std::string &action,
                                          httplib::Response &res) {
    const std::optional<QString> orderNo = orderNoFromTarget(req, action);
    CommerceOrderRecord *order = orderNo ? findOrderLocked(state, userId, *orderNo) : nullptr;
    if (!order)
        sendOrderNotFound(res);
    return order;
}

// Grants the SKU's membership from now, or from the end of the membership in force, so that time already
// bought is never lost; a cheaper tier bought on top of a better one keeps the better one.
std::int64_t grantMembershipLocked(ServerState &state, std::int64_t userId, const Sku &sku,
                                   std::int64_t now) {
    const MembershipRecord *current = activeMembershipLocked(state, userId, now);
    MembershipRecord granted;
    granted.tier = QLatin1String(sku.tier);
    std::int64_t from = now;
    if (current) {
        from = current->expiresAtMs;
        if (tierRank(current->tier) > tierRank(granted.tier))
            granted.tier = current->tier;
    }
    granted.expiresAtMs = from + sku.periodDays * kDayMs;
    state.commerce.memberships[userId] = granted;
    return granted.expiresAtMs;
}

void entitlements(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::lock_guard lock(state.mutex);
    sendJson(res, 200, entitlementsJsonLocked(state, who->userId));
}

void skus(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    if (!requireSignedIn(state, req, res))
        return;
    // Store product ids belong to the store of one platform.
    const bool withStoreProduct = req.get_param_value("platform") == kPlatform.toStdString();
    QJsonArray items;
    for (const Sku &sku : kSkus)
        items.append(skuJson(sku, withStoreProduct));
    sendJson(res, 200, {{"items", items}});
}

void listOrders(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    QJsonArray items;
    {
        std::lock_guard lock(state.mutex);
        const auto &orders = state.commerce.orders;
        for (auto order = orders.rbegin(); order != orders.rend(); ++order)
            if (order->userId == who->userId)
                items.append(orderJson(*order));
    }
    sendJson(res, 200, {{"items", items}});
}

void createOrder(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto skuId = requireString(*body, "sku_id", res);
    if (!skuId)
        return;
    const auto key = requireString(*body, "idempotency_key", res);
    if (!key)
        return;
    const auto channel = requireString(*body, "channel", res);
    if (!channel)
        return;
    const auto platform = requireString(*body, "platform", res);
    if (!platform)
        return;
    if (key->isEmpty() || key->size() > kMaxIdempotencyKey)
        return sendInvalidRequest(res, QStringLiteral("idempotency_key 应为 1 到 128 个字符"));
    if (*channel != kChannel || *platform != kPlatform)
        return sendInvalidRequest(res, QStringLiteral("不支持的支付渠道"));
    const Sku *sku = findSku(*skuId);
    if (!sku)
        return sendError(res, 404, "sku_not_found", QStringLiteral("该商品不存在或已下架"));

    std::lock_guard lock(state.mutex);
    auto &orders = state.commerce.orders;
    const auto earlier = std::find_if(orders.begin(), orders.end(), [&](const CommerceOrderRecord &order) {
        return order.userId == who->userId && order.idempotencyKey == *key;
    });
    if (earlier != orders.end()) {
        // A repeated request gets the order it made; the same key for another product is a client fault.
        if (earlier->skuId != *skuId)
            return sendError(res, 409, "idempotency_conflict",
                             QStringLiteral("该请求已用于其他商品，请重新下单"));
        return sendJson(res, 200, orderJson(*earlier));
    }
    CommerceOrderRecord order;
    order.createdAtMs = nowMs();
    const QString day =
        QDateTime::fromMSecsSinceEpoch(order.createdAtMs, Qt::OffsetFromUTC, kBeijingOffsetSeconds)
            .toString(QStringLiteral("yyyyMMdd"));
    order.orderNo =
        QStringLiteral("QV%1%2").arg(day).arg(state.commerce.nextOrderSequence++, 6, 10, QLatin1Char('0'));
    order.userId = who->userId;
    order.skuId = *skuId;
    order.idempotencyKey = *key;
    order.channel = *channel;
    order.platform = *platform;
    order.state = QStringLiteral("Created");
    orders.push_back(order);
    sendJson(res, 201, orderJson(order));
}

void startPay(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::lock_guard lock(state.mutex);
    CommerceOrderRecord *order = requestedOrderLocked(state, who->userId, req, "pay", res);
    if (!order)
        return;
    if (order->state == QLatin1String("Paid"))
        return sendError(res, 409, "order_paid", QStringLiteral("订单已支付"));
    if (!isUnpaid(*order))
        return sendError(res, 409, "order_state", QStringLiteral("订单状态不允许支付"));
    const Sku *sku = findSku(order->skuId);
    QJsonObject answer = payJson(*order);
    // Without a store product there is nothing to pay in the app: the order stays as it is.
    if (!sku || !sku->storeProductId)
        return sendJson(res, 200, answer);
    order->state = QStringLiteral("Paying");
    order->appAccountToken = QUuid::createUuid().toString(QUuid::WithoutBraces);
    answer = payJson(*order);
    answer.insert("app_account_token", *order->appAccountToken);
    answer.insert("apple_product_id", QLatin1String(sku->storeProductId));
    sendJson(res, 200, answer);
}

bool isDecimalId(const QString &text) {
    return !text.isEmpty() && text.size() <= 20 &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

void postTransaction(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto transactionId = requireString(*body, "transaction_id", res);
    if (!transactionId)
        return;
    if (!isDecimalId(*transactionId))
        return sendInvalidRequest(res, QStringLiteral("transaction_id 应为交易号的十进制文本"));

    std::lock_guard lock(state.mutex);
    CommerceOrderRecord *order = requestedOrderLocked(state, who->userId, req, "apple-transactions", res);
    if (!order)
        return;
    // A repeated post of the transaction that paid this order (its answer was lost) answers the same again.
    if (order->transactionId == *transactionId)
        return sendJson(res, 200, payJson(*order));
    const auto &orders = state.commerce.orders;
    const bool usedElsewhere =
        std::any_of(orders.begin(), orders.end(),
                    [&](const CommerceOrderRecord &other) { return other.transactionId == *transactionId; });
    if (usedElsewhere)
        return sendError(res, 409, "transaction_used", QStringLiteral("该交易已用于其他订单"));
    if (order->state == QLatin1String("Paid"))
        return sendError(res, 409, "order_paid", QStringLiteral("订单已支付"));
    if (!isUnpaid(*order))
        return sendError(res, 409, "order_state", QStringLiteral("订单已关闭，无法支付"));
    const Sku *sku = findSku(order->skuId);
    if (!sku || !sku->storeProductId)
        return sendError(res, 409, "not_in_store", QStringLiteral("该商品暂不支持应用内购买"));

    const std::int64_t now = nowMs();
    order->state = QStringLiteral("Paid");
    order->paidAtMs = now;
    order->transactionId = *transactionId;
    order->membershipEndsAtMs = grantMembershipLocked(state, who->userId, *sku, now);
    sendJson(res, 200, payJson(*order));
}

void cancelOrder(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::lock_guard lock(state.mutex);
    CommerceOrderRecord *order = requestedOrderLocked(state, who->userId, req, "cancel", res);
    if (!order)
        return;
    if (!isUnpaid(*order))
        return sendError(res, 409, "order_state", QStringLiteral("订单状态不允许取消"));
    order->state = QStringLiteral("Closed");
    order->closeReason = QStringLiteral("user_cancelled");
    sendJson(res, 200, orderJson(*order));
}

} // namespace

void registerCommerceRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    router.get("/api/v1/me/entitlements", [&state](Req req, Res res) { entitlements(state, req, res); });
    router.get("/api/v1/commerce/skus", [&state](Req req, Res res) { skus(state, req, res); });
    router.get("/api/v1/commerce/orders", [&state](Req req, Res res) { listOrders(state, req, res); });
    router.post("/api/v1/commerce/orders", [&state](Req req, Res res) { createOrder(state, req, res); });
    // Matched on the decoded path; the handlers take the order number from the path as sent.
    router.post(R"(/api/v1/commerce/orders/.+/pay)",
                [&state](Req req, Res res) { startPay(state, req, res); });
    router.post(R"(/api/v1/commerce/orders/.+/apple-transactions)",
                [&state](Req req, Res res) { postTransaction(state, req, res); });
    router.post(R"(/api/v1/commerce/orders/.+/cancel)",
                [&state](Req req, Res res) { cancelOrder(state, req, res); });
}

} // namespace devserver
