import QtQuick
import QtQuick.Layouts
import Quorvel.Ui

// What a screen shows when it has nothing to show: a large grey symbol, a title, a message and, when
// `actionText` is set, one button (`actionTriggered`). Centre it in the space it fills.
ColumnLayout {
    id: root

    property string symbol
    property string title
    property string message
    property string actionText
    // Screens on a brand background tint the symbol and texts their own way.
    property color symbolColor: Theme.gray
    property color titleColor: Theme.label
    property color messageColor: Theme.secondaryLabel
    signal actionTriggered()

    spacing: 10

    SymbolIcon {
        Layout.alignment: Qt.AlignHCenter
        Layout.bottomMargin: 4
        visible: root.symbol.length > 0
        symbol: root.symbol
        size: 48
        color: root.symbolColor
    }
    Text {
        Layout.fillWidth: true
        visible: text.length > 0
        text: root.title
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
        font.pixelSize: 20
        font.bold: true
        color: root.titleColor
    }
    Text {
        Layout.fillWidth: true
        visible: text.length > 0
        text: root.message
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
        font.pixelSize: 15
        color: root.messageColor
    }
    BrandPrimaryButton {
        Layout.alignment: Qt.AlignHCenter
        Layout.fillWidth: false
        Layout.preferredWidth: Math.min(240, root.width)
        Layout.topMargin: 8
        visible: root.actionText.length > 0
        text: root.actionText
        onClicked: root.actionTriggered()
    }
}
