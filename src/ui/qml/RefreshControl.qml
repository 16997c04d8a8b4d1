import QtQuick
import Quorvel.Ui

// Pull-to-refresh for a Flickable: put it inside the Flickable's content. Pulling the page down past
// `threshold` and letting go, scrolling the mouse wheel on past the top, or F5 calls `triggered`; while
// `refreshing` the spinner stays at the top and the page keeps room for it. When to trigger is
// PullToRefresh's call.
Item {
    id: control

    required property Flickable flickable
    property bool refreshing: false
    property real threshold: 64
    property color color: Theme.brandMuted
    // F5 answers only for the refresh control of the page on screen.
    property bool shortcutEnabled: visible
    signal triggered()

    // Measured from the content's origin, which a list's header moves above 0.
    readonly property real pulled: Math.max(0, flickable.originY - flickable.contentY - flickable.topMargin)
    readonly property alias progress: logic.progress

    onRefreshingChanged: if (!refreshing) flickable.returnToBounds()

    width: flickable.width
    height: 56
    y: flickable.originY - height

    PullToRefresh {
        id: logic

        threshold: control.threshold
        refreshing: control.refreshing
        dragPull: control.pulled
        onTriggered: control.triggered()
    }

    BrandSpinner {
        anchors.centerIn: parent
        size: 22
        color: control.color
        visible: control.refreshing || control.pulled > 8 || logic.wheelPull > 8
        opacity: control.refreshing ? 1 : logic.progress
        running: control.refreshing
        rotation: control.refreshing ? 0 : 360 * logic.progress
    }

    Connections {
        target: control.flickable

        function onDragEnded() {
            logic.release(control.flickable.originY - control.flickable.contentY)
        }
    }

    // Over the whole Flickable, only listening: the wheel step goes on to the Flickable.
    MouseArea {
        parent: control.flickable
        anchors.fill: parent
        z: 1
        acceptedButtons: Qt.NoButton
        onWheel: (wheel) => {
            const step = wheel.pixelDelta.y !== 0 ? wheel.pixelDelta.y : wheel.angleDelta.y / 2
            logic.wheel(step, control.flickable.atYBeginning)
            wheel.accepted = false
        }
    }

    Shortcut {
        sequences: [logic.refreshKey]
        enabled: control.shortcutEnabled
        onActivated: logic.request()
    }

    Binding {
        target: control.flickable
        property: "topMargin"
        value: control.refreshing ? control.height : 0
    }
}
