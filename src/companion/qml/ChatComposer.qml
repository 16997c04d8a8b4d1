import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Companion

// The composer: a field that grows from one to five lines (Return starts a new line; only the button sends)
// and the round button that sends, or stops the reply that streams.
Item {
    id: composer

    required property var chat // the CompanionChatViewModel

    implicitHeight: frame.implicitHeight + 18

    BrandShadow {
        anchors.fill: frame
        cornerRadius: 25
        color: Theme.withOpacity(Theme.brandNavy, 0.1)
        blur: 14
        offsetY: 4
    }
    Rectangle {
        id: frame

        x: 14
        y: 8
        width: parent.width - 28
        implicitHeight: Math.max(50, field.implicitHeight)
        radius: 25
        color: Theme.secondaryGroupedBackground
        border.color: Theme.withOpacity(Theme.label, 0.08)

        RowLayout {
            anchors.fill: parent
            spacing: 8

            ScrollView {
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.maximumHeight: 5 * 20 + 26

                TextArea {
                    id: field

                    objectName: "composerField"
                    text: composer.chat.input
                    onTextChanged: if (text !== composer.chat.input) composer.chat.input = text
                    placeholderText: composer.chat.placeholderText
                    placeholderTextColor: Theme.secondaryLabel
                    textFormat: TextEdit.PlainText
                    wrapMode: TextEdit.Wrap
                    font.pixelSize: 15
                    color: Theme.label
                    leftPadding: 18
                    topPadding: 13
                    bottomPadding: 13
                    background: null
                    Accessible.name: placeholderText

                    FocusRing {
                        activatesOnKeys: false
                    }
                }
            }

            T.AbstractButton {
                id: sendButton

                objectName: "sendButton"
                readonly property int face: composer.chat.sendButton
                Layout.alignment: Qt.AlignBottom
                Layout.rightMargin: 6
                Layout.bottomMargin: 6
                implicitWidth: 38
                implicitHeight: 38
                enabled: face !== CompanionChatViewModel.SendDisabled
                Accessible.name: composer.chat.sendButtonLabel
                onClicked: composer.chat.sendOrStop()

                background: Item {
                    BrandShadow {
                        anchors.fill: parent
                        visible: sendButton.face === CompanionChatViewModel.Send
                                 || (sendButton.face === CompanionChatViewModel.Stop && composer.chat.canSend)
                        cornerRadius: 19
                        color: Theme.withOpacity(Theme.brandTeal, 0.35)
                        blur: 6
                        offsetY: 3
                    }
                    Rectangle {
                        anchors.fill: parent
                        radius: 19
                        color: sendButton.face === CompanionChatViewModel.Stop ? Theme.orange : Theme.gray4
                        Behavior on color { ColorAnimation { duration: 150; easing.type: Easing.OutQuad } }
                    }
                    Rectangle {
                        anchors.fill: parent
                        radius: 19
                        visible: sendButton.face === CompanionChatViewModel.Send
                        gradient: BrandGradientAlt {}
                    }
                }
                contentItem: Item {
                    SymbolIcon {
                        anchors.centerIn: parent
                        symbol: sendButton.face === CompanionChatViewModel.Stop ? "stop.fill" : "arrow.up"
                        size: 18
                        color: "white"
                    }
                }
                HoverHandler { cursorShape: Qt.PointingHandCursor }

                FocusRing {}
            }
        }
    }
}
