// Every screen works in a window of the app's minimum size, against the local stand-in: each control shown
// lies in the window or in a list or page that scrolls to it, and nothing is laid out wider than the window
// without a way to scroll sideways.
#include "AppFonts.h"
#include "AppSession.h"
#include "LocalService.h"
#include "QmlHarness.h"
#include "QmlModules.h"
#include "RootTabViewModel.h"
#include "WindowPlacement.h"

#include <QQmlExpression>
#include <QQuickItem>
#include <QTest>

#include <functional>

QVL_IMPORT_QML_MODULES()

namespace {

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

QQuickItem *topOf(QQuickItem *stack) {
    return stack ? stack->property("currentItem").value<QQuickItem *>() : nullptr;
}

} // namespace

class TestMinimumSize : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QmlHarness::WarningGuard> m_guard;
    std::unique_ptr<LocalService> m_service;
    std::unique_ptr<QmlHarness::View> m_app;

    bool open(const QString &phone, const std::string &status) {
        m_app.reset();
        m_service.reset();
        m_service = std::make_unique<LocalService>(phone, status);
        m_app = std::make_unique<QmlHarness::View>(WindowPlacement::minimumSize);
        m_guard->watch(m_app->engine());
        return m_app->loadType(QStringLiteral("RootView"),
                               {{"session", QVariant::fromValue(m_service->session.get())}});
    }
    // What the learner meets in the window now, once it has come in.
    void checkReachable(const QString &screen) {
        QTest::qWait(600); // loads answer, pages and sheets finish coming in
        // Under a modal popup (the questionnaire, a sheet) only the popup can be used.
        QQuickItem *popup = QmlHarness::topModalPopup(m_app->window());
        const QStringList missing =
            unreachable(m_app->window(), popup ? popup : m_app->window().contentItem());
        QVERIFY2(missing.isEmpty(),
                 qPrintable(screen + QStringLiteral(": ") + missing.join(QStringLiteral("; "))));
        QVERIFY(QmlHarness::saveScreenshot(m_app->window(), QStringLiteral("minimum-") + screen));
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

    // A new account: the birth month first, then the questionnaire over the shell.
    void firstRun() {
        QVERIFY2(open(QStringLiteral("13800138771"), "PendingProfile"), qPrintable(m_app->error()));
        QTRY_VERIFY_WITH_TIMEOUT(m_app->find(QStringLiteral("profileBirthView"), true), kWait);
        checkReachable(QStringLiteral("birth-month"));
        m_service->session->setStatus(QStringLiteral("Active"));
        QTRY_VERIFY_WITH_TIMEOUT(m_app->find(QStringLiteral("tabShell"), true), kWait);
        QObject *flow = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (flow = m_app->root()->findChild<QObject *>(QStringLiteral("onboardingFlow"))) &&
                flow->property("opened").toBool(),
            kWait);
        checkReachable(QStringLiteral("questionnaire"));
    }

    // A learner past the first run: every tab, and the screens the home tab's tools open.
    void everyTab() {
        QVERIFY2(open(QStringLiteral("13800138772"), "Active"), qPrintable(m_app->error()));
        m_service->session->setOnboardingDone(true);
        m_service->session->setProfileAsked(true);
        QQuickItem *shell = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((shell = m_app->find(QStringLiteral("tabShell"), true)), kWait);
        auto *tabs = shell->findChild<RootTabViewModel *>();
        QVERIFY(tabs);
        const QStringList names{"home", "learning", "qa", "discover", "settings"};
        for (int position = 0; position < names.size(); ++position) {
            tabs->selectPosition(position);
            checkReachable(names[position]);
        }
        tabs->selectPosition(0);
        QQuickItem *stack = m_app->find(QStringLiteral("homeStack"));
        for (const char *tool : {"photo", "wrong", "bank", "report", "inbox"}) {
            QVERIFY(QMetaObject::invokeMethod(stack, "openTool", Q_ARG(QVariant, QString::fromLatin1(tool))));
            QTRY_VERIFY_WITH_TIMEOUT(
                stack->property("depth").toInt() == 2 && !stack->property("busy").toBool(), kWait);
            checkReachable(QString::fromLatin1(tool));
            QQmlExpression pop(qmlContext(stack), stack, QStringLiteral("pop(null)"));
            pop.evaluate();
            QTRY_VERIFY_WITH_TIMEOUT(
                stack->property("depth").toInt() == 1 && !stack->property("busy").toBool(), kWait);
        }
        QVERIFY(topOf(stack));
    }
};

QTEST_MAIN(TestMinimumSize)
#include "tst_minimumsize_e2e.moc"
