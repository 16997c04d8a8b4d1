import QtQuick
import QtQuick.Layouts
import Quorvel.Ui

// The heading of a guest-home section: a small eyebrow over the section's title.
ColumnLayout {
    property string eyebrow
    property string title

    spacing: 4

    Text {
        Layout.fillWidth: true
        text: parent.eyebrow
        textFormat: Text.PlainText
        font.pixelSize: 12
        font.bold: true
        color: Theme.brandTeal
    }
    Text {
        Layout.fillWidth: true
        text: parent.title
        textFormat: Text.PlainText
        font.pixelSize: 21
        font.weight: Font.Black
        color: Theme.brandNavy
        wrapMode: Text.Wrap
    }
}
