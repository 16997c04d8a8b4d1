import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// A sheet over the page: a dimmed backdrop and a panel rising from the bottom edge, with a navigation bar
// (the close text button at the leading end, an optional inline title) over a scrolling body on the page
// colour. Whatever closes it (the close button, Escape, a click on the backdrop) ends in `closeRequested`;
// the presenter then takes it down. Children go into the scrolling body, which is as wide as the panel.
Item {
    id: sheet

    property string title
    property string closeLabel: "关闭"
    property real panelHeight: height - 24
    // A grabber on the panel's top edge, for sheets that change height.
    property bool grabber: false
    default property alias content: body.data
    readonly property alias scroller: flick

    signal closeRequested()
    signal grabberClicked()

    // The panel rises into place once the sheet has its size.
    property real rise: 0
    NumberAnimation {
        id: riseAnimation

        target: sheet
        property: "rise"
        to: 0
        duration: 260
        easing.type: Easing.OutCubic
    }
    property bool risen: false
    onHeightChanged: {
        if (!risen && height > 0) {
            risen = true;
            riseAnimation.from = panelHeight;
            riseAnimation.start();
        }
    }
    Component.onCompleted: heightChanged()

    Shortcut {
        sequences: [StandardKey.Cancel]
        onActivated: sheet.closeRequested()
    }

    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.35 * (1 - sheet.rise / Math.max(1, sheet.panelHeight)))

        MouseArea {
            anchors.fill: parent
            onClicked: sheet.closeRequested()
            // The page under the sheet does not scroll.
            onWheel: (wheel) => { wheel.accepted = true; }
        }
    }

    Item {
        id: panel

        width: sheet.width
        height: sheet.panelHeight
        y: sheet.height - height + sheet.rise
        Behavior on height {
            NumberAnimation { duration: 200; easing.type: Easing.OutQuad }
        }

        // Clicks on the panel stay on the panel.
        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.AllButtons
        }

        // Rounded at the top only: the bottom corners run past the window's edge.
        Rectangle {
            anchors.fill: parent
            anchors.bottomMargin: -radius
            radius: 12
            color: Theme.brandMist
        }

        T.AbstractButton {
            id: grabberHandle

            visible: sheet.grabber
            anchors.horizontalCenter: parent.horizontalCenter
            y: 0
            width: 80
            height: 16
            Accessible.name: "调整高度"
            onClicked: sheet.grabberClicked()

            HoverHandler {
                cursorShape: Qt.PointingHandCursor
            }
            background: Item {}
            contentItem: Item {
                Rectangle {
                    anchors.centerIn: parent
                    width: 36
                    height: 5
                    radius: 2.5
                    color: Qt.rgba(0, 0, 0, grabberHandle.hovered ? 0.3 : 0.18)
                }
            }
        }

        Item {
            id: bar

            width: parent.width
            height: 52

            T.Button {
                id: closeButton

                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                objectName: "sheetCloseButton"
                anchors.left: parent.left
                anchors.leftMargin: 12
                anchors.verticalCenter: parent.verticalCenter
                padding: 8
                text: sheet.closeLabel
                onClicked: sheet.closeRequested()

                HoverHandler {
                    cursorShape: Qt.PointingHandCursor
                }
                contentItem: Text {
                    text: closeButton.text
                    textFormat: Text.PlainText
                    font.pixelSize: 17
                    color: Theme.brandTeal
                    opacity: closeButton.down ? 0.5 : 1
                }
                background: Item {}
            }

            Text {
                anchors.centerIn: parent
                width: Math.min(implicitWidth, parent.width - 2 * (closeButton.width + 24))
                text: sheet.title
                textFormat: Text.PlainText
                font.pixelSize: 17
                font.weight: Font.DemiBold
                color: Theme.brandNavy
                elide: Text.ElideRight
            }

            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: Theme.brandLine
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
