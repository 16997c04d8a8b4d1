import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// A text button of the home page's title bar ("取消", "保存"), in the brand tint; dimmed while disabled.
T.AbstractButton {
    id: button

    property bool bold: false

    implicitWidth: label.implicitWidth + 20
    implicitHeight: 40
    Accessible.name: text

    contentItem: Text {
        id: label

        text: button.text
        textFormat: Text.PlainText
        font.pixelSize: 17
        font.weight: button.bold ? Font.DemiBold : Font.Normal
        color: Theme.brandTeal
        opacity: !button.enabled ? 0.35 : button.down ? 0.5 : 1
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Item {}

    HoverHandler {
        cursorShape: button.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
    }

    FocusRing {}
}
