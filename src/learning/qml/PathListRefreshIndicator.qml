import QtQuick
import Quorvel

// Pull-to-refresh for a Flickable of the learning tab: put it inside the Flickable's content. Pulling the
// page down past `threshold` and letting go calls `triggered`; while `refreshing` the spinner stays at the
// top and the page keeps room for it.
Item {
    id: indicator

    required property Flickable flickable
    property bool refreshing: false
    property real threshold: 64
    property color color: Theme.brandMuted
    signal triggered()

    readonly property real pulled: Math.max(0, -flickable.contentY - flickable.topMargin)

    onRefreshingChanged: if (!refreshing) flickable.returnToBounds()

    width: flickable.width
    height: 56
    y: -height

    BrandSpinner {
        anchors.centerIn: parent
        size: 22
        color: indicator.color
        visible: indicator.refreshing || indicator.pulled > 8
        opacity: indicator.refreshing ? 1 : Math.min(1, indicator.pulled / indicator.threshold)
        running: indicator.refreshing
        rotation: indicator.refreshing ? 0 : 360 * Math.min(1, indicator.pulled / indicator.threshold)
    }

    Connections {
        target: indicator.flickable

        function onDragEnded() {
            if (!indicator.refreshing && -indicator.flickable.contentY >= indicator.threshold)
                indicator.triggered()
        }
    }

    Binding {
        target: indicator.flickable
        property: "topMargin"
        value: indicator.refreshing ? indicator.height : 0
    }
}
