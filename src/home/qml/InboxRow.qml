import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Home

// One message of the inbox list: the kind's badge (its symbol on its colour, a red dot while unread), the
// kind's label, the relative time, the title (one line, bold while unread) and two lines of the body, on a
// rounded card outlined in the kind's colour while unread. A click opens the message (`clicked`); the row
// itself decides nothing.
T.AbstractButton {
    id: row

    required property string key
    required property string title
    required property string body
    required property string label
    required property string symbol
    required property int tone
    required property bool read
    required property string time
    required property string accessibleName
    readonly property color tint: Theme.color(tone, Theme.dark)

    objectName: "inboxRow_" + key
    implicitHeight: content.implicitHeight + 28
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName

    HoverHandler {
        cursorShape: Qt.PointingHandCursor
    }

    background: Item {
        BrandShadow {
            anchors.fill: parent
            cornerRadius: 18
            color: Theme.withOpacity(Theme.brandNavy, 0.06)
            blur: 8
            offsetY: 3
        }
        Rectangle {
            anchors.fill: parent
            radius: 18
            color: Theme.secondaryGroupedBackground
            border.width: 1
            border.color: row.read ? "transparent" : Theme.withOpacity(row.tint, 0.35)
            opacity: row.down ? 0.85 : 1
        }
    }

    contentItem: Item {
        Row {
            id: content

            x: 14
            y: 14
            width: row.width - 28
            spacing: 12

            Item {
                width: 44
                height: 44

                Rectangle {
                    anchors.fill: parent
                    radius: 13
                    gradient: Gradient {
                        GradientStop { position: 0; color: Qt.lighter(row.tint, 1.18) }
                        GradientStop { position: 1; color: row.tint }
                    }
                }
                SymbolIcon {
                    anchors.centerIn: parent
                    symbol: row.symbol
                    size: 18
                    color: "white"
                }
                Rectangle {
                    objectName: "unreadDot"
                    visible: !row.read
                    x: parent.width - width / 2 - 2
                    y: -width / 2 + 2
                    width: 10
                    height: 10
                    radius: 5
                    color: Theme.red
                    border.width: 2
                    border.color: Theme.secondaryGroupedBackground
                }
            }

            Column {
                width: parent.width - 56
                spacing: 5

                Item {
                    width: parent.width
                    height: Math.max(kindChip.height, timeText.implicitHeight)

                    Rectangle {
                        id: kindChip

                        anchors.verticalCenter: parent.verticalCenter
                        width: kindLabel.implicitWidth + 12
                        height: kindLabel.implicitHeight + 4
                        radius: height / 2
                        color: Theme.withOpacity(row.tint, 0.12)

                        Text {
                            id: kindLabel

                            anchors.centerIn: parent
                            text: row.label
                            textFormat: Text.PlainText
                            font.pixelSize: 11
                            font.bold: true
                            color: Theme.legible(row.tint, Theme.over(kindChip.color, Theme.secondaryGroupedBackground))
                        }
                    }
                    Text {
                        id: timeText

                        objectName: "rowTime"
                        anchors.right: parent.right
                        anchors.verticalCenter: parent.verticalCenter
                        width: Math.min(implicitWidth, parent.width - kindChip.width - 4)
                        text: row.time
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        font.pixelSize: 11
                        color: Theme.secondaryLabel
                    }
                }
                Text {
                    objectName: "rowTitle"
                    width: parent.width
                    text: row.title
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    font.pixelSize: 15
                    font.weight: row.read ? Font.DemiBold : Font.Bold
                    color: row.read ? Theme.secondaryLabel : Theme.label
                }
                Text {
                    width: parent.width
                    text: row.body
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    elide: Text.ElideRight
                    maximumLineCount: 2
                    font.pixelSize: 13
                    color: Theme.secondaryLabel
                }
            }
        }
    }

    FocusRing {}
}
