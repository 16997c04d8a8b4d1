import QtQuick
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home

// The status chips of the companion header: the days studied this week and the lessons done on the last
// path, each only once its value is known, side by side at the leading end. The row loads both each time it
// comes on screen; it never shows a failure. Drawn on the header's dark gradient: white on a white capsule.
Row {
    id: root

    required property AppSession session
    readonly property alias viewModel: vm

    spacing: 8
    topPadding: 2

    HeroStatsViewModel {
        id: vm
        session: root.session
    }

    // On screen: shown in a window. Judged once the page has settled what it shows.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
    onOnScreenChanged: onScreen ? vm.load() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { root.ready = true })

    component StatChip: Rectangle {
        id: chip

        property string symbol
        property string label

        implicitWidth: content.implicitWidth + 16
        implicitHeight: content.implicitHeight + 8
        radius: height / 2
        color: Qt.rgba(1, 1, 1, 0.18)
        Accessible.role: Accessible.StaticText
        Accessible.name: label

        Row {
            id: content

            anchors.centerIn: parent
            spacing: 4

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                symbol: chip.symbol
                size: 11
                font.bold: true
                color: "white"
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: chip.label
                textFormat: Text.PlainText
                font.pixelSize: 11
                font.bold: true
                color: "white"
            }
        }
    }

    StatChip {
        objectName: "heroDaysChip"
        visible: vm.daysChipShown
        symbol: vm.daysSymbol
        label: vm.daysChipText
    }
    StatChip {
        objectName: "heroPlanChip"
        visible: vm.planChipShown
        symbol: vm.planSymbol
        label: vm.planChipText
    }
}
