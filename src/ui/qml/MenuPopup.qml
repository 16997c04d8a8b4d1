import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui

// A menu that drops from a control of a title bar: one row per entry ({ "text", "symbol", "destructive",
// "divided", "name" }: a destructive row is red, a divided row has a hairline above it). Choosing a row
// closes the menu and reports its position.
T.Popup {
    id: menu

    property var entries: []
    signal triggered(int index)

    implicitWidth: 220
    implicitHeight: rows.implicitHeight + topPadding + bottomPadding
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
        id: rows

        spacing: 0

        Repeater {
            model: menu.entries

            ColumnLayout {
                id: row

                required property var modelData
                required property int index

                Layout.fillWidth: true
                spacing: 0

                Rectangle {
                    Layout.fillWidth: true
                    Layout.topMargin: 4
                    Layout.bottomMargin: 4
                    implicitHeight: 1
                    visible: row.modelData.divided === true
                    color: Qt.rgba(0, 0, 0, 0.1)
                }

                T.AbstractButton {
                    id: entry

                    objectName: row.modelData.name || ""
                    Layout.fillWidth: true
                    implicitHeight: 44
                    text: row.modelData.text
                    Accessible.name: text
                    onClicked: {
                        menu.close()
                        menu.triggered(row.index)
                    }

                    contentItem: RowLayout {
                        spacing: 10

                        Text {
                            Layout.fillWidth: true
                            Layout.leftMargin: 12
                            text: entry.text
                            textFormat: Text.PlainText
                            font.pixelSize: 16
                            elide: Text.ElideRight
                            color: row.modelData.destructive === true ? Theme.red : Theme.label
                        }
                        SymbolIcon {
                            Layout.rightMargin: 12
                            visible: (row.modelData.symbol || "").length > 0
                            symbol: row.modelData.symbol || ""
                            size: 18
                            color: row.modelData.destructive === true ? Theme.red : Theme.label
                        }
                    }
                    background: Rectangle {
                        radius: 8
                        color: entry.down || entry.hovered ? Qt.rgba(0, 0, 0, 0.06) : "transparent"
                    }

                    HoverHandler {
                        cursorShape: Qt.PointingHandCursor
                    }
                    FocusRing {
                        outset: 0
                    }
                }
            }
        }
    }
}
