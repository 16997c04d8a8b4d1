#pragma once

#include "JsonReader.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// The answers of the trade server. Decode-only: nothing here is ever sent back. Keys arrive in snake_case
// ("effective_tier", "order_no"); a key without underscores is matched as it stands, so "effectiveTier" reads
// the same. Keys no field asks for are ignored. A required key that is missing or null, or any value of the
// wrong JSON type, fails the whole answer: no half-read model ever reaches a page.

// One bucket of today's quotas.
struct QuotaUsage {
    QString bucket;   // "qa", "photo", "companion", ...: repeats the key it is filed under
    qint64 limit = 0; // 0: the tier does not include the feature
    qint64 used = 0;
    qint64 remaining = 0;

    static QuotaUsage fromJson(const JsonReader &json);
    friend bool operator==(const QuotaUsage &, const QuotaUsage &) = default;
};

// The learner's membership and today's quotas.
struct EntitlementStatus {
    QString tier;                     // "L1" to "L4": the one shown
    QString effectiveTier;            // the tier in effect; required by the server's contract, shown nowhere
    std::optional<QString> expiresAt; // ISO 8601; none for a membership that does not expire
    // Keyed by bucket code exactly as the server wrote it (the keys are data, not field names), so the
    // buckets come out sorted by code.
    QMap<QString, QuotaUsage> quotas;

    static EntitlementStatus fromJson(const JsonReader &json);
};

// A membership product on sale; identified by `skuId`.
struct SkuItem {
    QString skuId;
    QString tier;
    QString name;
    QString price; // decimal text in yuan, shown after "¥" as it came
    std::optional<qint64> periodDays;
    std::optional<qint64> perUserLimit;
    std::optional<QString> appleProductId; // the product in the store; none: not sold in the app

    QString id() const { return skuId; }
    static SkuItem fromJson(const JsonReader &json);
    friend bool operator==(const SkuItem &, const SkuItem &) = default;
};

// A commerce order; identified by `orderNo`.
struct OrderItem {
    QString orderNo;
    QString skuId;
    QString skuName;
    QString amount; // decimal text in yuan
    QString channel;
    QString platform;
    QString state; // "Created", "Paying", "Verifying", "Paid", "Refunding", "Refunded", "Closed", "Failed"
    std::optional<QString> closeReason;
    std::optional<QString> expiresAt;
    std::optional<QString> paidAt;
    std::optional<QString> createdAt; // ISO 8601; the list shows its date part

    QString id() const { return orderNo; }
    static OrderItem fromJson(const JsonReader &json);
    friend bool operator==(const OrderItem &, const OrderItem &) = default;
};

// The answer of the payment start and of a transaction post: where the order stands afterwards.
struct PayStart {
    QString orderNo;
    QString state; // "Paid" once the server accepted the transaction
    QString channel;
    std::optional<QString> appAccountToken; // a UUID in text form, issued for the store purchase
    std::optional<QString> appleProductId;

    static PayStart fromJson(const JsonReader &json);
    friend bool operator==(const PayStart &, const PayStart &) = default;
};

// The {"items": [...]} envelope of the SKU and order lists; callers get the array.
template <typename Item>
struct MembershipItems {
    QList<Item> items;

    static MembershipItems fromJson(const JsonReader &json) {
        return {json.list(QStringLiteral("items"), &Item::fromJson)};
    }
};
