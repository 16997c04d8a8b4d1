#include "AppSession.h"
#include "FakeSpeech.h"
#include "RobotSceneBannerModel.h"
#include "RobotSettingsSheetModel.h"
#include "RobotStageModel.h"
#include "RobotStore.h"
#include "RobotTestData.h"
#include "SpeechPlayer.h"
#include "TestPlatform.h"
#include "Theme.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QString robotsPath = QStringLiteral("/ai/v1/robots");

// A store and a speech player of their own, over fakes; the service offers no server speech, so texts go to
// the fake synthesizer.
struct Rig {
    TestPlatform platform;
    AppSession session;
    RobotStore store;
    std::shared_ptr<FakeSpeechSynthesizer> synth = std::make_shared<FakeSpeechSynthesizer>();
    FakeAudioFactory audio;
    std::unique_ptr<SpeechPlayer> player;

    Rig() {
        platform.transport->on("GET", "/ai/v1/media/capabilities",
                               FakeTransport::Reply::json(200, R"({"items":[]})"));
        SpeechPlayer::Dependencies dependencies;
        dependencies.store = &store;
        dependencies.synthesizer = synth;
        dependencies.makeAudioPlayer = audio.function();
        player = std::make_unique<SpeechPlayer>(std::move(dependencies));
    }
    void readReply(const QUuid &id) {
        player->toggleSpeech(QStringLiteral("一条回复"), id, &session, "companion");
    }
    int catalogRequests() const { return platform.transport->count(robotsPath); }
};

} // namespace

class TestRobotViewModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- scene banner

    void bannerShowsTheSceneRobot_data() {
        QTest::addColumn<QString>("scene");
        QTest::addColumn<QString>("bubble");
        QTest::addColumn<QString>("nameLine");
        QTest::addColumn<QString>("bubbleText");
        QTest::newRow("learning") << "learning"
                                  << ""
                                  << "算算 · AI 机器人"
                                  << "我是算算，负责陪你学新课的 AI 伙伴。这一课哪里没看懂？";
        QTest::newRow("caller's bubble") << "practice"
                                         << "先想一想"
                                         << "考考 · AI 机器人"
                                         << "先想一想";
        QTest::newRow("unknown scene: the default scene's robot")
            << "nowhere"
            << ""
            << "小岚 · AI 机器人"
            << "你好，我是 AI 学习伙伴（不是真人）。有不会的题、想学的章节，都可以告诉我。";
    }
    void bannerShowsTheSceneRobot() {
        QFETCH(QString, scene);
        QFETCH(QString, bubble);
        QFETCH(QString, nameLine);
        QFETCH(QString, bubbleText);
        Rig rig;
        RobotSceneBannerModel banner(rig.store, *rig.player);
        banner.setScene(scene);
        banner.setBubble(bubble);
        QCOMPARE(banner.nameLine(), nameLine);
        QCOMPARE(banner.bubbleText(), bubbleText);
        QCOMPARE(banner.greetHint(), QStringLiteral("朗读问候语"));
    }

    void bannerSizes() {
        Rig rig;
        RobotSceneBannerModel banner(rig.store, *rig.player);
        QCOMPARE(banner.avatarSize(), 78.0);
        QCOMPARE(banner.textSize(), 15.0);
        banner.setCompact(true);
        QCOMPARE(banner.avatarSize(), 54.0);
        QCOMPARE(banner.textSize(), 13.0);
    }

    void bannerTapReadsTheGreetingAndStops() {
        Rig rig;
        RobotSceneBannerModel banner(rig.store, *rig.player);
        banner.setScene("practice");
        banner.setMood(RobotMood::Waving);
        banner.setBubble("调用方的文字");
        banner.setSession(&rig.session);
        QSignalSpy mood(&banner, &RobotSceneBannerModel::avatarMoodChanged);
        banner.tap();
        QVERIFY(banner.speaking());
        QCOMPARE(banner.avatarMood(), RobotMood::Speaking);
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        // The greeting is read even while the bubble shows the caller's text.
        QCOMPARE(rig.synth->spoken[0].text,
                 QStringLiteral("我是考考，陪你练题的 AI 伙伴。做错了也没关系，我先给你思路。"));
        banner.tap();
        QVERIFY(!banner.speaking());
        QCOMPARE(banner.avatarMood(), RobotMood::Waving);
        QCOMPARE(mood.count(), 2);
    }

    void twoBannersKeepTheirOwnSpeech() {
        Rig rig;
        RobotSceneBannerModel first(rig.store, *rig.player);
        RobotSceneBannerModel second(rig.store, *rig.player);
        QVERIFY(first.greetId() != second.greetId());
        const QUuid reply = QUuid::createUuid();
        rig.readReply(reply);
        first.tap(); // replaces the reply
        QVERIFY(first.speaking());
        QVERIFY(!second.speaking());
        second.tap();
        QVERIFY(!first.speaking());
        QVERIFY(second.speaking());
        rig.synth->finishCurrent();
        QTRY_VERIFY(!second.speaking());
    }

    void bannerFollowsTheLanguageInEffect() {
        Rig rig;
        RobotSceneBannerModel banner(rig.store, *rig.player);
        banner.setSession(&rig.session);
        QSignalSpy content(&banner, &RobotSceneBannerModel::contentChanged);
        rig.store.setActiveLanguage(QStringLiteral("en-US"));
        QVERIFY(content.count() >= 1);
        QCOMPARE(banner.nameLine(), QStringLiteral("小岚 · AI robot")); // built-in robots until the fetch
        QCOMPARE(banner.greetHint(), QStringLiteral("Read the greeting aloud"));
        rig.platform.transport->on("GET", robotsPath,
                                   FakeTransport::Reply::json(200, RobotTestData::catalogBody("English")));
        banner.appear();
        QTRY_COMPARE(banner.nameLine(), QStringLiteral("English bot · AI robot"));
        QCOMPARE(banner.bubbleText(), QStringLiteral("Hello from English"));
        banner.appear(); // kept: no second request
        QCOMPARE(rig.catalogRequests(), 1);
    }

    // --- settings sheet

    void sheetTextsAndNotes_data() {
        QTest::addColumn<std::optional<RobotCatalog::Models>>("models");
        QTest::addColumn<QString>("note");
        QTest::newRow("no models") << std::optional<RobotCatalog::Models>() << "首选不可用时自动改用另一类。";
        QTest::newRow("local only") << std::optional(RobotCatalog::Models{true, false})
                                    << "本地模型：可用 · 云端模型：未配置。首选不可用时自动改用另一类。";
        QTest::newRow("cloud only") << std::optional(RobotCatalog::Models{false, true})
                                    << "本地模型：未配置 · 云端模型：可用。首选不可用时自动改用另一类。";
    }
    void sheetTextsAndNotes() {
        QFETCH(std::optional<RobotCatalog::Models>, models);
        QFETCH(QString, note);
        Rig rig;
        RobotCatalog catalog = RobotStore::builtInCatalog();
        catalog.models = models;
        rig.store.setCatalog("zh-CN", catalog);
        RobotSettingsSheetModel sheet(rig.store, *rig.player);
        QCOMPARE(sheet.modelNote(), note);
        QCOMPARE(sheet.title(), QStringLiteral("机器人设置"));
        QCOMPARE(sheet.languageFooter(), QStringLiteral("你用其他语言提问时，伙伴会自动改用该语言回答，界面也"
                                                        "会跟着切换。当前对话：中文（普通话）。"));
        QCOMPARE(sheet.modelOptions(), (QStringList{"自动", "本地优先", "云端优先"}));
        QCOMPARE(sheet.voiceOptions(),
                 (QStringList{"跟随机器人默认", "温柔姐姐", "活力男孩", "沉稳老师", "机器人音"}));
    }

    void sheetPreviewRow() {
        Rig rig;
        RobotSettingsSheetModel sheet(rig.store, *rig.player);
        sheet.setScene("learning");
        QCOMPARE(sheet.titleLine(), QStringLiteral("算算 · 学习路径"));
        QCOMPARE(sheet.robot().id, QStringLiteral("suansuan"));
        sheet.setScene("unknown");
        QCOMPARE(sheet.titleLine(), QStringLiteral("小岚 · 伙伴对话"));
    }

    void sheetVoicePicker() {
        Rig rig;
        RobotSettingsSheetModel sheet(rig.store, *rig.player);
        QCOMPARE(sheet.voiceIndex(), 0); // follow the robot
        sheet.chooseVoice(4);
        QCOMPARE(rig.store.voice(), std::optional<QString>("robot"));
        QCOMPARE(sheet.voiceIndex(), 4);
        sheet.chooseVoice(0);
        QVERIFY(!rig.store.voice().has_value());
        QVERIFY(!rig.platform.defaults->contains(RobotStore::kVoiceKey));
        sheet.chooseVoice(9); // no such row
        QVERIFY(!rig.store.voice().has_value());
        rig.store.setVoice(QStringLiteral("tenor")); // not listed: no row, the choice stays
        QCOMPARE(sheet.voiceIndex(), -1);
        QCOMPARE(rig.store.voice(), std::optional<QString>("tenor"));
    }

    void sheetLanguagePickerAndFooter() {
        Rig rig;
        rig.platform.transport->on("GET", robotsPath, FakeTransport::Reply::json(503, "{}"));
        RobotSettingsSheetModel sheet(rig.store, *rig.player);
        QCOMPARE(sheet.languageIndex(), 0);
        rig.store.setLanguage("fr-FR");
        QCOMPARE(sheet.languageIndex(), -1);
        QVERIFY(sheet.languageFooter().endsWith(QStringLiteral("当前对话：fr-FR。")));
        rig.store.setLanguage("zh-CN");
        // The chat switched to English: texts and footer follow it, the picker still shows the learner's
        // choice.
        rig.store.setActiveLanguage(QStringLiteral("en-US"));
        QCOMPARE(sheet.title(), QStringLiteral("Robot settings"));
        QVERIFY(sheet.languageFooter().endsWith(QStringLiteral("This chat: English.")));
        QCOMPARE(sheet.languageIndex(), 0);
        sheet.chooseLanguage(2);
        QCOMPARE(rig.store.language(), QStringLiteral("yue-HK"));
        QVERIFY(!rig.store.activeLanguage().has_value());
        QCOMPARE(sheet.doneText(), QStringLiteral("完成"));
    }

    void sheetModelAndAutoSpeak() {
        Rig rig;
        RobotSettingsSheetModel sheet(rig.store, *rig.player);
        QCOMPARE(sheet.modelIndex(), 0);
        sheet.chooseModel(2);
        QCOMPARE(rig.store.modelPref(), QStringLiteral("cloud"));
        QCOMPARE(rig.platform.defaults->object(RobotStore::kModelPrefKey), QVariant("cloud"));
        rig.store.setModelPref("turbo");
        QCOMPARE(sheet.modelIndex(), -1);
        sheet.setAutoSpeak(false);
        QCOMPARE(rig.store.autoSpeak(), false);
        QCOMPARE(rig.platform.defaults->object(RobotStore::kAutoSpeakKey), QVariant(false));
    }

    void previewTogglesAndReplacesAReply() {
        Rig rig;
        RobotSettingsSheetModel sheet(rig.store, *rig.player);
        sheet.setScene("home");
        sheet.setSession(&rig.session);
        sheet.appear();
        const QUuid reply = QUuid::createUuid();
        rig.readReply(reply);
        QCOMPARE(sheet.avatarMood(), RobotMood::Waving);
        QSignalSpy previewing(&sheet, &RobotSettingsSheetModel::previewingChanged);
        sheet.preview();
        QCOMPARE(rig.player->speakingId(), std::optional(sheet.previewId()));
        QCOMPARE(sheet.avatarMood(), RobotMood::Speaking);
        QTRY_VERIFY(!rig.synth->spoken.isEmpty());
        QCOMPARE(rig.synth->spoken.last().text,
                 QStringLiteral("我是小岚，你的 AI 学习伙伴。今天想先学点什么？"));
        sheet.preview();
        QVERIFY(!rig.player->speakingId().has_value());
        QCOMPARE(sheet.avatarMood(), RobotMood::Waving);
        QCOMPARE(previewing.count(), 2);
    }

    void closingStopsOnlyThePreview() {
        Rig rig;
        {
            RobotSettingsSheetModel sheet(rig.store, *rig.player);
            sheet.appear();
            sheet.preview();
            QVERIFY(sheet.previewing());
            sheet.disappear();
            QVERIFY(!rig.player->speakingId().has_value());
        }
        const QUuid reply = QUuid::createUuid();
        {
            RobotSettingsSheetModel sheet(rig.store, *rig.player);
            sheet.appear();
            rig.readReply(reply);
            sheet.disappear();
            QCOMPARE(rig.player->speakingId(), std::optional(reply));
        }
        QCOMPARE(rig.player->speakingId(), std::optional(reply)); // and destruction leaves it too
    }

    void languageChangeWhileShownStopsAndRefetches() {
        Rig rig;
        rig.platform.transport->on("GET", robotsPath,
                                   FakeTransport::Reply::json(200, RobotTestData::catalogBody("English")));
        rig.store.setCatalog("en-US", RobotTestData::catalog("kept"));
        RobotSettingsSheetModel sheet(rig.store, *rig.player);
        sheet.setSession(&rig.session);
        // Not shown yet: a change is not the sheet's to act on.
        rig.store.setLanguage("ja-JP");
        QCOMPARE(rig.catalogRequests(), 0);
        sheet.appear();
        const QUuid reply = QUuid::createUuid();
        rig.readReply(reply);
        sheet.chooseLanguage(1);                        // English, whose catalog the store already keeps
        QVERIFY(!rig.player->speakingId().has_value()); // the chat reply stopped too
        QTRY_COMPARE(rig.catalogRequests(), 1);
        QCOMPARE(rig.platform.transport->requestsTo(robotsPath).first().url.query(),
                 QStringLiteral("language=en-US"));
        QTRY_COMPARE(rig.store.catalog().robots.first().name, QStringLiteral("English bot"));
        // Choosing the same language again is no change.
        sheet.chooseLanguage(sheet.languageIndex());
        QTest::qWait(20);
        QCOMPARE(rig.catalogRequests(), 1);
    }

    void sheetOnACatalogWithoutScenes() {
        Rig rig;
        RobotCatalog bare = RobotTestData::catalog("bare", "zh-CN");
        bare.scenes.clear();
        rig.store.setCatalog("zh-CN", bare);
        RobotSettingsSheetModel sheet(rig.store, *rig.player);
        QCOMPARE(sheet.robot().id, QString());
        sheet.preview(); // nothing to read: no speech, no crash
        QVERIFY(!rig.player->speakingId().has_value());
    }

    // --- stage

    void stageLayouts() {
        Rig rig;
        RobotStageModel stage(rig.store);
        QCOMPARE(stage.avatarSize(), 118.0);
        QCOMPARE(stage.cornerRadius(), 28.0);
        QVERIFY(stage.showTagline());
        QCOMPARE(stage.tagline(), QStringLiteral("AI 学习伙伴 · 不是真人"));
        stage.setCompact(true);
        QCOMPARE(stage.avatarSize(), 54.0);
        QCOMPARE(stage.cornerRadius(), 22.0);
        QCOMPARE(stage.shadowBlur(), 10.0);
        QCOMPARE(stage.robotGlowRadius(), 160.0);
        QVERIFY(!stage.showTagline());
        QSignalSpy texts(&stage, &RobotStageModel::textsChanged);
        rig.store.setActiveLanguage(QStringLiteral("ja-JP"));
        QCOMPARE(texts.count(), 1);
        QCOMPARE(stage.autoLanguage(), QStringLiteral("質問の言語に自動で切り替え"));
    }

    void stageDot_data() {
        QTest::addColumn<int>("mood");
        QTest::addColumn<bool>("active");
        QTest::newRow("idle") << int(RobotMood::Idle) << false;
        QTest::newRow("thinking") << int(RobotMood::Thinking) << true;
        QTest::newRow("speaking") << int(RobotMood::Speaking) << true;
        QTest::newRow("waving is like idle") << int(RobotMood::Waving) << false;
    }
    void stageDot() {
        QFETCH(int, mood);
        QFETCH(bool, active);
        Rig rig;
        RobotStageModel stage(rig.store);
        stage.setMood(RobotMood(mood));
        QCOMPARE(stage.active(), active);
        QCOMPARE(stage.dotColor(), active ? Theme::brandAmber() : Theme::brandMint());
    }
};

QTEST_MAIN(TestRobotViewModels)
#include "tst_robotviewmodels.moc"
