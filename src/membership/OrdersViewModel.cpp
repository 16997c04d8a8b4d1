#include "OrdersViewModel.h"

#include "ErrorText.h"
#include "MembershipLabels.h"
#include "MembershipLogging.h"

OrderRow OrderRow::from(const OrderItem &order) {
    OrderRow row;
    row.orderNo = order.orderNo;
    row.skuName = order.skuName;
    row.amountText = u'¥' + order.amount;
    row.stateLabel = orderStateLabel(order.state);
    row.isPaid = order.state == QLatin1String("Paid");
    row.dateText = order.createdAt ? order.createdAt->left(10) : QStringLiteral("—");
    row.cancellable = OrdersViewModel::isCancellable(order.state);
    return row;
}

OrdersViewModel::OrdersViewModel(QObject *parent) : QObject(parent), m_rows(new ListModel<OrderRow>(this)) {}

OrdersViewModel::~OrdersViewModel() = default;

bool OrdersViewModel::isCancellable(const QString &state) {
    return state == QLatin1String("Created") || state == QLatin1String("Paying");
}

void OrdersViewModel::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
}

// --- the list

void OrdersViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void OrdersViewModel::disappear() {
    ++m_appearance;
}

QCoro::Task<> OrdersViewModel::runLoad() {
    QPointer<OrdersViewModel> self(this);
    if (!m_session)
        co_return;
    const quint64 appearance = m_appearance;
    const MembershipAPIClient client = m_client;
    setLoading(true); // the rows shown stay until the new answer arrives
    std::optional<QList<OrderItem>> orders;
    std::optional<QString> failure;
    try {
        orders = co_await client.fetchOrders(*m_session);
    } catch (...) {
        qCInfo(lcMembership) << "orders not loaded:" << failureSummary(std::current_exception());
        failure = errorText(std::current_exception());
    }
    if (!self)
        co_return;
    if (appearance == m_appearance) {
        if (orders)
            setOrders(std::move(*orders));
        else if (failure) // a load we cancelled ourselves is no failure to show
            setMessage(failure);
    }
    setLoading(false);
}

void OrdersViewModel::setOrders(QList<OrderItem> orders) {
    const ListState before = listState();
    QList<OrderRow> rows;
    rows.reserve(orders.size());
    for (const OrderItem &order : std::as_const(orders))
        rows.append(OrderRow::from(order));
    m_orders = std::move(orders);
    m_rows->replaceAll(std::move(rows)); // signals only the rows that came, went or changed
    if (listState() != before)
        Q_EMIT listStateChanged();
}

void OrdersViewModel::setLoading(bool loading) {
    const ListState before = listState();
    m_loading = loading;
    if (listState() != before)
        Q_EMIT listStateChanged();
}

// --- cancelling

void OrdersViewModel::cancel(const QString &orderNo) {
    auto task = runCancel(orderNo); // runs to its end, whether the page stays or not
}

QCoro::Task<> OrdersViewModel::runCancel(QString orderNo) {
    QPointer<OrdersViewModel> self(this);
    if (!m_session)
        co_return;
    const MembershipAPIClient client = m_client;
    std::optional<OrderItem> answer;
    std::optional<QString> failure;
    try {
        answer = co_await client.cancelOrder(orderNo, *m_session);
    } catch (...) {
        qCInfo(lcMembership) << "order not cancelled:" << failureSummary(std::current_exception());
        failure = errorText(std::current_exception());
    }
    if (!self)
        co_return;
    if (!answer) {
        if (failure)
            setMessage(failure);
        co_return;
    }
    // The list as it is now, which a refresh may have replaced meanwhile: the order is found by its number.
    const auto position =
        std::find_if(m_orders.cbegin(), m_orders.cend(),
                     [&orderNo](const OrderItem &order) { return order.orderNo == orderNo; });
    if (position == m_orders.cend()) {
        qCDebug(lcMembership) << "cancelled order no longer listed; its answer is dropped";
        co_return;
    }
    QList<OrderItem> patched = m_orders;
    patched[position - m_orders.cbegin()] = std::move(*answer);
    setOrders(std::move(patched));
}

// --- page state

void OrdersViewModel::dismissMessage() {
    setMessage(std::nullopt);
}

void OrdersViewModel::setMessage(std::optional<QString> message) {
    if (m_message == message)
        return;
    m_message = std::move(message);
    Q_EMIT messageChanged();
}
