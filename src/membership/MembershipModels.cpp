#include "MembershipModels.h"

#include <QJsonObject>

QuotaUsage QuotaUsage::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("bucket")), json.int64(QStringLiteral("limit")),
            json.int64(QStringLiteral("used")), json.int64(QStringLiteral("remaining"))};
}

EntitlementStatus EntitlementStatus::fromJson(const JsonReader &json) {
    EntitlementStatus status;
    status.tier = json.string(QStringLiteral("tier"));
    status.effectiveTier = json.string(QStringLiteral("effectiveTier"));
    status.expiresAt = json.optString(QStringLiteral("expiresAt"));
    // Checked as a required object first; its member names are then read raw, since key conversion would
    // turn the bucket "companion_primary" into "companionPrimary".
    const QString field = QStringLiteral("quotas");
    json.object(field);
    const QJsonObject quotas = json.value(field).toObject();
    const QString path = json.path().isEmpty() ? field : json.path() + u'.' + field;
    for (auto it = quotas.begin(); it != quotas.end(); ++it) {
        const QString entryPath = path + u'.' + it.key();
        if (!it.value().isObject())
            throw JsonDecodeError(entryPath, QStringLiteral("is not an object"));
        status.quotas.insert(it.key(),
                             QuotaUsage::fromJson(JsonReader(it.value().toObject(), json.keys(), entryPath)));
    }
    return status;
}

SkuItem SkuItem::fromJson(const JsonReader &json) {
    SkuItem sku;
    sku.skuId = json.string(QStringLiteral("skuId"));
    sku.tier = json.string(QStringLiteral("tier"));
    sku.name = json.string(QStringLiteral("name"));
    sku.price = json.string(QStringLiteral("price"));
    sku.periodDays = json.optInt64(QStringLiteral("periodDays"));
    sku.perUserLimit = json.optInt64(QStringLiteral("perUserLimit"));
    sku.appleProductId = json.optString(QStringLiteral("appleProductId"));
    return sku;
}

OrderItem OrderItem::fromJson(const JsonReader &json) {
    OrderItem order;
    order.orderNo = json.string(QStringLiteral("orderNo"));
    order.skuId = json.string(QStringLiteral("skuId"));
    order.skuName = json.string(QStringLiteral("skuName"));
    order.amount = json.string(QStringLiteral("amount"));
    order.channel = json.string(QStringLiteral("channel"));
    order.platform = json.string(QStringLiteral("platform"));
    order.state = json.string(QStringLiteral("state"));
    order.closeReason = json.optString(QStringLiteral("closeReason"));
    order.expiresAt = json.optString(QStringLiteral("expiresAt"));
    order.paidAt = json.optString(QStringLiteral("paidAt"));
    order.createdAt = json.optString(QStringLiteral("createdAt"));
    return order;
}

PayStart PayStart::fromJson(const JsonReader &json) {
    PayStart pay;
    pay.orderNo = json.string(QStringLiteral("orderNo"));
    pay.state = json.string(QStringLiteral("state"));
    pay.channel = json.string(QStringLiteral("channel"));
    pay.appAccountToken = json.optString(QStringLiteral("appAccountToken"));
    pay.appleProductId = json.optString(QStringLiteral("appleProductId"));
    return pay;
}
