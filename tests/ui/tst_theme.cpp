#include "AppSession.h"
#include "TestPlatform.h"
#include "Theme.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

class TestTheme : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A few roles in each scheme, read the way QML reads them.
    void rolesFollowDarkMode_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("light");
        QTest::addColumn<QString>("dark");

        QTest::newRow("label") << "label"
                               << "#ff000000"
                               << "#ffffffff";
        QTest::newRow("secondary label") << "secondaryLabel"
                                         << "#c23c3c43"
                                         << "#99ebebf5";
        QTest::newRow("grouped background") << "groupedBackground"
                                            << "#fff2f2f7"
                                            << "#ff000000";
        QTest::newRow("secondary grouped") << "secondaryGroupedBackground"
                                           << "#ffffffff"
                                           << "#ff1c1c1e";
        QTest::newRow("secondary background") << "secondaryBackground"
                                              << "#fff2f2f7"
                                              << "#ff2c2c2e";
        QTest::newRow("orange") << "orange"
                                << "#ffff9500"
                                << "#ffff9f0a";
        QTest::newRow("brand teal stays") << "brandTeal"
                                          << "#ff1a7a6d"
                                          << "#ff1a7a6d";
    }
    void rolesFollowDarkMode() {
        QFETCH(QString, name);
        QFETCH(QString, light);
        QFETCH(QString, dark);
        TestPlatform platform;
        AppSession session;
        Theme theme;
        QSignalSpy changed(&theme, &Theme::darkChanged);
        const auto read = [&] {
            return theme.property(name.toLatin1()).value<QColor>().name(QColor::HexArgb);
        };

        QCOMPARE(read(), light);
        session.setDarkMode(true);
        QVERIFY(theme.dark());
        QCOMPARE(read(), dark);
        QCOMPARE(changed.size(), 1);
        session.setDarkMode(true); // no change, no signal
        QCOMPARE(changed.size(), 1);
        session.setDarkMode(false);
        QCOMPARE(read(), light);
        QCOMPARE(changed.size(), 2);
    }

    // The theme follows whichever session is current: a newer one takes over, and without any it is light.
    void followsTheCurrentSession() {
        TestPlatform platform;
        auto first = std::make_unique<AppSession>();
        first->setDarkMode(true);
        Theme theme;
        QVERIFY(theme.dark());

        // Stored preferences carry over, so the next session starts dark too; then only it counts.
        auto second = std::make_unique<AppSession>();
        QVERIFY(theme.dark());
        first->setDarkMode(false);
        QVERIFY(theme.dark());
        second->setDarkMode(false);
        QVERIFY(!theme.dark());
        second->setDarkMode(true);
        second.reset();
        QVERIFY(!theme.dark());
    }

    // The QML singleton, as views bind to it.
    void qmlSingletonFollowsTheSession() {
        TestPlatform platform;
        AppSession session;
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nimport Quorvel.Ui\nQtObject { property color text: Theme.label }",
                          {});
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->property("text").value<QColor>(), QColor(Qt::black));
        session.setDarkMode(true);
        QCOMPARE(object->property("text").value<QColor>(), QColor(Qt::white));
    }

    // Every text role stands out 4.5:1 from every background role of its scheme.
    void textRolesReadableOnBackgrounds_data() {
        QTest::addColumn<int>("text");
        QTest::addColumn<int>("background");
        QTest::addColumn<bool>("dark");
        const QList<std::pair<const char *, int>> texts{{"label", Theme::Label},
                                                        {"secondary label", Theme::SecondaryLabel},
                                                        {"accent", Theme::Accent},
                                                        {"ink", Theme::Ink},
                                                        {"muted", Theme::Muted}};
        const QList<std::pair<const char *, int>> backgrounds{
            {"system", Theme::SystemBackground},
            {"grouped", Theme::GroupedBackground},
            {"secondary grouped", Theme::SecondaryGroupedBackground},
            {"secondary", Theme::SecondaryBackground}};
        for (const bool dark : {false, true})
            for (const auto &[textName, text] : texts)
                for (const auto &[backgroundName, background] : backgrounds)
                    QTest::addRow("%s on %s%s", textName, backgroundName, dark ? ", dark" : "")
                        << text << background << dark;
    }
    void textRolesReadableOnBackgrounds() {
        QFETCH(int, text);
        QFETCH(int, background);
        QFETCH(bool, dark);
        const double ratio = Theme::contrastRatio(Theme::color(text, dark), Theme::color(background, dark));
        QVERIFY2(ratio >= 4.5, qPrintable(QString::number(ratio)));
    }

    // A colour that does not carry text is shifted, hue kept, just far enough; one that does is kept.
    void legibleShiftsOnlyWhatFails_data() {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<bool>("kept");
        QTest::newRow("orange on white") << Theme::color(Theme::Orange, false) << QColor(Qt::white) << false;
        QTest::newRow("teal on black") << Theme::brandTeal() << QColor(Qt::black) << false;
        QTest::newRow("navy on white") << Theme::brandNavy() << QColor(Qt::white) << true;
        QTest::newRow("mint on dark card") << Theme::brandMint() << QColor(28, 28, 30) << true;
    }
    void legibleShiftsOnlyWhatFails() {
        QFETCH(QColor, color);
        QFETCH(QColor, background);
        QFETCH(bool, kept);
        const QColor shade = Theme::legible(color, background);
        QVERIFY(Theme::contrastRatio(shade, background) >= 4.5);
        QCOMPARE(shade == color, kept);
        if (!kept) {
            QVERIFY(Theme::contrastRatio(shade, background) < 4.8); // no further than needed
            QVERIFY(std::abs(shade.hslHueF() - color.hslHueF()) < 0.02f);
        }
    }

    void contrastRatioOfKnownPairs() {
        QCOMPARE(qRound(Theme::contrastRatio(Qt::black, Qt::white)), 21);
        QCOMPARE(Theme::contrastRatio(Theme::brandTeal(), Theme::brandTeal()), 1.0);
        // A translucent text is blended over what it is on: black at half opacity on white is mid grey.
        QVERIFY(qAbs(Theme::contrastRatio(QColor(0, 0, 0, 128), Qt::white) -
                     Theme::contrastRatio(QColor(127, 127, 127), Qt::white)) < 0.05);
        QVERIFY(Theme::contrastRatio(Qt::white, Theme::underWhiteText(QColor(52, 199, 89))) >= 4.5);
        QCOMPARE(Theme::underWhiteText(Theme::brandNavy()), Theme::brandNavy());
        QCOMPARE(Theme::over(QColor(0, 0, 0, 0), Qt::white), QColor(Qt::white));
    }

    void withOpacityScalesAlpha() {
        QCOMPARE(Theme::withOpacity(Theme::brandNavy(), 0.25).alpha(), 64);
        QCOMPARE(Theme::withOpacity(Theme::color(Theme::SecondaryLabel, false), 0.5).alpha(), 97);
        QCOMPARE(Theme::withOpacity(Theme::brandNavy(), 2).alphaF(), 1.0f);
        QCOMPARE(Theme::withOpacity(Theme::brandNavy(), 0.25).rgb(), Theme::brandNavy().rgb());
    }
};

QTEST_MAIN(TestTheme)
#include "tst_theme.moc"
