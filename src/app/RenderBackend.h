#pragma once

#include <QString>

// Which Qt Quick scene-graph backend the window draws with. Without a GPU, Qt Quick's OpenGL backend runs on
// a software rasterizer (Mesa's llvmpipe) that redraws the whole window for every change and costs about
// half of the start-up time and most of the memory; Qt Quick's own software renderer repaints only what
// changed. So a machine without a real GPU gets the software renderer, a real GPU keeps OpenGL, and a
// backend the user chose (`QT_QUICK_BACKEND`) is left alone.
namespace RenderBackend {

enum class Choice { Keep, Software };

struct Facts {
    bool userChose = false;     // QT_QUICK_BACKEND is set
    bool hasRenderNode = false; // a DRM render node (/dev/dri/renderD*) exists
    // The OpenGL renderer string of a probe context; empty when no context could be made.
    QString glRenderer;
};

// Whether an OpenGL renderer string names a software rasterizer (llvmpipe, softpipe, swrast, ...).
bool isSoftwareRenderer(const QString &glRenderer);

// The choice for those facts. `glRenderer` is consulted only when there is a render node.
Choice choose(const Facts &facts);

// Whether `driDirectory` holds a render node.
bool hasRenderNode(const QString &driDirectory = QStringLiteral("/dev/dri"));

// Whether the window's pictures go to the X server through the socket rather than through shared memory.
// With shared memory, each repaint of an area that was sent in the frame before waits for the server to
// have read it; the software renderer repaints only what changed, the same small area frame after frame
// where a robot moves, so on it the socket costs much less. Only where the software renderer is certain
// before the application exists: no render node (on a render node the renderer is known only later), and
// neither the backend nor the transfer chosen by the user (QT_QUICK_BACKEND, QT_XCB_NO_MITSHM).
struct EarlyFacts {
    bool userChoseBackend = false;
    bool userChoseTransfer = false;
    bool hasRenderNode = false;
};
bool sendsThroughSocket(const EarlyFacts &facts);

// Applies the transfer. Call before the QGuiApplication exists.
void prepare();

// Decides and applies the choice. Call after the QGuiApplication exists and before any window is made.
// Probing OpenGL (a throwaway context) happens only when a render node exists.
Choice apply();

} // namespace RenderBackend
