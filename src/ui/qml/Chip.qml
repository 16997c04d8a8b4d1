import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// A small rounded label that can be tapped: an optional symbol and a text in `tint`, on a pale tint; filled
// with `tint` and white text while `selected`. The text takes the shade of `tint` that reads on the pale tint
// over `surface` (what the chip sits on), and the fill the shade that carries white text.
T.AbstractButton {
    id: chip

    property string symbol
    property color tint: Theme.accent
    property bool selected: false
    property color surface: Theme.groupedBackground
    readonly property color fill: selected ? Theme.underWhiteText(tint)
                                           : Theme.withOpacity(tint, down ? 0.2 : 0.12)
    readonly property color textColor: selected ? "white" : Theme.legible(tint, Theme.over(fill, surface))

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
    FocusRing {
        radius: chip.height / 2
    }

    contentItem: Row {
        spacing: 4

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            visible: chip.symbol.length > 0
            symbol: chip.symbol
            size: 14
            color: chip.textColor
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: chip.text
            textFormat: Text.PlainText
            font.pixelSize: 14
            font.weight: Font.DemiBold
            color: chip.textColor
        }
    }

    background: Rectangle {
        radius: height / 2
        color: chip.fill
        opacity: chip.enabled ? 1 : 0.5
    }
}
