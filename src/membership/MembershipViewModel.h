#pragma once

#include "ListModel.h"
#include "MembershipAPIClient.h"
#include "MembershipModels.h"
#include "ScreenViewModel.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <functional>
#include <optional>

class MembershipPurchases;

// One of today's quotas as its row shows it; identified by its bucket code.
struct MembershipQuotaRow {
    Q_GADGET
    Q_PROPERTY(QString bucket MEMBER bucket)
    Q_PROPERTY(QString label MEMBER label)
    Q_PROPERTY(QString countText MEMBER countText)
    Q_PROPERTY(bool countIsRed MEMBER countIsRed)
    Q_PROPERTY(bool showsBar MEMBER showsBar)
    Q_PROPERTY(qint64 used MEMBER used)
    Q_PROPERTY(qint64 limit MEMBER limit)
    Q_PROPERTY(double progress MEMBER progress) // the bar's fill, used out of limit, held to 0..1

public:
    QString bucket;
    QString label;
    QString countText;
    bool countIsRed = false;
    bool showsBar = false;
    qint64 used = 0;
    qint64 limit = 0;
    double progress = 0;

    const QString &id() const { return bucket; }
    static MembershipQuotaRow from(const QuotaUsage &quota);
    friend bool operator==(const MembershipQuotaRow &, const MembershipQuotaRow &) = default;
};

// One SKU on sale as its row shows it; identified by `skuId`.
struct MembershipSkuRow {
    Q_GADGET
    Q_PROPERTY(QString skuId MEMBER skuId)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QString periodText MEMBER periodText)
    Q_PROPERTY(QString priceText MEMBER priceText)
    Q_PROPERTY(bool isBuying MEMBER isBuying)

public:
    QString skuId;
    QString name;
    QString periodText; // "30 天", empty without a period
    QString priceText;  // "¥" and the price as delivered
    bool isBuying = false;

    const QString &id() const { return skuId; }
    static MembershipSkuRow from(const SkuItem &sku, bool isBuying);
    friend bool operator==(const MembershipSkuRow &, const MembershipSkuRow &) = default;
};

// The membership page ("会员与额度"): the tier and expiry, today's quotas sorted by bucket code, and the
// SKUs with their buy buttons. Loads each time it comes on screen and on a pull; each load also lets the
// session's purchases object hand over transactions a purchase left behind.
//
// Buying is the purchases object's (`MembershipPurchases`): the page mirrors its `buyingSku` while it
// lives. When a purchase ends with the server's answer, the page keeps the SKU as being bought through a
// wait of `reloadDelayMs` and a reload, and only then enables the buttons again. A load's failure and a
// purchase's message go to `message` for the "提示" alert. Work still under way when the view-model is gone
// writes nothing; the purchase itself runs on.
class MembershipViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool hasStatus READ hasStatus NOTIFY statusChanged)
    Q_PROPERTY(QString tierLabel READ tierLabel NOTIFY statusChanged)
    Q_PROPERTY(QString expiryText READ expiryText NOTIFY statusChanged)
    Q_PROPERTY(ListModelBase *quotas READ quotaModel CONSTANT)
    Q_PROPERTY(ListModelBase *skus READ skuModel CONSTANT)
    Q_PROPERTY(QString buyingSku READ buyingSkuText NOTIFY buyingSkuChanged)
    Q_PROPERTY(bool anyBuying READ anyBuying NOTIFY buyingSkuChanged)

public:
    explicit MembershipViewModel(QObject *parent = nullptr);
    ~MembershipViewModel() override;

    static inline const QString permanentText = QStringLiteral("长期有效（免费版）");
    static inline const QString notIncludedText = QStringLiteral("不含此功能");

    // How long the page waits after the server took a purchase before it reloads.
    int reloadDelayMs = 2000;

    const std::optional<EntitlementStatus> &status() const { return m_status; }
    bool hasStatus() const { return m_status.has_value(); }
    QString tierLabel() const;
    QString expiryText() const;
    ListModelBase *quotaModel() const { return m_quotas; }
    ListModelBase *skuModel() const { return m_skuRows; }
    const ListModel<MembershipQuotaRow> &quotas() const { return *m_quotas; }
    const ListModel<MembershipSkuRow> &skus() const { return *m_skuRows; }
    std::optional<QString> buyingSku() const;
    QString buyingSkuText() const { return buyingSku().value_or(QString()); }
    bool anyBuying() const { return buyingSku().has_value(); }

    // The page came on screen: loads.
    Q_INVOKABLE void appear();
    // The page left the screen: loads under way write nothing.
    Q_INVOKABLE void disappear();
    // A pull, the wheel or F5: loads.
    Q_INVOKABLE void load();
    // The buy button of the SKU at that position; ignored while anything is being bought.
    Q_INVOKABLE void buy(int row);

    // A load, for callers that wait for it (tests). A quiet one shows no failure and hands nothing over.
    QCoro::Task<> runLoad(bool quiet = false);

    // "不含此功能" for a limit of 0, else "remaining / limit".
    static QString countText(const QuotaUsage &quota);
    // The date part of an expiry (its first 10 characters), or "长期有效（免费版）" without one.
    static QString expiryText(const std::optional<QString> &expiresAt);
    // The rows of the quotas, sorted by bucket code (plain text order); the map's keys are not used.
    static QList<MembershipQuotaRow> quotaRows(const QMap<QString, QuotaUsage> &quotas);

Q_SIGNALS:
    void statusChanged();
    void buyingSkuChanged();

private:
    void setStatus(EntitlementStatus status);
    void setSkus(QList<SkuItem> skus);
    void refreshSkuRows();
    void sessionReplaced() override;
    void setRunningLoads(int running);
    void updateBuying(const std::function<void()> &change);
    void purchaseEnded(const QString &skuId, const QString &message, bool reload);
    QCoro::Task<> reloadAfterPurchase(QString skuId);

    QPointer<MembershipPurchases> m_purchases;
    QMetaObject::Connection m_purchaseConnections[3];
    MembershipAPIClient m_client;
    std::optional<EntitlementStatus> m_status;
    QList<SkuItem> m_skus;
    ListModel<MembershipQuotaRow> *m_quotas;
    ListModel<MembershipSkuRow> *m_skuRows;
    int m_runningLoads = 0;        // loading while any runs
    std::optional<QString> m_hold; // the SKU kept as being bought through the wait and reload
    std::optional<QString> m_shownBuying;
};
