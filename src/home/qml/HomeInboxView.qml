import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home

// The inbox ("学习通知"): the gradient header with the unread and total counts, the category chips with
// their unread badges, and the message rows, all in one list; loads when shown and again by pull, mouse
// wheel, F5 or "刷新". A row opens the message in a sheet (medium or large) with a page stack of its own, so
// that the screen the message's action asks the router for opens inside the sheet. "全部已读" in the bar while anything is
// unread. Pushed on a StackView with {"session"}; popped by its back control.
Page {
    id: page

    property AppSession session
    readonly property alias viewModel: vm
    signal closeRequested()
    // A message's action: asked of the router, which pushes the page onto the sheet's stack (`openTarget`).
    signal openRequested(int destination, var properties)
    readonly property var openTarget: sheetPages.item

    title: "学习通知"

    HomeInboxViewModel {
        id: vm
        session: page.session
        onHasSelectionChanged: hasSelection ? detailSheet.open() : detailSheet.close()
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

    background: Rectangle { color: Theme.brandMist }

    header: NavigationBar {
        title: page.title
        color: Theme.brandMist
        showsBack: page.StackView.view === null || page.StackView.index > 0
        onBackRequested: page.leave()
        trailing: [
            HomeBarButton {
                objectName: "markAllReadButton"
                visible: vm.unreadCount > 0
                text: "全部已读"
                onClicked: vm.markAllRead()
            }
        ]
    }

    Flickable {
        id: list

        objectName: "inboxList"
        readonly property real paddedWidth: Math.min(width, 760)
        readonly property real sideMargin: (width - paddedWidth) / 2 + 16

        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: column.height
        boundsBehavior: Flickable.DragOverBounds
        ScrollBar.vertical: ScrollBar {}

        RefreshControl {
            flickable: list
            refreshing: vm.loading && !vm.showsLoading
            shortcutEnabled: visible && !detailSheet.visible
            onTriggered: vm.refresh()
        }

        // Header card, chips, then the loading line, the empty state or the rows: at most 50 of them.
        Column {
            id: column

            x: list.sideMargin
            width: list.paddedWidth - 32
            topPadding: 16
            bottomPadding: 16
            spacing: 16

            // The header card: what is unread, and how much there is.
            Item {
                objectName: "inboxHeader"
                width: parent.width
                height: headerColumn.implicitHeight + 40

                BrandShadow {
                    anchors.fill: parent
                    cornerRadius: 22
                    color: Theme.withOpacity(Theme.brandNavy, 0.25)
                    blur: 12
                    offsetY: 6
                }
                Item {
                    anchors.fill: parent
                    clip: true

                    BrandGradient {
                        anchors.fill: parent
                        radius: 22
                    }
                    SymbolIcon {
                        anchors.right: parent.right
                        anchors.top: parent.top
                        anchors.rightMargin: -10
                        anchors.topMargin: -6
                        symbol: "bell.badge.fill"
                        size: 90
                        color: Qt.rgba(1, 1, 1, 0.08)
                    }
                }
                Column {
                    id: headerColumn

                    x: 20
                    y: 20
                    width: parent.width - 40
                    spacing: 6

                    Text {
                        text: "消息中心"
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        font.bold: true
                        color: Theme.brandCaption
                    }
                    Text {
                        objectName: "inboxHeadline"
                        text: vm.headline
                        textFormat: Text.PlainText
                        font.pixelSize: 26
                        font.weight: Font.Black
                        color: "white"
                    }
                    Text {
                        objectName: "inboxTotal"
                        width: parent.width
                        text: vm.totalLine
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: 13
                        color: Qt.rgba(1, 1, 1, 0.9)
                    }
                }
            }

            // The category chips, each with its unread count.
            PlainListView {
                id: chips

                objectName: "inboxChips"
                width: parent.width
                height: 36
                orientation: ListView.Horizontal
                spacing: 8
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                model: vm.chips

                delegate: T.AbstractButton {
                    id: chip

                    required property string category
                    required property int count
                    required property bool selected

                    objectName: "inboxChip_" + category
                    height: chips.height
                    implicitWidth: chipRow.implicitWidth + 28
                    Accessible.name: count > 0 ? category + " " + count : category
                    onClicked: vm.chooseCategory(category)

                    HoverHandler {
                        cursorShape: Qt.PointingHandCursor
                    }
                    background: Item {
                        opacity: chip.down ? 0.8 : 1

                        Rectangle {
                            anchors.fill: parent
                            visible: !chip.selected
                            radius: height / 2
                            color: Theme.secondaryGroupedBackground
                            border.width: 1
                            border.color: Theme.brandLine
                        }
                        Rectangle {
                            anchors.fill: parent
                            visible: chip.selected
                            radius: height / 2
                            gradient: BrandGradientAlt {}
                        }
                    }
                    contentItem: Item {
                        Row {
                            id: chipRow

                            anchors.centerIn: parent
                            spacing: 4

                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: chip.category
                                textFormat: Text.PlainText
                                font.pixelSize: 14
                                font.weight: Font.DemiBold
                                color: chip.selected ? "white" : Theme.ink
                            }
                            Rectangle {
                                objectName: "chipBadge"
                                anchors.verticalCenter: parent.verticalCenter
                                visible: chip.count > 0
                                width: Math.max(height, badgeText.implicitWidth + 10)
                                height: badgeText.implicitHeight + 2
                                radius: height / 2
                                color: chip.selected ? Qt.rgba(1, 1, 1, 0.25) : Theme.withOpacity(Theme.red, 0.12)

                                Text {
                                    id: badgeText

                                    anchors.centerIn: parent
                                    text: chip.count
                                    textFormat: Text.PlainText
                                    font.pixelSize: 10
                                    font.bold: true
                                    color: chip.selected ? "white"
                                                         : Theme.legible(Theme.red, Theme.over(parent.color, Theme.secondaryGroupedBackground))
                                }
                            }
                        }
                    }

                    FocusRing {}
                }
            }

            Column {
                objectName: "inboxLoading"
                width: parent.width
                visible: vm.showsLoading
                topPadding: 60
                spacing: 10

                BrandSpinner {
                    anchors.horizontalCenter: parent.horizontalCenter
                    size: 28
                    color: Theme.brandMuted
                    running: parent.visible
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "加载通知…"
                    textFormat: Text.PlainText
                    font.pixelSize: 13
                    color: Theme.color(Theme.SecondaryLabel, false) // on the page, light in either scheme
                }
            }

            Column {
                objectName: "inboxEmpty"
                width: parent.width
                visible: vm.showsEmpty
                topPadding: 50
                spacing: 12

                SymbolIcon {
                    anchors.horizontalCenter: parent.horizontalCenter
                    symbol: "tray"
                    size: 44
                    color: Theme.withOpacity(Theme.brandTeal, 0.6)
                }
                Text {
                    objectName: "inboxEmptyTitle"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: vm.emptyTitle
                    textFormat: Text.PlainText
                    font.pixelSize: 17
                    font.weight: Font.DemiBold
                    color: Theme.color(Theme.Label, false)
                }
                Text {
                    width: parent.width
                    text: "课程就绪、复习提醒、活动公告都会出现在这里。"
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    horizontalAlignment: Text.AlignHCenter
                    font.pixelSize: 13
                    color: Theme.color(Theme.SecondaryLabel, false)
                }
                T.Button {
                    id: reload

                    objectName: "inboxReload"
                    anchors.horizontalCenter: parent.horizontalCenter
                    implicitWidth: reloadText.implicitWidth + 32
                    implicitHeight: 34
                    text: "刷新"
                    Accessible.name: text
                    onClicked: vm.refresh()

                    HoverHandler {
                        cursorShape: Qt.PointingHandCursor
                    }
                    background: Rectangle {
                        radius: 8
                        color: Theme.withOpacity(Theme.brandTeal, reload.down ? 0.25 : 0.15)
                    }
                    contentItem: Text {
                        id: reloadText

                        text: reload.text
                        textFormat: Text.PlainText
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        font.pixelSize: 15
                        font.weight: Font.DemiBold
                        color: Theme.legible(Theme.brandTeal, Theme.over(reload.background.color, Theme.brandMist))
                    }

                    FocusRing {}
                }
            }

            Column {
                width: parent.width
                spacing: 10

                Repeater {
                    model: vm.rows

                    InboxRow {
                        required property int index

                        width: parent.width
                        onClicked: vm.open(index)
                    }
                }
            }
        }
    }

    BottomSheet {
        id: detailSheet

        objectName: "inboxDetailSheet"
        title: sheetPages.depth > 1 ? "" : "通知详情"
        closeLabel: "完成"
        closeAtTrailing: true
        detent: SheetDetent.Medium
        mediumMinimum: 380
        onClosed: {
            vm.closeDetail()
            detent = SheetDetent.Medium
        }

        Loader {
            id: sheetPages

            readonly property int depth: item ? item.depth : 0

            width: detailSheet.scroller.width
            height: detailSheet.scroller.height
            active: detailSheet.visible || vm.hasSelection
            // The sheet's own navigation stack, rooted at the message; what its action opens the router
            // pushes onto it (`openTarget`), and the sheet grows to its large detent for that page.
            sourceComponent: StackView {
                id: stack

                objectName: "inboxDetailStack"
                initialItem: detail
                onDepthChanged: if (depth > 1) detailSheet.detent = SheetDetent.Large

                Component {
                    id: detail

                    InboxDetailView {
                        message: vm.selected
                        onActionRequested: (destination, properties) => {
                            vm.actionTapped()
                            page.openRequested(destination, properties)
                        }
                    }
                }
            }
        }
    }

    Alert {
        objectName: "inboxAlert"
        message: vm.message
        visible: vm.alertVisible
        onDismissed: vm.dismissMessage()
    }
}
