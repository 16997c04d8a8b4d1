import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Home

// One message in full, the root of the inbox's detail sheet: the kind's tile, label and the full date and
// time, the title, the body as selectable plain text and, when the kind has one, its action button.
// `message` holds the row roles of the message (HomeInboxViewModel.selected); the action reports its
// destination and what it is opened with (`actionRequested`), for the router to push onto the sheet's stack.
Page {
    id: page

    property var message: ({})
    readonly property color tint: Theme.color(message.tone || 0, Theme.dark)
    // The page of the sheet it is shown in.
    readonly property color sheetColor: Theme.dark ? Theme.groupedBackground : Theme.brandMist
    signal actionRequested(int destination, var properties)

    title: "通知详情"
    background: Item {}

    Flickable {
        id: flick

        anchors.fill: parent
        contentWidth: width
        contentHeight: column.implicitHeight + 40
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        ScrollBar.vertical: ScrollBar {}

        Column {
            id: column

            x: 20
            y: 20
            width: flick.width - 40
            spacing: 18

            Row {
                spacing: 12

                Rectangle {
                    width: 52
                    height: 52
                    radius: 15
                    gradient: Gradient {
                        GradientStop { position: 0; color: Qt.lighter(page.tint, 1.18) }
                        GradientStop { position: 1; color: page.tint }
                    }

                    SymbolIcon {
                        anchors.centerIn: parent
                        symbol: page.message.symbol || ""
                        size: 22
                        color: "white"
                    }
                }
                Column {
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 3

                    Text {
                        objectName: "detailLabel"
                        text: page.message.label || ""
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        font.bold: true
                        color: Theme.legible(page.tint, page.sheetColor)
                    }
                    Text {
                        objectName: "detailTime"
                        text: page.message.fullTime || ""
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        color: Theme.secondaryLabel
                    }
                }
            }

            Text {
                objectName: "detailTitle"
                width: parent.width
                text: page.message.title || ""
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: 22
                font.weight: Font.Black
                color: Theme.label
            }

            TextEdit {
                objectName: "detailBody"
                width: parent.width
                text: page.message.body || ""
                textFormat: TextEdit.PlainText
                wrapMode: TextEdit.Wrap
                readOnly: true
                selectByMouse: true
                persistentSelection: true
                font.pixelSize: 17
                color: Theme.label
                selectionColor: Theme.withOpacity(Theme.brandTeal, 0.35)
                selectedTextColor: Theme.label
            }

            T.AbstractButton {
                id: action

                objectName: "detailAction"
                visible: (page.message.actionTitle || "").length > 0
                width: parent.width
                implicitHeight: actionRow.implicitHeight + 28
                topInset: 0
                Accessible.name: page.message.actionTitle || ""
                onClicked: page.actionRequested(page.message.destination, page.message.openProperties)

                HoverHandler {
                    cursorShape: Qt.PointingHandCursor
                }
                background: Rectangle {
                    radius: 14
                    gradient: BrandGradientAlt {}
                    opacity: action.down ? 0.8 : 1
                }
                contentItem: Item {
                    Row {
                        id: actionRow

                        anchors.centerIn: parent
                        spacing: 8

                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            text: page.message.actionTitle || ""
                            textFormat: Text.PlainText
                            font.pixelSize: 16
                            font.bold: true
                            color: "white"
                        }
                        SymbolIcon {
                            anchors.verticalCenter: parent.verticalCenter
                            symbol: "arrow.right"
                            size: 16
                            color: "white"
                        }
                    }
                }

                FocusRing {}
            }
        }
    }
}
