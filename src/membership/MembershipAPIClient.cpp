#include "MembershipAPIClient.h"

#include <QUrl>

namespace {

const QJsonObject emptyBody;

} // namespace

std::optional<QString> MembershipAPIClient::orderPath(const QString &orderNo, const QString &action) {
    // A URL reads "." and ".." as moves in the path, never as names, however they are escaped; an empty
    // number would post to the collection itself.
    if (orderNo.isEmpty() || orderNo == QLatin1String(".") || orderNo == QLatin1String(".."))
        return std::nullopt;
    return ordersPath + u'/' + QString::fromLatin1(QUrl::toPercentEncoding(orderNo)) + u'/' + action;
}

std::optional<HttpRequest> MembershipAPIClient::request(const QString &path, const QByteArray &method,
                                                        const std::optional<QJsonObject> &body,
                                                        AppSession &session) {
    HttpRequest request = ApiClient(session, rules(JsonKeys::FromSnakeCase)).request(method, path, body);
    if (!request.url.isValid() || request.url.isRelative())
        return std::nullopt;
    return request;
}

QCoro::Task<QByteArray> MembershipAPIClient::send(QString path, QByteArray method,
                                                  std::optional<QJsonObject> body,
                                                  AppSession &session) const {
    std::optional<HttpRequest> built = request(path, method, body, session);
    if (!built)
        return refused();
    return checkedBody(ApiClient(session, rules(decoder)).data(std::move(*built)), decoder);
}

QCoro::Task<QByteArray> MembershipAPIClient::sendToOrder(const QString &orderNo, const QString &action,
                                                         std::optional<QJsonObject> body,
                                                         AppSession &session) const {
    const std::optional<QString> path = orderPath(orderNo, action);
    if (!path)
        return refused();
    return send(*path, "POST", std::move(body), session);
}

QCoro::Task<QByteArray> MembershipAPIClient::checkedBody(QCoro::Task<HttpResponse> answer, JsonKeys keys) {
    const HttpResponse response = co_await answer;
    ApiClient::verify(response, ApiClient::Check(), keys);
    co_return response.body;
}

QCoro::Task<QByteArray> MembershipAPIClient::refused() {
    throw MembershipURLError();
    co_return QByteArray();
}

QCoro::Task<EntitlementStatus> MembershipAPIClient::fetchEntitlements(AppSession &session) const {
    return decoded<EntitlementStatus>(send(entitlementsPath, "GET", std::nullopt, session), decoder);
}

QCoro::Task<QList<SkuItem>> MembershipAPIClient::fetchSkus(AppSession &session) const {
    return decodedItems<SkuItem>(send(skusPath, "GET", std::nullopt, session), decoder);
}

QCoro::Task<QList<OrderItem>> MembershipAPIClient::fetchOrders(AppSession &session) const {
    return decodedItems<OrderItem>(send(ordersPath, "GET", std::nullopt, session), decoder);
}

QCoro::Task<OrderItem> MembershipAPIClient::createOrder(QString skuId, QString idempotencyKey,
                                                        AppSession &session) const {
    const QJsonObject body{{QStringLiteral("sku_id"), skuId},
                           {QStringLiteral("channel"), orderChannel},
                           {QStringLiteral("platform"), orderPlatform},
                           {QStringLiteral("idempotency_key"), idempotencyKey}};
    return decoded<OrderItem>(send(ordersPath, "POST", body, session), decoder);
}

QCoro::Task<PayStart> MembershipAPIClient::startPay(QString orderNo, AppSession &session) const {
    return decoded<PayStart>(sendToOrder(orderNo, QStringLiteral("pay"), emptyBody, session), decoder);
}

QCoro::Task<PayStart> MembershipAPIClient::postAppleTransaction(QString orderNo, qint64 transactionId,
                                                                AppSession &session) const {
    const QJsonObject body{{QStringLiteral("transaction_id"), QString::number(transactionId)}};
    return decoded<PayStart>(sendToOrder(orderNo, QStringLiteral("apple-transactions"), body, session),
                             decoder);
}

QCoro::Task<OrderItem> MembershipAPIClient::cancelOrder(QString orderNo, AppSession &session) const {
    return decoded<OrderItem>(sendToOrder(orderNo, QStringLiteral("cancel"), emptyBody, session), decoder);
}
