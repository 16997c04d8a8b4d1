// The onboarding client: the shape of its requests, the step name as one escaped path segment, the answer
// check with its own fallback text, and the decoding rules of the overview and the learning profile.
#include "AppSession.h"
#include "Await.h"
#include "ErrorText.h"
#include "OnboardingAPIClient.h"
#include "TestPlatform.h"

#include <QTest>

#include <functional>

namespace {

const QString base = QStringLiteral("https://api.test.example/base");
const QByteArray overviewJson = R"({"steps":[{"step":"goal","status":"done"}],"finished":false,)"
                                R"("next_step":"diagnosis"})";
const QByteArray profileJson = R"({"filled":true,"grade":7})";

QJsonObject bundleWithBasePath() {
    QJsonObject bundle = TestPlatform::defaultBundle();
    bundle.insert(QStringLiteral("QVLApiBaseURL"), base);
    return bundle;
}

// A call and the body its answer needs.
struct Call {
    std::function<void(AppSession &)> run;
    QByteArray answer;
};

Call overview(const QByteArray &method, const QString &path, std::optional<QJsonObject> body = {}) {
    return {[=](AppSession &s) { Await::result(OnboardingAPIClient().send(method, path, body, s)); },
            overviewJson};
}
Call step(const QString &name, bool skip, const QJsonObject &answers) {
    return {[=](AppSession &s) { Await::result(OnboardingAPIClient().sendStep(name, skip, answers, s)); },
            overviewJson};
}
Call profile(const QByteArray &method, std::optional<QJsonObject> body = {}) {
    return {[=](AppSession &s) { Await::result(OnboardingAPIClient().sendLearningProfile(method, body, s)); },
            profileJson};
}

QString describe(const OnboardingOverview &o) {
    QStringList steps;
    for (const OnboardingStepState &s : o.steps)
        steps.append(s.step + u':' + s.status);
    return QStringLiteral("[%1] finished=%2 next=%3")
        .arg(steps.join(u','), o.finished ? QStringLiteral("1") : QStringLiteral("0"),
             o.nextStep.value_or(QStringLiteral("none")));
}

QString describe(const LearningProfile &p) {
    const auto text = [](const std::optional<QString> &v) { return v.value_or(QStringLiteral("-")); };
    const auto number = [](const std::optional<qint64> &v) {
        return v ? QString::number(*v) : QStringLiteral("-");
    };
    return QStringList{text(p.role),           text(p.nickname),
                       text(p.stage),          number(p.grade),
                       text(p.province),       text(p.city),
                       text(p.edition),        text(p.school),
                       number(p.dailyMinutes), p.filled ? QStringLiteral("filled") : QStringLiteral("open")}
        .join(u'|');
}

// The outcome of decoding `body` as `Model`: its description, or "fails".
template <typename Model>
QString decoded(const QByteArray &body) {
    try {
        return describe(
            OnboardingAPIClient::decodeAnswer<Model>(HttpResponse{200, {}, body}, JsonKeys::FromSnakeCase));
    } catch (const JsonDecodeError &) {
        return QStringLiteral("fails");
    }
}

} // namespace

Q_DECLARE_METATYPE(Call)

class TestOnboardingAPIClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestShape_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("body"); // empty: no body and no Content-Type
        using T = std::optional<QString>;
        const QString onboarding = base + "/api/v1/me/onboarding";
        const QString learningProfile = base + "/api/v1/me/learning-profile";
        const QJsonObject goal{{"target", "keep_up"}, {"weekly_minutes", 180}};
        QTest::newRow("overview") << overview("GET", "/api/v1/me/onboarding") << T("tok") << QByteArray("GET")
                                  << onboarding << QByteArray();
        QTest::newRow("overview, signed out") << overview("GET", "/api/v1/me/onboarding") << T()
                                              << QByteArray("GET") << onboarding << QByteArray();
        QTest::newRow("step answers")
            << step("goal", false, goal) << T("tok") << QByteArray("PUT") << onboarding + "/goal"
            << QByteArray(R"({"answers":{"target":"keep_up","weekly_minutes":180},"skip":false})");
        QTest::newRow("step skipped")
            << step("contract", true, {}) << T() << QByteArray("PUT") << onboarding + "/contract"
            << QByteArray(R"({"answers":{},"skip":true})");
        QTest::newRow("step name climbing out")
            << step("../../admin?x=1#y", true, {}) << T("tok") << QByteArray("PUT")
            << onboarding + "/..%2F..%2Fadmin%3Fx%3D1%23y" << QByteArray(R"({"answers":{},"skip":true})");
        QTest::newRow("profile") << profile("GET") << T("tok") << QByteArray("GET") << learningProfile
                                 << QByteArray();
        QTest::newRow("profile saved, signed out")
            << profile("PUT", QJsonObject{{"grade", 7}}) << T() << QByteArray("PUT") << learningProfile
            << QByteArray(R"({"grade":7})");
    }
    void requestShape() {
        QFETCH(Call, call);
        QFETCH(std::optional<QString>, token);
        QFETCH(QByteArray, method);
        QFETCH(QString, url);
        QFETCH(QByteArray, body);

        TestPlatform platform(bundleWithBasePath());
        platform.transport->fallback = [&](const HttpRequest &) {
            return FakeTransport::Reply::json(200, call.answer);
        };
        AppSession session;
        session.setAccessToken(token);
        call.run(session);

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

    void stepPath_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<std::optional<QString>>("path");
        using P = std::optional<QString>;
        const QString prefix = QStringLiteral("/api/v1/me/onboarding/");
        QTest::newRow("goal") << "goal" << P(prefix + "goal");
        QTest::newRow("diagnosis") << "diagnosis" << P(prefix + "diagnosis");
        QTest::newRow("contract") << "contract" << P(prefix + "contract");
        QTest::newRow("unreserved kept") << "step_2.b-c~" << P(prefix + "step_2.b-c~");
        QTest::newRow("slash") << "a/b" << P(prefix + "a%2Fb");
        QTest::newRow("query") << "a?skip=1" << P(prefix + "a%3Fskip%3D1");
        QTest::newRow("fragment") << "a#b" << P(prefix + "a%23b");
        QTest::newRow("escape sign") << "a%2Fb" << P(prefix + "a%252Fb");
        QTest::newRow("space and plus") << "a b+c" << P(prefix + "a%20b%2Bc");
        QTest::newRow("chinese") << "目标" << P(prefix + "%E7%9B%AE%E6%A0%87");
        QTest::newRow("dots inside") << "..." << P(prefix + "...");
        QTest::newRow("empty") << "" << P();
        QTest::newRow("dot") << "." << P();
        QTest::newRow("dot dot") << ".." << P();
    }
    void stepPath() {
        QFETCH(QString, step);
        QFETCH(std::optional<QString>, path);
        QCOMPARE(OnboardingAPIClient::stepPath(step), path);
    }

    // A step that cannot be a segment is refused before anything is sent.
    void unusableStepSendsNothing() {
        TestPlatform platform;
        AppSession session;
        try {
            Await::result(OnboardingAPIClient().sendStep(QStringLiteral(".."), true, {}, session));
            QFAIL("an unusable step name must fail");
        } catch (const ApiError &error) {
            QCOMPARE(error.kind(), ApiError::Kind::Decoding);
        }
        QVERIFY(platform.transport->requests.isEmpty());
    }

    // How each answer comes back: decoded, the server's message, "请求失败" (never with the status), or the
    // decoder's own error.
    void answerCheck_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body"); // empty: the call's own good answer
        QTest::addColumn<QString>("outcome"); // "ok", "http <status>", "decoder"
        QTest::addColumn<QString>("text");    // what a screen shows
        const struct {
            const char *name;
            Call call;
        } calls[] = {{"overview", overview("GET", "/api/v1/me/onboarding")},
                     {"step", step("goal", true, {})},
                     {"profile", profile("PUT", QJsonObject{{"grade", 7}})}};
        for (const auto &c : calls) {
            const auto row = [&](const char *what, int status, const QByteArray &body, const QString &outcome,
                                 const QString &text) {
                QTest::addRow("%s, %s", c.name, what) << c.call << status << body << outcome << text;
            };
            row("200", 200, {}, "ok", {});
            row("200 not json", 200, "<html>", "decoder", "响应格式不正确");
            row("200 empty", 200, " ", "decoder", "响应格式不正确");
            row("404 with message", 404, R"({"code":"not_found","message":"没有这个步骤"})", "http 404",
                "没有这个步骤");
            row("500 empty", 500, "", "http 500", "请求失败");
            row("500 object without message", 500, R"({"code":"x"})", "http 500", "请求失败");
            row("502 html", 502, "<html>bad gateway</html>", "http 502", "请求失败");
            row("no HTTP answer", -1, "", "http -1", "请求失败");
            row("no HTTP answer with message", -1, R"({"message":"网关出错"})", "http -1", "网关出错");
        }
    }
    void answerCheck() {
        QFETCH(Call, call);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(QString, text);

        TestPlatform platform;
        platform.transport->fallback = [&](const HttpRequest &) {
            return FakeTransport::Reply::json(status, body.isEmpty() ? call.answer : body);
        };
        AppSession session;
        QString got;
        try {
            call.run(session);
            got = QStringLiteral("ok");
        } catch (const ApiError &error) {
            got = error.kind() == ApiError::Kind::Http ? QStringLiteral("http %1").arg(error.status())
                                                       : QStringLiteral("other");
            QCOMPARE(errorText(std::current_exception()), std::optional<QString>(text));
        } catch (const JsonDecodeError &) {
            got = QStringLiteral("decoder");
            QCOMPARE(errorText(std::current_exception()), std::optional<QString>(text));
        }
        QCOMPARE(got, outcome);
    }

    void overviewDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::newRow("finished, nothing next")
            << QByteArray(R"({"steps":[],"finished":true})") << "[] finished=1 next=none";
        QTest::newRow("next step null")
            << QByteArray(
                   R"({"steps":[{"step":"goal","status":"whatever"}],"finished":false,"next_step":null})")
            << "[goal:whatever] finished=0 next=none";
        QTest::newRow("extra key ignored")
            << QByteArray(R"({"steps":[],"finished":false,"extra":1})") << "[] finished=0 next=none";
        QTest::newRow("camel case next step")
            << QByteArray(R"({"steps":[],"finished":false,"nextStep":"goal"})") << "[] finished=0 next=goal";
        QTest::newRow("no finished") << QByteArray(R"({"steps":[]})") << "fails";
        QTest::newRow("finished as number") << QByteArray(R"({"steps":[],"finished":1})") << "fails";
        QTest::newRow("no steps") << QByteArray(R"({"finished":true})") << "fails";
        QTest::newRow("step without status")
            << QByteArray(R"({"steps":[{"step":"goal"}],"finished":false})") << "fails";
        QTest::newRow("step not an object")
            << QByteArray(R"({"steps":["goal"],"finished":false})") << "fails";
        QTest::newRow("next step a number")
            << QByteArray(R"({"steps":[],"finished":false,"next_step":2})") << "fails";
    }
    void overviewDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(decoded<OnboardingOverview>(body), expected);
    }

    void profileDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>(
            "expected"); // role|nickname|stage|grade|province|city|edition|school|minutes
        QTest::newRow("only filled") << QByteArray(R"({"filled":false})") << "-|-|-|-|-|-|-|-|-|open";
        QTest::newRow("everything")
            << QByteArray(
                   R"({"role":"student","nickname":"小岚","stage":"初中","grade":7,"province":"河北",)"
                   R"("city":"石家庄","edition":"rj","school":"一中","daily_minutes":45,"filled":true})")
            << "student|小岚|初中|7|河北|石家庄|rj|一中|45|filled";
        QTest::newRow("nulls are absent")
            << QByteArray(R"({"role":null,"grade":null,"daily_minutes":null,"filled":true})")
            << "-|-|-|-|-|-|-|-|-|filled";
        QTest::newRow("camel case minutes")
            << QByteArray(R"({"dailyMinutes":30,"filled":true})") << "-|-|-|-|-|-|-|-|30|filled";
        QTest::newRow("extra keys ignored")
            << QByteArray(R"({"filled":true,"avatar":"x","grade":12})") << "-|-|-|12|-|-|-|-|-|filled";
        QTest::newRow("grade as text") << QByteArray(R"({"grade":"7","filled":true})") << "fails";
        QTest::newRow("fractional minutes")
            << QByteArray(R"({"daily_minutes":37.5,"filled":true})") << "fails";
        QTest::newRow("whole number written with a fraction")
            << QByteArray(R"({"daily_minutes":30.0,"filled":true})") << "-|-|-|-|-|-|-|-|30|filled";
        QTest::newRow("no filled") << QByteArray(R"({"grade":7,"daily_minutes":30})") << "fails";
    }
    void profileDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(decoded<LearningProfile>(body), expected);
    }
};

QTEST_GUILESS_MAIN(TestOnboardingAPIClient)
#include "tst_onboardingapiclient.moc"
