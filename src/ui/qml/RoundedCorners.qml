import QtQuick
import QtQuick.Shapes

// A rectangle whose two bottom corners are rounded with `radius` and whose top corners are square, e.g.
// a header band under a straight top edge. Fill it with a colour or a shape gradient. A radius larger than
// half the width or height is reduced to it, so the outline stays a valid shape.
Shape {
    id: shape

    property real radius: 0
    property alias fillColor: outline.fillColor
    property alias fillGradient: outline.fillGradient
    property alias strokeColor: outline.strokeColor
    property alias strokeWidth: outline.strokeWidth
    readonly property real r: Math.max(0, Math.min(radius, width / 2, height / 2))

    antialiasing: true
    layer.enabled: r > 0 && GraphicsInfo.api !== GraphicsInfo.Software
    layer.samples: 4

    ShapePath {
        id: outline

        strokeWidth: -1
        strokeColor: "transparent"
        fillColor: "white"

        startX: 0; startY: 0
        PathLine { x: shape.width; y: 0 }
        PathLine { x: shape.width; y: shape.height - shape.r }
        PathArc { x: shape.width - shape.r; y: shape.height; radiusX: shape.r; radiusY: shape.r }
        PathLine { x: shape.r; y: shape.height }
        PathArc { x: 0; y: shape.height - shape.r; radiusX: shape.r; radiusY: shape.r }
        PathLine { x: 0; y: 0 }
    }
}
