import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui

// The guest home's pull-down page menu: section headers, separators and entries with their symbols, as the
// model lists them. Choosing an entry closes the menu and hands its index to `triggered`.
T.Popup {
    id: menu

    property var entries: []
    signal triggered(int index)

    implicitWidth: 248
    implicitHeight: contentItem.implicitHeight + topPadding + bottomPadding
    padding: 6
    modal: false
    focus: true
    closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutside

    enter: Transition {
        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 120 }
        NumberAnimation { property: "scale"; from: 0.94; to: 1; duration: 150; easing.type: Easing.OutQuad }
    }
    exit: Transition {
        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: 100 }
    }
    transformOrigin: T.Popup.TopRight

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
            color: "#FAFBFB"
            border.color: Qt.rgba(0, 0, 0, 0.06)
        }
    }

    contentItem: ColumnLayout {
        spacing: 0

        Repeater {
            model: menu.entries

            delegate: Loader {
                id: row

                required property var modelData
                required property int index

                Layout.fillWidth: true
                sourceComponent: modelData.kind === "header" ? header
                               : modelData.kind === "separator" ? separator
                               : item

                Component {
                    id: header
                    Text {
                        leftPadding: 12
                        topPadding: 6
                        bottomPadding: 4
                        text: row.modelData.title
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        font.weight: Font.DemiBold
                        color: Theme.brandMuted
                    }
                }
                Component {
                    id: separator
                    Item {
                        implicitHeight: 9
                        Rectangle {
                            anchors.verticalCenter: parent.verticalCenter
                            width: parent.width
                            height: 1
                            color: Theme.brandLine
                        }
                    }
                }
                Component {
                    id: item
                    T.ItemDelegate {
                        id: entry

                        objectName: "menuEntry" + row.index
                        implicitHeight: 38
                        leftPadding: 12
                        rightPadding: 12
                        text: row.modelData.title
                        onClicked: {
                            menu.close();
                            menu.triggered(row.index);
                        }

                        background: Rectangle {
                            radius: 9
                            color: entry.down ? Qt.rgba(Theme.brandTeal.r, Theme.brandTeal.g, Theme.brandTeal.b, 0.18)
                                 : entry.hovered ? Qt.rgba(Theme.brandTeal.r, Theme.brandTeal.g, Theme.brandTeal.b, 0.1)
                                 : "transparent"
                        }
                        contentItem: RowLayout {
                            spacing: 10
                            SymbolIcon {
                                Layout.preferredWidth: 20
                                symbol: row.modelData.symbol
                                size: 18
                                color: Theme.brandTeal
                            }
                            Text {
                                Layout.fillWidth: true
                                text: entry.text
                                textFormat: Text.PlainText
                                font.pixelSize: 15
                                color: Theme.brandNavy
                                elide: Text.ElideRight
                            }
                        }

                        FocusRing {}
                    }
                }
            }
        }
    }
}
