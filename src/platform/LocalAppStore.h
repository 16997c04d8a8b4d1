#pragma once

#include "AppStore.h"

#include <QHash>
#include <QJsonObject>

// The store of our own: products from a JSON catalogue, a purchase confirmed by the learner in a sheet of the
// UI (the confirmer), and its transactions kept in a JSON file in the app's data location, rewritten
// atomically on every change, so that unfinished and pending purchases survive a restart.
//
// The catalogue is compiled in (":/config/StoreCatalogue.json") and merged, product by product, with the file
// named in QVL_STORE_CATALOGUE:
//   {"products": [{"id": "...", "display_name": "...", "display_price": "¥30.00",
//                  "outcome": "pending", "approve_after_seconds": 20}]}
// "outcome" lets a product's other paths be tried by hand: "success" (the default), "pending" (approved
// later: after "approve_after_seconds" when given, else only through `approvePending`) or "unverified" (the
// transaction comes back unverified). Main thread only.
class LocalAppStore final : public AppStore {
    Q_OBJECT

public:
    enum class Outcome { Success, Pending, Unverified };
    struct CatalogueEntry {
        StoreProduct product;
        Outcome outcome = Outcome::Success;
        std::optional<double> approveAfterSeconds; // with Pending only
    };
    // A purchase waiting for approval. Its transaction id is taken when it is asked for.
    struct PendingPurchase {
        qint64 id = 0;
        QString productId;
        QUuid appAccountToken;
        QDateTime requestedAt;
        std::optional<QDateTime> approveAt;
    };

    static inline const QString catalogueVariable = QStringLiteral("QVL_STORE_CATALOGUE");
    // The compiled-in catalogue merged with the QVL_STORE_CATALOGUE file, when that can be read.
    static QList<CatalogueEntry> loadCatalogue();
    // The usable products of a catalogue object; an entry that cannot be used is reported and left out.
    static QList<CatalogueEntry> parseCatalogue(const QJsonObject &catalogue, const QString &source);
    static QString defaultPath(); // <data location>/store-transactions.json

    // `path` is the transactions file; an empty path keeps them in memory. A purchase without a confirmer
    // cannot be run.
    LocalAppStore(QList<CatalogueEntry> catalogue, QString path, Confirmer confirmer,
                  QObject *parent = nullptr);
    ~LocalAppStore() override;

    QCoro::Task<QList<StoreProduct>> products(QStringList ids) override;
    QCoro::Task<PurchaseResult> purchase(QString productId, QUuid appAccountToken) override;
    bool finish(qint64 transactionId) override;
    QList<StoreTransaction> unfinished() const override { return m_transactions; }

    QList<PendingPurchase> pending() const { return m_pending; }
    // Approves every pending purchase now (how a purchase without an approval delay is approved by hand);
    // returns how many were approved.
    Q_INVOKABLE int approvePending();

private:
    const CatalogueEntry *entry(const QString &productId) const;
    qint64 takeId();
    void load();
    bool save();
    void scheduleApproval(const PendingPurchase &purchase);
    void approve(QList<qint64> ids);

    QList<CatalogueEntry> m_catalogue;
    QString m_path;
    Confirmer m_confirmer;
    QList<StoreTransaction> m_transactions;
    QList<PendingPurchase> m_pending;
    qint64 m_lastId = 0;
    bool m_purchasing = false;
};
