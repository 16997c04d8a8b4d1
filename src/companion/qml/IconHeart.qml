import QtQuick

// The crisis card's picture: a warm heart on a soft rounded tile, drawn to fill `size` by `size`. The
// artwork's own corners are rounded (12 at 44), so it needs no clipping. The file itself is
// "qrc:/qt/qml/Quorvel/Companion/assets/IconHeart.svg" for an Image of any size.
Image {
    property real size: 44

    width: size
    height: size
    source: Qt.resolvedUrl("assets/IconHeart.svg")
    sourceSize: Qt.size(size * 2, size * 2)
    fillMode: Image.PreserveAspectCrop
    smooth: true
    Accessible.ignored: true
}
