import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Onboarding

// The rest notice over the whole window while the server says study is blocked now or today's time is used
// up. It is a modal popup rather than an item so that it also lies over every sheet and menu the tab shell
// has open, and it holds the keyboard: nothing beneath can be used while it shows. It has no control of its
// own; it goes when the server lifts it. Give it a `z` above the shell's popups and below the gate's own
// questionnaire and profile sheet.
T.Popup {
    id: overlay

    property string message
    property string usageLine

    x: 0
    y: 0
    width: parent ? parent.width : 0
    height: parent ? parent.height : 0
    modal: true
    dim: false
    focus: true
    closePolicy: T.Popup.NoAutoClose
    padding: 32

    // The modality above keeps the mouse from what lies beneath; this keeps the keyboard from it too (an alert
    // beneath must not close on Escape unseen).
    ModalKeyboardHold {
        popup: overlay
        active: overlay.visible
    }

    // Translucent enough to show that the app is still there underneath, opaque enough to read on.
    background: Rectangle {
        color: Theme.dark ? Qt.rgba(0.11, 0.11, 0.12, 0.9) : Qt.rgba(0.96, 0.97, 0.97, 0.9)
    }

    contentItem: Item {
        Column {
            anchors.centerIn: parent
            width: Math.min(parent.width, 440)
            spacing: 16

            SymbolIcon {
                anchors.horizontalCenter: parent.horizontalCenter
                symbol: "moon.zzz.fill"
                size: 48
                color: Theme.label
            }
            Text {
                objectName: "restTitle"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: "该休息了"
                font.pixelSize: 22
                font.bold: true
                color: Theme.label
            }
            Text {
                objectName: "restMessage"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                textFormat: Text.PlainText
                text: overlay.message
                font.pixelSize: 17
                color: Theme.secondaryLabel
            }
            Text {
                objectName: "restUsage"
                width: parent.width
                visible: overlay.usageLine !== ""
                horizontalAlignment: Text.AlignHCenter
                text: overlay.usageLine
                font.pixelSize: 13
                color: Theme.secondaryLabel
            }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: "可在「我的 › 学习时长」里查看和调整。"
                font.pixelSize: 13
                color: Theme.secondaryLabel
            }
        }
    }
}
