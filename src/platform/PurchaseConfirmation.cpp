#include "PurchaseConfirmation.h"

#include "Completion.h"

#include <QJSEngine>
#include <QMetaMethod>
#include <QPointer>

namespace {

QCoro::Task<bool> confirmThrough(QPointer<PurchaseConfirmation> confirmation, StoreProduct product) {
    if (!confirmation)
        co_return false;
    co_return co_await confirmation->confirm(std::move(product));
}

} // namespace

PurchaseConfirmation &PurchaseConfirmation::shared() {
    static PurchaseConfirmation instance(nullptr);
    return instance;
}

PurchaseConfirmation *PurchaseConfirmation::create(QQmlEngine *, QJSEngine *) {
    PurchaseConfirmation *instance = &shared();
    QJSEngine::setObjectOwnership(instance, QJSEngine::CppOwnership);
    return instance;
}

PurchaseConfirmation::PurchaseConfirmation(QObject *parent) : QObject(parent) {}

PurchaseConfirmation::~PurchaseConfirmation() {
    // A question left open ends as declined: nothing is bought without an answer.
    if (m_answer)
        m_answer->abandon();
}

QCoro::Task<bool> PurchaseConfirmation::confirm(StoreProduct product) {
    if (!hasSheet())
        throw AppStoreError(QStringLiteral("暂时无法打开购买确认"));
    if (m_active)
        co_return false;
    // The answer lives in cells of its own: this object may be gone by the time the waiter resumes.
    auto answer = std::make_shared<Completion>();
    auto accepted = std::make_shared<bool>(false);
    m_answer = answer;
    m_accepted = accepted;
    if (m_product != product) {
        m_product = std::move(product);
        Q_EMIT productChanged();
    }
    m_active = true;
    Q_EMIT activeChanged();
    const bool answered = co_await Completion::wait(answer);
    co_return answered &&*accepted;
}

AppStore::Confirmer PurchaseConfirmation::confirmer() {
    return [confirmation = QPointer<PurchaseConfirmation>(this)](StoreProduct product) {
        return confirmThrough(confirmation, std::move(product));
    };
}

void PurchaseConfirmation::accept() {
    answer(true);
}

void PurchaseConfirmation::decline() {
    answer(false);
}

void PurchaseConfirmation::answer(bool accepted) {
    if (!m_active)
        return;
    *m_accepted = accepted;
    const std::shared_ptr<Completion> answer = std::exchange(m_answer, nullptr);
    m_accepted.reset();
    m_active = false;
    Q_EMIT activeChanged();
    answer->finish();
}

// A sheet shows itself by binding to `active` (QML bindings count as connections here).
bool PurchaseConfirmation::hasSheet() const {
    return isSignalConnected(QMetaMethod::fromSignal(&PurchaseConfirmation::activeChanged));
}
