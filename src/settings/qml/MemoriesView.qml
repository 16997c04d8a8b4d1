import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Settings

// The companion's memories ("伙伴记忆"): a note on what is kept, then one row per memory (its text, then its
// kind and date), each deleted by a swipe or its delete control; "全部清空" in the bar after a confirmation.
// A spinner while the first answer is out, an empty row when there is nothing. Loads each time it comes on
// screen and by pull, wheel or F5. Pushed on a StackView with {"session"}; popped by its back control.
Page {
    id: page

    property AppSession session
    readonly property alias viewModel: vm
    signal closeRequested()

    title: "伙伴记忆"

    MemoriesViewModel {
        id: vm
        session: page.session
    }

    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
                                     && (page.StackView.view === null || page.StackView.status === StackView.Active)
    onOnScreenChanged: onScreen ? vm.load() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { page.ready = true })

    function leave() {
        const view = page.StackView.view
        if (view && page.StackView.index > 0)
            view.pop(view.get(page.StackView.index - 1))
        else
            page.closeRequested()
    }

    background: Rectangle { color: Theme.groupedBackground }

    header: NavigationBar {
        title: page.title
        showsBack: page.StackView.view === null || page.StackView.index > 0
        onBackRequested: page.leave()
        trailing: [
            T.AbstractButton {
                id: clearButton

                objectName: "clearAllButton"
                visible: vm.canClear
                implicitWidth: clearLabel.implicitWidth + 16
                implicitHeight: 44
                Accessible.name: "全部清空"
                onClicked: vm.requestClear()

                HoverHandler { cursorShape: Qt.PointingHandCursor }

                contentItem: Text {
                    id: clearLabel

                    text: "全部清空"
                    textFormat: Text.PlainText
                    font.pixelSize: 17
                    color: Theme.legible(Theme.red, Theme.groupedBackground)
                    opacity: clearButton.down ? 0.5 : 1
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }

                FocusRing {}
            }
        ]
    }

    Flickable {
        id: scroller

        objectName: "memoriesList"
        readonly property real paddedWidth: Math.min(width, 760)

        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: content.implicitHeight + 40
        boundsBehavior: Flickable.DragOverBounds
        ScrollBar.vertical: ScrollBar {}

        RefreshControl {
            flickable: scroller
            refreshing: vm.loading && !vm.showsSpinner
            onTriggered: vm.load()
        }

        ColumnLayout {
            id: content

            x: (scroller.width - scroller.paddedWidth) / 2 + 16
            y: 20
            width: scroller.paddedWidth - 32
            spacing: 24

            // The note on what is kept, always first, in the small grey type of a section's note.
            Text {
                objectName: "memoriesNote"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                text: "伙伴只记住和学习有关的内容，比如想学的章节、卡住过的题型，保留 30 天。不记录聊天原文。"
                textFormat: Text.PlainText
                font.pixelSize: 13
                color: Theme.secondaryLabel
                wrapMode: Text.Wrap
            }

            FormSection {
                objectName: "entriesSection"
                Layout.fillWidth: true
                visible: vm.showsEmpty || vm.items.count > 0

                FormRow {
                    objectName: "emptyRow"
                    visible: vm.showsEmpty
                    title: "伙伴还没有记住任何内容"
                    titleColor: Theme.secondaryLabel
                }

                Repeater {
                    model: vm.items

                    Item {
                        id: memoryRow

                        required property int index
                        required property string content
                        required property string caption
                        property bool showsSeparator: true

                        objectName: "memoryRow"
                        width: parent ? parent.width : 0
                        height: Math.max(60, lines.implicitHeight + 20)

                        SwipeDelegate {
                            id: swipeRow

                            anchors.fill: parent
                            padding: 0
                            background: Rectangle { color: Theme.secondaryGroupedBackground }

                            SwipeActionOwner { swipe: swipeRow.swipe }

                            swipe.right: T.AbstractButton {
                                objectName: "swipeDeleteButton"
                                anchors.right: parent.right
                                width: 80
                                height: parent.height
                                Accessible.name: "删除"
                                onClicked: vm.deleteRow(memoryRow.index)
                                background: Rectangle { color: Theme.red }
                                contentItem: Text {
                                    text: "删除"
                                    textFormat: Text.PlainText
                                    font.pixelSize: 17
                                    color: "white"
                                    horizontalAlignment: Text.AlignHCenter
                                    verticalAlignment: Text.AlignVCenter
                                }

                                FocusRing {}
                            }

                            contentItem: RowLayout {
                                spacing: 8

                                ColumnLayout {
                                    id: lines

                                    Layout.leftMargin: 16
                                    Layout.fillWidth: true
                                    spacing: 4

                                    Text {
                                        objectName: "memoryText"
                                        Layout.fillWidth: true
                                        text: memoryRow.content
                                        textFormat: Text.PlainText
                                        font.pixelSize: 17
                                        color: Theme.label
                                        wrapMode: Text.Wrap
                                    }
                                    Text {
                                        objectName: "memoryCaption"
                                        Layout.fillWidth: true
                                        text: memoryRow.caption
                                        textFormat: Text.PlainText
                                        font.pixelSize: 12
                                        color: Theme.secondaryLabel
                                        elide: Text.ElideRight
                                    }
                                }
                                T.AbstractButton {
                                    objectName: "deleteMemoryButton"
                                    Layout.rightMargin: 8
                                    implicitWidth: 44
                                    implicitHeight: 44
                                    Accessible.name: "删除"
                                    onClicked: vm.deleteRow(memoryRow.index)

                                    HoverHandler { cursorShape: Qt.PointingHandCursor }

                                    contentItem: SymbolIcon {
                                        symbol: "trash"
                                        size: 20
                                        color: Theme.red
                                    }

                                    FocusRing {}
                                }
                            }

                            FocusRing {}
                        }

                        Rectangle {
                            visible: memoryRow.showsSeparator
                            anchors.bottom: parent.bottom
                            x: 16
                            width: parent.width - x
                            height: 1
                            color: Theme.separator
                        }
                    }
                }
            }
        }
    }

    BrandSpinner {
        objectName: "memoriesLoading"
        anchors.centerIn: parent
        visible: vm.showsSpinner
        size: 28
        color: Theme.brandMuted
    }

    Alert {
        objectName: "clearConfirm"
        title: "清空后伙伴将不再引用这些内容"
        buttons: [
            { "text": "全部清空", "role": "destructive" },
            { "text": "取消", "role": "cancel" }
        ]
        visible: vm.confirmClear
        onTriggered: (index) => { if (index === 0) vm.confirmClearAll() }
        onDismissed: vm.cancelClear()
    }

    Alert {
        objectName: "memoriesAlert"
        message: vm.message
        visible: vm.alertVisible
        onDismissed: vm.dismissMessage()
    }
}
