import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Membership

// Membership and quotas ("会员与额度"): the tier and its expiry, today's remaining uses per feature with a
// bar, the memberships on sale with a "¥price" button each, and the link to the learner's orders. Loads
// each time it comes on screen and by pull, wheel or F5. Buying shows a spinner in the bought row's button
// and disables every button until the purchase has ended. Pushed on a StackView with {"session"}; popped by
// its back control. "我的订单" pushes the orders page on the same stack (off a stack: `ordersRequested`).
Page {
    id: page

    property AppSession session
    readonly property alias viewModel: vm
    signal closeRequested()
    signal ordersRequested()

    title: "会员与额度"

    MembershipViewModel {
        id: vm
        session: page.session
    }

    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
                                     && (page.StackView.view === null || page.StackView.status === StackView.Active)
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { page.ready = true })

    // The orders page goes on the stack that holds this page; off a stack the opener shows it.
    function openOrders() {
        const view = page.StackView.view
        if (view)
            view.push(ordersPage, { "session": page.session })
        else
            page.ordersRequested()
    }
    Component {
        id: ordersPage
        OrdersView {}
    }

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
    }

    Flickable {
        id: scroller

        objectName: "membershipList"
        readonly property real paddedWidth: Math.min(width, 760)

        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: content.implicitHeight + 40
        boundsBehavior: Flickable.DragOverBounds
        ScrollBar.vertical: ScrollBar {}

        RefreshControl {
            flickable: scroller
            refreshing: vm.loading && vm.hasStatus
            onTriggered: vm.load()
        }

        ColumnLayout {
            id: content

            x: (scroller.width - scroller.paddedWidth) / 2 + 16
            y: 20
            width: scroller.paddedWidth - 32
            spacing: 24

            FormSection {
                objectName: "statusSection"
                Layout.fillWidth: true
                header: "当前会员"

                FormRow {
                    objectName: "tierRow"
                    visible: vm.hasStatus
                    title: "层级"
                    value: vm.tierLabel
                }
                FormRow {
                    objectName: "expiryRow"
                    visible: vm.hasStatus
                    title: "到期"
                    value: vm.expiryText
                }
                Item {
                    objectName: "statusLoading"
                    visible: !vm.hasStatus && vm.loading
                    width: parent ? parent.width : 0
                    height: 52

                    BrandSpinner {
                        anchors.centerIn: parent
                        size: 22
                        color: Theme.brandMuted
                    }
                }
            }

            FormSection {
                objectName: "quotaSection"
                Layout.fillWidth: true
                visible: vm.hasStatus
                header: "今日剩余次数"

                Repeater {
                    model: vm.quotas

                    Item {
                        id: quotaRow

                        required property string label
                        required property string countText
                        required property bool countIsRed
                        required property bool showsBar
                        required property real progress
                        property bool showsSeparator: true

                        objectName: "quotaRow"
                        width: parent ? parent.width : 0
                        height: quotaColumn.implicitHeight + 22
                        Accessible.role: Accessible.StaticText
                        Accessible.name: label + " " + countText

                        Column {
                            id: quotaColumn

                            x: 16
                            y: 11
                            width: parent.width - 32
                            spacing: 4

                            Item {
                                width: parent.width
                                height: Math.max(quotaLabel.implicitHeight, quotaCount.implicitHeight)

                                Text {
                                    id: quotaLabel

                                    objectName: "quotaLabel"
                                    anchors.verticalCenter: parent.verticalCenter
                                    width: parent.width - quotaCount.implicitWidth - 12
                                    text: quotaRow.label
                                    textFormat: Text.PlainText
                                    elide: Text.ElideRight
                                    font.pixelSize: 17
                                    color: Theme.label
                                }
                                Text {
                                    id: quotaCount

                                    objectName: "quotaCount"
                                    anchors.right: parent.right
                                    anchors.verticalCenter: parent.verticalCenter
                                    text: quotaRow.countText
                                    textFormat: Text.PlainText
                                    font.pixelSize: 15
                                    color: quotaRow.countIsRed ? Theme.legible(Theme.red, Theme.secondaryGroupedBackground) : Theme.secondaryLabel
                                }
                            }
                            Rectangle {
                                objectName: "quotaBar"
                                visible: quotaRow.showsBar
                                width: parent.width
                                height: 4
                                radius: 2
                                color: Theme.gray5

                                Rectangle {
                                    width: parent.width * quotaRow.progress
                                    height: parent.height
                                    radius: 2
                                    visible: width > 0
                                    color: Theme.brandTeal
                                }
                            }
                        }

                        Rectangle {
                            visible: quotaRow.showsSeparator
                            anchors.bottom: parent.bottom
                            x: 16
                            width: parent.width - x
                            height: 1
                            color: Theme.separator
                        }
                    }
                }
            }

            FormSection {
                objectName: "skuSection"
                Layout.fillWidth: true
                header: "开通会员"
                footer: "未成年人有单笔与每月消费上限，超出时无法下单。会员到期不会自动续费。"

                Repeater {
                    model: vm.skus

                    Item {
                        id: skuRow

                        required property int index
                        required property string name
                        required property string periodText
                        required property string priceText
                        required property bool isBuying
                        property bool showsSeparator: true

                        objectName: "skuRow"
                        width: parent ? parent.width : 0
                        height: Math.max(60, skuText.implicitHeight + 20)

                        Column {
                            id: skuText

                            anchors.left: parent.left
                            anchors.leftMargin: 16
                            anchors.right: buyButton.left
                            anchors.rightMargin: 12
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: 2

                            Text {
                                width: parent.width
                                text: skuRow.name
                                textFormat: Text.PlainText
                                elide: Text.ElideRight
                                font.pixelSize: 17
                                color: Theme.label
                            }
                            Text {
                                width: parent.width
                                text: skuRow.periodText
                                textFormat: Text.PlainText
                                font.pixelSize: 12
                                color: Theme.secondaryLabel
                            }
                        }

                        T.AbstractButton {
                            id: buyButton

                            objectName: "buyButton"
                            anchors.right: parent.right
                            anchors.rightMargin: 16
                            anchors.verticalCenter: parent.verticalCenter
                            implicitWidth: Math.max(84, priceLabel.implicitWidth + 28)
                            implicitHeight: 34
                            enabled: !vm.anyBuying
                            Accessible.name: skuRow.priceText
                            onClicked: vm.buy(skuRow.index)

                            HoverHandler { cursorShape: buyButton.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor }

                            background: Rectangle {
                                radius: height / 2
                                color: Theme.brandTeal
                                opacity: !buyButton.enabled && !skuRow.isBuying ? 0.4 : buyButton.down ? 0.75 : 1
                            }
                            contentItem: Item {
                                Text {
                                    id: priceLabel

                                    objectName: "priceLabel"
                                    anchors.centerIn: parent
                                    visible: !skuRow.isBuying
                                    text: skuRow.priceText
                                    textFormat: Text.PlainText
                                    font.pixelSize: 15
                                    font.bold: true
                                    color: "white"
                                }
                                BrandSpinner {
                                    objectName: "buySpinner"
                                    anchors.centerIn: parent
                                    visible: skuRow.isBuying
                                    size: 18
                                    color: "white"
                                }
                            }

                            FocusRing {}
                        }

                        Rectangle {
                            visible: skuRow.showsSeparator
                            anchors.bottom: parent.bottom
                            x: 16
                            width: parent.width - x
                            height: 1
                            color: Theme.separator
                        }
                    }
                }
            }

            FormSection {
                objectName: "ordersSection"
                Layout.fillWidth: true

                FormRow {
                    objectName: "ordersRow"
                    title: "我的订单"
                    chevron: true
                    onClicked: page.openOrders()
                }
            }
        }
    }

    Alert {
        objectName: "membershipAlert"
        message: vm.message
        visible: vm.alertVisible
        onDismissed: vm.dismissMessage()
    }
}
