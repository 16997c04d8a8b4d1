// Every screen in a window of the app's minimum size, against the local stand-in, in the light and the dark
// scheme: each control shown lies in the window or in a list or page that scrolls to it (nothing is laid out
// wider than the window without a way to scroll sideways), and each text reads against what it is drawn on.
// Saves a picture of each when QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "AppSession.h"
#include "CompanionChatViewModel.h"
#include "ContrastCheck.h"
#include "Destination.h"
#include "HomeInboxViewModel.h"
#include "LocalService.h"
#include "OnboardingFlowViewModel.h"
#include "QmlHarness.h"
#include "QuorvelApp.h"
#include "RootTabViewModel.h"
#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QQmlExpression>
#include <QQuickItem>
#include <QTest>

#include <functional>
#include <tuple>
#include <utility>

namespace {

// A tool of the home page's dock, asked for as its button does; the router pushes its page.
bool askTool(QQuickItem *stack, const QString &key) {
    QObject *home = QmlHarness::rootPageOf(stack);
    return home && QMetaObject::invokeMethod(home, "toolRequested", Q_ARG(QString, key));
}

constexpr int kWait = 30000;

// Whether the flickables around `item` bring it into view where it lies outside `view`: one that scrolls
// down (or up) far enough when it is below or above, one that scrolls sideways when it is beside.
bool scrollsInto(const QQuickItem *item, const QRectF &place, const QRectF &view) {
    bool vertical = place.top() >= view.top() && place.bottom() <= view.bottom();
    bool horizontal = place.left() >= view.left() && place.right() <= view.right();
    for (const QQuickItem *up = item->parentItem(); up && !(vertical && horizontal); up = up->parentItem()) {
        if (!up->inherits("QQuickFlickable") || !up->property("interactive").toBool())
            continue;
        const QPointF at = item->mapToItem(up->property("contentItem").value<QQuickItem *>(), QPointF(0, 0));
        vertical = vertical || (up->property("contentHeight").toReal() > up->height() + 0.5 &&
                                at.y() + item->height() <= up->property("contentHeight").toReal() + 1);
        horizontal = horizontal || (up->property("contentWidth").toReal() > up->width() + 0.5 &&
                                    at.x() + item->width() <= up->property("contentWidth").toReal() + 1);
    }
    return vertical && horizontal;
}

// The controls below `root` that the learner can neither see nor scroll to: enabled, shown, and outside the
// window or outside a clipping ancestor, with no flickable around them that scrolls that way.
QStringList unreachable(QQuickWindow &window, QQuickItem *root) {
    QStringList found;
    const QRectF view(QPointF(0, 0), QSizeF(window.size()));
    const std::function<void(QQuickItem *)> visit = [&](QQuickItem *item) {
        if (!item->isVisible() || item->opacity() < 0.02)
            return;
        if (item->inherits("QQuickAbstractButton") && item->isEnabled() && item->width() > 1 &&
            item->height() > 1) {
            QRectF shown = view;
            for (const QQuickItem *up = item->parentItem(); up; up = up->parentItem())
                if (up->clip() && !up->inherits("QQuickFlickable"))
                    shown &= up->mapRectToScene(up->clipRect());
            const QRectF place = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
            const bool inside = shown.contains(place.center());
            if (!inside && !scrollsInto(item, place, view)) {
                const QString name = item->objectName().isEmpty()
                                         ? item->property("text").toString() + u' ' +
                                               QString::fromLatin1(item->metaObject()->className())
                                         : item->objectName();
                found << QStringLiteral("%1 at %2,%3").arg(name).arg(place.x()).arg(place.y());
            }
        }
        for (QQuickItem *child : item->childItems())
            visit(child);
    };
    visit(root);
    return found;
}

using QmlHarness::topOf;

} // namespace

class TestScreens : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QmlHarness::WarningGuard> m_guard;
    std::unique_ptr<LocalService> m_service;
    std::unique_ptr<QmlHarness::View> m_app;

    // The root view on a new account; `pastFirstRun` answers the first run's questions before it opens.
    bool open(const QString &phone, const std::string &status, bool pastFirstRun) {
        m_app.reset();
        m_service.reset();
        m_service = std::make_unique<LocalService>(phone, status);
        m_service->session->setOnboardingDone(pastFirstRun);
        m_service->session->setProfileAsked(pastFirstRun);
        m_app = std::make_unique<QmlHarness::View>(WindowPlacement::minimumSize);
        m_guard->watch(m_app->engine());
        return m_app->loadType(QStringLiteral("RootView"),
                               {{"session", QVariant::fromValue(m_service->session.get())}});
    }
    // What the learner meets in the window now, once it has come in: every control within reach, every text
    // readable, in either scheme.
    void look(const QString &screen) {
        QTest::qWait(600); // loads answer, pages and sheets finish coming in
        // Under a modal popup (the questionnaire, a sheet) only the popup can be used.
        QQuickItem *popup = QmlHarness::topModalPopup(m_app->window());
        const QStringList missing =
            unreachable(m_app->window(), popup ? popup : m_app->window().contentItem());
        if (!missing.isEmpty())
            m_problems << screen + QStringLiteral(" out of reach: ") + missing.join(QStringLiteral("; "));
        AppSession &session = *m_service->session;
        const QPalette palette = QGuiApplication::palette();
        for (const bool dark : {false, true}) {
            session.setDarkMode(dark);
            QGuiApplication::setPalette(dark ? QuorvelApp::darkPalette() : palette);
            QTest::qWait(300);
            const QString name = screen + (dark ? QStringLiteral("-dark") : QString());
            QVERIFY(QmlHarness::saveScreenshot(m_app->window(), QStringLiteral("screen-") + name));
            const auto findings = ContrastCheck::lowContrastTexts(m_app->window());
            if (!findings.isEmpty())
                m_problems << name + QStringLiteral(" unreadable:\n") + ContrastCheck::describe(findings);
        }
        session.setDarkMode(false);
        QGuiApplication::setPalette(palette);
    }
    // What the screens of a test slot got wrong, every one of them.
    QStringList m_problems;
    void verifyScreens() {
        const QStringList problems = std::exchange(m_problems, {});
        for (const QString &problem : problems)
            qInfo().noquote() << problem;
        QVERIFY2(problems.isEmpty(), "screens with problems, listed above");
    }
    QQuickItem *pushedOn(QQuickItem *stack, int depth) {
        if (!QTest::qWaitFor(
                [&] {
                    return stack->property("depth").toInt() == depth && !stack->property("busy").toBool();
                },
                kWait))
            return nullptr;
        return topOf(stack);
    }
    bool popAll(QQuickItem *stack) {
        QQmlExpression pop(qmlContext(stack), stack, QStringLiteral("pop(null)"));
        pop.evaluate();
        return pushedOn(stack, 1) != nullptr;
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() {
        m_app.reset();
        m_service.reset();
        const QStringList warnings = m_guard->take();
        m_guard.reset();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // A new account: the birth month first, then the questionnaire over the shell, page by page.
    void firstRun() {
        QVERIFY2(open(QStringLiteral("13800138771"), "PendingProfile", false), qPrintable(m_app->error()));
        QTRY_VERIFY_WITH_TIMEOUT(m_app->find(QStringLiteral("profileBirthView"), true), kWait);
        look(QStringLiteral("birth-month"));
        m_service->session->setStatus(QStringLiteral("Active"));
        QTRY_VERIFY_WITH_TIMEOUT(m_app->find(QStringLiteral("tabShell"), true), kWait);
        OnboardingFlowViewModel *flow = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((flow = m_app->root()->findChild<OnboardingFlowViewModel *>()), kWait);
        for (const char *step : {"intro", "profile", "goal", "diagnosis", "contract"}) {
            QTRY_COMPARE_WITH_TIMEOUT(flow->step(), QString::fromLatin1(step), kWait);
            QTRY_VERIFY_WITH_TIMEOUT(!flow->busy(), kWait);
            look(QStringLiteral("questionnaire-") + QString::fromLatin1(step));
            // The profile page is left for its own sheet; the others are answered as they stand.
            if (QLatin1String(step) == QLatin1String("profile"))
                flow->secondary();
            else if (QLatin1String(step) != QLatin1String("contract"))
                flow->primary();
        }
        verifyScreens();
    }

    // A learner past the first run: every tab, and the screens the home tab's tools open.
    void everyTab() {
        QVERIFY2(open(QStringLiteral("13800138772"), "Active", true), qPrintable(m_app->error()));
        QQuickItem *shell = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((shell = m_app->find(QStringLiteral("tabShell"), true)), kWait);
        auto *tabs = shell->findChild<RootTabViewModel *>();
        QVERIFY(tabs);
        QTest::qWait(600);
        QVERIFY2(!QmlHarness::topModalPopup(m_app->window()), "nothing over the tab shell");
        const QStringList names{"home", "learning", "qa", "discover", "settings"};
        for (int position = 0; position < names.size(); ++position) {
            tabs->selectPosition(position);
            look(names[position]);
        }
        tabs->selectPosition(0);
        QQuickItem *stack = m_app->find(QStringLiteral("homeStack"));
        for (const char *tool : {"photo", "wrong", "bank", "report", "inbox"}) {
            QVERIFY(askTool(stack, QString::fromLatin1(tool)));
            QTRY_VERIFY_WITH_TIMEOUT(
                stack->property("depth").toInt() == 2 && !stack->property("busy").toBool(), kWait);
            look(QString::fromLatin1(tool));
            QQmlExpression pop(qmlContext(stack), stack, QStringLiteral("pop(null)"));
            pop.evaluate();
            QTRY_VERIFY_WITH_TIMEOUT(
                stack->property("depth").toInt() == 1 && !stack->property("busy").toBool(), kWait);
        }
        QVERIFY(topOf(stack));

        // A message of the inbox in its sheet.
        QVERIFY(askTool(stack, QStringLiteral("inbox")));
        QQuickItem *inbox = pushedOn(stack, 2);
        QVERIFY(inbox);
        auto *messages = inbox->property("viewModel").value<HomeInboxViewModel *>();
        QVERIFY(messages);
        QTRY_VERIFY_WITH_TIMEOUT(messages->total() > 0, kWait);
        messages->open(0);
        look(QStringLiteral("inbox-message"));
        messages->closeDetail();
        QVERIFY(popAll(stack));

        // The chat of the "发现" tab with its two settings sheets.
        tabs->selectPosition(3);
        CompanionChatViewModel *chat = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((chat = shell->findChild<CompanionChatViewModel *>()), kWait);
        chat->setShowSettings(true);
        look(QStringLiteral("companion-settings"));
        chat->setShowSettings(false);
        chat->setShowRobotSettings(true);
        look(QStringLiteral("robot-settings"));
        chat->setShowRobotSettings(false);

        // The pages of "我的".
        tabs->selectPosition(4);
        QQuickItem *settings = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((settings = m_app->find(QStringLiteral("settingsStack"))), kWait);
        QVERIFY(pushedOn(settings, 1));
        // Each as the router opens it: a nested page by its id, the others by their native route.
        const auto nested = [](const char *pageId) {
            return std::make_tuple(int(Destination::SettingsPage), QVariantMap{{"pageId", QString(pageId)}},
                                   QStringLiteral("settings-%1-0").arg(pageId));
        };
        const auto native = [](const char *route, int shot) {
            return std::make_tuple(int(Destination::NativeRoute), QVariantMap{{"route", QString(route)}},
                                   QStringLiteral("settings-native-%1").arg(shot));
        };
        const QList<std::tuple<int, QVariantMap, QString>> pages{
            nested("settings_about"),         native("native/membership", 1),
            native("native/orders", 2),       native("native/memories", 6),
            native("native/study-limits", 7), native("native/not-in-this-version", 0)};
        for (const auto &[destination, properties, shot] : pages) {
            QVERIFY(QMetaObject::invokeMethod(settings, "open", Q_ARG(QVariant, destination),
                                              Q_ARG(QVariant, properties), Q_ARG(QVariant, QVariant())));
            QVERIFY(pushedOn(settings, 2));
            look(shot);
            QVERIFY(popAll(settings));
        }
        verifyScreens();
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens_e2e.moc"
