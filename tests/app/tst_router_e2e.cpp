// The router in the real tab shell, against the local stand-in: what a learner taps in one feature opens
// another feature's page on the tab's stack, with the app's session, and the page's back control returns.
// The home tab's inbox tool, a message's action inside the inbox sheet, a nested settings page and the
// membership tile of "我的". Saves pictures when QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "AppSession.h"
#include "Destination.h"
#include "HomeInboxViewModel.h"
#include "LocalService.h"
#include "QmlHarness.h"
#include "QmlModules.h"
#include "RootTabViewModel.h"
#include "SettingsHostViewModel.h"

#include <QGuiApplication>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

QVL_IMPORT_QML_MODULES()

namespace {

constexpr int kWait = 20000;
using QmlHarness::visibleNamed;

using QmlHarness::depthOf;
using QmlHarness::settled;
using QmlHarness::topOf;
bool isA(QObject *item, const char *type) {
    return item && QString::fromLatin1(item->metaObject()->className()).startsWith(QLatin1String(type));
}
QQuickItem *named(QQuickItem *root, const QString &name, const char *property, const QString &value) {
    for (QQuickItem *item : visibleNamed(root, name))
        if (item->property(property).toString() == value)
            return item;
    return nullptr;
}

} // namespace

class TestRouterE2E : public QObject {
    Q_OBJECT

    std::unique_ptr<LocalService> m_service;
    std::unique_ptr<QmlHarness::View> m_view;
    QmlHarness::WarningGuard m_guard;

    void shoot(const QString &name) {
        if (QmlHarness::screenshotFolder().isEmpty())
            return;
        QTest::qWait(400); // the push's transition, the page's first answers
        QVERIFY(QmlHarness::saveScreenshot(m_view->window(), name));
    }
    // The page's own back control, as the learner uses it, and the stack back at its root. The page it
    // left is destroyed, not kept: a popped page that stayed would hold its models and pictures for good.
    void back(QQuickItem *stack) {
        QTRY_VERIFY_WITH_TIMEOUT(settled(stack), kWait);
        const QPointer<QQuickItem> page = topOf(stack);
        QQuickItem *button = QmlHarness::findItem(page, QStringLiteral("backButton"), true);
        QVERIFY(button);
        QVERIFY(m_view->click(button));
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(stack), 1, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(stack), kWait); // a stack takes no taps while it moves
        QTRY_VERIFY_WITH_TIMEOUT(page.isNull(), kWait);
    }
    // The page `stack` pushed on top, of `type`, built with the app's session.
    void expectTop(QQuickItem *stack, const char *type) {
        QTRY_COMPARE_WITH_TIMEOUT(depthOf(stack), 2, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(stack), kWait);
        QQuickItem *page = topOf(stack);
        QVERIFY2(isA(page, type), page->metaObject()->className());
        QCOMPARE(page->property("session").value<AppSession *>(), m_service->session.get());
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_service = std::make_unique<LocalService>(QStringLiteral("13800138000"));
        m_view = std::make_unique<QmlHarness::View>(QSize(1000, 1700));
        m_guard.watch(m_view->engine());
        QVERIFY2(m_view->loadType(QStringLiteral("RootTabView"),
                                  {{"session", QVariant::fromValue(m_service->session.get())}}),
                 qPrintable(m_view->error()));
    }

    // The inbox tool of the home page: the inbox on the home stack, then a membership message's action
    // (the membership page) inside its sheet, the home stack untouched.
    void homeToolOpensTheInbox() {
        QQuickItem *stack = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((stack = m_view->find(QStringLiteral("homeStack"))), kWait);
        QQuickItem *tool = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((tool = named(stack, QStringLiteral("toolButton"), "key", "inbox")), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(stack), kWait);
        QVERIFY(m_view->click(tool));
        expectTop(stack, "HomeInboxView");
        QQuickItem *inbox = topOf(stack);
        auto *messages = inbox->property("viewModel").value<HomeInboxViewModel *>();
        QVERIFY(messages);
        QTRY_VERIFY_WITH_TIMEOUT(messages->total() > 0, kWait);
        shoot(QStringLiteral("router-inbox"));

        int membership = -1;
        for (int i = 0; i < messages->rows().count() && membership < 0; ++i)
            if (messages->rows().at(i).destination == Destination::Membership)
                membership = i;
        QVERIFY(membership >= 0);
        {
            messages->open(membership); // as its row does, wherever the list has scrolled it
            QQuickItem *overlay = m_view->window().contentItem();
            QQuickItem *action = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT(
                (action = visibleNamed(overlay, QStringLiteral("detailAction")).value(0)), kWait);
            QTest::qWait(400); // the sheet's opening transition
            QVERIFY(m_view->click(action));
            QQuickItem *sheet = visibleNamed(overlay, QStringLiteral("inboxDetailStack")).value(0);
            QVERIFY(sheet);
            expectTop(sheet, "MembershipView");
            QCOMPARE(depthOf(stack), 2); // inside the sheet, not on the home stack
            shoot(QStringLiteral("router-inbox-membership"));
            back(sheet);
            QVERIFY(m_view->click(visibleNamed(overlay, QStringLiteral("sheetCloseButton")).value(0)));
            QTRY_VERIFY_WITH_TIMEOUT(!messages->hasSelection(), kWait);
            // The sheet gone from the window, so that nothing modal takes the next taps.
            QTRY_VERIFY_WITH_TIMEOUT(!QmlHarness::topModalPopup(m_view->window()), kWait);
        }
        back(stack);
    }

    // "我的": a navigation row opens its nested page, the membership tile the membership page.
    void settingsOpensItsPages() {
        auto *tabs = m_view->root()->findChild<RootTabViewModel *>();
        QVERIFY(tabs);
        tabs->selectPosition(4);
        QQuickItem *stack = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((stack = m_view->find(QStringLiteral("settingsStack"), true)), kWait);
        // The root page once it shows the server's document, whose rows then stay.
        QTRY_VERIFY_WITH_TIMEOUT(topOf(stack), kWait);
        auto *host = topOf(stack)->property("viewModel").value<SettingsHostViewModel *>();
        QVERIFY(host);
        QTRY_COMPARE_WITH_TIMEOUT(host->content(), SettingsHostViewModel::Page, kWait);
        QQuickItem *row = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((row = QmlHarness::visibleTitled(stack, QStringLiteral("settingsRow"),
                                                                  QStringLiteral("关于岚帆伴"))),
                                 kWait);
        QTRY_VERIFY_WITH_TIMEOUT(settled(stack), kWait);
        QVERIFY(m_view->click(row));
        expectTop(stack, "SettingsHostView");
        QCOMPARE(topOf(stack)->property("pageId").toString(), QStringLiteral("settings_about"));
        shoot(QStringLiteral("router-settings-about"));
        back(stack);

        QQuickItem *tile = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (tile = named(stack, QStringLiteral("quickActionTile"), "route", "native/membership")), kWait);
        QVERIFY(m_view->click(tile));
        expectTop(stack, "MembershipView");
        shoot(QStringLiteral("router-membership"));
        back(stack);
        QCOMPARE(m_guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestRouterE2E)
#include "tst_router_e2e.moc"
