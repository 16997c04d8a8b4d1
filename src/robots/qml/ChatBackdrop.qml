import QtQuick
import QtQuick.Shapes
import Quorvel.Ui

// The companion chat's full-screen background: the base colour of the scheme with a soft glow of `tint`
// coming from the top centre (a little stronger in the dark scheme). It fills whatever space it is given.
Item {
    id: root

    property color tint: "#14A098"

    Rectangle {
        anchors.fill: parent
        color: Theme.dark ? Theme.systemBackground : Theme.brandMist
    }

    Shape {
        anchors.fill: parent

        ShapePath {
            strokeWidth: -1
            strokeColor: "transparent"
            fillGradient: RadialGradient {
                centerX: root.width / 2
                centerY: 0
                centerRadius: 420
                focalX: root.width / 2
                focalY: 0
                focalRadius: 0
                GradientStop {
                    position: 0
                    color: Theme.withOpacity(root.tint, Theme.dark ? 0.18 : 0.12)
                }
                GradientStop {
                    position: 1
                    color: Theme.withOpacity(root.tint, 0)
                }
            }

            startX: 0; startY: 0
            PathLine { x: root.width; y: 0 }
            PathLine { x: root.width; y: root.height }
            PathLine { x: 0; y: root.height }
            PathLine { x: 0; y: 0 }
        }
    }
}
