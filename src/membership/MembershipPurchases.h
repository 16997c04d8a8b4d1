#pragma once

#include "AppSession.h"
#include "AppStore.h"
#include "MembershipAPIClient.h"
#include "MembershipModels.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <exception>
#include <memory>
#include <optional>

class Completion;

// The membership purchases of one session: buying a SKU through the platform store against an order of the
// trade server, and handing every paid store transaction over to the server. One per session, living as
// long as the session (`forSession`), so a purchase runs to its end whatever happens to the page that
// started it; pages only mirror `buyingSku` and show what `purchaseEnded` tells them.
//
// A purchase: a new order under a new idempotency key ("ios-" and an upper-case UUID, one per tap, so a
// retry after a failure makes a new order), the payment start, the store's purchase of the product the
// payment start names, tied to its app-account token, then the transaction posted to the server.
//
// A paid transaction is never lost on the way. Before the store's sheet opens, the token is written down
// with its order number (user defaults "qvl.membership.pending_orders"), so a transaction can be matched to
// its order after a failed post, a crash or a restart. The store transaction is finished only once the
// server answered its post with a 2xx status, and the note is dropped with it; a failed post keeps both.
// `recover` (every membership load, and whenever the store reports a pending purchase approved) posts each
// unfinished verified transaction whose token has an order, quietly: failures stay for the next time, and
// `reloadDue` asks the pages to reload once one went through. A transaction the store does not vouch for is
// never posted nor finished. The same transaction is never posted twice at once: a second poster waits for
// the first one's answer, whichever purchases object sent it.
//
// Main thread only.
class MembershipPurchases : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("One per session: MembershipPurchases::forSession")
    Q_PROPERTY(QString buyingSku READ buyingSkuText NOTIFY buyingSkuChanged)
    Q_PROPERTY(bool buying READ isBuying NOTIFY buyingSkuChanged)

public:
    static inline const QString pendingOrdersKey = QStringLiteral("qvl.membership.pending_orders");

    static inline const QString unsupportedText = QStringLiteral("该商品暂不支持应用内购买");
    static inline const QString notListedText =
        QStringLiteral("App Store 暂未上架该商品（本机联调可用 StoreKit 配置文件）");
    static inline const QString unverifiedText = QStringLiteral("交易校验未通过");
    static inline const QString pendingText =
        QStringLiteral("购买待处理（若开启了 Apple「询问购买」，需要家庭组织者批准）");
    static inline const QString paidText = QStringLiteral("开通成功，会员权益几秒内生效。");
    static inline const QString processingText = QStringLiteral("支付处理中，请稍后在「我的订单」查看。");

    // The session's purchases object, made on first use as a child of the session.
    static MembershipPurchases *forSession(AppSession &session);

    // Works for `session` with the platform's store and user defaults as they are now. `forSession` is how
    // the app gets one; a second object over the same store and defaults (a restart) finds what the first
    // left behind.
    explicit MembershipPurchases(AppSession &session, QObject *parent = nullptr);
    ~MembershipPurchases() override;

    std::optional<QString> buyingSku() const { return m_buyingSku; }
    QString buyingSkuText() const { return m_buyingSku.value_or(QString()); }
    bool isBuying() const { return m_buyingSku.has_value(); }

    // Starts buying the SKU; false (nothing starts) while another purchase runs.
    bool buy(const SkuItem &sku);
    // The purchase to its end, for callers that wait for it (tests). Ends at once while another one runs.
    QCoro::Task<> runBuy(SkuItem sku);

    // Hands the unfinished transactions over (see above); runs by itself.
    void recover();
    // The same, for callers that wait; the number of transactions the server took over.
    QCoro::Task<int> runRecover();

    // The app-account tokens (lower-case UUID texts) noted with their order numbers.
    static QHash<QString, QString> pendingOrders();
    // "ios-" and a new UUID in upper case.
    static QString newIdempotencyKey();
    // Whether `text` is a UUID in its 36-character form (hex digits in either case, hyphens in place).
    static bool isUuidText(const QString &text);

Q_SIGNALS:
    void buyingSkuChanged();
    // A purchase of `skuId` ended: `message` is the text to show (empty: none), `reload` whether the server
    // took a transaction so the page should reload after a short wait. Sent before `buyingSku` clears.
    void purchaseEnded(const QString &skuId, const QString &message, bool reload);
    // The server took over a transaction outside a visible purchase: the entitlements have changed.
    void reloadDue();

private:
    struct Delivery {
        std::shared_ptr<Completion> done;
        std::optional<PayStart> reply;
        std::exception_ptr error;
    };
    struct Outcome {
        QString message;
        bool reload = false;
    };

    QCoro::Task<Outcome> purchase(SkuItem sku);
    // Posts the transaction for the order, or waits for the post already under way for it. On a 2xx answer
    // the store transaction is finished and its note dropped.
    QCoro::Task<std::shared_ptr<Delivery>> deliver(StoreTransaction transaction, QString orderNo);
    void setBuyingSku(std::optional<QString> sku);

    static void notePendingOrder(const QUuid &token, const QString &orderNo);
    static void dropPendingOrder(const QUuid &token);
    static void storePendingOrders(const QHash<QString, QString> &orders);
    // Drops the note of a token once the store holds no unfinished transaction for it any more.
    static void settle(const AppStore &store, const QUuid &token);
    // The posts under way, by transaction id.
    static QHash<qint64, std::shared_ptr<Delivery>> &deliveries();

    QPointer<AppSession> m_session;
    QPointer<AppStore> m_store;
    MembershipAPIClient m_client;
    std::optional<QString> m_buyingSku;
};
