import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Learning

// The end of a lesson's content: the completion button for a ready lesson (spinner and disabled while the
// completion runs), the "completed" label for a finished one, nothing otherwise.
Item {
    id: root

    required property LearningItemDetailViewModel viewModel
    readonly property bool showsButton: viewModel.completionControl === LearningItemDetailViewModel.CompleteButton
    readonly property bool showsLabel: viewModel.completionControl === LearningItemDetailViewModel.CompletedLabel

    visible: showsButton || showsLabel
    implicitHeight: showsButton ? button.implicitHeight : showsLabel ? label.implicitHeight + 20 : 0

    BrandShadow {
        anchors.fill: button
        visible: button.visible
        cornerRadius: 16
        color: Qt.rgba(Theme.brandTeal.r, Theme.brandTeal.g, Theme.brandTeal.b, 0.35)
        blur: 10
        offsetY: 5
    }

    T.Button {
        id: button

        objectName: "completeButton"
        anchors.left: parent.left
        anchors.right: parent.right
        visible: root.showsButton
        enabled: !root.viewModel.completing
        implicitHeight: buttonLabel.implicitHeight + 30
        text: root.viewModel.completeLabel
        onClicked: root.viewModel.complete()

        background: Rectangle {
            radius: 16
            gradient: BrandGradientAlt {}
            opacity: button.enabled ? (button.down ? 0.85 : 1) : 0.6
        }

        contentItem: Item {
            Row {
                id: buttonLabel

                anchors.centerIn: parent
                spacing: 8

                BrandSpinner {
                    anchors.verticalCenter: parent.verticalCenter
                    visible: root.viewModel.completing
                    color: "white"
                    size: 18
                }
                SymbolIcon {
                    anchors.verticalCenter: parent.verticalCenter
                    symbol: root.viewModel.completeSymbol
                    size: 18
                    color: "white"
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: button.text
                    textFormat: Text.PlainText
                    font.pixelSize: 16
                    font.bold: true
                    color: "white"
                }
            }
        }

        HoverHandler {
            enabled: button.enabled
            cursorShape: Qt.PointingHandCursor
        }

        FocusRing {}
    }

    Row {
        id: label

        objectName: "completedLabel"
        anchors.centerIn: parent
        visible: root.showsLabel
        spacing: 6

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            symbol: root.viewModel.doneSymbol
            size: 17
            color: Theme.brandTeal
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: root.viewModel.doneLabel
            textFormat: Text.PlainText
            font.pixelSize: 17
            font.weight: Font.DemiBold
            color: Theme.brandTeal
        }
    }
}
