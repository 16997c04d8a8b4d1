import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Guest

// The detail sheet of one guest-home feature: picture, title and description, the selling points, and at
// most one action below them (sign in, a web page, the hotline). Everything shown comes from `model`. Its
// presenter makes and opens one per showing, at the medium height; however it is closed, the model hears.
BottomSheet {
    id: root

    // The guest pages keep their brand page in either scheme.
    pageColor: Theme.brandMist

    required property FeatureDetailViewModel model

    title: ""
    closeLabel: model.closeLabel
    detent: SheetDetent.Medium
    // The points and the action fit without scrolling at the medium height of most windows.
    mediumMinimum: 440
    // Edge to edge, the content column centred in it, as the guest home's other surfaces.
    maximumWidth: Infinity
    onClosed: model.close()

    ColumnLayout {
        id: column

        x: (parent.width - width) / 2
        width: Math.min(parent.width - 40, 640)
        spacing: 16

        Item {
            Layout.preferredHeight: 4
        }

        // Header
        RowLayout {
            Layout.fillWidth: true
            spacing: 14

            // The picture's place stays when the picture is missing.
            RoundedPicture {
                objectName: "detailImage"
                Layout.preferredWidth: 64
                Layout.preferredHeight: 64
                Layout.alignment: Qt.AlignVCenter
                source: root.model.imageSource
                radius: 16
            }
            ColumnLayout {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignVCenter
                spacing: 4

                Text {
                    Layout.fillWidth: true
                    text: root.model.title
                    textFormat: Text.PlainText
                    font.pixelSize: 20
                    font.weight: Font.Black
                    color: Theme.brandNavy
                    wrapMode: Text.Wrap
                }
                Text {
                    Layout.fillWidth: true
                    text: root.model.detail
                    textFormat: Text.PlainText
                    font.pixelSize: 15
                    color: Theme.brandMuted
                    wrapMode: Text.Wrap
                }
            }
        }

        // Selling points
        Rectangle {
            objectName: "pointsBox"
            Layout.fillWidth: true
            implicitHeight: points.implicitHeight + 32
            radius: 18
            color: "white"

            ColumnLayout {
                id: points

                x: 16
                y: 16
                width: parent.width - 32
                spacing: 12

                Repeater {
                    model: root.model.points

                    RowLayout {
                        id: point

                        required property string modelData

                        Layout.fillWidth: true
                        spacing: 10

                        SymbolIcon {
                            Layout.alignment: Qt.AlignTop
                            Layout.topMargin: 2
                            symbol: "checkmark.circle.fill"
                            size: 18
                            color: Theme.brandTeal
                        }
                        Text {
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignTop
                            text: point.modelData
                            textFormat: Text.PlainText
                            font.pixelSize: 15
                            color: "black"
                            wrapMode: Text.Wrap
                        }
                    }
                }
            }
        }

        BrandPrimaryButton {
            objectName: "detailAction"
            visible: root.model.actionKind !== FeatureDetailViewModel.NoAction
            text: root.model.actionLabel
            styleEnabled: true
            onClicked: root.model.trigger()
        }

        GuestLinkFallback {
            Layout.fillWidth: true
            visible: root.model.fallbackVisible
            hint: root.model.fallbackHint
            value: root.model.fallbackValue
        }

        Item {
            Layout.preferredHeight: 4
        }
    }
}
