import QtQuick
import QtQuick.Layouts
import Quorvel.Ui

// The titled card of the lesson screens: an icon tile filled with the tint's gradient and the title, then the
// content, on a rounded white card with a faint navy shadow. The content is given as children and laid out
// in a column (give them Layout.fillWidth to take the card's width).
Card {
    id: card

    property string title
    property string icon
    property color tint: Theme.brandTeal
    default property alias cardContent: body.data

    // The lesson page stays light in either scheme.
    color: Theme.color(Theme.SystemBackground, false)
    implicitWidth: column.implicitWidth + 2 * padding

    ColumnLayout {
        id: column

        width: parent.width
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            Rectangle {
                implicitWidth: 26
                implicitHeight: 26
                radius: 8
                gradient: Gradient {
                    GradientStop { position: 0; color: Qt.lighter(card.tint, 1.2) }
                    GradientStop { position: 1; color: card.tint }
                }

                SymbolIcon {
                    anchors.centerIn: parent
                    symbol: card.icon
                    size: 13
                    font.bold: true
                    color: "white"
                }
            }

            Text {
                Layout.fillWidth: true
                text: card.title
                textFormat: Text.PlainText
                font.pixelSize: 17
                font.weight: Font.Black
                color: Theme.color(Theme.Label, false)
                wrapMode: Text.Wrap
            }
        }

        ColumnLayout {
            id: body

            Layout.fillWidth: true
            spacing: 0
        }
    }
}
