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

OrdersViewModel::OrdersViewModel(QObject *parent)
    : ScreenViewModel(parent), m_rows(new ListModel<OrderRow>(this)) {
    // The list's state includes the loading flag.
    connect(this, &ScreenViewModel::loadingChanged, this, &OrdersViewModel::listStateChanged);
}

OrdersViewModel::~OrdersViewModel() = default;

bool OrdersViewModel::isCancellable(const QString &state) {
    return state == QLatin1String("Created") || state == QLatin1String("Paying");
}

// --- the list

void OrdersViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void OrdersViewModel::disappear() {
    dropAppearance();
}

QCoro::Task<> OrdersViewModel::runLoad() {
    if (!session())
        co_return;
    const Appearance appearance = this->appearance();
    const MembershipAPIClient client = m_client;
    setLoading(true); // the rows shown stay until the new answer arrives
    std::optional<QList<OrderItem>> orders;
    std::exception_ptr failure;
    try {
        orders = co_await client.fetchOrders(*session());
    } catch (...) {
        failure = std::current_exception();
        qCInfo(lcMembership) << "orders not loaded:" << failureSummary(failure);
    }
    if (!appearance.alive())
        co_return;
    if (appearance.current()) {
        if (orders)
            setOrders(std::move(*orders));
        else
            showFailure(failure); // a load we cancelled ourselves is no failure to show
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

// --- cancelling

void OrdersViewModel::cancel(const QString &orderNo) {
    auto task = runCancel(orderNo); // runs to its end, whether the page stays or not
}

QCoro::Task<> OrdersViewModel::runCancel(QString orderNo) {
    const Appearance self = appearance();
    if (!session())
        co_return;
    const MembershipAPIClient client = m_client;
    std::optional<OrderItem> answer;
    std::exception_ptr failure;
    try {
        answer = co_await client.cancelOrder(orderNo, *session());
    } catch (...) {
        failure = std::current_exception();
        qCInfo(lcMembership) << "order not cancelled:" << failureSummary(failure);
    }
    if (!self.alive())
        co_return;
    if (!answer) {
        showFailure(failure);
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
