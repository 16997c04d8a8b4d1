import QtQuick
import Qt5Compat.GraphicalEffects

// The GPU half of BrandShadow: a blurred glow of the shadow's shape. BrandShadow loads this file by URL and only
// when the window renders on a GPU-backed API, so on the software renderer Qt5Compat.GraphicalEffects (its
// plugins and the shader tools library) is never loaded.
Item {
    id: glow

    // The BrandShadow this glow draws for: its geometry, colour and blur.
    required property BrandShadow shadow

    RectangularGlow {
        x: glow.shadow.offsetX
        y: glow.shadow.offsetY
        width: glow.width
        height: glow.height
        glowRadius: glow.shadow.blur
        spread: 0
        color: glow.shadow.color
        cornerRadius: glow.shadow.cornerRadius + glow.shadow.blur
    }
}
