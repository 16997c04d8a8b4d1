import QtQuick
import QtQuick.Shapes

// A rounded rectangle whose corners each have their own radius (a chat bubble's small corner points at its
// speaker), filled with a colour or a gradient and outlined with a hairline.
Shape {
    id: shape

    property real topLeft: 20
    property real topRight: 20
    property real bottomLeft: 20
    property real bottomRight: 20
    property alias fillColor: outline.fillColor
    property alias fillGradient: outline.fillGradient
    property alias strokeColor: outline.strokeColor

    function clamp(r) { return Math.max(0, Math.min(r, width / 2, height / 2)) }

    antialiasing: true
    // Drawn through a layer on every renderer: on a GPU for its multisampled edges; on the software renderer
    // because there a shape paints straight onto the window and takes no clip at all once it lies wholly
    // outside its clip (a bubble scrolled out of the chat list would paint over the stage and the title bar,
    // and stay there until the next full repaint). A layer is an image, which the clip does cut.
    layer.enabled: true
    layer.samples: 4

    ShapePath {
        id: outline

        strokeWidth: 1
        strokeColor: "transparent"
        fillColor: "white"

        startX: shape.clamp(shape.topLeft); startY: 0
        PathLine { x: shape.width - shape.clamp(shape.topRight); y: 0 }
        PathArc { x: shape.width; y: shape.clamp(shape.topRight); radiusX: shape.clamp(shape.topRight); radiusY: radiusX }
        PathLine { x: shape.width; y: shape.height - shape.clamp(shape.bottomRight) }
        PathArc { x: shape.width - shape.clamp(shape.bottomRight); y: shape.height; radiusX: shape.clamp(shape.bottomRight); radiusY: radiusX }
        PathLine { x: shape.clamp(shape.bottomLeft); y: shape.height }
        PathArc { x: 0; y: shape.height - shape.clamp(shape.bottomLeft); radiusX: shape.clamp(shape.bottomLeft); radiusY: radiusX }
        PathLine { x: 0; y: shape.clamp(shape.topLeft) }
        PathArc { x: shape.clamp(shape.topLeft); y: 0; radiusX: shape.clamp(shape.topLeft); radiusY: radiusX }
    }
}
