// The orders page's state: a row's texts for a few states, dates and amounts; the spinner, the empty row
// and a failed refresh that keeps its rows; a cancel that patches its row alone, one that lands after a
// refresh, one whose order is gone, one that fails; a page that left or was destroyed with requests out. As
// QML, offscreen and free of warnings: the page's spinner, rows and a cancel; the purchase confirmation sheet
// opening for the store's question, each way of closing it giving its answer. Saves pictures when
// QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "AppSession.h"
#include "Await.h"
#include "OrdersViewModel.h"
#include "PurchaseConfirmation.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;
using QmlHarness::findItem;
using QmlHarness::textsBelow;

const QString listPath = MembershipAPIClient::ordersPath;

QByteArray order(const QString &no, const QString &state, const QString &amount = QStringLiteral("30.00"),
                 const QString &created = QStringLiteral("\"2025-03-01T08:00:00Z\"")) {
    return QStringLiteral(R"({"order_no":"%1","sku_id":"m30","sku_name":"学习会员月卡","amount":"%2",)"
                          R"("channel":"apple_iap","platform":"ios","state":"%3","created_at":%4})")
        .arg(no, amount, state, created)
        .toUtf8();
}

QByteArray list(const QList<QByteArray> &orders) {
    return R"({"items":[)" + orders.join(',') + "]}";
}

// "<order number> <label>" and a "+" for each row that offers "取消".
QStringList rowsOf(const OrdersViewModel &vm) {
    QStringList rows;
    const auto *model = static_cast<ListModel<OrderRow> *>(vm.orderModel());
    for (const OrderRow &row : model->rows())
        rows << row.orderNo + u' ' + row.stateLabel + (row.cancellable ? QStringLiteral("+") : QString());
    return rows;
}

void shoot(QQuickWindow &window, const QString &name) {
    if (!QmlHarness::screenshotFolder().isEmpty()) {
        QTest::qWait(350);
        QVERIFY(QmlHarness::saveScreenshot(window, name));
    }
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestOrdersViewModel : public QObject {
    Q_OBJECT

    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

    struct Page {
        TestPlatform platform;
        AppSession session;
        std::unique_ptr<OrdersViewModel> vm = std::make_unique<OrdersViewModel>();
        Reply listReply = Reply::json(200, list({}));
        Reply cancelReply = Reply::json(500, "");

        Page() {
            session.setAccessToken(QStringLiteral("tok"));
            vm->setSession(&session);
            platform.transport->fallback = [this](const HttpRequest &request) {
                return request.method == "GET" ? listReply : cancelReply;
            };
        }
        void loadWith(const QList<QByteArray> &orders) {
            listReply = Reply::json(200, list(orders));
            Await::result(vm->runLoad());
        }
        int cancels() const {
            return int(platform.transport->requests.size()) - platform.transport->count(listPath);
        }
    };

private Q_SLOTS:
    // A row as "<amount> <label> <date>", "paid" when shown as done, "取消" when it offers that.
    void rowTexts_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("row");
        QTest::newRow("Created") << order("A", "Created") << "¥30.00 待支付 2025-03-01 取消";
        QTest::newRow("Paying, amount as sent") << order("A", "Paying", "30") << "¥30 支付中 2025-03-01 取消";
        QTest::newRow("Verifying") << order("A", "Verifying") << "¥30.00 支付中 2025-03-01";
        QTest::newRow("Paid, date as written") << order("A", "Paid", "30.00", "\"2025-03-01T23:30:00-08:00\"")
                                               << "¥30.00 已支付 2025-03-01 paid";
        QTest::newRow("case differs: as is") << order("A", "created") << "¥30.00 created 2025-03-01";
        QTest::newRow("no date") << order("A", "Failed", "258.00", "null") << "¥258.00 失败 —";
        QTest::newRow("short date whole")
            << order("A", "Closed", "78", "\"2025-03\"") << "¥78 已关闭 2025-03";
    }
    void rowTexts() {
        QFETCH(QByteArray, json);
        Page page;
        page.loadWith({json});
        const QVariantMap row = page.vm->orderModel()->get(0);
        QStringList texts{row["amountText"].toString(), row["stateLabel"].toString(),
                          row["dateText"].toString()};
        if (row["isPaid"].toBool())
            texts << QStringLiteral("paid");
        if (row["cancellable"].toBool())
            texts << QStringLiteral("取消");
        QTEST(texts.join(u' '), "row");
    }

    // What the page shows while a load runs and after it ends, from an empty or a filled list.
    void loadStates_data() {
        QTest::addColumn<QList<QByteArray>>("shown"); // the rows before the load
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<bool>("spinnerWhileLoading");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QString>("message");
        const QList<QByteArray> one{order("A", "Paid")};
        QTest::newRow("first load, empty reply")
            << QList<QByteArray>() << Reply::json(200, list({})) << true << QStringList() << true << "";
        QTest::newRow("first load fails: empty row behind the alert")
            << QList<QByteArray>() << Reply::json(502, "") << true << QStringList() << true
            << "请求失败（502）";
        QTest::newRow("refresh: no spinner of its own")
            << one << Reply::json(200, list({order("B", "Created"), order("A", "Paid")})) << false
            << QStringList{"B 待支付+", "A 已支付"} << false << "";
        QTest::newRow("refresh fails: rows kept") << one << Reply::json(409, R"({"message":"服务繁忙"})")
                                                  << false << QStringList{"A 已支付"} << false << "服务繁忙";
    }
    void loadStates() {
        QFETCH(QList<QByteArray>, shown);
        QFETCH(Reply, reply);
        QFETCH(bool, spinnerWhileLoading);
        Page page;
        if (!shown.isEmpty())
            page.loadWith(shown);
        page.listReply = reply;
        auto task = page.vm->runLoad();
        QVERIFY(page.vm->loading());
        QCOMPARE(page.vm->showsSpinner(), spinnerWhileLoading);
        QVERIFY(!page.vm->showsEmpty());
        Await::result(task);
        QVERIFY(!page.vm->loading() && !page.vm->showsSpinner());
        QTEST(rowsOf(*page.vm), "rows");
        QTEST(page.vm->showsEmpty(), "empty");
        QTEST(page.vm->message(), "message");
        page.vm->dismissMessage();
        QVERIFY(!page.vm->alertVisible() && page.vm->message().isEmpty());
    }

    // A cancel patches the first row with its order number by the server's answer, signalling that row only;
    // a refresh that lands before it is patched by number; an order no longer listed drops the answer.
    void cancel_data() {
        QTest::addColumn<QString>("orderNo");
        QTest::addColumn<QList<QByteArray>>("refreshed"); // listed while the cancel is out; empty: no refresh
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("changedRow"); // the one row signalled, -1: none
        QTest::addColumn<QString>("message");
        const QList<QByteArray> none;
        QTest::newRow("closed: button gone") << "A" << none << Reply::json(200, order("A", "Closed"))
                                             << QStringList{"A 已关闭", "B 支付中+"} << 0 << "";
        QTest::newRow("answer still Created: button stays")
            << "B" << none << Reply::json(200, order("B", "Created")) << QStringList{"A 待支付+", "B 待支付+"}
            << 1 << "";
        QTest::newRow("refresh in between: patched by number")
            << "A" << QList<QByteArray>{order("C", "Paid"), order("A", "Created")}
            << Reply::json(200, order("A", "Closed")) << QStringList{"C 已支付", "A 已关闭"} << 1 << "";
        QTest::newRow("row gone: answer dropped")
            << "A" << QList<QByteArray>{order("C", "Paid")} << Reply::json(200, order("A", "Closed"))
            << QStringList{"C 已支付"} << -1 << "";
        QTest::newRow("refused: rows unchanged")
            << "A" << none << Reply::json(409, R"({"code":"state","message":"订单状态不允许取消"})")
            << QStringList{"A 待支付+", "B 支付中+"} << -1 << "订单状态不允许取消";
        QTest::newRow("order number that names no order: nothing sent")
            << ".." << none << Reply::json(200, order("A", "Closed")) << QStringList{"A 待支付+", "B 支付中+"}
            << -1 << "请求地址无效";
    }
    void cancel() {
        QFETCH(QString, orderNo);
        QFETCH(QList<QByteArray>, refreshed);
        QFETCH(Reply, reply);
        QFETCH(int, changedRow);
        Page page;
        page.loadWith({order("A", "Created"), order("B", "Paying")});
        page.cancelReply = reply.after(50);
        auto cancelling = page.vm->runCancel(orderNo);
        if (!refreshed.isEmpty())
            page.loadWith(refreshed);
        const int gets = page.platform.transport->count(listPath);
        QSignalSpy changed(page.vm->orderModel(), &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(page.vm->orderModel(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(page.vm->orderModel(), &QAbstractItemModel::rowsRemoved);
        Await::result(cancelling);
        QTEST(rowsOf(*page.vm), "rows");
        QTEST(page.vm->message(), "message");
        QCOMPARE(changed.size(), changedRow < 0 ? 0 : 1);
        if (changedRow >= 0)
            QCOMPARE(changed.first().at(0).toModelIndex().row(), changedRow);
        QVERIFY(inserted.isEmpty() && removed.isEmpty());
        QCOMPARE(page.platform.transport->count(listPath), gets); // never reloaded
        QCOMPARE(page.cancels(), orderNo == QLatin1String("..") ? 0 : 1);
    }

    // A page closed with its requests out: the cancel still reaches the server, nothing is written to the
    // page; a load begun before the page left writes nothing.
    void pageGoneMidRequest() {
        Page page;
        page.loadWith({order("A", "Created")});
        page.listReply = Reply::json(200, list({order("B", "Paid")})).after(30);
        page.cancelReply = Reply::json(200, order("A", "Closed")).after(30);
        page.vm->load();
        page.vm->disappear();
        page.vm->cancel(QStringLiteral("A"));
        QTRY_VERIFY(!page.vm->loading() && rowsOf(*page.vm) != QStringList{"A 待支付+"});
        QTest::qWait(20);
        QCOMPARE(rowsOf(*page.vm), QStringList{"A 已关闭"}); // the cancel landed, the dropped load did not
        page.vm->load();
        page.vm->cancel(QStringLiteral("A"));
        page.vm.reset();
        QTRY_COMPARE(page.cancels(), 2);
        QTest::qWait(60); // both answers arrive with no page to write to
    }

    // --- as QML

    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() { m_guard.reset(); }
    void init() {
        m_guard->take();
        PurchaseConfirmation::shared().decline(); // nothing left open by a failed row
    }
    void cleanup() { QCOMPARE(m_guard->take(), QStringList()); }

    void ordersPage() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        platform.transport->on("GET", listPath,
                               Reply::json(200, list({order("QV20250301A1", "Created"),
                                                      order("QV20250214B7", "Paid", "258", "\"2025-02-14\""),
                                                      order("QV20250102C3", "Verifying", "78.00", "null")}))
                                   .after(300));
        QmlHarness::View view(QSize(430, 760));
        m_guard->watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("OrdersView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        const auto rows = [&view] {
            return QmlHarness::visibleNamed(view.root(), QStringLiteral("orderRow"));
        };
        QTRY_VERIFY(view.find(QStringLiteral("ordersLoading"), true));
        QTRY_COMPARE(rows().size(), 3);
        QVERIFY(!view.find(QStringLiteral("ordersLoading"), true));
        QCOMPARE(textsBelow(rows().at(0)),
                 (QStringList{"学习会员月卡", "¥30.00", "待支付", "2025-03-01", "取消", "QV20250301A1"}));
        const auto cancelButton = [&](int row) {
            return findItem(rows().at(row), "cancelOrderButton", true);
        };
        QVERIFY(!cancelButton(1) && !cancelButton(2));
        const auto colour = [&](int row) {
            return findItem(rows().at(row), "orderState")->property("color");
        };
        QVERIFY(colour(1) != colour(0) && colour(2) == colour(0)); // only "Paid" stands out
        shoot(view.window(), QStringLiteral("orders"));

        // "取消" asks at once and shows the answer in its row; the list is not reloaded.
        platform.transport->on("POST", listPath + "/QV20250301A1/cancel",
                               Reply::json(200, order("QV20250301A1", "Closed")));
        QVERIFY(view.click(cancelButton(0)));
        QTRY_VERIFY(textsBelow(rows().at(0)).contains(QStringLiteral("已关闭")));
        QVERIFY(!cancelButton(0));
        QCOMPARE(platform.transport->count(listPath), 1);
    }

    // The sheet shows the store's question and hands back the answer; every way out but "确认支付" declines.
    void confirmSheet_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("bought");
        QTest::newRow("确认支付") << "confirm" << true;
        QTest::newRow("Return") << "return" << true;
        QTest::newRow("取消") << "cancel" << false;
        QTest::newRow("Escape") << "escape" << false;
    }
    void confirmSheet() {
        QFETCH(QString, how);
        PurchaseConfirmation &confirmation = PurchaseConfirmation::shared();
        QmlHarness::View view(QSize(430, 760));
        m_guard->watch(view.engine());
        QVERIFY2(view.loadData("import QtQuick\nimport Quorvel.Membership\n"
                               "Item { Rectangle { anchors.fill: parent; color: \"#F2F2F7\" }\n"
                               "PurchaseConfirmSheet {} }"),
                 qPrintable(view.error()));
        const auto find = [&view](const char *name) {
            return findItem(view.window().contentItem(), name, true);
        };
        QVERIFY(!find("purchaseConfirmButton"));
        auto asked = confirmation.confirm({"qvl.member.month", "学习会员月卡", "¥30.00"});
        QTRY_VERIFY(find("purchaseConfirmButton"));
        QCOMPARE(find("purchaseProductName")->property("text").toString(), QStringLiteral("学习会员月卡"));
        QCOMPARE(find("purchasePrice")->property("text").toString(), QStringLiteral("¥30.00"));
        QTest::qWait(300); // risen into place
        if (how == QLatin1String("confirm")) {
            shoot(view.window(), QStringLiteral("purchase-confirm"));
            QVERIFY(view.click(find("purchaseConfirmButton")));
        } else if (how == QLatin1String("cancel")) {
            QVERIFY(view.click(find("sheetCloseButton")));
        } else {
            QTest::keyClick(&view.window(), how == QLatin1String("return") ? Qt::Key_Return : Qt::Key_Escape);
        }
        QTRY_VERIFY(!confirmation.active());
        QTEST(Await::result(asked), "bought");
        QTRY_VERIFY(!find("purchaseConfirmButton"));
    }
};

QTEST_MAIN(TestOrdersViewModel)
#include "tst_ordersviewmodel.moc"
