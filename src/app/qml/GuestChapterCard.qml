import QtQuick
import QtQuick.Layouts
import Quorvel

// One chapter of the guest catalogue: grade, name, lesson count, the numbered knowledge points and a
// sign-in button. `chapter` is one entry of the catalogue model's `chapters`.
Item {
    id: card

    required property var chapter
    property string loginLabel
    signal loginRequested()

    implicitHeight: column.implicitHeight + 36

    BrandShadow {
        anchors.fill: parent
        cornerRadius: 20
        color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.08)
        blur: 10
        offsetY: 4
    }
    Rectangle {
        anchors.fill: parent
        radius: 20
        color: "white"
    }

    ColumnLayout {
        id: column

        x: 18
        y: 18
        width: card.width - 36
        spacing: 10

        Text {
            Layout.fillWidth: true
            text: card.chapter.gradeLine
            textFormat: Text.PlainText
            font.pixelSize: 12
            font.bold: true
            color: Theme.brandTeal
        }
        Text {
            Layout.fillWidth: true
            text: card.chapter.title
            textFormat: Text.PlainText
            font.pixelSize: 19
            font.weight: Font.Black
            color: Theme.brandNavy
            wrapMode: Text.Wrap
        }
        Text {
            Layout.fillWidth: true
            text: card.chapter.lessonsLine
            textFormat: Text.PlainText
            font.pixelSize: 12
            color: Theme.brandMuted
        }

        Repeater {
            model: card.chapter.points

            RowLayout {
                required property var modelData

                Layout.fillWidth: true
                spacing: 10

                Rectangle {
                    Layout.preferredWidth: 24
                    Layout.preferredHeight: 24
                    Layout.alignment: Qt.AlignVCenter
                    radius: 12
                    gradient: BrandGradientAlt {}

                    Text {
                        anchors.centerIn: parent
                        text: modelData.number
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        font.bold: true
                        color: "white"
                    }
                }
                Text {
                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignVCenter
                    text: modelData.name
                    textFormat: Text.PlainText
                    font.pixelSize: 15
                    color: "black"
                    wrapMode: Text.Wrap
                }
            }
        }

        BrandPrimaryButton {
            objectName: "chapterLogin"
            Layout.topMargin: 4
            text: card.loginLabel
            styleEnabled: true
            onClicked: card.loginRequested()
        }
    }
}
