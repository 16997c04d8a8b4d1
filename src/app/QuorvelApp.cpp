#include "QuorvelApp.h"

#include "AppSession.h"

#include <QQmlApplicationEngine>
#include <QUrl>

QuorvelApp::QuorvelApp() : m_session(std::make_unique<AppSession>()) {}

// The engine goes first: its views still hold the session.
QuorvelApp::~QuorvelApp() {
    m_engine.reset();
}

bool QuorvelApp::show() {
    m_engine = std::make_unique<QQmlApplicationEngine>();
    m_engine->setInitialProperties({{QStringLiteral("session"), QVariant::fromValue(m_session.get())}});
    m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/Quorvel/app/qml/Main.qml")));
    return !m_engine->rootObjects().isEmpty();
}
