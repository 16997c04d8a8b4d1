import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Robots

// Reads one reply aloud, or stops it while it is being read: `text` (the button's own, never shown: the
// button shows its label), known to the speech player by the message's id, in `scene`. The conversation (`chat`) hands it to the run's speech player with its session
// and gives the labels in the language in effect.
T.AbstractButton {
    id: button

    required property string messageId
    required property string scene
    required property var chat // the CompanionChatViewModel
    // What the button's translucent fill shows through.
    property color backdrop: Theme.systemBackground
    readonly property bool speaking: chat.speakingId === messageId

    implicitWidth: label.implicitWidth + 20
    implicitHeight: label.implicitHeight + 10
    Accessible.name: speaking ? chat.strings.stopSpeak : chat.strings.speakA11y
    onClicked: chat.toggleSpeech(text, messageId, scene)

    contentItem: Item {
        Row {
            id: label

            anchors.centerIn: parent
            spacing: 4
            SymbolIcon {
                id: icon

                symbol: button.speaking ? "stop.circle.fill" : "speaker.wave.2.fill"
                size: 13
                color: Theme.brandTeal
                // While it reads aloud the icon breathes (cheaply, on the item's own opacity).
                SequentialAnimation on opacity {
                    running: button.speaking && !MotionSettings.reduceMotion
                    loops: Animation.Infinite
                    onRunningChanged: if (!running) icon.opacity = 1
                    NumberAnimation { to: 0.35; duration: 450; easing.type: Easing.InOutSine }
                    NumberAnimation { to: 1; duration: 450; easing.type: Easing.InOutSine }
                }
            }
            Text {
                text: button.speaking ? button.chat.strings.stopSpeak : button.chat.strings.speak
                textFormat: Text.PlainText
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: Theme.legible(Theme.accent, Theme.over(fill.color, button.backdrop))
            }
        }
    }
    background: Rectangle {
        id: fill

        radius: height / 2
        color: Theme.withOpacity(Theme.brandTeal, button.speaking ? 0.16 : 0.08)
    }
    HoverHandler { cursorShape: Qt.PointingHandCursor }

    FocusRing {}
}
