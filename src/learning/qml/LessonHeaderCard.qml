import QtQuick
import QtQuick.Layouts
import Quorvel.Ui

// The lesson's gradient card: its number on a mint capsule, its name, and how many sections, examples and
// exercises it holds. A large faint "function" symbol is cut by the top trailing corner.
Item {
    id: root

    // {badge, name}, and the model of the counts (roles symbol, text), made by the lesson page's view-model.
    required property var header
    required property var counts

    implicitHeight: content.implicitHeight + 40

    BrandShadow {
        anchors.fill: parent
        cornerRadius: 22
        color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.25)
        blur: 12
        offsetY: 6
    }

    BrandGradient {
        anchors.fill: parent
        radius: 22
    }

    // Clipped to the card's bounds; the corner itself is too faint to need the rounded cut.
    Item {
        anchors.fill: parent
        anchors.margins: 4
        clip: true

        SymbolIcon {
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.topMargin: -10 - 4
            anchors.rightMargin: -14 - 4
            symbol: "function"
            size: 110
            font.bold: true
            color: Qt.rgba(1, 1, 1, 0.07)
        }
    }

    ColumnLayout {
        id: content

        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 20
        spacing: 10

        Rectangle {
            implicitWidth: badge.implicitWidth + 20
            implicitHeight: badge.implicitHeight + 8
            radius: height / 2
            color: Theme.brandMint

            Text {
                id: badge

                anchors.centerIn: parent
                text: root.header.badge
                textFormat: Text.PlainText
                font.pixelSize: 12
                font.bold: true
                color: Theme.brandNavyDeep
            }
        }

        Text {
            Layout.fillWidth: true
            text: root.header.name
            textFormat: Text.PlainText
            font.pixelSize: 24
            font.weight: Font.Black
            color: "white"
            wrapMode: Text.Wrap
        }

        Flow {
            Layout.fillWidth: true
            spacing: 14

            Repeater {
                model: root.counts

                Row {
                    id: count

                    required property string symbol
                    required property string text

                    spacing: 4

                    SymbolIcon {
                        anchors.verticalCenter: parent.verticalCenter
                        symbol: count.symbol
                        size: 12
                        color: Qt.rgba(1, 1, 1, 0.85)
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: count.text
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        font.weight: Font.DemiBold
                        color: Qt.rgba(1, 1, 1, 0.85)
                    }
                }
            }
        }
    }
}
