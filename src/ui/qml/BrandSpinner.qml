import QtQuick
import QtQuick.Shapes

// An activity indicator: a turning three-quarter ring.
Item {
    id: spinner

    property color color: "white"
    property real size: 20
    property bool running: visible

    implicitWidth: size
    implicitHeight: size

    Shape {
        id: ring

        anchors.centerIn: parent
        width: spinner.size
        height: spinner.size
        antialiasing: true

        ShapePath {
            strokeColor: spinner.color
            strokeWidth: Math.max(2, spinner.size / 9)
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap

            PathAngleArc {
                centerX: spinner.size / 2
                centerY: spinner.size / 2
                radiusX: spinner.size / 2 - 2
                radiusY: spinner.size / 2 - 2
                startAngle: 0
                sweepAngle: 270
            }
        }

        RotationAnimation on rotation {
            from: 0
            to: 360
            duration: 900
            loops: Animation.Infinite
            running: spinner.running
        }
    }
}
