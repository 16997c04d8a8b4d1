#include "AppFonts.h"
#include "AppSession.h"
#include "Brand.h"
#include "LinkOpener.h"
#include "QmlHarness.h"
#include "Symbols.h"
#include "TestPlatform.h"
#include "Theme.h"

#include <QDirIterator>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QRawFont>
#include <QRegularExpression>
#include <QTest>

namespace {

// The icon font as the app loads it, for asking whether it has a glyph.
QRawFont iconFont() {
    QFont font(Symbols::family());
    font.setPixelSize(24);
    return QRawFont::fromFont(font);
}

// The symbol names the module's QML files draw: `symbol: ...` lines of SymbolIcon and Symbols.glyph("...").
QStringList symbolNamesInQml() {
    static const QRegularExpression symbolLine(QStringLiteral(R"(\bsymbol:\s*([^\n]*))"));
    static const QRegularExpression quoted(QStringLiteral(R"("([^"]+)\")"));
    static const QRegularExpression glyphCall(QStringLiteral(R"(Symbols\.glyph\(\s*"([^"]+)\"\s*\))"));
    QStringList names;
    QmlHarness::loadEveryModule();
    QDirIterator files(QStringLiteral(":/qt/qml/Quorvel"), {QStringLiteral("*.qml")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString source = QString::fromUtf8(file.readAll());
        for (auto lines = symbolLine.globalMatch(source); lines.hasNext();) {
            const QString line = lines.next().captured(1);
            for (auto found = quoted.globalMatch(line); found.hasNext();)
                names << found.next().captured(1);
        }
        for (auto calls = glyphCall.globalMatch(source); calls.hasNext();)
            names << calls.next().captured(1);
    }
    names.removeDuplicates();
    return names;
}

} // namespace

class TestBrand : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    // --- palette: each colour, as QML reads it, against its 8-bit equivalent

    void palette_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("hex");

        QTest::newRow("navy") << "brandNavy"
                              << "#0b3d5c";
        QTest::newRow("navy deep") << "brandNavyDeep"
                                   << "#072a40";
        QTest::newRow("teal") << "brandTeal"
                              << "#1a7a6d";
        QTest::newRow("mint") << "brandMint"
                              << "#5fd3bc";
        QTest::newRow("amber") << "brandAmber"
                               << "#e8b54a";
        QTest::newRow("mist") << "brandMist"
                              << "#f3f8f7";
        QTest::newRow("cloud") << "brandCloud"
                               << "#f5f8f9";
        QTest::newRow("line") << "brandLine"
                              << "#dbe6e8";
        QTest::newRow("muted") << "brandMuted"
                               << "#5c6b78";
    }
    void palette() {
        QFETCH(QString, name);
        QFETCH(QString, hex);
        Theme theme;
        const QVariant value = theme.property(name.toLatin1().constData());
        QVERIFY2(value.isValid(), qPrintable(name + " is not a property"));
        const QColor colour = value.value<QColor>();
        QCOMPARE(colour.name(QColor::HexRgb), hex);
        QCOMPARE(colour.alphaF(), 1.0f);
        QCOMPARE(colour.spec(), QColor::Rgb);
    }

    // --- legal pages

    void legalURLs_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QString>("path");

        QTest::newRow("user terms") << Brand::userTermsURL() << "/legal/terms.html";
        QTest::newRow("privacy policy") << Brand::privacyPolicyURL() << "/legal/privacy.html";
        QTest::newRow("children's privacy") << Brand::childrenPrivacyURL() << "/legal/children.html";
    }
    void legalURLs() {
        QFETCH(QUrl, url);
        QFETCH(QString, path);

        // Pointing the app at another service moves the API, never the legal pages.
        TestPlatform platform(
            QJsonObject{{QStringLiteral("QVLApiBaseURL"), QStringLiteral("https://x.test:8443")}});
        AppSession session;
        QCOMPARE(session.baseURL().host(), QStringLiteral("x.test"));

        QCOMPARE(url.toString(), QStringLiteral("https://") + Brand::webHost + path);
        QCOMPARE(url.scheme(), QStringLiteral("https"));
        QVERIFY(LinkOpener::isOpenable(url));
    }

    // The legal pages live on the host the built-in default API address names.
    void legalHostIsTheDefaultApiHost() {
        TestPlatform platform(QJsonObject{});
        AppSession session;
        QCOMPARE(Brand::userTermsURL().host(), session.baseURL().host());
    }

    // --- symbols

    void iconFontLoads() {
        QVERIFY2(QFile::exists(Symbols::fontPath), "the icon font package is installed in this environment");
        QVERIFY(Symbols::fontAvailable());
        // Registered under the app's own name, so that no other installed copy of the font can stand in.
        QCOMPARE(Symbols::family(), Symbols::ownFamily);
        QVERIFY(iconFont().isValid());
        QCOMPARE(iconFont().familyName(), Symbols::ownFamily);
    }

    void fontIsRenamed_data() {
        QTest::addColumn<QByteArray>("font");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<bool>("renamed");
        QFile file(Symbols::fontPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ttf = file.readAll();
        QTest::newRow("the icon font") << ttf << QStringList{QStringLiteral("Material Icons")} << true;
        QTest::newRow("empty") << QByteArray() << QStringList{} << false;
        QTest::newRow("not a font") << QByteArray("<svg>not a font file at all</svg>") << QStringList{}
                                    << false;
        QTest::newRow("directory cut short") << ttf.left(40) << QStringList{} << false;
        QByteArray noName = ttf.left(12 + 16 * 2);
        noName[4] = 0;
        noName[5] = 2; // two tables, neither of them 'name'
        QTest::newRow("no name table") << noName << QStringList{} << false;
    }
    void fontIsRenamed() {
        QFETCH(QByteArray, font);
        QFETCH(QStringList, before);
        QFETCH(bool, renamed);
        QCOMPARE(AppFonts::familyNames(font), before);
        const QByteArray result = AppFonts::withFamilyName(font, QStringLiteral("Quorvel Test Icons"));
        QCOMPARE(!result.isEmpty(), renamed);
        if (!renamed)
            return;
        QCOMPARE(AppFonts::familyNames(result), QStringList{QStringLiteral("Quorvel Test Icons")});
        // The font itself still works: it registers under the new name and maps the same glyphs.
        const QRawFont raw(result, 24);
        QVERIFY(raw.isValid());
        QCOMPARE(raw.familyName(), QStringLiteral("Quorvel Test Icons"));
        QVERIFY(raw.supportsCharacter(QChar(0xe88a))); // home
    }

    void screenSymbols_data() {
        QTest::addColumn<QString>("name");
        // Tab bar, sign-in and guest pages.
        for (const char *name :
             {"house", "book", "questionmark.bubble", "sparkles", "person", "xmark", "iphone", "lock.shield",
              "checkmark.circle.fill", "circle", "checkmark.shield.fill", "number", "line.3.horizontal",
              "books.vertical", "wifi.exclamationmark"})
            QTest::newRow(name) << QString::fromLatin1(name);
        // Home page: the search section, the tool dock and its placeholder page.
        for (const char *name : {"hourglass", "checklist", "flame.fill", "checkmark.circle.fill",
                                 "magnifyingglass", "ellipsis.circle", "chevron.left"})
            QTest::newRow(name) << QString::fromLatin1(name);
        // The inbox: its header, empty state and action arrow (the kinds' own symbols are checked with
        // their table).
        for (const char *name : {"bell.badge.fill", "tray", "arrow.right"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void screenSymbols() {
        QFETCH(QString, name);
        QVERIFY(Symbols::contains(name));
        const char32_t codePoint = Symbols::codePoint(name);
        QVERIFY(codePoint != Symbols::fallbackCodePoint());
        QCOMPARE(Symbols::glyph(name), QString::fromUcs4(&codePoint, 1));
    }

    // Every entry of the table names a glyph the installed font really has (an icon added to the table
    // from a newer font version would draw as an empty box).
    void everyTableEntryHasAGlyph() {
        const QRawFont font = iconFont();
        QVERIFY(font.isValid());
        QStringList missing;
        for (const QString &name : Symbols::names()) {
            if (!font.supportsCharacter(Symbols::codePoint(name)))
                missing << name;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", ")));
        QVERIFY(font.supportsCharacter(Symbols::fallbackCodePoint()));
        const QStringList names = Symbols::names();
        QCOMPARE(names.size(), QSet<QString>(names.begin(), names.end()).size()); // no name twice
    }

    void unknownNameShowsTheFallback() {
        const char32_t fallback = Symbols::fallbackCodePoint();
        QVERIFY(!Symbols::contains(QStringLiteral("no.such.symbol")));
        QCOMPARE(Symbols::codePoint(QStringLiteral("no.such.symbol")), char32_t(0));
        QCOMPARE(Symbols::glyph(QStringLiteral("no.such.symbol")), QString::fromUcs4(&fallback, 1));
        QCOMPARE(Symbols::glyph(QString()), QString::fromUcs4(&fallback, 1));
    }

    // A misspelt name in a view shows the fallback glyph; catch it here instead.
    void everySymbolTheViewsUseIsInTheTable() {
        const QStringList used = symbolNamesInQml();
        QVERIFY2(used.contains(QStringLiteral("iphone")), "the module's QML files are in the resources");
        QStringList unknown;
        for (const QString &name : used) {
            if (!Symbols::contains(name))
                unknown << name;
        }
        QVERIFY2(unknown.isEmpty(), qPrintable(unknown.join(u", ")));
    }

    // --- fonts

    void chineseFontIsTheAppFont() {
        QVERIFY2(QFontDatabase::families().contains(AppFonts::cjkFamily), "fonts-noto-cjk is installed");
        QVERIFY(AppFonts::install(*qGuiApp));
        QCOMPARE(QGuiApplication::font().families().value(0), AppFonts::cjkFamily);
        QFontMetrics metrics(QGuiApplication::font());
        QVERIFY(metrics.inFontUcs4(U'岚'));
    }

    // --- links

    void openableLinks_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("openable");

        QTest::newRow("https") << "https://api.quorvel.cn/legal/terms.html" << true;
        QTest::newRow("http") << "http://example.com/" << true;
        QTest::newRow("scheme in capitals") << "HTTPS://example.com/" << true;
        QTest::newRow("tel with slashes is mangled into a host") << "tel://12356" << false;
        QTest::newRow("hotline") << "tel:12356" << true;
        QTest::newRow("web address without host") << "https:///legal" << false;
        QTest::newRow("empty tel") << "tel:" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("mail") << "mailto:a@b.c" << false;
        QTest::newRow("custom handler") << "steam://run/1" << false;
        QTest::newRow("relative") << "/legal/terms.html" << false;
        QTest::newRow("empty") << "" << false;
    }
    void openableLinks() {
        QFETCH(QString, link);
        QFETCH(bool, openable);
        const QUrl url(link);
        QCOMPARE(LinkOpener::isOpenable(url), openable);

        QList<QUrl> opened;
        LinkOpener::setHandler([&](const QUrl &target) {
            opened << target;
            return true;
        });
        if (!openable)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^LinkOpener: refused")));
        QCOMPARE(LinkOpener::open(url), openable);
        LinkOpener::setHandler({});
        QCOMPARE(opened, openable ? QList<QUrl>{url} : QList<QUrl>{});
    }
};

QTEST_MAIN(TestBrand)
#include "tst_brand.moc"
