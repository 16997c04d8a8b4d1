import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Robots

// The header card of a robot companion on the brand backdrop: the robot in its mood ring, its name with an
// "AI" tag, the tagline (full layout), a status line and the reply-language chip. `compact` puts it all in
// one row; otherwise it is one centred column. The ring pulses while the robot thinks or speaks.
Item {
    id: root

    property var robot: ({})
    property string name: ""
    property int mood: RobotMood.Idle
    property bool compact: false
    property string status: ""
    property string languageLabel: ""
    property string languageFull: ""
    // A fixed moment for still pictures; negative follows the clock.
    property real frameTime: -1

    implicitWidth: 360
    implicitHeight: content.implicitHeight + stage.paddingTop + stage.paddingBottom

    RobotStageModel {
        id: stage

        robot: root.robot
        mood: root.mood
        compact: root.compact
    }

    Accessible.role: Accessible.StaticText
    Accessible.name: root.name + ", AI, " + root.status + ", " + root.languageFull

    // The card and its shadow, with room around it for the shadow; on the software renderer shown as a still
    // picture of it (below).
    Item {
        id: cardShapes

        readonly property real reach: stage.shadowBlur + stage.shadowOffset + 4

        x: -reach
        y: -reach
        width: root.width + 2 * reach
        height: root.height + 2 * reach
        visible: !cardPicture.shown

        Item {
            id: card

            x: cardShapes.reach
            y: cardShapes.reach
            width: root.width
            height: root.height

            BrandShadow {
                anchors.fill: parent
                cornerRadius: stage.cornerRadius
                color: Theme.withOpacity(Theme.brandNavyDeep, 0.28)
                blur: stage.shadowBlur
                offsetY: stage.shadowOffset
            }
            BrandGradient {
                anchors.fill: parent
                radius: stage.cornerRadius
            }
            RobotStageGlow {
                anchors.fill: parent
                radius: stage.cornerRadius
                color: Theme.withOpacity(stage.robotColor, 0.55)
                centerX: width
                centerY: 0
                endRadius: stage.robotGlowRadius
            }
            RobotStageGlow {
                anchors.fill: parent
                radius: stage.cornerRadius
                color: Theme.withOpacity(Theme.brandMint, 0.25)
                centerX: 0
                centerY: height
                endRadius: stage.mintGlowRadius
            }
            RobotStageOutline {
                anchors.fill: parent
                radius: stage.cornerRadius
            }
        }
    }

    // On the software renderer the card (its shadow, gradient, glows and edge) is shown as a still picture of
    // it, taken again when its size or look changes. The robot on it redraws many times a second, and each
    // redraw repaints what lies under the robot: then one picture, rather than a dozen translucent shapes of
    // which the software renderer redraws the curved ones whole, every time.
    Image {
        id: cardPicture

        readonly property bool still: GraphicsInfo.api === GraphicsInfo.Software
        readonly property bool shown: still && status === Image.Ready
        readonly property var look: [cardShapes.width, cardShapes.height, stage.robotColor, stage.cornerRadius,
                                     stage.mintGlowRadius, stage.robotGlowRadius]
        property var taken: null

        function retake() {
            if (still && cardShapes.Window.window && cardShapes.width > 0 && cardShapes.height > 0)
                cardShapes.grabToImage(result => { taken = result; source = result.url });
        }

        x: cardShapes.x
        y: cardShapes.y
        width: cardShapes.width
        height: cardShapes.height
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

    Component {
        id: ringedAvatar

        Item {
            implicitWidth: stage.avatarSize * 1.1
            implicitHeight: stage.avatarSize * 1.1

            RobotMoodRing {
                anchors.centerIn: parent
                width: stage.avatarSize * 1.4
                height: stage.avatarSize * 1.4
                avatarSize: stage.avatarSize
                color: stage.robotColor
                mood: root.mood
                reduceMotion: MotionSettings.reduceMotion
                frameTime: root.frameTime
            }
            RobotAvatarView {
                anchors.centerIn: parent
                robot: root.robot
                mood: root.mood
                size: stage.avatarSize * 0.86
                frameTime: root.frameTime
            }
        }
    }

    Component {
        id: nameRow

        Row {
            spacing: 6

            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: root.name
                textFormat: Text.PlainText
                font.pixelSize: stage.nameSize
                font.weight: Font.Black
                color: "white"
            }
            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: aiTag.implicitWidth + 12
                height: aiTag.implicitHeight + 4
                radius: height / 2
                color: Theme.brandAmber

                Text {
                    id: aiTag

                    anchors.centerIn: parent
                    text: "AI"
                    font.pixelSize: 10
                    font.weight: Font.Black
                    color: Theme.brandNavyDeep
                }
            }
        }
    }

    Component {
        id: statusRow

        Row {
            spacing: 6

            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                width: 7
                height: 7
                radius: 3.5
                color: stage.dotColor

                Rectangle {
                    anchors.centerIn: parent
                    width: 13
                    height: 13
                    radius: 6.5
                    z: -1
                    color: Theme.withOpacity(stage.dotColor, 0.35)
                }
            }
            Text {
                id: statusText

                anchors.verticalCenter: parent.verticalCenter
                width: Math.min(implicitWidth, root.width - 80)
                text: root.status
                textFormat: Text.PlainText
                font.pixelSize: 12
                font.weight: Font.Medium
                color: Qt.rgba(1, 1, 1, 0.85)
                maximumLineCount: 1
                elide: Text.ElideRight

                Behavior on text {
                    SequentialAnimation {
                        NumberAnimation { target: statusText; property: "opacity"; to: 0; duration: 100; easing.type: Easing.OutQuad }
                        PropertyAction {}
                        NumberAnimation { target: statusText; property: "opacity"; to: 1; duration: 100; easing.type: Easing.OutQuad }
                    }
                }
            }
        }
    }

    Component {
        id: languageChip

        Rectangle {
            implicitWidth: chipRow.implicitWidth + 18
            implicitHeight: chipRow.implicitHeight + 10
            width: implicitWidth
            height: implicitHeight
            radius: height / 2
            color: Qt.rgba(1, 1, 1, 0.16)
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.25)
            Accessible.role: Accessible.StaticText
            Accessible.name: root.languageFull

            Behavior on width {
                NumberAnimation { duration: 350; easing.type: Easing.OutBack; easing.overshoot: 0.6 }
            }

            Row {
                id: chipRow

                anchors.centerIn: parent
                spacing: 4

                SymbolIcon {
                    anchors.verticalCenter: parent.verticalCenter
                    symbol: "globe"
                    size: 10
                    font.bold: true
                    color: "white"
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: root.languageLabel
                    textFormat: Text.PlainText
                    font.pixelSize: 11
                    font.bold: true
                    color: "white"
                }
            }
        }
    }

    ColumnLayout {
        id: content

        x: stage.paddingHorizontal
        y: stage.paddingTop
        width: root.width - 2 * stage.paddingHorizontal
        spacing: root.compact ? 0 : 10

        // Compact: one row of avatar, texts, space and chip.
        RowLayout {
            visible: root.compact
            Layout.fillWidth: true
            spacing: 12

            Loader { sourceComponent: root.compact ? ringedAvatar : null }
            Column {
                Layout.alignment: Qt.AlignVCenter
                spacing: 4
                Loader { sourceComponent: root.compact ? nameRow : null }
                Loader { sourceComponent: root.compact ? statusRow : null }
            }
            Item { Layout.fillWidth: true }
            Loader { sourceComponent: root.compact ? languageChip : null }
        }

        // Full: the chip at the trailing edge, then the centred avatar, texts and the auto-language note.
        RowLayout {
            visible: !root.compact
            Layout.fillWidth: true

            Item { Layout.fillWidth: true }
            Loader { sourceComponent: root.compact ? null : languageChip }
        }
        Loader {
            visible: !root.compact
            Layout.alignment: Qt.AlignHCenter
            sourceComponent: root.compact ? null : ringedAvatar
        }
        Column {
            visible: !root.compact
            Layout.alignment: Qt.AlignHCenter
            spacing: 4

            Loader {
                anchors.horizontalCenter: parent.horizontalCenter
                sourceComponent: root.compact ? null : nameRow
            }
            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                visible: stage.showTagline
                text: stage.tagline
                textFormat: Text.PlainText
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: Theme.brandCaption
            }
            Loader {
                anchors.horizontalCenter: parent.horizontalCenter
                sourceComponent: root.compact ? null : statusRow
            }
        }
        Row {
            visible: !root.compact
            Layout.alignment: Qt.AlignHCenter
            spacing: 4

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                symbol: "globe"
                size: 11
                color: Qt.rgba(1, 1, 1, 0.7)
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: stage.autoLanguage
                textFormat: Text.PlainText
                font.pixelSize: 11
                font.weight: Font.Medium
                color: Qt.rgba(1, 1, 1, 0.7)
            }
        }
    }
}
