// The loopback stand-in on its own: started in-process on a free port and spoken to over plain HTTP, the way
// the client and the end-to-end suites reach it.

#include "DevServer.h"
#include "HttpProbe.h"

#include <httplib.h>

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <csignal>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace HttpProbe;

const QString kPhone = QStringLiteral("13800138000");
const QString kOtherPhone = QStringLiteral("13900139000");
const QString kDeviceId = QStringLiteral("ios-0123456789abcdef01234567");

// A whole JSON number as the wire carries it ("3600", never "3600.0").
bool isWireInteger(const QJsonValue &value) {
    return value.toVariant().typeId() == QMetaType::LongLong;
}

bool isOpaqueToken(const QString &token, const QString &prefix) {
    static const QRegularExpression hex32(QStringLiteral("^[0-9a-f]{32}$"));
    return token.startsWith(prefix) && hex32.match(token.mid(prefix.size())).hasMatch();
}

} // namespace

class TestDevServer : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;
    int m_port = 0;

    Reply get(const std::string &path, const httplib::Headers &headers = {}) const {
        return request(m_port, "GET", path, {}, headers);
    }
    Reply post(const std::string &path, const QJsonObject &body) const {
        return request(m_port, "POST", path, json(body));
    }
    Reply postRaw(const std::string &path, const QByteArray &body) const {
        return request(m_port, "POST", path, body);
    }
    Reply login(const QString &phone = kPhone) const {
        return post("/api/v1/auth/login", {{"phone", phone},
                                           {"code", QString::fromStdString(DevServer::smsCode())},
                                           {"device_id", kDeviceId}});
    }
    Reply refresh(const QString &refreshToken) const {
        return post("/api/v1/auth/refresh", {{"refresh_token", refreshToken}});
    }
    Reply me(const QString &accessToken) const { return get("/api/v1/me", bearer(accessToken)); }

    // The same control, in-process or over "/__dev/".
    void failNext(bool viaHttp, const std::string &path, int status, int count) {
        if (!viaHttp)
            return m_server->failNext(path, status, count);
        const Reply reply =
            post("/__dev/fail-next",
                 {{"path", QString::fromStdString(path)}, {"status", status}, {"count", count}});
        QCOMPARE(reply.status, 204);
    }
    void delayNext(bool viaHttp, const std::string &path, int ms, int count) {
        if (!viaHttp)
            return m_server->delayNext(path, ms, count);
        const Reply reply =
            post("/__dev/delay-next", {{"path", QString::fromStdString(path)}, {"ms", ms}, {"count", count}});
        QCOMPARE(reply.status, 204);
    }

private slots:
    void init() {
        m_server = std::make_unique<DevServer>();
        m_port = m_server->start();
        QVERIFY(m_port > 0);
    }
    void cleanup() { m_server.reset(); }

    // --- lifecycle ---

    void start_listensOnLoopbackPort() {
        QCOMPARE(QString::fromStdString(m_server->baseUrl()),
                 QStringLiteral("http://127.0.0.1:%1").arg(m_port));
        QCOMPARE(QString::fromStdString(DevServer::smsCode()), QStringLiteral("246810"));
        QVERIFY(m_server->isRunning());
        QCOMPARE(get("/api/v1/me").status, 401);
        QVERIFY_THROWS_EXCEPTION(std::logic_error, m_server->start());
    }

    void start_portInUseFails() {
        DevServer second;
        QCOMPARE(second.start(m_port), -1);
        QVERIFY(!second.isRunning());
        second.stop(); // harmless when never started
    }

    void restart_keepsAccountsAndResetsCounts() {
        const Reply first = login();
        QCOMPARE(first.status, 200);
        QCOMPARE(m_server->requestCount("/api/v1/auth/login"), 1);

        m_server->stop();
        QVERIFY(!m_server->isRunning());
        QCOMPARE(get("/api/v1/me").status, -1);

        m_server->failNext("/api/v1/me", 503); // controls may be set while stopped
        QCOMPARE(m_server->start(m_port), m_port);
        QCOMPARE(m_server->requestCount("/api/v1/auth/login"), 0);
        QCOMPARE(me(first.string("access_token")).status, 503);
        QCOMPARE(me(first.string("access_token")).status, 200);
        const Reply again = refresh(first.string("refresh_token"));
        QCOMPARE(again.status, 200);
        QCOMPARE(again.json.value("user_id"), first.json.value("user_id"));
    }

    // With a state file, a new server (a new run of the executable) still knows the accounts, tokens,
    // paths and progress of the last one; a file it cannot read is refused instead of starting empty.
    void stateFile_survivesRestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        const Reply first = login();
        QCOMPARE(first.status, 200);
        const QString access = first.string("access_token");
        const Reply created = request(m_port, "POST", "/api/v1/learning-paths",
                                      json({{"goal_type", "chapter"},
                                            {"chapter_id", "math-g7a-c1"},
                                            {"options", QJsonObject{{"prefetch", 1}}}}),
                                      bearer(access));
        QCOMPARE(created.status, 200);
        const qint64 pathId = created.json.value("path_id").toInteger();
        const qint64 firstItem =
            created.json.value("items").toArray().first().toObject().value("item_id").toInteger();
        const std::string pathUrl = "/api/v1/learning-paths/" + std::to_string(pathId);
        QCOMPARE(request(m_port, "POST", pathUrl + "/items/" + std::to_string(firstItem) + "/complete", "{}",
                         bearer(access))
                     .status,
                 200);
        const Reply before = get(pathUrl, bearer(access));
        QCOMPARE(before.status, 200);
        m_server.reset();
        QVERIFY(QFile::exists(QString::fromStdString(file)));

        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        QCOMPARE(me(access).status, 200);
        const Reply after = get(pathUrl, bearer(access));
        QCOMPARE(after.status, 200);
        QCOMPARE(after.json, before.json);
        const Reply renewed = refresh(first.string("refresh_token"));
        QCOMPARE(renewed.status, 200);
        QCOMPARE(renewed.json.value("user_id"), first.json.value("user_id"));
        // New paths and accounts do not reuse the ids of the old run.
        QCOMPARE(login(kOtherPhone).json.value("user_id").toInteger(),
                 first.json.value("user_id").toInteger() + 1);
        const Reply another = request(m_port, "POST", "/api/v1/learning-paths",
                                      json({{"goal_type", "chapter"},
                                            {"chapter_id", "math-g7a-c1"},
                                            {"options", QJsonObject{{"prefetch", 1}}}}),
                                      bearer(access));
        QVERIFY(another.json.value("path_id").toInteger() > pathId);

        // A server without the file starts empty, as the tests rely on.
        m_server = std::make_unique<DevServer>();
        m_port = m_server->start();
        QCOMPARE(me(access).status, 401);

        QFile broken(QString::fromStdString(file));
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("{\"version\":1,");
        broken.close();
        DevServer refusing;
        std::string error;
        QVERIFY(!refusing.setStateFile(file, &error));
        QVERIFY(!error.empty());
        QProcess process;
        process.start(QStringLiteral(QVL_DEVSERVER_EXE),
                      {"--port", "0", "--state", QString::fromStdString(file)});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 1);
    }

    // The plan summary follows the learner's newest path lesson by lesson; no path is 204 without a body.
    void learningPlan_followsTheNewestPath() {
        const QString access = login().string("access_token");
        const QString other = login(kOtherPhone).string("access_token");
        const std::string planPath = "/api/v1/me/learning-plan";
        QCOMPARE(get(planPath).status, 401);
        const Reply none = get(planPath, bearer(access));
        QCOMPARE(none.status, 204);
        QVERIFY(none.body.isEmpty());

        const auto create = [&](const QJsonObject &body) {
            return request(m_port, "POST", "/api/v1/learning-paths", json(body), bearer(access)).json;
        };
        const QJsonObject options{{"prefetch", 1}};
        create({{"goal_type", "chapter"}, {"chapter_id", "math-g7a-c1"}, {"options", options}});
        const QJsonObject newest = create({{"goal_type", "topic"},
                                           {"chapter_id", "math-g7a-c1"},
                                           {"kp_codes", QJsonArray{"math-g7a-c1-01", "math-g7a-c1-02"}},
                                           {"options", options}});
        const QJsonArray items = newest.value("items").toArray();
        QCOMPARE(items.size(), 2);

        const auto expect = [&](qint64 completed, qint64 unlocked, const QJsonValue &current) {
            const Reply plan = get(planPath, bearer(access));
            QCOMPARE(plan.status, 200);
            const QJsonObject expected{{"path_id", newest.value("path_id")},
                                       {"goal", newest.value("goal")},
                                       {"total", 2},
                                       {"completed", completed},
                                       {"unlocked_order", unlocked},
                                       {"current", current}};
            QCOMPARE(plan.json, expected);
            for (const char *key : {"path_id", "total", "completed", "unlocked_order"})
                QVERIFY2(isWireInteger(plan.json.value(QLatin1String(key))), key);
        };
        expect(0, 1, QJsonObject{{"order", 1}, {"kp_name", "正数和负数"}, {"state", "Ready"}});
        const std::string pathUrl =
            "/api/v1/learning-paths/" + std::to_string(newest.value("path_id").toInteger());
        for (const QJsonValue &item : items) {
            const std::string itemId = std::to_string(item.toObject().value("item_id").toInteger());
            QCOMPARE(request(m_port, "POST", pathUrl + "/items/" + itemId + "/complete", "{}", bearer(access))
                         .status,
                     200);
            if (item == items.first())
                expect(1, 2, QJsonObject{{"order", 2}, {"kp_name", "有理数与数轴"}, {"state", "Ready"}});
        }
        // Every lesson done: no lesson under way.
        expect(2, 2, QJsonValue::Null);
        // Another learner's paths are not theirs.
        QCOMPARE(get(planPath, bearer(other)).status, 204);
    }

    void stop_cutsInjectedDelaysShort() {
        m_server->delayNext("/api/v1/me", 30000);
        Reply delayed;
        std::thread client([&delayed, port = m_port] { delayed = request(port, "GET", "/api/v1/me"); });
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/api/v1/me"), 1, 5000);
        QThread::msleep(50); // let the worker reach its wait

        QElapsedTimer timer;
        timer.start();
        m_server->stop();
        client.join();
        QVERIFY2(timer.elapsed() < 5000, "stop waited for the injected delay");
        QCOMPARE(delayed.status, 401); // answered, not dropped
    }

    // --- SMS code ---

    void sendCode_data() {
        QTest::addColumn<QJsonValue>("phone");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");

        QTest::newRow("valid") << QJsonValue(kPhone) << 200 << QString();
        QTest::newRow("10 digits") << QJsonValue("1380013800") << 400 << "invalid_phone";
        QTest::newRow("12 digits") << QJsonValue("138001380001") << 400 << "invalid_phone";
        QTest::newRow("first digit not 1") << QJsonValue("23800138000") << 400 << "invalid_phone";
        QTest::newRow("letter") << QJsonValue("1380013800a") << 400 << "invalid_phone";
        QTest::newRow("full-width digits")
            << QJsonValue(QStringLiteral("１３８００１３８０００")) << 400 << "invalid_phone";
        QTest::newRow("surrounding space") << QJsonValue(" 13800138000") << 400 << "invalid_phone";
        QTest::newRow("plus prefix") << QJsonValue("+8613800138") << 400 << "invalid_phone";
        QTest::newRow("empty") << QJsonValue("") << 400 << "invalid_phone";
        QTest::newRow("number, not text") << QJsonValue(13800138000.0) << 400 << "invalid_request";
        QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << 400 << "invalid_request";
    }
    void sendCode() {
        QFETCH(QJsonValue, phone);
        QFETCH(int, status);
        QFETCH(QString, code);

        QJsonObject body{{"scene", "login"}, {"captcha_token", "qv"}};
        if (!phone.isUndefined())
            body.insert("phone", phone);
        const Reply reply = post("/api/v1/sms/code", body);
        QCOMPARE(reply.status, status);
        if (status == 200) {
            QVERIFY(isWireInteger(reply.json.value("expires_in")));
            QCOMPARE(reply.json.value("expires_in").toInteger(), 300);
            QVERIFY(isWireInteger(reply.json.value("resend_after")));
            QCOMPARE(reply.json.value("resend_after").toInteger(), 60);
            return;
        }
        QCOMPARE(reply.errorCode(), code);
        QVERIFY(!reply.errorMessage().isEmpty());
        if (code == QLatin1String("invalid_phone"))
            QCOMPARE(reply.errorMessage(), QStringLiteral("手机号格式不正确"));
    }

    void sendCode_resendTooSoonIsRefusedPerPhone() {
        const QJsonObject body{{"phone", kPhone}, {"scene", "login"}, {"captcha_token", "qv"}};
        QCOMPARE(post("/api/v1/sms/code", body).status, 200);

        const Reply again = post("/api/v1/sms/code", body);
        QCOMPARE(again.status, 429);
        QCOMPARE(again.errorCode(), QStringLiteral("too_many_requests"));
        QVERIFY(again.errorMessage().contains(QStringLiteral("频繁")));
        const int retryAfter = std::stoi(again.header("Retry-After"));
        QVERIFY(retryAfter >= 1 && retryAfter <= 60);

        QJsonObject other = body;
        other.insert("phone", kOtherPhone);
        QCOMPARE(post("/api/v1/sms/code", other).status, 200);
    }

    // --- login ---

    void login_refused_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");

        const QString right = QString::fromStdString(DevServer::smsCode());
        auto body = [](QJsonValue phone, QJsonValue code, QJsonValue device) {
            QJsonObject object;
            if (!phone.isUndefined())
                object.insert("phone", phone);
            if (!code.isUndefined())
                object.insert("code", code);
            if (!device.isUndefined())
                object.insert("device_id", device);
            return json(object);
        };
        const QJsonValue missing(QJsonValue::Undefined);

        QTest::newRow("wrong code") << body(kPhone, "123456", kDeviceId) << "invalid_code"
                                    << "验证码错误";
        QTest::newRow("code with a space") << body(kPhone, " " + right, kDeviceId) << "invalid_code"
                                           << "验证码错误";
        QTest::newRow("empty code") << body(kPhone, "", kDeviceId) << "invalid_code"
                                    << "验证码错误";
        QTest::newRow("bad phone") << body("12345", right, kDeviceId) << "invalid_phone"
                                   << "手机号格式不正确";
        QTest::newRow("code as number") << body(kPhone, 246810, kDeviceId) << "invalid_request" << QString();
        QTest::newRow("missing code") << body(kPhone, missing, kDeviceId) << "invalid_request" << QString();
        QTest::newRow("missing phone") << body(missing, right, kDeviceId) << "invalid_request" << QString();
        QTest::newRow("missing device id") << body(kPhone, right, missing) << "invalid_request" << QString();
        QTest::newRow("null device id")
            << body(kPhone, right, QJsonValue::Null) << "invalid_request" << QString();
        QTest::newRow("not JSON") << QByteArray("phone=13800138000&code=246810") << "invalid_request"
                                  << QString();
        QTest::newRow("JSON array") << QByteArray("[\"13800138000\"]") << "invalid_request" << QString();
        QTest::newRow("empty body") << QByteArray() << "invalid_request" << QString();
    }
    void login_refused() {
        QFETCH(QByteArray, body);
        QFETCH(QString, code);
        QFETCH(QString, message);

        const Reply reply = postRaw("/api/v1/auth/login", body);
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.errorCode(), code);
        if (message.isEmpty())
            QVERIFY(!reply.errorMessage().isEmpty());
        else
            QCOMPARE(reply.errorMessage(), message);
        QVERIFY(!reply.json.contains("access_token"));
    }

    void login_grantsTokensAndAccount() {
        const Reply reply = login();
        QCOMPARE(reply.status, 200);
        QVERIFY(QString::fromStdString(reply.header("Content-Type")).startsWith("application/json"));
        QVERIFY2(isOpaqueToken(reply.string("access_token"), "at_"), reply.body.constData());
        QVERIFY2(isOpaqueToken(reply.string("refresh_token"), "rt_"), reply.body.constData());
        QCOMPARE(reply.string("token_type"), QStringLiteral("Bearer"));
        QVERIFY(isWireInteger(reply.json.value("expires_in")));
        QCOMPARE(reply.json.value("expires_in").toInteger(), 3600);
        QVERIFY(isWireInteger(reply.json.value("refresh_expires_in")));
        QCOMPARE(reply.json.value("refresh_expires_in").toInteger(), 2592000);
        QVERIFY(isWireInteger(reply.json.value("user_id")));
        QCOMPARE(reply.string("status"), QStringLiteral("PendingProfile")); // until the birth month is given

        const Reply account = me(reply.string("access_token"));
        QCOMPARE(account.status, 200);
        QCOMPARE(account.json.value("user_id").toInteger(), reply.json.value("user_id").toInteger());
        QVERIFY(isWireInteger(account.json.value("tenant_id")));
        QCOMPARE(account.json.value("tenant_id").toInteger(), 1);
        QCOMPARE(account.string("status"), QStringLiteral("PendingProfile"));
        QVERIFY(account.json.contains("birth_year_month"));
        QVERIFY(account.json.value("birth_year_month").isNull());
    }

    void login_userIdIsStablePerPhone() {
        const Reply first = login(kPhone);
        const Reply second = login(kPhone);
        const Reply other = login(kOtherPhone);
        QCOMPARE(first.status, 200);
        QCOMPARE(second.status, 200);
        QCOMPARE(other.status, 200);
        QCOMPARE(second.json.value("user_id").toInteger(), first.json.value("user_id").toInteger());
        QVERIFY(other.json.value("user_id").toInteger() != first.json.value("user_id").toInteger());
        QVERIFY(second.string("access_token") != first.string("access_token"));
        QVERIFY(second.string("refresh_token") != first.string("refresh_token"));
        // Both sign-ins stay valid side by side.
        QCOMPARE(me(first.string("access_token")).status, 200);
        QCOMPARE(me(second.string("access_token")).status, 200);
    }

    // A new account waits for its birth month, also on a server started from the state file of a run whose
    // test control gave new accounts another status; giving the month moves it on.
    void newAccount_waitsForBirthMonth_data() {
        QTest::addColumn<bool>("fromEarlierRun");
        QTest::newRow("fresh server") << false;
        QTest::newRow("state file of a run that made accounts Active") << true;
    }
    void newAccount_waitsForBirthMonth() {
        QFETCH(bool, fromEarlierRun);
        QTemporaryDir folder;
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        if (fromEarlierRun) {
            m_server = std::make_unique<DevServer>();
            QVERIFY(m_server->setStateFile(file));
            m_server->setNewUserStatus("Active");
            m_port = m_server->start();
            QCOMPARE(login(kOtherPhone).string("status"), QStringLiteral("Active"));
            m_server = std::make_unique<DevServer>();
            QVERIFY(m_server->setStateFile(file));
            m_port = m_server->start();
        }
        const Reply newcomer = login(kPhone);
        QCOMPARE(newcomer.string("status"), QStringLiteral("PendingProfile"));
        const QString token = newcomer.string("access_token");
        QVERIFY(me(token).json.value("birth_year_month").isNull());
        QCOMPARE(request(m_port, "PUT", "/api/v1/me/profile", json({{"birth_year_month", "2012-09"}}), token)
                     .string("status"),
                 QStringLiteral("Active"));
        QCOMPARE(me(token).string("status"), QStringLiteral("Active"));
    }

    void newUserStatus_data() {
        QTest::addColumn<bool>("viaHttp");
        QTest::newRow("in-process") << false;
        QTest::newRow("over HTTP") << true;
    }
    void newUserStatus() {
        QFETCH(bool, viaHttp);
        auto setStatus = [&](const QString &status) {
            if (viaHttp)
                QCOMPARE(post("/__dev/new-user-status", {{"status", status}}).status, 204);
            else
                m_server->setNewUserStatus(status.toStdString());
        };

        setStatus(QStringLiteral("PendingProfile"));
        const Reply newcomer = login(kPhone);
        QCOMPARE(newcomer.string("status"), QStringLiteral("PendingProfile"));
        QCOMPARE(me(newcomer.string("access_token")).string("status"), QStringLiteral("PendingProfile"));

        // The status belongs to the user from then on, whatever later newcomers get.
        setStatus(QStringLiteral("Active"));
        QCOMPARE(login(kPhone).string("status"), QStringLiteral("PendingProfile"));
        QCOMPARE(refresh(newcomer.string("refresh_token")).string("status"),
                 QStringLiteral("PendingProfile"));
        QCOMPARE(login(kOtherPhone).string("status"), QStringLiteral("Active"));
    }

    // The birth month: given once, never ahead, "YYYY-MM"; it moves a pending account on.
    void profileBirthMonth_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("ageBand");
        const QString future = QDate::currentDate().addYears(1).toString(QStringLiteral("yyyy-MM"));
        QTest::newRow("adult") << json({{"birth_year_month", "1990-03"}}) << 200 << "adult";
        QTest::newRow("minor") << json({{"birth_year_month", QDate::currentDate().addYears(-10).toString(
                                                                 QStringLiteral("yyyy-MM"))}})
                               << 200 << "8_13";
        QTest::newRow("future") << json({{"birth_year_month", future}}) << 400 << "";
        QTest::newRow("month 13") << json({{"birth_year_month", "2010-13"}}) << 400 << "";
        QTest::newRow("one digit") << json({{"birth_year_month", "2010-3"}}) << 400 << "";
        QTest::newRow("not text") << json({{"birth_year_month", 201003}}) << 400 << "";
        QTest::newRow("not JSON") << QByteArray("{") << 400 << "";
    }
    void profileBirthMonth() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, ageBand);
        m_server->setNewUserStatus("PendingProfile");
        static int learner = 0;
        const QString phone = QStringLiteral("1390000%1").arg(++learner, 4, 10, QLatin1Char('0'));
        const QString token = login(phone).string("access_token");
        m_server->setNewUserStatus("Active");
        const Reply answer = request(m_port, "PUT", "/api/v1/me/profile", body, token);
        QCOMPARE(answer.status, status);
        const Reply account = me(token);
        if (status != 200) {
            QVERIFY(isChinese(answer.errorMessage()));
            QCOMPARE(account.string("status"), QStringLiteral("PendingProfile"));
            QVERIFY(account.json.value("birth_year_month").isNull());
            return;
        }
        QCOMPARE(answer.string("status"), QStringLiteral("Active"));
        QCOMPARE(answer.string("age_band"), ageBand);
        QCOMPARE(account.string("status"), QStringLiteral("Active"));
        QCOMPARE(account.json.value("birth_year_month"),
                 QJsonDocument::fromJson(body).object().value("birth_year_month"));
        // Once given, never changed.
        const Reply again =
            request(m_port, "PUT", "/api/v1/me/profile", json({{"birth_year_month", "1991-01"}}), token);
        QCOMPARE(again.status, 409);
        QCOMPARE(again.errorMessage(), QStringLiteral("出生年月已提交，不能修改"));
        QCOMPARE(request(m_port, "PUT", "/api/v1/me/profile", body, QString()).status, 401);
    }

    void concurrentLogins_getDistinctUsersAndTokens() {
        constexpr int kClients = 32;
        std::vector<Reply> replies(kClients);
        std::vector<std::thread> clients;
        for (int i = 0; i < kClients; ++i) {
            clients.emplace_back([&replies, i, port = m_port] {
                const QString phone = QStringLiteral("137%1").arg(i, 8, 10, QLatin1Char('0'));
                replies[i] = request(port, "POST", "/api/v1/auth/login",
                                     json({{"phone", phone},
                                           {"code", QString::fromStdString(DevServer::smsCode())},
                                           {"device_id", kDeviceId}}));
            });
        }
        for (std::thread &client : clients)
            client.join();

        QSet<qint64> users;
        QSet<QString> tokens;
        for (const Reply &reply : replies) {
            QCOMPARE(reply.status, 200);
            users.insert(reply.json.value("user_id").toInteger());
            tokens.insert(reply.string("access_token"));
            tokens.insert(reply.string("refresh_token"));
        }
        QCOMPARE(users.size(), kClients);
        QCOMPARE(tokens.size(), 2 * kClients);
    }

    // --- refresh ---

    void refresh_rotatesTheRefreshToken() {
        const Reply signIn = login();
        const QString oldRefresh = signIn.string("refresh_token");

        const Reply renewed = refresh(oldRefresh);
        QCOMPARE(renewed.status, 200);
        QVERIFY(isOpaqueToken(renewed.string("access_token"), "at_"));
        QVERIFY(isOpaqueToken(renewed.string("refresh_token"), "rt_"));
        QVERIFY(renewed.string("access_token") != signIn.string("access_token"));
        QVERIFY(renewed.string("refresh_token") != oldRefresh);
        QCOMPARE(renewed.json.value("user_id").toInteger(), signIn.json.value("user_id").toInteger());
        QCOMPARE(renewed.string("token_type"), QStringLiteral("Bearer"));
        QCOMPARE(renewed.json.value("expires_in").toInteger(), 3600);
        QCOMPARE(renewed.json.value("refresh_expires_in").toInteger(), 2592000);
        QCOMPARE(me(renewed.string("access_token")).status, 200);

        const Reply reused = refresh(oldRefresh);
        QCOMPARE(reused.status, 401);
        QCOMPARE(reused.errorCode(), QStringLiteral("invalid_refresh_token"));
        QCOMPARE(reused.errorMessage(), QStringLiteral("登录已过期，请重新登录"));

        QCOMPARE(refresh(renewed.string("refresh_token")).status, 200);
    }

    void refresh_concurrentUseOfOneTokenSucceedsOnce() {
        const QString token = login().string("refresh_token");
        constexpr int kClients = 8;
        std::vector<int> statuses(kClients);
        std::vector<std::thread> clients;
        for (int i = 0; i < kClients; ++i) {
            clients.emplace_back([&statuses, &token, i, port = m_port] {
                statuses[i] =
                    request(port, "POST", "/api/v1/auth/refresh", json({{"refresh_token", token}})).status;
            });
        }
        for (std::thread &client : clients)
            client.join();
        QCOMPARE(std::count(statuses.begin(), statuses.end(), 200), 1);
        QCOMPARE(std::count(statuses.begin(), statuses.end(), 401), kClients - 1);
    }

    void refresh_refused_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");

        QTest::newRow("unknown token") << json({{"refresh_token", "rt_0123456789abcdef0123456789abcdef"}})
                                       << 401 << "invalid_refresh_token";
        QTest::newRow("empty token") << json({{"refresh_token", ""}}) << 401 << "invalid_refresh_token";
        QTest::newRow("access token instead") << QByteArray("%AT") << 401 << "invalid_refresh_token";
        QTest::newRow("missing field") << json({}) << 400 << "invalid_request";
        QTest::newRow("number") << json({{"refresh_token", 7}}) << 400 << "invalid_request";
        QTest::newRow("not JSON") << QByteArray("refresh_token") << 400 << "invalid_request";
    }
    void refresh_refused() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, code);

        const Reply signIn = login();
        if (body == "%AT")
            body = json({{"refresh_token", signIn.string("access_token")}});
        const Reply reply = postRaw("/api/v1/auth/refresh", body);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.errorCode(), code);
        QVERIFY(!reply.errorMessage().isEmpty());
        // A refused refresh spends nothing.
        QCOMPARE(refresh(signIn.string("refresh_token")).status, 200);
    }

    // --- signed-in gate ---

    void me_unauthorized_data() {
        QTest::addColumn<QString>("authorization"); // %AT / %RT: the signed-in access / refresh token

        QTest::newRow("no header") << QString();
        QTest::newRow("bearer without token") << QStringLiteral("Bearer ");
        QTest::newRow("unknown token") << QStringLiteral("Bearer at_0123456789abcdef0123456789abcdef");
        QTest::newRow("token without scheme") << QStringLiteral("%AT");
        QTest::newRow("other scheme") << QStringLiteral("Basic %AT");
        QTest::newRow("two spaces after the scheme") << QStringLiteral("Bearer  %AT");
        QTest::newRow("two tokens") << QStringLiteral("Bearer %AT %AT");
        QTest::newRow("refresh token") << QStringLiteral("Bearer %RT");
    }
    void me_unauthorized() {
        QFETCH(QString, authorization);

        const Reply signIn = login();
        QCOMPARE(me(signIn.string("access_token")).status, 200);
        authorization.replace("%AT", signIn.string("access_token"))
            .replace("%RT", signIn.string("refresh_token"));
        httplib::Headers headers;
        if (!authorization.isNull())
            headers.emplace("Authorization", authorization.toStdString());

        const Reply reply = get("/api/v1/me", headers);
        QCOMPARE(reply.status, 401);
        QCOMPARE(reply.errorCode(), QStringLiteral("unauthorized"));
        QCOMPARE(reply.errorMessage(), QStringLiteral("登录已失效，请重新登录"));
    }

    void expireAccessTokens_data() {
        QTest::addColumn<bool>("viaHttp");
        QTest::newRow("in-process") << false;
        QTest::newRow("over HTTP") << true;
    }
    void expireAccessTokens() {
        QFETCH(bool, viaHttp);
        const Reply first = login(kPhone);
        const Reply second = login(kOtherPhone);
        QCOMPARE(me(first.string("access_token")).status, 200);

        if (viaHttp)
            QCOMPARE(post("/__dev/expire-tokens", {}).status, 204);
        else
            m_server->expireAccessTokens();

        for (const Reply *signIn : {&first, &second}) {
            const Reply refused = me(signIn->string("access_token"));
            QCOMPARE(refused.status, 401);
            QCOMPARE(refused.errorCode(), QStringLiteral("unauthorized"));
        }
        // Refresh tokens outlive the expiry, and what they grant works.
        const Reply renewed = refresh(first.string("refresh_token"));
        QCOMPARE(renewed.status, 200);
        const Reply account = me(renewed.string("access_token"));
        QCOMPARE(account.status, 200);
        QCOMPARE(account.json.value("user_id").toInteger(), first.json.value("user_id").toInteger());
        QCOMPARE(me(login(kPhone).string("access_token")).status, 200);
    }

    // --- logout ---

    void logout_endsTheWholeSignIn() {
        const Reply signIn = login();
        const Reply renewed = refresh(signIn.string("refresh_token"));
        const Reply otherSignIn = login(); // same user, another device
        QCOMPARE(me(signIn.string("access_token")).status, 200);

        const Reply reply = post("/api/v1/auth/logout", {{"refresh_token", renewed.string("refresh_token")}});
        QCOMPARE(reply.status, 204);
        QVERIFY(reply.body.isEmpty());

        QCOMPARE(refresh(renewed.string("refresh_token")).status, 401);
        QCOMPARE(me(renewed.string("access_token")).status, 401);
        // The access token from before the rotation belongs to the same sign-in.
        QCOMPARE(me(signIn.string("access_token")).status, 401);
        // Another sign-in of the same user is untouched.
        QCOMPARE(me(otherSignIn.string("access_token")).status, 200);
        QCOMPARE(refresh(otherSignIn.string("refresh_token")).status, 200);
    }

    void logout_answersNoContentWhatever_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("unknown token") << json({{"refresh_token", "rt_0123456789abcdef0123456789abcdef"}});
        QTest::newRow("already revoked") << QByteArray("%RT");
        QTest::newRow("missing field") << json({});
        QTest::newRow("number") << json({{"refresh_token", 1}});
        QTest::newRow("not JSON") << QByteArray("bye");
        QTest::newRow("empty body") << QByteArray();
    }
    void logout_answersNoContentWhatever() {
        QFETCH(QByteArray, body);
        const Reply signIn = login();
        if (body == "%RT") {
            const QByteArray logout = json({{"refresh_token", signIn.string("refresh_token")}});
            QCOMPARE(postRaw("/api/v1/auth/logout", logout).status, 204);
            body = logout;
        }
        const Reply reply = postRaw("/api/v1/auth/logout", body);
        QCOMPARE(reply.status, 204);
        QVERIFY(reply.body.isEmpty());
    }

    // --- routing ---

    void unknownRoute_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::newRow("unknown path") << "GET"
                                      << "/api/v1/nowhere";
        QTest::newRow("root") << "GET"
                              << "/";
        QTest::newRow("wrong method on a route") << "POST"
                                                 << "/api/v1/me";
        QTest::newRow("GET of a POST route") << "GET"
                                             << "/api/v1/auth/login";
        QTest::newRow("DELETE") << "DELETE"
                                << "/api/v1/auth/logout";
    }
    void unknownRoute() {
        QFETCH(QString, method);
        QFETCH(QString, path);
        const Reply reply = request(m_port, method.toStdString(), path.toStdString(), "{}");
        QCOMPARE(reply.status, 404);
        QCOMPARE(reply.errorCode(), QStringLiteral("not_found"));
        QVERIFY(!reply.errorMessage().isEmpty());
        QCOMPARE(m_server->requestCount(path.toStdString()), 1);
    }

    // --- test controls ---

    void failNext_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("viaHttp");
        QTest::newRow("500 once") << 500 << 1 << false;
        QTest::newRow("401 twice") << 401 << 2 << false;
        QTest::newRow("503 three times over HTTP") << 503 << 3 << true;
        QTest::newRow("429 over HTTP") << 429 << 1 << true;
        QTest::newRow("300") << 300 << 1 << false;
    }
    void failNext() {
        QFETCH(int, status);
        QFETCH(int, count);
        QFETCH(bool, viaHttp);
        const QString token = login().string("access_token");

        failNext(viaHttp, "/api/v1/me", status, count);
        for (int i = 0; i < count; ++i) {
            const Reply failed = me(token);
            QCOMPARE(failed.status, status);
            QVERIFY(!failed.errorCode().isEmpty());
            QVERIFY(!failed.errorMessage().isEmpty());
            QVERIFY(!failed.json.contains("user_id"));
        }
        QCOMPARE(me(token).status, 200);
        QCOMPARE(m_server->requestCount("/api/v1/me"), count + 1);
        if (viaHttp) {
            const Reply counted = get("/__dev/requests?path=/api/v1/me");
            QCOMPARE(counted.status, 200);
            QCOMPARE(counted.string("path"), QStringLiteral("/api/v1/me"));
            QCOMPARE(counted.json.value("count").toInteger(), count + 1);
        }
    }

    void failNext_queuesInOrderAndOnlyForItsPath() {
        const Reply signIn = login();
        m_server->failNext("/api/v1/me", 500);
        m_server->failNext("/api/v1/me", 401, 2);

        QCOMPARE(refresh(signIn.string("refresh_token")).status, 200);
        QCOMPARE(me(signIn.string("access_token")).status, 500);
        QCOMPARE(me(signIn.string("access_token")).status, 401);
        QCOMPARE(me(signIn.string("access_token")).status, 401);
        QCOMPARE(me(signIn.string("access_token")).status, 200);
    }

    void failNext_failedRequestChangesNothing() {
        const Reply signIn = login();
        m_server->failNext("/api/v1/auth/refresh", 500);
        QCOMPARE(refresh(signIn.string("refresh_token")).status, 500);
        // The refused renewal did not spend the refresh token.
        QCOMPARE(refresh(signIn.string("refresh_token")).status, 200);

        m_server->failNext("/api/v1/auth/logout", 503);
        const Reply other = login(kOtherPhone);
        QCOMPARE(post("/api/v1/auth/logout", {{"refresh_token", other.string("refresh_token")}}).status, 503);
        QCOMPARE(me(other.string("access_token")).status, 200);
    }

    void delayNext_data() {
        QTest::addColumn<bool>("viaHttp");
        QTest::newRow("in-process") << false;
        QTest::newRow("over HTTP") << true;
    }
    void delayNext() {
        QFETCH(bool, viaHttp);
        const QString token = login().string("access_token");
        delayNext(viaHttp, "/api/v1/me", 400, 2);

        for (int i = 0; i < 2; ++i) {
            const Reply delayed = me(token);
            QCOMPARE(delayed.status, 200);
            QVERIFY2(delayed.elapsedMs >= 400, qPrintable(QString::number(delayed.elapsedMs)));
        }
        const Reply prompt = me(token);
        QCOMPARE(prompt.status, 200);
        QVERIFY2(prompt.elapsedMs < 400, qPrintable(QString::number(prompt.elapsedMs)));
        QCOMPARE(m_server->requestCount("/api/v1/me"), 3);
    }

    void delayNext_thenFailNext() {
        const QString token = login().string("access_token");
        m_server->delayNext("/api/v1/me", 300);
        m_server->failNext("/api/v1/me", 502);
        const Reply reply = me(token);
        QCOMPARE(reply.status, 502);
        QVERIFY(reply.elapsedMs >= 300);
    }

    void delayedRequest_doesNotHoldUpOthers() {
        const QString token = login().string("access_token");
        m_server->delayNext("/api/v1/me", 1500);
        Reply delayed;
        std::thread client([&delayed, &token, port = m_port] {
            delayed = request(port, "GET", "/api/v1/me", {}, bearer(token));
        });
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/api/v1/me"), 1, 5000);

        const Reply meanwhile = login(kOtherPhone);
        QCOMPARE(meanwhile.status, 200);
        QVERIFY2(meanwhile.elapsedMs < 1000, qPrintable(QString::number(meanwhile.elapsedMs)));
        client.join();
        QCOMPARE(delayed.status, 200);
        QVERIFY(delayed.elapsedMs >= 1500);
    }

    void requestCount_countsPathsWhateverTheAnswer() {
        QCOMPARE(m_server->requestCount("/api/v1/me"), 0);
        get("/api/v1/me");                           // 401
        get("/api/v1/me?lang=zh");                   // the query is not part of the path
        request(m_port, "POST", "/api/v1/me", "{}"); // 404, wrong method
        get("/__dev/requests?path=/api/v1/me");      // the controls are not counted
        QCOMPARE(m_server->requestCount("/api/v1/me"), 3);
        QCOMPARE(m_server->requestCount("/__dev/requests"), 0);
        QCOMPARE(m_server->requestCount("/api/v1/sms/code"), 0);
    }

    void controls_rejectBadArguments() {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->failNext("api/v1/me", 500));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->failNext("/__dev/fail-next", 500));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->failNext("/api/v1/me", 99));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->failNext("/api/v1/me", 600));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->failNext("/api/v1/me", 500, 0));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->delayNext("/api/v1/me", -1));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->delayNext("/api/v1/me", 100, -2));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->setNewUserStatus(""));
        // Nothing was queued by the refused calls.
        QCOMPARE(get("/api/v1/me").status, 401);
    }

    void httpControls_rejectBadInput_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("fail: no path") << "/__dev/fail-next" << json({{"status", 500}});
        QTest::newRow("fail: relative path")
            << "/__dev/fail-next" << json({{"path", "api/v1/me"}, {"status", 500}});
        QTest::newRow("fail: control path")
            << "/__dev/fail-next" << json({{"path", "/__dev/expire-tokens"}, {"status", 500}});
        QTest::newRow("fail: no status") << "/__dev/fail-next" << json({{"path", "/api/v1/me"}});
        QTest::newRow("fail: status as text")
            << "/__dev/fail-next" << json({{"path", "/api/v1/me"}, {"status", "500"}});
        QTest::newRow("fail: status 600")
            << "/__dev/fail-next" << json({{"path", "/api/v1/me"}, {"status", 600}});
        QTest::newRow("fail: fractional status")
            << "/__dev/fail-next" << json({{"path", "/api/v1/me"}, {"status", 500.5}});
        QTest::newRow("fail: count 0")
            << "/__dev/fail-next" << json({{"path", "/api/v1/me"}, {"status", 500}, {"count", 0}});
        QTest::newRow("fail: not JSON") << "/__dev/fail-next" << QByteArray("path=/api/v1/me");
        QTest::newRow("delay: no ms") << "/__dev/delay-next" << json({{"path", "/api/v1/me"}});
        QTest::newRow("delay: negative ms")
            << "/__dev/delay-next" << json({{"path", "/api/v1/me"}, {"ms", -5}});
        QTest::newRow("delay: count -1")
            << "/__dev/delay-next" << json({{"path", "/api/v1/me"}, {"ms", 5}, {"count", -1}});
        QTest::newRow("new-user-status: empty") << "/__dev/new-user-status" << json({{"status", ""}});
        QTest::newRow("new-user-status: missing") << "/__dev/new-user-status" << json({});
    }
    void httpControls_rejectBadInput() {
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        const Reply reply = postRaw(path.toStdString(), body);
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.errorCode(), QStringLiteral("invalid_request"));
        QVERIFY(!reply.errorMessage().isEmpty());
        // Nothing was queued.
        QCOMPARE(get("/api/v1/me").status, 401);
        QCOMPARE(login().string("status"), QStringLiteral("PendingProfile"));
    }

    void httpControls_requestsNeedsPath() {
        const Reply reply = get("/__dev/requests");
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.errorCode(), QStringLiteral("invalid_request"));
    }

    // The stream's status and headers leave before its pause, its event after it.
    void slowStream_sendsHeadersBeforeThePause() {
        httplib::Client client("127.0.0.1", m_port);
        client.set_read_timeout(10);
        QElapsedTimer timer;
        timer.start();
        qint64 headersAt = -1;
        int status = 0;
        std::string body;
        const httplib::Result result = client.Get(
            "/__dev/slow-stream?pause_ms=1500", httplib::Headers{},
            [&](const httplib::Response &response) {
                headersAt = timer.elapsed();
                status = response.status;
                return true;
            },
            [&](const char *data, size_t length) {
                body.append(data, length);
                return true;
            });
        QVERIFY(result);
        QCOMPARE(status, 200);
        QVERIFY2(headersAt >= 0 && headersAt < 1000, qPrintable(QString::number(headersAt)));
        QVERIFY2(timer.elapsed() >= 1400, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(body, std::string("data: after the pause\n\n"));
        QCOMPARE(get("/__dev/slow-stream?pause_ms=-1").status, 400);
        QCOMPARE(get("/__dev/slow-stream?pause_ms=soon").status, 400);
    }

    // --- executable ---

    void executable_printsUrlAndStopsOnSignal_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("startedIgnoringSigint"); // as a shell starts a background job

        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGINT, started as a background job") << int(SIGINT) << true;
    }
    void executable_printsUrlAndStopsOnSignal() {
        QFETCH(int, signal);
        QFETCH(bool, startedIgnoringSigint);

        QProcess process;
        if (startedIgnoringSigint)
            process.setChildProcessModifier([] { ::signal(SIGINT, SIG_IGN); });
        process.start(QStringLiteral(QVL_DEVSERVER_EXE), {QStringLiteral("--port"), QStringLiteral("0")});
        QVERIFY(process.waitForStarted(5000));
        // Both lines must arrive while the server keeps running: a buffered stdout would hold them back.
        QByteArray output;
        QElapsedTimer timer;
        timer.start();
        while (output.count('\n') < 2 && timer.elapsed() < 10000) {
            process.waitForReadyRead(100);
            output += process.readAllStandardOutput();
        }
        const QList<QByteArray> lines = output.split('\n');
        QVERIFY2(lines.size() >= 3, output.constData());

        const QString firstLine = QString::fromUtf8(lines[0]);
        static const QRegularExpression urlLine(
            QStringLiteral("^QVL_DEVSERVER_URL=http://127\\.0\\.0\\.1:(\\d+)$"));
        const QRegularExpressionMatch match = urlLine.match(firstLine);
        QVERIFY2(match.hasMatch(), qPrintable(firstLine));
        const QString codeLine = QString::fromUtf8(lines[1]);
        QVERIFY2(codeLine.contains(QStringLiteral("246810")) && codeLine.contains(QStringLiteral("验证码")),
                 qPrintable(codeLine));

        const int port = match.captured(1).toInt();
        QVERIFY(port > 0);
        const Reply reply = request(port, "POST", "/api/v1/auth/login",
                                    json({{"phone", kPhone}, {"code", "246810"}, {"device_id", kDeviceId}}));
        QCOMPARE(reply.status, 200);

        QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }

    void executable_rejectsBadArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("port not a number") << QStringList{"--port", "http"};
        QTest::newRow("port too large") << QStringList{"--port", "70000"};
        QTest::newRow("unknown option") << QStringList{"--verbose"};
        QTest::newRow("port without value") << QStringList{"--port"};
        QTest::newRow("companion pace not a number") << QStringList{"--companion-pace", "fast"};
        QTest::newRow("companion pace negative") << QStringList{"--companion-pace", "-1"};
    }
    void executable_rejectsBadArguments() {
        QFETCH(QStringList, arguments);
        QProcess process;
        process.start(QStringLiteral(QVL_DEVSERVER_EXE), arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 2);
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDevServer)
#include "tst_devserver.moc"
