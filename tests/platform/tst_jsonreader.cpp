#include "JsonReader.h"

#include <QJsonDocument>
#include <QTest>

class TestJsonReader : public QObject {
    Q_OBJECT

private:
    static JsonReader reader(const QByteArray &body, JsonKeys keys = JsonKeys::AsIs) {
        return JsonReader::parse(body, keys);
    }

private Q_SLOTS:
    void snakeCaseKeys_data() {
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QString>("field");
        QTest::newRow("two words") << "user_id"
                                   << "userId";
        QTest::newRow("three words") << "refresh_expires_in"
                                     << "refreshExpiresIn";
        QTest::newRow("already camel") << "userId"
                                       << "userId";
        QTest::newRow("one word") << "status"
                                  << "status";
        QTest::newRow("upper case words") << "USER_ID"
                                          << "userId";
        QTest::newRow("leading and trailing underscores stay") << "_user_id_"
                                                               << "_userId_";
        QTest::newRow("doubled underscore") << "a__b"
                                            << "aB";
        QTest::newRow("only underscores") << "___"
                                          << "___";
        QTest::newRow("empty") << ""
                               << "";
    }
    void snakeCaseKeys() {
        QFETCH(QString, wire);
        QFETCH(QString, field);
        QCOMPARE(JsonReader::fromSnakeCase(wire), field);
    }

    void integers_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("value");
        QTest::newRow("whole") << QByteArray("42") << true << qint64(42);
        QTest::newRow("negative") << QByteArray("-7") << true << qint64(-7);
        QTest::newRow("whole written as double") << QByteArray("5.0") << true << qint64(5);
        QTest::newRow("beyond 2^53 keeps every digit")
            << QByteArray("9007199254740993") << true << qint64(9007199254740993LL);
        QTest::newRow("int64 max") << QByteArray("9223372036854775807") << true
                                   << std::numeric_limits<qint64>::max();
        QTest::newRow("int64 min") << QByteArray("-9223372036854775808") << true
                                   << std::numeric_limits<qint64>::min();
        QTest::newRow("just above int64 max") << QByteArray("9223372036854775808") << false << qint64(0);
        QTest::newRow("just below int64 min") << QByteArray("-9223372036854775809") << false << qint64(0);
        QTest::newRow("1000 below int64 min") << QByteArray("-9223372036854776808") << false << qint64(0);
        QTest::newRow("fraction") << QByteArray("5.5") << false << qint64(0);
        QTest::newRow("beyond int64") << QByteArray("1e30") << false << qint64(0);
        QTest::newRow("far below int64") << QByteArray("-1e30") << false << qint64(0);
        QTest::newRow("numeric text") << QByteArray("\"5\"") << false << qint64(0);
        QTest::newRow("boolean") << QByteArray("true") << false << qint64(0);
        QTest::newRow("null") << QByteArray("null") << false << qint64(0);
    }
    void integers() {
        QFETCH(QByteArray, json);
        QFETCH(bool, ok);
        QFETCH(qint64, value);
        const JsonReader json_ = reader("{\"n\":" + json + "}");
        if (ok) {
            QCOMPARE(json_.int64(QStringLiteral("n")), value);
        } else {
            QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json_.int64(QStringLiteral("n")));
        }
    }

    void typesAreExact_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("kind");
        QTest::newRow("number as bool") << QByteArray(R"({"v":1})") << "bool";
        QTest::newRow("text as bool") << QByteArray(R"({"v":"true"})") << "bool";
        QTest::newRow("number as text") << QByteArray(R"({"v":5})") << "string";
        QTest::newRow("text as number") << QByteArray(R"({"v":"1.5"})") << "number";
        QTest::newRow("array as object") << QByteArray(R"({"v":[]})") << "object";
        QTest::newRow("object as array") << QByteArray(R"({"v":{}})") << "array";
        QTest::newRow("int32 overflow") << QByteArray(R"({"v":2147483648})") << "int32";
    }
    void typesAreExact() {
        QFETCH(QByteArray, body);
        QFETCH(QString, kind);
        const JsonReader json = reader(body);
        const QString v = QStringLiteral("v");
        if (kind == u"bool")
            QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json.boolean(v));
        else if (kind == u"string")
            QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json.string(v));
        else if (kind == u"number")
            QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json.number(v));
        else if (kind == u"object")
            QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json.object(v));
        else if (kind == u"array")
            QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json.array(v));
        else
            QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json.int32(v));
    }

    void optionalFields() {
        const JsonReader json = reader(R"({"present":"x","nothing":null,"wrong":5})");
        QCOMPARE(json.optString(QStringLiteral("present")), std::optional<QString>(QStringLiteral("x")));
        QCOMPARE(json.optString(QStringLiteral("nothing")), std::nullopt);
        QCOMPARE(json.optString(QStringLiteral("missing")), std::nullopt);
        // Optional means "may be absent", not "may be anything".
        QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json.optString(QStringLiteral("wrong")));
        // Required fields refuse both absence and null.
        QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json.string(QStringLiteral("nothing")));
        QVERIFY_THROWS_EXCEPTION(JsonDecodeError, json.string(QStringLiteral("missing")));
    }

    void snakeCaseReaderFindsFieldsAndNestedObjects() {
        const JsonReader json =
            reader(R"({"user_id":7,"last_path":{"path_id":3,"items":[{"item_name":"a"}]}})",
                   JsonKeys::FromSnakeCase);
        QCOMPARE(json.int64(QStringLiteral("userId")), 7);
        QVERIFY(!json.has(QStringLiteral("user_id")));
        const JsonReader nested = json.object(QStringLiteral("lastPath"));
        QCOMPARE(nested.int64(QStringLiteral("pathId")), 3);
        const auto names = nested.list(QStringLiteral("items"), [](const JsonReader &item) {
            return item.string(QStringLiteral("itemName"));
        });
        QCOMPARE(names, QStringList{QStringLiteral("a")});
    }

    void listErrorsNameTheElement() {
        const JsonReader json = reader(R"({"items":[{"name":"a"},{"name":3}]})");
        try {
            json.list(QStringLiteral("items"),
                      [](const JsonReader &item) { return item.string(QStringLiteral("name")); });
            QFAIL("a wrongly typed element must fail the list");
        } catch (const JsonDecodeError &error) {
            QCOMPARE(error.path(), QStringLiteral("items[1].name"));
        }
        const JsonReader scalars = reader(R"({"items":[1]})");
        QVERIFY_THROWS_EXCEPTION(JsonDecodeError,
                                 scalars.list(QStringLiteral("items"), [](const JsonReader &) { return 0; }));
    }

    void bodiesThatAreNotObjects_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not json") << QByteArray("<html>");
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("scalar") << QByteArray("3");
    }
    void bodiesThatAreNotObjects() {
        QFETCH(QByteArray, body);
        QVERIFY_THROWS_EXCEPTION(JsonDecodeError, JsonReader::parse(body, JsonKeys::AsIs));
    }

    void snakeCaseWriting_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("wire");
        QTest::newRow("camel") << "refreshToken"
                               << "refresh_token";
        QTest::newRow("plain") << "phone"
                               << "phone";
        QTest::newRow("three words") << "accessExpiresAt"
                                     << "access_expires_at";
    }
    void snakeCaseWriting() {
        QFETCH(QString, field);
        QFETCH(QString, wire);
        QCOMPARE(JsonWriter::toSnakeCase(field), wire);
        QCOMPARE(JsonReader::fromSnakeCase(wire), field);
    }
};

QTEST_GUILESS_MAIN(TestJsonReader)
#include "tst_jsonreader.moc"
