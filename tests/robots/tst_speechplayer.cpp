#include "AppSession.h"
#include "FakeSpeech.h"
#include "Graphemes.h"
#include "RobotStore.h"
#include "RobotTestData.h"
#include "SpeechPlayer.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString capsPath = QStringLiteral("/ai/v1/media/capabilities");
const QString ttsPath = QStringLiteral("/ai/v1/media/tts");
const QByteArray wave = QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16);

QByteArray caps(const QString &items) {
    return QStringLiteral(R"({"items":[%1]})").arg(items).toUtf8();
}
const QByteArray ttsOn = caps(R"({"capability":"tts","enabled":true})");
const QByteArray ttsOff = caps(R"({"capability":"tts","enabled":false})");

using Event = QPair<QString, QHash<QString, QString>>;

// A speech player wired to fakes: scripted transport, a silent synthesizer, silent audio, recorded events.
struct Rig {
    TestPlatform platform;
    AppSession session;
    RobotStore store;
    std::shared_ptr<FakeSpeechSynthesizer> synth = std::make_shared<FakeSpeechSynthesizer>();
    FakeAudioFactory audio;
    QList<Event> events;
    std::unique_ptr<SpeechPlayer> player;

    explicit Rig(int startTimeoutMs = 8000, int finishSlackMs = 5000, int msPerCharacter = 400) {
        session.setAccessToken(QStringLiteral("at1"));
        SpeechPlayer::Dependencies dependencies;
        dependencies.store = &store;
        dependencies.synthesizer = synth;
        dependencies.makeAudioPlayer = audio.function();
        dependencies.track = [this](const QString &name, const QHash<QString, QString> &props) {
            events.append({name, props});
        };
        dependencies.startTimeoutMs = startTimeoutMs;
        dependencies.finishSlackMs = finishSlackMs;
        dependencies.msPerCharacter = msPerCharacter;
        player = std::make_unique<SpeechPlayer>(std::move(dependencies));
    }

    void capabilities(const FakeTransport::Reply &reply) { platform.transport->on("GET", capsPath, reply); }
    void tts(const FakeTransport::Reply &reply) { platform.transport->on("POST", ttsPath, reply); }
    void serverSpeech() {
        capabilities(FakeTransport::Reply::json(200, ttsOn));
        tts(FakeTransport::Reply::json(200, wave));
    }
    void toggle(const QString &text, const QUuid &id, const QString &scene = QStringLiteral("companion")) {
        player->toggleSpeech(text, id, &session, scene);
    }
    int requestsTo(const QString &path) const { return platform.transport->count(path); }
    QJsonObject ttsBody(int index = 0) const {
        return QJsonDocument::fromJson(platform.transport->requestsTo(ttsPath).at(index).body).object();
    }
    int played(const QString &kind) const {
        int count = 0;
        for (const Event &event : events) {
            if (event.first == QStringLiteral("tts_play") && event.second.value("voice") == kind)
                ++count;
        }
        return count;
    }
    // Lets every pending turn of the event loop run (scripted answers, fake starts).
    static void settle(int ms = 30) { QTest::qWait(ms); }
};

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestSpeechPlayer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- text cleaning

    void speakableText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("bold and code") << "**注意** `x`"
                                       << "注意 x";
        QTest::newRow("underline pair") << "__重点__"
                                        << "重点";
        QTest::newRow("single asterisk and underscore stay") << "a*b_c"
                                                             << "a*b_c";
        QTest::newRow("inline formula") << "解 \\(x^2 = 4\\) 得"
                                        << "解 x^2 = 4 得";
        QTest::newRow("display formula") << "\\[a+b\\]"
                                         << "a+b";
        QTest::newRow("dollars") << "$x$ 和 $$y$$"
                                 << "x 和 y";
        QTest::newRow("heading") << "## 第一步\n先移项"
                                 << "第一步\n先移项";
        QTest::newRow("number sign anywhere") << "C# 和 #1"
                                              << "C 和 1";
        QTest::newRow("order: ** before *") << "***"
                                            << "*";
        QTest::newRow("white space and line breaks trimmed") << " \n\t你好\u3000\n"
                                                             << "你好";
        QTest::newRow("only markers") << "** ` $ \\( \\) #"
                                      << "";
    }
    void speakableText() {
        QFETCH(QString, text);
        QFETCH(QString, spoken);
        QCOMPARE(SpeechPlayer::speakableText(text), spoken);
    }

    void leadingCharactersCountsGraphemes() {
        const QString family = QStringLiteral("👨‍👩‍👧");
        QCOMPARE(Graphemes::leading(family + "ab", 2), family + "a");
        QCOMPARE(Graphemes::leading("abc", 600), QStringLiteral("abc"));
        QCOMPARE(Graphemes::leading(QString(1000, u'字'), 600).size(), 600);
    }

    // --- server speech

    void serverSpeechPlaysTheAudio() {
        Rig rig;
        rig.serverSpeech();
        QSignalSpy speaking(rig.player.get(), &SpeechPlayer::speakingIdChanged);
        const QUuid id = QUuid::createUuid();
        rig.toggle("**你好**", id);
        QCOMPARE(rig.player->speakingId(), std::optional(id)); // set before any request
        QTRY_COMPARE(rig.played("server"), 1);
        QCOMPARE(rig.audio.made.size(), 1);
        QCOMPARE(rig.audio.made[0]->loaded, wave);
        QCOMPARE(rig.audio.made[0]->playCount, 1);
        QCOMPARE(rig.player->serverEnabled(), std::optional(true));
        QVERIFY(rig.synth->spoken.isEmpty());

        const HttpRequest capsRequest = rig.platform.transport->requestsTo(capsPath).first();
        QCOMPARE(capsRequest.method, QByteArray("GET"));
        QCOMPARE(*capsRequest.header("Authorization"), QByteArray("Bearer at1"));
        QVERIFY(!capsRequest.hasHeader("Content-Type"));
        const HttpRequest ttsRequest = rig.platform.transport->requestsTo(ttsPath).first();
        QCOMPARE(*ttsRequest.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(ttsRequest.timeoutMs, 60000);
        QCOMPARE(rig.ttsBody(),
                 (QJsonObject{{"text", "你好"}, {"robot_voice", "warm_girl"}, {"language", "zh-CN"}}));

        rig.audio.made[0]->finish(true);
        QVERIFY(!rig.player->speakingId().has_value());
        QVERIFY(rig.player->player() != nullptr); // kept until the next stop
        QCOMPARE(speaking.count(), 2);
    }

    void capabilitiesAreAskedOncePerRun() {
        Rig rig;
        rig.serverSpeech();
        rig.toggle("一", QUuid::createUuid());
        QTRY_COMPARE(rig.played("server"), 1);
        rig.toggle("二", QUuid::createUuid());
        QTRY_COMPARE(rig.played("server"), 2);
        QCOMPARE(rig.requestsTo(capsPath), 1);
        QCOMPARE(rig.requestsTo(ttsPath), 2);
        QCOMPARE(rig.audio.made[0]->stopCount, 1); // the second text stopped the first
    }

    void capabilitiesDecide_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<QVariant>("serverEnabled"); // null: still unknown
        QTest::addColumn<int>("capsRequestsAfterTwoTexts");
        QTest::newRow("empty items") << FakeTransport::Reply::json(200, caps("")) << QVariant(false) << 1;
        QTest::newRow("first tts element decides")
            << FakeTransport::Reply::json(
                   200, caps(R"({"capability":"tts","enabled":false},{"capability":"tts","enabled":true})"))
            << QVariant(false) << 1;
        QTest::newRow("other capabilities only")
            << FakeTransport::Reply::json(200, caps(R"({"capability":"asr","enabled":true})"))
            << QVariant(false) << 1;
        QTest::newRow("TTS is not tts")
            << FakeTransport::Reply::json(200, caps(R"({"capability":"TTS","enabled":true})"))
            << QVariant(false) << 1;
        QTest::newRow("status 500") << FakeTransport::Reply::json(500, ttsOn) << QVariant() << 2;
        QTest::newRow("status 204") << FakeTransport::Reply::json(204, ttsOn) << QVariant() << 2;
        QTest::newRow("element without enabled")
            << FakeTransport::Reply::json(200, caps(R"({"capability":"tts"})")) << QVariant() << 2;
        QTest::newRow("enabled as text")
            << FakeTransport::Reply::json(200, caps(R"({"capability":"tts","enabled":"yes"})")) << QVariant()
            << 2;
        QTest::newRow("no connection")
            << FakeTransport::Reply::error(TransportError::Kind::NoConnection) << QVariant() << 2;
        QTest::newRow("not HTTP") << FakeTransport::Reply::json(-1, ttsOn) << QVariant() << 2;
    }
    void capabilitiesDecide() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(QVariant, serverEnabled);
        QFETCH(int, capsRequestsAfterTwoTexts);
        Rig rig;
        rig.capabilities(reply);
        rig.toggle("第一句", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 1); // the system voice reads it now
        QCOMPARE(rig.player->serverEnabledValue(), serverEnabled);
        rig.toggle("第二句", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 2);
        QCOMPARE(rig.requestsTo(capsPath), capsRequestsAfterTwoTexts);
        QCOMPARE(rig.requestsTo(ttsPath), 0);
    }

    void audioFailures_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QVariant>("serverEnabledAfter");
        QTest::addColumn<int>("ttsRequestsAfterTwoTexts");
        QTest::newRow("503 turns server speech off")
            << FakeTransport::Reply::json(503, "{}") << true << QVariant(false) << 1;
        QTest::newRow("500 keeps it on")
            << FakeTransport::Reply::json(500, "{}") << true << QVariant(true) << 2;
        QTest::newRow("404 keeps it on")
            << FakeTransport::Reply::json(404, "{}") << true << QVariant(true) << 2;
        QTest::newRow("no connection keeps it on")
            << FakeTransport::Reply::error(TransportError::Kind::TimedOut) << true << QVariant(true) << 2;
        QTest::newRow("not HTTP keeps it on")
            << FakeTransport::Reply::json(-1, wave) << true << QVariant(true) << 2;
        QTest::newRow("undecodable audio")
            << FakeTransport::Reply::json(200, "not audio") << false << QVariant(true) << 2;
    }
    void audioFailures() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(bool, loads);
        QFETCH(QVariant, serverEnabledAfter);
        QFETCH(int, ttsRequestsAfterTwoTexts);
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOn));
        rig.tts(reply);
        rig.audio.script.loads = loads;
        rig.toggle("第一句", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        QCOMPARE(rig.synth->spoken[0].text, QStringLiteral("第一句"));
        QCOMPARE(rig.player->serverEnabledValue(), serverEnabledAfter);
        // The first text is heard before the second replaces it (a text stopped before it sounds is not).
        QTRY_COMPARE(rig.played("system"), 1);
        rig.toggle("第二句", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 2);
        QCOMPARE(rig.requestsTo(ttsPath), ttsRequestsAfterTwoTexts);
        QCOMPARE(rig.requestsTo(capsPath), 1);
        QTRY_COMPARE(rig.played("system"), 2);
        QCOMPARE(rig.played("server"), 0);
    }

    void longTextIsCutForTheServerOnly() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOn));
        rig.tts(FakeTransport::Reply::json(500, "{}"));
        const QString text = QString(999, u'字') + u'尾';
        rig.toggle(text, QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        QCOMPARE(rig.ttsBody()["text"].toString(), QString(600, u'字'));
        QCOMPARE(rig.synth->spoken[0].text, text);
    }

    // --- the system voice

    void systemVoiceFollowsTheRobotVoice_data() {
        QTest::addColumn<QString>("voice"); // empty: the robot's own
        QTest::addColumn<QString>("scene");
        QTest::addColumn<float>("pitch");
        QTest::addColumn<float>("rate");
        QTest::newRow("warm_girl") << ""
                                   << "home" << float(1.1) << 0.95f * 1.0f;
        QTest::newRow("calm_teacher") << ""
                                      << "learning" << float(0.9) << 0.95f * float(0.95);
        QTest::newRow("bright_boy") << ""
                                    << "practice" << float(1.25) << 0.95f * float(1.05);
        QTest::newRow("chosen robot voice") << "robot"
                                            << "learning" << float(1.4) << 0.95f * 1.0f;
    }
    void systemVoiceFollowsTheRobotVoice() {
        QFETCH(QString, voice);
        QFETCH(QString, scene);
        QFETCH(float, pitch);
        QFETCH(float, rate);
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        rig.store.setVoiceText(voice);
        rig.toggle("你好", QUuid::createUuid(), scene);
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        QCOMPARE(rig.synth->spoken[0].pitchMultiplier, pitch);
        QCOMPARE(rig.synth->spoken[0].rateFactor, rate);
        QCOMPARE(rig.synth->voicesUsed[0], std::optional<QString>("fake-zh"));
        QCOMPARE(rig.player->scene(), scene);
    }

    void noVoiceForTheScene() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOn));
        rig.tts(FakeTransport::Reply::json(500, "{}"));
        RobotCatalog catalog = RobotTestData::catalog("bare", "zh-CN", "zh-CN");
        catalog.voices.clear();
        rig.store.setCatalog("zh-CN", catalog);
        rig.toggle("你好", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        QVERIFY(!rig.ttsBody().contains("robot_voice"));
        QCOMPARE(rig.synth->spoken[0].pitchMultiplier, 1.0f);
        QCOMPARE(rig.synth->spoken[0].rateFactor, 0.95f);
    }

    void speechLocaleFollowsTheLanguageInEffect() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOn));
        rig.tts(FakeTransport::Reply::json(500, "{}"));
        rig.synth->voices.insert("zh-HK", "fake-yue");
        rig.store.setActiveLanguage(QStringLiteral("yue-HK"));
        rig.toggle("你好", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        QCOMPARE(rig.ttsBody()["language"].toString(), QStringLiteral("yue-HK"));
        QCOMPARE(rig.synth->spoken[0].locales, (QStringList{"zh-HK", "zh-CN"}));
        QCOMPARE(rig.synth->voicesUsed[0], std::optional<QString>("fake-yue"));
    }

    void voiceFallsBackToMandarinThenToTheDefault() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        rig.store.setLanguage("ja-JP");
        rig.toggle("こんにちは", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        QCOMPARE(rig.synth->spoken[0].locales, (QStringList{"ja-JP", "zh-CN"}));
        QCOMPARE(rig.synth->voicesUsed[0], std::optional<QString>("fake-zh"));
        rig.synth->voices.clear();
        rig.toggle("もう一度", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 2);
        QVERIFY(!rig.synth->voicesUsed[1].has_value());
    }

    void playIsRecordedOnlyOnceSoundStarts() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        rig.synth->startsByItself = false;
        rig.toggle("你好", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        Rig::settle();
        QCOMPARE(rig.played("system"), 0);
        rig.synth->startCurrent();
        QCOMPARE(rig.played("system"), 1);
        rig.synth->startCurrent(); // a second report is not a second play
        QCOMPARE(rig.played("system"), 1);
        rig.synth->finishCurrent();
        QVERIFY(!rig.player->speakingId().has_value());
    }

    void withoutAnEngineNothingIsHeard() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        rig.synth->hasEngine = false;
        QSignalSpy speaking(rig.player.get(), &SpeechPlayer::speakingIdChanged);
        rig.toggle("你好", QUuid::createUuid());
        QTRY_VERIFY(!rig.player->speakingId().has_value());
        QVERIFY(rig.synth->spoken.isEmpty());
        QCOMPARE(speaking.count(), 2);
        QVERIFY(rig.events.isEmpty());
    }

    void withoutASessionTheSystemVoiceSpeaks() {
        Rig rig;
        rig.player->toggleSpeech("你好", QUuid::createUuid(), nullptr, "companion");
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        QVERIFY(rig.platform.transport->requests.isEmpty());
    }

    // --- starting and stopping

    void sameIdTwiceStops() {
        Rig rig;
        rig.serverSpeech();
        const QUuid id = QUuid::createUuid();
        rig.toggle("你好", id);
        QTRY_COMPARE(rig.played("server"), 1);
        rig.toggle("你好", id, "learning");
        QVERIFY(!rig.player->speakingId().has_value());
        QCOMPARE(rig.audio.made[0]->stopCount, 1);
        QVERIFY(rig.player->player() == nullptr);
        QCOMPARE(rig.player->scene(), QStringLiteral("learning")); // the scene is taken also when stopping
    }

    void sameIdTwiceStopsTheSynthesizer() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        const QUuid id = QUuid::createUuid();
        rig.toggle("你好", id);
        QTRY_COMPARE(rig.played("system"), 1);
        const int stopsBefore = rig.synth->stopCount;
        rig.toggle("你好", id);
        QCOMPARE(rig.synth->stopCount, stopsBefore + 1);
        QVERIFY(!rig.synth->isSpeaking());
        QVERIFY(!rig.player->speakingId().has_value());
    }

    void anotherIdReplacesTheText() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        const QUuid first = QUuid::createUuid();
        const QUuid second = QUuid::createUuid();
        rig.toggle("第一句", first);
        QTRY_COMPARE(rig.played("system"), 1);
        rig.toggle("第二句", second);
        QCOMPARE(rig.player->speakingId(), std::optional(second));
        QTRY_COMPARE(rig.synth->spoken.size(), 2);
        QCOMPARE(rig.synth->spoken[1].text, QStringLiteral("第二句"));
        QCOMPARE(rig.player->speakingId(), std::optional(second));
    }

    void emptyTextStopsAndStartsNothing() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        rig.toggle("第一句", QUuid::createUuid());
        QTRY_COMPARE(rig.played("system"), 1);
        const int requests = rig.platform.transport->requests.size();
        rig.toggle("** $ #", QUuid::createUuid());
        QVERIFY(!rig.player->speakingId().has_value());
        QVERIFY(!rig.synth->isSpeaking());
        Rig::settle();
        QCOMPARE(rig.platform.transport->requests.size(), requests);
        QCOMPARE(rig.synth->spoken.size(), 1);
    }

    void tapWhileTheRequestIsOutstanding_data() {
        QTest::addColumn<bool>("delayCapabilities");
        QTest::newRow("during capabilities") << true;
        QTest::newRow("during audio") << false;
    }
    void tapWhileTheRequestIsOutstanding() {
        QFETCH(bool, delayCapabilities);
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOn).after(delayCapabilities ? 40 : 0));
        rig.tts(FakeTransport::Reply::json(200, wave).after(delayCapabilities ? 0 : 40));
        const QUuid id = QUuid::createUuid();
        rig.toggle("你好", id);
        Rig::settle(10);
        rig.toggle("你好", id);
        QVERIFY(!rig.player->speakingId().has_value());
        Rig::settle(120);
        QVERIFY(rig.audio.made.isEmpty());
        QVERIFY(rig.synth->spoken.isEmpty());
        QVERIFY(rig.events.isEmpty());
    }

    // A quick off-and-on of the same text while its first start is still waiting must read it once.
    void quickOffAndOnReadsOnce_data() {
        QTest::addColumn<bool>("server");
        QTest::newRow("server speech") << true;
        QTest::newRow("system voice") << false;
    }
    void quickOffAndOnReadsOnce() {
        QFETCH(bool, server);
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, server ? ttsOn : ttsOff).after(40));
        rig.tts(FakeTransport::Reply::json(200, wave));
        const QUuid id = QUuid::createUuid();
        rig.toggle("你好", id);
        rig.toggle("你好", id);
        rig.toggle("你好", id);
        QCOMPARE(rig.player->speakingId(), std::optional(id));
        Rig::settle(150);
        QCOMPARE(rig.played(server ? "server" : "system"), 1);
        if (server) {
            int playing = 0;
            for (const auto &made : rig.audio.made)
                playing += made->playCount;
            QCOMPARE(playing, 1);
            QVERIFY(rig.synth->spoken.isEmpty());
        } else {
            QCOMPARE(rig.synth->spoken.size(), 1);
        }
    }

    void lateFinishOfAnEarlierTextKeepsTheNewer() {
        Rig rig;
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        rig.toggle("第一句", QUuid::createUuid());
        QTRY_COMPARE(rig.played("system"), 1);
        const SpeechSynthesizer::Id earlier = rig.synth->current();
        const QUuid second = QUuid::createUuid();
        rig.toggle("第二句", second);
        QTRY_COMPARE(rig.played("system"), 2);
        rig.synth->reportFinished(earlier); // a late "ready" of the stopped utterance
        QCOMPARE(rig.player->speakingId(), std::optional(second));
        rig.synth->finishCurrent();
        QVERIFY(!rig.player->speakingId().has_value());
    }

    void lateFinishOfEarlierAudioKeepsTheNewer() {
        Rig rig;
        rig.serverSpeech();
        rig.toggle("第一句", QUuid::createUuid());
        QTRY_COMPARE(rig.played("server"), 1);
        const QUuid second = QUuid::createUuid();
        rig.toggle("第二句", second);
        QTRY_COMPARE(rig.played("server"), 2);
        rig.audio.made[0]->finish(true);
        QCOMPARE(rig.player->speakingId(), std::optional(second));
        rig.audio.made[1]->finish(false); // broke off: still the end of the reading
        QVERIFY(!rig.player->speakingId().has_value());
    }

    void stopEndsEverything() {
        Rig rig;
        rig.serverSpeech();
        rig.toggle("你好", QUuid::createUuid());
        QTRY_COMPARE(rig.played("server"), 1);
        QSignalSpy playerChanged(rig.player.get(), &SpeechPlayer::playerChanged);
        rig.player->stop();
        QVERIFY(!rig.player->speakingId().has_value());
        QVERIFY(rig.player->player() == nullptr);
        QCOMPARE(playerChanged.count(), 1);
        rig.player->stop(); // idle: nothing changes
        QCOMPARE(playerChanged.count(), 1);
    }

    // --- the watchdog

    void silentSynthesizerIsGivenUp() {
        Rig rig(50);
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        rig.synth->startsByItself = false;
        rig.toggle("你好", QUuid::createUuid());
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        QTRY_VERIFY(!rig.player->speakingId().has_value());
        QVERIFY(!rig.synth->isSpeaking());
        QCOMPARE(rig.played("system"), 0);
    }

    void endlessSynthesizerIsEnded() {
        Rig rig(8000, 20, 10);
        rig.capabilities(FakeTransport::Reply::json(200, ttsOff));
        rig.toggle("你好", QUuid::createUuid());
        QTRY_COMPARE(rig.played("system"), 1);
        QTRY_VERIFY(!rig.player->speakingId().has_value()); // never reported finished
        QVERIFY(!rig.synth->isSpeaking());
    }

    void silentAudioFallsBackToTheSystemVoice() {
        Rig rig(50);
        rig.serverSpeech();
        rig.audio.script.startsOnPlay = false;
        const QUuid id = QUuid::createUuid();
        rig.toggle("你好", id);
        QTRY_COMPARE(rig.synth->spoken.size(), 1);
        QCOMPARE(rig.audio.made[0]->stopCount, 1);
        QCOMPARE(rig.player->speakingId(), std::optional(id));
        QCOMPARE(rig.played("server"), 0);
        QTRY_COMPARE(rig.played("system"), 1);
    }

    void endlessAudioIsEnded() {
        Rig rig(8000, 20);
        rig.serverSpeech();
        rig.audio.script.durationMs = 30;
        rig.toggle("你好", QUuid::createUuid());
        QTRY_COMPARE(rig.played("server"), 1);
        QTRY_VERIFY(!rig.player->speakingId().has_value());
        QCOMPARE(rig.audio.made[0]->stopCount, 1);
        QVERIFY(rig.synth->spoken.isEmpty());
    }

    void sharedInstanceIsOne() {
        TestPlatform platform;
        QCOMPARE(&SpeechPlayer::shared(), &SpeechPlayer::shared());
        QCOMPARE(SpeechPlayer::create(nullptr, nullptr), &SpeechPlayer::shared());
    }
};

QTEST_GUILESS_MAIN(TestSpeechPlayer)
#include "tst_speechplayer.moc"
