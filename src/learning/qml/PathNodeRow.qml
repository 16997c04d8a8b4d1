import QtQuick
import QtQuick.Templates as T
import Quorvel

// One lesson of the path list: the node on its connector line at the left, the lesson card at the right.
// Everything shown comes from the row's view-model; a card whose lesson is not openable is shown but does
// not react. Tapping an openable card asks the list to open the lesson page.
Item {
    id: root

    required property PathNodeRowViewModel row
    signal openRequested()

    implicitHeight: Math.max(card.implicitHeight + 14, node.height)

    function tone(t) {
        return Theme.color(t, Theme.dark)
    }

    // --- marker column: the node over the connector, 52 wide

    Item {
        id: marker

        width: 52
        height: parent.height

        BrandShadow {
            anchors.fill: node
            visible: root.row.nodeGlowOpacity > 0
            cornerRadius: node.radius
            color: Theme.withOpacity(Theme.brandTeal, root.row.nodeGlowOpacity)
            blur: 8
            offsetY: 3
        }

        Rectangle {
            id: node

            objectName: "node"
            anchors.horizontalCenter: parent.horizontalCenter
            width: root.row.nodeDiameter
            height: width
            radius: width / 2
            color: root.tone(root.row.nodeTone)
            gradient: root.row.nodeGradient ? nodeGradient : null
            Accessible.ignored: true

            BrandGradientAlt {
                id: nodeGradient
            }

            SymbolIcon {
                anchors.centerIn: parent
                visible: root.row.nodeSymbol !== PathNodeRowViewModel.Number
                symbol: root.row.nodeSymbolName
                size: root.row.nodeSymbolSize
                font.bold: root.row.nodeSymbol === PathNodeRowViewModel.Checkmark
                color: root.row.nodeSymbolTone < 0 ? "white" : root.tone(root.row.nodeSymbolTone)
            }
            Text {
                anchors.centerIn: parent
                visible: root.row.nodeSymbol === PathNodeRowViewModel.Number
                text: root.row.nodeNumber
                textFormat: Text.PlainText
                font.pixelSize: root.row.nodeSymbolSize
                font.weight: Font.Black
                color: "white"
            }
        }

        Rectangle {
            objectName: "connector"
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: node.bottom
            anchors.bottom: parent.bottom
            width: 3
            visible: root.row.hasConnector
            color: root.tone(root.row.connectorTone)
        }
    }

    // --- the lesson card

    T.AbstractButton {
        id: card

        objectName: "lessonCard"
        x: marker.width + 10
        width: root.width - x
        implicitHeight: content.implicitHeight + 28
        enabled: root.row.openable
        hoverEnabled: enabled
        Accessible.role: Accessible.Button
        Accessible.name: root.row.accessibleText
        onClicked: root.openRequested()

        HoverHandler {
            cursorShape: card.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        }

        background: Item {
            BrandShadow {
                anchors.fill: parent
                visible: root.row.cardShadowOpacity > 0
                cornerRadius: 18
                color: Theme.withOpacity(Theme.brandNavy, root.row.cardShadowOpacity)
                blur: 8
                offsetY: 3
            }
            Rectangle {
                anchors.fill: parent
                radius: 18
                color: Theme.withOpacity(Theme.secondaryGroupedBackground, root.row.cardOpacity)
                border.width: root.row.outlined ? 1.5 : 0
                border.color: Theme.brandTeal
            }
        }

        contentItem: Item {}

        Column {
            id: content

            x: 14
            y: 14
            width: card.width - 28
            spacing: 4
            opacity: card.down ? 0.6 : 1

            Text {
                visible: root.row.showsBadge
                text: root.row.badgeText
                textFormat: Text.PlainText
                font.pixelSize: 11
                font.bold: true
                color: Theme.brandTeal
            }
            Text {
                objectName: "lessonTitle"
                width: parent.width
                text: root.row.title
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: 15
                font.bold: true
                color: root.tone(root.row.titleTone)
            }
            Text {
                objectName: "lessonStatus"
                width: parent.width
                text: root.row.subtitle
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: 12
                color: root.tone(root.row.statusTone)
            }
            Item {
                visible: root.row.showsProgress
                width: parent.width
                height: 8

                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width
                    height: 4
                    radius: 2
                    color: Theme.gray5

                    Rectangle {
                        width: parent.width * root.row.progressFraction
                        height: parent.height
                        radius: 2
                        color: Theme.brandTeal
                    }
                }
            }
        }
    }
}
