import QtQuick
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Robots

// The robot of a screen at its top: the avatar and, beside it, a speech bubble with the robot's name and the
// scene's greeting (or `bubble`). Tapping the robot reads the greeting aloud; it speaks while it does. The
// banner fetches the catalog of the robot language when it comes on screen.
Item {
    id: root

    property string scene: "companion"
    property int mood: RobotMood.Idle
    // Shown in the bubble instead of the greeting; empty for the greeting.
    property string bubble: ""
    property bool compact: false
    property AppSession session: null

    implicitWidth: avatar.width + 10 + bubbleBox.widest
    implicitHeight: Math.max(avatar.height, bubbleBox.height)

    RobotSceneBannerModel {
        id: banner

        scene: root.scene
        mood: root.mood
        bubble: root.bubble
        compact: root.compact
        session: root.session
    }

    Component.onCompleted: banner.appear()

    RobotAvatarView {
        id: avatar

        anchors.verticalCenter: parent.verticalCenter
        robot: banner.robot
        mood: banner.avatarMood
        size: banner.avatarSize

        Accessible.role: Accessible.Button
        Accessible.description: banner.greetHint
        Accessible.onPressAction: banner.tap()

        activeFocusOnTab: true

        TapHandler {
            onTapped: banner.tap()
        }
        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }
        FocusRing {
            radius: width / 2
            onActivated: banner.tap()
        }
    }

    Rectangle {
        id: bubbleBox

        // The bubble hugs its texts' natural widths, measured unwrapped, up to the width left for it.
        readonly property real widest: Math.max(nameMeasure.implicitWidth, greetingMeasure.implicitWidth) + 24

        x: avatar.width + 10
        anchors.verticalCenter: parent.verticalCenter
        width: Math.max(24, Math.min(widest, root.width > 0 ? root.width - x : widest))
        height: texts.implicitHeight + 20
        radius: 16
        color: Theme.secondaryGroupedBackground
        border.width: 1
        border.color: Theme.withOpacity(banner.robotColor, 0.3)

        Text {
            id: nameMeasure

            visible: false
            text: nameLine.text
            textFormat: Text.PlainText
            font: nameLine.font
        }
        Text {
            id: greetingMeasure

            visible: false
            text: greeting.text
            textFormat: Text.PlainText
            font: greeting.font
        }

        Column {
            id: texts

            x: 12
            y: 10
            width: bubbleBox.width - 24
            spacing: 4

            Text {
                id: nameLine

                width: parent.width
                text: banner.nameLine
                textFormat: Text.PlainText
                font.pixelSize: 12
                font.bold: true
                color: Theme.legible(banner.robotColor, Theme.secondaryGroupedBackground)
                elide: Text.ElideRight
            }
            Text {
                id: greeting

                width: parent.width
                text: banner.bubbleText
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: banner.textSize
                color: Theme.label
            }
        }
    }
}
