#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class AppSession;
class QQuickWindow;
class QuorvelApp;

// Drives and samples the app for the bench (scripts/bench); inert unless QVL_BENCH is set. It reports the
// instant the first frame is swapped, and then, by the value of QVL_BENCH:
//   "frame"          quits right away;
//   "idle"           samples memory and idle CPU on the first screen, then quits;
//   "walk"           the same, then visits every tab of the signed-in shell and walks its pushed screens
//                    twice (the learning tab's path list of QVL_BENCH_CHAPTER, its chapter picker, the
//                    companion chat), sampling after each step, then quits;
//   "sign-in:<phone>:<code>"  signs in against the configured service and quits (prepares a profile).
// Each sample is one stdout line "QVL_BENCH sample <step> rss_kb=<n> cpu_pct=<x>".
class BenchProbe : public QObject {
    Q_OBJECT

public:
    // Gives the app's window a probe once it is shown, when QVL_BENCH asks for one.
    static void attachWhenShown(QuorvelApp &app);

private:
    BenchProbe(QQuickWindow *window, AppSession *session, QString mode, QObject *parent);

    void onFirstFrame();
    void signIn(QString phone, QString code);
    // Runs the queued steps one after another: each acts, lets the screen settle, then samples.
    void next();
    void sample(const QString &step, std::function<void()> then);
    void evaluate(QObject *scope, const QString &expression);
    QObject *find(const char *typePrefix) const;
    void finish();

    QPointer<QQuickWindow> m_window;
    QPointer<AppSession> m_session;
    QString m_mode;
    QList<std::pair<QString, std::function<void()>>> m_steps;
    int m_idleMs = 5000;
    int m_settleMs = 1500;
};
