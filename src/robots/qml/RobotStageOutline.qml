import QtQuick
import QtQuick.Shapes

// The robot stage's 1-point edge: the band between the card's rounded outline and the same outline inset by
// one point, filled top to bottom from white at 35 % to white at 5 %.
Shape {
    id: shape

    property real radius: 0
    readonly property real r: Math.max(0, Math.min(radius, width / 2, height / 2))
    readonly property real ri: Math.max(0, r - 1)

    antialiasing: true

    ShapePath {
        strokeWidth: -1
        strokeColor: "transparent"
        fillRule: ShapePath.OddEvenFill
        fillGradient: LinearGradient {
            x1: 0; y1: 0
            x2: 0; y2: shape.height
            GradientStop { position: 0; color: Qt.rgba(1, 1, 1, 0.35) }
            GradientStop { position: 1; color: Qt.rgba(1, 1, 1, 0.05) }
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

        PathMove { x: 1 + shape.ri; y: 1 }
        PathLine { x: shape.width - 1 - shape.ri; y: 1 }
        PathArc { x: shape.width - 1; y: 1 + shape.ri; radiusX: shape.ri; radiusY: shape.ri }
        PathLine { x: shape.width - 1; y: shape.height - 1 - shape.ri }
        PathArc { x: shape.width - 1 - shape.ri; y: shape.height - 1; radiusX: shape.ri; radiusY: shape.ri }
        PathLine { x: 1 + shape.ri; y: shape.height - 1 }
        PathArc { x: 1; y: shape.height - 1 - shape.ri; radiusX: shape.ri; radiusY: shape.ri }
        PathLine { x: 1; y: 1 + shape.ri }
        PathArc { x: 1 + shape.ri; y: 1; radiusX: shape.ri; radiusY: shape.ri }
    }
}
