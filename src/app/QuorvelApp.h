#pragma once

#include <QObject>
#include <QPalette>

#include <QCoro/QCoroTask>

#include <memory>

class Analytics;
#include "AppSession.h"
class QQmlEngine;
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

    // The QML engine of the window: a plain engine whose Qt.quit() and Qt.exit() end the application, with
    // the app's module folder on its import path. Not QQmlApplicationEngine: the file selector that one
    // installs looks every loaded QML file up once per selector among all the app's resources (the app has
    // no "+selector" variants), a sixth of the QML loading before the first frame, and it searches for QML
    // translations the app does not have.
    static std::unique_ptr<QQmlEngine> makeEngine();

Q_SIGNALS:
    // The window is loaded and shown; the start-up task has not begun yet.
    void windowShown(QQuickWindow *window);

private:
    void applyColorScheme();

    std::unique_ptr<AppSession> m_session;
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<QQuickWindow> m_window;
    std::unique_ptr<WindowPlacement> m_placement;
    QPalette m_systemPalette;
};
