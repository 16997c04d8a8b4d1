#include "ChatStrings.h"

#include <QMetaProperty>
#include <QTest>

#include <thread>
#include <vector>

namespace {

const QStringList kLanguages{"zh-CN", "en-US", "yue-HK", "ja-JP"};

void addLanguageRows() {
    QTest::addColumn<QString>("code");
    for (const QString &code : kLanguages)
        QTest::newRow(qPrintable(code)) << code;
}

QString textOf(const ChatStrings &strings, const QMetaProperty &property) {
    return property.readOnGadget(&strings).toString();
}

} // namespace

class TestChatStrings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tableByLanguage_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("send");
        QTest::addColumn<QString>("done");
        QTest::newRow("English") << "en-US"
                                 << "Send"
                                 << "Done";
        QTest::newRow("en is not en-US") << "en"
                                         << "发送"
                                         << "完成";
        QTest::newRow("en-us is not en-US") << "en-us"
                                            << "发送"
                                            << "完成";
        QTest::newRow("Cantonese") << "yue-HK"
                                   << "發送"
                                   << "完成";
        QTest::newRow("zh-HK is not Cantonese") << "zh-HK"
                                                << "发送"
                                                << "完成";
        QTest::newRow("Japanese") << "ja-JP"
                                  << "送信"
                                  << "完了";
        QTest::newRow("ja is not ja-JP") << "ja"
                                         << "发送"
                                         << "完成";
        QTest::newRow("Mandarin") << "zh-CN"
                                  << "发送"
                                  << "完成";
        QTest::newRow("empty") << ""
                               << "发送"
                               << "完成";
    }
    void tableByLanguage() {
        QFETCH(QString, code);
        QFETCH(QString, send);
        QFETCH(QString, done);
        QCOMPARE(ChatStrings::forLanguage(code).send, send);
        QCOMPARE(ChatStrings::forLanguage(code).done, done);
    }

    void textsDistinguishCantonese() {
        QCOMPARE(ChatStrings::forLanguage("yue-HK").robotTag, QStringLiteral("AI 機械人"));
        QCOMPARE(ChatStrings::forLanguage("zh-HK").robotTag, QStringLiteral("AI 机器人"));
    }

    // Each table is made once: every caller, on any thread, gets the very same one.
    void tableIsMadeOnce() {
        std::vector<const ChatStrings *> seen(8, nullptr);
        std::vector<std::thread> threads;
        for (size_t i = 0; i < seen.size(); ++i)
            threads.emplace_back(
                [&seen, i] { seen[i] = &ChatStrings::forLanguage(QStringLiteral("ja-JP")); });
        for (std::thread &thread : threads)
            thread.join();
        for (const ChatStrings *table : seen)
            QCOMPARE(table, &ChatStrings::forLanguage(QStringLiteral("ja-JP")));
        QVERIFY(&ChatStrings::forLanguage("zh-CN") == &ChatStrings::forLanguage("anything else"));
    }

    // Every text and the hint names are there in every language; the property list is the table's shape
    // (69 properties: the 72 fields less the three maps), so a field added without a property shows here.
    void everyTextIsFilled_data() { addLanguageRows(); }
    void everyTextIsFilled() {
        QFETCH(QString, code);
        const ChatStrings &strings = ChatStrings::forLanguage(code);
        const QMetaObject &meta = ChatStrings::staticMetaObject;
        QCOMPARE(meta.propertyCount(), 69);
        for (int i = 0; i < meta.propertyCount(); ++i) {
            const QMetaProperty property = meta.property(i);
            if (property.metaType() == QMetaType::fromType<QStringList>()) {
                const QStringList list = property.readOnGadget(&strings).toStringList();
                QCOMPARE(list.size(), 3);
                for (const QString &text : list)
                    QVERIFY2(!text.isEmpty(), property.name());
            } else {
                QCOMPARE(property.metaType(), QMetaType::fromType<QString>());
                QVERIFY2(!textOf(strings, property).isEmpty(), property.name());
            }
        }
    }

    void mapsHaveExactlyTheirKeys_data() { addLanguageRows(); }
    void mapsHaveExactlyTheirKeys() {
        QFETCH(QString, code);
        const ChatStrings &strings = ChatStrings::forLanguage(code);
        const QStringList personas{"calm", "cheerful", "strict"};
        QCOMPARE(strings.personaNames.keys(), personas);
        QCOMPARE(strings.personaDetails.keys(), personas);
        QCOMPARE(strings.confirmTitles.keys(), QStringList({"order.preview", "path.create", "path.topic",
                                                            "practice.request", "video.generate"}));
        for (const auto *map : {&strings.personaNames, &strings.personaDetails, &strings.confirmTitles})
            for (const QString &text : *map)
                QVERIFY(!text.isEmpty());
    }

    void formatTextsHaveTheirPlaceholders_data() { addLanguageRows(); }
    void formatTextsHaveTheirPlaceholders() {
        QFETCH(QString, code);
        const ChatStrings &strings = ChatStrings::forLanguage(code);
        const QMetaObject &meta = ChatStrings::staticMetaObject;
        int formats = 0;
        for (int i = 0; i < meta.propertyCount(); ++i) {
            const QMetaProperty property = meta.property(i);
            const QByteArray name = property.name();
            const int expected = !name.endsWith("Format") ? 0 : name == "modelFooterFormat" ? 2 : 1;
            formats += expected > 0;
            QVERIFY2(textOf(strings, property).count(QStringLiteral("%@")) == expected, name);
        }
        QCOMPARE(formats, 10);
    }

    void hintTagText_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("text");
        QTest::newRow("zh 0 counts as the first") << "zh-CN" << 0 << "提示 0/3 · 思路提示";
        QTest::newRow("zh 1") << "zh-CN" << 1 << "提示 1/3 · 思路提示";
        QTest::newRow("zh 2") << "zh-CN" << 2 << "提示 2/3 · 关键步骤";
        QTest::newRow("zh 3") << "zh-CN" << 3 << "提示 3/3 · 完整解析";
        QTest::newRow("zh 7 counts as the third") << "zh-CN" << 7 << "提示 7/3 · 完整解析";
        QTest::newRow("en 0") << "en-US" << 0 << "Hint 0/3 · Approach";
        QTest::newRow("en 1") << "en-US" << 1 << "Hint 1/3 · Approach";
        QTest::newRow("en 2") << "en-US" << 2 << "Hint 2/3 · Key steps";
        QTest::newRow("en 3") << "en-US" << 3 << "Hint 3/3 · Full solution";
        QTest::newRow("en 7") << "en-US" << 7 << "Hint 7/3 · Full solution";
    }
    void hintTagText() {
        QFETCH(QString, code);
        QFETCH(int, level);
        QFETCH(QString, text);
        QCOMPARE(ChatStrings::forLanguage(code).hintTagText(level), text);
    }

    void formatFillsInOrder() {
        QCOMPARE(ChatStrings::format("a %@ b %@ c", {"1", "2"}), QStringLiteral("a 1 b 2 c"));
        QCOMPARE(ChatStrings::format("%@%@", {"x"}), QStringLiteral("x%@"));
        QCOMPARE(ChatStrings::format("no marks", {"x"}), QStringLiteral("no marks"));
        QCOMPARE(ChatStrings::format("%@", {"%@ inside"}), QStringLiteral("%@ inside"));
    }
};

QTEST_GUILESS_MAIN(TestChatStrings)
#include "tst_chatstrings.moc"
