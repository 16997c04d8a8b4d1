import QtQuick
import QtQuick.Shapes

// One glow layer of the robot stage: a rounded rectangle (the card's outline) filled with a radial gradient
// from `color` at (`centerX`, `centerY`) to clear at `endRadius`.
Shape {
    id: shape

    property real radius: 0
    property color color: "white"
    property real centerX: 0
    property real centerY: 0
    property real endRadius: 100
    readonly property real r: Math.max(0, Math.min(radius, width / 2, height / 2))

    antialiasing: true

    ShapePath {
        strokeWidth: -1
        strokeColor: "transparent"
        fillGradient: RadialGradient {
            centerX: shape.centerX
            centerY: shape.centerY
            centerRadius: shape.endRadius
            focalX: shape.centerX
            focalY: shape.centerY
            focalRadius: 0
            GradientStop { position: 0; color: shape.color }
            GradientStop { position: 1; color: Qt.rgba(shape.color.r, shape.color.g, shape.color.b, 0) }
        }

        startX: shape.r; startY: 0
        PathLine { x: shape.width - shape.r; y: 0 }
        PathArc { x: shape.width; y: shape.r; radiusX: shape.r; radiusY: shape.r }
        PathLine { x: shape.width; y: shape.height - shape.r }
        PathArc { x: shape.width - shape.r; y: shape.height; radiusX: shape.r; radiusY: shape.r }
        PathLine { x: shape.r; y: shape.height }
        PathArc { x: 0; y: shape.height - shape.r; radiusX: shape.r; radiusY: shape.r }
        PathLine { x: 0; y: shape.r }
        PathArc { x: shape.r; y: 0; radiusX: shape.r; radiusY: shape.r }
    }
}
