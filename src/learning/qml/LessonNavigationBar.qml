import QtQuick
import QtQuick.Templates as T
import Quorvel

// The title bar of a page pushed on the learning tab: the back control at the leading end, the title in the
// middle, a hairline below.
Rectangle {
    id: bar

    property string title
    property string backLabel
    property bool showsBack: true
    signal backRequested()

    implicitHeight: 48
    color: Theme.brandMist

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
            color: Theme.brandTeal
            opacity: back.down ? 0.5 : 1
        }
        background: Item {}

        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }
    }

    Text {
        objectName: "pageTitle"
        anchors.centerIn: parent
        width: Math.min(implicitWidth, parent.width - 2 * 56)
        text: bar.title
        textFormat: Text.PlainText
        font.pixelSize: 17
        font.weight: Font.DemiBold
        color: Theme.color(Theme.Label, false)
        elide: Text.ElideRight
        horizontalAlignment: Text.AlignHCenter
    }

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Qt.rgba(0, 0, 0, 0.08)
    }
}
