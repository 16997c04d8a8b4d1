import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Companion

// The references of a reply, under its bubble: a header "<title> · <count>" that folds the card open and
// shut, and the numbered titles; open, each title has its snippet (at most 4 lines) and source below it.
// `items` takes the message's `citations`, `title` the `referencesTitle` text. It starts folded and keeps its
// state for as long as it exists. At most 300 wide.
Item {
    id: root

    property alias items: card.items
    property alias title: card.title
    readonly property alias expanded: card.expanded

    // What a tap on the header does.
    function toggle() {
        card.toggle()
    }

    // The header's spacer takes what the row leaves, so the card is as wide as it may be.
    implicitWidth: 300
    implicitHeight: column.implicitHeight + 20
    clip: true

    // Folding open and shut eases in and out over 0.2 s.
    Behavior on implicitHeight {
        NumberAnimation { duration: 200; easing.type: Easing.InOutQuad }
    }

    CitationCardModel {
        id: card
    }

    // What the card lies on (the chat's backdrop); its faint teal fill shows it through. The backdrop's glow
    // darkens it a little more near the top: the card's tinted texts keep some room above 4.5:1.
    property color surface: Theme.dark ? Theme.systemBackground : Theme.brandMist
    readonly property color cardColor: Theme.over(fill.color, surface)
    readonly property real textContrast: 5.2

    Rectangle {
        id: fill

        anchors.fill: parent
        radius: 14
        color: Theme.withOpacity(Theme.brandTeal, 0.07)
        border.width: 1
        border.color: Theme.withOpacity(Theme.brandTeal, 0.22)
    }

    ColumnLayout {
        id: column

        x: 12
        y: 10
        width: root.width - 24
        spacing: 8

        T.AbstractButton {
            id: header

            objectName: "citationHeader"
            Layout.fillWidth: true
            implicitWidth: headerRow.implicitWidth
            implicitHeight: headerRow.implicitHeight
            Accessible.role: Accessible.Button
            Accessible.name: card.headerText
            onClicked: card.toggle()

            HoverHandler {
                cursorShape: Qt.PointingHandCursor
            }

            RowLayout {
                id: headerRow

                width: header.width
                spacing: 6

                SymbolIcon {
                    symbol: "books.vertical.fill"
                    size: 12
                    color: Theme.brandTeal
                }
                Text {
                    Layout.fillWidth: true
                    Layout.minimumWidth: 0
                    text: card.headerText
                    textFormat: Text.PlainText
                    font.pixelSize: 12
                    font.bold: true
                    color: Theme.legible(Theme.accent, root.cardColor, root.textContrast)
                    elide: Text.ElideRight
                }
                Item {
                    Layout.preferredWidth: 4
                }
                SymbolIcon {
                    symbol: card.expanded ? "chevron.up" : "chevron.down"
                    size: 11
                    font.bold: true
                    color: Theme.brandTeal
                }
            }

            FocusRing {}
        }

        Repeater {
            model: card.rows

            delegate: ColumnLayout {
                id: entry

                required property string indexText
                required property string heading
                required property string snippet
                required property string source

                Layout.fillWidth: true
                spacing: 3

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 6

                    Text {
                        Layout.alignment: Qt.AlignBaseline
                        text: entry.indexText
                        textFormat: Text.PlainText
                        font.pixelSize: 11
                        font.weight: Font.Black
                        color: Theme.legible(Theme.brandAmber, root.cardColor, root.textContrast)
                    }
                    Text {
                        Layout.fillWidth: true
                        Layout.alignment: Qt.AlignBaseline
                        text: entry.heading
                        textFormat: Text.PlainText
                        font.pixelSize: 13
                        font.weight: Font.DemiBold
                        color: Theme.label
                        maximumLineCount: 1
                        elide: Text.ElideRight
                    }
                }
                Text {
                    Layout.fillWidth: true
                    visible: card.expanded
                    text: entry.snippet
                    textFormat: Text.PlainText
                    font.pixelSize: 12
                    color: Theme.secondaryLabel
                    wrapMode: Text.Wrap
                    maximumLineCount: 4
                    elide: Text.ElideRight
                }
                Text {
                    Layout.fillWidth: true
                    visible: card.expanded
                    text: entry.source
                    textFormat: Text.PlainText
                    font.pixelSize: 10
                    color: Theme.secondaryLabel
                    maximumLineCount: 1
                    elide: Text.ElideRight
                }
            }
        }
    }
}
