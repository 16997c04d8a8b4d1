import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Settings

// The gradient card at the top of the "我的" page: the avatar with the first character of the learner's
// name, the name, the profile chips (or a nudge to fill in the profile) and the daily-goal line. It loads
// the learning profile each time it comes on screen; it handles no taps.
Item {
    id: card

    property AppSession session
    readonly property alias viewModel: vm

    implicitHeight: content.implicitHeight + 40
    Accessible.role: Accessible.StaticText
    Accessible.name: vm.accessibleLabel

    ProfileHeaderCardViewModel {
        id: vm
        session: card.session
    }

    property bool ready: false
    // Covered by a pushed page, the card's page is hidden, and so is the card.
    readonly property bool onScreen: ready && visible && Window.window !== null
    onOnScreenChanged: onScreen ? vm.load() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { card.ready = true })

    BrandShadow {
        anchors.fill: parent
        cornerRadius: 24
        color: Theme.withOpacity(Theme.brandNavy, 0.28)
        blur: 14
        offsetY: 7
    }
    BrandGradient {
        anchors.fill: parent
        radius: 24
    }

    // A faint white circle 120 across, 220 in from the trailing edge and 70 down, cut at the card's edge.
    Item {
        anchors.fill: parent
        clip: true

        Rectangle {
            x: parent.width - width - 220
            y: 70
            width: 120
            height: 120
            radius: 60
            color: Theme.withOpacity("white", 0.06)
        }
    }

    // A mint circle 180 across, pushed 60 past the trailing edge and 60 above the top: only its part inside
    // the card is drawn, following the card's rounded corner.
    Shape {
        id: corner

        readonly property real w: width
        readonly property real r: 90
        readonly property real cx: w + 60 - r
        readonly property real cy: -60 + r
        readonly property real topX: cx - Math.sqrt(r * r - cy * cy)
        readonly property real sideY: cy + Math.sqrt(r * r - (w - cx) * (w - cx))

        anchors.fill: parent
        antialiasing: true
        ShapePath {
            strokeWidth: -1
            strokeColor: "transparent"
            fillColor: Theme.withOpacity(Theme.brandMint, 0.18)
            startX: corner.topX
            startY: 0
            PathLine { x: corner.w - 24; y: 0 }
            PathArc { x: corner.w; y: 24; radiusX: 24; radiusY: 24 }
            PathLine { x: corner.w; y: corner.sideY }
            PathArc { x: corner.topX; y: 0; radiusX: corner.r; radiusY: corner.r }
        }
    }

    ColumnLayout {
        id: content

        x: 20
        y: 20
        width: card.width - 40
        spacing: 14

        RowLayout {
            Layout.fillWidth: true
            spacing: 14

            Rectangle {
                objectName: "profileAvatar"
                Layout.alignment: Qt.AlignVCenter
                implicitWidth: 66
                implicitHeight: 66
                radius: 33
                color: Theme.withOpacity("white", 0.2)
                border.color: Theme.withOpacity(Theme.brandMint, 0.8)
                border.width: 2

                Text {
                    objectName: "profileInitial"
                    anchors.centerIn: parent
                    text: vm.initial
                    textFormat: Text.PlainText
                    font.pixelSize: 28
                    font.weight: Font.Black
                    color: "white"
                    Accessible.ignored: true
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignVCenter
                spacing: 6

                Text {
                    objectName: "profileName"
                    Layout.fillWidth: true
                    text: vm.displayName
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    font.pixelSize: 21
                    font.weight: Font.Black
                    color: "white"
                    Accessible.ignored: true
                }
                Flow {
                    objectName: "profileChips"
                    Layout.fillWidth: true
                    visible: vm.hasDetails
                    spacing: 6

                    Repeater {
                        model: vm.details

                        Rectangle {
                            required property string modelData

                            objectName: "profileChip"
                            implicitWidth: chipText.implicitWidth + 16
                            implicitHeight: chipText.implicitHeight + 6
                            radius: height / 2
                            color: Theme.withOpacity("white", 0.16)

                            Text {
                                id: chipText

                                anchors.centerIn: parent
                                text: parent.modelData
                                textFormat: Text.PlainText
                                font.pixelSize: 11
                                font.weight: Font.DemiBold
                                color: "white"
                                Accessible.ignored: true
                            }
                        }
                    }
                }
                Text {
                    objectName: "profileHint"
                    Layout.fillWidth: true
                    visible: !vm.hasDetails
                    text: vm.hint
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 13
                    color: Theme.withOpacity("white", 0.8)
                    Accessible.ignored: true
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 6

            SymbolIcon {
                symbol: "sparkles"
                size: 12
                color: Theme.brandAmber
            }
            Text {
                objectName: "profileGoal"
                Layout.fillWidth: true
                text: vm.goalLine
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: 12
                font.weight: Font.Medium
                color: Theme.brandCaption
                Accessible.ignored: true
            }
        }
    }
}
