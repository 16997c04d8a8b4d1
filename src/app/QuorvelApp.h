#pragma once

#include <QObject>
#include <QPalette>

#include <QCoro/QCoroTask>

#include <memory>

class Analytics;
#include "AppSession.h"
class QQmlApplicationEngine;
class QQuickWindow;
class WindowPlacement;

// The app: owns the one session of the run and the window that shows it.
class QuorvelApp : public QObject {
    Q_OBJECT

public:
    QuorvelApp();
    ~QuorvelApp() override;

    // Loads the window and starts the start-up task; false when the interface could not be loaded.
    bool show();

    // The start-up task, strictly in this order: renew tokens that are about to expire, hand the session to
    // the analytics queue, record "app_open". Analytics starts only once the refresh is over, whatever its
    // outcome.
    static QCoro::Task<void> startUp(AppSession *session, Analytics *analytics);
    AppSession &session() const { return *m_session; }

    // The dark palette the window uses while the learner's dark-mode preference is on.
    static QPalette darkPalette();

Q_SIGNALS:
    // The window is loaded and shown; the start-up task has not begun yet.
    void windowShown(QQuickWindow *window);

private:
    void applyColorScheme();

    std::unique_ptr<AppSession> m_session;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    std::unique_ptr<WindowPlacement> m_placement;
    QPalette m_systemPalette;
};
