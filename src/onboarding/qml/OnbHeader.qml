import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes
import Quorvel.Ui
import Quorvel.Onboarding

// The coloured panel at the top of an onboarding page: the step bar (from step 1 on) or a small badge, then
// an icon tile beside the title and the subtitle, on the brand gradient with two soft circles and a rounded
// bottom. It grows with a subtitle that wraps.
Item {
    id: header

    property int step: 0
    property int total: 0
    // Shown in place of the bar while there is no step; empty means nothing is shown there.
    property string badge
    property string icon
    property string title
    property string subtitle

    implicitWidth: 360
    implicitHeight: column.implicitHeight + column.anchors.topMargin + column.anchors.bottomMargin

    Item {
        id: backdrop

        anchors.fill: parent
        clip: true

        RoundedCorners {
            anchors.fill: parent
            radius: 30
            fillGradient: LinearGradient {
                x1: 0; y1: 0
                x2: backdrop.width; y2: backdrop.height
                GradientStop { position: 0; color: Theme.brandTeal }
                GradientStop { position: 0.5; color: Theme.brandNavy }
                GradientStop { position: 1; color: Theme.brandNavyDeep }
            }
        }
        SoftCircle {
            diameter: 190
            color: Qt.rgba(1, 1, 1, 0.1)
            x: backdrop.width - diameter + 70
            y: -50
        }
        SoftCircle {
            diameter: 120
            color: Qt.rgba(1, 1, 1, 0.06)
            x: backdrop.width - diameter - 60
            y: 70
        }
    }

    ColumnLayout {
        id: column

        anchors.fill: parent
        anchors.leftMargin: 22
        anchors.rightMargin: 22
        anchors.topMargin: 14
        anchors.bottomMargin: 28
        spacing: 16

        OnbStepBar {
            objectName: "headerStepBar"
            Layout.fillWidth: true
            visible: OnbKit.headerShowsStepBar(header.step) && OnbKit.stepSegments(header.total) > 0
            step: header.step
            total: header.total
        }

        Rectangle {
            objectName: "headerBadge"
            visible: OnbKit.headerShowsBadge(header.step, header.badge)
            implicitWidth: badgeText.implicitWidth + 20
            implicitHeight: badgeText.implicitHeight + 10
            radius: height / 2
            color: Qt.rgba(1, 1, 1, 0.1) // faint enough for the white text on the gradient's teal end
            border.color: Qt.rgba(1, 1, 1, 0.3)
            border.width: 1

            Text {
                id: badgeText

                anchors.centerIn: parent
                text: header.badge
                textFormat: Text.PlainText
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: "white"
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 14

            Rectangle {
                Layout.preferredWidth: 50
                Layout.preferredHeight: 50
                Layout.alignment: Qt.AlignVCenter
                radius: 15
                color: Qt.rgba(1, 1, 1, 0.16)
                border.color: Qt.rgba(1, 1, 1, 0.3)
                border.width: 1

                SymbolIcon {
                    anchors.centerIn: parent
                    symbol: header.icon
                    size: 22
                    font.weight: Font.DemiBold
                    color: "white"
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignVCenter
                spacing: 5

                Text {
                    objectName: "headerTitle"
                    Layout.fillWidth: true
                    text: header.title
                    textFormat: Text.PlainText
                    font.pixelSize: 25
                    font.weight: Font.Black
                    color: "white"
                    wrapMode: Text.Wrap
                }
                Text {
                    objectName: "headerSubtitle"
                    Layout.fillWidth: true
                    text: header.subtitle
                    textFormat: Text.PlainText
                    font.pixelSize: 14 // 13.5, rounded to whole pixels
                    color: Qt.rgba(1, 1, 1, 0.85)
                    wrapMode: Text.Wrap
                }
            }
        }
    }
}
