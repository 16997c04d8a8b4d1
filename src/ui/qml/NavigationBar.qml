import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// The title bar of a page: an optional back control at the leading end, the title in the middle, optional
// items at the trailing end (`trailing: [ ... ]`) and a hairline below. Colours default to the grouped page
// it sits on; `color`, `titleColor` and `separatorColor` can follow another page. The title and the back
// control take the form that reads on the bar's colour, so a bar kept light in the dark scheme stays readable.
Rectangle {
    id: bar

    property string title
    property bool showsBack: false
    property string backLabel: "返回"
    // A clear bar shows the page under it, which follows the scheme.
    readonly property color surface: Theme.over(color, Theme.groupedBackground)
    property color tint: Theme.roleOn(Theme.Accent, surface)
    property color titleColor: Theme.roleOn(Theme.Label, surface)
    property color separatorColor: Theme.gray5
    property alias trailing: trailingRow.data
    signal backRequested()

    implicitHeight: 52
    color: Theme.groupedBackground

    T.AbstractButton {
        id: back

        objectName: "backButton"
        anchors.left: parent.left
        anchors.leftMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 44
        implicitHeight: 44
        visible: bar.showsBack
        Accessible.name: bar.backLabel
        onClicked: bar.backRequested()

        contentItem: SymbolIcon {
            symbol: "chevron.left"
            size: 30
            color: bar.tint
            opacity: back.down ? 0.5 : 1
        }
        background: Item {}

        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }
        FocusRing {
            outset: -2
            radius: 10
        }
    }

    Text {
        objectName: "pageTitle"
        anchors.centerIn: parent
        width: Math.min(implicitWidth, parent.width - 2 * Math.max(56, trailingRow.width + 16))
        text: bar.title
        textFormat: Text.PlainText
        font.pixelSize: 17
        font.weight: Font.DemiBold
        color: bar.titleColor
        elide: Text.ElideRight
        horizontalAlignment: Text.AlignHCenter
    }

    Row {
        id: trailingRow

        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4
    }

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: bar.separatorColor
    }
}
