#pragma once

#include "AppStore.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <memory>

class Completion;
class QJSEngine;
class QQmlEngine;

// The learner's answer to a purchase of the local store, given in the app's "确认购买" sheet. The store asks
// through `confirmer()`; the sheet shows itself while `active`, with the product's name and price, and
// answers with `accept()` or `decline()`. One question at a time. A question that nothing on screen could
// show (no sheet bound to `active`) fails at once instead of waiting for an answer that cannot come.
//
// One shared instance for the whole run, also the QML singleton; main thread only.
class PurchaseConfirmation : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool active READ active NOTIFY activeChanged)
    Q_PROPERTY(QString productName READ productName NOTIFY productChanged)
    Q_PROPERTY(QString displayPrice READ displayPrice NOTIFY productChanged)

public:
    // The run's instance, created on first use.
    static PurchaseConfirmation &shared();
    // The QML singleton is the shared instance; the engine never owns it.
    static PurchaseConfirmation *create(QQmlEngine *, QJSEngine *);

    // A separate instance (tests). No default constructor, so that QML takes the shared instance from
    // `create` rather than making one of its own.
    explicit PurchaseConfirmation(QObject *parent);
    ~PurchaseConfirmation() override;

    bool active() const { return m_active; }
    QString productName() const { return m_product.displayName; }
    QString displayPrice() const { return m_product.displayPrice; }

    // Shows the question and yields the answer: true when accepted. Declines at once while another question
    // is open; throws AppStoreError when no sheet is there to show it.
    QCoro::Task<bool> confirm(StoreProduct product);
    // What the store asks through. It holds this object weakly: once it is gone, every purchase is declined.
    AppStore::Confirmer confirmer();

    Q_INVOKABLE void accept();
    Q_INVOKABLE void decline();

Q_SIGNALS:
    void activeChanged();
    void productChanged();

private:
    void answer(bool accepted);
    bool hasSheet() const;

    bool m_active = false;
    StoreProduct m_product;
    std::shared_ptr<Completion> m_answer;
    std::shared_ptr<bool> m_accepted;
};
