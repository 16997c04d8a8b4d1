#include "QuorvelApp.h"

#include "Analytics.h"
#include "AppSession.h"
#include "SessionKeychain.h"
#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTranslator>
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

std::unique_ptr<QQmlEngine> QuorvelApp::makeEngine() {
    auto engine = std::make_unique<QQmlEngine>();
    QObject::connect(engine.get(), &QQmlEngine::quit, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(engine.get(), &QQmlEngine::exit, QCoreApplication::instance(), &QCoreApplication::exit,
                     Qt::QueuedConnection);
#ifdef QVL_QML_MODULE_DIR
    // Shared modules (the test build): each plugin, found in the build's module folder, brings its library.
    engine->addImportPath(QStringLiteral(QVL_QML_MODULE_DIR));
#else
    // The app's modules are compiled into its resources.
    engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
#endif
    return engine;
}

// The engine goes first: its views still hold the session. Secrets the session had queued are written
// before the process ends.
QuorvelApp::~QuorvelApp() {
    m_placement.reset(); // writes a placement still pending
    m_window.reset();
    m_engine.reset();
    m_session.reset();
    SessionKeychain::finishOutstandingWrites();
}

bool QuorvelApp::show() {
    // Qt's own texts (the file dialog's buttons, ...) in the learner's language, where Qt has them.
    static const bool translated = [] {
        auto *qtTexts = new QTranslator(QCoreApplication::instance());
        if (qtTexts->load(QLocale(), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath), QStringLiteral(".qm")))
            return QCoreApplication::installTranslator(qtTexts);
        delete qtTexts;
        return false;
    }();
    Q_UNUSED(translated);
    m_engine = makeEngine();
    QQmlComponent main(m_engine.get(), QUrl(QStringLiteral("qrc:/qt/qml/Quorvel/App/Main.qml")));
    // Qt dereferences a component that failed to load when it is asked for an object: check first.
    if (main.isReady())
        m_window.reset(qobject_cast<QQuickWindow *>(main.createWithInitialProperties(
            {{QStringLiteral("session"), QVariant::fromValue(m_session.get())}})));
    if (!m_window) {
        for (const QQmlError &error : main.errors())
            qWarning().noquote() << error.toString();
        return false;
    }
    QQuickWindow *window = m_window.get();
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
