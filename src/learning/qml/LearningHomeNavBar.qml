import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui

// The learning tab's title bar: the title in the middle and, while there is a path, the "…" menu at the
// trailing end with the view-model's two entries.
NavigationBar {
    id: bar

    property bool menuVisible: false
    property string menuSymbol
    property string switchLabel
    property string refreshLabel
    signal switchTriggered()
    signal refreshTriggered()

    trailing: [
        T.AbstractButton {
            id: menuButton

            objectName: "learningMenuButton"
            implicitWidth: 40
            implicitHeight: 40
            visible: bar.menuVisible
            Accessible.name: "更多"
            onClicked: menu.open()

            contentItem: SymbolIcon {
                symbol: bar.menuSymbol
                size: 24
                color: Theme.brandTeal
                opacity: menuButton.down ? 0.5 : 1
            }
            background: Item {}

            HoverHandler {
                cursorShape: Qt.PointingHandCursor
            }
        }
    ]

    T.Popup {
        id: menu

        objectName: "learningMenu"
        x: bar.width - width - 10
        y: bar.height - 4
        implicitWidth: 200
        implicitHeight: entries.implicitHeight + topPadding + bottomPadding
        padding: 6
        focus: true
        closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutside
        transformOrigin: T.Popup.TopRight

        enter: Transition {
            NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 120 }
            NumberAnimation { property: "scale"; from: 0.94; to: 1; duration: 150; easing.type: Easing.OutQuad }
        }
        exit: Transition {
            NumberAnimation { property: "opacity"; from: 1; to: 0; duration: 100 }
        }

        background: Item {
            BrandShadow {
                anchors.fill: parent
                cornerRadius: 14
                color: Qt.rgba(0, 0, 0, 0.18)
                blur: 18
                offsetY: 8
            }
            Rectangle {
                anchors.fill: parent
                radius: 14
                color: Theme.secondaryGroupedBackground
                border.color: Qt.rgba(0, 0, 0, 0.06)
            }
        }

        contentItem: ColumnLayout {
            id: entries

            spacing: 0

            Repeater {
                model: [
                    { "label": bar.switchLabel, "name": "switchEntry" },
                    { "label": bar.refreshLabel, "name": "refreshEntry" }
                ]

                T.AbstractButton {
                    id: entry

                    required property var modelData
                    required property int index

                    objectName: modelData.name
                    Layout.fillWidth: true
                    implicitHeight: 44
                    text: modelData.label
                    onClicked: {
                        menu.close()
                        if (index === 0)
                            bar.switchTriggered()
                        else
                            bar.refreshTriggered()
                    }

                    contentItem: Text {
                        leftPadding: 12
                        text: entry.text
                        textFormat: Text.PlainText
                        font.pixelSize: 16
                        verticalAlignment: Text.AlignVCenter
                        color: Theme.label
                    }
                    background: Rectangle {
                        radius: 8
                        color: entry.down || entry.hovered ? Qt.rgba(0, 0, 0, 0.06) : "transparent"
                    }
                }
            }
        }
    }
}
