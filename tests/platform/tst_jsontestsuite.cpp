// The public JSON parsing test suite (tests/data/JSONTestSuite), file by file: every body it marks as
// malformed is refused by the validator and by both readers, every well-formed object or array is read, and
// none of the bodies left to the implementation crashes a reader. Then the bounds the suite does not probe:
// nesting depth and the forms of UTF-8.
#include "JsonReader.h"
#include "JsonValidator.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

QString suiteDir() {
    return QStringLiteral(QVL_TEST_DATA_DIR "/JSONTestSuite/test_parsing");
}

bool readsAsObject(const QByteArray &body) {
    try {
        JsonReader::parse(body, JsonKeys::AsIs);
        return true;
    } catch (const JsonDecodeError &) {
        return false;
    }
}

bool readsAsArray(const QByteArray &body) {
    try {
        JsonReader::parseArray(body);
        return true;
    } catch (const JsonDecodeError &) {
        return false;
    }
}

QByteArray nested(const QByteArray &open, const QByteArray &inner, const QByteArray &close, int depth) {
    return open.repeated(depth) + inner + close.repeated(depth);
}

// `bytes` as the only element's text: `["…"]`, the bytes starting at offset 2.
QByteArray inString(const QByteArray &bytes) {
    return "[\"" + bytes + "\"]";
}

} // namespace

class TestJsonTestSuite : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void suiteIsComplete() {
        const QStringList files = QDir(suiteDir()).entryList({QStringLiteral("*.json")}, QDir::Files);
        QCOMPARE(files.filter(QRegularExpression(QStringLiteral("^y_"))).size(), 95);
        QCOMPARE(files.filter(QRegularExpression(QStringLiteral("^n_"))).size(), 188);
        QCOMPARE(files.filter(QRegularExpression(QStringLiteral("^i_"))).size(), 35);
    }

    void suite_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QChar>("verdict"); // y: must be accepted, n: must be refused, i: either
        const QDir dir(suiteDir());
        for (const QString &name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                qFatal("cannot read %s", qPrintable(file.fileName()));
            QTest::newRow(qPrintable(name)) << file.readAll() << name.at(0);
        }
    }
    void suite() {
        QFETCH(QByteArray, body);
        QFETCH(QChar, verdict);
        const bool valid = JsonValidator::isValid(body);
        const bool object = readsAsObject(body);
        const bool array = readsAsArray(body);
        if (verdict == u'n') {
            QVERIFY(!valid);
            QVERIFY(!object);
            QVERIFY(!array);
        } else if (verdict == u'y') {
            QVERIFY(valid);
            // A lone scalar is well-formed, but no reader takes one: the wire sends objects and arrays.
            const QChar top = QString::fromUtf8(body.trimmed()).at(0);
            QCOMPARE(object, top == u'{');
            QCOMPARE(array, top == u'[');
        } else if (!valid) {
            QVERIFY(!object);
            QVERIFY(!array);
        }
    }

    // -1 for a body that is well-formed; otherwise the offset the refusal names.
    void validator_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("issueAt");

        QTest::newRow("arrays 512 deep") << nested("[", "", "]", 512) << -1;
        QTest::newRow("arrays 513 deep") << nested("[", "", "]", 513) << 512;
        QTest::newRow("objects 511 deep around an array") << nested(R"({"a":)", "[]", "}", 511) << -1;
        QTest::newRow("objects 512 deep around an array") << nested(R"({"a":)", "[]", "}", 512) << 512 * 5;
        QTest::newRow("a million open brackets") << QByteArray(1'000'000, '[') << 512;
        QTest::newRow("closing counts the depth down")
            << "[" + nested("[", "", "]", 511) + "," + nested("[", "", "]", 511) + "]" << -1;

        QTest::newRow("two-byte é") << inString("\xC3\xA9") << -1;
        QTest::newRow("three-byte 岚帆伴") << inString("岚帆伴") << -1;
        QTest::newRow("four-byte emoji") << inString("\xF0\x9F\x98\x80") << -1;
        QTest::newRow("U+10FFFF") << inString("\xF4\x8F\xBF\xBF") << -1;
        QTest::newRow("U+D7FF, below the surrogates") << inString("\xED\x9F\xBF") << -1;
        QTest::newRow("U+E000, above the surrogates") << inString("\xEE\x80\x80") << -1;
        QTest::newRow("overlong two-byte") << inString("\xC0\xAF") << 2;
        QTest::newRow("overlong two-byte, largest") << inString("\xC1\xBF") << 2;
        QTest::newRow("overlong three-byte") << inString("\xE0\x80\xAF") << 2;
        QTest::newRow("overlong three-byte, largest") << inString("\xE0\x9F\xBF") << 2;
        QTest::newRow("overlong four-byte") << inString("\xF0\x80\x80\xAF") << 2;
        QTest::newRow("overlong four-byte, largest") << inString("\xF0\x8F\xBF\xBF") << 2;
        QTest::newRow("high surrogate") << inString("\xED\xA0\x80") << 2;
        QTest::newRow("low surrogate") << inString("\xED\xBF\xBF") << 2;
        QTest::newRow("surrogate pair written as two sequences") << inString("\xED\xA0\xBD\xED\xB8\x80") << 2;
        QTest::newRow("U+110000") << inString("\xF4\x90\x80\x80") << 2;
        QTest::newRow("lead byte F5") << inString("\xF5\x80\x80\x80") << 2;
        QTest::newRow("byte FF") << inString("\xFF") << 2;
        QTest::newRow("lone continuation byte") << inString("\x80") << 2;
        QTest::newRow("sequence cut by the closing quote") << inString("\xE5\xB2") << 2;
        QTest::newRow("sequence cut by the end of the body") << QByteArray("[\"\xE5\xB2") << 2;
        QTest::newRow("ASCII inside a four-byte sequence") << inString("\xF0\x9F\x41\x80") << 2;
        QTest::newRow("UTF-8 outside a string") << QByteArray("[\xC3\xA9]") << 1;

        QTest::newRow("escaped surrogate pair") << inString(R"(\uD834\uDD1E)") << -1;
        QTest::newRow("\\u with three hex digits") << inString(R"(\u12)") << 6;
        QTest::newRow("leading zero after a minus") << QByteArray("[-01]") << 3;
        QTest::newRow("DEL is not a control character") << inString("\x7F") << -1;
        QTest::newRow("unit separator is") << inString("\x1F") << 2;
        QTest::newRow("second value after whitespace") << QByteArray("{} {}") << 3;
        QTest::newRow("only whitespace") << QByteArray(" \r\n\t") << 4;
    }
    void validator() {
        QFETCH(QByteArray, body);
        QFETCH(int, issueAt);
        const std::optional<JsonSyntaxIssue> issue = JsonValidator::check(body);
        if (issueAt < 0) {
            QVERIFY2(!issue, issue ? qPrintable(issue->reason) : "");
            if (body.startsWith('['))
                QVERIFY(readsAsArray(body));
            else if (body.startsWith('{'))
                QVERIFY(readsAsObject(body));
        } else {
            QVERIFY(issue);
            QCOMPARE(issue->offset, qsizetype(issueAt));
            QVERIFY(!issue->reason.isEmpty());
            QVERIFY(!readsAsArray(body));
            QVERIFY(!readsAsObject(body));
        }
    }
};

QTEST_GUILESS_MAIN(TestJsonTestSuite)
#include "tst_jsontestsuite.moc"
