#include "AppFonts.h"
#include "MemoryPolicy.h"
#include "MessageRouting.h"
#include "QuorvelApp.h"
#include "RenderBackend.h"

#include "QmlModules.h"
#include <QGuiApplication>
#include <QQuickStyle>

#ifdef QVL_BENCH_PROBE
#include "BenchProbe.h"
#endif

QVL_IMPORT_QML_MODULES()

int main(int argc, char *argv[]) {
    MemoryPolicy::apply(); // before any thread, so that every heap keeps to it
    MessageRouting::install();
    RenderBackend::prepare();
    QGuiApplication application(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QGuiApplication::setApplicationName(QStringLiteral("Quorvel"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("岚帆伴"));
    QGuiApplication::setApplicationVersion(QStringLiteral(QVL_VERSION));
    RenderBackend::apply();
    // Every view imports QtQuick.Controls.Basic, whose controls it customises; a plain `import
    // QtQuick.Controls` (in Qt's own components too) then resolves to the same style instead of loading
    // Fusion beside it.
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    AppFonts::install(application);

    QuorvelApp app;
#ifdef QVL_BENCH_PROBE
    BenchProbe::attachWhenShown(app); // the bench build only
#endif
    if (!app.show())
        return 1;
    return QGuiApplication::exec();
}
