#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace devserver {

// One order of a learner. Times are wall clock, milliseconds since the epoch.
struct CommerceOrderRecord {
    QString orderNo;
    std::int64_t userId = 0;
    QString skuId;
    QString idempotencyKey;
    QString channel;
    QString platform;
    QString state; // "Created", "Paying", "Paid" or "Closed"
    std::optional<QString> closeReason;
    std::int64_t createdAtMs = 0;
    std::optional<std::int64_t> paidAtMs;
    // The end of the membership a paid order gave.
    std::optional<std::int64_t> membershipEndsAtMs;
    // The account token of the latest pay start; the store's transaction carries it.
    std::optional<QString> appAccountToken;
    // The store transaction that paid the order.
    std::optional<QString> transactionId;
};

// A paid membership; past `expiresAtMs` the learner is back on the free tier.
struct MembershipRecord {
    QString tier;
    std::int64_t expiresAtMs = 0;
};

struct CommerceState {
    std::vector<CommerceOrderRecord> orders;              // every learner's, oldest first
    std::map<std::int64_t, MembershipRecord> memberships; // by user id; none: the free tier
    std::int64_t nextOrderSequence = 1;
};

} // namespace devserver
