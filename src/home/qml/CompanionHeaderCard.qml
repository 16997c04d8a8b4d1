import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Robots
import Quorvel.Home

// The big card at the top of the home page: the home scene's robot waving, its name, the layout's greeting,
// the learner's week and plan chips, and the chip that invites a chat. The whole card is one button.
T.AbstractButton {
    id: card

    property AppSession session
    property string greeting

    implicitHeight: content.implicitHeight + 36
    Accessible.name: header.accessibleLabel

    CompanionHeaderViewModel {
        id: header
    }

    background: Item {
        BrandShadow {
            anchors.fill: parent
            cornerRadius: 24
            color: Theme.withOpacity(Theme.brandNavy, 0.25)
            blur: 14
            offsetY: 8
        }
        BrandGradient {
            anchors.fill: parent
            radius: 24
        }
        // A mint circle 140 across, 40 to the right of and 30 above the top trailing corner: only the part
        // inside the card is drawn, with the card's rounded corner.
        Shape {
            id: corner

            readonly property real w: parent.width
            readonly property real cx: w + 40 - 70
            readonly property real cy: -30 + 70
            readonly property real topX: cx - Math.sqrt(70 * 70 - cy * cy)
            readonly property real sideY: cy + Math.sqrt(70 * 70 - (w - cx) * (w - cx))

            anchors.fill: parent
            antialiasing: true
            ShapePath {
                strokeWidth: -1
                strokeColor: "transparent"
                fillColor: Theme.withOpacity(Theme.brandMint, 0.22)
                startX: corner.topX
                startY: 0
                PathLine { x: corner.w - 24; y: 0 }
                PathArc { x: corner.w; y: 24; radiusX: 24; radiusY: 24 }
                PathLine { x: corner.w; y: corner.sideY }
                PathArc { x: corner.topX; y: 0; radiusX: 70; radiusY: 70 }
            }
        }
    }

    contentItem: Item {
        RowLayout {
            id: content

            x: 18
            y: 18
            width: parent.width - 36
            spacing: 14

            RobotAvatarView {
                objectName: "homeRobot"
                Layout.alignment: Qt.AlignVCenter
                robot: header.robot
                mood: RobotMood.Waving
                size: 76
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4

                Text {
                    objectName: "companionNameLine"
                    Layout.fillWidth: true
                    text: header.nameLine
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font.pixelSize: 12
                    font.bold: true
                    color: Theme.brandCaption
                }
                Text {
                    objectName: "companionGreeting"
                    Layout.fillWidth: true
                    text: card.greeting
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 19
                    font.weight: Font.Black
                    color: "white"
                }
                Text {
                    Layout.fillWidth: true
                    text: header.tagline
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 12
                    color: Theme.withOpacity("white", 0.8)
                }
                HeroStatsRow {
                    objectName: "heroStats"
                    Layout.topMargin: 2
                    session: card.session
                }
                Rectangle {
                    Layout.topMargin: 4
                    implicitWidth: chip.implicitWidth + 28
                    implicitHeight: chip.implicitHeight + 12
                    radius: height / 2
                    color: "white"

                    Text {
                        id: chip

                        anchors.centerIn: parent
                        text: header.chatChip
                        textFormat: Text.PlainText
                        font.pixelSize: 13
                        font.bold: true
                        color: Theme.brandNavy
                    }
                }
            }
        }
    }

    HoverHandler {
        cursorShape: Qt.PointingHandCursor
    }

    FocusRing {}
}
