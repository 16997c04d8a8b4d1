import QtQuick
import Quorvel.Ui

// The surface every home card sits on (the tiles, the tool dock, the search row): a panel in the grouped
// page's secondary colour with 20 px corners over a faint navy shadow. Use it as a control's `background`,
// or lay it under content with `anchors.fill`.
Item {
    id: surface

    property real radius: 20
    property color color: Theme.secondaryGroupedBackground

    BrandShadow {
        anchors.fill: parent
        cornerRadius: surface.radius
        color: Theme.withOpacity(Theme.brandNavy, 0.08)
        blur: 10
        offsetY: 4
    }

    Rectangle {
        objectName: "homeCardFill"
        anchors.fill: parent
        radius: surface.radius
        color: surface.color
        antialiasing: true
    }
}
