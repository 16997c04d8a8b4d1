#include "AppSession.h"
#include "AudioPlayer.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "DevServer.h"
#include "FakeSpeech.h"
#include "Platform.h"
#include "RobotStore.h"
#include "SpeechPlayer.h"
#include "TestPlatform.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTest>

#include <cstring>

namespace {

quint32 le32(const QByteArray &bytes, int at) {
    quint32 value = 0;
    std::memcpy(&value, bytes.constData() + at, 4);
    return value; // the test hosts are little-endian, like the format
}

quint16 le16(const QByteArray &bytes, int at) {
    quint16 value = 0;
    std::memcpy(&value, bytes.constData() + at, 2);
    return value;
}

} // namespace

// Robot catalogs and speech against the local stand-in of the service, over the real network stack.
class TestRobotsEndToEnd : public QObject {
    Q_OBJECT

private:
    DevServer m_server;
    QString m_base;

    QJsonObject bundle() const {
        return {{QStringLiteral("QVLApiBaseURL"), m_base},
                {QStringLiteral("QVLAiBaseURL"), m_base},
                {QStringLiteral("QVLTradeBaseURL"), m_base}};
    }

    // Test services with the real network in place of the scripted transport.
    struct Network {
        TestPlatform platform;
        NetworkTransport network;
        std::unique_ptr<Platform::Override> override;
        explicit Network(const QJsonObject &bundle) : platform(bundle) {
            Platform::Services services;
            services.transport = std::shared_ptr<Transport>(&network, [](Transport *) {});
            override = std::make_unique<Platform::Override>(services);
        }
    };

    // A phone of its own for every sign-in: the service limits how often one phone gets a code.
    void signIn(AppSession &session) {
        static int next = 100;
        const QString phone = QStringLiteral("13800138") + QString::number(next++);
        const AuthAPIClient client;
        Await::result(client.sendCode(phone, session));
        session.storeGrant(
            Await::result(client.login(phone, QString::fromStdString(DevServer::smsCode()), session)));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_server.start(0) > 0);
        m_base = QString::fromStdString(m_server.baseUrl());
    }

    void catalogsPerLanguage() {
        Network net(bundle());
        AppSession session;
        RobotStore store;
        Await::result(store.loadCatalog(&session, false)); // signed out
        QVERIFY(store.catalogs().contains("zh-CN"));
        QCOMPARE(store.robotFor("learning").name, QStringLiteral("算算"));
        QCOMPARE(store.catalog().models.has_value(), true);

        signIn(session);
        QVERIFY(Await::result(store.followLanguage(QStringLiteral("en-US"), &session)));
        QCOMPARE(store.languageLabel(), QStringLiteral("English"));
        QCOMPARE(store.robotFor("learning").name, QStringLiteral("Sums"));
        QCOMPARE(store.speechLanguage(), QStringLiteral("en-US"));
        QCOMPARE(m_server.requestCount("/v1/robots"), 2);

        // A language the service does not offer: the catalog in use stays (the learner's own).
        QVERIFY(Await::result(store.followLanguage(QStringLiteral("ja-JP"), &session)));
        QVERIFY(!store.catalogs().contains("ja-JP"));
        QCOMPARE(store.robotFor("learning").name, QStringLiteral("算算"));
    }

    void expiredTokenIsRenewedForTheCatalog() {
        Network net(bundle());
        AppSession session;
        signIn(session);
        m_server.expireAccessTokens();
        RobotStore store;
        Await::result(store.loadCatalog(&session, true));
        QVERIFY(store.catalogs().contains("zh-CN"));
    }

    void serverSpeechIsAWave() {
        Network net(bundle());
        AppSession session;
        RobotStore store;
        auto synth = std::make_shared<FakeSpeechSynthesizer>();
        FakeAudioFactory audio;
        QStringList events;
        SpeechPlayer::Dependencies dependencies;
        dependencies.store = &store;
        dependencies.synthesizer = synth;
        dependencies.makeAudioPlayer = audio.function();
        dependencies.track = [&](const QString &name, const QHash<QString, QString> &props) {
            events << name + u'/' + props.value("voice");
        };
        SpeechPlayer player(std::move(dependencies));

        player.toggleSpeech(QStringLiteral("你好，\\(x+1\\) 等于几？"), QUuid::createUuid(), &session,
                            "learning");
        QTRY_COMPARE(events, QStringList{"tts_play/server"});
        const QByteArray wave = audio.made.first()->loaded;
        QVERIFY(wave.size() > 44);
        QCOMPARE(wave.left(4), QByteArray("RIFF"));
        QCOMPARE(wave.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(le32(wave, 4), quint32(wave.size() - 8));
        QCOMPARE(le16(wave, 20), quint16(1)); // PCM
        const quint32 rate = le32(wave, 24);
        const quint16 bits = le16(wave, 34);
        QCOMPARE(wave.mid(36, 4), QByteArray("data"));
        const quint32 dataSize = le32(wave, 40);
        QCOMPARE(dataSize, quint32(wave.size() - 44));
        const double seconds = double(dataSize) / (rate * bits / 8);
        QVERIFY2(seconds >= 0.2 && seconds <= 1.0, qPrintable(QString::number(seconds)));

        // The service turns speech off: the system voice reads this text and every later one.
        m_server.failNext("/v1/media/tts", 503);
        player.toggleSpeech(QStringLiteral("第二句"), QUuid::createUuid(), &session, "learning");
        QTRY_COMPARE(synth->spoken.size(), 1);
        QCOMPARE(player.serverEnabled(), std::optional(false));
        const int ttsRequests = m_server.requestCount("/v1/media/tts");
        player.toggleSpeech(QStringLiteral("第三句"), QUuid::createUuid(), &session, "learning");
        QTRY_COMPARE(synth->spoken.size(), 2);
        QCOMPARE(m_server.requestCount("/v1/media/tts"), ttsRequests);
        QCOMPARE(m_server.requestCount("/v1/media/capabilities"), 1);
    }

    // The platform player can make a player of what the service sends.
    void mediaPlayerLoadsTheWave() {
        Network net(bundle());
        AppSession session;
        RobotStore store;
        SpeechPlayer::Dependencies dependencies;
        dependencies.store = &store;
        SpeechPlayer player(std::move(dependencies));
        const auto bytes = Await::result(player.fetchServerAudio(QStringLiteral("你好"), &session));
        QVERIFY(bytes.has_value());
        auto media = MediaAudioPlayer::make();
        if (QMediaDevices::audioOutputs().isEmpty()) {
            // Playback without an output device would crash the media backend: the player refuses the audio.
            QVERIFY(!Await::result(media->load(*bytes)));
            return;
        }
        QVERIFY(Await::result(media->load(*bytes)));
        QVERIFY(media->durationMs() > 0);
        QVERIFY(!Await::result(MediaAudioPlayer::make()->load(QByteArray("definitely not audio"))));
    }
};

QTEST_MAIN(TestRobotsEndToEnd)
#include "tst_robots_e2e.moc"
