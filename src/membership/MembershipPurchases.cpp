#include "MembershipPurchases.h"

#include "Completion.h"
#include "ErrorText.h"
#include "JsonReader.h"
#include "MembershipLogging.h"
#include "Platform.h"
#include "UserDefaults.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString tokenKey(const QUuid &token) {
    return token.toString(QUuid::WithoutBraces);
}

} // namespace

MembershipPurchases *MembershipPurchases::forSession(AppSession &session) {
    if (auto *existing = session.findChild<MembershipPurchases *>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new MembershipPurchases(session, &session);
}

MembershipPurchases::MembershipPurchases(AppSession &session, QObject *parent)
    : QObject(parent), m_session(&session), m_store(&Platform::appStore()) {
    // An approved purchase arrives with no page waiting for it: it is handed over like any left-over one.
    connect(m_store, &AppStore::purchaseApproved, this, [this] { recover(); });
}

MembershipPurchases::~MembershipPurchases() = default;

QHash<qint64, std::shared_ptr<MembershipPurchases::Delivery>> &MembershipPurchases::deliveries() {
    // Shared by every purchases object (a session made for a settings page has one too), so that two of
    // them reacting to the same approval still post a transaction once.
    static QHash<qint64, std::shared_ptr<Delivery>> running;
    return running;
}

bool MembershipPurchases::buy(const SkuItem &sku) {
    if (m_buyingSku)
        return false;
    auto task = runBuy(sku); // runs on by itself: the purchase outlives whoever started it
    return true;
}

QCoro::Task<> MembershipPurchases::runBuy(SkuItem sku) {
    if (m_buyingSku || !m_session)
        co_return;
    QPointer<MembershipPurchases> self(this);
    setBuyingSku(sku.skuId);
    const Outcome outcome = co_await purchase(sku);
    if (!self)
        co_return;
    Q_EMIT purchaseEnded(sku.skuId, outcome.message, outcome.reload);
    setBuyingSku(std::nullopt);
}

QCoro::Task<MembershipPurchases::Outcome> MembershipPurchases::purchase(SkuItem sku) {
    QPointer<MembershipPurchases> self(this);
    QPointer<AppStore> store = m_store;
    std::optional<QString> orderNo;
    std::optional<QUuid> token;
    try {
        const OrderItem order = co_await m_client.createOrder(sku.skuId, newIdempotencyKey(), *m_session);
        orderNo = order.orderNo;
        if (!self || !m_session)
            co_return Outcome{};
        const PayStart pay = co_await m_client.startPay(*orderNo, *m_session);
        if (!self || !m_session || !store)
            co_return Outcome{};
        // The product is the one the payment start names, never the one of the SKU list.
        if (!pay.appleProductId || !pay.appAccountToken || !isUuidText(*pay.appAccountToken))
            co_return Outcome{unsupportedText};
        const QString productId = *pay.appleProductId;
        token = QUuid::fromString(*pay.appAccountToken);

        const QStringList ids{productId};
        const QList<StoreProduct> products = co_await store->products(ids);
        if (!self || !store)
            co_return Outcome{};
        if (products.isEmpty())
            co_return Outcome{notListedText};

        // Written down before the sheet opens: whatever happens from here on, a transaction with this token
        // can still be matched to its order.
        notePendingOrder(*token, *orderNo);
        const PurchaseResult result = co_await store->purchase(products.first().id, *token);
        if (!self || !store)
            co_return Outcome{};
        switch (result.kind) {
        case PurchaseResult::Kind::Pending:
            // Approved later, it is handed over by `recover`: the note stays for it.
            co_return Outcome{pendingText};
        case PurchaseResult::Kind::UserCancelled:
            dropPendingOrder(*token);
            co_return Outcome{};
        case PurchaseResult::Kind::Success:
            break;
        }
        if (!result.transaction) {
            dropPendingOrder(*token);
            co_return Outcome{};
        }
        const StoreTransaction transaction = *result.transaction;
        if (!transaction.verified) {
            // Left unfinished and never posted: the store does not vouch for it.
            dropPendingOrder(*token);
            co_return Outcome{unverifiedText};
        }

        const std::shared_ptr<Delivery> delivery = co_await deliver(transaction, *orderNo);
        if (delivery->error)
            std::rethrow_exception(delivery->error);
        if (!delivery->reply)
            co_return Outcome{}; // a delivery ends with an answer or an error: not reached
        co_return Outcome{delivery->reply->state == QLatin1String("Paid") ? paidText : processingText, true};
    } catch (const AppStoreError &) {
        // Nothing was bought: no transaction will ever carry this token.
        if (token)
            dropPendingOrder(*token);
        qCInfo(lcMembership) << "store purchase not run:" << failureSummary(std::current_exception());
        co_return Outcome{::errorText(std::current_exception()).value_or(QString())};
    } catch (...) {
        qCInfo(lcMembership) << "purchase failed:" << failureSummary(std::current_exception());
        co_return Outcome{::errorText(std::current_exception()).value_or(QString())};
    }
}

QCoro::Task<std::shared_ptr<MembershipPurchases::Delivery>>
MembershipPurchases::deliver(StoreTransaction transaction, QString orderNo) {
    if (const std::shared_ptr<Delivery> running = deliveries().value(transaction.id)) {
        co_await Completion::wait(running->done);
        co_return running;
    }
    auto delivery = std::make_shared<Delivery>();
    delivery->done = std::make_shared<Completion>();
    deliveries().insert(transaction.id, delivery);
    // Nothing of `this` is touched once the post is out: the hand-over completes even when this object
    // went away with its session meanwhile.
    QPointer<AppStore> store = m_store;
    try {
        if (!m_session)
            throw MembershipURLError();
        delivery->reply = co_await m_client.postAppleTransaction(orderNo, transaction.id, *m_session);
    } catch (...) {
        delivery->error = std::current_exception();
        qCInfo(lcMembership) << "transaction" << transaction.id
                             << "not taken by the server:" << failureSummary(delivery->error);
    }
    if (delivery->reply && store) {
        // The server has it now: only from here on may the store forget it.
        if (!store->finish(transaction.id))
            qCWarning(lcMembership) << "transaction" << transaction.id << "could not be finished";
    }
    deliveries().remove(transaction.id);
    if (delivery->reply && store)
        settle(*store, transaction.appAccountToken);
    delivery->done->finish();
    co_return delivery;
}

void MembershipPurchases::recover() {
    auto task = runRecover();
}

QCoro::Task<int> MembershipPurchases::runRecover() {
    QPointer<MembershipPurchases> self(this);
    if (!m_store)
        co_return 0;
    const QList<StoreTransaction> unfinished = m_store->unfinished();
    int delivered = 0;
    for (const StoreTransaction &transaction : unfinished) {
        if (!self || !m_store)
            co_return delivered;
        if (!transaction.verified)
            continue;
        // Looked up afresh each time: a visible purchase may have handed it over meanwhile.
        const QString orderNo = pendingOrders().value(tokenKey(transaction.appAccountToken));
        if (orderNo.isEmpty())
            continue;
        const QList<StoreTransaction> now = m_store->unfinished();
        if (std::none_of(now.begin(), now.end(),
                         [&](const StoreTransaction &t) { return t.id == transaction.id; }))
            continue;
        const std::shared_ptr<Delivery> delivery = co_await deliver(transaction, orderNo);
        if (delivery->reply)
            ++delivered;
    }
    if (self && delivered > 0)
        Q_EMIT reloadDue();
    co_return delivered;
}

void MembershipPurchases::setBuyingSku(std::optional<QString> sku) {
    if (m_buyingSku == sku)
        return;
    m_buyingSku = std::move(sku);
    Q_EMIT buyingSkuChanged();
}

void MembershipPurchases::settle(const AppStore &store, const QUuid &token) {
    const QList<StoreTransaction> unfinished = store.unfinished();
    // A finish that did not take keeps the note, so the next recovery posts again (the server takes a
    // transaction it already has as the same) and tries the finish once more.
    if (std::none_of(unfinished.begin(), unfinished.end(),
                     [&](const StoreTransaction &t) { return t.appAccountToken == token; }))
        dropPendingOrder(token);
}

QHash<QString, QString> MembershipPurchases::pendingOrders() {
    QHash<QString, QString> orders;
    const std::optional<QString> stored = Platform::userDefaults().stringValue(pendingOrdersKey);
    if (!stored)
        return orders;
    const QJsonDocument document = QJsonDocument::fromJson(stored->toUtf8());
    if (!document.isObject()) {
        qCWarning(lcMembership) << "pending orders unreadable; ignored";
        return orders;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isString())
            orders.insert(it.key(), it.value().toString());
    }
    return orders;
}

void MembershipPurchases::storePendingOrders(const QHash<QString, QString> &orders) {
    if (orders.isEmpty()) {
        Platform::userDefaults().remove(pendingOrdersKey);
        return;
    }
    QJsonObject object;
    for (auto it = orders.begin(); it != orders.end(); ++it)
        object.insert(it.key(), it.value());
    Platform::userDefaults().setString(
        pendingOrdersKey, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void MembershipPurchases::notePendingOrder(const QUuid &token, const QString &orderNo) {
    QHash<QString, QString> orders = pendingOrders();
    orders.insert(tokenKey(token), orderNo);
    storePendingOrders(orders);
}

void MembershipPurchases::dropPendingOrder(const QUuid &token) {
    QHash<QString, QString> orders = pendingOrders();
    if (orders.remove(tokenKey(token)))
        storePendingOrders(orders);
}

QString MembershipPurchases::newIdempotencyKey() {
    return QStringLiteral("ios-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool MembershipPurchases::isUuidText(const QString &text) {
    static const QRegularExpression form(
        QStringLiteral("^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    return form.match(text).hasMatch();
}
