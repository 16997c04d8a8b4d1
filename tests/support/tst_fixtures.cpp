#include "Fixtures.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

QJsonObject parsed(const char *json) {
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

} // namespace

class TestFixtures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every shared answer is one strict JSON object: a stray comma would otherwise surface as a decoding
    // failure in whichever suite happens to read the file first.
    void everyFileIsOneJsonObject() {
        QDirIterator files(QStringLiteral(QVL_TEST_DATA_DIR), {QStringLiteral("*.json")}, QDir::Files,
                           QDirIterator::Subdirectories);
        int count = 0;
        while (files.hasNext()) {
            const QString path = files.next();
            const QString name = QDir(QStringLiteral(QVL_TEST_DATA_DIR)).relativeFilePath(path);
            // The JSON parsing suite is malformed on purpose; tst_jsontestsuite reads it.
            if (name.startsWith(QStringLiteral("JSONTestSuite/")))
                continue;
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(Fixtures::json(name), &error);
            QVERIFY2(error.error == QJsonParseError::NoError,
                     qPrintable(name + QStringLiteral(": ") + error.errorString()));
            QVERIFY2(document.isObject(), qPrintable(name));
            QCOMPARE(Fixtures::object(name), document.object());
            ++count;
        }
        QVERIFY(count > 0);
    }

    void changes_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QByteArray>("after");

        const QJsonValue removed(QJsonValue::Undefined);
        const QByteArray path = R"({"id":1,"items":[{"a":1},{"a":2,"b":[true]}]})";
        QTest::newRow("top-level key replaced")
            << path << "id" << QJsonValue(2)
            << QByteArray(R"({"id":2,"items":[{"a":1},{"a":2,"b":[true]}]})");
        QTest::newRow("top-level key added") << QByteArray(R"({"id":1})") << "extra" << QJsonValue("x")
                                             << QByteArray(R"({"extra":"x","id":1})");
        QTest::newRow("top-level key removed") << path << "items" << removed << QByteArray(R"({"id":1})");
        QTest::newRow("key inside an element")
            << path << "items.1.a" << QJsonValue(5)
            << QByteArray(R"({"id":1,"items":[{"a":1},{"a":5,"b":[true]}]})");
        QTest::newRow("key removed inside an element")
            << path << "items.0.a" << removed << QByteArray(R"({"id":1,"items":[{},{"a":2,"b":[true]}]})");
        QTest::newRow("element replaced") << path << "items.0" << QJsonValue(QJsonObject())
                                          << QByteArray(R"({"id":1,"items":[{},{"a":2,"b":[true]}]})");
        QTest::newRow("element removed")
            << path << "items.0" << removed << QByteArray(R"({"id":1,"items":[{"a":2,"b":[true]}]})");
        QTest::newRow("one past the end appends")
            << path << "items.2" << QJsonValue(QJsonObject{{"a", 3}})
            << QByteArray(R"({"id":1,"items":[{"a":1},{"a":2,"b":[true]},{"a":3}]})");
        QTest::newRow("nested array") << path << "items.1.b.0" << QJsonValue(false)
                                      << QByteArray(R"({"id":1,"items":[{"a":1},{"a":2,"b":[false]}]})");
        QTest::newRow("missing object on the way is made")
            << QByteArray(R"({"id":1})") << "options.prefetch" << QJsonValue(2)
            << QByteArray(R"({"id":1,"options":{"prefetch":2}})");
        QTest::newRow("null written, not removed")
            << QByteArray(R"({"id":1})") << "id" << QJsonValue(QJsonValue::Null)
            << QByteArray(R"({"id":null})");
    }
    void changes() {
        QFETCH(QByteArray, before);
        QFETCH(QString, location);
        QFETCH(QJsonValue, value);
        QFETCH(QByteArray, after);
        QCOMPARE(Fixtures::with(parsed(before.constData()), location, value), parsed(after.constData()));
    }

    void patchedAppliesChangesInOrder() {
        const QByteArray grant =
            Fixtures::patched(QStringLiteral("auth/code-sent.json"), {{QStringLiteral("expires_in"), 5},
                                                                      {QStringLiteral("expires_in"), 6},
                                                                      {QStringLiteral("x"), true}});
        QCOMPARE(QJsonDocument::fromJson(grant).object(),
                 (QJsonObject{{"expires_in", 6}, {"resend_after", 60}, {"x", true}}));
        QVERIFY(!grant.contains('\n'));
    }
};

QTEST_GUILESS_MAIN(TestFixtures)
#include "tst_fixtures.moc"
