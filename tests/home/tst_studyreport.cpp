// The study report as it arrives (which keys it needs, which may be missing or null, which numbers must be
// whole) and its one request: the headers, the renewal on 401, and how every kind of answer comes back.
#include "AppSession.h"
#include "Await.h"
#include "ErrorText.h"
#include "Fixtures.h"
#include "StudyReportClient.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;
using Change = Fixtures::Change;

const QString reportFile = QStringLiteral("home/study-report.json");
const QString refreshPath = QStringLiteral("/api/v1/auth/refresh");

QByteArray report(std::initializer_list<Change> changes = {}) {
    return Fixtures::patched(reportFile, changes);
}

Reply noHttpAnswer() {
    Reply reply;
    reply.status = -1;
    return reply;
}

// -1 for an absent rate.
qint64 orAbsent(const std::optional<qint64> &value) {
    return value.value_or(-1);
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestStudyReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each wire key lands in its field, nested lists in order.
    void wholeReport() {
        const StudyReport r = StudyReport::fromJson(JsonReader::parse(report(), JsonKeys::FromSnakeCase));
        QCOMPARE(QList<qint64>({r.windowDays, r.minAttempts, r.week.attempts, r.week.correct,
                                r.week.lessonsCompleted, r.week.activeDays}),
                 QList<qint64>({7, 3, 12, 9, 2, 3}));
        QCOMPARE(r.days.size(), 7);
        QCOMPARE(r.days[1].date + QStringLiteral(" %1/%2").arg(r.days[1].attempts).arg(r.days[1].correct),
                 QStringLiteral("2026-02-24 4/3"));
        QCOMPARE(r.chapters.size(), 1);
        QCOMPARE(r.chapters[0].chapterCode + u' ' + r.chapters[0].chapterName,
                 QStringLiteral("math-g7a-c1 有理数"));
        const StudyReport::Kp &kp = r.weakPoints.value(0);
        QCOMPARE(QStringList({kp.kpCode, kp.kpName, kp.level}),
                 QStringList({"math-g7a-c1-02", "有理数与数轴", "weak"}));
        QCOMPARE(QList<qint64>({kp.attempts, kp.correct, orAbsent(kp.correctRate), kp.openWrong}),
                 QList<qint64>({5, 2, 40, 2}));
        QCOMPARE(r.chapters[0].kps.size(), 3);
        QCOMPARE(r.chapters[0].kps[2].correctRate, std::nullopt);
    }

    // Which bodies decode, and what the optional rates become.
    void decoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<qint64>("weekRate"); // -1: absent
        QTest::addColumn<qint64>("kpRate");   // of the first chapter's first point; -1: absent

        QTest::newRow("whole") << report() << true << qint64(75) << qint64(100);
        QTest::newRow("week rate missing")
            << report({{"week.correct_rate", QJsonValue()}}) << true << qint64(-1) << qint64(100);
        QTest::newRow("week rate null")
            << report({{"week.correct_rate", QJsonValue::Null}}) << true << qint64(-1) << qint64(100);
        QTest::newRow("point rate missing")
            << report({{"chapters.0.kps.0.correct_rate", QJsonValue()}}) << true << qint64(75) << qint64(-1);
        QTest::newRow("point rate null") << report({{"chapters.0.kps.0.correct_rate", QJsonValue::Null}})
                                         << true << qint64(75) << qint64(-1);
        QTest::newRow("whole number written with a point")
            << report({{"week.correct_rate", 80.0}}) << true << qint64(80) << qint64(100);
        QTest::newRow("extra keys everywhere") << report({{"extra", "x"},
                                                          {"week.trend", QJsonArray{1, 2}},
                                                          {"days.0.weekday", "周一"},
                                                          {"chapters.0.subject", "math"},
                                                          {"chapters.0.kps.0.hint", QJsonObject{{"a", 1}}},
                                                          {"weak_points.0.extra", true}})
                                               << true << qint64(75) << qint64(100);
        QTest::newRow("empty lists") << report({{"days", QJsonArray()},
                                                {"chapters", QJsonArray()},
                                                {"weak_points", QJsonArray()}})
                                     << true << qint64(75) << qint64(-1);
        QTest::newRow("chapter without points")
            << report({{"chapters.0.kps", QJsonArray()}}) << true << qint64(75) << qint64(-1);

        const auto fails = [](const char *name, const QByteArray &body) {
            QTest::newRow(name) << body << false << qint64(-1) << qint64(-1);
        };
        fails("fractional week rate", report({{"week.correct_rate", 75.5}}));
        fails("fractional point rate", report({{"weak_points.0.correct_rate", 40.5}}));
        fails("rate as text", report({{"week.correct_rate", "75"}}));
        fails("weak points missing", report({{"weak_points", QJsonValue()}}));
        fails("weak points null", report({{"weak_points", QJsonValue::Null}}));
        fails("week missing", report({{"week", QJsonValue()}}));
        fails("active days missing", report({{"week.active_days", QJsonValue()}}));
        fails("day without date", report({{"days.6.date", QJsonValue()}}));
        fails("date as number", report({{"days.6.date", 20260301}}));
        fails("point level missing", report({{"chapters.0.kps.2.level", QJsonValue()}}));
        fails("open wrong missing in a weak point", report({{"weak_points.0.open_wrong", QJsonValue()}}));
        fails("point of the wrong type", report({{"weak_points.0", "math-g7a-c1-02"}}));
        fails("empty", "");
    }
    void decoding() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(qint64, weekRate);
        QFETCH(qint64, kpRate);
        try {
            const StudyReport r = StudyReport::fromJson(JsonReader::parse(body, JsonKeys::FromSnakeCase));
            QVERIFY2(decodes, "decoded a report that must fail");
            QCOMPARE(orAbsent(r.week.correctRate), weekRate);
            QCOMPARE(orAbsent(r.chapters.isEmpty() || r.chapters[0].kps.isEmpty()
                                  ? std::nullopt
                                  : r.chapters[0].kps[0].correctRate),
                     kpRate);
        } catch (const JsonDecodeError &error) {
            QVERIFY2(!decodes, error.what());
        }
    }

    // The request as sent, and every kind of answer: one row per sequence of answers to the report's GET.
    void request_data() {
        QTest::addColumn<QList<Reply>>("replies");
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<bool>("refreshGrants"); // whether a renewal gets a new token
        QTest::addColumn<QString>("outcome");    // "ok <active days>", "decoding", "bad response", "offline"
        QTest::addColumn<QList<QByteArray>>("authorizations"); // of each GET sent; "-" for none
        QTest::addColumn<int>("refreshes");

        using Q = QList<QByteArray>;
        using T = std::optional<QString>;
        const Reply ok = Reply::json(200, report());
        const Reply unauthorized = Reply::json(401, R"({"message":"登录已过期"})");
        QTest::newRow("200") << QList<Reply>{ok} << T("tok") << true << "ok 3" << Q{"Bearer tok"} << 0;
        QTest::newRow("201") << QList<Reply>{Reply::json(201, report())} << T("tok") << true << "ok 3"
                             << Q{"Bearer tok"} << 0;
        QTest::newRow("204 without a body")
            << QList<Reply>{Reply::json(204, {})} << T("tok") << true << "decoding" << Q{"Bearer tok"} << 0;
        QTest::newRow("200 not a report") << QList<Reply>{Reply::json(200, R"({"week":{}})")} << T("tok")
                                          << true << "decoding" << Q{"Bearer tok"} << 0;
        QTest::newRow("500 with a message")
            << QList<Reply>{Reply::json(500, R"({"message":"服务暂时不可用"})")} << T("tok") << true
            << "bad response" << Q{"Bearer tok"} << 0;
        QTest::newRow("404") << QList<Reply>{Reply::json(404, "{}")} << T("tok") << true << "bad response"
                             << Q{"Bearer tok"} << 0;
        QTest::newRow("304") << QList<Reply>{Reply::json(304, {})} << T("tok") << true << "bad response"
                             << Q{"Bearer tok"} << 0;
        QTest::newRow("not HTTP") << QList<Reply>{noHttpAnswer()} << T("tok") << true << "bad response"
                                  << Q{"Bearer tok"} << 0;
        QTest::newRow("no connection") << QList<Reply>{Reply::error(TransportError::Kind::NoConnection)}
                                       << T("tok") << true << "offline" << Q{"Bearer tok"} << 0;
        QTest::newRow("401 renewed once, then 200") << QList<Reply>{unauthorized, ok} << T("tok") << true
                                                    << "ok 3" << Q{"Bearer tok", "Bearer new"} << 1;
        QTest::newRow("401 twice") << QList<Reply>{unauthorized, unauthorized} << T("tok") << true
                                   << "bad response" << Q{"Bearer tok", "Bearer new"} << 1;
        QTest::newRow("401, renewal refused")
            << QList<Reply>{unauthorized, ok} << T("tok") << false << "bad response" << Q{"Bearer tok"} << 1;
        QTest::newRow("no token: no header") << QList<Reply>{ok} << T() << true << "ok 3" << Q{"-"} << 0;
        QTest::newRow("no token, 401 not renewed")
            << QList<Reply>{unauthorized, ok} << T() << true << "bad response" << Q{"-"} << 0;
        QTest::newRow("empty token still sent")
            << QList<Reply>{ok} << T("") << true << "ok 3" << Q{"Bearer "} << 0;
    }
    void request() {
        QFETCH(QList<Reply>, replies);
        QFETCH(std::optional<QString>, token);
        QFETCH(bool, refreshGrants);
        QFETCH(QString, outcome);
        QFETCH(QList<QByteArray>, authorizations);
        QFETCH(int, refreshes);

        QJsonObject bundle = TestPlatform::defaultBundle();
        bundle.insert(QStringLiteral("QVLApiBaseURL"), QStringLiteral("https://api.test.example/base/"));
        TestPlatform platform(bundle);
        for (const Reply &reply : replies)
            platform.transport->on("GET", QStringLiteral("/base") + StudyReportClient::path, reply);
        platform.transport->on(
            "POST", QStringLiteral("/base") + refreshPath,
            refreshGrants ? Reply::json(200, Fixtures::patched("auth/grant.json", {{"access_token", "new"}}))
                          : Reply::json(401, R"({"message":"请重新登录"})"));
        AppSession session;
        session.setAccessToken(token);
        session.setRefreshToken(QStringLiteral("rt"));

        QString got;
        try {
            const StudyReport r = Await::result(StudyReportClient().fetch(session));
            got = QStringLiteral("ok %1").arg(r.week.activeDays);
        } catch (const ApiError &error) {
            got = error.kind() == ApiError::Kind::Decoding            ? QStringLiteral("decoding")
                  : error.kind() == ApiError::Kind::BadServerResponse ? QStringLiteral("bad response")
                  : error.kind() == ApiError::Kind::NoConnection      ? QStringLiteral("offline")
                                                                      : QStringLiteral("other");
            // Never the server's own words: the failed body is not read.
            QVERIFY(!errorText(std::current_exception())->contains(QStringLiteral("服务暂时不可用")));
        }
        QCOMPARE(got, outcome);

        const QList<HttpRequest> sent =
            platform.transport->requestsTo(QStringLiteral("/base") + StudyReportClient::path);
        QList<QByteArray> sentAuthorizations;
        for (const HttpRequest &request : sent) {
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(request.url.toString(),
                     QStringLiteral("https://api.test.example/base/api/v1/me/study-report"));
            QCOMPARE(request.timeoutMs, 60000);
            QVERIFY(request.body.isEmpty());
            QVERIFY(!request.hasHeader("Content-Type"));
            QCOMPARE(request.headers.size(), request.hasHeader("Authorization") ? 1 : 0);
            sentAuthorizations.append(request.header("Authorization").value_or("-"));
        }
        QCOMPARE(sentAuthorizations, authorizations);
        QCOMPARE(platform.transport->count(QStringLiteral("/base") + refreshPath), refreshes);
    }
};

QTEST_GUILESS_MAIN(TestStudyReport)
#include "tst_studyreport.moc"
