import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Onboarding

// A small choice laid out several to a row: a round icon over a one-line title. The caller owns the
// selection: a tap only emits `action`, and the look follows `selected`.
Item {
    id: tile

    property string icon
    property string title
    property bool selected: false
    signal action()

    implicitWidth: 100
    implicitHeight: button.implicitHeight
    Accessible.name: title

    T.AbstractButton {
        id: button

        objectName: "compactTileButton"
        anchors.fill: parent
        implicitHeight: column.implicitHeight + 28
        focusPolicy: Qt.StrongFocus
        Accessible.name: tile.title
        Accessible.role: Accessible.RadioButton
        onClicked: tile.action()

        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }

        background: Rectangle {
            radius: 16
            color: tile.selected ? Theme.withOpacity(Theme.brandTeal, 0.07) : Theme.brandCloud
            border.color: tile.selected ? Theme.brandTeal : Theme.withOpacity(Theme.brandLine, 0.6)
            border.width: tile.selected ? 1.5 : 1

            Behavior on color { ColorAnimation { duration: 180; easing.type: Easing.OutQuad } }
            Behavior on border.color { ColorAnimation { duration: 180; easing.type: Easing.OutQuad } }
        }

        ColumnLayout {
            id: column

            anchors.left: parent.left
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            anchors.leftMargin: 6
            anchors.rightMargin: 6
            spacing: 8

            Rectangle {
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 46
                Layout.preferredHeight: 46
                radius: 23
                color: Theme.withOpacity(Theme.brandTeal, 0.1)

                Rectangle {
                    anchors.fill: parent
                    radius: parent.radius
                    gradient: BrandGradientAlt {}
                    opacity: tile.selected ? 1 : 0
                    Behavior on opacity { NumberAnimation { duration: 180; easing.type: Easing.OutQuad } }
                }
                SymbolIcon {
                    anchors.centerIn: parent
                    symbol: tile.icon
                    size: 22
                    font.weight: Font.DemiBold
                    color: tile.selected ? "white" : Theme.brandTeal
                }
            }

            Text {
                objectName: "compactTileTitle"
                Layout.fillWidth: true
                text: tile.title
                textFormat: Text.PlainText
                horizontalAlignment: Text.AlignHCenter
                maximumLineCount: 1
                // A long title shrinks to no less than 0.8 of its size before it is cut.
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: 11
                elide: Text.ElideRight
                font.pixelSize: 14
                font.weight: tile.selected ? Font.Bold : Font.Medium
                color: tile.selected ? Theme.brandNavyDeep : Theme.brandMuted
            }
        }

        FocusRing {}
    }
}
