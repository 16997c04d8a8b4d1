#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

// How a row stores its value.
enum class Kind { Bool, Integer, Double, String, Nothing };

void storeAs(UserDefaults &defaults, const QString &key, Kind kind, const QVariant &value) {
    switch (kind) {
    case Kind::Bool:
        defaults.setBool(key, value.toBool());
        break;
    case Kind::Integer:
        defaults.setInteger(key, value.toLongLong());
        break;
    case Kind::Double:
        defaults.setDouble(key, value.toDouble());
        break;
    case Kind::String:
        defaults.setString(key, value.toString());
        break;
    case Kind::Nothing:
        break;
    }
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestUserDefaults : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path() const { return m_dir->filePath(QStringLiteral("prefs/defaults.json")); }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { m_dir.reset(); }

    // Each stored value read back through every typed read, in memory and from the file in a new instance.
    void typedReads_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<qint64>("asInteger");
        QTest::addColumn<double>("asDouble");
        QTest::addColumn<QVariant>("asString"); // invalid: no text

        const QVariant none;
        QTest::newRow("bool true") << Kind::Bool << QVariant(true) << true << qint64(1) << 1.0 << none;
        QTest::newRow("bool false") << Kind::Bool << QVariant(false) << false << qint64(0) << 0.0 << none;

        QTest::newRow("integer 5") << Kind::Integer << QVariant(5) << true << qint64(5) << 5.0
                                   << QVariant("5");
        QTest::newRow("integer 0") << Kind::Integer << QVariant(0) << false << qint64(0) << 0.0
                                   << QVariant("0");
        QTest::newRow("integer -7") << Kind::Integer << QVariant(-7) << true << qint64(-7) << -7.0
                                    << QVariant("-7");
        QTest::newRow("integer max") << Kind::Integer << QVariant(kMax) << true << kMax
                                     << 9223372036854775807.0 << QVariant("9223372036854775807");
        QTest::newRow("integer min") << Kind::Integer << QVariant(kMin) << true << kMin
                                     << -9223372036854775808.0 << QVariant("-9223372036854775808");
        QTest::newRow("integer 2^53+1")
            << Kind::Integer << QVariant(qint64(9007199254740993)) << true << qint64(9007199254740993)
            << 9007199254740992.0 << QVariant("9007199254740993");

        QTest::newRow("double 5.0") << Kind::Double << QVariant(5.0) << true << qint64(5) << 5.0
                                    << QVariant("5");
        QTest::newRow("double 2.9") << Kind::Double << QVariant(2.9) << true << qint64(2) << 2.9
                                    << QVariant("2.9");
        QTest::newRow("double -2.9") << Kind::Double << QVariant(-2.9) << true << qint64(-2) << -2.9
                                     << QVariant("-2.9");
        QTest::newRow("double 0.1") << Kind::Double << QVariant(0.1) << true << qint64(0) << 0.1
                                    << QVariant("0.1");
        QTest::newRow("double 0") << Kind::Double << QVariant(0.0) << false << qint64(0) << 0.0
                                  << QVariant("0");
        QTest::newRow("double seconds") << Kind::Double << QVariant(1767225600.25) << true
                                        << qint64(1767225600) << 1767225600.25 << QVariant("1767225600.25");
        QTest::newRow("double 1e20") << Kind::Double << QVariant(1e20) << true << kMax << 1e20
                                     << QVariant("100000000000000000000");
        QTest::newRow("double -1e20")
            << Kind::Double << QVariant(-1e20) << true << kMin << -1e20 << QVariant("-100000000000000000000");

        QTest::newRow("text abc") << Kind::String << QVariant("abc") << false << qint64(0) << 0.0
                                  << QVariant("abc");
        QTest::newRow("text empty") << Kind::String << QVariant("") << false << qint64(0) << 0.0
                                    << QVariant("");
        QTest::newRow("text 42") << Kind::String << QVariant("42") << true << qint64(42) << 42.0
                                 << QVariant("42");
        QTest::newRow("text -3") << Kind::String << QVariant("-3") << true << qint64(-3) << -3.0
                                 << QVariant("-3");
        QTest::newRow("text 0") << Kind::String << QVariant("0") << false << qint64(0) << 0.0
                                << QVariant("0");
        QTest::newRow("text 000") << Kind::String << QVariant("000") << false << qint64(0) << 0.0
                                  << QVariant("000");
        QTest::newRow("text true") << Kind::String << QVariant("true") << true << qint64(0) << 0.0
                                   << QVariant("true");
        QTest::newRow("text YES") << Kind::String << QVariant("YES") << true << qint64(0) << 0.0
                                  << QVariant("YES");
        QTest::newRow("text no") << Kind::String << QVariant("no") << false << qint64(0) << 0.0
                                 << QVariant("no");
        QTest::newRow("text 3.7") << Kind::String << QVariant("3.7") << false << qint64(0) << 3.7
                                  << QVariant("3.7");
        QTest::newRow("text 1e3") << Kind::String << QVariant("1e3") << false << qint64(0) << 1000.0
                                  << QVariant("1e3");
        QTest::newRow("text 42abc") << Kind::String << QVariant("42abc") << false << qint64(0) << 0.0
                                    << QVariant("42abc");
        QTest::newRow("text padded") << Kind::String << QVariant(" 42") << false << qint64(0) << 0.0
                                     << QVariant(" 42");
        QTest::newRow("text nan") << Kind::String << QVariant("nan") << false << qint64(0) << 0.0
                                  << QVariant("nan");
        QTest::newRow("text 1e999") << Kind::String << QVariant("1e999") << false << qint64(0) << 0.0
                                    << QVariant("1e999");
        QTest::newRow("text beyond 64 bits") << Kind::String << QVariant("99999999999999999999") << true
                                             << qint64(0) << 1e20 << QVariant("99999999999999999999");

        QTest::newRow("missing") << Kind::Nothing << none << false << qint64(0) << 0.0 << none;
    }
    void typedReads() {
        QFETCH(Kind, kind);
        QFETCH(QVariant, stored);
        QFETCH(bool, asBool);
        QFETCH(qint64, asInteger);
        QFETCH(double, asDouble);
        QFETCH(QVariant, asString);
        const QString key = QStringLiteral("k");

        UserDefaults written(path());
        storeAs(written, key, kind, stored);
        const UserDefaults reread(path());
        for (const UserDefaults *defaults : std::initializer_list<const UserDefaults *>{&written, &reread}) {
            QCOMPARE(defaults->contains(key), kind != Kind::Nothing);
            QCOMPARE(defaults->boolValue(key), asBool);
            QCOMPARE(defaults->integerValue(key), asInteger);
            QCOMPARE(defaults->doubleValue(key), asDouble);
            const std::optional<QString> text = defaults->stringValue(key);
            QCOMPARE(text.has_value(), asString.isValid());
            if (text)
                QCOMPARE(*text, asString.toString());
        }
    }

    // object() hands back the stored type, in this process and the next: 5 and 5.0 and "5" and true differ.
    void objectKeepsType_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("type");

        QTest::newRow("bool") << Kind::Bool << QVariant(true) << int(QMetaType::Bool);
        QTest::newRow("integer 5") << Kind::Integer << QVariant(5) << int(QMetaType::LongLong);
        QTest::newRow("integer 1") << Kind::Integer << QVariant(1) << int(QMetaType::LongLong);
        QTest::newRow("double 5.0") << Kind::Double << QVariant(5.0) << int(QMetaType::Double);
        QTest::newRow("double 1e300") << Kind::Double << QVariant(1e300) << int(QMetaType::Double);
        QTest::newRow("double -0.5") << Kind::Double << QVariant(-0.5) << int(QMetaType::Double);
        QTest::newRow("text 5") << Kind::String << QVariant("5") << int(QMetaType::QString);
        QTest::newRow("text true") << Kind::String << QVariant("true") << int(QMetaType::QString);
    }
    void objectKeepsType() {
        QFETCH(Kind, kind);
        QFETCH(QVariant, stored);
        QFETCH(int, type);

        UserDefaults written(path());
        storeAs(written, QStringLiteral("k"), kind, stored);
        const UserDefaults reread(path());
        for (const UserDefaults *defaults : std::initializer_list<const UserDefaults *>{&written, &reread}) {
            const QVariant value = defaults->object(QStringLiteral("k"));
            QCOMPARE(value.typeId(), type);
            switch (kind) {
            case Kind::Bool:
                QCOMPARE(value.toBool(), stored.toBool());
                break;
            case Kind::Integer:
                QCOMPARE(value.toLongLong(), stored.toLongLong());
                break;
            case Kind::Double:
                QCOMPARE(value.toDouble(), stored.toDouble());
                break;
            default:
                QCOMPARE(value.toString(), stored.toString());
            }
        }
        QVERIFY(!written.object(QStringLiteral("other")).isValid());
    }

    // Doubles JSON cannot spell still come back as the same doubles.
    void nonFiniteDoublesSurvive() {
        {
            UserDefaults defaults(path());
            defaults.setDouble(QStringLiteral("nan"), std::numeric_limits<double>::quiet_NaN());
            defaults.setDouble(QStringLiteral("inf"), std::numeric_limits<double>::infinity());
            defaults.setDouble(QStringLiteral("-inf"), -std::numeric_limits<double>::infinity());
        }
        const UserDefaults reread(path());
        QCOMPARE(reread.object(QStringLiteral("nan")).typeId(), int(QMetaType::Double));
        QVERIFY(std::isnan(reread.doubleValue(QStringLiteral("nan"))));
        QCOMPARE(reread.integerValue(QStringLiteral("nan")), qint64(0));
        QCOMPARE(reread.doubleValue(QStringLiteral("inf")), std::numeric_limits<double>::infinity());
        QCOMPARE(reread.integerValue(QStringLiteral("inf")), kMax);
        QCOMPARE(reread.doubleValue(QStringLiteral("-inf")), -std::numeric_limits<double>::infinity());
        QCOMPARE(reread.integerValue(QStringLiteral("-inf")), kMin);
    }

    // A later write of another type replaces the value and its type.
    void rewriteChangesType() {
        UserDefaults defaults(path());
        defaults.setInteger(QStringLiteral("k"), 7);
        defaults.setString(QStringLiteral("k"), QStringLiteral("seven"));
        const UserDefaults reread(path());
        QCOMPARE(reread.object(QStringLiteral("k")), QVariant(QStringLiteral("seven")));
        QCOMPARE(reread.integerValue(QStringLiteral("k")), qint64(0));
    }

    void removePersists() {
        UserDefaults defaults(path());
        defaults.setBool(QStringLiteral("gone"), true);
        defaults.setInteger(QStringLiteral("kept"), 3);
        defaults.remove(QStringLiteral("gone"));
        QVERIFY(!defaults.contains(QStringLiteral("gone")));

        const UserDefaults reread(path());
        QVERIFY(!reread.contains(QStringLiteral("gone")));
        QVERIFY(!reread.object(QStringLiteral("gone")).isValid());
        QCOMPARE(reread.integerValue(QStringLiteral("kept")), qint64(3));
    }

    void removeMissingKeyIsNoOp() {
        UserDefaults defaults(path());
        defaults.setString(QStringLiteral("kept"), QStringLiteral("x"));
        const QByteArray before = readAll(path());
        defaults.remove(QStringLiteral("never-set"));
        QCOMPARE(readAll(path()), before);
        QCOMPARE(UserDefaults(path()).stringValue(QStringLiteral("kept")),
                 std::optional<QString>(QStringLiteral("x")));

        // Nothing written yet: removing creates no file either.
        const QString fresh = m_dir->filePath(QStringLiteral("fresh/defaults.json"));
        UserDefaults(fresh).remove(QStringLiteral("k"));
        QVERIFY(!QFile::exists(fresh));
    }

    // A damaged file reads as empty, is kept aside, and the next change writes a sound file again.
    void corruptFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage") << QByteArray("\x01\x02 not json");
        QTest::newRow("truncated") << QByteArray("{\"k\": {\"type\": \"bool\", \"value\": tr");
        QTest::newRow("array") << QByteArray("[1, 2, 3]");
    }
    void corruptFile() {
        QFETCH(QByteArray, content);
        QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
        writeAll(path(), content);

        UserDefaults defaults(path());
        QVERIFY(!defaults.contains(QStringLiteral("k")));
        QCOMPARE(defaults.boolValue(QStringLiteral("k")), false);
        QVERIFY(!defaults.stringValue(QStringLiteral("k")).has_value());
        QCOMPARE(readAll(path() + QStringLiteral(".corrupt")), content);

        defaults.setBool(QStringLiteral("k"), true);
        QCOMPARE(UserDefaults(path()).object(QStringLiteral("k")), QVariant(true));
    }

    // An empty file (nothing written into it yet) is simply empty: nothing to keep aside.
    void emptyFile() {
        QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
        writeAll(path(), "");
        UserDefaults defaults(path());
        QVERIFY(!defaults.contains(QStringLiteral("k")));
        QVERIFY(!QFile::exists(path() + QStringLiteral(".corrupt")));
        defaults.setDouble(QStringLiteral("k"), 1.5);
        QCOMPARE(UserDefaults(path()).object(QStringLiteral("k")), QVariant(1.5));
    }

    // Entries that are not in the stored shape are dropped one by one; the sound ones stay.
    void malformedEntriesDropped() {
        QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
        const auto entry = [](const char *type, const QJsonValue &value) {
            return QJsonObject{{QStringLiteral("type"), QLatin1String(type)},
                               {QStringLiteral("value"), value}};
        };
        const QJsonObject stored{
            {QStringLiteral("good"), entry("int", 3)},
            {QStringLiteral("fraction as int"), entry("int", 2.5)},
            {QStringLiteral("text as bool"), entry("bool", QStringLiteral("yes"))},
            {QStringLiteral("bare number"), 5},
            {QStringLiteral("unknown type"), entry("date", 1)},
            {QStringLiteral("no value"), QJsonObject{{QStringLiteral("type"), QStringLiteral("string")}}},
        };
        writeAll(path(), QJsonDocument(stored).toJson());
        const UserDefaults defaults(path());
        QCOMPARE(defaults.object(QStringLiteral("good")), QVariant(qlonglong(3)));
        for (const char *key :
             {"fraction as int", "text as bool", "bare number", "unknown type", "no value"}) {
            QVERIFY2(!defaults.contains(QString::fromLatin1(key)), key);
            QVERIFY2(!defaults.object(QString::fromLatin1(key)).isValid(), key);
        }
    }

    // Written through a temporary file and a rename: nothing but the file itself is left in the directory,
    // which is created when missing.
    void atomicWriteLeavesNoTemporaryFile() {
        const QString nested = m_dir->filePath(QStringLiteral("a/b/c/defaults.json"));
        UserDefaults defaults(nested);
        for (int i = 0; i < 20; ++i)
            defaults.setInteger(QStringLiteral("n"), i);
        defaults.setString(QStringLiteral("s"), QStringLiteral("x"));
        defaults.remove(QStringLiteral("s"));

        const QStringList entries = QDir(QFileInfo(nested).absolutePath())
                                        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(entries, QStringList{QStringLiteral("defaults.json")});
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(readAll(nested), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(document.object().keys(), QStringList{QStringLiteral("n")});
        QCOMPARE(UserDefaults(nested).integerValue(QStringLiteral("n")), qint64(19));
    }

    // No path: a store in memory only.
    void inMemory() {
        UserDefaults defaults;
        defaults.setInteger(QStringLiteral("k"), 4);
        QCOMPARE(defaults.integerValue(QStringLiteral("k")), qint64(4));
        defaults.remove(QStringLiteral("k"));
        QVERIFY(!defaults.contains(QStringLiteral("k")));
        QVERIFY(!UserDefaults().contains(QStringLiteral("k")));
    }
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"
