#include "BenchProbe.h"

#include "AppSession.h"
#include "AuthAPIClient.h"
#include "BenchSample.h"
#include "MainGateViewModel.h"
#include "OnboardingAPIClient.h"
#include "QuorvelApp.h"
#include "RootTabViewModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

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
        // The tab shell is made once the session is restored, after the first frame: each step looks up what
        // it acts on when it runs.
        const QList<RootTabViewModel::Tab> &all = RootTabViewModel::allTabs();
        for (int position = 1; position <= all.size(); ++position) {
            const int at = int(position % all.size()); // ends back on the first tab
            m_steps.append({QStringLiteral("tab:%1").arg(all[at].title), [this, at] { selectTab(at); }});
        }
        for (int round = 1; round <= 2; ++round)
            appendWalk(QStringLiteral("#%1").arg(round));
    }
    QTimer::singleShot(m_settleMs, this, &BenchProbe::next);
}

// One walk through every screen of the signed-in app, each opened as the app opens it: a tab by its
// position, a screen of another feature through the tab's router (its destinations), a screen of the same
// feature by the control that pushes it. Every screen is left again the way a learner leaves it, so that
// what stays resident after the walk is what the app keeps, not what the walk left open.
void BenchProbe::appendWalk(const QString &suffix) {
    // QVL_BENCH_STEPS (a regular expression) keeps only the steps it matches, to look at a few screens.
    const QRegularExpression only(qEnvironmentVariable("QVL_BENCH_STEPS"));
    const auto step = [this, suffix, only](const QString &name, std::function<void()> act) {
        if (name == QLatin1String("walk") || only.match(name).hasMatch())
            m_steps.append({name + suffix, std::move(act)});
    };
    // The learning tab: the path list of a chapter the stand-in offers, its chapter picker, a lesson and
    // one of its exercises (answered wrong, so that the wrong book has an entry), the companion chat.
    step(QStringLiteral("learning"), [this] { selectTab(1); });
    step(QStringLiteral("path-list"), [this] {
        const QString chapter = qEnvironmentVariable("QVL_BENCH_CHAPTER", "math-g7a-c1");
        evaluate(findShown("LearningHomeView"), QStringLiteral("viewModel.pickChapter('%1')").arg(chapter));
    });
    step(QStringLiteral("chapter-picker"),
         [this] { evaluate(findShown("LearningHomeView"), QStringLiteral("viewModel.toggleChoosing()")); });
    step(QStringLiteral("path-list-again"),
         [this] { evaluate(findShown("LearningHomeView"), QStringLiteral("viewModel.toggleChoosing()")); });
    step(QStringLiteral("lesson"),
         [this] { evaluate(findShown("PathNodeRow"), QStringLiteral("openRequested()")); });
    step(QStringLiteral("practice"),
         [this] { evaluate(findShown("LearningItemDetailView"), QStringLiteral("openPractice(0)")); });
    step(QStringLiteral("practice-graded"), [this] {
        evaluate(findShown("PracticeView"), QStringLiteral("viewModel.answer = '不会'; viewModel.submit()"));
    });
    step(QStringLiteral("lesson-again"),
         [this] { evaluate(findShown("PracticeView"), QStringLiteral("leave()")); });
    step(QStringLiteral("path-list-back"),
         [this] { evaluate(findShown("LearningItemDetailView"), QStringLiteral("leave()")); });
    step(QStringLiteral("companion-chat"), [this] {
        open(Destination::Chat, {{QStringLiteral("scene"), QStringLiteral("learning")}});
    });
    step(QStringLiteral("chat-popped"), [this] { popRouter(); });

    // The home tab's tools and cards.
    step(QStringLiteral("home"), [this] { selectTab(0); });
    step(QStringLiteral("question-bank"), [this] { open(Destination::QuestionBank); });
    step(QStringLiteral("question-bank-popped"), [this] { popRouter(); });
    step(QStringLiteral("wrong-book"), [this] { open(Destination::WrongBook); });
    step(QStringLiteral("wrong-item"), [this] { clickShown("wrongItemRow"); });
    step(QStringLiteral("wrong-book-again"), [this] { popRouter(); });
    step(QStringLiteral("wrong-book-popped"), [this] { popRouter(); });
    step(QStringLiteral("photo-match"), [this] { open(Destination::PhotoMatch); });
    step(QStringLiteral("photo-recognized"), [this] {
        evaluate(
            findShown("PhotoMatchView"),
            QStringLiteral("viewModel.recognizeFile('%1')").arg(QUrl::fromLocalFile(picture()).toString()));
    });
    step(QStringLiteral("photo-released"), [this] { popRouter(); });
    step(QStringLiteral("inbox"), [this] { open(Destination::Inbox); });
    step(QStringLiteral("inbox-message"),
         [this] { evaluate(findShown("HomeInboxView"), QStringLiteral("vm.open(0)")); });
    step(QStringLiteral("inbox-again"),
         [this] { evaluate(findShown("HomeInboxView"), QStringLiteral("detailSheet.close()")); });
    step(QStringLiteral("inbox-popped"), [this] { popRouter(); });
    step(QStringLiteral("study-report"), [this] { open(Destination::StudyReport); });
    step(QStringLiteral("study-report-popped"), [this] { popRouter(); });

    // The "我的" tab: its server-driven pages and the screens their rows open.
    step(QStringLiteral("settings"), [this] { selectTab(4); });
    step(QStringLiteral("settings-about"), [this] {
        open(Destination::SettingsPage, {{QStringLiteral("pageId"), QStringLiteral("settings_about")}});
    });
    step(QStringLiteral("settings-about-popped"), [this] { popRouter(); });
    step(QStringLiteral("account"), [this] { open(Destination::ProfileBirth); });
    step(QStringLiteral("account-popped"), [this] { popRouter(); });
    step(QStringLiteral("memories"), [this] { open(Destination::Memories); });
    step(QStringLiteral("memories-popped"), [this] { popRouter(); });
    step(QStringLiteral("study-limits"), [this] { open(Destination::StudyLimits); });
    step(QStringLiteral("study-limits-popped"), [this] { popRouter(); });
    step(QStringLiteral("membership"), [this] { open(Destination::Membership); });
    step(QStringLiteral("orders"),
         [this] { evaluate(findShown("MembershipView"), QStringLiteral("openOrders()")); });
    step(QStringLiteral("membership-again"), [this] { popRouter(); });
    step(QStringLiteral("membership-popped"), [this] { popRouter(); });

    // The first-run questionnaire, as the gate opens it for an account whose onboarding is not done (the
    // stand-in's bench account never finished it), closed by its finish action.
    step(QStringLiteral("questionnaire"), [this] {
        auto *gate = qobject_cast<MainGateViewModel *>(find("MainGateViewModel"));
        if (!gate || !m_session) {
            BenchSample::report(QStringLiteral("missing-scope the gate"));
            return;
        }
        m_session->setOnboardingDone(false);
        auto task = gate->runGate();
    });
    step(QStringLiteral("questionnaire-closed"), [this] {
        if (auto *gate = qobject_cast<MainGateViewModel *>(find("MainGateViewModel")))
            gate->finishOnboarding();
    });
    step(QStringLiteral("walk"), [this] { selectTab(0); });
}

void BenchProbe::selectTab(int position) {
    if (auto *tabs = qobject_cast<RootTabViewModel *>(find("RootTabViewModel")))
        tabs->selectPosition(position);
    else
        BenchSample::report(QStringLiteral("missing-scope the tab shell"));
}

// Asks the router of the tab on screen for a destination, as a page of that tab would.
void BenchProbe::open(Destination::Page destination, const QVariantMap &properties) {
    QObject *router = findShown("AppRouter");
    if (!router) {
        BenchSample::report(QStringLiteral("missing-scope the router"));
        return;
    }
    QVariant page;
    if (!QMetaObject::invokeMethod(router, "open", Q_RETURN_ARG(QVariant, page),
                                   Q_ARG(QVariant, int(destination)), Q_ARG(QVariant, properties),
                                   Q_ARG(QVariant, QVariant())) ||
        page.value<QObject *>() == nullptr)
        BenchSample::report(QStringLiteral("error destination %1 opened nothing").arg(int(destination)));
}

// The back control of the page on top of the tab on screen.
void BenchProbe::popRouter() {
    evaluate(findShown("AppRouter"), QStringLiteral("depth > 1 ? pop() : null"));
}

// Taps the first shown item of that object name.
void BenchProbe::clickShown(const char *objectName) {
    for (QObject *object : all()) {
        auto *item = qobject_cast<QQuickItem *>(object);
        if (item && item->objectName() == QLatin1String(objectName) && item->isVisible()) {
            if (!QMetaObject::invokeMethod(item, "clicked"))
                BenchSample::report(QStringLiteral("error %1 has no clicked()").arg(objectName));
            return;
        }
    }
    BenchSample::report(QStringLiteral("missing-scope %1").arg(objectName));
}

// A photo of a printed question, as large as a phone camera's, made once per run.
QString BenchProbe::picture() {
    if (!m_picture.isEmpty())
        return m_picture;
    QImage image(3000, 2250, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(90);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(150, 200, 2700, 1800), Qt::TextWordWrap,
                     QStringLiteral("1. 计算：(-3) + 5 - (-2) 的结果是多少？\nA. 4   B. 0   C. 6   D. -6"));
    painter.end();
    m_picture = QDir::temp().filePath(QStringLiteral("quorvel-bench-photo.jpg"));
    image.save(m_picture, "JPG", 90);
    return m_picture;
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
        const QSet<QByteArray> libraries = BenchSample::sharedLibraryPaths();
        // The libraries this step mapped, and those it let go, by file name ("+name", "-name").
        QStringList change;
        if (!m_libraries.isEmpty()) {
            for (const QByteArray &path : libraries)
                if (!m_libraries.contains(path))
                    change << u'+' + QString::fromUtf8(path.mid(path.lastIndexOf('/') + 1));
            for (const QByteArray &path : std::as_const(m_libraries))
                if (!libraries.contains(path))
                    change << u'-' + QString::fromUtf8(path.mid(path.lastIndexOf('/') + 1));
        }
        change.sort();
        m_libraries = libraries;
        // QVL_BENCH_TRIM=1: before each sample, collect the engine's garbage, drop the components no screen
        // uses any more and trim the C heap; what the app would hold at best, beside what it holds.
        if (qEnvironmentVariableIsSet("QVL_BENCH_TRIM")) {
            for (QObject *object : all()) {
                if (QQmlEngine *engine = qmlEngine(object)) {
                    engine->collectGarbage();
                    engine->trimComponentCache();
                    break;
                }
            }
            malloc_trim(0);
        }
        // QVL_BENCH_CENSUS=<folder>: how many objects of each type the window holds, one file per step.
        if (const QString folder = qEnvironmentVariable("QVL_BENCH_CENSUS"); !folder.isEmpty()) {
            QHash<QByteArray, int> counts;
            for (QObject *object : all()) {
                QByteArray name = object->metaObject()->className();
                // A type that QML declared gets a made-up class name; the file that declared it tells more.
                if (name.contains("_QML"))
                    if (const QQmlContext *context = qmlContext(object))
                        name += ' ' + context->baseUrl().fileName().toUtf8();
                ++counts[name];
            }
            QList<std::pair<int, QByteArray>> rows;
            for (auto it = counts.cbegin(); it != counts.cend(); ++it)
                rows.append({it.value(), it.key()});
            std::sort(rows.begin(), rows.end(), std::greater<>());
            QFile out(folder + u'/' + step + QStringLiteral(".census"));
            if (out.open(QIODevice::WriteOnly))
                for (const auto &[count, name] : rows)
                    out.write(QByteArray::number(count) + ' ' + name + '\n');
        }
        const BenchSample::Heap heap = BenchSample::heap();
        // QVL_BENCH_SHOTS=<folder>: what each step showed, to check that the walk reached its screens.
        if (const QString folder = qEnvironmentVariable("QVL_BENCH_SHOTS"); !folder.isEmpty() && m_window)
            m_window->grabWindow().save(folder + u'/' + step + QStringLiteral(".png"));
        // QVL_BENCH_MALLOC_INFO=<folder>: the allocator's own account of every arena and the process's
        // mappings (smaps), two files per step.
        if (const QString folder = qEnvironmentVariable("QVL_BENCH_MALLOC_INFO"); !folder.isEmpty()) {
            if (FILE *out = std::fopen(qPrintable(folder + u'/' + step + QStringLiteral(".xml")), "w")) {
                malloc_info(0, out);
                std::fclose(out);
            }
            QFile smaps(QStringLiteral("/proc/self/smaps"));
            QFile copy(folder + u'/' + step + QStringLiteral(".smaps"));
            if (smaps.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly))
                copy.write(smaps.readAll());
        }
        BenchSample::report(QStringLiteral("sample %1 rss_kb=%2 cpu_pct=%3 active=%4 libs=%5 loaded=%6 "
                                           "heap_used_kb=%7 heap_free_kb=%8 anon_kb=%9 children_kb=%10")
                                .arg(step)
                                .arg(BenchSample::residentKb())
                                .arg(100.0 * cpu / (m_idleMs / 1000.0), 0, 'f', 2)
                                .arg(active ? 1 : 0)
                                .arg(libraries.size())
                                .arg(change.isEmpty() ? QStringLiteral("-") : change.join(u','))
                                .arg(heap.usedKb)
                                .arg(heap.freeKb)
                                .arg(BenchSample::anonymousKb())
                                .arg(BenchSample::childrenResidentKb()));
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

// Every object under the window, breadth first.
QList<QObject *> BenchProbe::all() const {
    QList<QObject *> found;
    if (!m_window)
        return found;
    QList<QObject *> queue{m_window->contentItem()};
    while (!queue.isEmpty()) {
        QObject *object = queue.takeFirst();
        found.append(object);
        queue.append(object->children());
        if (auto *item = qobject_cast<QQuickItem *>(object)) {
            for (QQuickItem *child : item->childItems())
                if (child->parent() != item)
                    queue.append(child);
        }
    }
    return found;
}

namespace {
// Whether the object is of the QML type or C++ class whose name starts with `typePrefix`, or derives from
// it (a tab's router is a file of its own whose root is an AppRouter).
bool isA(const QObject *object, const char *typePrefix) {
    for (const QMetaObject *meta = object->metaObject(); meta; meta = meta->superClass()) {
        if (QByteArray(meta->className()).startsWith(typePrefix))
            return true;
    }
    return false;
}
} // namespace

// The first object under the window whose class name starts with `typePrefix` (QML types are named
// "<File>_QMLTYPE_<n>").
QObject *BenchProbe::find(const char *typePrefix) const {
    for (QObject *object : all()) {
        if (isA(object, typePrefix))
            return object;
    }
    return nullptr;
}

// The same, among the items shown (a page under another in its stack, a tab not selected are hidden).

QObject *BenchProbe::findShown(const char *typePrefix) const {
    for (QObject *object : all()) {
        auto *item = qobject_cast<QQuickItem *>(object);
        if (item && item->isVisible() && isA(object, typePrefix))
            return object;
    }
    return nullptr;
}

void BenchProbe::finish() {
    BenchSample::report(QStringLiteral("done"));
    QCoreApplication::quit();
}
