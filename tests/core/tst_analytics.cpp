#include "Analytics.h"
#include "ApiClient.h"
#include "ApiError.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "DevServer.h"
#include "Fixtures.h"
#include "Platform.h"
#include "TestPlatform.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimeZone>
#include <QtQml/QQmlExtensionPlugin>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString eventsPath = QStringLiteral("/api/v1/events");
// Long enough that the loop never fires on its own while a test drives `flush` by hand.
constexpr auto kIdle = std::chrono::hours(1);

QJsonObject bodyOf(const HttpRequest &request) {
    return QJsonDocument::fromJson(request.body).object();
}

QStringList eventNames(const QJsonObject &body) {
    QStringList names;
    for (const QJsonValue &event : body.value(QStringLiteral("events")).toArray())
        names.append(event.toObject().value(QStringLiteral("name")).toString());
    return names;
}

QStringList queuedNames(const Analytics &analytics) {
    QStringList names;
    for (const Analytics::Event &event : analytics.queuedEvents())
        names.append(event.name);
    return names;
}

QStringList numbered(int from, int to) {
    QStringList names;
    for (int i = from; i < to; ++i)
        names.append(QStringLiteral("e%1").arg(i));
    return names;
}

// Records e<from> .. e<to - 1>.
void record(Analytics &analytics, int from, int to) {
    for (const QString &name : numbered(from, to))
        analytics.track(name);
}

QString repeated(const QString &unit, int times) {
    QString text;
    for (int i = 0; i < times; ++i)
        text += unit;
    return text;
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestAnalytics : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- recording

    void propertyValuesAreCutToCharacters_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const QString a64 = repeated(QStringLiteral("a"), 64);
        QTest::newRow("100 ASCII characters") << repeated(QStringLiteral("a"), 100) << a64;
        QTest::newRow("exactly 64 kept whole") << a64 << a64;
        QTest::newRow("65 characters") << a64 + u'b' << a64;
        QTest::newRow("short") << QStringLiteral("launch") << QStringLiteral("launch");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("Chinese") << repeated(QStringLiteral("学"), 100) << repeated(QStringLiteral("学"), 64);
        // One user-perceived character each, but 4 UTF-16 units (emoji with a skin-tone modifier)...
        const QString thumb = QStringLiteral("\U0001F44D\U0001F3FD");
        QTest::newRow("emoji with modifier") << repeated(thumb, 70) << repeated(thumb, 64);
        // ... 2 code points (a letter with a combining acute accent) ...
        const QString accented = QStringLiteral("e\u0301");
        QTest::newRow("combining marks") << repeated(accented, 65) << repeated(accented, 64);
        QTest::newRow("64 combining, kept whole") << repeated(accented, 64) << repeated(accented, 64);
        // ... or a flag of two regional indicators.
        const QString flag = QStringLiteral("\U0001F1E8\U0001F1F3");
        QTest::newRow("flags") << repeated(flag, 80) << repeated(flag, 64);
        // The cut falls between characters, never inside the 64th.
        QTest::newRow("cut after a surrogate pair")
            << repeated(QStringLiteral("x"), 63) + QStringLiteral("\U0001F600\U0001F600")
            << repeated(QStringLiteral("x"), 63) + QStringLiteral("\U0001F600");
    }
    void propertyValuesAreCutToCharacters() {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        TestPlatform platform;
        Analytics analytics(kIdle);
        analytics.track(QStringLiteral("tap"), {{QStringLiteral("label"), value}});
        QCOMPARE(analytics.queuedCount(), 1);
        QCOMPARE(analytics.queuedEvents().first().props.value(QStringLiteral("label")), expected);
        QCOMPARE(Analytics::uploadBody(analytics.queuedEvents())
                     .value(QStringLiteral("events"))[0]
                     .toObject()
                     .value(QStringLiteral("props"))
                     .toObject()
                     .value(QStringLiteral("label"))
                     .toString(),
                 expected);
    }

    void keysAndNamesStayWhole() {
        TestPlatform platform;
        Analytics analytics(kIdle);
        const QString key = repeated(QStringLiteral("k"), 100);
        const QString name = repeated(QStringLiteral("n"), 100);
        analytics.track(name,
                        {{key, QStringLiteral("v")}, {QStringLiteral("source"), QStringLiteral("launch")}});
        const Analytics::Event event = analytics.queuedEvents().first();
        QCOMPARE(event.name, name);
        QCOMPARE(event.props.size(), 2);
        QCOMPARE(event.props.value(key), QStringLiteral("v"));
        QCOMPARE(event.props.value(QStringLiteral("source")), QStringLiteral("launch"));
    }

    void eventIdsAreUpperCaseHexWithoutHyphens() {
        TestPlatform platform;
        Analytics analytics(kIdle);
        record(analytics, 0, 100);
        static const QRegularExpression format(QStringLiteral("^[0-9A-F]{32}$"));
        QSet<QString> ids;
        for (const Analytics::Event &event : analytics.queuedEvents()) {
            QVERIFY2(format.match(event.eventId).hasMatch(), qPrintable(event.eventId));
            ids.insert(event.eventId);
        }
        QCOMPARE(ids.size(), 100);
    }

    void occurredAtIsUtcWithWholeSeconds_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("expected");
        QTest::newRow("UTC") << QDateTime(QDate(2026, 3, 1), QTime(8, 5, 9), Qt::UTC)
                             << QStringLiteral("2026-03-01T08:05:09Z");
        QTest::newRow("milliseconds dropped, not rounded")
            << QDateTime(QDate(2026, 3, 1), QTime(8, 5, 9, 999), Qt::UTC)
            << QStringLiteral("2026-03-01T08:05:09Z");
        QTest::newRow("from +08:00") << QDateTime(QDate(2026, 3, 1), QTime(16, 5, 9), QTimeZone(8 * 3600))
                                     << QStringLiteral("2026-03-01T08:05:09Z");
        QTest::newRow("across midnight") << QDateTime(QDate(2026, 1, 1), QTime(2, 0, 0), QTimeZone(8 * 3600))
                                         << QStringLiteral("2025-12-31T18:00:00Z");
    }
    void occurredAtIsUtcWithWholeSeconds() {
        QFETCH(QDateTime, now);
        QFETCH(QString, expected);
        TestPlatform platform;
        platform.clock->set(now);
        Analytics analytics(kIdle);
        analytics.track(QStringLiteral("tap"));
        QCOMPARE(analytics.queuedEvents().first().occurredAt, expected);
    }

    void capKeepsTheNewest_data() {
        QTest::addColumn<int>("recorded");
        QTest::addColumn<int>("firstKept");
        QTest::newRow("200 all kept") << 200 << 0;
        QTest::newRow("201st drops the oldest") << 201 << 1;
        QTest::newRow("260") << 260 << 60;
    }
    void capKeepsTheNewest() {
        QFETCH(int, recorded);
        QFETCH(int, firstKept);
        TestPlatform platform;
        Analytics analytics(kIdle); // not started: the early flushes stop for want of a session
        record(analytics, 0, recorded);
        QCOMPARE(analytics.queuedCount(), Analytics::maxQueue);
        QCOMPARE(queuedNames(analytics), numbered(firstKept, recorded));
        QCOMPARE(int(platform.transport->requests.size()), 0);
    }

    // --- early flush

    void earlyFlushWithoutCredentialsStopsAtOnce_data() {
        QTest::addColumn<bool>("started");
        QTest::newRow("before start") << false;
        QTest::newRow("signed out") << true;
    }
    void earlyFlushWithoutCredentialsStopsAtOnce() {
        QFETCH(bool, started);
        TestPlatform platform;
        AppSession session; // no access token
        Analytics analytics(kIdle);
        if (started)
            analytics.start(&session);
        record(analytics, 0, 19);
        analytics.track(QStringLiteral("twentieth"));
        QCOMPARE(analytics.queuedCount(), 20);
        QTest::qWait(20);
        QCOMPARE(int(platform.transport->requests.size()), 0);
        QCOMPARE(analytics.queuedCount(), 20);
    }

    void everyRecordingFromTwentyStartsAFlush() {
        TestPlatform platform;
        platform.transport->on("POST", eventsPath,
                               FakeTransport::Reply::json(202, R"({"accepted":1})").after(50));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        analytics.start(&session);

        record(analytics, 0, 19);
        QCOMPARE(int(platform.transport->requests.size()), 0);
        analytics.track(QStringLiteral("e19"));
        QCOMPARE(int(platform.transport->requests.size()), 1);
        QCOMPARE(eventNames(bodyOf(platform.transport->requests.at(0))), numbered(0, 20));
        // The first post is still waiting: the next recording starts another, overlapping one.
        analytics.track(QStringLiteral("e20"));
        QCOMPARE(int(platform.transport->requests.size()), 2);
        QCOMPARE(eventNames(bodyOf(platform.transport->requests.at(1))), numbered(0, 21));
        // Both remove what they sent; the queue stays consistent.
        QTRY_COMPARE(analytics.queuedCount(), 0);
    }

    // --- flushing

    void flushStopsWithoutSessionTokenOrEvents_data() {
        QTest::addColumn<bool>("withSession");
        QTest::addColumn<bool>("withToken");
        QTest::addColumn<int>("queued");
        QTest::newRow("no session") << false << true << 3;
        QTest::newRow("no token") << true << false << 3;
        QTest::newRow("empty queue") << true << true << 0;
    }
    void flushStopsWithoutSessionTokenOrEvents() {
        QFETCH(bool, withSession);
        QFETCH(bool, withToken);
        QFETCH(int, queued);
        TestPlatform platform;
        AppSession session;
        if (withToken)
            session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        record(analytics, 0, queued);
        if (withSession)
            analytics.start(&session);
        Await::result(analytics.flush());
        QCOMPARE(int(platform.transport->requests.size()), 0);
        QCOMPARE(analytics.queuedCount(), queued);
    }

    void sessionIsHeldWeakly() {
        TestPlatform platform;
        auto session = std::make_unique<AppSession>();
        session->setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        analytics.start(session.get());
        record(analytics, 0, 3);
        session.reset();
        Await::result(analytics.flush());
        QCOMPARE(int(platform.transport->requests.size()), 0);
        QCOMPARE(analytics.queuedCount(), 3);
    }

    void oneFlushSendsTheOldestFifty() {
        TestPlatform platform;
        platform.transport->on("POST", eventsPath, FakeTransport::Reply::json(202, R"({"accepted":50})"));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        record(analytics, 0, 120);
        analytics.start(&session);

        Await::result(analytics.flush());
        QCOMPARE(int(platform.transport->requests.size()), 1);
        QCOMPARE(eventNames(bodyOf(platform.transport->requests.at(0))), numbered(0, 50));
        QCOMPARE(analytics.queuedCount(), 70);
        QCOMPARE(queuedNames(analytics), numbered(50, 120));

        Await::result(analytics.flush());
        Await::result(analytics.flush());
        QCOMPARE(eventNames(bodyOf(platform.transport->requests.at(2))), numbered(100, 120));
        QCOMPARE(analytics.queuedCount(), 0);
        Await::result(analytics.flush());
        QCOMPARE(int(platform.transport->requests.size()), 3); // nothing left to send
    }

    void answerDecidesWhetherTheBatchIsDone_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<bool>("removed");
        using Reply = FakeTransport::Reply;
        QTest::newRow("200") << Reply::json(200, "{}") << true;
        QTest::newRow("202") << Reply::json(202, R"({"accepted":3})") << true;
        QTest::newRow("299") << Reply::json(299, "") << true;
        QTest::newRow("400") << Reply::json(400, R"({"message":"bad"})") << true;
        QTest::newRow("401 without a refresh token") << Reply::json(401, "{}") << true;
        QTest::newRow("422") << Reply::json(422, R"({"message":"bad"})") << true;
        QTest::newRow("499") << Reply::json(499, "") << true;
        QTest::newRow("199") << Reply::json(199, "") << false;
        QTest::newRow("302") << Reply::json(302, "") << false;
        QTest::newRow("304") << Reply::json(304, "") << false;
        QTest::newRow("500") << Reply::json(500, R"({"message":"oops"})") << false;
        QTest::newRow("503") << Reply::json(503, "") << false;
        QTest::newRow("not HTTP") << Reply::json(-1, "") << false;
        QTest::newRow("no connection") << Reply::error(TransportError::Kind::NoConnection) << false;
        QTest::newRow("timed out") << Reply::error(TransportError::Kind::TimedOut) << false;
    }
    void answerDecidesWhetherTheBatchIsDone() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(bool, removed);
        TestPlatform platform;
        platform.transport->on("POST", eventsPath, reply);
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        record(analytics, 0, 3);
        analytics.start(&session);

        Await::result(analytics.flush());
        QCOMPARE(int(platform.transport->requests.size()), 1);
        QCOMPARE(analytics.queuedCount(), removed ? 0 : 3);
        if (!removed) {
            // Kept events go out again, unchanged, with the next flush.
            const QJsonObject first = bodyOf(platform.transport->requests.at(0));
            Await::result(analytics.flush());
            QCOMPARE(int(platform.transport->requests.size()), 2);
            QCOMPARE(bodyOf(platform.transport->requests.at(1)), first);
        }
    }

    void renewedOnceOn401() {
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &request) {
            if (request.header("Authorization").value_or(QByteArray()) == "Bearer at_new")
                return FakeTransport::Reply::json(202, R"({"accepted":1})");
            return FakeTransport::Reply::json(401, R"({"message":"expired"})");
        };
        platform.transport->on("POST", QStringLiteral("/api/v1/auth/refresh"),
                               FakeTransport::Reply::json(
                                   200, Fixtures::patched("auth/grant.json", {{"access_token", "at_new"}})));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_old"));
        session.setRefreshToken(QStringLiteral("rt_old"));
        Analytics analytics(kIdle);
        analytics.start(&session);
        analytics.track(QStringLiteral("app_open"), {{QStringLiteral("source"), QStringLiteral("launch")}});

        Await::result(analytics.flush());
        QCOMPARE(platform.transport->count(eventsPath), 2);
        QCOMPARE(platform.transport->count(QStringLiteral("/api/v1/auth/refresh")), 1);
        QCOMPARE(analytics.queuedCount(), 0);
    }

    void eventsRecordedDuringAFlushStay() {
        TestPlatform platform;
        platform.transport->on("POST", eventsPath, FakeTransport::Reply::json(202, "{}").after(50));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        record(analytics, 0, 3);
        analytics.start(&session);

        auto flush = analytics.flush();
        QCOMPARE(int(platform.transport->requests.size()), 1);
        record(analytics, 3, 5);
        Await::result(flush);
        QCOMPARE(queuedNames(analytics), numbered(3, 5));
    }

    void eventsDroppedByTheCapDuringAFlushAreNotMissed() {
        TestPlatform platform;
        platform.transport->on("POST", eventsPath, FakeTransport::Reply::json(202, "{}").after(50));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        record(analytics, 0, 200);
        analytics.start(&session);

        auto flush = analytics.flush(); // posts e0 .. e49
        // Signed out meanwhile: the recordings below start early flushes that stop at once.
        session.setAccessToken(std::nullopt);
        record(analytics, 200, 210); // the cap drops e0 .. e9, part of the batch under way
        QCOMPARE(queuedNames(analytics), numbered(10, 210));
        Await::result(flush);
        QCOMPARE(int(platform.transport->requests.size()), 1);
        QCOMPARE(queuedNames(analytics), numbered(50, 210));
    }

    void overlappingFlushesKeepTheQueueConsistent() {
        TestPlatform platform;
        platform.transport->on("POST", eventsPath, FakeTransport::Reply::json(202, "{}").after(30));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        record(analytics, 0, 60);
        analytics.start(&session);

        auto first = analytics.flush();
        auto second = analytics.flush();
        Await::result(first);
        Await::result(second);
        QCOMPARE(int(platform.transport->requests.size()), 2);
        QCOMPARE(bodyOf(platform.transport->requests.at(0)), bodyOf(platform.transport->requests.at(1)));
        QCOMPARE(queuedNames(analytics), numbered(50, 60));
    }

    // --- the upload

    void requestAndBodyShape() {
        QJsonObject bundle = TestPlatform::defaultBundle();
        bundle.insert(QStringLiteral("QVLApiBaseURL"), QStringLiteral("https://api.test.example/base/"));
        bundle.insert(QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.3.1"));
        TestPlatform platform(bundle);
        platform.transport->on("POST", QStringLiteral("/base/api/v1/events"),
                               FakeTransport::Reply::json(202, "{}"));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        analytics.start(&session);
        analytics.track(QStringLiteral("app_open"), {{QStringLiteral("source"), QStringLiteral("launch")}});
        platform.clock->advance(61);
        analytics.track(QStringLiteral("lesson_open"));
        const QList<Analytics::Event> queued = analytics.queuedEvents();

        Await::result(analytics.flush());
        QCOMPARE(int(platform.transport->requests.size()), 1);
        const HttpRequest request = platform.transport->requests.at(0);
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.url, QUrl(QStringLiteral("https://api.test.example/base/api/v1/events")));
        QCOMPARE(request.header("Content-Type").value_or(QByteArray()), QByteArray("application/json"));
        QCOMPARE(request.header("Authorization").value_or(QByteArray()), QByteArray("Bearer at_1"));
        QCOMPARE(request.timeoutMs, 60000);

        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(!request.body.contains('\n')); // compact
        const QJsonObject expected{
            {"platform", "ios"},
            {"app_version", "2.3.1"},
            {"events", QJsonArray{QJsonObject{{"event_id", queued.at(0).eventId},
                                              {"name", "app_open"},
                                              {"props", QJsonObject{{"source", "launch"}}},
                                              {"occurred_at", "2026-03-01T08:05:09Z"}},
                                  QJsonObject{{"event_id", queued.at(1).eventId},
                                              {"name", "lesson_open"},
                                              {"props", QJsonObject{}},
                                              {"occurred_at", "2026-03-01T08:06:10Z"}}}}};
        QCOMPARE(document.object(), expected);
    }

    void appVersionOnlyWhenItIsText_data() {
        QTest::addColumn<QJsonValue>("configured");
        QTest::addColumn<QJsonValue>("sent"); // Undefined: no key at all
        QTest::newRow("text") << QJsonValue(QStringLiteral("1.4.0")) << QJsonValue(QStringLiteral("1.4.0"));
        QTest::newRow("empty text") << QJsonValue(QString()) << QJsonValue(QString());
        QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("number") << QJsonValue(1.4) << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("null") << QJsonValue(QJsonValue::Null) << QJsonValue(QJsonValue::Undefined);
    }
    void appVersionOnlyWhenItIsText() {
        QFETCH(QJsonValue, configured);
        QFETCH(QJsonValue, sent);
        QJsonObject bundle = TestPlatform::defaultBundle();
        bundle.remove(QStringLiteral("CFBundleShortVersionString"));
        if (!configured.isUndefined())
            bundle.insert(QStringLiteral("CFBundleShortVersionString"), configured);
        TestPlatform platform(bundle);
        platform.transport->on("POST", eventsPath, FakeTransport::Reply::json(202, "{}"));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(kIdle);
        analytics.start(&session);
        analytics.track(QStringLiteral("tap"));
        Await::result(analytics.flush());

        const QJsonObject body = bodyOf(platform.transport->requests.at(0));
        QCOMPARE(body.contains(QStringLiteral("app_version")), !sent.isUndefined());
        QCOMPARE(body.value(QStringLiteral("app_version")), sent);
        QCOMPARE(body.size(), sent.isUndefined() ? 2 : 3);
    }

    void tokenAndBaseComeFromTheStartedSession() {
        TestPlatform platform;
        platform.transport->on("POST", eventsPath, FakeTransport::Reply::json(202, "{}"));
        AppSession first;
        first.setAccessToken(QStringLiteral("at_first"));
        Analytics analytics(kIdle);
        analytics.start(&first);
        // A later session object becomes the current sender; the token still comes from the started one.
        AppSession later;
        later.setAccessToken(QStringLiteral("at_later"));
        QCOMPARE(AppSession::current(), &later);
        first.setBaseURL(QUrl(QStringLiteral("https://first.test.example")));
        analytics.track(QStringLiteral("tap"));
        Await::result(analytics.flush());
        QCOMPARE(platform.transport->requests.at(0).header("Authorization").value_or(QByteArray()),
                 QByteArray("Bearer at_first"));
        QCOMPARE(platform.transport->requests.at(0).url.host(), QStringLiteral("first.test.example"));

        // A second start replaces the session.
        analytics.start(&later);
        analytics.track(QStringLiteral("tap"));
        Await::result(analytics.flush());
        QCOMPARE(platform.transport->requests.at(1).header("Authorization").value_or(QByteArray()),
                 QByteArray("Bearer at_later"));
    }

    // --- the loop

    void loopFlushesEveryIntervalAfterTheLastFlush() {
        TestPlatform platform;
        QElapsedTimer clock;
        QList<qint64> postedAt;
        // 500 keeps the event, so every round posts again; each answer takes 300 ms.
        platform.transport->fallback = [&clock, &postedAt](const HttpRequest &) {
            postedAt.append(clock.elapsed());
            return FakeTransport::Reply::json(500, "{}").after(300);
        };
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(100ms);
        analytics.track(QStringLiteral("tap"));

        clock.start();
        analytics.start(&session);
        QVERIFY(analytics.isLoopRunning());
        QCOMPARE(postedAt.size(), 0); // the first round comes after one interval
        QTRY_COMPARE_WITH_TIMEOUT(postedAt.size(), 2, 5000);
        QVERIFY2(postedAt.at(0) >= 95, qPrintable(QString::number(postedAt.at(0))));
        // The next sleep begins only once the previous flush has its answer: 300 ms + 100 ms, where a loop
        // that did not wait would post again after 100 ms.
        const qint64 gap = postedAt.at(1) - postedAt.at(0);
        QVERIFY2(gap >= 370, qPrintable(QString::number(gap)));
    }

    void startingAgainRunsNoSecondLoop() {
        TestPlatform platform;
        platform.transport->on("POST", eventsPath, FakeTransport::Reply::json(202, "{}").after(2000));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        Analytics analytics(100ms);
        analytics.track(QStringLiteral("tap"));
        analytics.start(&session);
        analytics.start(&session);
        QTRY_COMPARE_WITH_TIMEOUT(int(platform.transport->requests.size()), 1, 5000);
        // A second loop would have posted within the same interval; the one loop waits for its answer.
        QTest::qWait(300);
        QCOMPARE(int(platform.transport->requests.size()), 1);
    }

    void loopKeepsRunningAcrossSignInAndOut() {
        TestPlatform platform;
        platform.transport->on("POST", eventsPath, FakeTransport::Reply::json(202, "{}"));
        AppSession session;
        Analytics analytics(30ms);
        analytics.start(&session);
        analytics.track(QStringLiteral("tap"));
        QTest::qWait(150);
        QCOMPARE(int(platform.transport->requests.size()), 0); // signed out: events wait
        session.setAccessToken(QStringLiteral("at_1"));
        QTRY_COMPARE_WITH_TIMEOUT(analytics.queuedCount(), 0, 5000);
        QCOMPARE(int(platform.transport->requests.size()), 1);
    }

    void loopLetsGoOfADestroyedInstance_data() {
        QTest::addColumn<bool>("whilePosting");
        QTest::newRow("while sleeping") << false;
        QTest::newRow("while a post waits") << true;
    }
    void loopLetsGoOfADestroyedInstance() {
        QFETCH(bool, whilePosting);
        TestPlatform platform;
        platform.transport->on("POST", eventsPath, FakeTransport::Reply::json(202, "{}").after(100));
        AppSession session;
        session.setAccessToken(QStringLiteral("at_1"));
        auto analytics = std::make_unique<Analytics>(20ms);
        QPointer<Analytics> watch(analytics.get());
        analytics->track(QStringLiteral("tap"));
        analytics->start(&session);
        if (whilePosting)
            QTRY_COMPARE_WITH_TIMEOUT(int(platform.transport->requests.size()), 1, 5000);
        analytics.reset();
        QVERIFY(!watch);
        const int posted = int(platform.transport->requests.size());
        // Several intervals and the pending answer pass: nothing more is posted and nothing touches the
        // destroyed object.
        QTest::qWait(300);
        QCOMPARE(int(platform.transport->requests.size()), posted);
    }

    // --- the shared instance

    void sharedInstanceIsTheQmlSingleton() {
        TestPlatform platform;
        Analytics &shared = Analytics::shared();
        QCOMPARE(&Analytics::shared(), &shared);
        const int before = shared.queuedCount();
        {
            QQmlEngine engine;
            QQmlComponent component(&engine);
            component.setData(R"(
                import QtQml
                import Quorvel.Core
                QtObject {
                    property var instance: Analytics
                    Component.onCompleted: Analytics.track("qml_tap", {"count": 3, "label": "好", "on": true})
                }
            )",
                              QUrl());
            std::unique_ptr<QObject> object(component.create());
            QVERIFY2(object, qPrintable(component.errorString()));
            QCOMPARE(object->property("instance").value<QObject *>(), &shared);
            QCOMPARE(QJSEngine::objectOwnership(&shared), QJSEngine::CppOwnership);
        }
        // The engine is gone; the shared queue lives on with the event.
        QCOMPARE(shared.queuedCount(), before + 1);
        const Analytics::Event event = shared.queuedEvents().last();
        QCOMPARE(event.name, QStringLiteral("qml_tap"));
        const QHash<QString, QString> props{{QStringLiteral("count"), QStringLiteral("3")},
                                            {QStringLiteral("label"), QStringLiteral("好")},
                                            {QStringLiteral("on"), QStringLiteral("true")}};
        QCOMPARE(event.props, props);
    }

    // --- end to end

    void postsToTheServiceEndToEnd() {
        DevServer server;
        QVERIFY(server.start(0) > 0);
        const QString base = QString::fromStdString(server.baseUrl());
        TestPlatform platform({{QStringLiteral("QVLApiBaseURL"), base},
                               {QStringLiteral("QVLAiBaseURL"), base},
                               {QStringLiteral("QVLTradeBaseURL"), base},
                               {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("0.1.0")}});
        NetworkTransport network;
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(&network, [](Transport *) {});
        Platform::Override realNetwork(services);
        platform.clock->set(QDateTime::currentDateTimeUtc());

        // Not signed in yet: the service refuses, and the client would not even try.
        const ApiClient direct(QUrl(base), {ApiClient::Base::Api, ApiClient::Auth::Bearer, true, true});
        QCOMPARE(Await::result(network.send(direct.request("POST", eventsPath, QJsonObject{}))).status, 401);

        AppSession session;
        const LoginResponse grant = Await::result(AuthAPIClient().login(
            QStringLiteral("13800138000"), QString::fromStdString(DevServer::smsCode()), session));
        session.storeGrant(grant);

        // A malformed upload is refused with an error body.
        const HttpResponse malformed = Await::result(
            network.send(direct.withToken(session.accessToken())
                             .request("POST", eventsPath,
                                      QJsonObject{{"platform", "ios"},
                                                  {"events", QJsonArray{QJsonObject{{"name", "x"}}}}})));
        QCOMPARE(malformed.status, 400);
        QVERIFY(!Api::failureMessage(malformed, JsonKeys::AsIs).startsWith(QStringLiteral("请求失败")));

        Analytics analytics(100ms);
        analytics.start(&session);
        analytics.track(QStringLiteral("app_open"), {{QStringLiteral("source"), QStringLiteral("launch")}});
        analytics.track(QStringLiteral("lesson_open"),
                        {{QStringLiteral("title"), repeated(QStringLiteral("课"), 80)}});
        const QList<Analytics::Event> sent = analytics.queuedEvents();

        // The loop posts them.
        QTRY_COMPARE_WITH_TIMEOUT(analytics.queuedCount(), 0, 10000);
        std::vector<DevServer::ReceivedEvent> received = server.receivedEvents();
        QCOMPARE(received.size(), size_t(2));
        for (size_t i = 0; i < received.size(); ++i) {
            QCOMPARE(QString::fromStdString(received[i].eventId), sent.at(qsizetype(i)).eventId);
            QCOMPARE(QString::fromStdString(received[i].name), sent.at(qsizetype(i)).name);
            QCOMPARE(QString::fromStdString(received[i].occurredAt), sent.at(qsizetype(i)).occurredAt);
        }
        QCOMPARE(QString::fromStdString(received[0].props.at("source")), QStringLiteral("launch"));
        QCOMPARE(QString::fromStdString(received[1].props.at("title")), repeated(QStringLiteral("课"), 64));

        // Driven by hand from here on: a server error keeps the batch, an expired token is renewed on the
        // way.
        Analytics manual(kIdle);
        manual.start(&session);
        manual.track(QStringLiteral("tts_play"));
        server.failNext(eventsPath.toStdString(), 503);
        Await::result(manual.flush());
        QCOMPARE(manual.queuedCount(), 1);
        QCOMPARE(server.receivedEvents().size(), size_t(2));
        server.expireAccessTokens();
        const int refreshes = server.requestCount("/api/v1/auth/refresh");
        Await::result(manual.flush());
        QCOMPARE(manual.queuedCount(), 0);
        QCOMPARE(server.requestCount("/api/v1/auth/refresh"), refreshes + 1);
        QCOMPARE(server.receivedEvents().size(), size_t(3));
        QCOMPARE(QString::fromStdString(server.receivedEvents().back().name), QStringLiteral("tts_play"));

        // A burst past the early-flush threshold: overlapping posts repeat events, the service keeps each
        // once and the queue empties.
        const int postsBefore = server.requestCount(eventsPath.toStdString());
        record(manual, 0, 30);
        QTRY_COMPARE_WITH_TIMEOUT(manual.queuedCount(), 0, 10000);
        // The queue can empty while an earlier, overlapping post is still being answered: each ends before
        // the recorder and the transport go, or its flush would be left waiting for good.
        QTRY_COMPARE_WITH_TIMEOUT(network.underwayCount(), 0, 10000);
        QCOMPARE(server.requestCount(eventsPath.toStdString()), postsBefore + 11); // from the 20th on
        received = server.receivedEvents();
        QCOMPARE(received.size(), size_t(33));
        QCOMPARE(QString::fromStdString(received.back().name), QStringLiteral("e29"));
        // The server stops last, after the transport has closed its connections: a connection left idle would
        // hold one of its workers until the read timeout.
    }
};

QTEST_MAIN(TestAnalytics)
#include "tst_analytics.moc"
