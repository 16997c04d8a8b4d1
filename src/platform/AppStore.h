#pragma once

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <QCoro/QCoroTask>

#include <functional>
#include <optional>

#include "UserFacingError.h"

// A product on sale in the store, as the purchase sheet shows it.
struct StoreProduct {
    QString id;
    QString displayName;
    QString displayPrice; // ready to show, currency sign included ("¥30.00")

    bool operator==(const StoreProduct &) const = default;
};

// A completed purchase. It stays "unfinished" until the app calls `finish` for it, which the app does only
// once the service has taken it over: an unfinished transaction is still owed to the learner.
struct StoreTransaction {
    qint64 id = 0; // unique within the store, never reused; above zero
    QString productId;
    QUuid appAccountToken; // what the app tied the purchase to (one of the service's orders)
    QDateTime purchaseDate;
    bool verified = false; // whether the store vouches for it; an unverified one must not be honoured

    bool operator==(const StoreTransaction &) const = default;
};

// How a purchase ended. `Pending` means someone else still has to approve it: the store reports the
// transaction later through `AppStore::purchaseApproved`.
struct PurchaseResult {
    enum class Kind { Success, UserCancelled, Pending };
    Kind kind = Kind::UserCancelled;
    std::optional<StoreTransaction> transaction; // with Success only

    static PurchaseResult success(StoreTransaction transaction) {
        return {Kind::Success, std::move(transaction)};
    }
    static PurchaseResult userCancelled() { return {Kind::UserCancelled, std::nullopt}; }
    static PurchaseResult pending() { return {Kind::Pending, std::nullopt}; }
};

// A purchase the store could not run (unknown product, another purchase under way, nothing to confirm it
// with, its record could not be kept). Nothing was bought.
class AppStoreError : public UserFacingError {
public:
    using UserFacingError::UserFacingError;
};

// The in-app purchase store as the membership purchase uses it: products by id, a purchase tied to an app
// account token, transactions that stay unfinished until the app finishes them, and a report when a pending
// purchase is approved later. Main thread only.
class AppStore : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Asks the learner whether to buy the product: true to buy, false when they declined. A purchase sheet
    // of the UI answers it; the production one is `PurchaseConfirmation`.
    using Confirmer = std::function<QCoro::Task<bool>(StoreProduct)>;

    // The products among `ids` that the store sells, in the order asked; unknown ids are left out.
    virtual QCoro::Task<QList<StoreProduct>> products(QStringList ids) = 0;
    // Runs the purchase sheet for the product. Throws AppStoreError when the purchase cannot be run at all.
    virtual QCoro::Task<PurchaseResult> purchase(QString productId, QUuid appAccountToken) = 0;
    // Marks the transaction as delivered; it is no longer among the unfinished ones. False when the store has
    // no unfinished transaction of that id or could not record the change (it then stays unfinished).
    virtual bool finish(qint64 transactionId) = 0;
    // The transactions not finished yet, verified or not, oldest first.
    virtual QList<StoreTransaction> unfinished() const = 0;

Q_SIGNALS:
    // A purchase that ended as pending was approved: its transaction is now among the unfinished ones.
    void purchaseApproved(const StoreTransaction &transaction);
};

Q_DECLARE_METATYPE(StoreTransaction)
