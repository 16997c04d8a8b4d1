#include "AppSession.h"
#include "Await.h"
#include "CompanionSettingsSheetViewModel.h"
#include "RobotStore.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

// The companion settings sheet's rules: the persona it opens with, the 8-character name, what a save sends,
// the saving state, and the error text under the name field; against the scripted transport.

namespace {

const std::optional<QString> none;
const QString path = QStringLiteral("/api/v1/me/companion");

CompanionSettings settings(std::optional<QString> persona, std::optional<QString> name) {
    return {std::move(persona), std::move(name), std::nullopt};
}

QJsonObject sentBody(const FakeTransport &transport) {
    return QJsonDocument::fromJson(transport.requests.last().body).object();
}

} // namespace

Q_DECLARE_METATYPE(CompanionSettings)
Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestCompanionSettingsSheet : public QObject {
    Q_OBJECT

    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<AppSession> m_session;
    std::unique_ptr<RobotStore> m_store;

    std::unique_ptr<CompanionSettingsSheetViewModel> sheetFor(const CompanionSettings &current) {
        auto sheet = std::make_unique<CompanionSettingsSheetViewModel>(*m_store);
        sheet->setSession(m_session.get());
        sheet->setCurrent(current);
        sheet->appear();
        return sheet;
    }

private Q_SLOTS:
    void init() {
        m_platform = std::make_unique<TestPlatform>();
        m_session = std::make_unique<AppSession>();
        m_session->setAccessToken(QStringLiteral("tok"));
        m_store = std::make_unique<RobotStore>();
    }
    void cleanup() {
        m_store.reset();
        m_session.reset();
        m_platform.reset();
    }

    void opensWith_data() {
        QTest::addColumn<CompanionSettings>("current");
        QTest::addColumn<QString>("persona");
        QTest::addColumn<QString>("name");
        QTest::newRow("nothing stored") << settings(none, none) << "calm"
                                        << "";
        QTest::newRow("unknown persona") << settings("pirate", "小星") << "calm"
                                         << "小星";
        QTest::newRow("case matters") << settings("Strict", none) << "calm"
                                      << "";
        QTest::newRow("cheerful") << settings("cheerful", "") << "cheerful"
                                  << "";
        QTest::newRow("strict, a long stored name kept whole")
            << settings("strict", "一二三四五六七八九十") << "strict"
            << "一二三四五六七八九十";
    }
    void opensWith() {
        QFETCH(CompanionSettings, current);
        QFETCH(QString, persona);
        QFETCH(QString, name);
        const auto sheet = sheetFor(current);
        QCOMPARE(sheet->persona(), persona);
        QCOMPARE(sheet->personas().at(sheet->personaIndex()).raw, persona);
        QCOMPARE(sheet->name(), name);
        QVERIFY(!sheet->hasError());
        QVERIFY(!sheet->saving());
    }

    // Each appearance starts again from the presenter's settings.
    void appearStartsAgain() {
        const auto sheet = sheetFor(settings("strict", "小星"));
        sheet->choosePersona(0);
        sheet->setName(QStringLiteral("阿岚"));
        sheet->setCurrent(settings("cheerful", "小月"));
        QCOMPARE(sheet->persona(), QStringLiteral("cheerful")); // the learner's choice, by chance the same
        sheet->appear();
        QCOMPARE(sheet->persona(), QStringLiteral("cheerful"));
        QCOMPARE(sheet->name(), QStringLiteral("小月"));
        // Through the map the presenter binds.
        sheet->setCurrentMap({{"persona", "strict"}, {"name", QVariant()}, {"reminder", "daily"}});
        QVERIFY(sheet->current() == (CompanionSettings{"strict", none, "daily"}));
        QCOMPARE(sheet->currentMap(), (QVariantMap{{"persona", "strict"}, {"reminder", "daily"}}));
        sheet->appear();
        QCOMPARE(sheet->persona(), QStringLiteral("strict"));
        QCOMPARE(sheet->name(), QString());
    }

    void nameIsCut_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<bool>("signalled");
        QTest::newRow("a ninth character")
            << "一二三四五六七八"
            << "一二三四五六七八九"
            << "一二三四五六七八" << true; // the field must drop the ninth again
        QTest::newRow("twelve pasted") << ""
                                       << "abcdefghijkl"
                                       << "abcdefgh" << true;
        QTest::newRow("eight is fine") << "一二三"
                                       << "一二三四五六七八"
                                       << "一二三四五六七八" << true;
        QTest::newRow("surrounding spaces count") << ""
                                                  << "  小星小星小星小星"
                                                  << "  小星小星小星" << true;
        QTest::newRow("emoji with a skin tone is one character")
            << ""
            << QString::fromUtf8("👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽")
            << QString::fromUtf8("👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽") << true;
        QTest::newRow("combining marks stay with their letter")
            << "" << QString::fromUtf8("e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301")
            << QString::fromUtf8("e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301") << true;
        QTest::newRow("the same text again") << "小星"
                                             << "小星"
                                             << "小星" << false;
    }
    void nameIsCut() {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(bool, signalled);
        const auto sheet = sheetFor(settings(none, before));
        QSignalSpy changed(sheet.get(), &CompanionSettingsSheetViewModel::nameChanged);
        sheet->setName(typed);
        QCOMPARE(sheet->name(), kept);
        QCOMPARE(changed.count() > 0, signalled);
    }

    void nameToSend_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<std::optional<QString>>("stored");
        QTest::addColumn<std::optional<QString>>("sent");
        QTest::newRow("only surrounding spaces differ")
            << " 小星\t" << std::optional<QString>("小星") << none;
        QTest::newRow("ideographic space trimmed too")
            << QString::fromUtf8("\u3000小星\u3000") << std::optional<QString>("小星") << none;
        QTest::newRow("spaces only when one is stored")
            << "   " << std::optional<QString>("小星") << std::optional<QString>("");
        QTest::newRow("empty and an empty one stored") << "" << std::optional<QString>("") << none;
        QTest::newRow("renamed") << "小月" << std::optional<QString>("小星")
                                 << std::optional<QString>("小月");
    }
    void nameToSend() {
        QFETCH(QString, field);
        QFETCH(std::optional<QString>, stored);
        QFETCH(std::optional<QString>, sent);
        QCOMPARE(CompanionSettingsSheetViewModel::nameToSend(field, stored), sent);
    }

    // What a save puts on the wire, and what it hands back.
    void save_data() {
        QTest::addColumn<CompanionSettings>("current");
        QTest::addColumn<int>("choice"); // -1: untouched
        QTest::addColumn<std::optional<QString>>("typed");
        QTest::addColumn<QByteArray>("body");

        QTest::newRow("nothing stored, untouched")
            << settings(none, none) << -1 << none << QByteArray(R"({"persona":"calm"})");
        QTest::newRow("unknown persona saved as calm")
            << settings("pirate", none) << -1 << none << QByteArray(R"({"persona":"calm"})");
        QTest::newRow("unchanged persona is sent too")
            << settings("strict", "小星") << -1 << none << QByteArray(R"({"persona":"strict"})");
        QTest::newRow("name with spaces around the stored one")
            << settings("calm", "小星") << -1 << std::optional<QString>("  小星 ")
            << QByteArray(R"({"persona":"calm"})");
        QTest::newRow("cleared name") << settings("calm", "小星") << -1 << std::optional<QString>("")
                                      << QByteArray(R"({"persona":"calm","name":""})");
        QTest::newRow("cleared, none stored") << settings("calm", none) << -1 << std::optional<QString>("")
                                              << QByteArray(R"({"persona":"calm"})");
        QTest::newRow("new persona and name")
            << settings("calm", none) << 0 << std::optional<QString>(" 阿岚 ")
            << QByteArray(R"({"persona":"cheerful","name":"阿岚"})");
        QTest::newRow("cut name") << settings("calm", none) << 2 << std::optional<QString>("abcdefghij")
                                  << QByteArray(R"({"persona":"strict","name":"abcdefgh"})");
    }
    void save() {
        QFETCH(CompanionSettings, current);
        QFETCH(int, choice);
        QFETCH(std::optional<QString>, typed);
        QFETCH(QByteArray, body);

        m_platform->transport->on("PUT", path,
                                  FakeTransport::Reply::json(200, R"({"persona":"strict","name":"存好"})"));
        const auto sheet = sheetFor(current);
        if (choice >= 0)
            sheet->choosePersona(choice);
        if (typed)
            sheet->setName(*typed);

        QList<bool> savingWhenSaved;
        connect(sheet.get(), &CompanionSettingsSheetViewModel::saved, sheet.get(),
                [&] { savingWhenSaved << sheet->saving(); });
        QSignalSpy saved(sheet.get(), &CompanionSettingsSheetViewModel::saved);
        QSignalSpy saving(sheet.get(), &CompanionSettingsSheetViewModel::savingChanged);
        Await::result(sheet->saveAsync());

        QCOMPARE(m_platform->transport->requestsTo(path).size(), 1);
        QCOMPARE(m_platform->transport->requests.last().method, QByteArray("PUT"));
        QCOMPARE(sentBody(*m_platform->transport), QJsonDocument::fromJson(body).object());
        QCOMPARE(saved.count(), 1);
        QVERIFY(CompanionSettingsSheetViewModel::settingsFromMap(saved.first().first().toMap()) ==
                settings("strict", "存好"));
        // The presenter hears of it while the sheet is still saving; then saving ends.
        QCOMPARE(savingWhenSaved, QList<bool>{true});
        QCOMPARE(saving.count(), 2);
        QVERIFY(!sheet->saving());
        // The sheet does not take the stored settings itself: that is the presenter's to hand back.
        QVERIFY(sheet->current() == current);
    }

    void savingState() {
        m_platform->transport->on("PUT", path, FakeTransport::Reply::json(200, "{}").after(50));
        const auto sheet = sheetFor(settings("calm", none));
        QCOMPARE(sheet->saveText(), QStringLiteral("保存"));
        QSignalSpy saved(sheet.get(), &CompanionSettingsSheetViewModel::saved);
        sheet->save();
        QVERIFY(sheet->saving());
        QCOMPARE(sheet->saveText(), QStringLiteral("保存中…"));
        sheet->save(); // the disabled button: nothing more is sent
        QTRY_COMPARE(saved.count(), 1);
        QVERIFY(!sheet->saving());
        QCOMPARE(sheet->saveText(), QStringLiteral("保存"));
        QCOMPARE(m_platform->transport->requestsTo(path).size(), 1);
    }

    void failure_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<QString>("error");
        QTest::newRow("server message")
            << FakeTransport::Reply::json(409, R"({"message":"名字不合适"})") << "名字不合适";
        QTest::newRow("no message") << FakeTransport::Reply::json(500, R"({"code":"E"})")
                                    << "保存失败（500）";
        QTest::newRow("no HTTP answer") << FakeTransport::Reply::json(-1, "") << "无响应";
        QTest::newRow("not settings") << FakeTransport::Reply::json(200, "[]") << "响应格式不正确";
        QTest::newRow("timed out") << FakeTransport::Reply::error(TransportError::Kind::TimedOut)
                                   << TransportError::fromKind(TransportError::Kind::TimedOut).message();
    }
    void failure() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(QString, error);
        m_platform->transport->on("PUT", path, reply);
        const auto sheet = sheetFor(settings("calm", "小星"));
        sheet->choosePersona(2);
        sheet->setName(QStringLiteral("小月"));
        QSignalSpy saved(sheet.get(), &CompanionSettingsSheetViewModel::saved);
        Await::result(sheet->saveAsync());
        QCOMPARE(saved.count(), 0);
        QVERIFY(sheet->hasError());
        QCOMPARE(sheet->error(), std::optional<QString>(error));
        QVERIFY(!sheet->saving());
        // The choices stay as the learner left them.
        QCOMPARE(sheet->persona(), QStringLiteral("strict"));
        QCOMPARE(sheet->name(), QStringLiteral("小月"));
    }

    // The error text goes with the next edit of the name, never with a persona tap; a new appearance starts
    // without it.
    void errorClearedByEditingTheName_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("persona tapped") << "persona" << false;
        QTest::newRow("same persona tapped") << "samePersona" << false;
        QTest::newRow("a character typed") << "type" << true;
        QTest::newRow("a ninth character cut away") << "typeTooLong" << true;
        QTest::newRow("the field cleared") << "clear" << true;
        QTest::newRow("shown again") << "appear" << true;
    }
    void errorClearedByEditingTheName() {
        QFETCH(QString, action);
        QFETCH(bool, cleared);
        m_platform->transport->on("PUT", path, FakeTransport::Reply::json(503, ""));
        const auto sheet = sheetFor(settings("calm", "一二三四五六七八"));
        Await::result(sheet->saveAsync());
        QCOMPARE(sheet->errorText(), QStringLiteral("保存失败（503）"));
        QSignalSpy errorSpy(sheet.get(), &CompanionSettingsSheetViewModel::errorChanged);
        if (action == "persona")
            sheet->choosePersona(0);
        else if (action == "samePersona")
            sheet->choosePersona(1);
        else if (action == "type")
            sheet->setName(QStringLiteral("一二三"));
        else if (action == "typeTooLong")
            sheet->setName(QStringLiteral("一二三四五六七八九"));
        else if (action == "clear")
            sheet->setName(QString());
        else
            sheet->appear();
        QCOMPARE(sheet->hasError(), !cleared);
        QCOMPARE(errorSpy.count(), cleared ? 1 : 0);
    }

    // Texts and persona rows follow the robot language in effect, without the learner's choice changing.
    void textsFollowTheLanguage() {
        const auto sheet = sheetFor(settings("strict", none));
        QCOMPARE(sheet->title(), QStringLiteral("伙伴设置"));
        QCOMPARE(sheet->personas().at(0).label, QStringLiteral("活力伙伴"));
        QSignalSpy strings(sheet.get(), &CompanionSettingsSheetViewModel::stringsChanged);
        QSignalSpy rowsChanged(sheet->personaList(), &QAbstractItemModel::dataChanged);
        m_store->setActiveLanguage(QStringLiteral("en-US"));
        QCOMPARE(strings.count(), 1);
        QCOMPARE(rowsChanged.count(), 3);
        QCOMPARE(sheet->title(), QStringLiteral("Buddy settings"));
        QCOMPARE(sheet->cancelText(), QStringLiteral("Cancel"));
        QCOMPARE(sheet->saveText(), QStringLiteral("Save"));
        QCOMPARE(sheet->personas().at(1).label, QStringLiteral("Patient buddy"));
        QCOMPARE(sheet->personas().at(1).detail, QStringLiteral("Explains step by step"));
        QCOMPARE(sheet->persona(), QStringLiteral("strict"));
        QCOMPARE(sheet->personas().count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestCompanionSettingsSheet)
#include "tst_companionsettingssheet.moc"
