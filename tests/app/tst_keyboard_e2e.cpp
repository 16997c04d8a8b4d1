// The app at the keyboard, with real key events on real windows: Tab reaches each kind of control of the kit
// and shows its focus ring (which a click hides again), Return, Enter and Space do what a click does, the
// tab order of the main screens follows their layout with a ring on every stop, and Escape goes back from a
// pushed page of the real tab shell against the local stand-in, only on the tab on screen, never from a tab's
// root page, and not past a sheet open above nor under the rest notice. Saves pictures of the ring in both
// schemes when QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "AppSession.h"
#include "HomeInboxViewModel.h"
#include "KeyboardFocus.h"
#include "LocalService.h"
#include "PageSuite.h"
#include "QmlHarness.h"
#include "QmlModules.h"
#include "RootTabViewModel.h"
#include "SettingsHostViewModel.h"
#include "Theme.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQuickTest/quicktest.h>

QVL_IMPORT_QML_MODULES()

namespace {

constexpr int kWait = 20000;
using QmlHarness::visibleNamed;

using QmlHarness::depthOf;
using QmlHarness::settled;
using QmlHarness::topOf;

// The rings showing anywhere in the window, popups included.
QList<QQuickItem *> ringsShown(QQuickWindow &window) {
    return visibleNamed(window.contentItem(), QStringLiteral("focusRing"));
}

// Where an item sits in its page's layout: its place in the window with every scroll around it undone, so
// that stops compare alike before and after the page scrolled to one of them.
QRectF layoutRect(QQuickItem *item) {
    QPointF at = item->mapToScene(QPointF());
    for (QQuickItem *p = item->parentItem(); p; p = p->parentItem())
        if (p->inherits("QQuickFlickable"))
            at += QPointF(p->property("contentX").toReal() - p->property("originX").toReal(),
                          p->property("contentY").toReal() - p->property("originY").toReal());
    return {at, item->size()};
}

// Whether `next` comes after `previous` reading the layout: further right on the same line, or lower down.
bool followsInLayout(const QRectF &previous, const QRectF &next) {
    const qreal overlap = std::min(previous.bottom(), next.bottom()) - std::max(previous.top(), next.top());
    const bool sameLine = overlap > 0.5 * std::min(previous.height(), next.height());
    return sameLine ? next.left() > previous.left() : next.center().y() > previous.center().y();
}

QQuickItem *named(QQuickItem *root, const QString &name, const char *property, const QString &value) {
    for (QQuickItem *item : visibleNamed(root, name))
        if (item->property(property).toString() == value)
            return item;
    return nullptr;
}

QString describe(QQuickItem *item) {
    if (!item)
        return QStringLiteral("(none)");
    const QString text = item->property("text").toString();
    return QStringLiteral("%1 \"%2\" %3")
        .arg(QString::fromLatin1(item->metaObject()->className()), item->objectName(), text);
}

} // namespace

class TestKeyboard : public QmlHarness::PageSuite {
    Q_OBJECT

private Q_SLOTS:
    // The ring stands out on every background of its scheme, and ring and halo from each other, so that one
    // of them reads on whatever lies under it.
    void ringColours_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void ringColours() {
        QFETCH(bool, dark);
        const QColor ring = Theme::focusRingColor(dark);
        QVERIFY(Theme::contrastRatio(Theme::focusHaloColor(dark), ring) >= 3);
        for (int role : {Theme::SystemBackground, Theme::GroupedBackground, Theme::SecondaryGroupedBackground,
                         Theme::SecondaryBackground, Theme::Gray5})
            QVERIFY2(Theme::contrastRatio(ring, Theme::color(role, dark)) >= 3,
                     qPrintable(QString::number(role)));
    }

    // What focus shows a ring: the keyboard's; focus handed back keeps what the item had; the pointer's none.
    void ringReasons_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("keyboardInUse");
        QTest::addColumn<bool>("shows");
        QTest::newRow("tab") << int(Qt::TabFocusReason) << false << true;
        QTest::newRow("backtab") << int(Qt::BacktabFocusReason) << false << true;
        QTest::newRow("shortcut") << int(Qt::ShortcutFocusReason) << false << true;
        QTest::newRow("mouse") << int(Qt::MouseFocusReason) << true << false;
        QTest::newRow("window back at the keyboard") << int(Qt::ActiveWindowFocusReason) << true << true;
        QTest::newRow("window back at the pointer") << int(Qt::ActiveWindowFocusReason) << false << false;
        QTest::newRow("alert opened by a key") << int(Qt::PopupFocusReason) << true << true;
        QTest::newRow("alert opened by a click") << int(Qt::PopupFocusReason) << false << false;
        QTest::newRow("page focuses a field") << int(Qt::OtherFocusReason) << false << false;
    }
    void ringReasons() {
        QFETCH(int, reason);
        QFETCH(bool, keyboardInUse);
        QFETCH(bool, shows);
        QCOMPARE(KeyboardFocus::showsRing(Qt::FocusReason(reason), keyboardInUse), shows);
    }

    // Scrolling a Flickable to the focused item: as little as needed, within the content's bounds.
    void reveal_data() {
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("expected");
        // A view of 100 over content that scrolls from 0 to 400.
        QTest::newRow("in sight") << 50.0 << 60.0 << 120.0 << 50.0;
        QTest::newRow("below") << 0.0 << 150.0 << 180.0 << 80.0;
        QTest::newRow("above") << 200.0 << 150.0 << 180.0 << 150.0;
        QTest::newRow("taller than the view") << 0.0 << 150.0 << 300.0 << 150.0;
        QTest::newRow("past the end") << 0.0 << 480.0 << 520.0 << 400.0;
        QTest::newRow("before the start") << 100.0 << -20.0 << 10.0 << 0.0;
    }
    void reveal() {
        QFETCH(double, offset);
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(double, expected);
        QCOMPARE(KeyboardFocus::revealOffset(offset, 100, start, end, 0, 400), expected);
    }

    // Each kind of clickable control of the kit: Tab reaches it and rings it; Return, Enter and Space each do
    // what a click does; the click that follows hides the ring.
    void kitControls_data() {
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QStringList>("effects");
        const QStringList clicked(4, QStringLiteral("clicked"));
        const QStringList flips{QStringLiteral("true"), QStringLiteral("false"), QStringLiteral("true"),
                                QStringLiteral("false")};
        QTest::newRow("primary button")
            << QByteArray("BrandPrimaryButton { objectName: \"subject\"; width: 240; text: \"开始\"; "
                          "onClicked: root.hit(\"clicked\") }")
            << "subject" << clicked;
        QTest::newRow("chip") << QByteArray("Chip { objectName: \"subject\"; text: \"数学\"; "
                                            "onClicked: root.hit(\"clicked\") }")
                              << "subject" << clicked;
        QTest::newRow("form row")
            << QByteArray("FormSection { width: 400; FormRow { objectName: \"subject\"; "
                          "title: \"资料\"; chevron: true; onClicked: root.hit(\"clicked\") } }")
            << "subject" << clicked;
        QTest::newRow("toggle row")
            << QByteArray(
                   "FormSection { width: 400; FormToggleRow { objectName: \"subject\"; title: \"提醒\"; "
                   "on: root.on; onSwitched: wanted => { root.on = wanted; root.hit(String(wanted)) } } }")
            << "subject" << flips;
        QTest::newRow("switch")
            << QByteArray("BrandSwitch { objectName: \"subject\"; on: root.on; "
                          "onSwitched: wanted => { root.on = wanted; root.hit(String(wanted)) } }")
            << "subject" << flips;
        QTest::newRow("back control")
            << QByteArray("NavigationBar { width: 400; title: \"页面\"; showsBack: true; "
                          "onBackRequested: root.hit(\"clicked\") }")
            << "backButton" << clicked;
        // The kit's way for an item that is not a control: a MouseArea tile with a ring that activates.
        QTest::newRow("mouse area tile")
            << QByteArray(
                   "MouseArea { objectName: \"subject\"; width: 120; height: 60; activeFocusOnTab: true; "
                   "onClicked: root.hit(\"clicked\"); FocusRing { onActivated: root.hit(\"clicked\") } }")
            << "subject" << clicked;
    }
    void kitControls() {
        QFETCH(QByteArray, control);
        QFETCH(QString, subject);
        QFETCH(QStringList, effects);
        QmlHarness::SessionPage page(QSize(480, 320));
        watch(page.view->engine());
        const QByteArray scene =
            "import QtQuick\nimport Quorvel.Ui\nItem {\n id: root\n property var session\n"
            " property bool on: false\n property var hits: []\n"
            " function hit(what) { hits = hits.concat([what]) }\n"
            " Rectangle { anchors.fill: parent; color: Theme.groupedBackground }\n"
            " Column { x: 30; y: 30; width: 400\n" +
            control + "\n }\n}\n";
        QVERIFY2(page.loadData(scene, QUrl(QStringLiteral("qrc:/tests/KitKeys.qml"))),
                 qPrintable(page.view->error()));
        QQuickWindow &window = page.view->window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QQuickItem *item = page.shown(subject);
        QVERIFY(item);
        QVERIFY(ringsShown(window).isEmpty());

        QTest::keyClick(&window, Qt::Key_Tab);
        QTRY_VERIFY(item->hasActiveFocus());
        QCOMPARE(ringsShown(window).size(), 1);
        QVERIFY(item->isAncestorOf(ringsShown(window).first()));
        shoot(page, QStringLiteral("keys-kit-%1")
                        .arg(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-')));

        QTest::keyClick(&window, Qt::Key_Return);
        QTest::keyClick(&window, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(&window, Qt::Key_Space);
        QTRY_COMPARE(page.view->root()->property("hits").toStringList().size(), 3);
        QVERIFY(page.view->click(item));
        QTRY_COMPARE(page.view->root()->property("hits").toStringList(), effects);
        QVERIFY(ringsShown(window).isEmpty());
        // Back to the keyboard: Tab rings again.
        QTest::keyClick(&window, Qt::Key_Tab);
        QTest::keyClick(&window, Qt::Key_Backtab);
        QTRY_VERIFY(item->hasActiveFocus());
        QCOMPARE(ringsShown(window).size(), 1);
        expectNoWarnings();
    }

    // A text field reached by Tab is ringed, and Space and Return stay its own: they type or accept, never
    // activate the row around it.
    void fieldKeepsItsKeys() {
        QmlHarness::SessionPage page(QSize(480, 200));
        watch(page.view->engine());
        QVERIFY2(page.loadData("import QtQuick\nimport Quorvel.Ui\nItem {\n property var session\n"
                               " property int accepted: 0\n"
                               " BrandInputRow { objectName: \"input\"; x: 30; y: 30; width: 300;"
                               " onAccepted: parent.accepted++ }\n}\n",
                               QUrl(QStringLiteral("qrc:/tests/FieldKeys.qml"))),
                 qPrintable(page.view->error()));
        QQuickWindow &window = page.view->window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(&window, Qt::Key_Tab);
        QQuickItem *input = page.shown(QStringLiteral("input"));
        QTRY_VERIFY(input->property("fieldFocused").toBool());
        QCOMPARE(ringsShown(window).size(), 1);
        for (char key : {'a', ' ', 'b'})
            QTest::keyClick(&window, key);
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(input->property("text").toString(), QStringLiteral("a b"));
        QCOMPARE(page.view->root()->property("accepted").toInt(), 1);
        expectNoWarnings();
    }

    // An alert opened from the keyboard rings its default button, so that Return's target is seen; opened
    // with a click it shows none. Escape closes it without going anywhere else.
    void alertFollowsTheKeyboard() {
        QmlHarness::SessionPage page(QSize(480, 360));
        watch(page.view->engine());
        QVERIFY2(page.loadData(
                     "import QtQuick\nimport Quorvel.Ui\nItem {\n property var session\n"
                     " property int chosen: -1\n"
                     " BrandPrimaryButton { objectName: \"opener\"; x: 30; y: 30; width: 200; text: \"打开\";"
                     " onClicked: alert.open() }\n"
                     " Alert { id: alert; message: \"确定吗\";"
                     " buttons: [{ \"text\": \"取消\", \"role\": \"cancel\" }, { \"text\": \"好\" }];"
                     " onTriggered: index => parent.chosen = index }\n}\n",
                     QUrl(QStringLiteral("qrc:/tests/AlertKeys.qml"))),
                 qPrintable(page.view->error()));
        QQuickWindow &window = page.view->window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QQuickItem *opener = page.shown(QStringLiteral("opener"));
        QTest::keyClick(&window, Qt::Key_Tab);
        QTRY_VERIFY(opener->hasActiveFocus());
        QTest::keyClick(&window, Qt::Key_Return);
        QQuickItem *confirm = nullptr;
        QTRY_VERIFY((confirm = page.overlayItem(QStringLiteral("alertButton1"))));
        QTRY_VERIFY(confirm->hasActiveFocus());
        QCOMPARE(ringsShown(window).size(), 1);
        QVERIFY(confirm->isAncestorOf(ringsShown(window).first()));
        shoot(page, QStringLiteral("keys-alert"));
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_VERIFY(!QmlHarness::topModalPopup(window));
        QCOMPARE(page.view->root()->property("chosen").toInt(), -1);

        QVERIFY(page.view->click(opener));
        QTRY_VERIFY((confirm = page.overlayItem(QStringLiteral("alertButton1"))) &&
                    confirm->hasActiveFocus());
        QVERIFY(ringsShown(window).isEmpty());
        QTest::keyClick(&window, Qt::Key_Return);
        QTRY_COMPARE(page.view->root()->property("chosen").toInt(), 1);
        expectNoWarnings();
    }

    // The main screens of the tab shell, tabbed through from the top: every stop shows one ring, stops come
    // in the order of the layout (top to bottom, left to right) with the tab bar last, and a stop scrolled
    // out of sight is brought into it. Each tab's root page in both schemes.
    void tabOrder_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("dark");
        for (int tab : {0, 1, 2, 3, 4}) {
            QTest::addRow("tab %d light", tab) << QStringLiteral("RootTabView") << tab << false;
            QTest::addRow("tab %d dark", tab) << QStringLiteral("RootTabView") << tab << true;
        }
        // What a signed-out learner sees first, in its own window.
        QTest::newRow("guest home") << QStringLiteral("GuestHomeView") << -1 << false;
        // Pages the shell pushes, on their own against the stand-in.
        for (const char *page :
             {"MembershipView", "OrdersView", "StudyLimitsView", "MemoriesView", "HomeInboxView",
              "WrongBookView", "QuestionBankView", "PhotoMatchView", "ChapterPickerView"})
            QTest::newRow(page) << QString::fromLatin1(page) << -2 << false;
    }
    void tabOrder() {
        QFETCH(QString, screen);
        QFETCH(int, tab);
        QFETCH(bool, dark);
        LocalService service(QStringLiteral("13800138000"));
        service.session->setDarkMode(dark);
        if (tab == -1)
            service.session->signOut();
        QmlHarness::View view(QSize(1000, 760));
        watch(view.engine());
        QVERIFY2(view.loadType(screen, {{"session", QVariant::fromValue(service.session.get())}}),
                 qPrintable(view.error()));
        QQuickWindow &window = view.window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (tab >= 0) {
            auto *tabs = view.root()->findChild<RootTabViewModel *>();
            QVERIFY(tabs);
            tabs->selectPosition(tab);
        }
        QTest::qWait(1500); // the screen's first answers from the stand-in, and the layout they make

        QList<QQuickItem *> stops;
        QStringList problems;
        for (int press = 0; press < 80; ++press) {
            QTest::keyClick(&window, Qt::Key_Tab);
            QQuickItem *focus = window.activeFocusItem();
            if (!focus || (!stops.isEmpty() && focus == stops.first()))
                break;
            if (stops.contains(focus)) {
                problems << QStringLiteral("Tab came back to %1").arg(describe(focus));
                break;
            }
            QTRY_VERIFY(QQuickTest::qWaitForPolish(&window));
            const QList<QQuickItem *> rings = ringsShown(window);
            if (rings.size() != 1)
                problems << QStringLiteral("%1 rings on %2").arg(rings.size()).arg(describe(focus));
            const QRectF shown = focus->mapRectToScene(QRectF(QPointF(), focus->size()));
            if (!shown.intersects(QRectF(QPointF(), window.size())))
                problems << QStringLiteral("out of sight: %1").arg(describe(focus));
            // The tab bar below the page comes after it, however far the page's content runs.
            const bool intoBar = focus->inherits("QQuickTabButton") && !stops.isEmpty() &&
                                 !stops.last()->inherits("QQuickTabButton");
            // A control inside another (the robot on a banner that opens a page) comes right after it.
            const bool inside = !stops.isEmpty() && stops.last()->isAncestorOf(focus);
            if (!stops.isEmpty() && !intoBar && !inside &&
                !followsInLayout(layoutRect(stops.last()), layoutRect(focus))) {
                QDebug(&problems.emplace_back()) << describe(focus) << layoutRect(focus) << "after"
                                                 << describe(stops.last()) << layoutRect(stops.last());
            }
            stops << focus;
            if (stops.size() == 3 || stops.size() == 12)
                shoot(QStringLiteral("keys-%1-%2")
                          .arg(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'))
                          .arg(stops.size()),
                      window);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QVERIFY2(stops.size() > (tab >= 0 ? 5 : 1), qPrintable(QString::number(stops.size())));
        // In the shell the page's own stops come before the five tabs of the bar.
        if (tab >= 0)
            QVERIFY(stops.last()->inherits("QQuickTabButton"));
        expectNoWarnings();
    }

    // In the real shell against the stand-in: Return on a tool of the home page opens its page as a click
    // does; Escape goes back; Escape on the root page does nothing; a sheet open over a pushed page takes
    // Escape first; with pages pushed on two tabs only the one on screen goes back; the rest notice keeps
    // Escape from the page under it.
    void escapeGoesBack() {
        LocalService service(QStringLiteral("13800138000"));
        QmlHarness::View view(QSize(1000, 1200));
        watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("RootTabView"),
                               {{"session", QVariant::fromValue(service.session.get())}}),
                 qPrintable(view.error()));
        QQuickWindow &window = view.window();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QQuickItem *stack = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((stack = view.find(QStringLiteral("homeStack"))), kWait);
        QQuickItem *root = topOf(stack);
        QQuickItem *tool = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((tool = named(stack, QStringLiteral("toolButton"), "key", "inbox")), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(stack), kWait);

        // Escape on the root page: nothing moves.
        tool->forceActiveFocus(Qt::TabFocusReason);
        QCOMPARE(ringsShown(window).size(), 1);
        QTest::keyClick(&window, Qt::Key_Escape);
        QTest::qWait(200);
        QCOMPARE(depthOf(stack), 1);
        QCOMPARE(topOf(stack), root);

        // Return on the tool: the inbox, as its click opens it.
        QTest::keyClick(&window, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(stack), 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(stack), kWait);
        QQuickItem *inbox = topOf(stack);
        QVERIFY2(
            QString::fromLatin1(inbox->metaObject()->className()).startsWith(QLatin1String("HomeInboxView")),
            inbox->metaObject()->className());

        // A message's sheet over the inbox: Escape closes the sheet, the inbox stays.
        auto *messages = inbox->property("viewModel").value<HomeInboxViewModel *>();
        QVERIFY(messages);
        QTRY_VERIFY_WITH_TIMEOUT(messages->total() > 0, kWait);
        messages->open(0);
        QTRY_VERIFY_WITH_TIMEOUT(QmlHarness::topModalPopup(window), kWait);
        QTest::qWait(400); // the sheet's opening transition
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!QmlHarness::topModalPopup(window), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!messages->hasSelection(), kWait);
        QCOMPARE(depthOf(stack), 2);

        // Then Escape leaves the inbox, wherever the focus was left.
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(stack), 1, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(stack), kWait);
        QCOMPARE(topOf(stack), root);

        // A page pushed on each of two tabs: only the tab on screen goes back.
        QVERIFY(tool->isVisible());
        tool->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(&window, Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(stack), 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(stack), kWait);
        auto *tabs = view.root()->findChild<RootTabViewModel *>();
        tabs->selectPosition(4);
        QQuickItem *settings = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((settings = view.find(QStringLiteral("settingsStack"), true)), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(topOf(settings), kWait);
        auto *host = topOf(settings)->property("viewModel").value<SettingsHostViewModel *>();
        QTRY_COMPARE_WITH_TIMEOUT(host->content(), SettingsHostViewModel::Page, kWait);
        QQuickItem *row = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((row = QmlHarness::visibleTitled(settings, QStringLiteral("settingsRow"),
                                                                  QStringLiteral("关于岚帆伴"))),
                                 kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(settings), kWait);
        row->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(&window, Qt::Key_Space);
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(settings), 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(settings), kWait);
        shoot(QStringLiteral("keys-settings-about"), window);

        // The rest notice holds the keyboard: Escape under it goes nowhere.
        {
            QQmlComponent rest(&view.engine(), QmlHarness::moduleUrl(QStringLiteral("YouthRestOverlay")));
            std::unique_ptr<QObject> overlay(rest.createWithInitialProperties(
                {{"parent", QVariant::fromValue(view.root())}, {"message", QStringLiteral("休息一下")}}));
            QVERIFY2(overlay, qPrintable(rest.errorString()));
            QMetaObject::invokeMethod(overlay.get(), "open");
            QTRY_VERIFY_WITH_TIMEOUT(overlay->property("opened").toBool(), kWait);
            QTest::keyClick(&window, Qt::Key_Escape);
            QTest::qWait(300);
            QCOMPARE(depthOf(settings), 2);
            QVERIFY(overlay->property("visible").toBool());
        }
        QTRY_VERIFY_WITH_TIMEOUT(!QmlHarness::topModalPopup(window), kWait);
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(settings), 1, kWait);
        QCOMPARE(depthOf(stack), 2);
        // Back on the home tab, Escape leaves its inbox.
        tabs->selectPosition(0);
        QTRY_VERIFY_WITH_TIMEOUT(stack->isVisible(), kWait);
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(stack), 1, kWait);
        expectNoWarnings();
    }

private:
    void shoot(const QString &name, QQuickWindow &window) {
        if (QmlHarness::screenshotFolder().isEmpty())
            return;
        QTest::qWait(300);
        QVERIFY(QmlHarness::saveScreenshot(window, name));
    }
    using PageSuite::shoot;
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard_e2e.moc"
