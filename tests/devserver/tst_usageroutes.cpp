// The stand-in's youth protection, spoken to over plain HTTP: adults and learners without a birth month never
// limited at any hour, minors' defaults by age band, the rest periods at their edges, the heartbeat's counter
// and its refusals, the checks of a limits save, one allowance behind usage and limits, the control that
// forces usage answers, and what a restart keeps. "Now" is fixed in Shanghai so no test waits for the night.
#include "DevServer.h"
#include "HttpProbe.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <memory>
#include <stdexcept>

namespace {

using namespace HttpProbe;

const QString kPhone = QStringLiteral("13800138000");
const QTimeZone kShanghai(8 * 60 * 60);

QDate shanghaiToday() {
    return QDateTime::currentDateTimeUtc().toTimeZone(kShanghai).date();
}

// Today in Shanghai at the given "HH:MM", `days` later.
qint64 shanghaiAt(const QString &clock, int days = 0) {
    return QDateTime(shanghaiToday().addDays(days), QTime::fromString(clock, QStringLiteral("HH:mm")),
                     kShanghai)
        .toMSecsSinceEpoch();
}

// A birth month that makes the learner exactly `age` today.
QString birthMonthForAge(int age) {
    return shanghaiToday().addYears(-age).addMonths(-1).toString(QStringLiteral("yyyy-MM"));
}

QJsonArray periods(std::initializer_list<std::pair<const char *, const char *>> list) {
    QJsonArray array;
    for (const auto &[start, end] : list)
        array.append(QJsonObject{{"start", start}, {"end", end}});
    return array;
}

const QJsonArray kNight = periods({{"22:00", "06:00"}});

QJsonObject object(const QString &text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

QByteArray limitsBody(const QJsonValue &daily, const QJsonValue &blocked) {
    return json({{"daily_minutes", daily}, {"blocked_periods", blocked}});
}

} // namespace

class TestUsageRoutes : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    Reply call(const std::string &method, const std::string &path, const QByteArray &body = {}) const {
        return request(m_port, method, path, body, m_token);
    }
    QJsonObject usage() const { return call("GET", "/api/v1/me/usage").json; }
    QJsonObject limits() const { return call("GET", "/api/v1/me/limits").json; }
    Reply beat(int seconds) const {
        return call("POST", "/api/v1/me/usage/heartbeat", json({{"delta_seconds", seconds}}));
    }
    void becomeAge(int age) {
        const Reply reply =
            call("PUT", "/api/v1/me/profile", json({{"birth_year_month", birthMonthForAge(age)}}));
        QCOMPARE(reply.status, 200);
    }
    void startServer(const std::string &stateFile = {}) {
        m_server = std::make_unique<DevServer>();
        if (!stateFile.empty())
            QVERIFY(m_server->setStateFile(stateFile));
        m_server->fixUsageClock(shanghaiAt("12:00"));
        m_port = m_server->start();
        QVERIFY(m_port > 0);
        m_token = signIn(m_port, kPhone);
        QVERIFY(!m_token.isEmpty());
    }

private slots:
    void init() { startServer(); }
    void cleanup() { m_server.reset(); }

    void signInRequired_data() {
        QTest::addColumn<QString>("route"); // method and path
        QTest::addColumn<QString>("token");
        QTest::newRow("usage, none") << QStringLiteral("GET /api/v1/me/usage") << QString();
        QTest::newRow("usage, unknown")
            << QStringLiteral("GET /api/v1/me/usage") << QStringLiteral("at_unknown");
        QTest::newRow("heartbeat") << QStringLiteral("POST /api/v1/me/usage/heartbeat") << QString();
        QTest::newRow("limits") << QStringLiteral("GET /api/v1/me/limits") << QString();
        QTest::newRow("save limits") << QStringLiteral("PUT /api/v1/me/limits")
                                     << QStringLiteral("at_unknown");
    }
    void signInRequired() {
        QFETCH(QString, route);
        QFETCH(QString, token);
        const QString method = route.section(' ', 0, 0);
        const QByteArray body = method == "GET" ? QByteArray() : json({{"delta_seconds", 60}});
        const Reply reply =
            request(m_port, method.toStdString(), route.section(' ', 1).toStdString(), body, token);
        QCOMPARE(reply.status, 401);
        QCOMPARE(reply.errorCode(), QStringLiteral("unauthorized"));
    }

    // No birth month, or 18 and over: nothing enforced at any hour, though the minutes are still counted.
    void notEnforced_data() {
        QTest::addColumn<int>("age"); // -1: no birth month given
        QTest::addColumn<QString>("clock");
        for (const int age : {-1, 18, 40})
            for (const char *clock : {"03:00", "12:00", "22:00", "23:59"})
                QTest::addRow("age %d at %s", age, clock) << age << QString::fromLatin1(clock);
    }
    void notEnforced() {
        QFETCH(int, age);
        QFETCH(QString, clock);
        if (age >= 0)
            becomeAge(age);
        m_server->fixUsageClock(shanghaiAt(clock));
        QCOMPARE(beat(90).status, 200);
        QCOMPARE(beat(90).status, 200);
        const char *usageJson = R"({"enforced": false, "blocked_now": false, "daily_exceeded": false,
                                    "daily_minutes": 0, "used_minutes": 3, "remaining_minutes": 0})";
        QCOMPARE(usage(), object(usageJson));
        const char *limitsJson = R"({"daily_minutes": 0, "blocked_periods": [], "enforced": false,
                                     "editable": false, "used_minutes": 3, "remaining_minutes": 0,
                                     "min_daily_minutes": null, "max_daily_minutes": null})";
        QCOMPARE(limits(), object(limitsJson));
        const Reply save = call("PUT", "/api/v1/me/limits", limitsBody(30, kNight));
        QCOMPARE(save.status, 403);
        QVERIFY(isChinese(save.errorMessage()));
    }

    void minorDefaults_data() {
        QTest::addColumn<int>("age");
        QTest::addColumn<int>("daily");
        QTest::newRow("6") << 6 << 40;
        QTest::newRow("7") << 7 << 40;
        QTest::newRow("8") << 8 << 60;
        QTest::newRow("13") << 13 << 60;
        QTest::newRow("14") << 14 << 90;
        QTest::newRow("15") << 15 << 90;
        QTest::newRow("16") << 16 << 120;
        QTest::newRow("17") << 17 << 120;
    }
    void minorDefaults() {
        QFETCH(int, age);
        QFETCH(int, daily);
        becomeAge(age);
        const QString limitsJson = QStringLiteral(R"({"daily_minutes": %1, "enforced": true, "editable": true,
                                   "blocked_periods": [{"start": "22:00", "end": "06:00"}],
                                   "used_minutes": 0, "remaining_minutes": %1,
                                   "min_daily_minutes": 15, "max_daily_minutes": %1})");
        QCOMPARE(limits(), object(limitsJson.arg(daily)));
        const QString usageJson = QStringLiteral(R"({"enforced": true, "blocked_now": false,
                                  "daily_exceeded": false, "daily_minutes": %1, "used_minutes": 0,
                                  "remaining_minutes": %1})");
        QCOMPARE(usage(), object(usageJson.arg(daily)));
    }

    // Start included, end left out, past midnight when the end comes first.
    void restPeriods_data() {
        QTest::addColumn<QJsonArray>("blocked");
        QTest::addColumn<QString>("clock");
        QTest::addColumn<bool>("blockedNow");
        const QJsonArray noon = periods({{"22:00", "06:00"}, {"12:00", "13:00"}});
        QTest::newRow("21:59") << kNight << "21:59" << false;
        QTest::newRow("22:00") << kNight << "22:00" << true;
        QTest::newRow("23:59") << kNight << "23:59" << true;
        QTest::newRow("00:00") << kNight << "00:00" << true;
        QTest::newRow("05:59") << kNight << "05:59" << true;
        QTest::newRow("06:00") << kNight << "06:00" << false;
        QTest::newRow("noon, default") << kNight << "12:30" << false;
        QTest::newRow("noon, rest") << noon << "12:30" << true;
        QTest::newRow("noon rest ended") << noon << "13:00" << false;
    }
    void restPeriods() {
        QFETCH(QJsonArray, blocked);
        QFETCH(QString, clock);
        QFETCH(bool, blockedNow);
        becomeAge(12);
        QCOMPARE(call("PUT", "/api/v1/me/limits", limitsBody(60, blocked)).status, 200);
        m_server->fixUsageClock(shanghaiAt(clock));
        const QJsonObject answer = usage();
        QCOMPARE(answer.value("blocked_now").toBool(), blockedNow);
        QCOMPARE(answer.value("reason_code").toString(), blockedNow ? "blocked_period" : QString());
        QCOMPARE(isChinese(answer.value("message").toString()), blockedNow);
        QCOMPARE(answer.contains("message"), blockedNow);
    }

    // Seconds add up to whole minutes of the day in Shanghai; the allowance runs out; a new day starts over.
    void heartbeatCounts() {
        becomeAge(12);
        QCOMPARE(call("PUT", "/api/v1/me/limits", limitsBody(15, kNight)).status, 200);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(beat(60).status, 200);
        const Reply partial = beat(59); // 239 s
        QCOMPARE(partial.json.value("used_minutes").toInt(), 3);
        QCOMPARE(partial.json.value("remaining_minutes").toInt(), 12);
        QVERIFY(!partial.json.contains("reason_code"));
        for (int i = 0; i < 4; ++i)
            beat(180); // 959 s
        const QJsonObject over = usage();
        QCOMPARE(over.value("used_minutes").toInt(), 15);
        QCOMPARE(over.value("remaining_minutes").toInt(), 0);
        QVERIFY(over.value("daily_exceeded").toBool());
        QCOMPARE(over.value("reason_code").toString(), QStringLiteral("daily_limit"));
        QVERIFY(isChinese(over.value("message").toString()));
        QCOMPARE(limits().value("used_minutes").toInt(), 15);

        m_server->fixUsageClock(shanghaiAt("08:00", 1));
        QCOMPARE(usage().value("used_minutes").toInt(), 0);
        QCOMPARE(beat(120).json.value("used_minutes").toInt(), 2);
        QVERIFY(!usage().value("daily_exceeded").toBool());
    }

    void heartbeatDelta_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("used");
        QTest::newRow("1") << QByteArray(R"({"delta_seconds":1})") << 200 << 0;
        QTest::newRow("180") << QByteArray(R"({"delta_seconds":180})") << 200 << 3;
        QTest::newRow("0") << QByteArray(R"({"delta_seconds":0})") << 400 << 0;
        QTest::newRow("181") << QByteArray(R"({"delta_seconds":181})") << 400 << 0;
        QTest::newRow("negative") << QByteArray(R"({"delta_seconds":-60})") << 400 << 0;
        QTest::newRow("fraction") << QByteArray(R"({"delta_seconds":1.5})") << 400 << 0;
        QTest::newRow("text") << QByteArray(R"({"delta_seconds":"60"})") << 400 << 0;
        QTest::newRow("null") << QByteArray(R"({"delta_seconds":null})") << 400 << 0;
        QTest::newRow("missing") << QByteArray("{}") << 400 << 0;
        QTest::newRow("not JSON") << QByteArray("delta_seconds=60") << 400 << 0;
    }
    void heartbeatDelta() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(int, used);
        const Reply reply = call("POST", "/api/v1/me/usage/heartbeat", body);
        QCOMPARE(reply.status, status);
        if (status == 200)
            QCOMPARE(reply.json, usage()); // answered like the usage query
        else
            QVERIFY(isChinese(reply.errorMessage()));
        QCOMPARE(usage().value("used_minutes").toInt(), used);
    }

    // A 14-year-old (at most 90 minutes) saving their limits.
    void saveLimits_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message"); // empty: saved
        const QString minutes = QStringLiteral("每日时长应在 15 到 90 分钟之间");
        const QString format = QStringLiteral("时间格式应为 HH:MM，例如 21:30");
        const QString night = QStringLiteral("22:00–06:00 的夜间休息不能取消");
        const QString shape = QStringLiteral("休息时段格式不正确");
        QTest::newRow("lowest") << limitsBody(15, kNight) << QString();
        QTest::newRow("highest") << limitsBody(90, kNight) << QString();
        QTest::newRow("night widened") << limitsBody(45, periods({{"21:00", "07:30"}})) << QString();
        QTest::newRow("night split at midnight")
            << limitsBody(45, periods({{"00:00", "06:00"}, {"22:00", "00:00"}})) << QString();
        QTest::newRow("four") << limitsBody(45, periods({{"22:00", "06:00"},
                                                         {"07:00", "07:30"},
                                                         {"12:00", "13:00"},
                                                         {"18:00", "19:00"}}))
                              << QString();
        QTest::newRow("14 minutes") << limitsBody(14, kNight) << minutes;
        QTest::newRow("91 minutes") << limitsBody(91, kNight) << minutes;
        QTest::newRow("fraction") << limitsBody(45.5, kNight) << minutes;
        QTest::newRow("text minutes") << limitsBody("45", kNight) << minutes;
        QTest::newRow("no minutes") << json({{"blocked_periods", kNight}}) << minutes;
        QTest::newRow("five") << limitsBody(45, periods({{"22:00", "06:00"},
                                                         {"07:00", "07:30"},
                                                         {"12:00", "13:00"},
                                                         {"18:00", "19:00"},
                                                         {"20:00", "21:00"}}))
                              << QStringLiteral("休息时段最多 4 段");
        QTest::newRow("one digit hour")
            << limitsBody(45, periods({{"22:00", "06:00"}, {"7:30", "08:00"}})) << format;
        QTest::newRow("24:00") << limitsBody(45, periods({{"22:00", "24:00"}, {"00:00", "06:00"}})) << format;
        QTest::newRow("minute 60") << limitsBody(45, periods({{"22:00", "06:00"}, {"12:60", "13:00"}}))
                                   << format;
        QTest::newRow("seconds") << limitsBody(45, periods({{"22:00:00", "06:00"}})) << format;
        QTest::newRow("full-width digits") << limitsBody(45, periods({{"２２:００", "06:00"}})) << format;
        QTest::newRow("space") << limitsBody(45, periods({{"22:00 ", "06:00"}})) << format;
        QTest::newRow("start is end") << limitsBody(45, periods({{"22:00", "06:00"}, {"12:00", "12:00"}}))
                                      << QStringLiteral("休息时段的开始和结束不能相同");
        QTest::newRow("no periods") << limitsBody(45, QJsonArray()) << night;
        QTest::newRow("night shortened") << limitsBody(45, periods({{"23:00", "06:00"}})) << night;
        QTest::newRow("night ends early") << limitsBody(45, periods({{"22:00", "05:59"}})) << night;
        QTest::newRow("gap at midnight")
            << limitsBody(45, periods({{"22:00", "23:59"}, {"00:00", "06:00"}})) << night;
        QTest::newRow("periods not a list") << limitsBody(45, QJsonObject{{"start", "22:00"}}) << shape;
        QTest::newRow("period not an object") << limitsBody(45, QJsonArray{"22:00-06:00"}) << shape;
        QTest::newRow("no end") << limitsBody(45, QJsonArray{QJsonObject{{"start", "22:00"}}}) << shape;
    }
    void saveLimits() {
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        becomeAge(14);
        const QJsonObject before = limits();
        const Reply reply = call("PUT", "/api/v1/me/limits", body);
        if (!message.isEmpty()) {
            QCOMPARE(reply.status, 400);
            QCOMPARE(reply.errorMessage(), message);
            QCOMPARE(limits(), before); // nothing of a refused save is kept
            return;
        }
        QCOMPARE(reply.status, 200);
        const QJsonObject sent = QJsonDocument::fromJson(body).object();
        QCOMPARE(reply.json.value("daily_minutes"), sent.value("daily_minutes"));
        QCOMPARE(reply.json.value("blocked_periods"), sent.value("blocked_periods")); // as sent, in order
        QCOMPARE(reply.json.value("max_daily_minutes").toInt(), 90);
        QCOMPARE(limits(), reply.json);
    }

    // The limits' allowance and periods are what the usage answers from, over the same counter.
    void limitsDriveUsage() {
        becomeAge(10);
        QCOMPARE(call("PUT", "/api/v1/me/limits",
                      limitsBody(20, periods({{"22:00", "06:00"}, {"11:30", "12:30"}})))
                     .status,
                 200);
        beat(180);
        const QJsonObject answer = usage();
        QCOMPARE(answer.value("daily_minutes").toInt(), 20);
        QCOMPARE(answer.value("remaining_minutes").toInt(), 17);
        QVERIFY(answer.value("blocked_now").toBool()); // 12:00 lies in 11:30-12:30
        QCOMPARE(limits().value("remaining_minutes").toInt(), 17);
    }

    void forcedUsage_data() {
        QTest::addColumn<int>("age"); // -1: no birth month
        QTest::addColumn<QString>("forced");
        QTest::addColumn<QString>("expected"); // the fields that must hold
        QTest::newRow("blocked, own message")
            << -1 << R"({"blocked_now": true, "message": "测试休息"})"
            << R"({"enforced": false, "blocked_now": true, "reason_code": "blocked_period", "message": "测试休息"})";
        QTest::newRow("enforced on an adult, used up")
            << 30 << R"({"enforced": true, "used_minutes": 120})"
            << R"({"enforced": true, "daily_minutes": 120, "used_minutes": 120, "remaining_minutes": 0,
                   "daily_exceeded": true, "reason_code": "daily_limit"})";
        QTest::newRow("minor's minutes")
            << 12 << R"({"used_minutes": 25})"
            << R"({"daily_minutes": 60, "used_minutes": 25, "remaining_minutes": 35})";
        QTest::newRow("minor let off") << 12 << R"({"enforced": false})"
                                       << R"({"enforced": false, "daily_minutes": 0})";
        QTest::newRow("exceeded") << 12 << R"({"daily_exceeded": true})"
                                  << R"({"daily_exceeded": true, "reason_code": "daily_limit",
                                         "message": "今天的学习时长已经用完了，明天再来吧。"})";
    }
    void forcedUsage() {
        QFETCH(int, age);
        QFETCH(QString, forced);
        QFETCH(QString, expected);
        if (age >= 0)
            becomeAge(age);
        const QJsonObject plain = usage();
        QJsonObject control = object(forced);
        control.insert("phone", kPhone);
        QCOMPARE(request(m_port, "POST", "/__dev/usage", json(control)).status, 204);
        const QJsonObject fields = object(expected);
        for (const QJsonObject &answer : {usage(), beat(60).json}) // the heartbeat's answer too
            for (auto it = fields.begin(); it != fields.end(); ++it)
                QVERIFY2(answer.value(it.key()) == it.value(), qPrintable(it.key()));
        QCOMPARE(request(m_port, "DELETE", "/__dev/usage?phone=" + kPhone.toStdString()).status, 204);
        QJsonObject counted = plain; // back to what is computed, with the forced heartbeat counted
        counted.insert("used_minutes", 1);
        if (plain.value("enforced").toBool())
            counted.insert("remaining_minutes", plain.value("remaining_minutes").toInt() - 1);
        QCOMPARE(usage(), counted);
    }

    void controlRefusals() {
        const auto post = [this](const char *body) {
            return request(m_port, "POST", "/__dev/usage", QByteArray(body)).status;
        };
        QCOMPARE(post(R"({"phone": "13900000000", "blocked_now": true})"), 404);
        QCOMPARE(post(R"({"blocked_now": true})"), 400);
        QCOMPARE(post(R"({"phone": "13800138000", "enforced": "yes"})"), 400);
        QCOMPARE(post(R"({"phone": "13800138000", "used_minutes": -1})"), 400);
        QCOMPARE(request(m_port, "DELETE", "/__dev/usage?phone=13900000000").status, 404);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->forceUsage("13900000000", {}));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->clearUsageOverride("13900000000"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 m_server->forceUsage(kPhone.toStdString(), {{}, {}, {}, -1, {}}));
    }

    // In process: a later call replaces the earlier one whole; clearing one learner, or everyone over HTTP.
    void controlInProcess() {
        m_server->forceUsage(kPhone.toStdString(), {{}, true, {}, {}, "先休息一下"});
        QCOMPARE(usage().value("message").toString(), QStringLiteral("先休息一下"));
        m_server->forceUsage(kPhone.toStdString(), {{}, {}, {}, 7, {}});
        QVERIFY(!usage().value("blocked_now").toBool());
        QCOMPARE(usage().value("used_minutes").toInt(), 7);
        QCOMPARE(request(m_port, "DELETE", "/__dev/usage").status, 204);
        QCOMPARE(usage().value("used_minutes").toInt(), 0);
        m_server->forceUsage(kPhone.toStdString(), {{}, true, {}, {}, {}});
        m_server->clearUsageOverride(kPhone.toStdString());
        QVERIFY(!usage().value("blocked_now").toBool());
    }

    // Limits and today's minutes survive a restart on a state file; forced answers do not.
    void keptAcrossARestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        startServer(file);
        becomeAge(12);
        const QJsonArray saved = periods({{"21:30", "06:30"}, {"12:00", "12:30"}});
        QCOMPARE(call("PUT", "/api/v1/me/limits", limitsBody(30, saved)).status, 200);
        beat(180);
        m_server->forceUsage(kPhone.toStdString(), DevServer::UsageOverride{{}, {}, {}, 0, {}});

        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_server->fixUsageClock(shanghaiAt("12:45"));
        m_port = m_server->start();
        const QJsonObject kept = limits();
        QCOMPARE(kept.value("blocked_periods").toArray(), saved);
        QCOMPARE(kept.value("daily_minutes").toInt(), 30);
        QCOMPARE(usage().value("used_minutes").toInt(), 3);
    }
};

QTEST_GUILESS_MAIN(TestUsageRoutes)
#include "tst_usageroutes.moc"
