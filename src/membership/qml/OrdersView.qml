import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Membership

// The learner's orders ("我的订单"): one row per order, in the server's order: the product and its amount,
// then the state (green once paid), the date and, while the order is not paid yet, "取消"; then the order
// number in small grey type. A spinner while the first answer is out, an empty row when there is nothing.
// Loads each time it comes on screen and by pull, wheel or F5. Pushed on a StackView with {"session"};
// popped by its back control.
Page {
    id: page

    property AppSession session
    readonly property alias viewModel: vm
    signal closeRequested()

    title: "我的订单"

    OrdersViewModel {
        id: vm
        session: page.session
    }

    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
                                     && (page.StackView.view === null || page.StackView.status === StackView.Active)
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
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
    }

    Flickable {
        id: scroller

        objectName: "ordersList"
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

            FormSection {
                objectName: "ordersSection"
                Layout.fillWidth: true
                visible: vm.showsEmpty || vm.orders.count > 0

                FormRow {
                    objectName: "emptyRow"
                    visible: vm.showsEmpty
                    title: "还没有订单"
                    titleColor: Theme.secondaryLabel
                }

                Repeater {
                    model: vm.orders

                    Item {
                        id: orderRow

                        required property string orderNo
                        required property string skuName
                        required property string amountText
                        required property string stateLabel
                        required property bool isPaid
                        required property string dateText
                        required property bool cancellable
                        property bool showsSeparator: true

                        objectName: "orderRow"
                        width: parent ? parent.width : 0
                        height: lines.implicitHeight + 20

                        ColumnLayout {
                            id: lines

                            x: 16
                            width: parent.width - 32
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: 4

                            RowLayout {
                                Layout.fillWidth: true
                                spacing: 8

                                Text {
                                    objectName: "orderName"
                                    Layout.fillWidth: true
                                    text: orderRow.skuName
                                    textFormat: Text.PlainText
                                    font.pixelSize: 17
                                    color: Theme.label
                                    elide: Text.ElideRight
                                }
                                Text {
                                    objectName: "orderAmount"
                                    text: orderRow.amountText
                                    textFormat: Text.PlainText
                                    font.pixelSize: 17
                                    color: Theme.label
                                }
                            }

                            RowLayout {
                                Layout.fillWidth: true
                                Layout.minimumHeight: 24
                                spacing: 8

                                Text {
                                    objectName: "orderState"
                                    text: orderRow.stateLabel
                                    textFormat: Text.PlainText
                                    font.pixelSize: 12
                                    color: orderRow.isPaid ? Theme.green : Theme.secondaryLabel
                                }
                                Text {
                                    objectName: "orderDate"
                                    text: orderRow.dateText
                                    textFormat: Text.PlainText
                                    font.pixelSize: 12
                                    color: Theme.secondaryLabel
                                }
                                Item { Layout.fillWidth: true }
                                T.AbstractButton {
                                    id: cancelButton

                                    objectName: "cancelOrderButton"
                                    visible: orderRow.cancellable
                                    implicitWidth: cancelLabel.implicitWidth + 16
                                    implicitHeight: 24
                                    Accessible.name: "取消"
                                    onClicked: vm.cancel(orderRow.orderNo)

                                    HoverHandler { cursorShape: Qt.PointingHandCursor }

                                    contentItem: Text {
                                        id: cancelLabel

                                        text: "取消"
                                        textFormat: Text.PlainText
                                        font.pixelSize: 12
                                        color: Theme.brandTeal
                                        opacity: cancelButton.down ? 0.5 : 1
                                        horizontalAlignment: Text.AlignRight
                                        verticalAlignment: Text.AlignVCenter
                                    }
                                    background: Item {}

                                    FocusRing {}
                                }
                            }

                            Text {
                                objectName: "orderNumber"
                                Layout.fillWidth: true
                                text: orderRow.orderNo
                                textFormat: Text.PlainText
                                font.pixelSize: 11
                                color: Theme.tertiaryLabel
                                elide: Text.ElideMiddle
                            }
                        }

                        Rectangle {
                            visible: orderRow.showsSeparator
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
        objectName: "ordersLoading"
        anchors.centerIn: parent
        visible: vm.showsSpinner
        size: 28
        color: Theme.brandMuted
    }

    Alert {
        objectName: "ordersAlert"
        message: vm.message
        visible: vm.alertVisible
        onDismissed: vm.dismissMessage()
    }
}
