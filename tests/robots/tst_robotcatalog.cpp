#include "RobotCatalog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>

namespace {

QJsonObject language(const QString &code, const QString &label, const QString &ttsLocale) {
    return {{"code", code}, {"label", label}, {"tts_locale", ttsLocale}};
}

QJsonObject voice(const QString &id, double pitch = 1.0, double rate = 1.0) {
    return {{"id", id}, {"label", id + QStringLiteral(" label")}, {"pitch", pitch}, {"rate", rate}};
}

QJsonObject robot(const QString &id, const QString &defaultVoice = QStringLiteral("v1")) {
    return {{"id", id},
            {"name", id + QStringLiteral(" name")},
            {"color", "#112233"},
            {"accent", "#445566"},
            {"shape", "round"},
            {"accessory", "antenna"},
            {"default_voice", defaultVoice}};
}

QJsonObject scene(const QString &id, const QString &robotId) {
    return {{"id", id},
            {"label", id + QStringLiteral(" label")},
            {"robot", robotId},
            {"greeting", QStringLiteral("hello from ") + id},
            {"prompts", QJsonArray{"p1", "p2"}}};
}

// A complete catalog answer as the service sends it.
QJsonObject wireCatalog() {
    return {
        {"default_scene", "companion"},
        {"languages", QJsonArray{language("en-US", "English", "en-US"), language("zh-CN", "中文", "zh-CN")}},
        {"voices", QJsonArray{voice("v1", 1.2, 0.9), voice("v2")}},
        {"robots", QJsonArray{robot("r1"), robot("r2", "v2")}},
        {"scenes", QJsonArray{scene("home", "r1"), scene("companion", "r2")}},
        {"models", QJsonObject{{"local", true}, {"cloud", false}}}};
}

QByteArray bytes(const QJsonObject &object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

using Edit = std::function<void(QJsonObject &)>;

// Applies `edit` to the element `index` of the array under `key`.
Edit inArray(const QString &key, int index, std::function<void(QJsonObject &)> edit) {
    return [=](QJsonObject &root) {
        QJsonArray items = root.value(key).toArray();
        QJsonObject item = items.at(index).toObject();
        edit(item);
        items.replace(index, item);
        root.insert(key, items);
    };
}

RobotCatalog catalogWith(QList<RobotCatalog::Scene> scenes, QList<RobotCatalog::Robot> robots,
                         QString defaultScene = QStringLiteral("companion")) {
    RobotCatalog catalog;
    catalog.defaultScene = defaultScene;
    catalog.scenes = std::move(scenes);
    catalog.robots = std::move(robots);
    return catalog;
}

RobotCatalog::Scene sceneRecord(const QString &id, const QString &robotId) {
    return {id, id, robotId, QStringLiteral("hi"), {}};
}

RobotCatalog::Robot robotRecord(const QString &id) {
    return {id, id, "#000000", "#FFFFFF", "round", "antenna", "v"};
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestRobotCatalog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // --- decoding

    void decodesEveryField() {
        const RobotCatalog catalog = RobotCatalog::decode(bytes(wireCatalog()));
        QCOMPARE(catalog.defaultScene, QStringLiteral("companion"));
        QCOMPARE(catalog.languages.size(), 2);
        QCOMPARE(catalog.languages[0], (RobotCatalog::Language{"en-US", "English", "en-US"}));
        QCOMPARE(catalog.voices[0], (RobotCatalog::Voice{"v1", "v1 label", 1.2, 0.9}));
        QCOMPARE(catalog.robots[1],
                 (RobotCatalog::Robot{"r2", "r2 name", "#112233", "#445566", "round", "antenna", "v2"}));
        QCOMPARE(catalog.scenes[0].prompts, (QStringList{"p1", "p2"}));
        QCOMPARE(catalog.scenes[1].greeting, QStringLiteral("hello from companion"));
        QVERIFY(catalog.models.has_value());
        QCOMPARE(catalog.models->local, true);
        QCOMPARE(catalog.models->cloud, false);
    }

    void acceptedVariants_data() {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<bool>("hasModels");
        QTest::newRow("no models key") << Edit([](QJsonObject &o) { o.remove("models"); }) << false;
        QTest::newRow("models null") << Edit([](QJsonObject &o) { o.insert("models", QJsonValue::Null); })
                                     << false;
        QTest::newRow("unknown keys ignored") << Edit([](QJsonObject &o) {
            o.insert("extra", 1);
            inArray("robots", 0, [](QJsonObject &r) { r.insert("mood", "happy"); })(o);
        }) << true;
        QTest::newRow("empty lists decode") << Edit([](QJsonObject &o) {
            o.insert("robots", QJsonArray{});
            o.insert("scenes", QJsonArray{});
        }) << true;
        QTest::newRow("whole-number pitch")
            << inArray("voices", 0, [](QJsonObject &v) { v.insert("pitch", 2); }) << true;
    }
    void acceptedVariants() {
        QFETCH(Edit, edit);
        QFETCH(bool, hasModels);
        QJsonObject body = wireCatalog();
        edit(body);
        const RobotCatalog catalog = RobotCatalog::decode(bytes(body));
        QCOMPARE(catalog.models.has_value(), hasModels);
    }

    void rejectsWholeCatalog_data() {
        QTest::addColumn<Edit>("edit");
        QTest::newRow("no default_scene") << Edit([](QJsonObject &o) { o.remove("default_scene"); });
        QTest::newRow("default_scene null")
            << Edit([](QJsonObject &o) { o.insert("default_scene", QJsonValue::Null); });
        QTest::newRow("no voices") << Edit([](QJsonObject &o) { o.remove("voices"); });
        QTest::newRow("scenes not an array")
            << Edit([](QJsonObject &o) { o.insert("scenes", QJsonObject{}); });
        QTest::newRow("models without cloud") << Edit([](QJsonObject &o) {
            o.insert("models", QJsonObject{{"local", true}});
        });
        QTest::newRow("models local as 1") << Edit([](QJsonObject &o) {
            o.insert("models", QJsonObject{{"local", 1}, {"cloud", false}});
        });
        QTest::newRow("models as text") << Edit([](QJsonObject &o) { o.insert("models", "none"); });
        QTest::newRow("robot without accessory")
            << inArray("robots", 1, [](QJsonObject &r) { r.remove("accessory"); });
        QTest::newRow("robot without default_voice")
            << inArray("robots", 0, [](QJsonObject &r) { r.remove("default_voice"); });
        QTest::newRow("camelCase key instead of the wire key") << inArray(
            "robots", 0, [](QJsonObject &r) { r.insert("defaultVoice", r.take("default_voice")); });
        QTest::newRow("pitch as text")
            << inArray("voices", 0, [](QJsonObject &v) { v.insert("pitch", "1.0"); });
        QTest::newRow("label as number")
            << inArray("languages", 0, [](QJsonObject &l) { l.insert("label", 5); });
        QTest::newRow("no tts_locale")
            << inArray("languages", 1, [](QJsonObject &l) { l.remove("tts_locale"); });
        QTest::newRow("prompt as number") << inArray("scenes", 0, [](QJsonObject &s) {
            s.insert("prompts", QJsonArray{"a", 3});
        });
        QTest::newRow("scene element not an object")
            << Edit([](QJsonObject &o) { o.insert("scenes", QJsonArray{"home"}); });
    }
    void rejectsWholeCatalog() {
        QFETCH(Edit, edit);
        QJsonObject body = wireCatalog();
        edit(body);
        QVERIFY_THROWS_EXCEPTION(JsonDecodeError, RobotCatalog::decode(bytes(body)));
    }

    void rejectsBodiesThatAreNotObjects_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("html") << QByteArray("<html></html>");
    }
    void rejectsBodiesThatAreNotObjects() {
        QFETCH(QByteArray, body);
        QVERIFY_THROWS_EXCEPTION(JsonDecodeError, RobotCatalog::decode(body));
    }

    // --- the built-in catalog

    void builtInIsMadeOnce() { QCOMPARE(&RobotCatalog::builtIn(), &RobotCatalog::builtIn()); }

    void builtInContents() {
        const RobotCatalog &c = RobotCatalog::builtIn();
        QCOMPARE(c.defaultScene, QStringLiteral("companion"));
        QVERIFY(!c.models.has_value());
        QStringList codes, locales, voices, robots, scenes, sceneRobots;
        for (const auto &l : c.languages) {
            codes << l.code;
            locales << l.ttsLocale;
        }
        for (const auto &v : c.voices)
            voices << v.id;
        for (const auto &r : c.robots)
            robots << r.id;
        for (const auto &s : c.scenes) {
            scenes << s.id;
            sceneRobots << s.robot;
        }
        QCOMPARE(codes, (QStringList{"zh-CN", "en-US", "yue-HK", "ja-JP"}));
        QCOMPARE(locales, (QStringList{"zh-CN", "en-US", "zh-HK", "ja-JP"}));
        QCOMPARE(voices, (QStringList{"warm_girl", "bright_boy", "calm_teacher", "robot"}));
        QCOMPARE(robots, (QStringList{"lanlan", "suansuan", "fufu", "kaokao", "paipai"}));
        QCOMPARE(scenes, (QStringList{"home", "companion", "learning", "wrongbook", "practice", "photo"}));
        QCOMPARE(sceneRobots, (QStringList{"lanlan", "lanlan", "suansuan", "fufu", "kaokao", "paipai"}));
        QCOMPARE(c.voices[1], (RobotCatalog::Voice{"bright_boy", "活力男孩", 1.25, 1.05}));
        QCOMPARE(c.robots[3], (RobotCatalog::Robot{"kaokao", "考考", "#8E5BD9", "#E9DDFF", "capsule", "star",
                                                   "bright_boy"}));
        QCOMPARE(c.scenes[5].greeting,
                 QStringLiteral("我是拍拍，帮你看题的 AI 伙伴。把识别出的题目发给我吧。"));
        QCOMPARE(c.scenes[1].prompts,
                 (QStringList{"这道方程题我不会", "我想学 M7-3 这一章", "怎么复习错题", "你是真人吗"}));
    }

    // --- lookups

    void voiceLookup() {
        RobotCatalog catalog;
        catalog.voices = {{"", "unnamed", 1, 1}, {"a", "first a", 1, 1}, {"a", "second a", 2, 2}};
        QVERIFY(!catalog.voice(std::nullopt).has_value()); // no id, even with a voice of empty id
        QVERIFY(!catalog.voice(QStringLiteral("b")).has_value());
        QVERIFY(!catalog.voice(QStringLiteral("A")).has_value()); // exact comparison
        QCOMPARE(catalog.voice(QStringLiteral("a"))->label, QStringLiteral("first a"));
        QCOMPARE(catalog.voice(QString())->label, QStringLiteral("unnamed"));
    }

    void languageLookup() {
        const RobotCatalog &builtIn = RobotCatalog::builtIn();
        QCOMPARE(builtIn.language("yue-HK")->ttsLocale, QStringLiteral("zh-HK"));
        QVERIFY(!builtIn.language("fr-FR").has_value());
        QVERIFY(!builtIn.language("zh-cn").has_value());
    }

    void sceneAndRobotFallbacks_data() {
        QTest::addColumn<RobotCatalog>("catalog");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("scene");
        QTest::addColumn<QString>("robot");
        const QList<RobotCatalog::Robot> robots{robotRecord("r1"), robotRecord("r2"), robotRecord("r3")};
        const RobotCatalog normal =
            catalogWith({sceneRecord("home", "r2"), sceneRecord("companion", "r3")}, robots);
        QTest::newRow("found") << normal << "home"
                               << "home"
                               << "r2";
        QTest::newRow("unknown id gives default scene") << normal << "photo"
                                                        << "companion"
                                                        << "r3";
        QTest::newRow("case matters") << normal << "Home"
                                      << "companion"
                                      << "r3";
        QTest::newRow("no default scene either gives first")
            << catalogWith({sceneRecord("a", "r3"), sceneRecord("b", "r1")}, robots, "missing") << "x"
            << "a"
            << "r3";
        QTest::newRow("unknown robot gives first robot")
            << catalogWith({sceneRecord("home", "nobody")}, robots) << "home"
            << "home"
            << "r1";
        QTest::newRow("duplicate scene ids: first wins")
            << catalogWith({sceneRecord("home", "r2"), sceneRecord("home", "r3")}, robots) << "home"
            << "home"
            << "r2";
    }
    void sceneAndRobotFallbacks() {
        QFETCH(RobotCatalog, catalog);
        QFETCH(QString, asked);
        QFETCH(QString, scene);
        QFETCH(QString, robot);
        QCOMPARE(catalog.scene(asked)->id, scene);
        QCOMPARE(catalog.robot(asked)->id, robot);
    }

    void lookupsOnEmptyListsGiveNothing() {
        const RobotCatalog noScenes = catalogWith({}, {robotRecord("r1")});
        QVERIFY(!noScenes.scene("home").has_value());
        QVERIFY(!noScenes.robot("home").has_value());
        const RobotCatalog noRobots = catalogWith({sceneRecord("home", "r1")}, {});
        QCOMPARE(noRobots.scene("home")->id, QStringLiteral("home"));
        QVERIFY(!noRobots.robot("home").has_value());
    }

    void equalityAndHashCoverEveryField() {
        RobotCatalog::Voice a{"v", "l", 1.0, 1.0};
        RobotCatalog::Voice b = a;
        QCOMPARE(qHash(a), qHash(b));
        b.rate = 1.05;
        QVERIFY(!(a == b));
        RobotCatalog::Scene s1 = sceneRecord("home", "r1");
        RobotCatalog::Scene s2 = s1;
        s2.prompts << "extra";
        QVERIFY(!(s1 == s2));
        QVERIFY(qHash(s1) != qHash(s2));
    }

    // --- hex colours

    void hexColorValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rgb");
        const int fallback = 0x14A098;
        QTest::newRow("six digits") << "#3B7BE0" << 0x3B7BE0;
        QTest::newRow("no number sign") << "3B7BE0" << 0x3B7BE0;
        QTest::newRow("signs at both ends") << "##3B7BE0##" << 0x3B7BE0;
        QTest::newRow("lower case") << "#3b7be0" << 0x3B7BE0;
        QTest::newRow("leading blank") << " #3B7BE0" << fallback;
        QTest::newRow("trailing blank") << "#3B7BE0 " << fallback;
        QTest::newRow("three digits are not expanded") << "#FA0" << 0x000FA0;
        QTest::newRow("eight digits keep the last six") << "#80FF0000" << 0xFF0000;
        QTest::newRow("empty") << "" << fallback;
        QTest::newRow("lone number sign") << "#" << fallback;
        QTest::newRow("not hex") << "#G00000" << fallback;
        QTest::newRow("sign inside") << "#12#345" << fallback;
        QTest::newRow("minus zero") << "-0" << 0x000000;
        QTest::newRow("minus zeros") << "#-000#" << 0x000000;
        QTest::newRow("minus non-zero") << "-1" << fallback;
        QTest::newRow("plus") << "+FF" << 0x0000FF;
        QTest::newRow("sign alone") << "+" << fallback;
        QTest::newRow("two signs") << "+-0" << fallback;
        QTest::newRow("sixteen digits fit") << "FFFFFFFFFF123456" << 0x123456;
        QTest::newRow("seventeen digits overflow") << "1FFFFFFFFFF123456" << fallback;
        QTest::newRow("leading zeros do not overflow") << "00000000000000000000ABCDEF" << 0xABCDEF;
        QTest::newRow("full-width digits") << "#１２３４５６" << fallback;
    }
    void hexColorValues() {
        QFETCH(QString, text);
        QFETCH(int, rgb);
        const QColor color = hexColor(text);
        QCOMPARE(color.rgb() & 0xFFFFFF, QRgb(rgb));
        QCOMPARE(color.alphaF(), 1.0f);
        QCOMPARE(color.spec(), QColor::Rgb);
    }

    void hexColorComponentsAreBytesOver255() {
        const QColor color = hexColor("#FA0");
        QCOMPARE(color.redF(), 0.0f);
        QCOMPARE(color.greenF(), 15.0f / 255.0f);
        QCOMPARE(color.blueF(), 160.0f / 255.0f);
    }
};

QTEST_GUILESS_MAIN(TestRobotCatalog)
#include "tst_robotcatalog.moc"
