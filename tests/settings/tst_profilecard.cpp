// The quick actions (one tile per route), and the profile card: its texts for each kind of answer, the
// first-grapheme avatar, and which of overlapping loads counts. Where a tile leads is in
// tst_destinationtable.
#include "AppSession.h"
#include "Await.h"
#include "OnboardingAPIClient.h"
#include "ProfileHeaderCardViewModel.h"
#include "SettingsQuickActionsModel.h"
#include "TestPlatform.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

using Reply = FakeTransport::Reply;

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestProfileCard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A repeated route keeps only its first tile.
    void quickActions() {
        QList<QuickActionItem> items = SettingsQuickActionsModel::defaultQuickActions();
        items.insert(1, {QStringLiteral("report"), QStringLiteral("star"), QStringLiteral("又一个"), 0});
        SettingsQuickActionsModel model;
        model.setItems(items);
        QStringList titles;
        for (const QuickActionItem &item : model.items())
            titles << item.title;
        QCOMPARE(titles, (QStringList{"学习通知", "又一个", "错题本", "会员中心"}));
    }

    void initial_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("initial");
        const auto row = [](const char *name, const QString &full, const QString &initial) {
            QTest::newRow(name) << full << initial;
        };
        row("chinese", "岚帆伴同学", "岚");
        row("outside the BMP", "𠀀同学", "𠀀");
        row("skin tone", "👍🏽加油", "👍🏽");
        row("joined family", "👨‍👩‍👧小队", "👨‍👩‍👧");
        row("flag", "🇨🇳同学", "🇨🇳");
        row("two combining marks", QStringLiteral("a\u0308\u0323b"), QStringLiteral("a\u0308\u0323"));
        row("leading space", " 小明", " ");
        row("empty", "", "");
    }
    void initial() {
        QFETCH(QString, name);
        QFETCH(QString, initial);
        QCOMPARE(ProfileHeaderCardViewModel::initial(name), initial);
    }

    // What the card shows after a load with each answer.
    void cardTexts_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("initial");
        QTest::addColumn<QStringList>("details");
        QTest::addColumn<QString>("goal");
        // No name: the generic greeting and its initial; no goal: the generic line.
        const auto row = [](const char *name, const Reply &reply, const QStringList &details = {},
                            const QString &nickname = {}, const QString &initial = {},
                            const QString &goal = {}) {
            QTest::newRow(name) << reply << (nickname.isEmpty() ? QStringLiteral("岚帆伴同学") : nickname)
                                << (initial.isEmpty() ? QStringLiteral("岚") : initial) << details
                                << (goal.isEmpty() ? QStringLiteral("会员、隐私、学习记录都在这里管理")
                                                   : goal);
        };
        const auto profile = [](const QByteArray &fields) {
            return Reply::json(200, "{\"filled\":true," + fields + "}");
        };
        row("no profile yet", Reply::json(404, R"({"message":"没有"})"));
        row("no connection", Reply::error(TransportError::Kind::NoConnection));
        row("grade as text", profile(R"("nickname":"小明","grade":"8")"));
        row("empty nickname, one region",
            profile(R"("nickname":"","grade":8,"edition":"bs","province":"北京","city":"北京")"),
            {"初二", "北师大版", "北京"});
        row("unknown grade and edition",
            profile(R"("nickname":"小明","grade":13,"edition":"BS","province":"浙江","city":"杭州")"),
            {"浙江 · 杭州"}, "小明", "小");
        row("grade past 32 bits", profile(R"("grade":4294967304,"edition":"rj")"), {"人教版"});
        row("grade 0, edition other", profile(R"("grade":0,"edition":"other")"), {"其他"});
        row("empty province", profile(R"("grade":12,"province":"","city":"苏州")"), {"高三", "苏州"});
        row("daily goal", profile(R"("nickname":"👨‍👩‍👧小队","daily_minutes":30)"), {},
            "👨‍👩‍👧小队", "👨‍👩‍👧", "每日目标 30 分钟 · 坚持就是进步");
        row("untrimmed nickname", profile(R"("nickname":" 小明","daily_minutes":0)"), {}, " 小明", " ",
            "每日目标 0 分钟 · 坚持就是进步");
    }
    void cardTexts() {
        QFETCH(Reply, reply);
        QFETCH(QString, name);
        QFETCH(QString, initial);
        QFETCH(QStringList, details);
        QFETCH(QString, goal);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        ProfileHeaderCardViewModel card;
        card.setSession(&session);
        platform.transport->fallback = [&reply](const HttpRequest &) { return reply; };
        Await::result(card.runLoad());
        QCOMPARE(card.displayName(), name);
        QCOMPARE(card.initial(), initial);
        QCOMPARE(card.details(), details);
        QCOMPARE(card.hasDetails(), !details.isEmpty());
        QCOMPARE(card.goalLine(), goal);
        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest sent = platform.transport->requests.first();
        QCOMPARE(sent.method, QByteArray("GET"));
        QCOMPARE(sent.url, QUrl(TestPlatform::apiBase + OnboardingAPIClient::learningProfilePath));
        QCOMPARE(sent.header("Authorization"), QByteArray("Bearer tok"));
    }

    // Only the newest load counts, none begun before the card left the screen, a failed reload brings
    // back the generic greeting, and a reload that changes nothing signals nothing.
    void overlappingLoads() {
        TestPlatform platform;
        AppSession session;
        ProfileHeaderCardViewModel card;
        card.setSession(&session);
        QSignalSpy changed(&card, &ProfileHeaderCardViewModel::profileChanged);
        const auto named = [](const char *nickname, int delay) {
            return Reply::json(200, QByteArray(R"({"filled":true,"nickname":")") + nickname + "\"}")
                .after(delay);
        };
        QList<Reply> replies{named("旧", 200), named("新", 0)};
        platform.transport->fallback = [&replies](const HttpRequest &) { return replies.takeFirst(); };
        card.load();
        Await::result(card.runLoad());
        QCOMPARE(card.displayName(), QStringLiteral("新"));
        QTest::qWait(300);
        QCOMPARE(card.displayName(), QStringLiteral("新"));
        QCOMPARE(changed.size(), 1);

        replies = {named("新", 0)};
        Await::result(card.runLoad());
        QCOMPARE(changed.size(), 1);

        replies = {named("离开前", 100)};
        card.load();
        card.disappear();
        QTest::qWait(200);
        QCOMPARE(card.displayName(), QStringLiteral("新"));

        replies = {Reply::json(500, "{}")};
        Await::result(card.runLoad());
        QVERIFY(!card.hasProfile());
        QCOMPARE(card.displayName(), QStringLiteral("岚帆伴同学"));
        QCOMPARE(changed.size(), 2);
    }

    // A card destroyed while its load runs is left alone by the answer or the failure.
    void destroyedMidLoad_data() {
        QTest::addColumn<Reply>("reply");
        QTest::newRow("profile") << Reply::json(200, R"({"filled":true,"nickname":"晚到"})").after(30);
        QTest::newRow("failure") << Reply::json(500, "{}").after(30);
    }
    void destroyedMidLoad() {
        QFETCH(Reply, reply);
        TestPlatform platform;
        AppSession session;
        auto card = std::make_unique<ProfileHeaderCardViewModel>();
        card->setSession(&session);
        platform.transport->fallback = [reply](const HttpRequest &) { return reply; };
        auto load = card->runLoad();
        card.reset();
        Await::result(load);
        QCOMPARE(platform.transport->count(OnboardingAPIClient::learningProfilePath), 1);
    }
};

QTEST_MAIN(TestProfileCard)
#include "tst_profilecard.moc"
