import QtQuick
import QtQuick.Layouts
import Quorvel.Ui

// One chapter of the guest catalogue: grade, name, lesson count, the numbered knowledge points and a
// sign-in button. `chapter` is one entry of the catalogue model's `chapters`.
Card {
    id: card

    required property var chapter
    property string loginLabel
    signal loginRequested()

    padding: 18
    color: "white"
    shadowOpacity: 0.08

    ColumnLayout {
        id: column

        width: parent.width
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
                id: point

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
                        text: point.modelData.number
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        font.bold: true
                        color: "white"
                    }
                }
                Text {
                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignVCenter
                    text: point.modelData.name
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
