#pragma once

#include "AppSession.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QObject>
#include <QQuickItem>
#include <QSize>
#include <QString>

#include <memory>

// What the suites of one page in QML share: a case's page (the platform's fakes, a signed-in session and an
// offscreen view) and the suite around it (the app's fonts, one guard that fails a case on any QML warning,
// pictures when QVL_SCREENSHOT_DIR names a folder).
namespace QmlHarness {

// The session is signed in with the token "tok" and handed to the page as its `session`.
struct SessionPage {
    TestPlatform platform;
    AppSession session;
    std::unique_ptr<View> view;

    explicit SessionPage(QSize size);

    // A type of the app's modules, or inline QML standing for the file `url`; false with view->error() set
    // when it cannot be shown.
    bool loadType(const QString &type);
    bool loadData(const QByteArray &qml, const QUrl &url);

    template <typename ViewModel>
    ViewModel *viewModel() const {
        return view->root()->property("viewModel").template value<ViewModel *>();
    }
    // A visible item below the page.
    QQuickItem *shown(const QString &name) const { return view->find(name, true); }
    // A visible item anywhere in the window: alerts and sheets live in its overlay, outside the page's items.
    QQuickItem *overlayItem(const QString &name) const;
};

class PageSuite : public QObject {
    Q_OBJECT

public:
    // `shotSettleMs`: how long a picture waits for the page to come to rest.
    explicit PageSuite(int shotSettleMs = 150) : m_shotSettleMs(shotSettleMs) {}

protected:
    // Also collects what this engine reports itself.
    void watch(QQmlEngine &engine);
    // Fails the case when QML warned since it began.
    void expectNoWarnings();
    // A picture of the page's window named `name`, when pictures are asked for.
    void shoot(SessionPage &page, const QString &name);

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

private:
    std::unique_ptr<WarningGuard> m_guard;
    int m_shotSettleMs;
};

} // namespace QmlHarness
