import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel

// A modal alert: title, a message shown as plain text and one button. However it is closed (the button,
// Escape), it ends with `dismissed`. Open it by binding `visible`.
T.Popup {
    id: alert

    property string title
    property string message
    property string buttonText: "好"
    signal dismissed()

    anchors.centerIn: parent
    implicitWidth: 270
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    padding: 0
    modal: true
    dim: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.35)
    }

    enter: Transition {
        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 150 }
        NumberAnimation { property: "scale"; from: 1.08; to: 1; duration: 150; easing.type: Easing.OutQuad }
    }
    exit: Transition {
        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: 120 }
    }

    background: Rectangle {
        radius: 14
        color: "#F7F7F8"
    }

    contentItem: ColumnLayout {
        spacing: 0

        ColumnLayout {
            Layout.fillWidth: true
            Layout.margins: 18
            spacing: 4

            Text {
                Layout.fillWidth: true
                text: alert.title
                textFormat: Text.PlainText
                font.pixelSize: 17
                font.bold: true
                color: "black"
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }

            Text {
                Layout.fillWidth: true
                visible: alert.message.length > 0
                text: alert.message
                textFormat: Text.PlainText
                font.pixelSize: 13
                color: "black"
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Qt.rgba(0, 0, 0, 0.12)
        }

        T.Button {
            id: button

            Layout.fillWidth: true
            implicitHeight: 44
            text: alert.buttonText
            focus: true
            onClicked: alert.close()
            Keys.onReturnPressed: alert.close()
            Keys.onEnterPressed: alert.close()

            contentItem: Text {
                text: button.text
                font.pixelSize: 17
                font.bold: true
                color: Theme.brandTeal
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                radius: 14
                color: button.down ? Qt.rgba(0, 0, 0, 0.06) : "transparent"
            }
        }
    }

    onClosed: dismissed()
}
