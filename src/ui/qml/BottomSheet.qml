import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// A modal sheet rising from the bottom of the window: a drag handle, a bar with the close text button at the
// leading end (or, for a "完成" that confirms, at the trailing end) and an optional title, over a scrolling
// body on the page colour. It rests at `detent` (SheetDetent.Medium: half the window, at least
// `mediumMinimum`; SheetDetent.Large: all but a strip at the top); dragging the handle up or down moves
// between them or closes it, a click on the handle switches them. A sheet of one height hides the handle
// (`showsHandle`). Escape, the close button and a click on the dimmed backdrop close it; `closed` follows.
// On a wide window it is at most `maximumWidth` wide, centred. Declare it in the page it covers (usually the
// window-filling one): it sizes itself to its parent. Children go into the scrolling body, which is as wide
// as the sheet. Open it with open(); being a popup, it stays above the page's ordinary items, so anything
// meant to cover an open sheet must be a popup too.
T.Popup {
    id: sheet

    property string title
    property string closeLabel: "关闭"
    property int detent: SheetDetent.Large
    // Whether a large sheet may be dragged down to medium rather than closed.
    property bool allowsMedium: true
    property real mediumMinimum: 320
    property bool showsHandle: true
    property bool closeAtTrailing: false
    // An action at the trailing end of the bar ("保存"), beside a close button at the leading end; none while
    // empty. `confirmed` follows a click; the sheet stays open (its owner closes it once the action is done).
    property string confirmLabel
    property bool confirmEnabled: true
    // The page follows the scheme unless a sheet keeps it light (the guest sheets on brandMist); the bar's
    // texts take the form that reads on it.
    property color pageColor: Theme.dark ? Theme.groupedBackground : Theme.brandMist
    property color titleColor: Theme.roleOn(Theme.Ink, pageColor)
    property real maximumWidth: 640
    default property alias content: body.data
    readonly property alias scroller: flick

    signal confirmed()

    modal: true
    dim: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutside
    padding: 0
    width: parent ? Math.min(parent.width, maximumWidth) : 0
    height: parent ? SheetDetent.height(detent, parent.height, mediumMinimum) : 0
    x: parent ? (parent.width - width) / 2 : 0
    y: parent ? parent.height - height : 0

    Behavior on height {
        enabled: sheet.opened
        NumberAnimation { duration: 200; easing.type: Easing.OutQuad }
    }

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.35)
    }

    // Up to where the sheet rests, said outright: the closing slide leaves `y` at the bottom edge, and an
    // opening that ran "to the current value" would then slide from the edge to the edge, the sheet unseen.
    enter: Transition {
        NumberAnimation {
            property: "y"
            from: sheet.parent ? sheet.parent.height : 0
            to: sheet.parent ? sheet.parent.height - sheet.height : 0
            duration: 260
            easing.type: Easing.OutCubic
        }
    }
    exit: Transition {
        NumberAnimation { property: "y"; to: sheet.parent ? sheet.parent.height : 0; duration: 200; easing.type: Easing.InQuad }
    }

    // Rounded at the top only: the bottom corners run past the window's edge.
    background: Item {
        clip: true

        Rectangle {
            anchors.fill: parent
            anchors.bottomMargin: -radius
            radius: 12
            color: sheet.pageColor
        }
    }

    contentItem: Item {
        T.AbstractButton {
            id: handle

            objectName: "sheetHandle"
            visible: sheet.showsHandle
            enabled: sheet.showsHandle
            anchors.horizontalCenter: parent.horizontalCenter
            width: 80
            height: 16
            z: 1
            Accessible.name: "调整高度"
            onClicked: sheet.detent = sheet.detent === SheetDetent.Large && sheet.allowsMedium
                       ? SheetDetent.Medium : SheetDetent.Large

            HoverHandler {
                cursorShape: Qt.SizeVerCursor
            }
            DragHandler {
                id: drag

                target: null
                xAxis.enabled: false
                onActiveChanged: {
                    if (active)
                        return
                    const next = SheetDetent.afterDrag(sheet.detent, translation.y, sheet.allowsMedium)
                    if (next === SheetDetent.Closed)
                        sheet.close()
                    else
                        sheet.detent = next
                }
            }
            FocusRing {
                outset: 0
            }
            background: Item {}
            contentItem: Item {
                Rectangle {
                    anchors.centerIn: parent
                    width: 36
                    height: 5
                    radius: 2.5
                    color: Qt.rgba(0, 0, 0, handle.hovered || drag.active ? 0.3 : 0.18)
                }
            }
        }

        Item {
            id: bar

            // Without the handle the bar takes the top of the sheet.
            y: sheet.showsHandle ? 8 : 0
            width: parent.width
            height: sheet.showsHandle ? 48 : 52

            T.Button {
                id: closeButton

                objectName: "sheetCloseButton"
                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                x: sheet.closeAtTrailing ? parent.width - width - 16 : 12
                anchors.verticalCenter: parent.verticalCenter
                padding: 8
                text: sheet.closeLabel
                Accessible.name: text
                onClicked: sheet.close()

                HoverHandler {
                    cursorShape: Qt.PointingHandCursor
                }
                FocusRing {}
                contentItem: Text {
                    text: closeButton.text
                    textFormat: Text.PlainText
                    font.pixelSize: 17
                    font.weight: sheet.closeAtTrailing ? Font.DemiBold : Font.Normal
                    color: Theme.roleOn(Theme.Accent, sheet.pageColor)
                    opacity: closeButton.down ? 0.5 : 1
                }
                background: Item {}
            }

            T.Button {
                id: confirmButton

                objectName: "sheetConfirmButton"
                visible: sheet.confirmLabel.length > 0 && !sheet.closeAtTrailing
                enabled: visible && sheet.confirmEnabled
                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                x: parent.width - width - 16
                anchors.verticalCenter: parent.verticalCenter
                padding: 8
                text: sheet.confirmLabel
                Accessible.name: text
                onClicked: sheet.confirmed()

                HoverHandler {
                    enabled: confirmButton.enabled
                    cursorShape: Qt.PointingHandCursor
                }
                FocusRing {}
                contentItem: Text {
                    text: confirmButton.text
                    textFormat: Text.PlainText
                    font.pixelSize: 17
                    font.weight: Font.DemiBold
                    color: confirmButton.enabled ? Theme.roleOn(Theme.Accent, sheet.pageColor)
                                                 : Theme.roleOn(Theme.TertiaryLabel, sheet.pageColor)
                    opacity: confirmButton.down ? 0.5 : 1
                }
                background: Item {}
            }

            Text {
                anchors.centerIn: parent
                width: Math.min(implicitWidth, parent.width - 2 * (Math.max(closeButton.width, confirmButton.visible ? confirmButton.width : 0) + 24))
                text: sheet.title
                textFormat: Text.PlainText
                font.pixelSize: 17
                font.weight: Font.DemiBold
                color: sheet.titleColor
                elide: Text.ElideRight
            }

            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: Theme.roleOn(Theme.Separator, sheet.pageColor)
                opacity: flick.contentY > 1 ? 1 : 0
            }
        }

        Flickable {
            id: flick

            anchors.top: bar.bottom
            anchors.bottom: parent.bottom
            width: parent.width
            contentWidth: width
            contentHeight: body.childrenRect.height
            boundsBehavior: Flickable.StopAtBounds
            clip: true

            T.ScrollBar.vertical: T.ScrollBar {
                id: scrollBar

                policy: T.ScrollBar.AsNeeded
                padding: 2
                minimumSize: 0.08
                contentItem: Rectangle {
                    implicitWidth: 6
                    radius: 3
                    color: Qt.rgba(0, 0, 0, 0.35)
                    opacity: scrollBar.active || scrollBar.hovered ? 1 : 0
                    Behavior on opacity {
                        NumberAnimation { duration: 200 }
                    }
                }
            }

            Item {
                id: body

                width: flick.width
                height: childrenRect.height
            }
        }
    }
}
