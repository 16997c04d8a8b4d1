#include "PageSuite.h"

#include "AppFonts.h"

#include <QGuiApplication>
#include <QTest>

namespace QmlHarness {

SessionPage::SessionPage(QSize size) : view(std::make_unique<View>(size)) {
    session.setAccessToken(QStringLiteral("tok"));
}

bool SessionPage::loadType(const QString &type) {
    return view->loadType(type, {{QStringLiteral("session"), QVariant::fromValue(&session)}});
}

bool SessionPage::loadData(const QByteArray &qml, const QUrl &url) {
    return view->loadData(qml, {{QStringLiteral("session"), QVariant::fromValue(&session)}}, url);
}

QQuickItem *SessionPage::overlayItem(const QString &name) const {
    return findItem(view->window().contentItem(), name, true);
}

void PageSuite::watch(QQmlEngine &engine) {
    m_guard->watch(engine);
}

void PageSuite::expectNoWarnings() {
    const QStringList warnings = m_guard->take();
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
}

void PageSuite::shoot(SessionPage &page, const QString &name) {
    if (screenshotFolder().isEmpty())
        return;
    QTest::qWait(m_shotSettleMs);
    QVERIFY(saveScreenshot(page.view->window(), name));
}

void PageSuite::initTestCase() {
    AppFonts::install(*qGuiApp);
    m_guard = std::make_unique<WarningGuard>();
}

void PageSuite::cleanupTestCase() {
    m_guard.reset();
}

void PageSuite::init() {
    m_guard->take();
}

} // namespace QmlHarness
