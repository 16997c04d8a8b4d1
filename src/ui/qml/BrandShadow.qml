import QtQuick
import Quorvel.Ui

// The soft shadow of a rounded rectangle. Lay it under the shape with the shape's geometry
// (`anchors.fill: shape`); `blur` is how far the shadow spreads, `color` carries its opacity.
Item {
    id: shadow

    property real cornerRadius: 0
    property color color: Qt.rgba(0, 0, 0, 0.25)
    property real blur: 10
    property real offsetX: 0
    property real offsetY: 0
    // Shader effects draw nothing on the software renderer (offscreen, or no GPU): there a picture of layered
    // outlines stands in. The glow is in its own file, loaded by URL once the window is known to render on a
    // GPU API, so that the software renderer never resolves its import (a QML plugin and the shader tools
    // library at every start).
    readonly property bool software: GraphicsInfo.api === GraphicsInfo.Software
    readonly property bool hardware: GraphicsInfo.api !== GraphicsInfo.Software
                                     && GraphicsInfo.api !== GraphicsInfo.Unknown

    // The outlines as one picture per look, drawn once and shared (SoftShadow).
    BorderImage {
        readonly property int margin: SoftShadow.margin(shadow.blur)
        readonly property int across: SoftShadow.border(shadow.cornerRadius, shadow.blur, shadow.width)
        readonly property int down: SoftShadow.border(shadow.cornerRadius, shadow.blur, shadow.height)

        visible: shadow.software
        x: shadow.offsetX - margin
        y: shadow.offsetY - margin
        width: shadow.width + 2 * margin
        height: shadow.height + 2 * margin
        border.left: across
        border.right: across
        border.top: down
        border.bottom: down
        source: shadow.software && shadow.width > 0 && shadow.height > 0
                ? SoftShadow.source(shadow.cornerRadius, shadow.blur, shadow.color, shadow.width, shadow.height)
                : ""
    }

    Loader {
        id: glow

        anchors.fill: parent
        active: shadow.hardware
        Component.onCompleted: setSource("BrandShadowGlow.qml", { "shadow": shadow })
    }
}
