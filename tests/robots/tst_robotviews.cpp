#include "AppFonts.h"
#include "AppSession.h"
#include "MotionSettings.h"
#include "QmlHarness.h"
#include "RobotStore.h"
#include "SpeechPlayer.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

#include <functional>
#include <memory>

// Loads every robot view offscreen and fails on any QML warning. With QVL_SCREENSHOT_DIR naming a folder, it
// also saves pictures of the views there (avatar in every shape and mood, banner, stage, settings sheet).

namespace {

using Properties = std::function<QVariantMap(AppSession &)>;

QString moduleFile(const QString &type) {
    return QmlHarness::moduleUrl(type).toString();
}

// Set up by initTestCase for the whole suite.
QmlHarness::WarningGuard *guard = nullptr;

QStringList takeWarnings() {
    return guard->take();
}

// A window showing `root`, sized to it.
struct Shown {
    std::unique_ptr<QQuickWindow> window = std::make_unique<QQuickWindow>();
    std::unique_ptr<QObject> object;

    bool show(QObject *created, QSize size = {}) {
        object.reset(created);
        if (!created)
            return false;
        auto *item = qobject_cast<QQuickItem *>(created);
        if (!item) {
            // A sheet: opened over the window, as a presenter shows it, a phone-sized window by default.
            if (created->metaObject()->indexOfMethod("open()") < 0)
                return false;
            window->resize(size.isEmpty() ? QSize(430, 800) : size);
            created->setProperty("parent", QVariant::fromValue(window->contentItem()));
            QMetaObject::invokeMethod(created, "open");
            window->setColor(Qt::white);
            window->show();
            return QTest::qWaitForWindowExposed(window.get());
        }
        item->setParentItem(window->contentItem());
        if (size.isEmpty())
            size = QSize(int(std::max(item->implicitWidth(), 10.0)),
                         int(std::max(item->implicitHeight(), 10.0)));
        window->resize(size);
        item->setSize(size);
        window->setColor(Qt::white);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
};

void saveShot(QQuickWindow &window, const QString &name) {
    if (QmlHarness::screenshotFolder().isEmpty())
        return;
    QTest::qWait(50);
    QVERIFY2(QmlHarness::saveScreenshot(window, QStringLiteral("robot-") + name), qPrintable(name));
}

} // namespace

Q_DECLARE_METATYPE(Properties)

class TestRobotViews : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<AppSession> m_session;
    QQmlEngine *m_engine = nullptr;
    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

    QObject *create(const QUrl &url, const QVariantMap &properties) {
        QQmlComponent component(m_engine, url);
        if (component.isError()) {
            qWarning().noquote() << component.errorString();
            return nullptr;
        }
        QObject *object = component.createWithInitialProperties(properties);
        if (!object)
            qWarning().noquote() << component.errorString();
        return object;
    }

    QObject *createInline(const QByteArray &qml, const QVariantMap &properties) {
        QQmlComponent component(m_engine);
        component.setData(qml, QUrl(QStringLiteral("qrc:/tests/Scene.qml")));
        if (component.isError()) {
            qWarning().noquote() << component.errorString();
            return nullptr;
        }
        QObject *object = component.createWithInitialProperties(properties);
        if (!object)
            qWarning().noquote() << component.errorString();
        return object;
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_platform = std::make_unique<TestPlatform>();
        // No catalog request of a view may reach a network in this suite.
        m_platform->transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(503, R"({"message":"offline"})");
        };
        m_session = std::make_unique<AppSession>();
        m_engine = new QQmlEngine(this);
        m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
        m_guard->watch(*m_engine);
        guard = m_guard.get();
    }
    void cleanupTestCase() {
        delete m_engine;
        m_engine = nullptr;
        guard = nullptr;
        m_guard.reset();
    }
    void init() { takeWarnings(); }

    void loadsWithoutWarnings_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<Properties>("properties");
        QTest::newRow("RobotAvatarView") << "RobotAvatarView" << Properties([](AppSession &) {
            return QVariantMap{{"robot", QVariant::fromValue(RobotStore::builtInCatalog().robots.first())},
                               {"size", 78}};
        });
        QTest::newRow("RobotSceneBanner") << "RobotSceneBanner" << Properties([](AppSession &session) {
            return QVariantMap{{"scene", "learning"}, {"session", QVariant::fromValue(&session)}};
        });
        QTest::newRow("RobotSceneBanner compact with bubble")
            << "RobotSceneBanner" << Properties([](AppSession &session) {
                   return QVariantMap{{"scene", "practice"},
                                      {"compact", true},
                                      {"mood", 3},
                                      {"bubble", "先想想题目问的是什么"},
                                      {"session", QVariant::fromValue(&session)}};
               });
        QTest::newRow("RobotStage full") << "RobotStage" << Properties([](AppSession &) {
            return QVariantMap{{"robot", QVariant::fromValue(RobotStore::builtInCatalog().robots.first())},
                               {"name", "小岚"},
                               {"mood", 2},
                               {"status", "正在说话…"},
                               {"languageLabel", "中文"},
                               {"languageFull", "中文（普通话）"}};
        });
        QTest::newRow("RobotStage compact") << "RobotStage" << Properties([](AppSession &) {
            return QVariantMap{{"robot", QVariant::fromValue(RobotStore::builtInCatalog().robots[1])},
                               {"name", "算算"},
                               {"compact", true},
                               {"status", "在线 · 先给思路，不直接给答案"},
                               {"languageLabel", "EN"},
                               {"languageFull", "English"}};
        });
        QTest::newRow("ChatBackdrop") << "ChatBackdrop" << Properties([](AppSession &session) {
            session.setDarkMode(true);
            return QVariantMap{{"tint", QColor(0x3B, 0x7B, 0xE0)}};
        });
        QTest::newRow("RobotSettingsSheet") << "RobotSettingsSheet" << Properties([](AppSession &session) {
            return QVariantMap{{"scene", "companion"}, {"session", QVariant::fromValue(&session)}};
        });
        QTest::newRow("PressScaleStyle")
            << "PressScaleStyle" << Properties([](AppSession &) { return QVariantMap{}; });
    }
    void loadsWithoutWarnings() {
        QFETCH(QString, type);
        QFETCH(Properties, properties);
        Shown shown;
        QVERIFY(shown.show(create(QUrl(moduleFile(type)), properties(*m_session))));
        QTest::qWait(80);
        shown.object.reset();
        m_session->setDarkMode(false);
        const QStringList warnings = takeWarnings();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // Every robot of the built-in catalog (all three shapes, all five accessories) in every mood, at a moment
    // when the eyes are open and the waving arm is up.
    void avatarGallery() {
        const QByteArray qml = R"(
import QtQuick
import Quorvel.Ui
import Quorvel.Robots
Rectangle {
    id: root
    property var robots: []
    property real moment: 0
    property bool still: false
    color: "white"
    implicitWidth: grid.implicitWidth + 32
    implicitHeight: grid.implicitHeight + 32
    Grid {
        id: grid
        x: 16; y: 16
        columns: 4
        spacing: 12
        Repeater {
            model: root.robots.length * 4
            Column {
                required property int index
                spacing: 2
                RobotAvatarView {
                    robot: root.robots[Math.floor(parent.index / 4)]
                    mood: parent.index % 4
                    size: 110
                    frameTime: root.moment
                    reduceMotion: root.still
                }
                Text {
                    text: root.robots[Math.floor(parent.index / 4)].name + " " + root.robots[Math.floor(parent.index / 4)].shape + " " + ["idle", "thinking", "speaking", "waving"][parent.index % 4]
                    font.pixelSize: 11
                    textFormat: Text.PlainText
                }
            }
        }
    }
}
)";
        QVariantList robots;
        for (const RobotCharacter &robot : RobotStore::builtInCatalog().robots)
            robots << QVariant::fromValue(robot);
        // sin(8t) = 1 (wave up), sin(11t)cos(4.3t) large (mouth open), fmod(t, 3.6) > 0.15 (eyes open).
        const double moment = M_PI / 16;
        for (const bool still : {false, true}) {
            Shown shown;
            QVERIFY(
                shown.show(createInline(qml, {{"robots", robots}, {"moment", moment}, {"still", still}})));
            saveShot(*shown.window, still ? QStringLiteral("avatar-gallery-reduce-motion")
                                          : QStringLiteral("avatar-gallery"));
        }
        const QStringList warnings = takeWarnings();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // The banner in its two sizes and with a caller's bubble, light and dark; the stage in both layouts over
    // the chat backdrop.
    void bannerAndStageShots() {
        const QByteArray qml = R"(
import QtQuick
import Quorvel.Ui
import Quorvel.Robots
Rectangle {
    id: root
    property var session
    property var robots: []
    color: Theme.groupedBackground
    implicitWidth: 840
    implicitHeight: 660
    ChatBackdrop {
        anchors.fill: parent
        tint: root.robots[1].color
    }
    Column {
        id: column
        x: 16; y: 16
        width: 404
        spacing: 18
        RobotSceneBanner { width: parent.width; scene: "learning"; compact: true; session: root.session }
        RobotSceneBanner { width: parent.width; scene: "practice"; compact: true; mood: RobotMood.Waving; session: root.session }
        RobotSceneBanner { width: parent.width; scene: "home"; session: root.session }
        RobotSceneBanner { width: parent.width; scene: "wrongbook"; bubble: "这道题错在第二步：移项时忘了变号。我们先把第二步重新写一遍，再检查结果。"; session: root.session }
    }
    Column {
        x: 436; y: 16
        width: 388
        spacing: 24
        RobotStage { width: parent.width; robot: root.robots[0]; name: "小岚"; mood: RobotMood.Speaking; status: "正在说话…"; languageLabel: "中文"; languageFull: "中文（普通话）"; frameTime: 0.5 }
        RobotStage { width: parent.width; robot: root.robots[1]; name: "算算"; compact: true; status: "在线 · 先给思路，不直接给答案"; languageLabel: "EN"; languageFull: "English"; frameTime: 0.5 }
        RobotStage { width: parent.width; robot: root.robots[3]; name: "考考"; compact: true; mood: RobotMood.Thinking; status: "正在思考…"; languageLabel: "粤语"; languageFull: "粤语"; frameTime: 0.5 }
    }
}
)";
        QVariantList robots;
        for (const RobotCharacter &robot : RobotStore::builtInCatalog().robots)
            robots << QVariant::fromValue(robot);
        for (const bool dark : {false, true}) {
            m_session->setDarkMode(dark);
            Shown shown;
            QVERIFY(shown.show(
                createInline(qml, {{"session", QVariant::fromValue(m_session.get())}, {"robots", robots}})));
            saveShot(*shown.window,
                     dark ? QStringLiteral("banner-stage-dark") : QStringLiteral("banner-stage"));
        }
        m_session->setDarkMode(false);
        const QStringList warnings = takeWarnings();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // The sheet as it first shows, in the dark scheme, and after the chat switched to English with a catalog
    // that reports its models; then with the voice menu open.
    void settingsSheetShots() {
        RobotStore &store = RobotStore::shared();
        const auto show = [&](const QString &name, bool dark,
                              const std::function<void(QObject &)> &act = {}) {
            m_session->setDarkMode(dark);
            Shown shown;
            QVERIFY(shown.show(create(QUrl(moduleFile("RobotSettingsSheet")),
                                      {{"scene", "learning"},
                                       {"session", QVariant::fromValue(m_session.get())},
                                       {"frameTime", 0.2}}),
                               QSize(430, 800)));
            QTest::qWait(350); // the sheet rises
            if (act)
                act(*shown.object);
            saveShot(*shown.window, name);
        };
        show(QStringLiteral("settings-sheet"), false);
        show(QStringLiteral("settings-sheet-dark"), true);

        RobotCatalog english = RobotStore::builtInCatalog();
        english.languages[1].label = QStringLiteral("English (US)");
        english.models = RobotCatalog::Models{true, false};
        store.setCatalog(QStringLiteral("en-US"), english);
        store.setActiveLanguage(QStringLiteral("en-US"));
        store.setVoice(QStringLiteral("calm_teacher"));
        show(QStringLiteral("settings-sheet-english"), false);
        show(QStringLiteral("settings-sheet-voice-menu"), false, [](QObject &sheet) {
            // A tap on the voice row's trailing side opens the rows.
            auto *row = sheet.findChild<QQuickItem *>(QStringLiteral("voicePicker"));
            QVERIFY(row);
            QTest::mouseClick(row->window(), Qt::LeftButton, {},
                              row->mapToScene(QPointF(row->width() - 50, row->height() / 2)).toPoint());
            auto *menu = row->findChild<QObject *>(QStringLiteral("pickerMenu"));
            QVERIFY(menu);
            QTRY_VERIFY(menu->property("opened").toBool());
            QTest::qWait(150);
        });
        store.resetActiveLanguage();
        store.setVoice(std::nullopt);
        m_session->setDarkMode(false);
        const QStringList warnings = takeWarnings();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }
};

QTEST_MAIN(TestRobotViews)
#include "tst_robotviews.moc"
