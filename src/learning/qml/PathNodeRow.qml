import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// One lesson of the path list: the node on its connector line at the left, the lesson card at the right.
// Everything shown comes from the row's roles (PathNodeRow in C++); a card whose lesson is not openable is
// shown but does not react. Tapping an openable card asks the list to open the lesson page.
Item {
    id: root

    required property real pathId
    required property real itemId
    required property bool openable
    required property bool showsNodeNumber
    required property bool nodeSymbolBold
    required property string nodeSymbolName
    required property string nodeNumber
    required property real nodeSymbolSize
    required property int nodeSymbolTone
    required property bool nodeGradient
    required property int nodeTone
    required property real nodeDiameter
    required property real nodeGlowOpacity
    required property bool hasConnector
    required property int connectorTone
    required property bool showsBadge
    required property string badgeText
    required property string title
    required property int titleTone
    required property string subtitle
    required property int statusTone
    required property bool showsProgress
    required property real progressFraction
    required property real cardOpacity
    required property bool outlined
    required property real cardShadowOpacity
    required property string accessibleText
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
            visible: root.nodeGlowOpacity > 0
            cornerRadius: node.radius
            color: Theme.withOpacity(Theme.brandTeal, root.nodeGlowOpacity)
            blur: 8
            offsetY: 3
        }

        Rectangle {
            id: node

            objectName: "node"
            anchors.horizontalCenter: parent.horizontalCenter
            width: root.nodeDiameter
            height: width
            radius: width / 2
            color: root.tone(root.nodeTone)
            Accessible.ignored: true

            // Laid over the plain fill rather than swapped in as its gradient: Qt 6.4's compiled bindings
            // crash assigning a null gradient.
            Rectangle {
                anchors.fill: parent
                radius: parent.radius
                visible: root.nodeGradient
                gradient: BrandGradientAlt {}
            }

            SymbolIcon {
                anchors.centerIn: parent
                visible: !root.showsNodeNumber
                symbol: root.nodeSymbolName
                size: root.nodeSymbolSize
                font.bold: root.nodeSymbolBold
                color: root.nodeSymbolTone < 0 ? "white" : root.tone(root.nodeSymbolTone)
            }
            Text {
                anchors.centerIn: parent
                visible: root.showsNodeNumber
                text: root.nodeNumber
                textFormat: Text.PlainText
                font.pixelSize: root.nodeSymbolSize
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
            visible: root.hasConnector
            color: root.tone(root.connectorTone)
        }
    }

    // --- the lesson card

    T.AbstractButton {
        id: card

        objectName: "lessonCard"
        x: marker.width + 10
        width: root.width - x
        implicitHeight: content.implicitHeight + 28
        enabled: root.openable
        hoverEnabled: enabled
        Accessible.role: Accessible.Button
        Accessible.name: root.accessibleText
        onClicked: root.openRequested()

        HoverHandler {
            cursorShape: card.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        }

        background: Item {
            BrandShadow {
                anchors.fill: parent
                visible: root.cardShadowOpacity > 0
                cornerRadius: 18
                color: Theme.withOpacity(Theme.brandNavy, root.cardShadowOpacity)
                blur: 8
                offsetY: 3
            }
            Rectangle {
                anchors.fill: parent
                radius: 18
                color: Theme.withOpacity(Theme.secondaryGroupedBackground, root.cardOpacity)
                border.width: root.outlined ? 1.5 : 0
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
                visible: root.showsBadge
                text: root.badgeText
                textFormat: Text.PlainText
                font.pixelSize: 11
                font.bold: true
                color: Theme.accent
            }
            Text {
                objectName: "lessonTitle"
                width: parent.width
                text: root.title
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: 15
                font.bold: true
                color: Theme.legible(root.tone(root.titleTone), Theme.secondaryGroupedBackground)
            }
            Text {
                objectName: "lessonStatus"
                width: parent.width
                text: root.subtitle
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: 12
                color: Theme.legible(root.tone(root.statusTone), Theme.secondaryGroupedBackground)
            }
            Item {
                visible: root.showsProgress
                width: parent.width
                height: 8

                Rectangle {
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width
                    height: 4
                    radius: 2
                    color: Theme.gray5

                    Rectangle {
                        width: parent.width * root.progressFraction
                        height: parent.height
                        radius: 2
                        color: Theme.brandTeal
                    }
                }
            }
        }

        FocusRing {}
    }
}
