import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Settings

// One row of a settings card, drawn from its row of the page's list: a navigation row with a chevron, a
// toggle with its switch, a centred action, an info row with its value, a link with an outward arrow (dimmed
// and inert when its address is not a web address). Every kind but the action starts with its icon tile.
// What a tap means is reported; the page decides.
T.AbstractButton {
    id: row

    required property string kind
    required property string title
    required property string subtitle
    required property string iconSymbol
    required property string iconColour
    required property string pageId
    required property int destination
    required property var openProperties
    required property bool on
    required property string actionName
    required property bool destructive
    required property string value
    required property url url
    required property bool linkActive
    required property int sectionIndex
    required property int itemIndex
    // A divider under the row, indented past the icon tile: every row of a card but its last.
    required property bool divider

    readonly property bool isAction: kind === "action"
    readonly property bool tappable: kind === "navigation" || kind === "toggle" || isAction || linkActive
    readonly property color tileColour: Theme[iconColour] !== undefined ? Theme[iconColour] : Theme.brandTeal

    signal navigate(int destination, var properties)
    signal switched(int sectionIndex, int itemIndex, bool value)
    signal actionTriggered(string action)
    signal linkOpened(url url)

    objectName: "settingsRow"
    implicitHeight: isAction ? actionLabel.implicitHeight + 30 : Math.max(56, layout.implicitHeight + 22)
    text: title
    hoverEnabled: tappable
    opacity: kind === "link" && !linkActive ? 0.5 : 1
    Accessible.role: kind === "toggle" ? Accessible.CheckBox : kind === "link" ? Accessible.Link
                   : tappable ? Accessible.Button : Accessible.StaticText
    Accessible.name: kind === "info" ? title + " " + value : title
    Accessible.checkable: kind === "toggle"
    Accessible.checked: on

    onClicked: {
        if (kind === "navigation")
            navigate(destination, openProperties)
        else if (kind === "toggle")
            switched(sectionIndex, itemIndex, !on)
        else if (isAction)
            actionTriggered(actionName)
        else if (linkActive)
            linkOpened(url)
    }

    HoverHandler {
        enabled: row.tappable
        cursorShape: Qt.PointingHandCursor
    }

    background: Rectangle {
        color: row.tappable && row.down ? Theme.gray5 : "transparent"

        Rectangle {
            visible: row.divider
            anchors.bottom: parent.bottom
            x: 62
            width: parent.width - x
            height: 1
            color: Theme.separator
        }
    }

    Text {
        id: actionLabel

        visible: row.isAction
        anchors.centerIn: parent
        width: parent.width - 28
        text: row.title
        textFormat: Text.PlainText
        font.pixelSize: 15
        font.bold: true
        color: row.destructive ? Theme.legible(Theme.red, Theme.secondaryGroupedBackground) : Theme.accent
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.Wrap
    }

    RowLayout {
        id: layout

        visible: !row.isAction
        x: 14
        width: row.width - 28
        anchors.verticalCenter: parent.verticalCenter
        spacing: 12

        Rectangle {
            implicitWidth: 34
            implicitHeight: 34
            radius: 10
            Accessible.ignored: true
            gradient: Gradient {
                GradientStop { position: 0; color: Qt.lighter(row.tileColour, 1.18) }
                GradientStop { position: 1; color: row.tileColour }
            }

            SymbolIcon {
                anchors.centerIn: parent
                symbol: row.iconSymbol
                size: 17
                color: "white"
            }
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            Text {
                Layout.fillWidth: true
                text: row.title
                textFormat: Text.PlainText
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: Theme.label
                wrapMode: Text.Wrap
            }
            Text {
                Layout.fillWidth: true
                visible: row.subtitle.length > 0
                text: row.subtitle
                textFormat: Text.PlainText
                font.pixelSize: 12
                color: Theme.secondaryLabel
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
        Text {
            objectName: "settingsRowValue"
            visible: row.kind === "info"
            Layout.maximumWidth: row.width * 0.45
            text: row.value
            textFormat: Text.PlainText
            font.pixelSize: 13
            color: Theme.secondaryLabel
            elide: Text.ElideRight
        }
        // Made for a toggle only: a page holds many rows, few of them toggles.
        Loader {
            active: row.kind === "toggle"
            visible: active
            sourceComponent: BrandSwitch {
                objectName: "settingsRowSwitch"
                on: row.on
                onSwitched: wanted => row.switched(row.sectionIndex, row.itemIndex, wanted)
            }
        }
        SymbolIcon {
            visible: row.kind === "navigation" || row.linkActive
            Layout.leftMargin: 8
            symbol: row.linkActive ? "arrow.up.right" : "chevron.right"
            size: 13
            color: Theme.tertiaryLabel
        }
    }

    FocusRing {}
}
