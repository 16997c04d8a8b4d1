// The stand-in's questionnaire and learning profile: the overview as steps are answered and skipped, the
// refusals of unknown steps and bad bodies, the profile's checks with their Chinese messages, the stage that
// follows from the grade, and both kept across a restart on a state file.
#include "DevServer.h"
#include "HttpProbe.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using namespace HttpProbe;

const QString kPhone = QStringLiteral("13800138000");
const QString kOtherPhone = QStringLiteral("13900139000");

const QJsonObject kGoal{{"target", "keep_up"}, {"weekly_minutes", 180}};
const QJsonObject kScores{{"rational_numbers", 3}, {"algebra_basics", 3}, {"equations", 5}, {"geometry", 1}};
const QJsonObject kContract{{"persona", "cheerful"}, {"reminder", "standard"}};

// The smallest profile the app sends: its four keys.
QJsonObject minimalProfile() {
    return {{"role", "student"}, {"grade", 7}, {"edition", "rj"}, {"daily_minutes", 30}};
}
QJsonObject profileWith(const QString &key, const QJsonValue &value) {
    QJsonObject body = minimalProfile();
    if (value.isUndefined())
        body.remove(key);
    else
        body.insert(key, value);
    return body;
}

// "goal:done,diagnosis:pending,contract:pending next=diagnosis" or "... finished".
QString summary(const QJsonObject &overview) {
    QStringList steps;
    for (const QJsonValue &step : overview.value("steps").toArray())
        steps.append(step["step"].toString() + u':' + step["status"].toString());
    const QJsonValue next = overview.value("next_step");
    QString tail = overview.value("finished").toBool() ? QStringLiteral("finished")
                                                       : QStringLiteral("next=") + next.toString();
    if (overview.value("finished").toBool() && !next.isNull())
        tail += QStringLiteral(" next=") + next.toString(); // never expected
    return steps.join(u',') + u' ' + tail;
}

} // namespace

class TestOnboardingRoutes : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    Reply overview(const QString &token = QString()) const {
        return request(m_port, "GET", "/api/v1/me/onboarding", {}, token.isNull() ? m_token : token);
    }
    Reply putStep(const std::string &step, const QByteArray &body, const QString &token = QString()) const {
        return request(m_port, "PUT", "/api/v1/me/onboarding/" + step, body,
                       token.isNull() ? m_token : token);
    }
    Reply answer(const std::string &step, bool skip, const QJsonObject &answers = {}) const {
        return putStep(step, json({{"skip", skip}, {"answers", answers}}));
    }
    Reply profile(const QString &token = QString()) const {
        return request(m_port, "GET", "/api/v1/me/learning-profile", {}, token.isNull() ? m_token : token);
    }
    Reply saveProfile(const QJsonObject &body, const QString &token = QString()) const {
        return request(m_port, "PUT", "/api/v1/me/learning-profile", json(body),
                       token.isNull() ? m_token : token);
    }
    void restart(const std::string &stateFile) {
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(stateFile));
        m_port = m_server->start();
        QVERIFY(m_port > 0);
    }

private slots:
    void init() {
        m_server = std::make_unique<DevServer>();
        m_port = m_server->start();
        QVERIFY(m_port > 0);
        m_token = signIn(m_port, kPhone);
        QVERIFY(!m_token.isEmpty());
    }
    void cleanup() { m_server.reset(); }

    // Each row answers ("a") or skips ("s") steps in turn; the overview after the last write, as written and
    // as read back.
    void overviewFollowsTheSteps_data() {
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing yet") << QStringList()
                                     << "goal:pending,diagnosis:pending,contract:pending next=goal";
        QTest::newRow("goal answered")
            << QStringList{"a goal"} << "goal:done,diagnosis:pending,contract:pending next=diagnosis";
        QTest::newRow("out of order")
            << QStringList{"s contract"} << "goal:pending,diagnosis:pending,contract:skipped next=goal";
        QTest::newRow("two skipped") << QStringList{"s goal", "s diagnosis"}
                                     << "goal:skipped,diagnosis:skipped,contract:pending next=contract";
        QTest::newRow("all answered") << QStringList{"a goal", "a diagnosis", "a contract"}
                                      << "goal:done,diagnosis:done,contract:done finished";
        QTest::newRow("skip everything") << QStringList{"s goal", "s diagnosis", "s contract"}
                                         << "goal:skipped,diagnosis:skipped,contract:skipped finished";
        QTest::newRow("answered after a skip")
            << QStringList{"s goal", "a goal"}
            << "goal:done,diagnosis:pending,contract:pending next=diagnosis";
    }
    void overviewFollowsTheSteps() {
        QFETCH(QStringList, writes);
        QFETCH(QString, expected);
        const QMap<QString, QJsonObject> answers{
            {"goal", kGoal}, {"diagnosis", kScores}, {"contract", kContract}};
        Reply last = overview();
        for (const QString &write : writes) {
            const QString step = write.mid(2);
            last = answer(step.toStdString(), write.startsWith(u's'), answers.value(step));
            QCOMPARE(last.status, 200);
        }
        QCOMPARE(summary(last.json), expected);
        QCOMPARE(summary(overview().json), expected);
        // Another learner's questionnaire is untouched.
        QCOMPARE(summary(overview(signIn(m_port, kOtherPhone)).json),
                 QStringLiteral("goal:pending,diagnosis:pending,contract:pending next=goal"));
    }

    void stepRefusals_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto body = [](const QJsonValue &skip, const QJsonValue &answers) {
            QJsonObject object;
            if (!skip.isUndefined())
                object.insert("skip", skip);
            if (!answers.isUndefined())
                object.insert("answers", answers);
            return json(object);
        };
        const QByteArray skipped = body(true, QJsonObject());
        QTest::newRow("unknown step") << "profile" << skipped << 404 << "没有这个引导步骤";
        QTest::newRow("escaped slash") << "goal%2Fx" << skipped << 404 << "";
        QTest::newRow("not json") << "goal" << QByteArray("skip") << 400 << "请求内容不是有效的 JSON 对象";
        QTest::newRow("skip missing")
            << "goal" << body(QJsonValue::Undefined, QJsonObject()) << 400 << "skip 应为 true 或 false";
        QTest::newRow("answers missing")
            << "goal" << body(true, QJsonValue::Undefined) << 400 << "answers 应为对象";
        QTest::newRow("extra key") << "goal"
                                   << json({{"skip", true}, {"answers", QJsonObject()}, {"force", true}})
                                   << 400 << "不支持的参数：force";
        QTest::newRow("goal without answers")
            << "goal" << body(false, QJsonObject()) << 400 << "学习目标不正确";
        QTest::newRow("unknown target")
            << "goal" << body(false, QJsonObject{{"target", "win"}, {"weekly_minutes", 180}}) << 400
            << "学习目标不正确";
        QTest::newRow("weekly minutes fractional")
            << "goal" << body(false, QJsonObject{{"target", "keep_up"}, {"weekly_minutes", 180.5}}) << 400
            << "每周学习时长应为 30 到 600 之间的整数分钟";
        QTest::newRow("no scores") << "diagnosis" << body(false, QJsonObject()) << 400
                                   << "请至少给一个模块打分";
        QTest::newRow("unknown module") << "diagnosis" << body(false, QJsonObject{{"calculus", 3}}) << 400
                                        << "不支持的自评模块：calculus";
        QTest::newRow("score zero") << "diagnosis" << body(false, QJsonObject{{"geometry", 0}}) << 400
                                    << "自评分数应为 1 到 5 之间的整数";
        QTest::newRow("unknown persona")
            << "contract" << body(false, QJsonObject{{"persona", "grumpy"}, {"reminder", "low"}}) << 400
            << "不支持的陪伴方式";
    }
    void stepRefusals() {
        QFETCH(QString, step);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Reply reply = putStep(step.toStdString(), body);
        QCOMPARE(reply.status, status);
        if (!message.isEmpty())
            QCOMPARE(reply.errorMessage(), message);
        QVERIFY(isChinese(reply.errorMessage()));
        // A refused write changes nothing.
        QCOMPARE(summary(overview().json),
                 QStringLiteral("goal:pending,diagnosis:pending,contract:pending next=goal"));
    }

    // Answers that come with a skip are dropped, whatever they hold.
    void skipIgnoresItsAnswers() {
        QCOMPARE(answer("goal", true, QJsonObject{{"target", "nonsense"}}).status, 200);
    }

    void profileRoundTrip() {
        QCOMPARE(profile().json, QJsonObject({{"filled", false}}));
        const QJsonObject full{{"role", "teacher"},    {"nickname", "  小岚 "}, {"grade", 11},
                               {"edition", "other"},   {"province", "内蒙古"},  {"city", "呼和浩特"},
                               {"school", "第一中学"}, {"daily_minutes", 45}};
        const QJsonObject expected{{"role", "teacher"},  {"nickname", "小岚"},   {"stage", "senior"},
                                   {"grade", 11},        {"edition", "other"},   {"province", "内蒙古"},
                                   {"city", "呼和浩特"}, {"school", "第一中学"}, {"daily_minutes", 45},
                                   {"filled", true}};
        const Reply saved = saveProfile(full);
        QCOMPARE(saved.status, 200);
        QCOMPARE(saved.json, expected);
        QCOMPARE(profile().json, expected);
        // A save is whole: what it leaves out is cleared.
        QJsonObject minimal = minimalProfile();
        minimal.insert("stage", "junior");
        minimal.insert("filled", true);
        QCOMPARE(saveProfile(minimalProfile()).json, minimal);
        QCOMPARE(profile().json, minimal);
        QCOMPARE(profile(signIn(m_port, kOtherPhone)).json, QJsonObject({{"filled", false}}));
    }

    void stageFollowsTheGrade_data() {
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("stage");
        QTest::newRow("6") << 6 << "primary";
        QTest::newRow("7") << 7 << "junior";
        QTest::newRow("9") << 9 << "junior";
        QTest::newRow("10") << 10 << "senior";
    }
    void stageFollowsTheGrade() {
        QFETCH(int, grade);
        QFETCH(QString, stage);
        QCOMPARE(saveProfile(profileWith("grade", grade)).status, 200);
        QCOMPARE(profile().string("stage"), stage);
    }

    void profileChecks_data() {
        QTest::addColumn<QJsonObject>("body");
        QTest::addColumn<QString>("message"); // empty: accepted
        const QJsonValue gone = QJsonValue::Undefined;
        QTest::newRow("minimal") << minimalProfile() << "";
        QTest::newRow("role missing") << profileWith("role", gone) << "身份不正确";
        QTest::newRow("role unknown") << profileWith("role", "parent") << "身份不正确";
        QTest::newRow("grade 0") << profileWith("grade", 0) << "年级应为 1 到 12 之间的整数";
        QTest::newRow("grade as text") << profileWith("grade", "7") << "年级应为 1 到 12 之间的整数";
        QTest::newRow("edition zj") << profileWith("edition", "zj") << "";
        QTest::newRow("edition unknown") << profileWith("edition", "RJ") << "教材版本不正确";
        QTest::newRow("minutes 10") << profileWith("daily_minutes", 10) << "";
        QTest::newRow("minutes 120") << profileWith("daily_minutes", 120) << "";
        QTest::newRow("minutes 9") << profileWith("daily_minutes", 9)
                                   << "每天学习时长应为 10 到 120 之间的整数分钟";
        QTest::newRow("minutes fractional")
            << profileWith("daily_minutes", 45.9) << "每天学习时长应为 10 到 120 之间的整数分钟";
        QTest::newRow("nickname 8") << profileWith("nickname", "一二三四五六七八") << "";
        QTest::newRow("nickname 9") << profileWith("nickname", "一二三四五六七八九") << "昵称最多 8 个字";
        // Eight characters that are many more code points: families and flags count once each.
        QTest::newRow("nickname 8 emoji")
            << profileWith("nickname", QString::fromUtf8("🇨🇳👨‍👩‍👧‍👦👍🏽éabcd"))
            << "";
        QTest::newRow("nickname as number") << profileWith("nickname", 8) << "参数类型不正确：nickname";
        QTest::newRow("school 41") << profileWith("school", QString(41, u'校')) << "学校名称最多 40 个字";
        QTest::newRow("stage is the server's") << profileWith("stage", "junior") << "不支持的参数：stage";
        QTest::newRow("camel case minutes")
            << profileWith("dailyMinutes", 30) << "不支持的参数：dailyMinutes";
    }
    void profileChecks() {
        QFETCH(QJsonObject, body);
        QFETCH(QString, message);
        const Reply reply = saveProfile(body);
        if (message.isEmpty()) {
            QVERIFY2(reply.status == 200, qPrintable(reply.errorMessage()));
            QCOMPARE(profile().json.value("filled"), QJsonValue(true));
            return;
        }
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.errorMessage(), message);
        // A refused save stores nothing.
        QCOMPARE(profile().json, QJsonObject({{"filled", false}}));
    }

    // The contract's persona and reminder are the companion's settings the chat reads; the chat's own save
    // changes them afterwards, and a skipped contract leaves them as they are. Each write is "a <persona>
    // <reminder>" (contract answered), "s" (contract skipped) or "c <persona>" (the chat's settings saved).
    void contractChoosesTheCompanion_data() {
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QJsonObject>("expected");
        const auto settings = [](const QJsonValue &persona, const QString &reminder) {
            return QJsonObject{{"persona", persona}, {"name", QJsonValue::Null}, {"reminder", reminder}};
        };
        QTest::newRow("nothing chosen") << QStringList() << settings(QJsonValue::Null, "standard");
        QTest::newRow("contract") << QStringList{"a strict low"} << settings("strict", "low");
        QTest::newRow("contract skipped") << QStringList{"s"} << settings(QJsonValue::Null, "standard");
        QTest::newRow("answered again")
            << QStringList{"a strict low", "a calm high"} << settings("calm", "high");
        QTest::newRow("skipped later") << QStringList{"a strict low", "s"} << settings("strict", "low");
        QTest::newRow("chat afterwards")
            << QStringList{"a strict low", "c cheerful"} << settings("cheerful", "low");
        QTest::newRow("chat before") << QStringList{"c cheerful", "a calm high"} << settings("calm", "high");
    }
    void contractChoosesTheCompanion() {
        QFETCH(QStringList, writes);
        QFETCH(QJsonObject, expected);
        for (const QString &write : writes) {
            const QStringList parts = write.split(u' ');
            const Reply written =
                parts[0] == u"c"
                    ? request(m_port, "PUT", "/api/v1/me/companion", json({{"persona", parts[1]}}), m_token)
                    : answer("contract", parts[0] == u"s",
                             parts[0] == u"s" ? QJsonObject()
                                              : QJsonObject{{"persona", parts[1]}, {"reminder", parts[2]}});
            QCOMPARE(written.status, 200);
        }
        QCOMPARE(request(m_port, "GET", "/api/v1/me/companion", {}, m_token).json, expected);
        // Another learner's companion is not touched.
        const QString other = signIn(m_port, kOtherPhone);
        QCOMPARE(request(m_port, "GET", "/api/v1/me/companion", {}, other).json.value("persona"),
                 QJsonValue(QJsonValue::Null));
    }

    void keptAcrossARestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        restart(file);
        m_token = signIn(m_port, kPhone);
        QCOMPARE(answer("goal", false, kGoal).status, 200);
        QCOMPARE(answer("diagnosis", true).status, 200);
        QCOMPARE(answer("contract", false, {{"persona", "calm"}, {"reminder", "high"}}).status, 200);
        QJsonObject body = minimalProfile();
        body.insert("city", "北京");
        const QJsonObject savedProfile = saveProfile(body).json;
        const QJsonObject savedOverview = overview().json;

        restart(file);
        QCOMPARE(overview().json, savedOverview);
        QCOMPARE(summary(savedOverview),
                 QStringLiteral("goal:done,diagnosis:skipped,contract:done finished"));
        QCOMPARE(profile().json, savedProfile);
        const QJsonObject companion = request(m_port, "GET", "/api/v1/me/companion", {}, m_token).json;
        QCOMPARE(companion.value("persona").toString(), QStringLiteral("calm"));
        QCOMPARE(companion.value("reminder").toString(), QStringLiteral("high"));
    }
};

QTEST_GUILESS_MAIN(TestOnboardingRoutes)
#include "tst_onboardingroutes.moc"
