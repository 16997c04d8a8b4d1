import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home

// The "TodayTasks" card of the home grid: the current learning path's goal, lessons done and a bar, or the
// invitation to pick a chapter. It has no tap of its own: the grid makes the whole card the way into the
// learning tab. It loads when it comes on screen and whenever the session's last path changes meanwhile.
// Its panel holds an optional `accessory` at the trailing end, centred (the tile's picture).
Rectangle {
    id: root

    required property AppSession session
    required property string title
    required property string size
    readonly property alias viewModel: vm
    property alias accessory: accessorySlot.data

    objectName: "todayPanel"
    implicitWidth: 320
    implicitHeight: Math.max(vm.minHeight + 32, column.implicitHeight + 32, accessorySlot.implicitHeight + 32)
    radius: 14
    color: Theme.secondaryBackground

    TodayTasksCardViewModel {
        id: vm
        session: root.session
        title: root.title
        size: root.size
    }

    // Bound from outside: inside the view-model's block qmllint takes "onScreen:" for a signal handler.
    Binding {
        target: vm
        property: "onScreen"
        value: root.onScreen
    }

    // On screen: shown in a window. Judged once the page has settled what it shows.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
    // A card dropped before the call comes (a page popped at once) has nothing left to set.
    Component.onCompleted: Qt.callLater(() => { if (root) root.ready = true })

    Item {
        id: accessorySlot

        anchors.right: parent.right
        anchors.rightMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: childrenRect.width
        implicitHeight: childrenRect.height
        width: implicitWidth
        height: implicitHeight
    }

    ColumnLayout {
        id: column

        x: 16
        y: 16
        width: root.width - 32 - (accessorySlot.width > 0 ? accessorySlot.width + 12 : 0)
        spacing: 8

        SymbolIcon {
            symbol: vm.symbol
            size: 22
            color: Theme.brandTeal
        }
        Text {
            objectName: "todayTitle"
            Layout.fillWidth: true
            text: vm.title
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font.pixelSize: 17
            font.weight: Font.DemiBold
            color: Theme.label
        }
        Text {
            objectName: "todayProgressLine"
            Layout.fillWidth: true
            visible: vm.hasPath
            text: vm.progressLine
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font.pixelSize: 12
            color: Theme.secondaryLabel
        }
        ProgressBar {
            id: bar

            objectName: "todayProgressBar"
            Layout.fillWidth: true
            visible: vm.hasPath
            from: 0
            to: vm.progressTotal
            value: vm.progressValue

            // A thin bar in the theme's colours, in either scheme.
            background: Rectangle {
                implicitWidth: 120
                implicitHeight: 4
                radius: 2
                color: Theme.gray5
            }
            contentItem: Item {
                implicitHeight: 4

                Rectangle {
                    width: bar.visualPosition * parent.width
                    height: parent.height
                    radius: 2
                    color: Theme.brandTeal
                }
            }
        }
        Text {
            objectName: "todayInvitation"
            Layout.fillWidth: true
            visible: !vm.hasPath
            text: vm.invitation
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: 12
            color: Theme.secondaryLabel
        }
    }
}
