#include "AppSession.h"
#include "QmlModules.h"
#include "TestPlatform.h"
#include "Theme.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

QVL_IMPORT_QML_MODULES()

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
                                         << "#993c3c43"
                                         << "#99ebebf5";
        QTest::newRow("grouped background") << "groupedBackground"
                                            << "#fff2f2f7"
                                            << "#ff000000";
        QTest::newRow("secondary grouped") << "secondaryGroupedBackground"
                                           << "#ffffffff"
                                           << "#ff1c1c1e";
        QTest::newRow("secondary background") << "secondaryBackground"
                                              << "#fff2f2f7"
                                              << "#ff1c1c1e";
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

    void withOpacityScalesAlpha() {
        QCOMPARE(Theme::withOpacity(Theme::brandNavy(), 0.25).alpha(), 64);
        QCOMPARE(Theme::withOpacity(Theme::color(Theme::SecondaryLabel, false), 0.5).alpha(), 77);
        QCOMPARE(Theme::withOpacity(Theme::brandNavy(), 2).alphaF(), 1.0f);
        QCOMPARE(Theme::withOpacity(Theme::brandNavy(), 0.25).rgb(), Theme::brandNavy().rgb());
    }
};

QTEST_MAIN(TestTheme)
#include "tst_theme.moc"
