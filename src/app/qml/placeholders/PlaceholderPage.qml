import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Ui

// Stands in for a screen whose subsystem is not built yet.
Page {
    id: page

    property string heading

    background: Rectangle { color: Theme.brandMist }

    Label {
        anchors.centerIn: parent
        text: page.heading
        textFormat: Text.PlainText
        color: Theme.brandNavy
        font.pixelSize: 24
        font.bold: true
    }
}
