// The screen base: late answers dropped after a new appearance and after the view-model is gone, the alert
// shown from a failure and dismissed, a cancellation never shown, the loading flag and its signal.
#include "ApiError.h"
#include "Await.h"
#include "ErrorText.h"
#include "ScreenViewModel.h"
#include "TestPlatform.h"

#include <QCoro/QCoroSignal>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <stdexcept>

Q_DECLARE_METATYPE(std::exception_ptr)

namespace {

// The answer a load waits for, given when the test says so.
class Gate : public QObject {
    Q_OBJECT
public:
    void open(QString answer) { Q_EMIT opened(std::move(answer), nullptr); }
    void fail(std::exception_ptr failure) { Q_EMIT opened(QString(), std::move(failure)); }
Q_SIGNALS:
    void opened(QString answer, std::exception_ptr failure);
};

// A screen as the view-models use the base: one load that writes its answer only while it is still wanted.
class Screen : public ScreenViewModel {
public:
    using ScreenViewModel::setLoading;
    QString value;

    // What became of the answer: "written", "dropped" (a newer appearance) or "gone" (no view-model).
    QCoro::Task<QString> load(Gate *gate, std::shared_ptr<bool> resumed) {
        const Appearance appearance = this->appearance();
        setLoading(true);
        const auto [answer, failure] = co_await qCoro(gate, &Gate::opened);
        *resumed = true;
        if (!appearance.alive())
            co_return QStringLiteral("gone");
        setLoading(false);
        if (!appearance.current())
            co_return QStringLiteral("dropped");
        if (failure)
            showFailure(failure);
        else
            value = answer;
        co_return QStringLiteral("written");
    }
};

} // namespace

class TestScreenViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lateAnswers_data() {
        QTest::addColumn<QString>("between"); // what happens while the load waits
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("value");
        QTest::newRow("same appearance") << "nothing"
                                         << "written"
                                         << "answer";
        QTest::newRow("appearance dropped") << "drop"
                                            << "dropped"
                                            << "";
        QTest::newRow("appearance renewed") << "renew"
                                            << "dropped"
                                            << "";
        QTest::newRow("alert dismissed meanwhile") << "dismiss"
                                                   << "written"
                                                   << "answer";
        QTest::newRow("view-model destroyed") << "destroy"
                                              << "gone"
                                              << "";
    }
    void lateAnswers() {
        QFETCH(QString, between);
        QFETCH(QString, outcome);
        QFETCH(QString, value);
        Gate gate;
        auto screen = std::make_unique<Screen>();
        auto resumed = std::make_shared<bool>(false);
        auto task = screen->load(&gate, resumed);
        QVERIFY(screen->loading());
        if (between == QLatin1String("drop"))
            screen->dropAppearance();
        else if (between == QLatin1String("renew"))
            screen->renewAppearance();
        else if (between == QLatin1String("dismiss"))
            screen->dismissMessage();
        else if (between == QLatin1String("destroy"))
            screen.reset();
        gate.open(QStringLiteral("answer"));
        QCOMPARE(Await::result(task), outcome);
        QVERIFY(*resumed);
        if (screen) {
            QCOMPARE(screen->value, value);
            QVERIFY(!screen->loading());
            QVERIFY(!screen->alertVisible());
        }
    }

    void tokenAfterRenewal() {
        // A load begun after the renewal is the current one; the one before it stays dropped.
        Screen screen;
        const ScreenViewModel::Appearance before = screen.appearance();
        const ScreenViewModel::Appearance after = screen.renewAppearance();
        QVERIFY(before.alive());
        QVERIFY(!before.current());
        QVERIFY(after.current());
        screen.dropAppearance();
        QVERIFY(!after.current());
        QVERIFY(screen.appearance().current());
    }

    void failures_data() {
        QTest::addColumn<std::exception_ptr>("failure");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("http with message")
            << std::make_exception_ptr(ApiError::http(500, QStringLiteral("服务暂时不可用"))) << true
            << QStringLiteral("服务暂时不可用");
        QTest::newRow("decoding") << std::make_exception_ptr(ApiError::decoding()) << true
                                  << QStringLiteral("响应格式不正确");
        QTest::newRow("no connection")
            << std::make_exception_ptr(
                   ApiError::transport(TransportError::fromKind(TransportError::Kind::NoConnection)))
            << true
            << errorText(std::make_exception_ptr(ApiError::transport(
                             TransportError::fromKind(TransportError::Kind::NoConnection))))
                   .value();
        QTest::newRow("foreign exception") << std::make_exception_ptr(std::runtime_error("boom")) << true
                                           << QStringLiteral("请求失败，请稍后重试");
        QTest::newRow("cancelled") << std::make_exception_ptr(ApiError::transport(
                                          TransportError::fromKind(TransportError::Kind::Cancelled)))
                                   << false << QString();
    }
    void failures() {
        QFETCH(std::exception_ptr, failure);
        QFETCH(bool, shown);
        QFETCH(QString, message);
        Gate gate;
        Screen screen;
        QSignalSpy messages(&screen, &ScreenViewModel::messageChanged);
        auto task = screen.load(&gate, std::make_shared<bool>());
        gate.fail(failure);
        QCOMPARE(Await::result(task), QStringLiteral("written"));
        QCOMPARE(screen.alertVisible(), shown);
        QCOMPARE(screen.message(), message);
        QCOMPARE(messages.count(), shown ? 1 : 0);
        QVERIFY(screen.value.isEmpty());

        screen.dismissMessage();
        QVERIFY(!screen.alertVisible());
        QVERIFY(screen.message().isEmpty());
        QCOMPARE(messages.count(), shown ? 2 : 0);
        screen.dismissMessage(); // closing an alert that is not shown signals nothing
        QCOMPARE(messages.count(), shown ? 2 : 0);
    }

    void cancellationKeepsShownAlert() {
        // A cancelled load says nothing, also not by clearing the failure already shown.
        Screen screen;
        Gate first;
        auto failed = screen.load(&first, std::make_shared<bool>());
        first.fail(std::make_exception_ptr(ApiError::decoding()));
        Await::result(failed);
        Gate second;
        auto cancelled = screen.load(&second, std::make_shared<bool>());
        second.fail(std::make_exception_ptr(
            ApiError::transport(TransportError::fromKind(TransportError::Kind::Cancelled))));
        Await::result(cancelled);
        QCOMPARE(screen.message(), QStringLiteral("响应格式不正确"));
    }

    void loadingFlag_data() {
        QTest::addColumn<QList<bool>>("steps");
        QTest::addColumn<int>("emitted");
        QTest::newRow("on and off") << QList<bool>{true, false} << 2;
        QTest::newRow("repeated values signal once") << QList<bool>{true, true, false, false} << 2;
        QTest::newRow("off while off") << QList<bool>{false} << 0;
    }
    void loadingFlag() {
        QFETCH(QList<bool>, steps);
        QFETCH(int, emitted);
        Screen screen;
        QSignalSpy spy(&screen, &ScreenViewModel::loadingChanged);
        for (const bool step : std::as_const(steps)) {
            screen.setLoading(step);
            QCOMPARE(screen.loading(), step);
        }
        QCOMPARE(spy.count(), emitted);
    }

    void session() {
        TestPlatform platform;
        Screen screen;
        QSignalSpy spy(&screen, &ScreenViewModel::sessionChanged);
        auto session = std::make_unique<AppSession>();
        screen.setSession(session.get());
        screen.setSession(session.get());
        QCOMPARE(screen.session(), session.get());
        QCOMPARE(spy.count(), 1);
        session.reset(); // the screen never keeps a session alive, nor a dangling one
        QCOMPARE(screen.session(), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestScreenViewModel)
#include "tst_screenviewmodel.moc"
