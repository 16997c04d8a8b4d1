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

// Decides and applies the choice. Call after the QGuiApplication exists and before any window is made.
// Probing OpenGL (a throwaway context) happens only when a render node exists.
Choice apply();

} // namespace RenderBackend
