// quorvel-floor: a minimal Qt Quick window with two texts in the app's Chinese font, on the renderer the app
// would choose. Reports like the app's bench probe (QVL_BENCH=frame|idle|walk): the first swapped frame,
// then, unless "frame", one sample of memory and idle CPU. QVL_BENCH_FLOOR_FPS=<n> swings a small mark n
// times a second (what a moving picture costs Qt itself).

#include "BenchSample.h"
#include "RenderBackend.h"

#include <QFont>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QTimer>
#include <QUrl>

#include <atomic>

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    RenderBackend::apply();
    QFont font = app.font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC")});
    app.setFont(font);

    QQmlApplicationEngine engine;
    engine.setInitialProperties(
        {{QStringLiteral("framesPerSecond"), qEnvironmentVariableIntValue("QVL_BENCH_FLOOR_FPS")}});
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/QuorvelFloor/Floor.qml")));
    auto *window =
        engine.rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    if (!window)
        return 1;

    const QString mode = qEnvironmentVariable("QVL_BENCH");
    const int idleMs = qEnvironmentVariableIntValue("QVL_BENCH_IDLE_MS") > 0
                           ? qEnvironmentVariableIntValue("QVL_BENCH_IDLE_MS")
                           : 5000;
    std::atomic<bool> seen{false};
    QObject::connect(
        window, &QQuickWindow::frameSwapped, window,
        [&] {
            if (seen.exchange(true))
                return;
            const long long at = BenchSample::epochNs();
            QMetaObject::invokeMethod(
                &app,
                [&, at] {
                    BenchSample::report(QStringLiteral("first-frame %1").arg(at));
                    if (mode == QLatin1String("frame") || mode.isEmpty()) {
                        if (!mode.isEmpty())
                            QCoreApplication::quit();
                        return;
                    }
                    QTimer::singleShot(1500, &app, [&] {
                        const double before = BenchSample::cpuSeconds();
                        QTimer::singleShot(idleMs, &app, [&, before] {
                            const double cpu = BenchSample::cpuSeconds() - before;
                            BenchSample::report(
                                QStringLiteral("sample start rss_kb=%1 cpu_pct=%2 active=%3 libs=%4")
                                    .arg(BenchSample::residentKb())
                                    .arg(100.0 * cpu / (idleMs / 1000.0), 0, 'f', 2)
                                    .arg(window->isActive() ? 1 : 0)
                                    .arg(BenchSample::sharedLibraries()));
                            BenchSample::report(QStringLiteral("done"));
                            QCoreApplication::quit();
                        });
                    });
                },
                Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    window->requestActivate();
    return app.exec();
}
