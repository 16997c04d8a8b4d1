import QtQuick

// The soft shadow of a rounded rectangle. Lay it under the shape with the shape's geometry
// (`anchors.fill: shape`); `blur` is how far the shadow spreads, `color` carries its opacity.
Item {
    id: shadow

    property real cornerRadius: 0
    property color color: Qt.rgba(0, 0, 0, 0.25)
    property real blur: 10
    property real offsetX: 0
    property real offsetY: 0
    // Shader effects draw nothing on the software renderer (offscreen, or no GPU): there the layered outlines
    // below stand in. The glow is in its own file, loaded by URL once the window is known to render on a GPU
    // API, so that the software renderer never resolves its import (a QML plugin and the shader tools library
    // at every start).
    readonly property bool software: GraphicsInfo.api === GraphicsInfo.Software
    readonly property bool hardware: GraphicsInfo.api !== GraphicsInfo.Software
                                     && GraphicsInfo.api !== GraphicsInfo.Unknown

    Loader {
        anchors.fill: parent
        active: shadow.software
        sourceComponent: layered
    }

    Loader {
        id: glow

        anchors.fill: parent
        active: shadow.hardware
        Component.onCompleted: setSource("BrandShadowGlow.qml", { "shadow": shadow })
    }

    // Translucent outlines growing outwards from just inside the edge: where they all overlap the shadow has
    // its full opacity, and it fades in steps over `blur` outside the shape.
    Component {
        id: layered

        Item {
            id: layers

            readonly property int count: 8
            readonly property real layerAlpha: 1 - Math.pow(1 - shadow.color.a, 1 / count)

            Repeater {
                model: layers.count

                Rectangle {
                    required property int index
                    readonly property real spreadBy: shadow.blur * (1.25 * (index + 1) / layers.count - 0.35)

                    x: shadow.offsetX - spreadBy
                    y: shadow.offsetY - spreadBy
                    width: layers.width + 2 * spreadBy
                    height: layers.height + 2 * spreadBy
                    radius: Math.max(0, shadow.cornerRadius + spreadBy)
                    color: Qt.rgba(shadow.color.r, shadow.color.g, shadow.color.b, layers.layerAlpha)
                    antialiasing: true
                }
            }
        }
    }
}
