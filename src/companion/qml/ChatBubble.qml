import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Platform
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Robots
import Quorvel.Companion

// One entry of the conversation as one row: a text bubble (with its hint tag, speak button, references and
// hint unlock), a confirm card, a crisis card with its help lines, or an error bubble. What shows is worked
// out by the conversation's view-model; the row lays it out.
Item {
    id: row

    required property var chat // the CompanionChatViewModel
    required property string messageId
    required property bool fromLearner
    required property string kindName
    required property string displayText
    required property bool showsTypingDots
    required property string hintTag
    required property bool speakable
    required property bool canUnlock
    required property string unlockLabel
    required property var citations
    required property string cardDisplayTitle
    required property string cardSummary
    required property string text
    required property var crisisLines
    required property var crisisNumbers

    property real frameTime: -1
    readonly property bool speaking: row.chat.speakingId === row.messageId
    readonly property var strings: chat.strings
    readonly property bool textKind: kindName === "text"
    // The base of the chat's backdrop, which the translucent tags and buttons of a row show through.
    readonly property color backdrop: Theme.dark ? Theme.systemBackground : Theme.brandMist

    implicitHeight: content.implicitHeight
    width: ListView.view ? ListView.view.width - 32 : 320
    x: 16

    RowLayout {
        id: content

        width: parent.width
        spacing: 8

        Item {
            visible: row.fromLearner
            Layout.fillWidth: true
            Layout.minimumWidth: 48
        }

        RobotAvatarView {
            visible: !row.fromLearner && row.textKind
            Layout.alignment: Qt.AlignBottom
            Layout.preferredWidth: 34
            Layout.preferredHeight: 34
            size: 34
            robot: row.chat.robot
            mood: row.speaking ? RobotMood.Speaking : RobotMood.Idle
            frameTime: row.frameTime
        }

        Loader {
            id: body

            Layout.alignment: row.fromLearner ? Qt.AlignRight | Qt.AlignBottom : Qt.AlignLeft | Qt.AlignBottom
            Layout.fillWidth: row.kindName === "crisis"
            // Beside the 48 pt before a learner's text, or the avatar and the 32 pt after an answer; a crisis
            // card has no avatar and takes the rest of the row.
            Layout.maximumWidth: row.kindName === "confirm" ? 320 + 42
                               : row.kindName === "crisis" ? Math.max(0, row.width - 40)
                               : Math.max(0, row.width - (row.fromLearner ? 56 : 82))
            sourceComponent: row.kindName === "confirm" ? confirmCard
                           : row.kindName === "crisis" ? crisisCard
                           : row.kindName === "error" ? errorBubble
                           : textColumn
        }

        Item {
            visible: !row.fromLearner
            Layout.fillWidth: row.kindName !== "crisis"
            Layout.minimumWidth: 32
        }
    }

    Component {
        id: textColumn

        ColumnLayout {
            spacing: 4

            // Hint tag.
            Rectangle {
                id: tag

                visible: row.hintTag.length > 0
                Layout.alignment: Qt.AlignLeft
                implicitWidth: tagRow.implicitWidth + 18
                implicitHeight: tagRow.implicitHeight + 8
                radius: height / 2
                color: Theme.withOpacity(Theme.brandTeal, 0.12)

                Row {
                    id: tagRow

                    anchors.centerIn: parent
                    spacing: 4
                    SymbolIcon {
                        symbol: "lightbulb.max"
                        size: 12
                        color: Theme.brandTeal
                    }
                    Text {
                        text: row.hintTag
                        textFormat: Text.PlainText
                        font.pixelSize: 11
                        font.bold: true
                        color: Theme.legible(Theme.accent, Theme.over(tag.color, row.backdrop))
                    }
                }
            }

            // The bubble.
            Item {
                id: bubble

                readonly property real maxTextWidth: Math.max(40, body.Layout.maximumWidth - 30)

                Layout.alignment: row.fromLearner ? Qt.AlignRight : Qt.AlignLeft
                implicitWidth: (row.showsTypingDots ? dots.implicitWidth : bubbleText.contentWidth) + 30
                implicitHeight: (row.showsTypingDots ? 20 : bubbleText.contentHeight) + 24

                BrandShadow {
                    anchors.fill: parent
                    cornerRadius: 16
                    color: row.fromLearner ? Theme.withOpacity(Theme.brandTeal, 0.25)
                                           : Theme.withOpacity(Theme.brandNavy, 0.07)
                    blur: 8
                    offsetY: 3
                }
                BubbleShape {
                    visible: !row.fromLearner
                    anchors.fill: parent
                    bottomLeft: 6
                    fillColor: Theme.secondaryGroupedBackground
                    strokeColor: Theme.withOpacity(row.chat.robotColor, Theme.dark ? 0.35 : 0.18)
                }
                BubbleShape {
                    visible: row.fromLearner
                    anchors.fill: parent
                    bottomRight: 6
                    fillColor: Theme.brandTeal
                    fillColorEnd: Theme.brandNavy
                }
                TypingDots {
                    id: dots
                    visible: row.showsTypingDots
                    anchors.centerIn: parent
                }
                // The text wraps at the widest the row allows; the bubble hugs the lines it makes. A streaming
                // answer takes its new text at most once a frame: laying out a long text again for every
                // piece of a few characters would cost more than a frame.
                TextEdit {
                    id: bubbleText

                    property string shown

                    objectName: "bubbleText"
                    Component.onCompleted: shown = row.displayText
                    visible: !row.showsTypingDots
                    x: 15
                    y: 12
                    width: bubble.maxTextWidth
                    text: shown
                    textFormat: TextEdit.PlainText
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.Wrap
                    font.pixelSize: 15
                    color: row.fromLearner ? "white" : Theme.label
                    selectionColor: Theme.withOpacity(Theme.brandTeal, 0.35)

                    Connections {
                        target: row
                        function onDisplayTextChanged() {
                            if (!frame.running)
                                frame.start()
                        }
                    }
                    Timer {
                        id: frame
                        interval: 16
                        onTriggered: bubbleText.shown = row.displayText
                    }
                }
            }

            SpeakButton {
                visible: row.speakable
                Layout.alignment: Qt.AlignLeft
                text: row.displayText
                messageId: row.messageId
                scene: row.chat.scene
                chat: row.chat
                backdrop: row.backdrop
            }

            CitationCard {
                visible: !row.fromLearner && row.citations.length > 0
                Layout.alignment: Qt.AlignLeft
                items: row.citations
                title: row.strings.referencesTitle
            }

            // Hint unlock.
            T.AbstractButton {
                id: unlock

                objectName: "unlockHint"
                visible: row.canUnlock
                Layout.alignment: Qt.AlignLeft
                Layout.topMargin: 2
                implicitWidth: unlockRow.implicitWidth + 28
                implicitHeight: unlockRow.implicitHeight + 16
                Accessible.name: row.unlockLabel
                onClicked: row.chat.unlockHint(row.messageId)

                contentItem: Item {
                    Row {
                        id: unlockRow
                        anchors.centerIn: parent
                        spacing: 5
                        SymbolIcon {
                            symbol: "lightbulb.fill"
                            size: 13
                            color: "white"
                        }
                        Text {
                            text: row.unlockLabel
                            textFormat: Text.PlainText
                            font.pixelSize: 13
                            font.bold: true
                            color: "white"
                        }
                    }
                }
                background: Rectangle {
                    radius: height / 2
                    gradient: BrandGradientAlt {}
                    opacity: unlock.down ? 0.85 : 1
                }
                HoverHandler { cursorShape: Qt.PointingHandCursor }

                FocusRing {}
            }
        }
    }

    Component {
        id: confirmCard

        Item {
            implicitWidth: Math.min(320, cardColumn.implicitWidth + 28) + 42
            implicitHeight: cardColumn.implicitHeight + 28

            BrandShadow {
                x: 42
                width: parent.width - 42
                height: parent.height
                cornerRadius: 18
                color: Theme.withOpacity(Theme.brandNavy, 0.08)
                blur: 8
                offsetY: 3
            }
            Rectangle {
                x: 42
                width: parent.width - 42
                height: parent.height
                radius: 18
                color: Theme.secondaryGroupedBackground
                border.color: Theme.withOpacity(Theme.brandTeal, 0.35)
            }
            ColumnLayout {
                id: cardColumn

                x: 56
                y: 14
                width: parent.width - 42 - 28
                spacing: 8

                Row {
                    spacing: 4
                    SymbolIcon {
                        symbol: "checkmark.seal.fill"
                        size: 12
                        color: Theme.brandTeal
                    }
                    Text {
                        text: row.strings.needConfirm
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        font.bold: true
                        color: Theme.accent
                    }
                }
                Text {
                    Layout.fillWidth: true
                    text: row.cardDisplayTitle
                    textFormat: Text.PlainText
                    font.pixelSize: 16
                    font.bold: true
                    color: Theme.label
                    wrapMode: Text.Wrap
                }
                Text {
                    Layout.fillWidth: true
                    visible: text.length > 0
                    text: row.cardSummary
                    textFormat: Text.PlainText
                    font.pixelSize: 15
                    color: Theme.secondaryLabel
                    wrapMode: Text.Wrap
                }
                BrandPrimaryButton {
                    objectName: "viewConfirm"
                    Layout.fillWidth: true
                    text: row.strings.viewConfirm
                    font.pixelSize: 14
                    onClicked: row.chat.askConfirm(row.messageId)
                }
            }
        }
    }

    Component {
        id: crisisCard

        Rectangle {
            implicitWidth: 300
            implicitHeight: crisisColumn.implicitHeight + 32
            radius: 20
            color: Qt.rgba(1.0, 0.96, 0.94, 1)
            border.color: Qt.rgba(0.96, 0.76, 0.71, 1)

            ColumnLayout {
                id: crisisColumn

                x: 16
                y: 16
                width: parent.width - 32
                spacing: 10

                RowLayout {
                    spacing: 10
                    IconHeart {
                        Layout.preferredWidth: 44
                        Layout.preferredHeight: 44
                    }
                    Text {
                        Layout.fillWidth: true
                        text: row.strings.crisisTitle
                        textFormat: Text.PlainText
                        font.pixelSize: 17
                        font.weight: Font.Black
                        color: Qt.rgba(0.61, 0.24, 0.12, 1)
                        wrapMode: Text.Wrap
                    }
                }
                Text {
                    Layout.fillWidth: true
                    text: row.text
                    textFormat: Text.PlainText
                    font.pixelSize: 14
                    color: Qt.rgba(0.35, 0.17, 0.11, 1)
                    wrapMode: Text.Wrap
                }
                Repeater {
                    model: row.crisisLines

                    T.AbstractButton {
                        id: line

                        required property string modelData
                        required property int index

                        objectName: "crisisLine"
                        Layout.fillWidth: true
                        implicitHeight: lineRow.implicitHeight + 24
                        Accessible.name: modelData + " " + row.strings.call
                        onClicked: LinkOpener.open("tel:" + row.crisisNumbers[index])

                        contentItem: RowLayout {
                            id: lineRow

                            spacing: 8
                            SymbolIcon {
                                Layout.leftMargin: 14
                                symbol: "phone.fill"
                                size: 14
                                color: Qt.rgba(0.75, 0.34, 0.13, 1)
                            }
                            Text {
                                Layout.fillWidth: true
                                text: line.modelData
                                textFormat: Text.PlainText
                                font.pixelSize: 14
                                font.bold: true
                                color: Qt.rgba(0.75, 0.34, 0.13, 1)
                                elide: Text.ElideRight
                            }
                            Text {
                                Layout.rightMargin: 14
                                text: row.strings.call
                                textFormat: Text.PlainText
                                font.pixelSize: 13
                                font.bold: true
                                color: Qt.rgba(0.75, 0.34, 0.13, 1)
                            }
                        }
                        background: Rectangle {
                            radius: 12
                            color: line.down ? Qt.rgba(1, 0.93, 0.9, 1) : "white"
                        }
                        HoverHandler { cursorShape: Qt.PointingHandCursor }

                        FocusRing {}
                    }
                }
            }
        }
    }

    Component {
        id: errorBubble

        Rectangle {
            implicitWidth: errorRow.implicitWidth + 24
            implicitHeight: errorRow.implicitHeight + 24
            radius: 14
            color: Theme.withOpacity(Theme.orange, 0.1)

            RowLayout {
                id: errorRow

                x: 12
                y: 12
                width: Math.min(implicitWidth, body.Layout.maximumWidth - 24)
                spacing: 6
                SymbolIcon {
                    Layout.alignment: Qt.AlignTop
                    symbol: "exclamationmark.triangle"
                    size: 13
                    color: Theme.orange
                }
                Text {
                    Layout.fillWidth: true
                    text: row.text
                    textFormat: Text.PlainText
                    font.pixelSize: 13
                    color: Theme.legible(Theme.orange, Theme.over(Theme.withOpacity(Theme.orange, 0.1), row.backdrop))
                    wrapMode: Text.Wrap
                }
            }
        }
    }
}
