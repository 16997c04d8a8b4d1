#include "AppFonts.h"
#include "AppSession.h"
#include "Brand.h"
#include "ChapterPickerViewModel.h"
#include "ContrastCheck.h"
#include "FeatureDetailViewModel.h"
#include "Fixtures.h"
#include "LearningStore.h"
#include "LinkOpener.h"
#include "ListModel.h"
#include "LoginViewModel.h"
#include "PathNodeRow.h"
#include "QmlHarness.h"
#include "TestPlatform.h"
#include "Theme.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

#include <functional>
#include <memory>

namespace {

// What a view needs to be shown: the properties it requires, made from the test's session.
using Properties = std::function<QVariantMap(AppSession &)>;

QString moduleFile(const QString &type) {
    return QmlHarness::moduleUrl(type).toString();
}

// Types each character as one key press with that text, as a keyboard or an input method's commit does.
void typeText(QWindow *window, const QString &text) {
    for (const QChar c : text) {
        const Qt::Key key =
            c >= u'0' && c <= u'9' ? Qt::Key(Qt::Key_0 + (c.unicode() - u'0')) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, window, key, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TestQmlSmoke : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() { m_guard.reset(); }

    // Every standalone view of the module, with the properties its presenter gives it. Add a row per view.
    void standaloneViews_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<Properties>("properties");

        QTest::newRow("LoginView") << "LoginView" << Properties([](AppSession &session) {
            return QVariantMap{{"session", QVariant::fromValue(&session)}};
        });
        QTest::newRow("LoginView with close action") << "LoginView" << Properties([](AppSession &session) {
            return QVariantMap{{"session", QVariant::fromValue(&session)}, {"closable", true}};
        });
        QTest::newRow("GuestHomeView") << "GuestHomeView" << Properties([](AppSession &session) {
            return QVariantMap{{"session", QVariant::fromValue(&session)}};
        });
        QTest::newRow("GuestCatalogView") << "GuestCatalogView" << Properties([](AppSession &session) {
            return QVariantMap{{"session", QVariant::fromValue(&session)}};
        });
        // Every action kind of the built-in cards: sign-in, link, hotline, nothing.
        for (const GuestHomeFeature &feature :
             GuestHomeFeature::builtInFeatures() + GuestHomeFeature::builtInSafety()) {
            QTest::newRow(qPrintable(QStringLiteral("FeatureDetailSheet ") + feature.image))
                << "FeatureDetailSheet" << Properties([feature](AppSession &session) {
                       auto *model = new FeatureDetailViewModel(&session);
                       model->setFeature(feature);
                       return QVariantMap{{"model", QVariant::fromValue(model)}};
                   });
        }
        QTest::newRow("GuestChapterCard") << "GuestChapterCard" << Properties([](AppSession &) {
            const QVariantList points{QVariantMap{{"number", "1"}, {"name", "正数和负数"}}};
            return QVariantMap{{"chapter", QVariantMap{{"code", "c1"},
                                                       {"gradeLine", "数学 · 7 年级"},
                                                       {"title", "《有理数》"},
                                                       {"lessonsLine", "共 1 课 · 每课约 15 分钟"},
                                                       {"points", points}}},
                               {"loginLabel", "登录后学这一章"}};
        });
        // The learning tab: its home, picker, topic box, a lesson row in each look, and the path list with
        // a path that arrives while it is shown.
        QTest::newRow("LearningHomeView") << "LearningHomeView" << Properties([](AppSession &session) {
            return QVariantMap{{"session", QVariant::fromValue(&session)}};
        });
        QTest::newRow("ChapterPickerView") << "ChapterPickerView" << Properties([](AppSession &session) {
            return QVariantMap{{"session", QVariant::fromValue(&session)}};
        });
        QTest::newRow("TopicBoxView") << "TopicBoxView" << Properties([](AppSession &session) {
            auto *picker = new ChapterPickerViewModel(&session);
            return QVariantMap{{"model", QVariant::fromValue(picker->topicBox())}};
        });
        for (const char *state : {"Completed", "Generating", "Failed", "Ready", "Locked"}) {
            QTest::newRow(qPrintable(QStringLiteral("PathNodeRow ") + QLatin1String(state)))
                << "PathNodeRow" << Properties([state](AppSession &) {
                       const PathNodeRow row({1, 2, "k", "正数和负数", QString::fromLatin1(state),
                                              QLatin1String(state) != QLatin1String("Locked"), 40},
                                             QLatin1String(state) == QLatin1String("Ready"), false, 7);
                       // The roles the delegate draws, as the path list's model hands them over.
                       QVariantMap roles = ListModel<PathNodeRow>::toMap(row);
                       for (const char *unused : {"isCurrent", "isLast", "nodeSymbol"})
                           roles.remove(QLatin1String(unused));
                       return roles;
                   });
        }
        QTest::newRow("LearningPathListView")
            << "LearningPathListView" << Properties([](AppSession &session) {
                   auto *transport = static_cast<FakeTransport *>(&Platform::transport());
                   transport->on(
                       "GET", "/api/v1/learning-paths/7",
                       // Path 7: one lesson done, one ready, one still being prepared.
                       FakeTransport::Reply::json(200, Fixtures::json("learning/path-rational-numbers.json"))
                           .after(30));
                   session.setLastPathId(7);
                   auto *store = new LearningStore(&session, &session);
                   auto load = store->loadLastPath();
                   return QVariantMap{{"store", QVariant::fromValue(store)},
                                      {"session", QVariant::fromValue(&session)}};
               });
        // The lesson page on its content face and on its preparing face, and the practice screen it opens.
        const auto lessonPage = [](FakeTransport::Reply reply) {
            return Properties([reply](AppSession &session) {
                static_cast<FakeTransport *>(&Platform::transport())
                    ->on("GET", "/api/v1/learning-paths/7/items/72", reply);
                return QVariantMap{{"session", QVariant::fromValue(&session)},
                                   {"store", QVariant::fromValue(new LearningStore(&session, &session))},
                                   {"pathId", 7},
                                   {"itemId", 72}};
            });
        };
        QTest::newRow("LearningItemDetailView")
            << "LearningItemDetailView"
            // Lesson 72 with a section without a heading, an empty example and an empty question behind its
            // complete ones: what a half-filled lesson looks like.
            << lessonPage(FakeTransport::Reply::json(
                   200, Fixtures::patched("learning/lesson-number-line.json",
                                          {{"handout.sections.1", QJsonObject{{"body", "b"}}},
                                           {"handout.examples.1", QJsonObject()},
                                           {"exercises.questions.1", QJsonObject()}})));
        QTest::newRow("LearningItemDetailView preparing")
            << "LearningItemDetailView"
            << lessonPage(FakeTransport::Reply::json(
                   409, R"({"code":"item_generating","message":"这一课还在准备中，请稍后再来"})"));
        QTest::newRow("PracticeView") << "PracticeView" << Properties([](AppSession &session) {
            const QVariantList options{
                QVariantMap{{"hasLabel", true}, {"label", "A"}, {"hasText", true}, {"text", "0"}},
                QVariantMap{{"hasLabel", false}, {"label", ""}, {"hasText", true}, {"text", "-2"}}};
            return QVariantMap{{"session", QVariant::fromValue(&session)},
                               {"questionId", "900111"},
                               {"stemText", "下列各数中，是负数的是（  ）"},
                               {"options", options},
                               {"source", "practice"}};
        });
        const auto withSession = [](std::optional<QString> token, std::optional<QString> status) {
            return Properties([token, status](AppSession &session) {
                session.setAccessToken(token);
                session.setStatus(status);
                return QVariantMap{{"session", QVariant::fromValue(&session)}};
            });
        };
        QTest::newRow("RootView signed out") << "RootView" << withSession(std::nullopt, std::nullopt);
        QTest::newRow("RootView birth month")
            << "RootView" << withSession(QStringLiteral("at"), QStringLiteral("PendingProfile"));
        QTest::newRow("RootView main gate")
            << "RootView" << withSession(QStringLiteral("at"), QStringLiteral("Active"));
        QTest::newRow("RootTabView") << "RootTabView"
                                     << withSession(QStringLiteral("at"), QStringLiteral("Active"));
    }
    void standaloneViews() {
        QFETCH(QString, type);
        QFETCH(Properties, properties);
        TestPlatform platform;
        AppSession session;
        show(moduleFile(type), properties(session), &session);
    }

    // The reusable pieces, made with their defaults.
    void components_data() {
        QTest::addColumn<QString>("type");
        for (const char *type : {"Alert",
                                 "BottomSheet",
                                 "BrandGradient",
                                 "BrandGradientAlt",
                                 "BrandInputRow",
                                 "BrandLogo",
                                 "BrandPrimaryButton",
                                 "BrandShadow",
                                 "BrandSpinner",
                                 "Card",
                                 "Chip",
                                 "EmptyState",
                                 "FormRow",
                                 "FormSection",
                                 "FormToggleRow",
                                 "GuestFeatureCard",
                                 "GuestLinkFallback",
                                 "GuestMenu",
                                 "GuestPathTeaser",
                                 "GuestSectionHeader",
                                 "GuestShadowText",
                                 "LearningHomeNavBar",
                                 "LessonCard",
                                 "NavigationBar",
                                 "RoundedCorners",
                                 "SoftCircle",
                                 "SymbolIcon"})
            QTest::newRow(type) << QString::fromLatin1(type);
    }
    void components() {
        QFETCH(QString, type);
        show(moduleFile(type), {});
    }

    // Every piece of the shared kit once, together as a screen uses them, with the sheet and the alert open;
    // in the light and the dark scheme.
    void kit_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void kit() {
        QFETCH(bool, dark);
        TestPlatform platform;
        AppSession session;
        session.setDarkMode(dark);
        m_guard->take();
        QmlHarness::View shown;
        m_guard->watch(shown.engine());
        const QByteArray qml = QByteArrayLiteral(R"(
import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
Rectangle {
    id: root
    property int refreshes: 0
    color: Theme.groupedBackground
    NavigationBar {
        id: bar
        width: parent.width
        title: "设置"
        showsBack: true
        trailing: [ Chip { text: "筛选"; symbol: "checkmark"; selected: true } ]
    }
    Flickable {
        id: flick
        anchors.top: bar.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        contentHeight: column.implicitHeight
        RefreshControl { flickable: flick; onTriggered: root.refreshes++ }
        ColumnLayout {
            id: column
            width: flick.width - 32
            x: 16
            FormSection {
                Layout.fillWidth: true
                header: "通用"
                footer: "说明文字"
                FormRow { title: "版本"; value: "1.0"; symbol: "person" }
                FormRow { title: "关于"; chevron: true }
                FormToggleRow { title: "深色模式"; on: true }
            }
            Card { Layout.fillWidth: true; Text { width: parent.width; text: "卡片"; color: Theme.label } }
            Chip { text: "标签" }
            EmptyState { Layout.fillWidth: true; symbol: "book"; title: "暂无内容"; message: "稍后再来看看"; actionText: "刷新" }
        }
    }
    BottomSheet { id: sheet; objectName: "kitSheet"; title: "详情"; detent: SheetDetent.Medium; Text { text: "内容" } }
    Alert { id: alert; objectName: "kitAlert"; message: "确定要退出吗？"; buttons: [{ "text": "取消", "role": "cancel" }, { "text": "退出", "role": "destructive" }] }
    // Popups open once the page is in a window.
    readonly property bool shown: Window.window !== null
    onShownChanged: if (shown) Qt.callLater(() => { sheet.open(); alert.open() })
}
)");
        QVERIFY2(shown.loadData(qml, {}, QUrl(QStringLiteral("qrc:/tests/Kit.qml"))),
                 qPrintable(shown.error()));
        QTest::qWait(300);
        QVERIFY(!shown.window().grabWindow().isNull());
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
        // The alert on top, then the sheet under it, then the page under both.
        QObject *alert = shown.root()->findChild<QObject *>(QStringLiteral("kitAlert"));
        QObject *sheet = shown.root()->findChild<QObject *>(QStringLiteral("kitSheet"));
        for (QObject *popup : {alert, sheet, static_cast<QObject *>(nullptr)}) {
            const auto findings = ContrastCheck::lowContrastTexts(shown.window());
            QVERIFY2(findings.isEmpty(), qPrintable(ContrastCheck::describe(findings)));
            if (popup) {
                QMetaObject::invokeMethod(popup, "close");
                QTRY_VERIFY(!popup->property("visible").toBool());
            }
        }
    }

    // --- the sign-in screen's wiring: what the learner does reaches the view-model, and back

    void loginViewWiring() {
        m_guard->take();
        TestPlatform platform;
        platform.transport->on("POST", QStringLiteral("/api/v1/sms/code"),
                               FakeTransport::Reply::json(200, Fixtures::json("auth/code-sent.json")));
        platform.transport->on("POST", QStringLiteral("/api/v1/auth/login"),
                               FakeTransport::Reply::json(400, R"({"message":"验证码错误"})"));
        AppSession session;
        QmlHarness::View shown;
        m_guard->watch(shown.engine());
        QVERIFY2(shown.loadType(QStringLiteral("LoginView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(shown.error()));
        QQuickItem *view = shown.root();
        QQuickWindow &window = shown.window();

        auto *vm = view->property("viewModel").value<LoginViewModel *>();
        QVERIFY(vm);
        auto *phoneField = view->findChild<QQuickItem *>(QStringLiteral("phoneRow"))
                               ->property("field")
                               .value<QQuickItem *>();
        auto *codeField =
            view->findChild<QQuickItem *>(QStringLiteral("codeRow"))->property("field").value<QQuickItem *>();
        QVERIFY(phoneField && codeField);
        const auto centreOf = [](QQuickItem *item) { return QmlHarness::centreOf(item); };

        // Typing: the field shows what the view-model keeps (full-width digits as ASCII, the rest dropped).
        phoneField->forceActiveFocus();
        QCOMPARE(vm->focus(), LoginViewModel::Phone);
        QVERIFY(!vm->taglineVisible());
        typeText(&window, QStringLiteral("１３8a 0"));
        QCOMPARE(vm->phone(), QStringLiteral("1380"));
        QCOMPARE(phoneField->property("text").toString(), QStringLiteral("1380"));
        typeText(&window, QStringLiteral("0138000999"));
        QCOMPARE(vm->phone(), QStringLiteral("13800138000"));
        QCOMPARE(phoneField->property("text").toString(), QStringLiteral("13800138000"));

        // The consent box.
        QTest::mouseClick(&window, Qt::LeftButton, {},
                          centreOf(view->findChild<QQuickItem *>(QStringLiteral("agreeBox"))));
        QVERIFY(vm->agreed());

        // Only the titles of the consent text are links, and they open the legal pages.
        auto *consent = view->findChild<QQuickItem *>(QStringLiteral("consentText"));
        QVERIFY(consent);
        QList<QUrl> opened;
        LinkOpener::setHandler([&](const QUrl &url) {
            opened << url;
            return true;
        });
        const qreal lineY = 8;
        QString firstLink;
        qreal linkX = -1;
        for (qreal x = 1; x < consent->width() && firstLink.isEmpty(); x += 2) {
            QString link;
            QMetaObject::invokeMethod(consent, "linkAt", Q_RETURN_ARG(QString, link), Q_ARG(qreal, x),
                                      Q_ARG(qreal, lineY));
            if (x < 20)
                QVERIFY2(link.isEmpty(), "the leading words are not a link");
            if (!link.isEmpty()) {
                firstLink = link;
                linkX = x + 4;
            }
        }
        QCOMPARE(firstLink, Brand::userTermsURL().toString());
        QTest::mouseClick(&window, Qt::LeftButton, {}, consent->mapToScene(QPointF(linkX, lineY)).toPoint());
        LinkOpener::setHandler({});
        QCOMPARE(opened, QList<QUrl>{Brand::userTermsURL()});

        // A code sent moves the keyboard to the code field.
        QTest::mouseClick(&window, Qt::LeftButton, {},
                          centreOf(view->findChild<QQuickItem *>(QStringLiteral("sendCodeButton"))));
        QTRY_VERIFY(codeField->hasActiveFocus());
        QCOMPARE(vm->focus(), LoginViewModel::Code);
        QCOMPARE(vm->sendCodeLabel(), QStringLiteral("60s"));

        // A failed sign-in shows the alert; Escape closes it and clears the message.
        typeText(&window, QStringLiteral("246810"));
        QVERIFY(vm->canSubmit());
        QTest::mouseClick(&window, Qt::LeftButton, {},
                          centreOf(view->findChild<QQuickItem *>(QStringLiteral("loginButton"))));
        QTRY_VERIFY(vm->alertVisible());
        auto *alert = view->findChild<QObject *>(QStringLiteral("errorAlert"));
        QTRY_VERIFY(alert->property("opened").toBool());
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_VERIFY(!vm->alertVisible());
        QVERIFY(!alert->property("visible").toBool());
        QVERIFY(!session.isLoggedIn());

        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // The header shape of the birth-month screen: square top corners, rounded bottom ones.
    void roundedCornersRoundsOnlyTheBottom() {
        QQmlEngine engine;
        QQmlComponent component(&engine, QUrl(moduleFile(QStringLiteral("RoundedCorners"))));
        std::unique_ptr<QObject> object(component.createWithInitialProperties(
            {{"width", 100}, {"height", 60}, {"radius", 20}, {"fillColor", QColor(Qt::black)}}));
        auto *shape = qobject_cast<QQuickItem *>(object.get());
        QVERIFY2(shape, qPrintable(component.errorString()));
        QQuickWindow window;
        window.setColor(Qt::white);
        window.resize(100, 60);
        shape->setParentItem(window.contentItem());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);
        const QImage image = window.grabWindow();

        const auto filled = [&](int x, int y) { return qGray(image.pixel(x, y)) < 64; };
        QVERIFY(filled(1, 1)); // top corners square
        QVERIFY(filled(98, 1));
        QVERIFY(filled(1, 38));  // straight sides down to the curve
        QVERIFY(filled(50, 58)); // straight bottom edge between the curves
        QVERIFY(!filled(1, 58)); // bottom corners cut
        QVERIFY(!filled(98, 58));
        QVERIFY(filled(8, 50)); // inside the bottom-left curve

        // A radius beyond half the height is held to it: still a shape, the bottom a half-round end.
        shape->setProperty("radius", 500);
        QTest::qWait(50);
        const QImage clamped = window.grabWindow();
        QVERIFY(qGray(clamped.pixel(50, 58)) < 64);
        QVERIFY(qGray(clamped.pixel(1, 1)) < 64);
        QVERIFY(qGray(clamped.pixel(2, 58)) >= 64);
    }

    // The check itself: a view with a broken binding must not pass.
    void aBrokenBindingFails() {
        m_guard->take();
        QmlHarness::View shown;
        m_guard->watch(shown.engine());
        QVERIFY(shown.loadData("import QtQuick\nItem { width: missing.size }", {},
                               QUrl(QStringLiteral("qrc:/Broken.qml"))));
        QTest::qWait(50);
        QVERIFY(!m_guard->take().isEmpty());
    }

private:
    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

    // Loads the file, shows it in a window for a few frames and fails on any QML warning or error. Given the
    // session the view follows, it also fails on a text that cannot be read, in the light or the dark scheme.
    void show(const QString &url, const QVariantMap &properties, AppSession *session = nullptr) {
        m_guard->take();
        {
            QmlHarness::View shown;
            m_guard->watch(shown.engine());
            QVERIFY2(shown.load(QUrl(url), properties), qPrintable(shown.error()));
            QTest::qWait(100);
            QVERIFY(!shown.window().grabWindow().isNull());
            for (const bool dark : {false, true}) {
                if (!session)
                    break;
                session->setDarkMode(dark);
                // A piece without a page of its own is seen on the grouped page it sits on.
                shown.window().setColor(Theme::color(Theme::GroupedBackground, dark));
                // Checked again until it passes, for a while: on a busy machine the change of scheme or a
                // fading alert may still be under way. A text that stays unreadable fails.
                auto findings = ContrastCheck::lowContrastTexts(shown.window());
                QTRY_VERIFY2_WITH_TIMEOUT(
                    (findings = ContrastCheck::lowContrastTexts(shown.window())).isEmpty(),
                    qPrintable((dark ? QStringLiteral("dark:\n") : QStringLiteral("light:\n")) +
                               ContrastCheck::describe(findings)),
                    3000);
            }
        }
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }
};

QTEST_MAIN(TestQmlSmoke)
#include "tst_qmlsmoke.moc"
