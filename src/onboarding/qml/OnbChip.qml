import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Onboarding

// A one-line pill to pick from a grid. The caller owns the selection: a tap only emits `action`, and the look
// follows `selected`. `compact` has smaller type and less padding.
Item {
    id: chip

    property string title
    property bool selected: false
    property bool compact: false
    signal action()

    implicitWidth: button.implicitWidth
    implicitHeight: button.implicitHeight
    Accessible.name: title

    T.AbstractButton {
        id: button

        objectName: "chipButton"
        anchors.fill: parent
        implicitWidth: Math.max(56, label.implicitWidth + leftPadding + rightPadding)
        implicitHeight: label.implicitHeight + topPadding + bottomPadding
        topPadding: chip.compact ? 7 : 10
        bottomPadding: chip.compact ? 7 : 10
        leftPadding: 8
        rightPadding: 8
        focusPolicy: Qt.StrongFocus
        Accessible.name: chip.title
        Accessible.role: Accessible.RadioButton
        onClicked: chip.action()

        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }

        contentItem: Text {
            id: label

            objectName: "chipTitle"
            text: chip.title
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            maximumLineCount: 1
            // A long title shrinks to no less than 0.8 of its size before it is cut.
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: chip.compact ? 10 : 11
            elide: Text.ElideRight
            font.pixelSize: chip.compact ? 13 : 14
            font.weight: chip.selected ? Font.Bold : Font.Medium
            color: chip.selected ? "white" : Theme.brandNavyDeep
        }

        background: Rectangle {
            radius: 12
            color: Theme.brandCloud
            border.color: chip.selected ? "transparent" : Theme.brandLine
            border.width: 1

            Rectangle {
                anchors.fill: parent
                radius: parent.radius
                gradient: BrandGradientAlt {}
                opacity: chip.selected ? 1 : 0
                Behavior on opacity { NumberAnimation { duration: 150; easing.type: Easing.OutQuad } }
            }
        }

        FocusRing {}
    }
}
