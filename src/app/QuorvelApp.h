#pragma once

#include <QObject>

#include <memory>

class AppSession;
class QQmlApplicationEngine;

// The app: owns the one session of the run and the window that shows it.
class QuorvelApp : public QObject {
    Q_OBJECT

public:
    QuorvelApp();
    ~QuorvelApp() override;

    // Loads the window; false when the interface could not be loaded.
    bool show();
    AppSession &session() const { return *m_session; }

private:
    std::unique_ptr<AppSession> m_session;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
};
