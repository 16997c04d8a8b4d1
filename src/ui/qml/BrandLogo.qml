import QtQuick
import Quorvel.Ui

// The brand mark ("BrandLogo"): the artwork scaled to fill the item, clipped to a rounded square of
// `radius` and outlined by a faint white line. The artwork is painted straight from its vector file with its
// corners cut, so the rounded clip works on every renderer; painting it ourselves also keeps the first screen
// off Qt Quick's image loader, whose first use loads every image format plugin.
Item {
    id: logo

    property real radius: 24
    readonly property url source: Qt.resolvedUrl("assets/BrandLogo.svg")
    readonly property real r: Math.min(radius, width / 2, height / 2)

    implicitWidth: 92
    implicitHeight: 92

    RoundedPicture {
        anchors.fill: parent
        source: logo.source
        fill: true
        radius: logo.r
    }

    Rectangle {
        anchors.fill: parent
        radius: logo.r
        color: "transparent"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.35)
        antialiasing: true
    }
}
