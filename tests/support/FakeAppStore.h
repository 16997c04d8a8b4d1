#pragma once

#include "AppStore.h"
#include "Completion.h"
#include "FakeWaits.h"

#include <QList>

#include <memory>

// A store that answers purchases from a script, on a later event-loop turn (never synchronously), and records
// every purchase and finish it was given. A purchase or product query still unanswered when the store is
// destroyed (or cancels them) fails at once, so that no coroutine stays suspended on it after its test.
class FakeAppStore final : public AppStore {
    Q_OBJECT

public:
    ~FakeAppStore() override { cancelPending(); }

    struct Answer {
        PurchaseResult::Kind kind = PurchaseResult::Kind::Success;
        bool verified = true;             // of the transaction of a Success
        std::optional<QString> error;     // throw AppStoreError with this text instead of answering
        std::shared_ptr<Completion> hold; // answer only once it settles

        static Answer success(bool verified = true) {
            Answer answer;
            answer.verified = verified;
            return answer;
        }
        static Answer cancelled() { return withKind(PurchaseResult::Kind::UserCancelled); }
        static Answer pending() { return withKind(PurchaseResult::Kind::Pending); }
        static Answer failure(QString text) {
            Answer answer;
            answer.error = std::move(text);
            return answer;
        }
        static Answer withKind(PurchaseResult::Kind kind) {
            Answer answer;
            answer.kind = kind;
            return answer;
        }
        Answer heldUntil(std::shared_ptr<Completion> until) const {
            Answer copy = *this;
            copy.hold = std::move(until);
            return copy;
        }
    };
    struct Purchase {
        QString productId;
        QUuid appAccountToken;
    };

    // What `products` answers from.
    QList<StoreProduct> catalogue;
    // Throw AppStoreError with this text from `products`.
    std::optional<QString> productsError;
    // Used in order; the last one keeps answering once the others are used up. None: a verified success.
    QList<Answer> answers;
    // A finish of an unfinished transaction fails (it stays unfinished).
    bool failFinish = false;

    QList<QStringList> productRequests;
    QList<Purchase> purchases;
    QList<qint64> finished;               // every id `finish` was called with, in order
    QList<StoreTransaction> transactions; // the unfinished ones; a test may add its own
    QList<Purchase> pendingPurchases;     // waiting for `approve`
    qint64 nextId = 2000000001;
    QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(8, 5, 9), Qt::UTC);

    // Adds an unfinished transaction as a purchase would, and returns it.
    StoreTransaction addTransaction(const QString &productId, const QUuid &token, bool verified = true);
    // Approves the oldest pending purchase: its transaction joins the unfinished ones and is reported.
    StoreTransaction approve();

    QCoro::Task<QList<StoreProduct>> products(QStringList ids) override;
    QCoro::Task<PurchaseResult> purchase(QString productId, QUuid appAccountToken) override;
    bool finish(qint64 transactionId) override;
    QList<StoreTransaction> unfinished() const override { return transactions; }
    // Fails every unanswered call now, and every later one at once.
    void cancelPending() { m_waits->close(); }

private:
    Answer nextAnswer();
    std::shared_ptr<FakeWaits> m_waits = std::make_shared<FakeWaits>();
};
