#include "RenderBackend.h"

#include <QDir>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace RenderBackend {

bool isSoftwareRenderer(const QString &glRenderer) {
    static const char *const kSoftware[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer",
                                            "lavapipe"};
    for (const char *name : kSoftware) {
        if (glRenderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

Choice choose(const Facts &facts) {
    if (facts.userChose)
        return Choice::Keep;
    if (!facts.hasRenderNode)
        return Choice::Software;
    // A render node but no OpenGL context at all would leave the window blank on OpenGL.
    if (facts.glRenderer.isEmpty() || isSoftwareRenderer(facts.glRenderer))
        return Choice::Software;
    return Choice::Keep;
}

bool hasRenderNode(const QString &driDirectory) {
    return !QDir(driDirectory).entryList({QStringLiteral("renderD*")}, QDir::System | QDir::Files).isEmpty();
}

bool sendsThroughSocket(const EarlyFacts &facts) {
    return !facts.userChoseBackend && !facts.userChoseTransfer && !facts.hasRenderNode;
}

void prepare() {
    EarlyFacts facts;
    facts.userChoseBackend = qEnvironmentVariableIsSet("QT_QUICK_BACKEND");
    facts.userChoseTransfer = qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    facts.hasRenderNode = !facts.userChoseBackend && hasRenderNode();
    if (sendsThroughSocket(facts))
        qputenv("QT_XCB_NO_MITSHM", "1"); // read by Qt's X11 platform when the application is made
}

namespace {

QString probeGlRenderer() {
    QOpenGLContext context;
    if (!context.create())
        return {};
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface))
        return {};
    const auto *name = reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    const QString renderer = QString::fromLatin1(name ? name : "");
    context.doneCurrent();
    return renderer;
}

} // namespace

Choice apply() {
    Facts facts;
    facts.userChose = qEnvironmentVariableIsSet("QT_QUICK_BACKEND");
    facts.hasRenderNode = !facts.userChose && hasRenderNode();
    if (facts.hasRenderNode)
        facts.glRenderer = probeGlRenderer();
    const Choice choice = choose(facts);
    if (choice == Choice::Software)
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return choice;
}

} // namespace RenderBackend
