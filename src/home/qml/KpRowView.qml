import QtQuick
import Quorvel.Ui

// The row of one knowledge point of the study report, in the weak-point list and in the chapter sections:
// its name, its level in the level's colour, a bar of its rate and the detail line.
Rectangle {
    id: row

    // One knowledge point of the report as shown: kpName, levelLabel, levelTone, rate (0-100) and detail.
    required property var kp
    // Rows of the weak-point list stand out in their level's colour.
    required property bool highlight

    readonly property color levelColor: Theme.color(row.kp.levelTone, Theme.dark)

    objectName: "kpRow"
    height: kpColumn.implicitHeight + 28
    radius: 16
    color: row.highlight ? Theme.withOpacity(levelColor, 0.08) : Theme.secondaryGroupedBackground
    Accessible.role: Accessible.StaticText
    Accessible.name: row.kp.kpName + " " + row.kp.levelLabel + " " + row.kp.detail

    Column {
        id: kpColumn

        x: 14
        y: 14
        width: parent.width - 28
        spacing: 6

        Item {
            width: parent.width
            height: Math.max(kpName.implicitHeight, kpLevel.implicitHeight)

            Text {
                id: kpName

                anchors.verticalCenter: parent.verticalCenter
                width: parent.width - kpLevel.implicitWidth - 8
                text: row.kp.kpName
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font.pixelSize: 15
                font.bold: true
                color: Theme.label
            }
            Text {
                id: kpLevel

                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: row.kp.levelLabel
                textFormat: Text.PlainText
                font.pixelSize: 12
                font.bold: true
                color: Theme.legible(row.levelColor, Theme.over(row.color, Theme.groupedBackground))
            }
        }
        Rectangle {
            width: parent.width
            height: 4
            radius: 2
            color: Theme.withOpacity(row.levelColor, 0.2)

            Rectangle {
                objectName: "kpRateFill"
                width: parent.width * row.kp.rate / 100
                height: parent.height
                radius: 2
                visible: width > 0
                color: row.levelColor
            }
        }
        Text {
            width: parent.width
            text: row.kp.detail
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: 12
            color: Theme.secondaryLabel
        }
    }
}
