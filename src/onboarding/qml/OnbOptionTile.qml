import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Onboarding

// A full-width choice: an icon badge, a title with an optional subtitle, and a check mark. The caller owns
// the selection: a tap only emits `action`, and the look follows `selected`.
Item {
    id: tile

    property string icon
    property string title
    property string subtitle
    property bool selected: false
    signal action()

    implicitWidth: 320
    implicitHeight: button.implicitHeight
    Accessible.name: title

    T.AbstractButton {
        id: button

        objectName: "optionTileButton"
        anchors.fill: parent
        implicitHeight: row.implicitHeight + 28
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

        RowLayout {
            id: row

            anchors.fill: parent
            anchors.margins: 14
            spacing: 14

            Rectangle {
                Layout.preferredWidth: 42
                Layout.preferredHeight: 42
                radius: 12
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
                    size: 18
                    font.weight: Font.DemiBold
                    color: tile.selected ? "white" : Theme.brandTeal
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignVCenter
                spacing: 3

                Text {
                    Layout.fillWidth: true
                    text: tile.title
                    textFormat: Text.PlainText
                    font.pixelSize: 16
                    font.weight: Font.DemiBold
                    color: Theme.brandNavyDeep
                    elide: Text.ElideRight
                }
                Text {
                    objectName: "optionTileSubtitle"
                    Layout.fillWidth: true
                    visible: tile.subtitle.length > 0
                    text: tile.subtitle
                    textFormat: Text.PlainText
                    font.pixelSize: 13 // 12.5, rounded to whole pixels
                    color: Theme.brandMuted
                    wrapMode: Text.Wrap
                }
            }

            SymbolIcon {
                symbol: tile.selected ? "checkmark.circle.fill" : "circle"
                size: 22
                color: tile.selected ? Theme.brandTeal : Theme.brandLine
            }
        }

        FocusRing {}
    }
}
