import QtQuick
import QtQuick.Layouts
import Quorvel.Ui

// What stands in for a link the desktop could not open: a hint, and the number or address as selectable text,
// so it can still be copied or dialled by hand.
ColumnLayout {
    id: fallback

    property string hint
    property string value
    property bool light: false

    spacing: 4

    Text {
        Layout.fillWidth: true
        text: fallback.hint
        textFormat: Text.PlainText
        font.pixelSize: 13
        color: Theme.brandMuted
        wrapMode: Text.Wrap
    }
    TextEdit {
        objectName: "fallbackValue"
        Layout.fillWidth: true
        text: fallback.value
        textFormat: TextEdit.PlainText
        readOnly: true
        selectByMouse: true
        persistentSelection: true
        wrapMode: TextEdit.WrapAnywhere
        font.pixelSize: 17
        font.bold: true
        color: Theme.brandNavy
        selectionColor: Theme.brandMint
        selectedTextColor: Theme.brandNavyDeep
    }
}
