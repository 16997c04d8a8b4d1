#pragma once

#include "ListModel.h"
#include "MembershipAPIClient.h"
#include "MembershipModels.h"
#include "ScreenViewModel.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

// One order as its row shows it. Two orders may share a number: the list keeps both rows.
struct OrderRow {
    Q_GADGET
    Q_PROPERTY(QString orderNo MEMBER orderNo)
    Q_PROPERTY(QString skuName MEMBER skuName)
    Q_PROPERTY(QString amountText MEMBER amountText)
    Q_PROPERTY(QString stateLabel MEMBER stateLabel)
    Q_PROPERTY(bool isPaid MEMBER isPaid)
    Q_PROPERTY(QString dateText MEMBER dateText)
    Q_PROPERTY(bool cancellable MEMBER cancellable)

public:
    QString orderNo;
    QString skuName;
    QString amountText;  // "¥" and the amount exactly as the server wrote it: "30" stays "¥30"
    QString stateLabel;  // the state's label, or the state itself when it has none
    bool isPaid = false; // only "Paid" is shown as done (green)
    QString dateText;    // the date part of the creation time as written (no time-zone conversion), or "—"
    bool cancellable = false;

    static OrderRow from(const OrderItem &order);
    QString id() const { return orderNo; }
    friend bool operator==(const OrderRow &, const OrderRow &) = default;
};

// The learner's orders ("我的订单"): loaded from the trade server each time the page comes on screen and by
// pull, in the server's order, never filtered or sorted here. An order not paid yet ("Created", "Paying") can
// be cancelled from its row, without a confirmation step: the row then shows the order the server answered
// with, and nothing is reloaded.
//
// A load and any number of cancels may run at once; each writes only when its own request ends. A cancel that
// ends after a refresh patches the refreshed list, found by order number (the first row with it); when that
// order is no longer listed, its answer is dropped. A refresh that ends after a cancel shows the server's
// list. A failed load keeps the rows already shown. Every failure ends in the alert.
//
// A load belongs to the page being on screen: one begun before the page left writes nothing. A cancel runs
// to its end even when the page is gone, with nothing left to show.
class OrdersViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ListModelBase *orders READ orderModel CONSTANT)
    Q_PROPERTY(bool showsSpinner READ showsSpinner NOTIFY listStateChanged)
    Q_PROPERTY(bool showsEmpty READ showsEmpty NOTIFY listStateChanged)

public:
    explicit OrdersViewModel(QObject *parent = nullptr);
    ~OrdersViewModel() override;

    // The states from which an order can still be cancelled, compared exactly.
    static bool isCancellable(const QString &state);

    ListModelBase *orderModel() const { return m_rows; }
    const QList<OrderItem> &orders() const { return m_orders; }
    // A refresh of a filled list shows no spinner of its own, and an empty list says so only once loaded.
    bool showsSpinner() const { return loading() && m_orders.isEmpty(); }
    bool showsEmpty() const { return !loading() && m_orders.isEmpty(); }

    // The page came on screen: loads the list (again), keeping the rows shown until the answer arrives.
    Q_INVOKABLE void appear() { load(); }
    // The list was pulled (or refreshed by wheel or F5).
    Q_INVOKABLE void load();
    // The page left the screen: a load under way is dropped.
    Q_INVOKABLE void disappear();
    // "取消" on a row: asks the server to cancel that order. Tapping twice sends two requests.
    Q_INVOKABLE void cancel(const QString &orderNo);

    // The operations, for callers that wait for them (tests).
    QCoro::Task<> runLoad();
    QCoro::Task<> runCancel(QString orderNo);

Q_SIGNALS:
    void listStateChanged();

private:
    struct ListState {
        bool loading;
        bool empty;
        bool operator==(const ListState &) const = default;
    };
    ListState listState() const { return {loading(), m_orders.isEmpty()}; }
    void setOrders(QList<OrderItem> orders);

    MembershipAPIClient m_client;
    QList<OrderItem> m_orders;
    ListModel<OrderRow> *m_rows;
};
