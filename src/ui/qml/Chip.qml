import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// A small rounded label that can be tapped: an optional symbol and a text in `tint`, on a pale tint; filled
// with `tint` and white text while `selected`.
T.AbstractButton {
    id: chip

    property string symbol
    property color tint: Theme.brandTeal
    property bool selected: false

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: Math.max(30, implicitContentHeight + topPadding + bottomPadding)
    leftPadding: 12
    rightPadding: 12
    topPadding: 5
    bottomPadding: 5
    Accessible.name: text

    HoverHandler {
        enabled: chip.enabled
        cursorShape: Qt.PointingHandCursor
    }

    contentItem: Row {
        spacing: 4

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            visible: chip.symbol.length > 0
            symbol: chip.symbol
            size: 14
            color: chip.selected ? "white" : chip.tint
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: chip.text
            textFormat: Text.PlainText
            font.pixelSize: 14
            font.weight: Font.DemiBold
            color: chip.selected ? "white" : chip.tint
        }
    }

    background: Rectangle {
        radius: height / 2
        color: chip.selected ? chip.tint : Theme.withOpacity(chip.tint, chip.down ? 0.2 : 0.12)
        opacity: chip.enabled ? 1 : 0.5
    }
}
