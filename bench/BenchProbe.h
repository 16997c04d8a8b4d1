#pragma once

#include "Destination.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVariantMap>

#include <functional>

class AppSession;
class QQuickWindow;
class QuorvelApp;

// Drives and samples the app for the bench (scripts/bench); inert unless QVL_BENCH is set. It reports the
// instant the first frame is swapped, and then, by the value of QVL_BENCH:
//   "frame"          quits right away;
//   "idle"           samples memory and idle CPU on the first screen, then quits;
//   "walk"           the same, then visits every tab of the signed-in shell and walks every screen of the
//                    app twice (appendWalk: the path list of QVL_BENCH_CHAPTER, a lesson, practice, the
//                    wrong book, photo matching, the inbox, the report, membership, the settings pages,
//                    the questionnaire...), sampling after each step, then quits;
//   "sign-in:<phone>:<code>"  signs in against the configured service and quits (prepares a profile).
// Each sample is one stdout line "QVL_BENCH sample <step> rss_kb=<n> cpu_pct=<x> active=<0|1> libs=<n>
// loaded=<+name,-name...|-> heap_used_kb=<n> heap_free_kb=<n> anon_kb=<n> children_kb=<n>" (the libraries
// mapped and unmapped since the sample before; the resident memory of the app's child processes).
// scripts/bench finds a field by the end of its name: no name may end in another ("children_rss_kb" would
// read as rss_kb).
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
    void appendWalk(const QString &suffix);
    void selectTab(int position);
    void open(Destination::Page destination, const QVariantMap &properties = {});
    void popRouter();
    void clickShown(const char *objectName);
    QString picture();
    QList<QObject *> all() const;
    QObject *find(const char *typePrefix) const;
    QObject *findShown(const char *typePrefix) const;
    void finish();

    QPointer<QQuickWindow> m_window;
    QPointer<AppSession> m_session;
    QString m_mode;
    QList<std::pair<QString, std::function<void()>>> m_steps;
    int m_idleMs = 5000;
    int m_settleMs = 1500;
    QString m_picture;
    QSet<QByteArray> m_libraries; // mapped at the sample before
};
