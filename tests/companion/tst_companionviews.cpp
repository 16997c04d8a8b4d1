#include "Analytics.h"
#include "AppFonts.h"
#include "AppSession.h"
#include "ChatStrings.h"
#include "CompanionEvent.h"
#include "MotionSettings.h"
#include "QmlHarness.h"
#include "RobotCatalog.h"
#include "RobotStore.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include <functional>
#include <memory>

// Loads the chat's typing dots, citation card, settings sheet and heart picture offscreen, fails on any QML
// warning, and drives them as the learner does. With QVL_SCREENSHOT_DIR naming a folder it saves pictures of
// the card (folded and open), the dots and the heart, and the sheet (as it opens, and after a failed save).

namespace {

using Properties = std::function<QVariantMap(AppSession &)>;

Citation citation(qint64 index, const QString &title, const QString &source, const QString &snippet) {
    Citation c;
    c.index = index;
    c.title = title;
    c.source = source;
    c.snippet = snippet;
    return c;
}

QVariantList sampleCitations() {
    return {
        QVariant::fromValue(citation(1, "一元一次方程的解法", "人教版数学七年级上册 3.3",
                                     "解一元一次方程的一般步骤：去分母、去括号、移项、合并同类项、系数化为"
                                     "1。每一步都要依据等式的性质，移项时要变号。")),
        QVariant::fromValue(citation(2, "", "https://example.org/notes/equations",
                                     "Moving a term across the equals sign changes its sign.")),
        QVariant::fromValue(citation(3, "等式的性质", "课本 P83",
                                     "等式两边同时加上（或减去）同一个数，"
                                     "结果仍相等。"))};
}

// A window showing `created`, sized to it; a sheet is opened over a phone-sized window.
struct Shown {
    std::unique_ptr<QQuickWindow> window = std::make_unique<QQuickWindow>();
    std::unique_ptr<QObject> object;

    bool show(QObject *created, QSize size = {}) {
        object.reset(created);
        if (!created)
            return false;
        window->setColor(Qt::white);
        auto *item = qobject_cast<QQuickItem *>(created);
        if (!item) {
            window->resize(size.isEmpty() ? QSize(430, 800) : size);
            created->setProperty("parent", QVariant::fromValue(window->contentItem()));
            QMetaObject::invokeMethod(created, "open");
            window->show();
            return QTest::qWaitForWindowExposed(window.get());
        }
        item->setParentItem(window->contentItem());
        if (size.isEmpty())
            size = QSize(int(std::max(item->implicitWidth(), 10.0)),
                         int(std::max(item->implicitHeight(), 10.0)));
        window->resize(size);
        item->setSize(size);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
};

void saveShot(QQuickWindow &window, const QString &name) {
    if (QmlHarness::screenshotFolder().isEmpty())
        return;
    QTest::qWait(50);
    QVERIFY2(QmlHarness::saveScreenshot(window, QStringLiteral("companion-") + name), qPrintable(name));
}

// Keys typed into the focused field (QTest has keyClicks for widgets only).
void typeText(QWindow &window, const char *text) {
    for (const char *c = text; *c; ++c)
        QTest::keyClick(&window, *c);
}

bool clickItem(QQuickItem *item) {
    if (!item || !item->window())
        return false;
    QTest::mouseClick(item->window(), Qt::LeftButton, {},
                      item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Properties)

class TestCompanionViews : public QObject {
    Q_OBJECT

    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<AppSession> m_session;
    QQmlEngine *m_engine = nullptr;
    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

    QObject *create(const QString &type, const QVariantMap &properties) {
        QQmlComponent component(m_engine, QmlHarness::moduleUrl(type));
        QObject *object = component.isError() ? nullptr : component.createWithInitialProperties(properties);
        if (!object)
            qWarning().noquote() << component.errorString();
        return object;
    }
    QObject *createInline(const QByteArray &qml, const QVariantMap &properties = {}) {
        QQmlComponent component(m_engine);
        component.setData(qml, QUrl(QStringLiteral("qrc:/tests/Scene.qml")));
        QObject *object = component.isError() ? nullptr : component.createWithInitialProperties(properties);
        if (!object)
            qWarning().noquote() << component.errorString();
        return object;
    }
    void expectNoWarnings() {
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_platform = std::make_unique<TestPlatform>();
        m_session = std::make_unique<AppSession>();
        m_session->setAccessToken(QStringLiteral("tok"));
        m_engine = new QQmlEngine(this);
        m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
        m_guard->watch(*m_engine);
    }
    void cleanupTestCase() {
        delete m_engine;
        m_engine = nullptr;
        m_guard.reset();
    }
    void init() {
        m_guard->take();
        m_platform->transport->requests.clear();
    }

    void loadsWithoutWarnings_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<Properties>("properties");
        QTest::newRow("TypingDots") << "TypingDots" << Properties([](AppSession &) { return QVariantMap{}; });
        QTest::newRow("CitationCard") << "CitationCard" << Properties([](AppSession &) {
            return QVariantMap{{"items", sampleCitations()}, {"title", "参考资料"}};
        });
        QTest::newRow("CitationCard empty") << "CitationCard" << Properties([](AppSession &) {
            return QVariantMap{{"title", "参考资料"}};
        });
        QTest::newRow("CompanionSettingsSheet") << "CompanionSettingsSheet" << Properties([](AppSession &s) {
            return QVariantMap{{"session", QVariant::fromValue(&s)},
                               {"current", QVariantMap{{"persona", "cheerful"}, {"name", "小星"}}}};
        });
        QTest::newRow("CompanionSettingsSheet without settings")
            << "CompanionSettingsSheet" << Properties([](AppSession &s) {
                   return QVariantMap{{"session", QVariant::fromValue(&s)}};
               });
        QTest::newRow("IconHeart") << "IconHeart" << Properties([](AppSession &) { return QVariantMap{}; });
    }
    void loadsWithoutWarnings() {
        QFETCH(QString, type);
        QFETCH(Properties, properties);
        Shown shown;
        QVERIFY(shown.show(create(type, properties(*m_session))));
        QTest::qWait(80);
        shown.object.reset();
        expectNoWarnings();
    }

    // The dots run on the robots' clock only while seen and not at all with reduced motion, and are named
    // "thinking" in the robot language in effect.
    void typingDotsClockAndName() {
        RobotStore &store = RobotStore::shared();
        Shown shown;
        QVERIFY(shown.show(create(QStringLiteral("TypingDots"), {}), QSize(60, 30)));
        QObject &dots = *shown.object;
        QCOMPARE(dots.property("implicitWidth").toDouble(), 31.0);
        QCOMPARE(dots.property("implicitHeight").toDouble(), 20.0);
        QTRY_VERIFY(dots.property("animating").toBool());

        // The app's setting, changed from C++, reaches the view (one instance for C++ and QML).
        MotionSettings::shared().setReduceMotion(true);
        QVERIFY(dots.property("reduceMotion").toBool());
        QVERIFY(!dots.property("animating").toBool());
        MotionSettings::shared().setReduceMotion(false);
        QTRY_VERIFY(dots.property("animating").toBool());
        qobject_cast<QQuickItem *>(&dots)->setVisible(false);
        QVERIFY(!dots.property("animating").toBool());
        qobject_cast<QQuickItem *>(&dots)->setVisible(true);
        QTRY_VERIFY(dots.property("animating").toBool());
        // A still picture has no clock.
        dots.setProperty("frameTime", 0.3);
        QVERIFY(!dots.property("animating").toBool());

        const auto accessibleName = [&] { return dots.property("accessibleLabel").toString(); };
        QCOMPARE(accessibleName(), ChatStrings::forLanguage(store.languageInEffect()).statusThinking);
        store.setActiveLanguage(QStringLiteral("en-US"));
        QCOMPARE(accessibleName(), ChatStrings::forLanguage(QStringLiteral("en-US")).statusThinking);
        store.resetActiveLanguage();
        expectNoWarnings();
    }

    // A tap on the header opens the card (recorded with the count) and shows the snippets; a second folds it.
    void citationCardOpensAndFolds() {
        Analytics &analytics = Analytics::shared();
        const int before = analytics.queuedCount();
        Shown shown;
        QVERIFY(shown.show(
            create(QStringLiteral("CitationCard"), {{"items", sampleCitations()}, {"title", "参考资料"}}),
            QSize(320, 400)));
        auto *card = qobject_cast<QQuickItem *>(shown.object.get());
        card->setSize(QSizeF(card->implicitWidth(), card->implicitHeight()));
        const double folded = card->implicitHeight();
        QCOMPARE(card->property("expanded").toBool(), false);
        saveShot(*shown.window, QStringLiteral("citation-card"));

        QVERIFY(clickItem(QmlHarness::findItem(card, QStringLiteral("citationHeader"))));
        QVERIFY(card->property("expanded").toBool());
        QTRY_VERIFY(card->implicitHeight() > folded + 60);
        QCOMPARE(analytics.queuedCount(), before + 1);
        QCOMPARE(analytics.queuedEvents().last().name, QStringLiteral("citation_open"));
        QCOMPARE(analytics.queuedEvents().last().props.value(QStringLiteral("count")), QStringLiteral("3"));
        QTest::qWait(250); // the card has finished opening
        card->setHeight(card->implicitHeight());
        saveShot(*shown.window, QStringLiteral("citation-card-open"));

        QVERIFY(clickItem(QmlHarness::findItem(card, QStringLiteral("citationHeader"))));
        QVERIFY(!card->property("expanded").toBool());
        QTRY_COMPARE(card->implicitHeight(), folded);
        QCOMPARE(analytics.queuedCount(), before + 1);
        expectNoWarnings();
    }

    // The heart, the dots and both card states side by side, light and dark.
    void gallery() {
        const QByteArray qml = R"(
import QtQuick
import Quorvel.Ui
import Quorvel.Companion
Rectangle {
    id: root
    property var items: []
    color: Theme.groupedBackground
    implicitWidth: 800
    implicitHeight: 380
    Row {
        x: 16; y: 16
        spacing: 16
        Column {
            spacing: 16
            Row {
                spacing: 10
                IconHeart { objectName: "heart" }
                Text { anchors.verticalCenter: parent.verticalCenter; text: "需要帮助吗"; font.pixelSize: 17; font.weight: Font.Black; color: Qt.rgba(0.61, 0.24, 0.12, 1) }
            }
            IconHeart { size: 88 }
            Rectangle {
                width: dots.width + 30; height: dots.height + 24; radius: 20
                color: Theme.secondaryGroupedBackground
                TypingDots { id: dots; anchors.centerIn: parent; frameTime: 0.16 }
            }
        }
        CitationCard { items: root.items; title: "参考资料" }
        CitationCard { id: open; items: root.items; title: "参考资料"; Component.onCompleted: open.toggle() }
    }
}
)";
        for (const bool dark : {false, true}) {
            m_session->setDarkMode(dark);
            Shown shown;
            QVERIFY(shown.show(createInline(qml, {{"items", sampleCitations()}})));
            auto *heart = QmlHarness::findItem(qobject_cast<QQuickItem *>(shown.object.get()), "heart");
            QVERIFY(heart);
            QTRY_COMPARE(heart->property("status").toInt(), 1); // Image.Ready: the SVG is in the resources
            QTest::qWait(250);
            saveShot(*shown.window,
                     dark ? QStringLiteral("chat-extras-dark") : QStringLiteral("chat-extras"));
        }
        m_session->setDarkMode(false);
        expectNoWarnings();
    }

    // The sheet as the learner uses it: it opens on the stored choice, a row tap moves the check, typing is
    // cut at eight characters, a failed save shows its text under the name (the button reading "保存中…" and
    // disabled meanwhile), editing the name removes it, and a save that works hands the stored settings up.
    void settingsSheet() {
        m_platform->transport->on("PUT", QStringLiteral("/api/v1/me/companion"),
                                  FakeTransport::Reply::json(500, R"({"code":"E"})").after(80));
        m_platform->transport->on(
            "PUT", QStringLiteral("/api/v1/me/companion"),
            FakeTransport::Reply::json(200, R"({"persona":"cheerful","name":"小星abc"})"));
        Shown shown;
        QVERIFY(shown.show(create(QStringLiteral("CompanionSettingsSheet"),
                                  {{"session", QVariant::fromValue(m_session.get())},
                                   {"current", QVariantMap{{"persona", "strict"}, {"name", "小星"}}}}),
                           QSize(430, 800)));
        QObject &sheet = *shown.object;
        QQuickItem *content = shown.window->contentItem();
        QTest::qWait(350); // the sheet rises
        saveShot(*shown.window, QStringLiteral("settings-sheet"));

        const auto find = [&](const QString &name) { return QmlHarness::findItem(content, name, true); };
        QVERIFY(find(QStringLiteral("personaRow2"))->property("selected").toBool());
        QVERIFY(!find(QStringLiteral("personaRow0"))->property("selected").toBool());
        QVERIFY(clickItem(find(QStringLiteral("personaRow0"))));
        QVERIFY(find(QStringLiteral("personaRow0"))->property("selected").toBool());
        QVERIFY(!find(QStringLiteral("personaRow2"))->property("selected").toBool());

        QQuickItem *field = find(QStringLiteral("nameField"));
        QVERIFY(clickItem(field));
        QTRY_VERIFY(field->hasActiveFocus());
        field->setProperty("cursorPosition", 2);
        typeText(*shown.window, "abcdefg");
        QCOMPARE(field->property("text").toString(), QStringLiteral("小星abcdef"));
        QTest::keyClick(shown.window.get(), Qt::Key_Backspace);
        QTest::keyClick(shown.window.get(), Qt::Key_Backspace);
        QTest::keyClick(shown.window.get(), Qt::Key_Backspace);
        QCOMPARE(field->property("text").toString(), QStringLiteral("小星abc"));

        QSignalSpy saved(&sheet, SIGNAL(saved(QVariant)));
        QQuickItem *confirm = find(QStringLiteral("sheetConfirmButton"));
        QVERIFY(clickItem(confirm));
        QVERIFY(!confirm->isEnabled());
        QCOMPARE(confirm->property("text").toString(), QStringLiteral("保存中…"));
        QVERIFY(find(QStringLiteral("sheetCloseButton"))->isEnabled());
        QTRY_VERIFY(confirm->isEnabled());
        QQuickItem *error = find(QStringLiteral("nameError"));
        QVERIFY(error);
        QCOMPARE(error->property("text").toString(), QStringLiteral("保存失败（500）"));
        QCOMPARE(saved.count(), 0);
        saveShot(*shown.window, QStringLiteral("settings-sheet-error"));

        // A persona tap leaves the error; a key in the field removes it.
        QVERIFY(clickItem(find(QStringLiteral("personaRow1"))));
        QVERIFY(find(QStringLiteral("nameError")));
        QVERIFY(clickItem(field));
        QTest::keyClick(shown.window.get(), Qt::Key_Backspace);
        QVERIFY(!find(QStringLiteral("nameError")));
        typeText(*shown.window, "c");

        QVERIFY(clickItem(confirm));
        QTRY_COMPARE(saved.count(), 1);
        QCOMPARE(saved.first().first().toMap(), (QVariantMap{{"persona", "cheerful"}, {"name", "小星abc"}}));
        const QList<HttpRequest> sent =
            m_platform->transport->requestsTo(QStringLiteral("/api/v1/me/companion"));
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.last().body, QByteArray(R"({"name":"小星abc","persona":"calm"})"));
        // Saving never closes the sheet: the presenter does.
        QVERIFY(sheet.property("opened").toBool());
        expectNoWarnings();
    }

    // While a reply is read aloud its speak icon breathes; when the reading stops the icon is whole again,
    // wherever in a breath it was.
    void speakIconWholeAfterReading() {
        const QByteArray qml = R"(
import QtQuick
import Quorvel.Companion
Item {
    id: root
    property var strings
    property var robot
    property alias chat: chat
    QtObject {
        id: chat
        property string speakingId
        property var strings: root.strings
        property var robot: root.robot
        property color robotColor: "teal"
        property string scene: "learning"
        property var spoken: []
        function toggleSpeech(text, id, scene) { spoken = [text, id, scene] }
    }
    ChatBubble {
        chat: chat; messageId: "m1"; fromLearner: false; kindName: "text"; displayText: "移项要变号。"
        showsTypingDots: false; hintTag: ""; speakable: true; canUnlock: false; unlockLabel: ""; citations: []
        cardDisplayTitle: ""; cardSummary: ""; text: ""; crisisLines: []; crisisNumbers: []
    }
}
)";
        MotionSettings::shared().setReduceMotion(false);
        Shown shown;
        QVERIFY(
            shown.show(createInline(qml, {{"strings", QVariant::fromValue(ChatStrings::forLanguage("zh-CN"))},
                                          {"robot", QVariant::fromValue(RobotCharacter())}}),
                       QSize(390, 200)));
        const auto icon = [&]() -> QQuickItem * {
            for (QQuickItem *item : shown.object->findChildren<QQuickItem *>()) {
                if (item->property("symbol").toString().contains(QStringLiteral(".fill")))
                    return item;
            }
            return nullptr;
        };
        QObject *chat = shown.object->property("chat").value<QObject *>();
        chat->setProperty("speakingId", QStringLiteral("m1"));
        QTRY_VERIFY(icon() && icon()->opacity() < 0.8);
        chat->setProperty("speakingId", QString());
        QTRY_COMPARE(icon()->property("symbol").toString(), QStringLiteral("speaker.wave.2.fill"));
        QTRY_COMPARE(icon()->opacity(), 1.0);

        // A click reads the bubble's text, by its id, in the chat's scene.
        QQuickItem *button = icon()->parentItem()->parentItem()->parentItem();
        QVERIFY(QString::fromLatin1(button->metaObject()->className()).startsWith(u"SpeakButton"));
        QVERIFY(QQuickTest::qWaitForPolish(shown.window.get()));
        QTest::mouseClick(shown.window.get(), Qt::LeftButton, {}, QmlHarness::centreOf(button));
        QCOMPARE(
            chat->property("spoken").toStringList(),
            (QStringList{QStringLiteral("移项要变号。"), QStringLiteral("m1"), QStringLiteral("learning")}));
        expectNoWarnings();
    }
};

QTEST_MAIN(TestCompanionViews)
#include "tst_companionviews.moc"
