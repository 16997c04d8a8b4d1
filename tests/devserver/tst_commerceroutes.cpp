// The stand-in's membership and orders, spoken to over plain HTTP: the free tier's quotas, SKUs that match
// the app's store catalogue, buying (tier and expiry, stacked purchases), one order per idempotency key, the
// refusals of transaction posts and cancels, order numbers sent percent-encoded, and what a restart keeps.
#include "DevServer.h"
#include "HttpProbe.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUuid>

#include <memory>

namespace {

using namespace HttpProbe;

const std::string kOrders = "/api/v1/commerce/orders";
const std::string kEntitlements = "/api/v1/me/entitlements";
const QString kBuckets[] = {"qa", "photo", "companion", "companion_primary", "video_gen"};

std::string action(const QString &orderNo, const char *name) {
    return kOrders + "/" + QUrl::toPercentEncoding(orderNo).toStdString() + "/" + name;
}

} // namespace

class TestCommerceRoutes : public QObject {
    Q_OBJECT

    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    Reply call(const std::string &method, const std::string &path, const QJsonObject &body = {},
               QString token = {}) const {
        return request(m_port, method, path, method == "GET" ? QByteArray() : json(body),
                       token.isNull() ? m_token : token);
    }
    Reply order(const QString &sku, const QString &key = QUuid::createUuid().toString(),
                const QString &token = {}) const {
        return call(
            "POST", kOrders,
            {{"sku_id", sku}, {"idempotency_key", key}, {"channel", "apple_iap"}, {"platform", "ios"}},
            token);
    }
    Reply post(const QString &orderNo, const QString &transaction) const {
        return call("POST", action(orderNo, "apple-transactions"), {{"transaction_id", transaction}});
    }
    // An order of `sku` paid with `transaction`; its number.
    QString bought(const QString &sku, const QString &transaction) const {
        const QString orderNo = order(sku).string("order_no");
        call("POST", action(orderNo, "pay"));
        const Reply paid = post(orderNo, transaction);
        return paid.status == 200 && paid.string("state") == "Paid" ? orderNo : QString();
    }
    QString state(const QString &orderNo) const {
        for (const QJsonValue &item : call("GET", kOrders).json.value("items").toArray())
            if (item["order_no"].toString() == orderNo)
                return item["state"].toString();
        return {};
    }

private Q_SLOTS:
    void init() {
        m_server = std::make_unique<DevServer>();
        m_port = m_server->start();
        QVERIFY(m_port > 0);
        m_token = signIn(m_port, QStringLiteral("13800138000"));
        QVERIFY(!m_token.isEmpty());
    }
    void cleanup() { m_server.reset(); }

    void freeLearner() {
        const Reply reply = call("GET", kEntitlements);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.string("tier"), "L1");
        QCOMPARE(reply.string("effective_tier"), "L1");
        QVERIFY(!reply.json.contains("expires_at"));
        const QJsonObject quotas = reply.json["quotas"].toObject();
        QCOMPARE(quotas.keys(), (QStringList{"companion", "companion_primary", "photo", "qa", "video_gen"}));
        int excluded = 0;
        for (const QString &bucket : kBuckets) {
            const QJsonValue quota = quotas[bucket];
            QCOMPARE(quota["bucket"].toString(), bucket);
            QCOMPARE(quota["remaining"].toInteger(), quota["limit"].toInteger() - quota["used"].toInteger());
            excluded += quota["limit"].toInteger() == 0;
        }
        QVERIFY(excluded > 0);
    }

    // Every store product id the stand-in sells is one the app's store knows; exactly one SKU has none.
    void skusMatchTheStoreCatalogue() {
        QFile file(QStringLiteral(QVL_STORE_CATALOGUE));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QSet<QString> catalogue;
        for (const QJsonValue &product : QJsonDocument::fromJson(file.readAll())["products"].toArray())
            catalogue << product["id"].toString();
        const Reply reply = call("GET", "/api/v1/commerce/skus?platform=ios");
        QCOMPARE(reply.status, 200);
        QSet<QString> sold;
        int withoutProduct = 0;
        for (const QJsonValue &sku : reply.json["items"].toArray()) {
            QVERIFY(sku["price"].isString() && sku["period_days"].toInteger() > 0);
            if (sku["apple_product_id"].isUndefined())
                ++withoutProduct;
            else
                sold << sku["apple_product_id"].toString();
        }
        QCOMPARE(sold, catalogue);
        QCOMPARE(withoutProduct, 1);
    }

    void buy_data() {
        QTest::addColumn<QStringList>("skus");
        QTest::addColumn<QString>("tier");
        QTest::addColumn<int>("days");
        QTest::newRow("a month") << QStringList{"member_month"} << "L3" << 30;
        QTest::newRow("a year") << QStringList{"member_year"} << "L4" << 365;
        QTest::newRow("two months stack") << QStringList{"member_month", "member_month"} << "L3" << 60;
        QTest::newRow("a month keeps the year's tier")
            << QStringList{"member_year", "member_month"} << "L4" << 395;
    }
    void buy() {
        QFETCH(QStringList, skus);
        QFETCH(QString, tier);
        QFETCH(int, days);
        const QDateTime start = QDateTime::currentDateTimeUtc();
        QString last;
        for (int i = 0; i < skus.size(); ++i) {
            last = bought(skus[i], QString::number(1000 + i));
            QVERIFY(!last.isEmpty());
        }
        const Reply status = call("GET", kEntitlements);
        QCOMPARE(status.string("tier"), tier);
        QCOMPARE(status.string("effective_tier"), tier);
        const QDateTime expires = QDateTime::fromString(status.string("expires_at"), Qt::ISODate);
        QVERIFY(qAbs(start.addDays(days).secsTo(expires)) < 60);
        const QJsonObject newest = call("GET", kOrders).json["items"][0].toObject();
        QCOMPARE(newest["order_no"].toString(), last);
        QVERIFY(newest["paid_at"].isString());
        for (const QString &bucket : kBuckets) // a paid tier includes every feature
            QVERIFY(status.json["quotas"][bucket]["limit"].toInteger() > 0);
    }

    void idempotentOrders() {
        const Reply first = order("member_month", "ios-KEY");
        QCOMPARE(first.status, 201);
        QCOMPARE(first.string("state"), "Created");
        QCOMPARE(first.string("amount"), "30.00");
        const Reply again = order("member_month", "ios-KEY");
        QCOMPARE(again.status, 200);
        QCOMPARE(again.json, first.json);
        QCOMPARE(order("member_year", "ios-KEY").status, 409);
        QCOMPARE(call("GET", kOrders).json["items"].toArray().size(), 1);
        const QString other = signIn(m_port, QStringLiteral("13900139000"));
        QVERIFY(order("member_month", "ios-KEY", other).string("order_no") != first.string("order_no"));
        QCOMPARE(order("no_such_sku").status, 404);
    }

    void payStart() {
        const QString orderNo = order("member_quarter").string("order_no");
        const Reply first = call("POST", action(orderNo, "pay"));
        const Reply second = call("POST", action(orderNo, "pay"));
        QCOMPARE(second.string("state"), "Paying");
        QCOMPARE(second.string("apple_product_id"), "qvl.member.quarter");
        QVERIFY(!QUuid::fromString(second.string("app_account_token")).isNull());
        QVERIFY(first.string("app_account_token") != second.string("app_account_token"));

        const Reply trial = call("POST", action(order("trial_week").string("order_no"), "pay"));
        QCOMPARE(trial.status, 200);
        QVERIFY(!trial.json.contains("apple_product_id"));
    }

    // Steps on one order (of the trial card after "trial"): "pay", "cancel", "post:<transaction>" (to another
    // order with "@<number>" or "@foreign"), "other:<transaction>" (another order bought with it). Every step
    // but the last succeeds; the last answers `status`, and the order ends in `after`.
    void orderSteps_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("after");
        QTest::newRow("paid") << "pay post:77" << 200 << "Paid";
        QTest::newRow("post repeated") << "pay post:77 post:77" << 200 << "Paid";
        QTest::newRow("paid by another") << "pay post:78 post:77" << 409 << "Paid";
        QTest::newRow("used on another") << "other:77 pay post:77" << 409 << "Paying";
        QTest::newRow("post to closed") << "cancel post:77" << 409 << "Closed";
        QTest::newRow("no store product") << "trial pay post:77" << 409 << "Created";
        QTest::newRow("unknown order") << "pay post:77@QV-unknown" << 404 << "Paying";
        QTest::newRow("another learner's") << "pay post:77@foreign" << 404 << "Paying";
        QTest::newRow("not decimal") << "pay post:7e3" << 400 << "Paying";
        QTest::newRow("cancel created") << "cancel" << 200 << "Closed";
        QTest::newRow("cancel paying") << "pay cancel" << 200 << "Closed";
        QTest::newRow("cancel paid") << "pay post:5 cancel" << 409 << "Paid";
        QTest::newRow("cancel closed") << "cancel cancel" << 409 << "Closed";
    }
    void orderSteps() {
        QFETCH(QString, steps);
        QFETCH(int, status);
        QFETCH(QString, after);
        QStringList list = steps.split(u' ');
        const QString orderNo =
            order(list.first() == "trial" ? "trial_week" : "member_month").string("order_no");
        if (list.first() == "trial")
            list.removeFirst();
        Reply reply;
        for (const QString &step : list) {
            QVERIFY2(reply.status < 300, qPrintable(reply.errorMessage())); // the step before
            const QString argument = step.section(u':', 1).section(u'@', 0, 0);
            QString target = step.section(u'@', 1);
            if (target == "foreign")
                target = order("member_month", "k", signIn(m_port, "13900139000")).string("order_no");
            if (step.startsWith("other:"))
                reply.status = bought("member_month", argument).isEmpty() ? 500 : 200;
            else if (step.startsWith("post:"))
                reply = post(target.isEmpty() ? orderNo : target, argument);
            else
                reply = call("POST", action(orderNo, step.toUtf8().constData()));
        }
        QCOMPARE(reply.status, status);
        if (status == 200 && list.last() == "cancel")
            QVERIFY(reply.json["close_reason"].isString());
        else if (status == 200)
            QCOMPARE(reply.json,
                     (QJsonObject{{"order_no", orderNo}, {"state", "Paid"}, {"channel", "apple_iap"}}));
        else if (list.last() == "cancel")
            QCOMPARE(reply.errorMessage(), "订单状态不允许取消");
        else
            QVERIFY(isChinese(reply.errorMessage()));
        QCOMPARE(state(orderNo), after);
    }

    // An order number arrives as one percent-encoded segment; what is not one segment is no order.
    void orderNumberInThePath_data() {
        QTest::addColumn<QString>("path"); // "<no>" stands for the order number, "<encoded>" for all of it
        QTest::addColumn<int>("status");
        QTest::newRow("plain") << "<no>/cancel" << 200;
        QTest::newRow("every byte encoded") << "<encoded>/cancel" << 200;
        QTest::newRow("encoded slash") << "<no>%2Fx/cancel" << 404;
        QTest::newRow("empty") << "/cancel" << 404;
        QTest::newRow("dot dot") << "../cancel" << 404;
    }
    void orderNumberInThePath() {
        QFETCH(QString, path);
        QFETCH(int, status);
        const QString orderNo = order("member_month").string("order_no");
        QString encoded;
        for (const char byte : orderNo.toUtf8())
            encoded += QStringLiteral("%%1").arg(uchar(byte), 2, 16, QLatin1Char('0'));
        path.replace("<no>", orderNo).replace("<encoded>", encoded);
        const Reply reply = call("POST", kOrders + "/" + path.toStdString());
        QCOMPARE(reply.status, status);
        QCOMPARE(state(orderNo), status == 200 ? "Closed" : "Created");
        if (status != 200)
            QVERIFY(isChinese(reply.errorMessage()));
    }

    // Orders, their idempotency keys and transactions, and the membership survive a restart on a state file.
    void keptAcrossARestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        m_token = signIn(m_port, QStringLiteral("13800138000"));
        const QString paid = bought("member_year", "900");
        const Reply open = order("member_month", "ios-KEPT");
        const QJsonObject status = call("GET", kEntitlements).json;

        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        QCOMPARE(call("GET", kEntitlements).json, status);
        QCOMPARE(order("member_month", "ios-KEPT").json, open.json);
        QCOMPARE(post(paid, "900").status, 200);
        QCOMPARE(post(open.string("order_no"), "900").status, 409);
        const QString next = order("member_month").string("order_no");
        QVERIFY(next != paid && next != open.string("order_no"));
    }
};

QTEST_GUILESS_MAIN(TestCommerceRoutes)
#include "tst_commerceroutes.moc"
