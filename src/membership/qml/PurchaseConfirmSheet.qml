import QtQuick
import QtQuick.Layouts
import Quorvel.Platform
import Quorvel.Ui

// "确认购买": the question the local store asks before it completes a purchase, with the product's name and
// price. "确认支付" (or Return) buys; "取消", Escape or a click beside the sheet declines. It opens by itself
// while the store asks and answers exactly once per question: any way of closing it that is not "确认支付"
// declines, so no purchase waits on a sheet that is gone. Declare one, in the window-filling item of the
// signed-in app, or load it there when the store first asks: a binding to the question (the sheet's own, or
// the loader's) is what tells the store a sheet is there to answer.
BottomSheet {
    id: sheet

    readonly property bool asking: PurchaseConfirmation.active

    objectName: "purchaseConfirmSheet"
    title: "确认购买"
    closeLabel: "取消"
    detent: SheetDetent.Medium
    allowsMedium: false
    showsHandle: false
    mediumMinimum: 340

    onAskingChanged: asking ? open() : close()
    Component.onCompleted: if (asking) open()
    // Decided as the sheet starts to close, not after its animation: the purchase waits on nothing.
    onAboutToHide: if (PurchaseConfirmation.active) PurchaseConfirmation.decline()

    function buy() {
        if (PurchaseConfirmation.active)
            PurchaseConfirmation.accept()
    }

    ColumnLayout {
        width: parent ? parent.width : 0
        spacing: 0
        focus: true
        Keys.onReturnPressed: sheet.buy()
        Keys.onEnterPressed: sheet.buy()

        Rectangle {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 28
            implicitWidth: 56
            implicitHeight: 56
            radius: 16
            color: Qt.rgba(Theme.brandAmber.r, Theme.brandAmber.g, Theme.brandAmber.b, 0.18)

            SymbolIcon {
                anchors.centerIn: parent
                symbol: "crown.fill"
                size: 30
                color: Theme.brandAmber
            }
        }

        Text {
            objectName: "purchaseProductName"
            Layout.fillWidth: true
            Layout.topMargin: 16
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            text: PurchaseConfirmation.productName
            textFormat: Text.PlainText
            font.pixelSize: 17
            color: Theme.label
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }

        Text {
            objectName: "purchasePrice"
            Layout.fillWidth: true
            Layout.topMargin: 8
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            text: PurchaseConfirmation.displayPrice
            textFormat: Text.PlainText
            font.pixelSize: 34
            font.bold: true
            color: Theme.ink
            horizontalAlignment: Text.AlignHCenter
        }

        BrandPrimaryButton {
            objectName: "purchaseConfirmButton"
            Layout.fillWidth: true
            Layout.topMargin: 28
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.bottomMargin: 24
            text: "确认支付"
            onClicked: sheet.buy()
        }
    }
}
