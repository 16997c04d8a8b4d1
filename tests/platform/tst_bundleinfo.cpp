#include "BundleInfo.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestBundleInfo : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &content) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        file.write(content);
        return path;
    }

    static QJsonObject compiledIn() {
        qunsetenv("QVL_BUNDLE_INFO");
        return BundleInfo::load().values();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void cleanup() { qunsetenv("QVL_BUNDLE_INFO"); }

    void compiledInDictionary() {
        qunsetenv("QVL_BUNDLE_INFO");
        const BundleInfo info = BundleInfo::load();
        QCOMPARE(info.value(QStringLiteral("CFBundleShortVersionString")).toString(),
                 QStringLiteral(QVL_VERSION));
        for (const char *key : {"QVLApiBaseURL", "QVLAiBaseURL", "QVLTradeBaseURL"}) {
            const QJsonValue url = info.value(QString::fromLatin1(key));
            QVERIFY2(url.isString(), key);
            QVERIFY2(url.toString().startsWith(QStringLiteral("https://")), key);
        }
        QVERIFY(info.value(QStringLiteral("NoSuchKey")).isUndefined());
    }

    // The file's keys replace the compiled-in ones, whatever their type; the others stay.
    void overrideMerges() {
        const QJsonObject builtIn = compiledIn();
        const QJsonObject overrides{
            {QStringLiteral("QVLApiBaseURL"), QStringLiteral("http://127.0.0.1:18080")},
            {QStringLiteral("QVLTradeBaseURL"), 42},
            {QStringLiteral("QVLExtra"), QStringLiteral("added")},
        };
        const QString path = writeFile(QStringLiteral("override.json"), QJsonDocument(overrides).toJson());
        QVERIFY(!path.isEmpty());
        qputenv("QVL_BUNDLE_INFO", path.toUtf8());
        const BundleInfo info = BundleInfo::load();

        QCOMPARE(info.value(QStringLiteral("QVLApiBaseURL")).toString(),
                 QStringLiteral("http://127.0.0.1:18080"));
        QCOMPARE(info.value(QStringLiteral("QVLTradeBaseURL")), QJsonValue(42));
        QCOMPARE(info.value(QStringLiteral("QVLExtra")).toString(), QStringLiteral("added"));
        QCOMPARE(info.value(QStringLiteral("QVLAiBaseURL")), builtIn.value(QStringLiteral("QVLAiBaseURL")));
        QCOMPARE(info.value(QStringLiteral("CFBundleShortVersionString")),
                 builtIn.value(QStringLiteral("CFBundleShortVersionString")));
        QCOMPARE(info.values().size(), builtIn.size() + 1);
    }

    // An override that cannot be used is reported and leaves the compiled-in dictionary as it is.
    void badOverrideIgnored_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: no file at all

        QTest::newRow("missing file") << QStringLiteral("missing.json") << QByteArray();
        QTest::newRow("not JSON") << QStringLiteral("garbage.json") << QByteArray("QVLApiBaseURL=http://x");
        QTest::newRow("array") << QStringLiteral("array.json") << QByteArray("[\"QVLApiBaseURL\"]");
        QTest::newRow("empty") << QStringLiteral("empty.json") << QByteArray("");
    }
    void badOverrideIgnored() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QJsonObject builtIn = compiledIn();
        const QString path = content.isNull() ? m_dir.filePath(name) : writeFile(name, content);
        QVERIFY(!path.isEmpty());

        qputenv("QVL_BUNDLE_INFO", path.toUtf8());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ignoring QVL_BUNDLE_INFO")));
        QCOMPARE(BundleInfo::load().values(), builtIn);
    }

    // Set but empty: no override, and nothing to warn about.
    void emptyVariableMeansNoOverride() {
        const QJsonObject builtIn = compiledIn();
        qputenv("QVL_BUNDLE_INFO", "");
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QCOMPARE(BundleInfo::load().values(), builtIn);
    }
};

QTEST_GUILESS_MAIN(TestBundleInfo)
#include "tst_bundleinfo.moc"
