import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Robots
import Quorvel.Practice

// The wrong-question book ("错题本"): the filter 复习中 / 已掌握, the robot row (it asks for the chat in the
// scene "wrongbook"), and one row per entry opening its page; a row's trash control (or its context menu)
// deletes the entry. Loads when shown, on a filter change, and by pull, mouse wheel or F5.
Page {
    id: page

    required property AppSession session
    readonly property alias viewModel: vm
    signal chatRequested(string scene)

    title: "错题本"

    WrongBookViewModel {
        id: vm
        session: page.session
    }

    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
                                     && (page.StackView.view === null || page.StackView.status === StackView.Active)
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { page.ready = true })

    Component {
        id: detailPage
        WrongItemDetailView {
            onChatRequested: scene => page.chatRequested(scene)
        }
    }

    background: Rectangle { color: Theme.groupedBackground }

    header: NavigationBar {
        title: "错题本"
        showsBack: page.StackView.index > 0
        onBackRequested: page.StackView.view.pop()
    }

    // One shared menu for the rows: right-click a row for "删除".
    MenuPopup {
        id: contextMenu

        property int row: -1
        entries: [{ "text": "删除", "symbol": "trash", "destructive": true, "name": "deleteEntry" }]
        onTriggered: vm.deleteRows([contextMenu.row])
    }

    // A list view, so that a long book makes only the rows in sight.
    PlainListView {
        id: list

        objectName: "wrongBookList"
        readonly property real paddedWidth: Math.min(width, 760)
        readonly property real sideMargin: (width - paddedWidth) / 2 + 16

        anchors.fill: parent
        clip: true
        boundsBehavior: Flickable.DragOverBounds
        bottomMargin: 16
        model: vm.items
        ScrollBar.vertical: ScrollBar {}

        RefreshControl {
            flickable: list
            refreshing: vm.loading
            onTriggered: vm.refresh()
        }

        header: Column {
            x: list.sideMargin
            width: list.paddedWidth - 32
            spacing: 14
            topPadding: 16
            bottomPadding: 14

            // The filter: 复习中 / 已掌握.
            Rectangle {
                width: parent.width
                implicitHeight: 36
                radius: 9
                color: Theme.gray5

                Row {
                    anchors.fill: parent
                    anchors.margins: 2

                    Repeater {
                        model: [{ "text": "复习中", "value": "active" }, { "text": "已掌握", "value": "mastered" }]

                        T.AbstractButton {
                            required property var modelData
                            readonly property bool selected: vm.filter === modelData.value

                            objectName: "filter-" + modelData.value
                            width: parent.width / 2
                            height: parent.height
                            Accessible.name: "范围 " + modelData.text
                            onClicked: vm.filter = modelData.value
                            contentItem: Text {
                                text: parent.modelData.text
                                textFormat: Text.PlainText
                                font.pixelSize: 14
                                font.weight: parent.selected ? Font.DemiBold : Font.Normal
                                color: Theme.label
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                            }
                            background: Rectangle {
                                radius: 7
                                color: parent.selected ? Theme.secondaryGroupedBackground : "transparent"
                            }

                            FocusRing {}
                        }
                    }
                }
            }

            T.AbstractButton {
                objectName: "wrongBookBanner"
                width: parent.width
                implicitHeight: banner.implicitHeight
                onClicked: page.chatRequested("wrongbook")
                contentItem: RobotSceneBanner {
                    id: banner
                    scene: "wrongbook"
                    mood: RobotMood.Idle
                    compact: true
                    session: page.session
                }
                background: Item {}
                HoverHandler { cursorShape: Qt.PointingHandCursor }

                FocusRing {}
            }

            Text {
                objectName: "wrongBookEmpty"
                width: parent.width
                visible: vm.emptyText.length > 0
                text: vm.emptyText
                textFormat: Text.PlainText
                font.pixelSize: 15
                color: Theme.secondaryLabel
                wrapMode: Text.Wrap
            }
        }

        delegate: T.AbstractButton {
            id: entry

            required property int index
            required property string title
            required property string kpName
            required property bool due
            required property string streakText
            readonly property bool first: index === 0
            readonly property bool last: index === list.count - 1

            objectName: "wrongItemRow"
            x: list.sideMargin
            width: list.paddedWidth - 32
            implicitHeight: entryColumn.implicitHeight + 20
            Accessible.name: title
            onClicked: page.StackView.view.push(detailPage, { "session": page.session, "item": vm.entry(index) })

            TapHandler {
                acceptedButtons: Qt.RightButton
                onTapped: eventPoint => {
                    contextMenu.row = entry.index
                    const at = entry.mapToItem(page.contentItem, eventPoint.position.x, eventPoint.position.y)
                    contextMenu.x = Math.min(at.x, page.width - contextMenu.width - 8)
                    contextMenu.y = at.y
                    contextMenu.open()
                }
            }

            contentItem: RowLayout {
                spacing: 8

                ColumnLayout {
                    id: entryColumn

                    Layout.fillWidth: true
                    Layout.leftMargin: 16
                    spacing: 4

                    Text {
                        Layout.fillWidth: true
                        text: entry.title
                        textFormat: Text.PlainText
                        font.pixelSize: 16
                        color: Theme.label
                        wrapMode: Text.Wrap
                        maximumLineCount: 2
                        elide: Text.ElideRight
                    }
                    Row {
                        spacing: 8
                        Text {
                            text: entry.kpName
                            textFormat: Text.PlainText
                            font.pixelSize: 12
                            color: Theme.secondaryLabel
                        }
                        Text {
                            visible: entry.due
                            text: "今天该复习"
                            font.pixelSize: 12
                            color: Theme.legible(Theme.orange, Theme.secondaryGroupedBackground)
                        }
                        Text {
                            text: entry.streakText
                            textFormat: Text.PlainText
                            font.pixelSize: 12
                            color: Theme.secondaryLabel
                        }
                    }
                }
                T.AbstractButton {
                    objectName: "deleteButton"
                    implicitWidth: 36
                    implicitHeight: 36
                    Accessible.name: "删除"
                    onClicked: vm.deleteRows([entry.index])
                    contentItem: SymbolIcon {
                        symbol: "trash"
                        size: 17
                        color: Theme.red
                        opacity: parent.hovered || parent.down ? 1 : 0.55
                    }
                    background: Item {}

                    FocusRing {}
                }
                SymbolIcon {
                    Layout.rightMargin: 12
                    symbol: "chevron.right"
                    size: 14
                    color: Theme.tertiaryLabel
                }
            }
            // The rows stand on one rounded card: the first rounds its top, the last its bottom.
            background: Item {
                Rectangle {
                    anchors.fill: parent
                    radius: entry.first || entry.last ? 12 : 0
                    color: entry.down ? Theme.gray5 : Theme.secondaryGroupedBackground
                }
                Rectangle {
                    visible: !(entry.first && entry.last) && (entry.first || entry.last)
                    width: parent.width
                    height: 12
                    y: entry.first ? parent.height - 12 : 0
                    color: entry.down ? Theme.gray5 : Theme.secondaryGroupedBackground
                }
                Rectangle {
                    visible: !entry.last
                    anchors.bottom: parent.bottom
                    x: 16
                    width: parent.width - 16
                    height: 1
                    color: Theme.separator
                }
            }

            FocusRing {}
        }
    }

    BrandSpinner {
        anchors.centerIn: parent
        visible: vm.showsSpinner
        size: 26
        color: Theme.gray
    }

    Alert {
        objectName: "wrongBookAlert"
        title: "提示"
        message: vm.message
        buttonText: "好"
        visible: vm.message.length > 0
        onDismissed: vm.dismissMessage()
    }
}
