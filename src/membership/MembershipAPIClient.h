#pragma once

#include "ApiClient.h"
#include "ApiError.h"
#include "AppSession.h"
#include "MembershipModels.h"
#include "UserFacingError.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>

#include <optional>

// No address could be made for a request (an order number that cannot stand as one path segment, a trade
// base from which no absolute address results): nothing was sent.
class MembershipURLError : public UserFacingError {
public:
    MembershipURLError() : UserFacingError(QStringLiteral("请求地址无效")) {}
};

// The trade server: entitlements and quotas, the SKUs on sale, the learner's orders, and the steps of a
// purchase (order, payment start, the store transaction, cancellation). A small value holding only its
// decoding rule; every page makes its own.
//
// Requests: each path is resolved against the session's trade base as a relative reference, so a path of
// the base itself gives way to the request's own (every path here starts at the root). 60 s, the call's
// method. "Authorization" only while the session holds a token; "Content-Type: application/json" and the
// compact JSON body only when a body is given (the GETs have neither; the payment start and the
// cancellation send "{}"). They go through the signed-in sender of the current session (a 401 to a request
// that carried a token renews it once and resends), or straight over the transport when no session is
// current; the base and the token are those of the session passed in.
//
// Answers: no HTTP answer is `AuthAPIError` http -1 "无响应"; a status outside 200 to 299 is `AuthAPIError`
// http with the status and the error body's message (an empty one included), or "请求失败（<status>）" when
// there is none to read. A 2xx body that does not decode is thrown as the decoder's own JsonDecodeError.
// Transport failures are the transport's `ApiError`s.
class MembershipAPIClient {
public:
    JsonKeys decoder = JsonKeys::FromSnakeCase;

    static inline const QString entitlementsPath = QStringLiteral("/api/v1/me/entitlements");
    static inline const QString skusPath = QStringLiteral("/api/v1/commerce/skus?platform=ios");
    static inline const QString ordersPath = QStringLiteral("/api/v1/commerce/orders");
    // What every order made here is marked with.
    static inline const QString orderChannel = QStringLiteral("apple_iap");
    static inline const QString orderPlatform = QStringLiteral("ios");

    QCoro::Task<EntitlementStatus> fetchEntitlements(AppSession &session) const;
    QCoro::Task<QList<SkuItem>> fetchSkus(AppSession &session) const;
    QCoro::Task<QList<OrderItem>> fetchOrders(AppSession &session) const;
    // `idempotencyKey`: the same key twice gives the same order, so a caller makes a new one per purchase.
    QCoro::Task<OrderItem> createOrder(QString skuId, QString idempotencyKey, AppSession &session) const;
    QCoro::Task<PayStart> startPay(QString orderNo, AppSession &session) const;
    // The store's transaction id, sent as decimal text.
    QCoro::Task<PayStart> postAppleTransaction(QString orderNo, qint64 transactionId,
                                               AppSession &session) const;
    QCoro::Task<OrderItem> cancelOrder(QString orderNo, AppSession &session) const;

    // The sender behind every call: the body of a successful answer. `path` may carry a query; segments
    // taken from data must be encoded already (`orderPath`). Throws MembershipURLError, sending nothing,
    // when no absolute address results.
    QCoro::Task<QByteArray> send(QString path, QByteArray method, std::optional<QJsonObject> body,
                                 AppSession &session) const;

    // "/api/v1/commerce/orders/<orderNo>/<action>" with the order number as exactly one segment, or nothing
    // for a number that cannot be one (empty, "." or ".."): the number is the server's, and "/", "?", "#",
    // "%" and everything else that would split the segment or start a query is escaped, so a request meant
    // for one order cannot reach another path.
    static std::optional<QString> orderPath(const QString &orderNo, const QString &action);
    // The request for `path` resolved against the session's trade base; nothing when no absolute address
    // results.
    static std::optional<HttpRequest> request(const QString &path, const QByteArray &method,
                                              const std::optional<QJsonObject> &body, AppSession &session);

private:
    static ApiClient::Rules rules(JsonKeys keys) {
        ApiClient::Rules rules{ApiClient::Base::Trade, ApiClient::Auth::RenewingThroughCurrent, false, true,
                               keys};
        rules.resolvesReference = true;
        return rules;
    }
    QCoro::Task<QByteArray> sendToOrder(const QString &orderNo, const QString &action,
                                        std::optional<QJsonObject> body, AppSession &session) const;
    // Everything by value: the caller's session may be gone once the answer arrives.
    static QCoro::Task<QByteArray> checkedBody(QCoro::Task<HttpResponse> answer, JsonKeys keys);
    static QCoro::Task<QByteArray> refused();

    template <typename Model>
    static QCoro::Task<Model> decoded(QCoro::Task<QByteArray> answer, JsonKeys keys) {
        const QByteArray body = co_await answer;
        co_return Model::fromJson(JsonReader::parse(body, keys));
    }
    template <typename Item>
    static QCoro::Task<QList<Item>> decodedItems(QCoro::Task<QByteArray> answer, JsonKeys keys) {
        const QByteArray body = co_await answer;
        co_return MembershipItems<Item>::fromJson(JsonReader::parse(body, keys)).items;
    }
};
