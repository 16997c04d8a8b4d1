import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Home

// The home card of type "ToolDock": the eight tools in two rows of four at every width, on the home card
// surface, with no title of its own. A tap asks for the tool's page with toolRequested(key); the home screen
// pushes it and calls HomeTools.logToolClick(key) each time that page comes on screen.
T.Control {
    id: dock

    // The card's props from the layout document: accepted, but nothing in them changes the dock.
    property var props
    signal toolRequested(string key)

    topPadding: 14
    bottomPadding: 14
    leftPadding: 8
    rightPadding: 8
    implicitWidth: 360
    implicitHeight: grid.implicitHeight + topPadding + bottomPadding

    background: HomeCardSurface {}

    contentItem: Grid {
        id: grid

        readonly property real cellWidth: Math.max(10, (width - 3 * columnSpacing) / columns)

        columns: 4
        columnSpacing: 4
        rowSpacing: 14

        Repeater {
            model: HomeTools.tools

            T.AbstractButton {
                id: tool

                required property int index
                required property string key
                required property string title
                required property url iconUrl

                objectName: "toolButton"
                width: grid.cellWidth
                implicitHeight: label.implicitHeight
                focusPolicy: Qt.TabFocus
                Accessible.name: title
                onClicked: dock.toolRequested(key)

                HoverHandler {
                    cursorShape: Qt.PointingHandCursor
                }

                contentItem: Column {
                    id: label

                    spacing: 6
                    opacity: tool.down ? 0.6 : 1

                    RoundedPicture {
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: 52
                        height: 52
                        source: tool.iconUrl
                        fill: true
                        radius: 16
                        Accessible.ignored: true
                    }
                    Text {
                        width: parent.width
                        text: tool.title
                        textFormat: Text.PlainText
                        horizontalAlignment: Text.AlignHCenter
                        elide: Text.ElideRight
                        font.pixelSize: 12
                        color: Theme.label
                        Accessible.ignored: true
                    }
                }
                background: Item {}

                FocusRing {}
            }
        }
    }
}
