// The scripted transport and store end every call still waiting on them when they go away or when its request
// is aborted, at once and without the event loop, so no coroutine outlives its test suspended.
#include "FakeAppStore.h"
#include "FakeTransport.h"

#include <QTest>

#include <memory>
#include <optional>

namespace {

// What became of one call: nothing yet, an answer, or the failure it threw.
struct Outcome {
    bool ended = false;
    std::optional<int> status;
    std::optional<TransportError::Kind> failure;
    QString storeError;
};

QCoro::Task<> sendTo(Transport &transport, HttpRequest request, std::shared_ptr<Outcome> outcome) {
    try {
        const HttpResponse response = co_await transport.send(std::move(request));
        outcome->status = response.status;
    } catch (const TransportError &error) {
        outcome->failure = error.kind();
    }
    outcome->ended = true;
}

QCoro::Task<> readAll(Transport &transport, HttpRequest request, std::shared_ptr<Outcome> outcome) {
    try {
        std::unique_ptr<ByteStream> stream = co_await transport.open(std::move(request));
        outcome->status = stream->response().status;
        while (co_await stream->nextLine()) {
        }
    } catch (const TransportError &error) {
        outcome->failure = error.kind();
    }
    outcome->ended = true;
}

QCoro::Task<> buy(AppStore &store, std::shared_ptr<Outcome> outcome) {
    try {
        co_await store.purchase(QStringLiteral("monthly"), QUuid::createUuid());
    } catch (const AppStoreError &error) {
        outcome->storeError = error.message();
    }
    outcome->ended = true;
}

HttpRequest requestTo(const QString &path) {
    HttpRequest request;
    request.url = QUrl(QStringLiteral("https://api.test.example") + path);
    return request;
}

} // namespace

class TestFakes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unansweredCallsEndWithTheirTransport_data() {
        QTest::addColumn<bool>("streamed");
        QTest::addColumn<bool>("held");
        QTest::newRow("a delayed answer") << false << false;
        QTest::newRow("a delayed stream") << true << false;
        QTest::newRow("a stream held mid-body") << true << true;
    }
    void unansweredCallsEndWithTheirTransport() {
        QFETCH(bool, streamed);
        QFETCH(bool, held);
        auto transport = std::make_unique<FakeTransport>();
        auto hold = std::make_shared<Completion>(); // never settled
        FakeTransport::Reply reply = FakeTransport::Reply::json(200, "a\nb\n");
        reply = held ? reply.heldAfter(1, hold) : reply.after(60000);
        transport->on("GET", QStringLiteral("/x"), reply);
        auto outcome = std::make_shared<Outcome>();
        QCoro::Task<> call = streamed ? readAll(*transport, requestTo(QStringLiteral("/x")), outcome)
                                      : sendTo(*transport, requestTo(QStringLiteral("/x")), outcome);
        if (held)
            QTRY_VERIFY(outcome->status.has_value()); // open, and waiting for the hold
        QVERIFY(!outcome->ended);

        transport.reset();
        QVERIFY(outcome->ended); // at once: no turn of the event loop in between
        QCOMPARE(outcome->failure, std::optional(TransportError::Kind::Cancelled));
    }

    void abortedDelayedRequestEndsBeforeItsDelay() {
        FakeTransport transport;
        transport.on("GET", QStringLiteral("/x"), FakeTransport::Reply::json(200, "{}").after(60000));
        HttpRequest request = requestTo(QStringLiteral("/x"));
        request.abort = std::make_shared<Completion>();
        auto outcome = std::make_shared<Outcome>();
        QCoro::Task<> call = sendTo(transport, request, outcome);
        request.abort->finish();
        QTRY_VERIFY_WITH_TIMEOUT(outcome->ended, 2000);
        QCOMPARE(outcome->failure, std::optional(TransportError::Kind::Cancelled));
    }

    void cancelledTransportEndsLaterCallsAtOnce() {
        FakeTransport transport;
        transport.on("GET", QStringLiteral("/x"), FakeTransport::Reply::json(200, "{}"));
        transport.cancelPending();
        auto outcome = std::make_shared<Outcome>();
        QCoro::Task<> call = sendTo(transport, requestTo(QStringLiteral("/x")), outcome);
        QVERIFY(outcome->ended);
        QCOMPARE(outcome->failure, std::optional(TransportError::Kind::Cancelled));
        QCOMPARE(transport.count(QStringLiteral("/x")), 1); // still recorded
    }

    void answersStillComeOnALaterTurn() {
        FakeTransport transport;
        transport.on("GET", QStringLiteral("/x"), FakeTransport::Reply::json(204, ""));
        auto outcome = std::make_shared<Outcome>();
        QCoro::Task<> call = sendTo(transport, requestTo(QStringLiteral("/x")), outcome);
        QVERIFY(!outcome->ended);
        QTRY_VERIFY(outcome->ended);
        QCOMPARE(outcome->status, std::optional(204));
    }

    void heldPurchaseFailsWithItsStore() {
        auto store = std::make_unique<FakeAppStore>();
        store->answers = {FakeAppStore::Answer::success().heldUntil(std::make_shared<Completion>())};
        auto outcome = std::make_shared<Outcome>();
        QCoro::Task<> call = buy(*store, outcome);
        QTest::qWait(20); // past the first turn: waiting for the hold
        QVERIFY(!outcome->ended);
        store.reset();
        QVERIFY(outcome->ended);
        QCOMPARE(outcome->storeError, QStringLiteral("购买未能完成，请稍后再试"));
    }
};

QTEST_GUILESS_MAIN(TestFakes)
#include "tst_fakes.moc"
