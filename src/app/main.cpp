#include "AppFonts.h"
#include "QuorvelApp.h"
#include "RenderBackend.h"

#include <QGuiApplication>
#include "QmlModules.h"

QVL_IMPORT_QML_MODULES()

int main(int argc, char *argv[]) {
    QGuiApplication application(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QGuiApplication::setApplicationName(QStringLiteral("Quorvel"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("岚帆伴"));
    QGuiApplication::setApplicationVersion(QStringLiteral(QVL_VERSION));
    RenderBackend::apply();
    AppFonts::install(application);

    QuorvelApp app;
    if (!app.show())
        return 1;
    return QGuiApplication::exec();
}
