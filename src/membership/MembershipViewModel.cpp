#include "MembershipViewModel.h"

#include "ErrorText.h"
#include "MembershipLabels.h"
#include "MembershipLogging.h"
#include "MembershipPurchases.h"

#include <QCoro/QCoroTimer>

#include <algorithm>
#include <chrono>

MembershipQuotaRow MembershipQuotaRow::from(const QuotaUsage &quota) {
    MembershipQuotaRow row;
    row.bucket = quota.bucket;
    row.label = quotaBucketLabel(quota.bucket);
    row.countText = MembershipViewModel::countText(quota);
    row.countIsRed = quota.remaining == 0;
    row.showsBar = quota.limit > 0;
    row.used = quota.used;
    row.limit = quota.limit;
    row.progress = quota.limit > 0 ? std::clamp(double(quota.used) / double(quota.limit), 0.0, 1.0) : 0.0;
    return row;
}

MembershipSkuRow MembershipSkuRow::from(const SkuItem &sku, bool isBuying) {
    MembershipSkuRow row;
    row.skuId = sku.skuId;
    row.name = sku.name;
    row.periodText = sku.periodDays ? QString::number(*sku.periodDays) + QStringLiteral(" 天") : QString();
    row.priceText = u'¥' + sku.price;
    row.isBuying = isBuying;
    return row;
}

MembershipViewModel::MembershipViewModel(QObject *parent)
    : ScreenViewModel(parent), m_quotas(new ListModel<MembershipQuotaRow>(this)),
      m_skuRows(new ListModel<MembershipSkuRow>(this)) {}

MembershipViewModel::~MembershipViewModel() = default;

void MembershipViewModel::sessionReplaced() {
    updateBuying([&] {
        for (QMetaObject::Connection &connection : m_purchaseConnections)
            disconnect(connection);
        AppSession *session = this->session();
        m_purchases = session ? MembershipPurchases::forSession(*session) : nullptr;
        if (m_purchases) {
            m_purchaseConnections[0] = connect(m_purchases, &MembershipPurchases::buyingSkuChanged, this,
                                               [this] { updateBuying([] {}); });
            m_purchaseConnections[1] = connect(m_purchases, &MembershipPurchases::purchaseEnded, this,
                                               &MembershipViewModel::purchaseEnded);
            m_purchaseConnections[2] = connect(m_purchases, &MembershipPurchases::reloadDue, this,
                                               [this] { auto task = runLoad(true); });
        }
    });
}

QString MembershipViewModel::tierLabel() const {
    return m_status ? membershipTierLabel(m_status->tier) : QString();
}

QString MembershipViewModel::expiryText() const {
    return m_status ? expiryText(m_status->expiresAt) : QString();
}

std::optional<QString> MembershipViewModel::buyingSku() const {
    if (m_hold)
        return m_hold;
    return m_purchases ? m_purchases->buyingSku() : std::nullopt;
}

void MembershipViewModel::appear() {
    load();
}

void MembershipViewModel::disappear() {
    dropAppearance();
}

void MembershipViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void MembershipViewModel::buy(int row) {
    if (anyBuying() || !m_purchases || row < 0 || row >= m_skus.size())
        return;
    m_purchases->buy(m_skus.at(row));
}

QCoro::Task<> MembershipViewModel::runLoad(bool quiet) {
    QPointer<AppSession> session = this->session();
    const Appearance appearance = this->appearance();
    if (!session)
        co_return;
    if (!quiet && m_purchases)
        m_purchases->recover();
    setRunningLoads(m_runningLoads + 1);

    // Both at once; a failure of the first drops the second's answer.
    auto entitlements = m_client.fetchEntitlements(*session);
    auto skus = m_client.fetchSkus(*session);
    std::exception_ptr failure;
    try {
        EntitlementStatus status = co_await entitlements;
        if (!appearance.alive())
            co_return;
        if (appearance.current())
            setStatus(std::move(status));
        QList<SkuItem> items = co_await skus;
        if (!appearance.alive())
            co_return;
        if (appearance.current())
            setSkus(std::move(items));
    } catch (...) {
        failure = std::current_exception();
        qCInfo(lcMembership) << "membership not loaded:" << failureSummary(failure);
    }
    if (!appearance.alive())
        co_return;
    setRunningLoads(m_runningLoads - 1);
    if (!quiet && appearance.current())
        showFailure(failure);
}

void MembershipViewModel::purchaseEnded(const QString &skuId, const QString &message, bool reload) {
    if (!message.isEmpty())
        setMessage(message);
    if (reload) {
        auto task = reloadAfterPurchase(skuId); // runs on by itself, guarded against the page going
    }
}

QCoro::Task<> MembershipViewModel::reloadAfterPurchase(QString skuId) {
    const Appearance self = appearance();
    updateBuying([&] { m_hold = skuId; });
    co_await QCoro::sleepFor(std::chrono::milliseconds(reloadDelayMs));
    if (!self.alive())
        co_return;
    co_await runLoad();
    if (!self.alive())
        co_return;
    updateBuying([&] { m_hold.reset(); });
}

void MembershipViewModel::updateBuying(const std::function<void()> &change) {
    change();
    // Compared with what was shown last: the purchases object has already changed when it signals.
    if (buyingSku() == m_shownBuying)
        return;
    m_shownBuying = buyingSku();
    refreshSkuRows();
    Q_EMIT buyingSkuChanged();
}

void MembershipViewModel::setStatus(EntitlementStatus status) {
    const QString oldTier = tierLabel();
    const QString oldExpiry = expiryText();
    const bool had = hasStatus();
    m_quotas->replaceAll(quotaRows(status.quotas));
    m_status = std::move(status);
    if (!had || tierLabel() != oldTier || expiryText() != oldExpiry)
        Q_EMIT statusChanged();
}

void MembershipViewModel::setSkus(QList<SkuItem> skus) {
    m_skus = std::move(skus);
    refreshSkuRows();
}

void MembershipViewModel::refreshSkuRows() {
    const std::optional<QString> buying = buyingSku();
    QList<MembershipSkuRow> rows;
    rows.reserve(m_skus.size());
    for (const SkuItem &sku : std::as_const(m_skus))
        rows.append(MembershipSkuRow::from(sku, buying == sku.skuId));
    m_skuRows->replaceAll(std::move(rows));
}

void MembershipViewModel::setRunningLoads(int running) {
    m_runningLoads = std::max(0, running);
    setLoading(m_runningLoads > 0);
}

QString MembershipViewModel::countText(const QuotaUsage &quota) {
    if (quota.limit == 0)
        return notIncludedText;
    // Plain digits: never grouped, whatever the locale.
    return QString::number(quota.remaining) + QStringLiteral(" / ") + QString::number(quota.limit);
}

QString MembershipViewModel::expiryText(const std::optional<QString> &expiresAt) {
    return expiresAt ? expiresAt->left(10) : permanentText;
}

QList<MembershipQuotaRow> MembershipViewModel::quotaRows(const QMap<QString, QuotaUsage> &quotas) {
    QList<MembershipQuotaRow> rows;
    rows.reserve(quotas.size());
    for (const QuotaUsage &quota : quotas)
        rows.append(MembershipQuotaRow::from(quota));
    std::stable_sort(rows.begin(), rows.end(), [](const MembershipQuotaRow &a, const MembershipQuotaRow &b) {
        return a.bucket < b.bucket;
    });
    return rows;
}
