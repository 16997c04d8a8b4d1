#include "FlexibleValue.h"
#include "HomeLayoutModels.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <cmath>

namespace {

HomeLayoutResponse decode(const QByteArray &body) {
    return HomeLayoutResponse::fromJson(JsonReader::parse(body, JsonKeys::AsIs));
}

// A whole answer around one card and one overrides object.
QByteArray answerWith(const QByteArray &card, const QByteArray &overrides = "null") {
    return R"({"layout":{"schemaVersion":"1.1","layoutId":"home","revision":3,"slots":{"grid":[)" + card +
           R"(]}},"user_overrides":)" + overrides + "}";
}

} // namespace

class TestHomeLayoutModels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The scalar's four cases as they come off the wire, and what a screen shows for each.
    void flexibleValue_data() {
        QTest::addColumn<QByteArray>("json"); // the value inside [ ]
        QTest::addColumn<int>("kind");
        QTest::addColumn<std::optional<QString>>("text");
        const auto row = [](const char *name, const char *json, FlexibleValue::Kind kind,
                            std::optional<QString> text) {
            QTest::newRow(name) << QByteArray(json) << int(kind) << text;
        };
        row("string", R"("数学")", FlexibleValue::Kind::String, QStringLiteral("数学"));
        row("empty string stays empty", R"("")", FlexibleValue::Kind::String, QString(""));
        row("numeric string stays a string", R"("1")", FlexibleValue::Kind::String, QStringLiteral("1"));
        row("true", "true", FlexibleValue::Kind::Bool, QStringLiteral("true"));
        row("false", "false", FlexibleValue::Kind::Bool, QStringLiteral("false"));
        row("whole number gets a fraction", "1", FlexibleValue::Kind::Number, QStringLiteral("1.0"));
        row("zero is a number, not false", "0", FlexibleValue::Kind::Number, QStringLiteral("0.0"));
        row("fraction", "2.5", FlexibleValue::Kind::Number, QStringLiteral("2.5"));
        row("negative", "-3", FlexibleValue::Kind::Number, QStringLiteral("-3.0"));
        row("shortest text", "0.1", FlexibleValue::Kind::Number, QStringLiteral("0.1"));
        row("null", "null", FlexibleValue::Kind::Null, std::nullopt);
        row("array is null", "[1,2]", FlexibleValue::Kind::Null, std::nullopt);
        row("object is null", R"({"a":1})", FlexibleValue::Kind::Null, std::nullopt);
    }
    void flexibleValue() {
        QFETCH(QByteArray, json);
        QFETCH(int, kind);
        QFETCH(std::optional<QString>, text);
        const QJsonValue raw = QJsonDocument::fromJson("[" + json + "]").array().first();
        const FlexibleValue value = FlexibleValue::fromJson(raw);
        QCOMPARE(int(value.kind()), kind);
        QCOMPARE(value.displayText(), text);
        // Written back it is the same JSON value (arrays and objects were already null).
        const FlexibleValue again = FlexibleValue::fromJson(value.toJson());
        QVERIFY(again == value);
    }

    void flexibleValueEquality() {
        QVERIFY(FlexibleValue::number(1) == FlexibleValue::number(1));
        QVERIFY(!(FlexibleValue::number(1) == FlexibleValue::boolean(true)));
        QVERIFY(!(FlexibleValue::string("1") == FlexibleValue::number(1)));
        QVERIFY(FlexibleValue::number(0.0) == FlexibleValue::number(-0.0));
        QVERIFY(!(FlexibleValue::number(NAN) == FlexibleValue::number(NAN)));
        QVERIFY(FlexibleValue() == FlexibleValue::fromJson(QJsonValue::Null));
        QVERIFY(!(FlexibleValue::string("") == FlexibleValue()));
    }

    // The card's title: the props' "title" as text, else the card's type.
    void cardTitle_data() {
        QTest::addColumn<QByteArray>("props"); // empty: no "props" key
        QTest::addColumn<QString>("title");
        QTest::newRow("no props") << QByteArray() << "Inbox";
        QTest::newRow("props null") << QByteArray("null") << "Inbox";
        QTest::newRow("empty props") << QByteArray("{}") << "Inbox";
        QTest::newRow("other keys only") << QByteArray(R"({"icon":"x"})") << "Inbox";
        QTest::newRow("string") << QByteArray(R"({"title":"学习通知"})") << "学习通知";
        QTest::newRow("empty string") << QByteArray(R"({"title":""})") << "";
        QTest::newRow("true") << QByteArray(R"({"title":true})") << "true";
        QTest::newRow("false") << QByteArray(R"({"title":false})") << "false";
        QTest::newRow("1") << QByteArray(R"({"title":1})") << "1.0";
        QTest::newRow("2.5") << QByteArray(R"({"title":2.5})") << "2.5";
        QTest::newRow("null") << QByteArray(R"({"title":null})") << "Inbox";
        QTest::newRow("array") << QByteArray(R"({"title":["a"]})") << "Inbox";
    }
    void cardTitle() {
        QFETCH(QByteArray, props);
        QFETCH(QString, title);
        QByteArray card = R"({"id":"c1","type":"Inbox","size":"M")";
        if (!props.isEmpty())
            card += R"(,"props":)" + props;
        card += "}";
        const HomeLayoutResponse response = decode(answerWith(card));
        QCOMPARE(response.layout.layoutSlots.grid.size(), 1);
        QCOMPARE(response.layout.layoutSlots.grid.first().title(), title);
    }

    // Whole answers: what decodes (and to what) and what fails the document.
    void documentDecoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        const QByteArray card = R"({"id":"c1","type":"Inbox","size":"M"})";
        QTest::newRow("camelCase keys") << answerWith(card) << true;
        QTest::newRow("snake_case document")
            << QByteArray(R"({"layout":{"schema_version":"1.1","layout_id":"home","revision":3,)"
                          R"("slots":{"grid":[]}}})")
            << false;
        QTest::newRow("size XL kept") << answerWith(R"({"id":"c1","type":"Inbox","size":"XL"})") << true;
        QTest::newRow("card without size") << answerWith(R"({"id":"c1","type":"Inbox"})") << false;
        QTest::newRow("revision as text")
            << QByteArray(R"({"layout":{"schemaVersion":"1","layoutId":"home","revision":"3",)"
                          R"("slots":{"grid":[]}}})")
            << false;
        QTest::newRow("fractional revision")
            << QByteArray(R"({"layout":{"schemaVersion":"1","layoutId":"home","revision":3.5,)"
                          R"("slots":{"grid":[]}}})")
            << false;
        QTest::newRow("props not an object")
            << answerWith(R"({"id":"c1","type":"Inbox","size":"M","props":"x"})") << false;
        QTest::newRow("no grid")
            << QByteArray(R"({"layout":{"schemaVersion":"1","layoutId":"home","revision":3,"slots":{}}})")
            << false;
        QTest::newRow("sizes with a number") << answerWith(card, R"({"sizes":{"c1":1}})") << false;
        QTest::newRow("hidden not strings") << answerWith(card, R"({"hidden":[1]})") << false;
    }
    void documentDecoding() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        try {
            decode(body);
            QVERIFY(decodes);
        } catch (const JsonDecodeError &) {
            QVERIFY(!decodes);
        }
    }

    void fieldsAsSent() {
        const HomeLayoutResponse response = decode(
            R"({"layout":{"schemaVersion":"1.1","layoutId":"home","revision":9007199254740993,)"
            R"("themePack":"junior_default","source":"server","extra":1,"slots":{)"
            R"("companion":{"type":"CompanionHeader","props":{"greeting":"你好","n":2}},)"
            R"("grid":[{"id":"a","type":"ToolDock","size":"XL","minClient":"2.0"},{"id":"b","type":"Inbox","size":"S"}]}},)"
            R"("userOverrides":{"hidden":["a"]}})");
        const HomeLayoutDocument &doc = response.layout;
        QCOMPARE(doc.schemaVersion, "1.1");
        QCOMPARE(doc.layoutId, "home");
        QCOMPARE(doc.revision, Q_INT64_C(9007199254740993));
        QCOMPARE(doc.themePack, std::optional<QString>("junior_default"));
        QCOMPARE(doc.source, std::optional<QString>("server"));
        QVERIFY(doc.layoutSlots.companion);
        QCOMPARE(doc.layoutSlots.companion->type, "CompanionHeader");
        QVERIFY(doc.layoutSlots.companion->props->value("greeting") == FlexibleValue::string("你好"));
        QVERIFY(doc.layoutSlots.companion->props->value("n") == FlexibleValue::number(2));
        QCOMPARE(doc.layoutSlots.grid.size(), 2);
        QCOMPARE(doc.layoutSlots.grid[0].size, "XL");
        QCOMPARE(doc.layoutSlots.grid[0].minClient, std::optional<QString>("2.0"));
        QCOMPARE(doc.layoutSlots.grid[1].id, "b");
        // The camelCase spelling of the answer's overrides key is not the one the server uses.
        QVERIFY(!response.userOverrides);
    }

    void overrides_data() {
        QTest::addColumn<QByteArray>("overrides"); // empty: key absent
        QTest::addColumn<bool>("present");
        QTest::addColumn<std::optional<QStringList>>("order");
        QTest::addColumn<std::optional<QStringList>>("hidden");
        QTest::addColumn<std::optional<QMap<QString, QString>>>("sizes");
        using L = std::optional<QStringList>;
        using S = std::optional<QMap<QString, QString>>;
        QTest::newRow("absent") << QByteArray() << false << L() << L() << S();
        QTest::newRow("null") << QByteArray("null") << false << L() << L() << S();
        QTest::newRow("only hidden") << QByteArray(R"({"hidden":["c1"]})") << true << L()
                                     << L(QStringList{"c1"}) << S();
        QTest::newRow("all three, nulls inside")
            << QByteArray(R"({"order":["b","a"],"hidden":null,"sizes":{"a":"S"}})") << true
            << L(QStringList{"b", "a"}) << L() << S(QMap<QString, QString>{{"a", "S"}});
    }
    void overrides() {
        QFETCH(QByteArray, overrides);
        QFETCH(bool, present);
        QFETCH(std::optional<QStringList>, order);
        QFETCH(std::optional<QStringList>, hidden);
        using Sizes = std::optional<QMap<QString, QString>>;
        QFETCH(Sizes, sizes);
        QByteArray body =
            R"({"layout":{"schemaVersion":"1","layoutId":"home","revision":1,"slots":{"grid":[]}})";
        if (!overrides.isEmpty())
            body += R"(,"user_overrides":)" + overrides;
        body += "}";
        const HomeLayoutResponse response = decode(body);
        QCOMPARE(response.userOverrides.has_value(), present);
        if (!present)
            return;
        QCOMPARE(response.userOverrides->order, order);
        QCOMPARE(response.userOverrides->hidden, hidden);
        QCOMPARE(response.userOverrides->sizes, sizes);
    }

    // Equality over all five fields, and the encoding leaving absent optionals out.
    void cardEqualityAndEncoding() {
        const HomeGridCard plain{"a", "Inbox", "M", std::nullopt, std::nullopt};
        HomeGridCard withProps = plain;
        withProps.props = FlexibleProps{{"title", FlexibleValue::number(1)}};
        HomeGridCard emptyProps = plain;
        emptyProps.props = FlexibleProps{};
        QVERIFY(plain == plain);
        QVERIFY(!(plain == withProps));
        QVERIFY(!(plain == emptyProps));
        HomeGridCard withClient = plain;
        withClient.minClient = QString();
        QVERIFY(!(plain == withClient));

        QCOMPARE(plain.toJson(), (QJsonObject{{"id", "a"}, {"type", "Inbox"}, {"size", "M"}}));
        const QJsonObject encoded = withProps.toJson();
        QCOMPARE(HomeGridCard::fromJson(JsonReader(encoded, JsonKeys::AsIs)), withProps);
        QCOMPARE(encoded.value("props").toObject().value("title"), QJsonValue(1.0));
    }
};

QTEST_GUILESS_MAIN(TestHomeLayoutModels)
#include "tst_homelayoutmodels.moc"
