// The trade server's client: where each request goes (resolved against the trade base, the order number as
// one escaped segment), its headers and body, every kind of answer, and the decoding rules of its models.
#include "AppSession.h"
#include "Await.h"
#include "ErrorText.h"
#include "Fixtures.h"
#include "MembershipAPIClient.h"
#include "TestPlatform.h"

#include <QTest>

#include <functional>

namespace {

using Reply = FakeTransport::Reply;

const QByteArray orderJson = R"({"order_no":"QV1","sku_id":"m30","sku_name":"学习会员月卡","amount":"30.00",)"
                             R"("channel":"apple_iap","platform":"ios","state":"Created"})";
const QByteArray payJson = R"({"order_no":"QV1","state":"Paying","channel":"apple_iap"})";
const QByteArray entitlementsJson = R"({"tier":"L1","effective_tier":"L1","quotas":{}})";

// A call and the body its good answer needs.
struct Call {
    std::function<void(AppSession &)> run;
    QByteArray answer;
};

const MembershipAPIClient client;

Call entitlements() {
    return {[](AppSession &s) { Await::result(client.fetchEntitlements(s)); }, entitlementsJson};
}
Call skus() {
    return {[](AppSession &s) { Await::result(client.fetchSkus(s)); }, R"({"items":[]})"};
}
Call orders() {
    return {[](AppSession &s) { Await::result(client.fetchOrders(s)); }, R"({"items":[]})"};
}
Call createOrder(const QString &sku, const QString &key) {
    return {[=](AppSession &s) { Await::result(client.createOrder(sku, key, s)); }, orderJson};
}
Call startPay(const QString &orderNo) {
    return {[=](AppSession &s) { Await::result(client.startPay(orderNo, s)); }, payJson};
}
Call postTransaction(const QString &orderNo, qint64 id) {
    return {[=](AppSession &s) { Await::result(client.postAppleTransaction(orderNo, id, s)); }, payJson};
}
Call cancel(const QString &orderNo) {
    return {[=](AppSession &s) { Await::result(client.cancelOrder(orderNo, s)); }, orderJson};
}

QJsonObject bundleWithTradeBase(const QString &tradeBase) {
    QJsonObject bundle = TestPlatform::defaultBundle();
    bundle.insert(QStringLiteral("QVLTradeBaseURL"), tradeBase);
    return bundle;
}

// "ok", "http <status> <message>", "decoder", "url", "offline" or "other".
QString outcomeOf(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ApiError &error) {
        if (error.kind() == ApiError::Kind::Http)
            return QStringLiteral("http %1 %2").arg(error.status()).arg(error.message());
        return error.kind() == ApiError::Kind::NoConnection ? QStringLiteral("offline")
                                                            : QStringLiteral("other");
    } catch (const JsonDecodeError &) {
        return QStringLiteral("decoder");
    } catch (const MembershipURLError &) {
        return QStringLiteral("url");
    } catch (...) {
        return QStringLiteral("other");
    }
}

QString run(const Call &call, AppSession &session) {
    try {
        call.run(session);
        return QStringLiteral("ok");
    } catch (...) {
        return outcomeOf(std::current_exception());
    }
}

QString text(const std::optional<QString> &v) {
    return v.value_or(QStringLiteral("-"));
}
QString number(const std::optional<qint64> &v) {
    return v ? QString::number(*v) : QStringLiteral("-");
}

// The outcome of decoding `body` with the client's key rule: its description, or "fails".
template <typename Model, typename Describe>
QString decoded(const QByteArray &body, Describe describe) {
    try {
        return describe(Model::fromJson(JsonReader::parse(body, MembershipAPIClient().decoder)));
    } catch (const JsonDecodeError &) {
        return QStringLiteral("fails");
    }
}

QString describeEntitlements(const EntitlementStatus &e) {
    QStringList quotas;
    for (auto it = e.quotas.cbegin(); it != e.quotas.cend(); ++it)
        quotas << QStringLiteral("%1=%2:%3/%4/%5")
                      .arg(it.key(), it->bucket)
                      .arg(it->limit)
                      .arg(it->used)
                      .arg(it->remaining);
    return QStringLiteral("%1|%2|%3|%4").arg(e.tier, e.effectiveTier, text(e.expiresAt), quotas.join(u','));
}

} // namespace

Q_DECLARE_METATYPE(Call)
Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestMembershipAPIClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestShape_data() {
        QTest::addColumn<QString>("tradeBase");
        QTest::addColumn<Call>("call");
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("body"); // empty: no body and no Content-Type
        using T = std::optional<QString>;
        // The base's own path and query give way: every path starts at the root of the host.
        const QString base = QStringLiteral("https://trade.test.example/gateway/v2/?region=cn");
        const QString root = QStringLiteral("https://trade.test.example");
        const QString ordersUrl = root + "/api/v1/commerce/orders";
        const auto row = [&](const char *name, const Call &call, const T &token, const QByteArray &method,
                             const QString &url, const QByteArray &body) {
            QTest::newRow(name) << base << call << token << method << url << body;
        };
        row("entitlements", entitlements(), T("tok"), "GET", root + "/api/v1/me/entitlements", {});
        row("skus, signed out", skus(), T(), "GET", root + "/api/v1/commerce/skus?platform=ios", {});
        row("orders", orders(), T("tok"), "GET", ordersUrl, {});
        row("create order", createOrder("m30", "ios-5c1e"), T("tok"), "POST", ordersUrl,
            R"({"channel":"apple_iap","idempotency_key":"ios-5c1e","platform":"ios","sku_id":"m30"})");
        row("start pay", startPay("QV1"), T("tok"), "POST", ordersUrl + "/QV1/pay", "{}");
        row("transaction beyond 2^53 as exact text", postTransaction("QV1", 9007199254740993), T("tok"),
            "POST", ordersUrl + "/QV1/apple-transactions", R"({"transaction_id":"9007199254740993"})");
        row("cancel", cancel("QV1"), T(), "POST", ordersUrl + "/QV1/cancel", "{}");
        row("order number climbing out", cancel("../../me/entitlements?x=1#y"), T("tok"), "POST",
            ordersUrl + "/..%2F..%2Fme%2Fentitlements%3Fx%3D1%23y/cancel", "{}");
        row("dots inside an order number", cancel("..."), T("tok"), "POST", ordersUrl + "/.../cancel", "{}");
        QTest::newRow("base with a port, no path")
            << "http://127.0.0.1:8443" << entitlements() << T("tok") << QByteArray("GET")
            << "http://127.0.0.1:8443/api/v1/me/entitlements" << QByteArray();
    }
    void requestShape() {
        QFETCH(QString, tradeBase);
        QFETCH(Call, call);
        QFETCH(std::optional<QString>, token);
        QFETCH(QByteArray, method);
        QFETCH(QString, url);
        QFETCH(QByteArray, body);

        TestPlatform platform(bundleWithTradeBase(tradeBase));
        platform.transport->fallback = [&](const HttpRequest &) { return Reply::json(200, call.answer); };
        AppSession session;
        session.setAccessToken(token);
        QCOMPARE(run(call, session), QStringLiteral("ok"));

        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &sent = platform.transport->requests.first();
        QCOMPARE(sent.method, method);
        QCOMPARE(sent.url.toString(QUrl::FullyEncoded), url);
        QCOMPARE(sent.header("Authorization"),
                 token ? std::optional<QByteArray>("Bearer " + token->toUtf8()) : std::nullopt);
        QCOMPARE(sent.timeoutMs, 60000);
        QCOMPARE(sent.body, body);
        QCOMPARE(sent.header("Content-Type"),
                 body.isEmpty() ? std::nullopt : std::optional<QByteArray>("application/json"));
    }

    // An order number that cannot be one segment, or a base that gives no address, sends nothing.
    void refusedWithoutRequest_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<bool>("emptyBase");
        QTest::newRow("pay, empty number") << startPay("") << false;
        QTest::newRow("transaction, dot") << postTransaction(".", 1) << false;
        QTest::newRow("cancel, dot dot") << cancel("..") << false;
        QTest::newRow("no trade base") << entitlements() << true;
    }
    void refusedWithoutRequest() {
        QFETCH(Call, call);
        QFETCH(bool, emptyBase);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        if (emptyBase)
            session.setTradeBaseURL(QUrl());
        try {
            call.run(session);
            QFAIL("the call must fail");
        } catch (const MembershipURLError &) {
            QCOMPARE(errorText(std::current_exception()),
                     std::optional<QString>(QStringLiteral("请求地址无效")));
        }
        QVERIFY(platform.transport->requests.isEmpty());
    }

    // Every kind of answer, with what was sent: a 401 is renewed only for a request that carried a token.
    void answers_data() {
        QTest::addColumn<QList<Reply>>("replies");
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QList<QByteArray>>("authorizations"); // of each request sent; "-" for none
        using R = QList<Reply>;
        using Q = QList<QByteArray>;
        using T = std::optional<QString>;
        const Reply ok = Reply::json(200, orderJson);
        const Reply unauthorized = Reply::json(401, R"({"message":"登录已过期"})");
        Reply notHttp = Reply::json(-1, R"({"message":"网关"})");
        const auto row = [&](const char *name, const Reply &reply, const QString &outcome) {
            QTest::newRow(name) << R{reply} << T("tok") << outcome << Q{"Bearer tok"};
        };
        row("200", ok, "ok");
        row("409 with a message", Reply::json(409, R"({"code":"state","message":"订单状态不允许取消"})"),
            "http 409 订单状态不允许取消");
        row("409 without message", Reply::json(409, R"({"code":"state"})"), "http 409 请求失败（409）");
        row("409 null message", Reply::json(409, R"({"message":null})"), "http 409 请求失败（409）");
        row("409 not JSON", Reply::json(409, "<html>conflict</html>"), "http 409 请求失败（409）");
        row("409 empty message", Reply::json(409, R"({"message":""})"), "http 409 ");
        row("502 empty body", Reply::json(502, {}), "http 502 请求失败（502）");
        row("no HTTP answer, its body unread", notHttp, "http -1 无响应");
        row("204 empty body", Reply::json(204, {}), "decoder");
        row("no connection", Reply::error(TransportError::Kind::NoConnection), "offline");
        QTest::newRow("401 renewed, then 200")
            << R{unauthorized, ok} << T("tok") << "ok" << Q{"Bearer tok", "Bearer new"};
        QTest::newRow("401 twice") << R{unauthorized, unauthorized} << T("tok") << "http 401 登录已过期"
                                   << Q{"Bearer tok", "Bearer new"};
        QTest::newRow("401 without a token: not renewed")
            << R{unauthorized, ok} << T() << "http 401 登录已过期" << Q{"-"};
    }
    void answers() {
        QFETCH(QList<Reply>, replies);
        QFETCH(std::optional<QString>, token);
        QFETCH(QString, outcome);
        QFETCH(QList<QByteArray>, authorizations);

        TestPlatform platform;
        const QString path = MembershipAPIClient::ordersPath;
        for (const Reply &reply : replies)
            platform.transport->on("POST", path, reply);
        platform.transport->on(
            "POST", QStringLiteral("/api/v1/auth/refresh"),
            Reply::json(200, Fixtures::patched("auth/grant.json", {{"access_token", "new"}})));
        AppSession session;
        session.setAccessToken(token);
        session.setRefreshToken(QStringLiteral("rt"));

        QCOMPARE(run(createOrder("m30", "ios-1"), session), outcome);
        QList<QByteArray> sent;
        for (const HttpRequest &request : platform.transport->requestsTo(path))
            sent.append(request.header("Authorization").value_or("-"));
        QCOMPARE(sent, authorizations);
    }

    void entitlementsDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>(
            "expected"); // tier|effective|expires|bucket=bucket:limit/used/remaining,...
        QTest::newRow("member, buckets by code, keys kept raw")
            << QByteArray(R"({"tier":"L3","effective_tier":"L3","expires_at":"2026-12-31T00:00:00Z",)"
                          R"("quotas":{"video_gen":{"bucket":"video_gen","limit":0,"used":0,"remaining":0},)"
                          R"("companion_primary":{"bucket":"companion_primary","limit":5,"used":5,)"
                          R"("remaining":0},"qa":{"bucket":"qa","limit":50,"used":3,"remaining":47}}})")
            << "L3|L3|2026-12-31T00:00:00Z|companion_primary=companion_primary:5/5/0,qa=qa:50/3/47,"
               "video_gen=video_gen:0/0/0";
        QTest::newRow("no expiry, empty quotas")
            << QByteArray(R"({"tier":"L1","effective_tier":"L1","quotas":{}})") << "L1|L1|-|";
        QTest::newRow("null expiry, camel case, extra keys")
            << QByteArray(R"({"tier":"L2","effectiveTier":"L1","expires_at":null,"quotas":{},"x":1})")
            << "L2|L1|-|";
        const auto fails = [](const char *name, const QByteArray &body) {
            QTest::newRow(name) << body << "fails";
        };
        fails("no effective tier", R"({"tier":"L1","quotas":{}})");
        fails("no quotas", R"({"tier":"L1","effective_tier":"L1"})");
        fails("quota not an object", R"({"tier":"L1","effective_tier":"L1","quotas":{"qa":3}})");
        fails("quota without remaining", R"({"tier":"L1","effective_tier":"L1",)"
                                         R"("quotas":{"qa":{"bucket":"qa","limit":1,"used":0}}})");
    }
    void entitlementsDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(decoded<EntitlementStatus>(body, describeEntitlements), expected);
    }

    void listDecoding_data() {
        QTest::addColumn<bool>("orders");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // rows joined by ";", or "fails"
        QTest::newRow("skus in server order")
            << false
            << QByteArray(R"({"items":[{"sku_id":"m30","tier":"L3","name":"月卡","price":"30.00",)"
                          R"("period_days":30,"per_user_limit":null,"apple_product_id":"com.q.m30"},)"
                          R"({"sku_id":"a7","tier":"L2","name":"体验","price":"0.99"}]})")
            << "m30|L3|月卡|30.00|30|-|com.q.m30;a7|L2|体验|0.99|-|-|-";
        QTest::newRow("orders")
            << true
            << QByteArray(
                   R"({"items":[{"order_no":"QV9","sku_id":"m30","sku_name":"月卡","amount":"30.00",)"
                   R"("channel":"apple_iap","platform":"ios","state":"Closed","close_reason":"timeout",)"
                   R"("created_at":"2026-03-01T08:00:00Z","paid_at":null}]})")
            << "QV9|m30|月卡|30.00|apple_iap|ios|Closed|timeout|-|-|2026-03-01T08:00:00Z";
        QTest::newRow("empty list") << true << QByteArray(R"({"items":[]})") << "";
        QTest::newRow("no items") << false << QByteArray("{}") << "fails";
        QTest::newRow("order without state")
            << true
            << QByteArray(R"({"items":[{"order_no":"Q","sku_id":"m","sku_name":"n","amount":"1",)"
                          R"("channel":"c","platform":"ios"}]})")
            << "fails";
    }
    void listDecoding() {
        QFETCH(bool, orders);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        const auto join = [](const auto &items, const auto &describe) {
            QStringList rows;
            for (const auto &item : items.items)
                rows << describe(item);
            return rows.join(u';');
        };
        const auto sku = [](const SkuItem &s) {
            return QStringList{s.skuId,
                               s.tier,
                               s.name,
                               s.price,
                               number(s.periodDays),
                               number(s.perUserLimit),
                               text(s.appleProductId)}
                .join(u'|');
        };
        const auto order = [](const OrderItem &o) {
            return QStringList{o.orderNo,         o.skuId,        o.skuName,        o.amount,
                               o.channel,         o.platform,     o.state,          text(o.closeReason),
                               text(o.expiresAt), text(o.paidAt), text(o.createdAt)}
                .join(u'|');
        };
        const QString got =
            orders ? decoded<MembershipItems<OrderItem>>(body, [&](const auto &l) { return join(l, order); })
                   : decoded<MembershipItems<SkuItem>>(body, [&](const auto &l) { return join(l, sku); });
        QCOMPARE(got, expected);
    }

    // The transaction post answers with where the order stands, three keys being enough.
    void payStartDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("paid, three keys")
            << QByteArray(R"({"order_no":"QV1","state":"Paid","channel":"x"})") << "QV1|Paid|x|-|-";
        QTest::newRow("pay start") << QByteArray(
                                          R"({"order_no":"QV1","state":"Paying","channel":"apple_iap",)"
                                          R"("app_account_token":"0f8fad5b-d9cb-469f-a165-70867728950e",)"
                                          R"("apple_product_id":"com.q.m30"})")
                                   << "QV1|Paying|apple_iap|0f8fad5b-d9cb-469f-a165-70867728950e|com.q.m30";
        QTest::newRow("no channel") << QByteArray(R"({"order_no":"QV1","state":"Paid"})") << "fails";
    }
    void payStartDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(decoded<PayStart>(body,
                                   [](const PayStart &p) {
                                       return QStringList{p.orderNo, p.state, p.channel,
                                                          text(p.appAccountToken), text(p.appleProductId)}
                                           .join(u'|');
                                   }),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestMembershipAPIClient)
#include "tst_membershipapiclient.moc"
