import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Home

// The layout editor: the visible cards in order (drag a row by its handle to move it, swipe it to the left
// or press its hide control to hide it, press its size to switch between M and L) and the cards hidden in
// this session, each with "显示". Only the store's drafts change until "保存".
Flickable {
    id: editor

    required property HomeLayoutStore store
    required property var texts
    readonly property real rowHeight: 58

    objectName: "homeEditor"
    contentWidth: width
    contentHeight: column.y + column.implicitHeight + 24
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar {
        policy: ScrollBar.AsNeeded
    }

    component SectionHeader: Text {
        Layout.leftMargin: 16
        Layout.topMargin: 18
        Layout.bottomMargin: 6
        textFormat: Text.PlainText
        font.pixelSize: 13
        color: Theme.secondaryLabel
    }

    ColumnLayout {
        id: column

        width: Math.min(editor.width, 760) - 32
        x: (editor.width - width) / 2
        y: 16
        spacing: 0

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: note.implicitHeight + 24
            radius: 10
            color: Theme.secondaryGroupedBackground

            Text {
                id: note

                x: 16
                y: 12
                width: parent.width - 32
                text: editor.texts.editorNote
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: 13
                color: Theme.secondaryLabel
            }
        }

        SectionHeader {
            text: editor.texts.shown
        }

        Rectangle {
            objectName: "homeEditorShown"
            Layout.fillWidth: true
            implicitHeight: visibleRows.count * editor.rowHeight
            radius: 10
            color: Theme.secondaryGroupedBackground
            clip: true

            Repeater {
                id: visibleRows

                model: editor.store.draftVisible

                Item {
                    id: row

                    required property int index
                    required property string cardId
                    required property string title
                    required property string type
                    required property string size
                    // Rows a drag would move this one by.
                    readonly property int dragSteps: Math.round(move.translation.y / editor.rowHeight)

                    objectName: "homeEditorRow_" + cardId
                    y: index * editor.rowHeight
                    z: move.active ? 2 : 1
                    width: parent.width
                    height: editor.rowHeight

                    Rectangle {
                        id: face

                        x: swipe.active ? Math.min(0, swipe.translation.x) : 0
                        y: move.active ? move.translation.y : 0
                        width: parent.width
                        height: parent.height
                        color: move.active ? Theme.groupedBackground : Theme.secondaryGroupedBackground

                        RowLayout {
                            anchors.fill: parent
                            anchors.leftMargin: 8
                            anchors.rightMargin: 12
                            spacing: 10

                            SymbolIcon {
                                objectName: "dragHandle"
                                symbol: "line.3.horizontal"
                                size: 22
                                color: Theme.gray

                                DragHandler {
                                    id: move

                                    target: null
                                    xAxis.enabled: false
                                    onActiveChanged: {
                                        if (active || row.dragSteps === 0)
                                            return
                                        const to = Math.max(0, Math.min(visibleRows.count - 1, row.index + row.dragSteps))
                                        editor.store.moveCards([row.index], to > row.index ? to + 1 : to)
                                    }
                                }
                                HoverHandler {
                                    cursorShape: Qt.SizeVerCursor
                                }
                            }
                            ColumnLayout {
                                Layout.fillWidth: true
                                spacing: 2

                                Text {
                                    Layout.fillWidth: true
                                    text: row.title
                                    textFormat: Text.PlainText
                                    elide: Text.ElideRight
                                    font.pixelSize: 16
                                    color: Theme.label
                                }
                                Text {
                                    Layout.fillWidth: true
                                    text: row.type
                                    textFormat: Text.PlainText
                                    elide: Text.ElideRight
                                    font.pixelSize: 12
                                    color: Theme.secondaryLabel
                                }
                            }
                            T.AbstractButton {
                                id: sizeButton

                                objectName: "sizeButton"
                                implicitWidth: Math.max(40, sizeLabel.implicitWidth + 20)
                                implicitHeight: 30
                                Accessible.name: row.size
                                onClicked: editor.store.toggleSize(row.cardId)

                                background: Rectangle {
                                    radius: 7
                                    color: Theme.withOpacity(Theme.brandTeal, sizeButton.down ? 0.25 : 0.12)
                                }
                                contentItem: Text {
                                    id: sizeLabel

                                    text: row.size
                                    textFormat: Text.PlainText
                                    font.family: "monospace"
                                    font.pixelSize: 12
                                    color: Theme.brandTeal
                                    horizontalAlignment: Text.AlignHCenter
                                    verticalAlignment: Text.AlignVCenter
                                }

                                FocusRing {}
                            }
                            T.AbstractButton {
                                id: hideButton

                                objectName: "hideButton"
                                implicitWidth: 32
                                implicitHeight: 32
                                Accessible.name: editor.texts.hide
                                onClicked: editor.store.hideCards([row.index])

                                contentItem: SymbolIcon {
                                    symbol: "eye.slash"
                                    size: 20
                                    color: Theme.red
                                    opacity: hideButton.down ? 0.5 : 1
                                }
                                background: Item {}

                                FocusRing {}
                            }
                        }

                        // Swiped to the left by a third of the row or more: hidden.
                        DragHandler {
                            id: swipe

                            target: null
                            yAxis.enabled: false
                            onActiveChanged: if (!active && translation.x < -row.width / 3)
                                                 editor.store.hideCards([row.index])
                        }
                    }

                    Rectangle {
                        anchors.bottom: parent.bottom
                        x: 16
                        width: parent.width - 16
                        height: 1
                        color: Theme.gray5
                        visible: row.index < visibleRows.count - 1 && !move.active
                    }
                }
            }
        }

        SectionHeader {
            visible: editor.store.draftHidden.count > 0
            text: editor.texts.hidden
        }

        Rectangle {
            objectName: "homeEditorHidden"
            Layout.fillWidth: true
            visible: editor.store.draftHidden.count > 0
            implicitHeight: hiddenRows.implicitHeight
            radius: 10
            color: Theme.secondaryGroupedBackground

            Column {
                id: hiddenRows

                width: parent.width

                Repeater {
                    model: editor.store.draftHidden

                    Item {
                        id: hiddenRow

                        required property string cardId
                        required property string title

                        objectName: "homeEditorHiddenRow_" + cardId
                        width: hiddenRows.width
                        height: editor.rowHeight

                        RowLayout {
                            anchors.fill: parent
                            anchors.leftMargin: 16
                            anchors.rightMargin: 12

                            Text {
                                Layout.fillWidth: true
                                text: hiddenRow.title
                                textFormat: Text.PlainText
                                elide: Text.ElideRight
                                font.pixelSize: 16
                                color: Theme.label
                            }
                            HomeBarButton {
                                objectName: "showButton"
                                text: editor.texts.show
                                onClicked: editor.store.unhideCard(hiddenRow.cardId)
                            }
                        }
                    }
                }
            }
        }
    }
}
