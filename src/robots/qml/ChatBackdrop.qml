import QtQuick
import QtQuick.Shapes
import Quorvel.Ui

// The companion chat's full-screen background: the base colour of the scheme with a soft glow of `tint`
// coming from the top centre (a little stronger in the dark scheme). It fills whatever space it is given.
Item {
    id: root

    property color tint: "#14A098"

    clip: true

    Rectangle {
        anchors.fill: parent
        color: Theme.dark ? Theme.systemBackground : Theme.brandMist
    }

    // The glow reaches 420 from the top centre; it is drawn in that box only.
    Item {
        id: glowBox

        x: Math.round(root.width / 2) - 420
        width: 840
        height: Math.min(420, root.height)
        visible: !glowPicture.shown

        Shape {
            anchors.fill: parent

            ShapePath {
                strokeWidth: -1
                strokeColor: "transparent"
                fillGradient: RadialGradient {
                    centerX: 420
                    centerY: 0
                    centerRadius: 420
                    focalX: 420
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
                PathLine { x: glowBox.width; y: 0 }
                PathLine { x: glowBox.width; y: glowBox.height }
                PathLine { x: 0; y: glowBox.height }
                PathLine { x: 0; y: 0 }
            }
        }
    }

    // On the software renderer the glow is shown as a still picture of it, taken again when its colour or
    // size changes: the software renderer redraws a shape whole whenever anything over it changes, and the
    // robots of the chat redraw many times a second. The glow has no edge or detail, so the picture is taken
    // at a quarter of its size and drawn scaled up: it looks the same and holds a sixteenth of the pixels.
    Image {
        id: glowPicture

        readonly property bool still: GraphicsInfo.api === GraphicsInfo.Software
        readonly property bool shown: still && status === Image.Ready
        readonly property var look: [root.tint, Theme.dark, glowBox.width, glowBox.height]
        property var taken: null

        function retake() {
            if (still && glowBox.Window.window && glowBox.width > 0 && glowBox.height > 0)
                glowBox.grabToImage(result => { taken = result; source = result.url },
                                    Qt.size(Math.ceil(glowBox.width / 4), Math.ceil(glowBox.height / 4)));
        }

        x: glowBox.x
        width: glowBox.width
        height: glowBox.height
        visible: shown
        cache: false
        // Loaded, the picture is the image's own; the grab's copy goes.
        onStatusChanged: if (status === Image.Ready) taken = null
        onLookChanged: {
            source = "";
            Qt.callLater(retake);
        }
        Component.onCompleted: Qt.callLater(retake)
    }
}
