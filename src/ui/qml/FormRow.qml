import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui

// One row of a FormSection: an optional symbol on a tinted tile, the title, an optional value in grey at the
// trailing end (cut to one line, or wrapped over as many as it needs with `valueWraps`) and, when it leads
// somewhere, a chevron. `clicked` when tapped (rows with `chevron` or
// `interactive` show it by a press highlight and a hand cursor).
T.AbstractButton {
    id: row

    property string symbol
    property color symbolTint: Theme.brandTeal
    property string title
    property string value
    property bool valueWraps: false
    property bool chevron: false
    property bool interactive: chevron
    property bool showsSeparator: true
    // The trailing control of a row kind (FormToggleRow's switch), in place of the value and chevron.
    property alias accessory: accessorySlot.data
    property color titleColor: Theme.label

    implicitWidth: 320
    implicitHeight: Math.max(44, layout.implicitHeight + 16)
    text: title
    Accessible.name: value.length > 0 ? title + " " + value : title
    hoverEnabled: interactive

    HoverHandler {
        enabled: row.interactive
        cursorShape: Qt.PointingHandCursor
    }
    // Inside the row: the section around it clips what lies beyond its rounded card.
    FocusRing {
        outset: -2
        radius: 10
    }

    background: Rectangle {
        color: row.interactive && row.down ? Theme.gray5 : "transparent"

        Rectangle {
            visible: row.showsSeparator
            anchors.bottom: parent.bottom
            x: layout.x + (tile.visible ? tile.width + layout.spacing : 0)
            width: parent.width - x
            height: 1
            color: Theme.separator
        }
    }

    RowLayout {
        id: layout

        x: 16
        width: row.width - 32
        anchors.verticalCenter: parent.verticalCenter
        spacing: 12

        Rectangle {
            id: tile

            visible: row.symbol.length > 0
            implicitWidth: 29
            implicitHeight: 29
            radius: 7
            color: row.symbolTint

            SymbolIcon {
                anchors.centerIn: parent
                symbol: row.symbol
                size: 17
                color: "white"
            }
        }
        Text {
            Layout.fillWidth: true
            text: row.title
            textFormat: Text.PlainText
            font.pixelSize: 17
            color: row.titleColor
            wrapMode: Text.Wrap
        }
        Text {
            objectName: "formRowValue"
            Layout.maximumWidth: row.width * (row.valueWraps ? 0.6 : 0.45)
            visible: text.length > 0
            text: row.value
            textFormat: Text.PlainText
            font.pixelSize: 17
            color: Theme.secondaryLabel
            wrapMode: row.valueWraps ? Text.Wrap : Text.NoWrap
            horizontalAlignment: row.valueWraps && lineCount > 1 ? Text.AlignLeft : Text.AlignRight
            elide: row.valueWraps ? Text.ElideNone : Text.ElideRight
        }
        Item {
            id: accessorySlot

            visible: children.length > 0
            implicitWidth: childrenRect.width
            implicitHeight: childrenRect.height
        }
        SymbolIcon {
            visible: row.chevron
            symbol: "chevron.right"
            size: 20
            color: Theme.tertiaryLabel
        }
    }
}
