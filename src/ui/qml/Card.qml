import QtQuick
import Quorvel.Ui

// A rounded card with a faint navy shadow. Give it a width; children go into the area inside `padding`
// (give them `width: parent.width`) and the card is as tall as they are.
Item {
    id: card

    property real radius: 20
    property real padding: 16
    property color color: Theme.secondaryGroupedBackground
    property real shadowOpacity: 0.06
    default property alias content: body.data
    readonly property alias contentItem: body

    implicitWidth: 320
    implicitHeight: body.childrenRect.height + 2 * padding

    BrandShadow {
        anchors.fill: background
        cornerRadius: background.radius
        color: Theme.withOpacity(Theme.brandNavy, card.shadowOpacity)
        blur: 10
        offsetY: 4
        visible: card.shadowOpacity > 0
    }

    Rectangle {
        id: background

        anchors.fill: parent
        radius: card.radius
        color: card.color
    }

    Item {
        id: body

        x: card.padding
        y: card.padding
        width: card.width - 2 * card.padding
        height: card.height - 2 * card.padding
    }
}
