import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Learning

// What the lesson page shows when the lesson could not be loaded: the hourglass while the server is still
// preparing it, the warning with the server's message otherwise; "重新加载" tries again.
Item {
    id: root

    required property LearningItemDetailViewModel viewModel

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(implicitWidth, root.width - 64)
        spacing: 14

        // A symbol in its tint, or a white symbol on a disc of the tint.
        Rectangle {
            Layout.alignment: Qt.AlignHCenter
            implicitWidth: 56
            implicitHeight: 56
            radius: 28
            color: root.viewModel.notReadySymbolOnDisc ? root.viewModel.notReadyTint : "transparent"

            SymbolIcon {
                objectName: "notReadySymbol"
                anchors.centerIn: parent
                symbol: root.viewModel.notReadySymbol
                size: root.viewModel.notReadySymbolOnDisc ? 34 : 56
                color: root.viewModel.notReadySymbolOnDisc ? "white" : root.viewModel.notReadyTint
            }
        }

        Text {
            objectName: "notReadyTitle"
            Layout.fillWidth: true
            text: root.viewModel.notReadyTitle
            textFormat: Text.PlainText
            font.pixelSize: 20
            font.bold: true
            color: Theme.color(Theme.Label, false)
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }

        Text {
            objectName: "notReadyMessage"
            Layout.fillWidth: true
            Layout.maximumWidth: 520
            Layout.alignment: Qt.AlignHCenter
            text: root.viewModel.notReadyMessage
            textFormat: Text.PlainText
            font.pixelSize: 15
            color: Theme.color(Theme.SecondaryLabel, false)
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }

        T.Button {
            id: reload

            objectName: "reloadButton"
            Layout.alignment: Qt.AlignHCenter
            implicitWidth: reloadText.implicitWidth + 28
            implicitHeight: reloadText.implicitHeight + 14
            text: root.viewModel.reloadLabel
            onClicked: root.viewModel.reload()

            background: Rectangle {
                radius: 8
                color: Theme.brandTeal
                opacity: reload.down ? 0.8 : 1
            }
            contentItem: Text {
                id: reloadText

                text: reload.text
                textFormat: Text.PlainText
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: "white"
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }

            HoverHandler {
                cursorShape: Qt.PointingHandCursor
            }

            FocusRing {}
        }
    }
}
