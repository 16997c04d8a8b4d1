import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Robots

// One suggested question: its icon in the robot's colour and the question, as a card that sends it.
T.AbstractButton {
    id: chip

    required property string symbol
    property color tint: Theme.brandTeal

    implicitHeight: Math.max(64, content.implicitHeight + 24)
    Accessible.name: text
    scale: down ? 0.97 : 1
    opacity: down ? 0.9 : 1
    Behavior on scale { NumberAnimation { duration: 120; easing.type: Easing.OutQuad } }

    contentItem: Item {
        RowLayout {
            id: content

            x: 12
            y: 12
            width: parent.width - 24
            spacing: 8

            Rectangle {
                Layout.alignment: Qt.AlignTop
                implicitWidth: 26
                implicitHeight: 26
                radius: 8
                color: Theme.withOpacity(chip.tint, 0.12)
                SymbolIcon {
                    anchors.centerIn: parent
                    symbol: chip.symbol
                    size: 14
                    color: chip.tint
                }
            }
            Text {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignTop
                text: chip.text
                textFormat: Text.PlainText
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.label
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
            }
        }
    }
    background: Rectangle {
        radius: 16
        color: Theme.withOpacity(Theme.secondaryGroupedBackground, 0.85)
        border.color: Theme.withOpacity(Theme.label, 0.06)
    }
    HoverHandler { cursorShape: Qt.PointingHandCursor }

    FocusRing {}
}
