#include "QuorvelApp.h"

#include "Analytics.h"
#include "AppSession.h"
#include "SessionKeychain.h"
#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QUrl>

QuorvelApp::QuorvelApp()
    : m_session(std::make_unique<AppSession>()), m_systemPalette(QGuiApplication::palette()) {
    connect(m_session.get(), &AppSession::darkModeChanged, this, &QuorvelApp::applyColorScheme);
    applyColorScheme();
}

// Dark when the learner chose it; otherwise whatever the system gives.
void QuorvelApp::applyColorScheme() {
    QGuiApplication::setPalette(m_session->darkMode() ? darkPalette() : m_systemPalette);
}

QPalette QuorvelApp::darkPalette() {
    QPalette palette;
    const QColor window(0x15, 0x19, 0x1c);
    const QColor surface(0x1d, 0x22, 0x26);
    const QColor text(0xee, 0xf2, 0xf3);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, surface);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x26, 0x2c, 0x31));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8a, 0x96, 0x9f));
    palette.setColor(QPalette::Mid, QColor(0x3a, 0x42, 0x47));
    palette.setColor(QPalette::Light, QColor(0x30, 0x37, 0x3c));
    palette.setColor(QPalette::Dark, QColor(0x0c, 0x0f, 0x11));
    palette.setColor(QPalette::ToolTipBase, surface);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Highlight, QColor(0x1a, 0x7a, 0x6d));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

// The engine goes first: its views still hold the session. Secrets the session had queued are written
// before the process ends.
QuorvelApp::~QuorvelApp() {
    m_placement.reset(); // writes a placement still pending
    m_engine.reset();
    m_session.reset();
    SessionKeychain::finishOutstandingWrites();
}

bool QuorvelApp::show() {
    m_engine = std::make_unique<QQmlApplicationEngine>();
#ifdef QVL_QML_MODULE_DIR
    // Shared modules (the test build): each plugin, found in the build's module folder, brings its library.
    m_engine->addImportPath(QStringLiteral(QVL_QML_MODULE_DIR));
#else
    // The app's modules are compiled into its resources.
    m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
#endif
    m_engine->setInitialProperties({{QStringLiteral("session"), QVariant::fromValue(m_session.get())}});
    m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/Quorvel/App/Main.qml")));
    if (m_engine->rootObjects().isEmpty())
        return false;
    auto *window = qobject_cast<QQuickWindow *>(m_engine->rootObjects().constFirst());
    // The window opens where the learner left it, and only then is shown.
    m_placement = std::make_unique<WindowPlacement>(window);
    m_placement->show();
    Q_EMIT windowShown(window);
    startUp(m_session.get(), &Analytics::shared());
    return true;
}

QCoro::Task<void> QuorvelApp::startUp(AppSession *session, Analytics *analytics) {
    QPointer<AppSession> guard(session);
    co_await session->refreshIfNeeded(false);
    if (!guard)
        co_return;
    analytics->start(session);
    analytics->track(QStringLiteral("app_open"), {{QStringLiteral("source"), QStringLiteral("launch")}});
}
