#include "BenchProbe.h"

#include "AppSession.h"
#include "AuthAPIClient.h"
#include "BenchSample.h"
#include "OnboardingAPIClient.h"
#include "QuorvelApp.h"
#include "RootTabViewModel.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

#include <atomic>

void BenchProbe::attachWhenShown(QuorvelApp &app) {
    const QString mode = qEnvironmentVariable("QVL_BENCH");
    if (mode.isEmpty())
        return;
    // Made as soon as the window is loaded, before the app's start-up task begins and before the first frame.
    QObject::connect(&app, &QuorvelApp::windowShown, &app, [&app, mode](QQuickWindow *window) {
        if (window)
            new BenchProbe(window, &app.session(), mode, &app);
    });
}

BenchProbe::BenchProbe(QQuickWindow *window, AppSession *session, QString mode, QObject *parent)
    : QObject(parent), m_window(window), m_session(session), m_mode(std::move(mode)) {
    m_idleMs = qEnvironmentVariableIntValue("QVL_BENCH_IDLE_MS") > 0
                   ? qEnvironmentVariableIntValue("QVL_BENCH_IDLE_MS")
                   : 5000;
    if (m_mode.startsWith(QLatin1String("sign-in:"))) {
        const QStringList parts = m_mode.split(u':');
        signIn(parts.value(1), parts.value(2));
        return;
    }
    // The render thread (if any) swaps; the instant is taken there and reported on the main thread.
    auto done = std::make_shared<std::atomic<bool>>(false);
    connect(
        window, &QQuickWindow::frameSwapped, this,
        [this, done] {
            if (done->exchange(true))
                return;
            const long long at = BenchSample::epochNs();
            QMetaObject::invokeMethod(
                this,
                [this, at] {
                    BenchSample::report(QStringLiteral("first-frame %1").arg(at));
                    onFirstFrame();
                },
                Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    window->requestActivate();
}

void BenchProbe::signIn(QString phone, QString code) {
    auto run = [](BenchProbe *self, QString phone, QString code) -> QCoro::Task<void> {
        QPointer<BenchProbe> guard(self);
        try {
            const LoginResponse grant = co_await AuthAPIClient().login(phone, code, *self->m_session);
            if (!guard)
                co_return;
            self->m_session->storeGrant(grant);
            // A returning learner: the birth month stored, the first-run questions and the learning profile
            // behind them, so that the signed-in runs start on the tab shell.
            if (self->m_session->status() == QStringLiteral("PendingProfile")) {
                const ProfileResponse answer = co_await OnboardingAPIClient().saveBirthMonth(
                    QStringLiteral("2000-01"), self->m_session->accessToken(), *self->m_session);
                if (!guard)
                    co_return;
                self->m_session->setStatus(answer.status);
            }
            self->m_session->setOnboardingDone(true);
            self->m_session->setProfileAsked(true);
            BenchSample::report(QStringLiteral("signed-in"));
        } catch (...) {
            BenchSample::report(QStringLiteral("sign-in-failed"));
        }
        if (guard)
            self->finish();
    };
    run(this, std::move(phone), std::move(code));
}

void BenchProbe::onFirstFrame() {
    if (m_mode == QLatin1String("frame")) {
        finish();
        return;
    }
    m_steps.append({QStringLiteral("start"), [] {}});
    if (m_mode == QLatin1String("walk")) {
        // The tab shell is made once the session is restored, after the first frame: each step looks it up
        // when it runs.
        const auto select = [this](int position) {
            if (auto *tabs = qobject_cast<RootTabViewModel *>(find("RootTabViewModel")))
                tabs->selectPosition(position);
            else
                BenchSample::report(QStringLiteral("missing-scope the tab shell"));
        };
        const QList<RootTabViewModel::Tab> &all = RootTabViewModel::allTabs();
        for (int position = 1; position <= all.size(); ++position) {
            const int at = int(position % all.size()); // ends back on the first tab
            m_steps.append({QStringLiteral("tab:%1").arg(all[at].title), [select, at] { select(at); }});
        }
        for (int round = 1; round <= 2; ++round) {
            const QString suffix = QStringLiteral("#%1").arg(round);
            m_steps.append({QStringLiteral("learning") + suffix, [select] { select(1); }});
            // The path list (with the robot banner) of a chapter the stand-in service offers.
            m_steps.append({QStringLiteral("path-list") + suffix, [this] {
                                const QString chapter =
                                    qEnvironmentVariable("QVL_BENCH_CHAPTER", "math-g7a-c1");
                                evaluate(find("LearningHomeView"),
                                         QStringLiteral("viewModel.pickChapter('%1')").arg(chapter));
                            }});
            m_steps.append({QStringLiteral("learning-switch") + suffix, [this] {
                                evaluate(find("LearningHomeView"),
                                         QStringLiteral("viewModel.toggleChoosing()"));
                            }});
            m_steps.append({QStringLiteral("learning-back") + suffix, [this] {
                                evaluate(find("LearningHomeView"),
                                         QStringLiteral("viewModel.toggleChoosing()"));
                            }});
            m_steps.append(
                {QStringLiteral("companion-chat") + suffix, [this] {
                     evaluate(find("LearningHomeView"),
                              QStringLiteral("push('qrc:/qt/qml/Quorvel/Companion/CompanionChatView.qml', "
                                             "{session: session, scene: 'learning'})"));
                 }});
            m_steps.append({QStringLiteral("popped") + suffix, [this] {
                                evaluate(find("LearningHomeView"), QStringLiteral("StackView.view.pop()"));
                            }});
            m_steps.append({QStringLiteral("walk") + suffix, [select] { select(0); }});
        }
    }
    QTimer::singleShot(m_settleMs, this, &BenchProbe::next);
}

void BenchProbe::next() {
    if (m_steps.isEmpty()) {
        finish();
        return;
    }
    auto [name, act] = m_steps.takeFirst();
    act();
    QTimer::singleShot(m_settleMs, this, [this, name] { sample(name, [this] { next(); }); });
}

void BenchProbe::sample(const QString &step, std::function<void()> then) {
    const double cpuBefore = BenchSample::cpuSeconds();
    QTimer::singleShot(m_idleMs, this, [this, step, cpuBefore, then] {
        const double cpu = BenchSample::cpuSeconds() - cpuBefore;
        const bool active = m_window && m_window->isActive();
        BenchSample::report(QStringLiteral("sample %1 rss_kb=%2 cpu_pct=%3 active=%4 libs=%5")
                                .arg(step)
                                .arg(BenchSample::residentKb())
                                .arg(100.0 * cpu / (m_idleMs / 1000.0), 0, 'f', 2)
                                .arg(active ? 1 : 0)
                                .arg(BenchSample::sharedLibraries()));
        then();
    });
}

void BenchProbe::evaluate(QObject *scope, const QString &expression) {
    QQmlContext *context = scope ? qmlContext(scope) : nullptr;
    if (!context) {
        BenchSample::report(QStringLiteral("missing-scope %1").arg(expression));
        return;
    }
    QQmlExpression run(context, scope, expression);
    run.evaluate();
    if (run.hasError())
        BenchSample::report(QStringLiteral("error %1").arg(run.error().toString()));
}

// The first object under the window whose class name starts with `typePrefix` (QML types are named
// "<File>_QMLTYPE_<n>").
QObject *BenchProbe::find(const char *typePrefix) const {
    if (!m_window)
        return nullptr;
    QList<QObject *> queue{m_window->contentItem()};
    while (!queue.isEmpty()) {
        QObject *object = queue.takeFirst();
        if (QByteArray(object->metaObject()->className()).startsWith(typePrefix))
            return object;
        queue.append(object->children());
        if (auto *item = qobject_cast<QQuickItem *>(object)) {
            for (QQuickItem *child : item->childItems())
                if (child->parent() != item)
                    queue.append(child);
        }
    }
    return nullptr;
}

void BenchProbe::finish() {
    BenchSample::report(QStringLiteral("done"));
    QCoreApplication::quit();
}
