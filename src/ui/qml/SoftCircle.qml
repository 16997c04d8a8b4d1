import QtQuick
import QtQuick.Shapes

// A decorative disc of `diameter` whose edge is softened over `blur` points either side, drawn with a
// radial gradient so it looks the same on every renderer. The item is `diameter` square; the soft edge
// reaches `blur` beyond it.
Shape {
    id: disc

    property real diameter: 100
    property real blur: 0
    property color color: "white"

    readonly property real outer: diameter / 2 + blur

    width: diameter
    height: diameter
    antialiasing: true

    ShapePath {
        strokeWidth: -1
        strokeColor: "transparent"
        fillGradient: RadialGradient {
            centerX: disc.diameter / 2
            centerY: disc.diameter / 2
            centerRadius: disc.outer
            focalX: centerX
            focalY: centerY
            focalRadius: 0
            GradientStop { position: 0; color: disc.color }
            GradientStop { position: (disc.diameter / 2 - disc.blur) / disc.outer; color: disc.color }
            GradientStop {
                position: 1
                color: disc.blur > 0 ? Qt.rgba(disc.color.r, disc.color.g, disc.color.b, 0) : disc.color
            }
        }

        PathAngleArc {
            centerX: disc.diameter / 2
            centerY: disc.diameter / 2
            radiusX: disc.outer
            radiusY: disc.outer
            startAngle: 0
            sweepAngle: 360
        }
    }
}
