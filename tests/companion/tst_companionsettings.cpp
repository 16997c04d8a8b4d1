#include "ApiError.h"
#include "AppSession.h"
#include "Await.h"
#include "ChatStrings.h"
#include "CompanionSettings.h"
#include "Fixtures.h"
#include "JsonReader.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QTest>

#include <functional>

namespace {

const QString base = QStringLiteral("https://api.test.example/base");
const std::optional<QString> none;

QJsonObject bundleWithBasePath() {
    QJsonObject bundle = TestPlatform::defaultBundle();
    bundle.insert(QStringLiteral("QVLApiBaseURL"), base);
    return bundle;
}

CompanionSettings settings(std::optional<QString> persona, std::optional<QString> name,
                           std::optional<QString> reminder = std::nullopt) {
    return {std::move(persona), std::move(name), std::move(reminder)};
}

using Call = std::function<QCoro::Task<CompanionSettings>(AppSession &)>;

Call load() {
    return [](AppSession &s) { return loadCompanionSettings(s); };
}

Call save(std::optional<QString> persona, std::optional<QString> name) {
    return [=](AppSession &s) { return saveCompanionSettings(persona, name, s); };
}

} // namespace

Q_DECLARE_METATYPE(CompanionSettings)
Q_DECLARE_METATYPE(Call)

class TestCompanionSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<CompanionSettings>("expected");
        QTest::newRow("empty object: nothing set") << QByteArray("{}") << true << settings(none, none);
        QTest::newRow("all three, other keys ignored")
            << QByteArray(R"({"persona":"calm","name":"小星","reminder":"daily","extra":1})") << true
            << settings("calm", "小星", "daily");
        QTest::newRow("unknown persona kept, null name absent")
            << QByteArray(R"({"persona":"pirate","name":null})") << true << settings("pirate", none);
        QTest::newRow("empty name is a name") << QByteArray(R"({"name":""})") << true << settings(none, "");
        QTest::newRow("name a number") << QByteArray(R"({"name":5})") << false << CompanionSettings();
        QTest::newRow("persona a bool") << QByteArray(R"({"persona":true})") << false << CompanionSettings();
        QTest::newRow("reminder an array")
            << QByteArray(R"({"reminder":[]})") << false << CompanionSettings();
        QTest::newRow("not an object") << QByteArray("[]") << false << CompanionSettings();
        QTest::newRow("empty body") << QByteArray() << false << CompanionSettings();
    }
    void decode() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(CompanionSettings, expected);
        try {
            const CompanionSettings decoded =
                CompanionSettings::fromJson(JsonReader::parse(body, JsonKeys::AsIs));
            QVERIFY(decodes);
            QVERIFY(decoded == expected);
            // Written back, only the present fields come out, and they read in again unchanged.
            const QJsonObject written = decoded.toJson();
            QCOMPARE(written.size(),
                     int(bool(expected.persona)) + int(bool(expected.name)) + int(bool(expected.reminder)));
            QVERIFY(CompanionSettings::fromJson(JsonReader(written, JsonKeys::AsIs)) == decoded);
        } catch (const JsonDecodeError &) {
            QVERIFY(!decodes);
        }
    }

    void equalityTellsAbsentFromEmpty() {
        QVERIFY(settings(none, none) == CompanionSettings());
        QVERIFY(!(settings(none, "") == settings(none, none)));
        QVERIFY(!(settings("calm", none, "r") == settings("calm", none)));
    }

    void personaFromRaw_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("index"); // in all(); -1: none
        QTest::newRow("cheerful") << "cheerful" << 0;
        QTest::newRow("calm") << "calm" << 1;
        QTest::newRow("strict") << "strict" << 2;
        QTest::newRow("case matters") << "Calm" << -1;
        QTest::newRow("no trimming") << "calm " << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void personaFromRaw() {
        QFETCH(QString, raw);
        QFETCH(int, index);
        const std::optional<CompanionPersona> persona = CompanionPersona::fromRaw(raw);
        QCOMPARE(persona.has_value(), index >= 0);
        if (persona) {
            QVERIFY(*persona == CompanionPersona::all().at(index));
            QCOMPARE(persona->rawValue(), raw);
        }
    }

    void personaTexts_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("detail");
        QTest::newRow("zh cheerful") << "zh-CN"
                                     << "cheerful"
                                     << "活力伙伴"
                                     << "语气活泼，多鼓励";
        QTest::newRow("en calm") << "en-US"
                                 << "calm"
                                 << "Patient buddy"
                                 << "Explains step by step";
        QTest::newRow("yue strict") << "yue-HK"
                                    << "strict"
                                    << "督學夥伴"
                                    << "簡潔直接，督促你跟計劃完成";
        QTest::newRow("ja cheerful") << "ja-JP"
                                     << "cheerful"
                                     << "元気なパートナー"
                                     << "明るく、たくさん励まします";
        QTest::newRow("unknown: raw label, no detail") << "zh-CN"
                                                       << "pirate"
                                                       << "pirate"
                                                       << "";
        QTest::newRow("unknown in English") << "en-US"
                                            << "Calm"
                                            << "Calm"
                                            << "";
    }
    void personaTexts() {
        QFETCH(QString, code);
        QFETCH(QString, raw);
        QFETCH(QString, label);
        QFETCH(QString, detail);
        const ChatStrings &strings = ChatStrings::forLanguage(code);
        QCOMPARE(CompanionPersona::label(raw, strings), label);
        QCOMPARE(CompanionPersona::detail(raw, strings), detail);
        if (const std::optional<CompanionPersona> persona = CompanionPersona::fromRaw(raw)) {
            QCOMPARE(persona->label(strings), label);
            QCOMPARE(persona->detail(strings), detail);
        }
    }

    // What goes on the wire: URL on the API base (its path kept), method, headers and the body's keys.
    void requestShape_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("body"); // empty: no body and no Content-Type
        QTest::addColumn<std::optional<QByteArray>>("authorization");

        const std::optional<QString> tok = QStringLiteral("tok");
        const std::optional<QByteArray> bearer = QByteArray("Bearer tok");
        QTest::newRow("load") << load() << tok << QByteArray("GET") << QByteArray() << bearer;
        QTest::newRow("load without token")
            << load() << none << QByteArray("GET") << QByteArray() << std::optional<QByteArray>();
        QTest::newRow("persona only") << save("strict", none) << tok << QByteArray("PUT")
                                      << QByteArray(R"({"persona":"strict"})") << bearer;
        QTest::newRow("name only") << save(none, "小星") << tok << QByteArray("PUT")
                                   << QByteArray(R"({"name":"小星"})") << bearer;
        QTest::newRow("both, without token")
            << save("calm", "Star") << none << QByteArray("PUT")
            << QByteArray(R"({"name":"Star","persona":"calm"})") << std::optional<QByteArray>();
        QTest::newRow("empty name sent as it is") << save("calm", "") << tok << QByteArray("PUT")
                                                  << QByteArray(R"({"name":"","persona":"calm"})") << bearer;
        QTest::newRow("nothing given")
            << save(none, none) << tok << QByteArray("PUT") << QByteArray("{}") << bearer;
    }
    void requestShape() {
        QFETCH(Call, call);
        QFETCH(std::optional<QString>, token);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, body);
        QFETCH(std::optional<QByteArray>, authorization);

        TestPlatform platform(bundleWithBasePath());
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(200, R"({"persona":"calm"})");
        };
        AppSession session;
        session.setAccessToken(token);
        QVERIFY(Await::result(call(session)) == settings("calm", none));

        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &sent = platform.transport->requests.first();
        QCOMPARE(sent.method, method);
        QCOMPARE(sent.url.toString(QUrl::FullyEncoded), base + "/api/v1/me/companion");
        QCOMPARE(sent.timeoutMs, 60000);
        QCOMPARE(sent.header("Authorization"), authorization);
        QCOMPARE(sent.header("Content-Type"),
                 body.isEmpty() ? std::nullopt : std::optional<QByteArray>("application/json"));
        // Key order is not fixed: compare the objects.
        QCOMPARE(QJsonDocument::fromJson(sent.body).object(), QJsonDocument::fromJson(body).object());
        QCOMPARE(sent.body.isEmpty(), body.isEmpty());
    }

    // The answer check, the same for the load and the save.
    void answerCheck_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // "ok", "settings" (CompanionSettingsError), "decoding"
        QTest::addColumn<QString>("message");

        const QByteArray stored = R"({"persona":"cheerful","name":"小星"})";
        QTest::newRow("200") << 200 << stored << "ok"
                             << "";
        QTest::newRow("299 is a success") << 299 << stored << "ok"
                                          << "";
        QTest::newRow("199 fails") << 199 << stored << "settings"
                                   << "保存失败（199）";
        QTest::newRow("300 fails") << 300 << stored << "settings"
                                   << "保存失败（300）";
        QTest::newRow("403 with an empty message") << 403 << QByteArray(R"({"message":""})") << "settings"
                                                   << "";
        QTest::newRow("409 with a message")
            << 409 << QByteArray(R"({"code":"bad_name","message":"名字太长"})") << "settings"
            << "名字太长";
        QTest::newRow("404 without body") << 404 << QByteArray() << "settings"
                                          << "保存失败（404）";
        QTest::newRow("500 with a code only") << 500 << QByteArray(R"({"code":"E500"})") << "settings"
                                              << "保存失败（500）";
        QTest::newRow("500 not JSON") << 500 << QByteArray("<html/>") << "settings"
                                      << "保存失败（500）";
        QTest::newRow("message of wrong type") << 400 << QByteArray(R"({"message":1})") << "settings"
                                               << "保存失败（400）";
        QTest::newRow("200 with empty body") << 200 << QByteArray() << "decoding"
                                             << "响应格式不正确";
        QTest::newRow("200 with a number as name") << 200 << QByteArray(R"({"name":1})") << "decoding"
                                                   << "响应格式不正确";
        QTest::newRow("no HTTP answer") << -1 << QByteArray() << "settings"
                                        << "无响应";
    }
    void answerCheck() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(QString, message);

        TestPlatform platform;
        platform.transport->fallback = [=](const HttpRequest &) {
            return FakeTransport::Reply::json(status, body);
        };
        AppSession session;
        for (const Call &call : {load(), save("cheerful", "小星")}) {
            try {
                const CompanionSettings answer = Await::result(call(session));
                QCOMPARE(outcome, QStringLiteral("ok"));
                QVERIFY(answer == settings("cheerful", "小星"));
            } catch (const CompanionSettingsError &error) {
                QCOMPARE(outcome, QStringLiteral("settings"));
                QCOMPARE(error.message(), message);
            } catch (const ApiError &error) {
                QCOMPARE(outcome, QStringLiteral("decoding"));
                QCOMPARE(error.kind(), ApiError::Kind::Decoding);
                QCOMPARE(error.message(), message);
            }
        }
        QCOMPARE(platform.transport->requests.size(), 2);
    }

    void transportFailurePassesThrough() {
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::error(TransportError::Kind::TimedOut);
        };
        AppSession session;
        try {
            Await::result(loadCompanionSettings(session));
            QFAIL("a transport failure must be thrown");
        } catch (const ApiError &error) {
            QCOMPARE(error.kind(), ApiError::Kind::TimedOut);
            QCOMPARE(error.message(), TransportError::fromKind(TransportError::Kind::TimedOut).message());
        }
    }

    // The token is the caller's session's; a refused one is renewed by the current session, which sends the
    // repeat with its own token.
    void refusedTokenIsRenewedByTheCurrentSession() {
        TestPlatform platform;
        AppSession screens;
        screens.setAccessToken(QStringLiteral("screens"));
        AppSession current;
        current.setAccessToken(QStringLiteral("current"));
        QCOMPARE(AppSession::current(), &current);
        platform.transport->fallback = [](const HttpRequest &request) {
            return request.header("Authorization") == "Bearer current"
                       ? FakeTransport::Reply::json(200, R"({"persona":"strict"})")
                       : FakeTransport::Reply::json(401, R"({"message":"登录已失效"})");
        };
        QVERIFY(Await::result(saveCompanionSettings("strict", none, screens)) == settings("strict", none));
        const QList<HttpRequest> sent = platform.transport->requestsTo(companionSettingsPath);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0].header("Authorization"), std::optional<QByteArray>("Bearer screens"));
        QCOMPARE(sent[1].header("Authorization"), std::optional<QByteArray>("Bearer current"));
        QCOMPARE(sent[1].body, sent[0].body);
    }
};

QTEST_GUILESS_MAIN(TestCompanionSettings)
#include "tst_companionsettings.moc"
