import QtQuick
import QtQuick.Shapes
import Quorvel.Ui

// brandGradient: teal, navy, navy-deep, from the top leading corner to the bottom trailing corner. A
// diagonal axis is beyond Rectangle's gradients, so this is a shape; `radius` rounds all four corners.
Shape {
    id: shape

    property real radius: 0
    readonly property real r: Math.max(0, Math.min(radius, width / 2, height / 2))

    antialiasing: true
    // The hardware renderer smooths curved edges only with multisampling.
    layer.enabled: r > 0 && GraphicsInfo.api !== GraphicsInfo.Software
    layer.samples: 4

    ShapePath {
        strokeWidth: -1
        strokeColor: "transparent"
        fillGradient: LinearGradient {
            x1: 0; y1: 0
            x2: shape.width; y2: shape.height
            GradientStop { position: 0; color: Theme.brandTeal }
            GradientStop { position: 0.5; color: Theme.brandNavy }
            GradientStop { position: 1; color: Theme.brandNavyDeep }
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
