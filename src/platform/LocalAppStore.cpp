#include "LocalAppStore.h"

#include "Clock.h"
#include "Platform.h"
#include "PlatformLogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

const QString kUnknownProduct = QStringLiteral("找不到该商品");
const QString kNoConfirmation = QStringLiteral("暂时无法打开购买确认");
const QString kBusy = QStringLiteral("另一笔购买正在进行");
const QString kNotCompleted = QStringLiteral("购买未能完成，请稍后再试");

// The JSON object in the file, or nothing (with the reason) when it cannot be read as one.
std::optional<QJsonObject> readObject(const QString &path, QString *reason) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError) {
        *reason = error.errorString();
        return std::nullopt;
    }
    if (!document.isObject()) {
        *reason = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    return document.object();
}

std::optional<LocalAppStore::Outcome> outcomeNamed(const QString &name) {
    if (name == u"success")
        return LocalAppStore::Outcome::Success;
    if (name == u"pending")
        return LocalAppStore::Outcome::Pending;
    if (name == u"unverified")
        return LocalAppStore::Outcome::Unverified;
    return std::nullopt;
}

QString textOf(const QJsonObject &object, const QString &key) {
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

// Ids are written as decimal text: the file stays exact whatever reads it, also beyond 2^53.
QString idText(qint64 id) {
    return QString::number(id);
}

qint64 idFrom(const QJsonValue &value) {
    bool ok = false;
    const qint64 id = value.toString().toLongLong(&ok);
    return ok && id > 0 ? id : 0;
}

QString dateText(const QDateTime &date) {
    return date.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime dateFrom(const QJsonValue &value) {
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

QJsonObject transactionJson(const StoreTransaction &transaction) {
    return {{QStringLiteral("id"), idText(transaction.id)},
            {QStringLiteral("product_id"), transaction.productId},
            {QStringLiteral("app_account_token"), transaction.appAccountToken.toString(QUuid::WithoutBraces)},
            {QStringLiteral("purchase_date"), dateText(transaction.purchaseDate)},
            {QStringLiteral("verified"), transaction.verified}};
}

std::optional<StoreTransaction> transactionFrom(const QJsonObject &object) {
    StoreTransaction transaction;
    transaction.id = idFrom(object.value(QStringLiteral("id")));
    transaction.productId = textOf(object, QStringLiteral("product_id"));
    transaction.appAccountToken =
        QUuid::fromString(object.value(QStringLiteral("app_account_token")).toString());
    transaction.purchaseDate = dateFrom(object.value(QStringLiteral("purchase_date")));
    const QJsonValue verified = object.value(QStringLiteral("verified"));
    if (transaction.id == 0 || transaction.productId.isEmpty() || !transaction.purchaseDate.isValid() ||
        !verified.isBool())
        return std::nullopt;
    transaction.verified = verified.toBool();
    return transaction;
}

QJsonObject pendingJson(const LocalAppStore::PendingPurchase &purchase) {
    QJsonObject object{
        {QStringLiteral("id"), idText(purchase.id)},
        {QStringLiteral("product_id"), purchase.productId},
        {QStringLiteral("app_account_token"), purchase.appAccountToken.toString(QUuid::WithoutBraces)},
        {QStringLiteral("requested_at"), dateText(purchase.requestedAt)}};
    if (purchase.approveAt)
        object.insert(QStringLiteral("approve_at"), dateText(*purchase.approveAt));
    return object;
}

std::optional<LocalAppStore::PendingPurchase> pendingFrom(const QJsonObject &object) {
    LocalAppStore::PendingPurchase purchase;
    purchase.id = idFrom(object.value(QStringLiteral("id")));
    purchase.productId = textOf(object, QStringLiteral("product_id"));
    purchase.appAccountToken =
        QUuid::fromString(object.value(QStringLiteral("app_account_token")).toString());
    purchase.requestedAt = dateFrom(object.value(QStringLiteral("requested_at")));
    if (object.contains(QStringLiteral("approve_at"))) {
        const QDateTime approveAt = dateFrom(object.value(QStringLiteral("approve_at")));
        if (!approveAt.isValid())
            return std::nullopt;
        purchase.approveAt = approveAt;
    }
    if (purchase.id == 0 || purchase.productId.isEmpty() || !purchase.requestedAt.isValid())
        return std::nullopt;
    return purchase;
}

} // namespace

QList<LocalAppStore::CatalogueEntry> LocalAppStore::loadCatalogue() {
    QString reason;
    const QString compiledIn = QStringLiteral(":/config/StoreCatalogue.json");
    const auto builtIn = readObject(compiledIn, &reason);
    if (!builtIn)
        qCWarning(lcPlatform) << "LocalAppStore: the compiled-in catalogue" << compiledIn
                              << "is missing:" << reason;
    QList<CatalogueEntry> entries = parseCatalogue(builtIn.value_or(QJsonObject()), compiledIn);

    const QString overridePath = qEnvironmentVariable(catalogueVariable.toLatin1().constData());
    if (overridePath.isEmpty())
        return entries;
    const auto overrides = readObject(overridePath, &reason);
    if (!overrides) {
        qCWarning(lcPlatform) << "LocalAppStore: ignoring" << catalogueVariable << overridePath << "-"
                              << reason;
        return entries;
    }
    for (const CatalogueEntry &replacement : parseCatalogue(*overrides, overridePath)) {
        const auto same = std::find_if(entries.begin(), entries.end(), [&](const CatalogueEntry &entry) {
            return entry.product.id == replacement.product.id;
        });
        if (same != entries.end())
            *same = replacement;
        else
            entries.append(replacement);
    }
    return entries;
}

QList<LocalAppStore::CatalogueEntry> LocalAppStore::parseCatalogue(const QJsonObject &catalogue,
                                                                   const QString &source) {
    const QJsonValue products = catalogue.value(QStringLiteral("products"));
    if (!products.isArray()) {
        qCWarning(lcPlatform) << "LocalAppStore:" << source << "has no \"products\" list";
        return {};
    }
    QList<CatalogueEntry> entries;
    int index = -1;
    for (const QJsonValue &value : products.toArray()) {
        ++index;
        const QJsonObject object = value.toObject();
        CatalogueEntry entry;
        entry.product = {textOf(object, QStringLiteral("id")), textOf(object, QStringLiteral("display_name")),
                         textOf(object, QStringLiteral("display_price"))};
        if (entry.product.id.isEmpty() || entry.product.displayName.isEmpty() ||
            entry.product.displayPrice.isEmpty()) {
            qCWarning(lcPlatform) << "LocalAppStore:" << source << "product" << index
                                  << "needs an id, a display_name and a display_price - left out";
            continue;
        }
        // A product whose outcome is misspelt is left out rather than sold as an ordinary one: whoever wrote
        // it meant to try another path.
        const QJsonValue outcome = object.value(QStringLiteral("outcome"));
        const auto named =
            outcome.isUndefined() ? std::optional(Outcome::Success) : outcomeNamed(outcome.toString());
        if (!named) {
            qCWarning(lcPlatform) << "LocalAppStore:" << source << entry.product.id
                                  << "has an unknown outcome" << outcome << "- left out";
            continue;
        }
        entry.outcome = *named;
        const QJsonValue delay = object.value(QStringLiteral("approve_after_seconds"));
        if (!delay.isUndefined()) {
            if (!delay.isDouble() || delay.toDouble() < 0 || entry.outcome != Outcome::Pending) {
                qCWarning(lcPlatform) << "LocalAppStore:" << source << entry.product.id
                                      << "has an approval delay that is not a number of seconds of a pending "
                                         "product - left out";
                continue;
            }
            entry.approveAfterSeconds = delay.toDouble();
        }
        entries.erase(
            std::remove_if(entries.begin(), entries.end(),
                           [&](const CatalogueEntry &e) { return e.product.id == entry.product.id; }),
            entries.end());
        entries.append(entry);
    }
    return entries;
}

QString LocalAppStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/store-transactions.json");
}

LocalAppStore::LocalAppStore(QList<CatalogueEntry> catalogue, QString path, Confirmer confirmer,
                             QObject *parent)
    : AppStore(parent), m_catalogue(std::move(catalogue)), m_path(std::move(path)),
      m_confirmer(std::move(confirmer)) {
    load();
    for (const PendingPurchase &purchase : std::as_const(m_pending))
        scheduleApproval(purchase);
}

LocalAppStore::~LocalAppStore() = default;

QCoro::Task<QList<StoreProduct>> LocalAppStore::products(QStringList ids) {
    QList<StoreProduct> found;
    for (const QString &id : ids) {
        if (const CatalogueEntry *known = entry(id))
            found.append(known->product);
    }
    co_return found;
}

QCoro::Task<PurchaseResult> LocalAppStore::purchase(QString productId, QUuid appAccountToken) {
    const CatalogueEntry *known = entry(productId);
    if (!known)
        throw AppStoreError(kUnknownProduct);
    if (!m_confirmer)
        throw AppStoreError(kNoConfirmation);
    // One purchase sheet at a time, as on a device.
    if (m_purchasing)
        throw AppStoreError(kBusy);
    const CatalogueEntry chosen = *known;
    m_purchasing = true;
    const QPointer<LocalAppStore> self(this);
    bool confirmed = false;
    try {
        confirmed = co_await m_confirmer(chosen.product);
    } catch (...) {
        if (self)
            self->m_purchasing = false;
        throw;
    }
    // A store that went away while the sheet was open has bought nothing and can record nothing.
    if (!self)
        throw AppStoreError(kNotCompleted);
    m_purchasing = false;
    if (!confirmed)
        co_return PurchaseResult::userCancelled();

    const QDateTime now = Platform::clock().now();
    if (chosen.outcome == Outcome::Pending) {
        PendingPurchase pending{takeId(), productId, appAccountToken, now, std::nullopt};
        if (chosen.approveAfterSeconds)
            pending.approveAt = now.addMSecs(qint64(*chosen.approveAfterSeconds * 1000));
        m_pending.append(pending);
        // A purchase the store cannot remember would be lost on the next start: it is not made at all.
        if (!save()) {
            m_pending.removeLast();
            throw AppStoreError(kNotCompleted);
        }
        scheduleApproval(pending);
        co_return PurchaseResult::pending();
    }
    const StoreTransaction transaction{takeId(), productId, appAccountToken, now,
                                       chosen.outcome != Outcome::Unverified};
    m_transactions.append(transaction);
    if (!save()) {
        m_transactions.removeLast();
        throw AppStoreError(kNotCompleted);
    }
    co_return PurchaseResult::success(transaction);
}

bool LocalAppStore::finish(qint64 transactionId) {
    const auto found = std::find_if(m_transactions.begin(), m_transactions.end(),
                                    [&](const StoreTransaction &t) { return t.id == transactionId; });
    if (found == m_transactions.end())
        return false;
    const qsizetype index = found - m_transactions.begin();
    const StoreTransaction removed = m_transactions.takeAt(index);
    // Finished only once that is on disk: a transaction that came back unfinished after a restart would be
    // delivered twice at worst, one that vanished without being finished never.
    if (!save()) {
        m_transactions.insert(index, removed);
        return false;
    }
    return true;
}

int LocalAppStore::approvePending() {
    QList<qint64> ids;
    for (const PendingPurchase &purchase : std::as_const(m_pending))
        ids.append(purchase.id);
    approve(ids);
    return int(ids.size());
}

const LocalAppStore::CatalogueEntry *LocalAppStore::entry(const QString &productId) const {
    for (const CatalogueEntry &known : m_catalogue) {
        if (known.product.id == productId)
            return &known;
    }
    return nullptr;
}

// Ids start from the clock (milliseconds × 1000) and never go back: they stay unique also for a store that
// lost its file, and below 2^53 (exact in any JSON reader) for centuries.
qint64 LocalAppStore::takeId() {
    const qint64 seed = Platform::clock().now().toMSecsSinceEpoch() * 1000;
    m_lastId = std::max(m_lastId + 1, seed);
    return m_lastId;
}

void LocalAppStore::scheduleApproval(const PendingPurchase &purchase) {
    if (!purchase.approveAt)
        return;
    const qint64 wait = std::clamp<qint64>(Platform::clock().now().msecsTo(*purchase.approveAt), 0,
                                           std::numeric_limits<int>::max());
    QTimer::singleShot(int(wait), this, [this, id = purchase.id] { approve({id}); });
}

void LocalAppStore::approve(QList<qint64> ids) {
    const QDateTime now = Platform::clock().now();
    QList<StoreTransaction> approved;
    for (qint64 id : ids) {
        const auto found = std::find_if(m_pending.begin(), m_pending.end(),
                                        [&](const PendingPurchase &purchase) { return purchase.id == id; });
        if (found == m_pending.end()) // approved by hand already
            continue;
        const StoreTransaction transaction{found->id, found->productId, found->appAccountToken, now, true};
        m_pending.erase(found);
        m_transactions.append(transaction);
        approved.append(transaction);
    }
    if (approved.isEmpty())
        return;
    // Reported even when it could not be written: the purchase was approved, and the app delivers it now.
    // After a restart it would be approved once more with the same id, which the service takes as one.
    save();
    for (const StoreTransaction &transaction : std::as_const(approved))
        Q_EMIT purchaseApproved(transaction);
}

void LocalAppStore::load() {
    if (m_path.isEmpty() || !QFile::exists(m_path))
        return;
    QString reason;
    const auto stored = readObject(m_path, &reason);
    if (!stored) {
        // The next change rewrites the file; keep the damaged one beside it so no purchase is silently lost.
        const QString copy = m_path + QStringLiteral(".corrupt");
        QFile::remove(copy);
        QFile::copy(m_path, copy);
        qCWarning(lcPlatform) << "LocalAppStore: cannot read" << m_path << "-" << reason << "- kept as"
                              << copy;
        return;
    }
    m_lastId = idFrom(stored->value(QStringLiteral("last_id")));
    for (const QJsonValue &value : stored->value(QStringLiteral("transactions")).toArray()) {
        if (const auto transaction = transactionFrom(value.toObject())) {
            m_transactions.append(*transaction);
            m_lastId = std::max(m_lastId, transaction->id);
        } else {
            qCWarning(lcPlatform) << "LocalAppStore: dropping an unreadable transaction in" << m_path;
        }
    }
    for (const QJsonValue &value : stored->value(QStringLiteral("pending")).toArray()) {
        if (const auto purchase = pendingFrom(value.toObject())) {
            m_pending.append(*purchase);
            m_lastId = std::max(m_lastId, purchase->id);
        } else {
            qCWarning(lcPlatform) << "LocalAppStore: dropping an unreadable pending purchase in" << m_path;
        }
    }
}

bool LocalAppStore::save() {
    if (m_path.isEmpty())
        return true;
    const QString directory = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(directory)) {
        qCWarning(lcPlatform) << "LocalAppStore: cannot create" << directory;
        return false;
    }
    QJsonArray transactions;
    for (const StoreTransaction &transaction : std::as_const(m_transactions))
        transactions.append(transactionJson(transaction));
    QJsonArray pending;
    for (const PendingPurchase &purchase : std::as_const(m_pending))
        pending.append(pendingJson(purchase));
    const QJsonObject stored{{QStringLiteral("last_id"), idText(m_lastId)},
                             {QStringLiteral("transactions"), transactions},
                             {QStringLiteral("pending"), pending}};
    // QSaveFile writes a temporary file and renames it over the old one: a crash mid-write leaves either the
    // old or the new list of transactions, never half of one.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcPlatform) << "LocalAppStore: cannot write" << m_path << file.errorString();
        return false;
    }
    file.write(QJsonDocument(stored).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        qCWarning(lcPlatform) << "LocalAppStore: cannot write" << m_path << file.errorString();
        return false;
    }
    return true;
}
