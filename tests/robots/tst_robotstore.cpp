#include "AppSession.h"
#include "Await.h"
#include "Fixtures.h"
#include "RobotStore.h"
#include "RobotTestData.h"
#include "TestPlatform.h"

#include <QCoro/QCoroTask>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

namespace {

const QString robotsPath = QStringLiteral("/ai/v1/robots");

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestRobotStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- persisted choices

    void firstLaunchDefaults() {
        TestPlatform platform;
        RobotStore store;
        QCOMPARE(store.language(), QStringLiteral("zh-CN"));
        QVERIFY(!store.voice().has_value());
        QCOMPARE(store.modelPref(), QStringLiteral("auto"));
        QCOMPARE(store.autoSpeak(), true);
        QVERIFY(!store.activeLanguage().has_value());
        QVERIFY(store.catalogs().isEmpty());
        QCOMPARE(store.catalog(), RobotStore::builtInCatalog());
    }

    void readsStoredValues_data() {
        QTest::addColumn<QVariant>("language");
        QTest::addColumn<QVariant>("voice");
        QTest::addColumn<QVariant>("modelPref");
        QTest::addColumn<QVariant>("autoSpeak");
        QTest::addColumn<QString>("expectedLanguage");
        QTest::addColumn<QString>("expectedVoice"); // "-" for none
        QTest::addColumn<QString>("expectedModelPref");
        QTest::addColumn<bool>("expectedAutoSpeak");
        QTest::newRow("all stored") << QVariant("yue-HK") << QVariant("robot") << QVariant("cloud")
                                    << QVariant(false) << "yue-HK"
                                    << "robot"
                                    << "cloud" << false;
        QTest::newRow("auto_speak stored as text counts as absent")
            << QVariant() << QVariant() << QVariant() << QVariant("false") << "zh-CN"
            << "-"
            << "auto" << true;
        QTest::newRow("auto_speak stored as number counts as absent")
            << QVariant() << QVariant() << QVariant() << QVariant(qint64(0)) << "zh-CN"
            << "-"
            << "auto" << true;
        QTest::newRow("texts stored as numbers count as absent")
            << QVariant(qint64(5)) << QVariant(qint64(7)) << QVariant(1.5) << QVariant(true) << "zh-CN"
            << "-"
            << "auto" << true;
        QTest::newRow("unknown values stay as stored")
            << QVariant("fr-FR") << QVariant("nobody") << QVariant("turbo") << QVariant() << "fr-FR"
            << "nobody"
            << "turbo" << true;
    }
    void readsStoredValues() {
        QFETCH(QVariant, language);
        QFETCH(QVariant, voice);
        QFETCH(QVariant, modelPref);
        QFETCH(QVariant, autoSpeak);
        QFETCH(QString, expectedLanguage);
        QFETCH(QString, expectedVoice);
        QFETCH(QString, expectedModelPref);
        QFETCH(bool, expectedAutoSpeak);
        TestPlatform platform;
        const auto put = [&](const QString &key, const QVariant &value) {
            switch (value.typeId()) {
            case QMetaType::QString:
                platform.defaults->setString(key, value.toString());
                break;
            case QMetaType::Bool:
                platform.defaults->setBool(key, value.toBool());
                break;
            case QMetaType::LongLong:
                platform.defaults->setInteger(key, value.toLongLong());
                break;
            case QMetaType::Double:
                platform.defaults->setDouble(key, value.toDouble());
                break;
            default:
                break;
            }
        };
        put(RobotStore::kLanguageKey, language);
        put(RobotStore::kVoiceKey, voice);
        put(RobotStore::kModelPrefKey, modelPref);
        put(RobotStore::kAutoSpeakKey, autoSpeak);
        RobotStore store;
        QCOMPARE(store.language(), expectedLanguage);
        QCOMPARE(store.voice().value_or(QStringLiteral("-")), expectedVoice);
        QCOMPARE(store.modelPref(), expectedModelPref);
        QCOMPARE(store.autoSpeak(), expectedAutoSpeak);
    }

    void choicesPersistAcrossLaunches() {
        TestPlatform platform;
        {
            RobotStore store;
            store.setLanguage("ja-JP");
            store.setVoice(QStringLiteral("calm_teacher"));
            store.setModelPref("local");
            store.setAutoSpeak(false);
        }
        QCOMPARE(platform.defaults->object(RobotStore::kAutoSpeakKey), QVariant(false));
        RobotStore next;
        QCOMPARE(next.language(), QStringLiteral("ja-JP"));
        QCOMPARE(next.voice(), std::optional<QString>("calm_teacher"));
        QCOMPARE(next.modelPref(), QStringLiteral("local"));
        QCOMPARE(next.autoSpeak(), false);
    }

    void choosingNoVoiceRemovesTheKey() {
        TestPlatform platform;
        platform.defaults->setString(RobotStore::kVoiceKey, "robot");
        RobotStore store;
        QSignalSpy changed(&store, &RobotStore::voiceChanged);
        store.setVoiceText(QString()); // what the follow-default row writes
        QVERIFY(!store.voice().has_value());
        QVERIFY(!platform.defaults->contains(RobotStore::kVoiceKey));
        QCOMPARE(changed.count(), 1);
        RobotStore next;
        QVERIFY(!next.voice().has_value());
    }

    void settersWriteEveryTimeButNotifyOnlyOnChange() {
        TestPlatform platform;
        RobotStore store;
        QSignalSpy modelChanged(&store, &RobotStore::modelPrefChanged);
        QSignalSpy speakChanged(&store, &RobotStore::autoSpeakChanged);
        QSignalSpy languageChanged(&store, &RobotStore::languageChanged);
        store.setModelPref("auto");
        store.setAutoSpeak(true);
        store.setLanguage("zh-CN");
        QCOMPARE(modelChanged.count(), 0);
        QCOMPARE(speakChanged.count(), 0);
        QCOMPARE(languageChanged.count(), 0);
        // Unchanged values are still written (a first launch then has them stored).
        QCOMPARE(platform.defaults->object(RobotStore::kModelPrefKey), QVariant("auto"));
        QCOMPARE(platform.defaults->object(RobotStore::kAutoSpeakKey), QVariant(true));
        QCOMPARE(platform.defaults->object(RobotStore::kLanguageKey), QVariant("zh-CN"));
        store.setModelPref("cloud");
        store.setAutoSpeak(false);
        QCOMPARE(modelChanged.count(), 1);
        QCOMPARE(speakChanged.count(), 1);
    }

    // --- language in effect

    void assigningTheSameLanguageStillClearsTheActiveOne() {
        TestPlatform platform;
        RobotStore store;
        store.setActiveLanguage(QStringLiteral("en-US"));
        QSignalSpy active(&store, &RobotStore::activeLanguageChanged);
        QSignalSpy language(&store, &RobotStore::languageChanged);
        QSignalSpy inEffect(&store, &RobotStore::languageInEffectChanged);
        platform.defaults->remove(RobotStore::kLanguageKey);
        store.setLanguage("zh-CN");
        QVERIFY(!store.activeLanguage().has_value());
        QCOMPARE(active.count(), 1);
        QCOMPARE(language.count(), 0);
        QCOMPARE(inEffect.count(), 1);
        QCOMPARE(platform.defaults->object(RobotStore::kLanguageKey), QVariant("zh-CN"));
        // Nothing to clear the second time: no notice.
        store.setLanguage("zh-CN");
        QCOMPARE(active.count(), 1);
    }

    void activeLanguageNotifiesOnlyOnChange() {
        TestPlatform platform;
        RobotStore store;
        QSignalSpy active(&store, &RobotStore::activeLanguageChanged);
        store.setActiveLanguage(std::nullopt);
        QCOMPARE(active.count(), 0);
        store.setActiveLanguage(QStringLiteral("en-US"));
        store.setActiveLanguage(QStringLiteral("en-US"));
        QCOMPARE(active.count(), 1);
        store.resetActiveLanguage();
        store.resetActiveLanguage();
        QCOMPARE(active.count(), 2);
        QVERIFY(!platform.defaults->contains("qvl.robot.active_language"));
    }

    // --- catalog in use and derived values

    void catalogInUsePreference() {
        TestPlatform platform;
        RobotStore store;
        const RobotCatalog english = RobotTestData::catalog("english", "en-US");
        const RobotCatalog mandarin = RobotTestData::catalog("mandarin", "zh-CN", "zh-CN");
        QSignalSpy catalogChanged(&store, &RobotStore::catalogChanged);

        store.setActiveLanguage(QStringLiteral("ja-JP"));
        QCOMPARE(store.catalog(), RobotStore::builtInCatalog()); // nothing fetched
        QCOMPARE(catalogChanged.count(), 0);

        store.setCatalog("zh-CN", mandarin);
        QCOMPARE(store.catalog(), mandarin); // the learner's own language's catalog
        QCOMPARE(catalogChanged.count(), 1);

        store.setCatalog("en-US", english);
        QCOMPARE(store.catalog(), mandarin); // not in effect
        QCOMPARE(catalogChanged.count(), 1);

        store.setActiveLanguage(QStringLiteral("en-US"));
        QCOMPARE(store.catalog(), english);
        QCOMPARE(catalogChanged.count(), 2);
        QVERIFY(!store.catalogs().contains("ja-JP"));
    }

    void languageLabel_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("active"); // empty: none
        QTest::addColumn<QString>("label");
        QTest::newRow("built-in Cantonese") << "yue-HK"
                                            << ""
                                            << "粤语";
        QTest::newRow("active wins") << "zh-CN"
                                     << "en-US"
                                     << "English";
        QTest::newRow("unknown code is its own label") << "fr-FR"
                                                       << ""
                                                       << "fr-FR";
    }
    void languageLabel() {
        QFETCH(QString, language);
        QFETCH(QString, active);
        QFETCH(QString, label);
        TestPlatform platform;
        RobotStore store;
        store.setLanguage(language);
        if (!active.isEmpty())
            store.setActiveLanguage(active);
        QCOMPARE(store.languageLabel(), label);
    }

    void languageLabelLooksOnlyAtTheCatalogInUse() {
        TestPlatform platform;
        RobotStore store;
        // A fetched catalog that lists only its own language: the built-in labels are not consulted.
        store.setCatalog("zh-CN", RobotTestData::catalog("mandarin", "xx-XX"));
        QCOMPARE(store.languageLabel(), QStringLiteral("zh-CN"));
    }

    void voiceForScene_data() {
        QTest::addColumn<QString>("voice"); // empty: none
        QTest::addColumn<QString>("scene");
        QTest::addColumn<QString>("expected");
        QTest::newRow("chosen voice for any scene") << "robot"
                                                    << "learning"
                                                    << "robot";
        QTest::newRow("learning follows suansuan") << ""
                                                   << "learning"
                                                   << "calm_teacher";
        QTest::newRow("home follows lanlan") << ""
                                             << "home"
                                             << "warm_girl";
        QTest::newRow("practice follows kaokao") << ""
                                                 << "practice"
                                                 << "bright_boy";
        QTest::newRow("unknown scene follows the default scene") << ""
                                                                 << "nowhere"
                                                                 << "warm_girl";
        QTest::newRow("unlisted choice is ignored") << "tenor"
                                                    << "wrongbook"
                                                    << "bright_boy";
    }
    void voiceForScene() {
        QFETCH(QString, voice);
        QFETCH(QString, scene);
        QFETCH(QString, expected);
        TestPlatform platform;
        RobotStore store;
        store.setVoiceText(voice);
        QCOMPARE(store.voiceForScene(scene)->id, expected);
        QCOMPARE(store.voiceText(), voice); // an unlisted choice is not cleared
    }

    void voiceForSceneWithoutScenesOrRobots() {
        TestPlatform platform;
        RobotStore store;
        RobotCatalog bare = RobotTestData::catalog("bare", "zh-CN");
        bare.scenes.clear();
        store.setCatalog("zh-CN", bare);
        QVERIFY(!store.voiceForScene("companion").has_value());
        // A chosen voice that the catalog lists needs no scene.
        store.setVoice(QStringLiteral("bare_voice"));
        QCOMPARE(store.voiceForScene("companion")->id, QStringLiteral("bare_voice"));
        store.setVoice(std::nullopt);
        bare = RobotTestData::catalog("bare", "zh-CN");
        bare.robots.clear();
        store.setCatalog("zh-CN", bare);
        QVERIFY(!store.voiceForScene("companion").has_value());
        QCOMPARE(store.robotFor("companion").id, QString());
    }

    void speechLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("active");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zh-CN") << "zh-CN"
                               << ""
                               << "zh-CN";
        QTest::newRow("en-US") << "en-US"
                               << ""
                               << "en-US";
        QTest::newRow("yue-HK") << "yue-HK"
                                << ""
                                << "zh-HK";
        QTest::newRow("ja-JP") << "ja-JP"
                               << ""
                               << "ja-JP";
        QTest::newRow("active yue-HK without fetched catalog") << "zh-CN"
                                                               << "yue-HK"
                                                               << "zh-HK";
        QTest::newRow("unknown code") << "fr-FR"
                                      << ""
                                      << "fr-FR";
    }
    void speechLanguage() {
        QFETCH(QString, language);
        QFETCH(QString, active);
        QFETCH(QString, expected);
        TestPlatform platform;
        RobotStore store;
        store.setLanguage(language);
        if (!active.isEmpty())
            store.setActiveLanguage(active);
        QCOMPARE(store.speechLanguage(), expected);
    }

    void speechLanguageFallsBackToTheBuiltInRecord() {
        TestPlatform platform;
        RobotStore store;
        store.setLanguage("yue-HK");
        // The fetched catalog in use does not list Cantonese: the built-in record still gives its locale.
        store.setCatalog("yue-HK", RobotTestData::catalog("other", "en-US"));
        QCOMPARE(store.speechLanguage(), QStringLiteral("zh-HK"));
        store.setCatalog("yue-HK", RobotTestData::catalog("cantonese", "yue-HK", "yue-Hant-HK"));
        QCOMPARE(store.speechLanguage(), QStringLiteral("yue-Hant-HK"));
    }

    // --- fetching catalogs

    void loadSendsTheCatalogRequest_data() {
        QTest::addColumn<QString>("token"); // empty: signed out
        QTest::addColumn<QString>("language");
        QTest::addColumn<QByteArray>("query");
        QTest::newRow("signed in") << "at1"
                                   << "en-US" << QByteArray("language=en-US");
        QTest::newRow("signed out") << ""
                                    << "zh-CN" << QByteArray("language=zh-CN");
        QTest::newRow("plus and space are escaped") << ""
                                                    << "a+b c" << QByteArray("language=a%2Bb%20c");
    }
    void loadSendsTheCatalogRequest() {
        QFETCH(QString, token);
        QFETCH(QString, language);
        QFETCH(QByteArray, query);
        TestPlatform platform;
        AppSession session;
        if (!token.isEmpty())
            session.setAccessToken(token);
        platform.transport->on("GET", robotsPath,
                               FakeTransport::Reply::json(200, RobotTestData::catalogBody("x")));
        RobotStore store;
        store.setLanguage(language);
        Await::result(store.loadCatalog(&session, false));
        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &request = platform.transport->requests.first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.url.path(), robotsPath);
        QCOMPARE(request.url.query(QUrl::FullyEncoded).toUtf8(), query);
        QCOMPARE(request.timeoutMs, 60000);
        QCOMPARE(request.hasHeader("Authorization"), !token.isEmpty());
        if (!token.isEmpty())
            QCOMPARE(*request.header("Authorization"), "Bearer " + token.toUtf8());
        QVERIFY(!request.hasHeader("Content-Type"));
        QVERIFY(request.body.isEmpty());
        QVERIFY(store.catalogs().contains(language));
    }

    void loadStoresAndAnnounces() {
        TestPlatform platform;
        AppSession session;
        platform.transport->on(
            "GET", robotsPath,
            FakeTransport::Reply::json(200, RobotTestData::catalogBody("mandarin", "zh-CN")));
        RobotStore store;
        QSignalSpy catalogs(&store, &RobotStore::catalogsChanged);
        QSignalSpy inUse(&store, &RobotStore::catalogChanged);
        QSignalSpy label(&store, &RobotStore::languageLabelChanged);
        Await::result(store.loadCatalog(&session, false));
        QCOMPARE(catalogs.count(), 1);
        QCOMPARE(inUse.count(), 1);
        QCOMPARE(label.count(), 1);
        QCOMPARE(store.languageLabel(), QStringLiteral("mandarin language"));
        QCOMPARE(store.robotFor("companion").name, QStringLiteral("mandarin bot"));
    }

    void loadFailuresAreSilent_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        const QByteArray good = RobotTestData::catalogBody("x");
        QJsonObject noRobots = RobotTestData::catalogJson("x");
        noRobots.insert("robots", QJsonArray{});
        QJsonObject noScenes = RobotTestData::catalogJson("x");
        noScenes.insert("scenes", QJsonArray{});
        QJsonObject noDefaultScene = RobotTestData::catalogJson("x");
        noDefaultScene.remove("default_scene");
        QTest::newRow("status 201") << FakeTransport::Reply::json(201, good);
        QTest::newRow("status 500") << FakeTransport::Reply::json(500, good);
        QTest::newRow("not HTTP") << FakeTransport::Reply::json(-1, good);
        QTest::newRow("no connection") << FakeTransport::Reply::error(TransportError::Kind::NoConnection);
        QTest::newRow("timed out") << FakeTransport::Reply::error(TransportError::Kind::TimedOut);
        QTest::newRow("empty robots")
            << FakeTransport::Reply::json(200, QJsonDocument(noRobots).toJson(QJsonDocument::Compact));
        QTest::newRow("empty scenes")
            << FakeTransport::Reply::json(200, QJsonDocument(noScenes).toJson(QJsonDocument::Compact));
        QTest::newRow("no default_scene")
            << FakeTransport::Reply::json(200, QJsonDocument(noDefaultScene).toJson(QJsonDocument::Compact));
        QTest::newRow("not JSON") << FakeTransport::Reply::json(200, "<html>");
    }
    void loadFailuresAreSilent() {
        QFETCH(FakeTransport::Reply, reply);
        TestPlatform platform;
        AppSession session;
        RobotStore store;
        store.setCatalog("zh-CN", RobotTestData::catalog("earlier", "zh-CN"));
        platform.transport->on("GET", robotsPath, reply);
        QSignalSpy catalogs(&store, &RobotStore::catalogsChanged);
        Await::result(store.loadCatalog(&session, true));
        QCOMPARE(platform.transport->requests.size(), 1);
        QCOMPARE(catalogs.count(), 0);
        QCOMPARE(store.catalog(), RobotTestData::catalog("earlier", "zh-CN"));
    }

    void loadWithoutForceReusesAStoredCatalog() {
        TestPlatform platform;
        AppSession session;
        platform.transport->on("GET", robotsPath,
                               FakeTransport::Reply::json(200, RobotTestData::catalogBody("new")));
        RobotStore store;
        store.setCatalog("zh-CN", RobotTestData::catalog("old"));
        Await::result(store.loadCatalog(&session, false));
        QCOMPARE(platform.transport->requests.size(), 0);
        Await::result(store.loadCatalog(&session, true));
        QCOMPARE(platform.transport->requests.size(), 1);
        QCOMPARE(store.catalog(), RobotTestData::catalog("new"));
    }

    void loadKeepsTheCodeItStartedWith() {
        TestPlatform platform;
        AppSession session;
        platform.transport->on(
            "GET", robotsPath,
            FakeTransport::Reply::json(200, RobotTestData::catalogBody("mandarin")).after(30));
        RobotStore store;
        auto load = store.loadCatalog(&session, false);
        store.setLanguage("en-US"); // changes while the request is under way
        Await::result(load);
        QVERIFY(store.catalogs().contains("zh-CN"));
        QVERIFY(!store.catalogs().contains("en-US"));
        QCOMPARE(store.catalog(), RobotStore::builtInCatalog());
    }

    void loadRenewsThroughTheGivenSession() {
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("stale"));
        session.setRefreshToken(QStringLiteral("rt"));
        platform.transport->on("POST", "/api/v1/auth/refresh",
                               FakeTransport::Reply::json(
                                   200, Fixtures::patched("auth/grant.json", {{"access_token", "fresh"}})));
        platform.transport->fallback = [](const HttpRequest &request) {
            if (request.header("Authorization") == QByteArray("Bearer fresh"))
                return FakeTransport::Reply::json(200, RobotTestData::catalogBody("renewed", "zh-CN"));
            return FakeTransport::Reply::json(401, R"({"message":"expired"})");
        };
        RobotStore store;
        Await::result(store.loadCatalog(&session, false));
        QCOMPARE(store.catalog().robots.first().name, QStringLiteral("renewed bot"));
    }

    // --- following the chat's language

    void followLanguage_data() {
        QTest::addColumn<QString>("active"); // before; empty: none
        QTest::addColumn<QVariant>("code");  // invalid: none
        QTest::addColumn<bool>("switched");
        QTest::addColumn<QString>("activeAfter");
        QTest::addColumn<int>("requests");
        QTest::newRow("no code") << "" << QVariant() << false << "" << 0;
        QTest::newRow("empty code") << "" << QVariant("") << false << "" << 0;
        QTest::newRow("already in effect") << "" << QVariant("zh-CN") << false << "" << 0;
        QTest::newRow("active already in effect") << "en-US" << QVariant("en-US") << false << "en-US" << 0;
        QTest::newRow("another language") << "" << QVariant("en-US") << true << "en-US" << 1;
        QTest::newRow("back to the learner's own") << "en-US" << QVariant("zh-CN") << true << "" << 1;
    }
    void followLanguage() {
        QFETCH(QString, active);
        QFETCH(QVariant, code);
        QFETCH(bool, switched);
        QFETCH(QString, activeAfter);
        QFETCH(int, requests);
        TestPlatform platform;
        AppSession session;
        platform.transport->on("GET", robotsPath,
                               FakeTransport::Reply::json(200, RobotTestData::catalogBody("x")));
        RobotStore store;
        if (!active.isEmpty())
            store.setActiveLanguage(active);
        const std::optional<QString> given = code.isValid() ? std::optional(code.toString()) : std::nullopt;
        QCOMPARE(Await::result(store.followLanguage(given, &session)), switched);
        QCOMPARE(store.activeLanguageText(), activeAfter);
        QCOMPARE(platform.transport->requests.size(), requests);
    }

    void followingSwitchesBeforeTheFetchAndFetchesOnce() {
        TestPlatform platform;
        AppSession session;
        platform.transport->on(
            "GET", robotsPath,
            FakeTransport::Reply::json(200, RobotTestData::catalogBody("english")).after(20));
        RobotStore store;
        auto follow = store.followLanguage(QStringLiteral("en-US"), &session);
        QCOMPARE(store.languageInEffect(), QStringLiteral("en-US")); // before the answer
        QCOMPARE(store.catalog(), RobotStore::builtInCatalog());
        QVERIFY(Await::result(follow));
        QCOMPARE(store.catalog().robots.first().name, QStringLiteral("english bot"));
        store.resetActiveLanguage();
        QVERIFY(Await::result(store.followLanguage(QStringLiteral("en-US"), &session)));
        QCOMPARE(platform.transport->requests.size(), 1); // the stored catalog is reused
    }

    // --- shared instance

    void sharedInstanceIsOne() {
        TestPlatform platform;
        QCOMPARE(&RobotStore::shared(), &RobotStore::shared());
        QCOMPARE(RobotStore::create(nullptr, nullptr), &RobotStore::shared());
    }
};

QTEST_GUILESS_MAIN(TestRobotStore)
#include "tst_robotstore.moc"
