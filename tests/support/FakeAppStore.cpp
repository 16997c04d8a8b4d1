#include "FakeAppStore.h"

#include <algorithm>

namespace {
AppStoreError storeGone() {
    return AppStoreError(QStringLiteral("购买未能完成，请稍后再试"));
}
} // namespace

StoreTransaction FakeAppStore::addTransaction(const QString &productId, const QUuid &token, bool verified) {
    const StoreTransaction transaction{nextId++, productId, token, now, verified};
    transactions.append(transaction);
    return transaction;
}

StoreTransaction FakeAppStore::approve() {
    Q_ASSERT(!pendingPurchases.isEmpty());
    const Purchase purchase = pendingPurchases.takeFirst();
    const StoreTransaction transaction = addTransaction(purchase.productId, purchase.appAccountToken);
    Q_EMIT purchaseApproved(transaction);
    return transaction;
}

QCoro::Task<QList<StoreProduct>> FakeAppStore::products(QStringList ids) {
    productRequests.append(ids);
    const std::optional<QString> error = productsError;
    QList<StoreProduct> found;
    for (const QString &id : std::as_const(ids)) {
        for (const StoreProduct &product : std::as_const(catalogue)) {
            if (product.id == id)
                found.append(product);
        }
    }
    if (!co_await FakeWaits::delay(m_waits, 0))
        throw storeGone();
    if (error)
        throw AppStoreError(*error);
    co_return found;
}

QCoro::Task<PurchaseResult> FakeAppStore::purchase(QString productId, QUuid appAccountToken) {
    purchases.append({productId, appAccountToken});
    const Answer answer = nextAnswer();
    const std::shared_ptr<FakeWaits> waits = m_waits;
    if (!co_await FakeWaits::delay(waits, 0))
        throw storeGone();
    if (answer.hold && !co_await FakeWaits::hold(waits, answer.hold))
        throw storeGone();
    if (answer.error)
        throw AppStoreError(*answer.error);
    switch (answer.kind) {
    case PurchaseResult::Kind::Success:
        co_return PurchaseResult::success(addTransaction(productId, appAccountToken, answer.verified));
    case PurchaseResult::Kind::Pending:
        pendingPurchases.append({productId, appAccountToken});
        co_return PurchaseResult::pending();
    case PurchaseResult::Kind::UserCancelled:
        break;
    }
    co_return PurchaseResult::userCancelled();
}

bool FakeAppStore::finish(qint64 transactionId) {
    finished.append(transactionId);
    const auto found = std::find_if(transactions.begin(), transactions.end(),
                                    [&](const StoreTransaction &t) { return t.id == transactionId; });
    if (found == transactions.end() || failFinish)
        return false;
    transactions.erase(found);
    return true;
}

FakeAppStore::Answer FakeAppStore::nextAnswer() {
    if (answers.isEmpty())
        return Answer::success();
    return answers.size() > 1 ? answers.takeFirst() : answers.first();
}
