import QtQuick

// The brand mark ("BrandLogo"): the artwork scaled to fill the item, clipped to a rounded square of
// `radius` and outlined by a faint white line. Drawn on a canvas so the rounded clip works on every renderer.
Item {
    id: logo

    property real radius: 24
    readonly property url source: Qt.resolvedUrl("assets/BrandLogo.svg")

    implicitWidth: 92
    implicitHeight: 92

    Canvas {
        id: canvas

        anchors.fill: parent
        antialiasing: true

        onPaint: {
            const ctx = getContext("2d");
            const r = Math.min(logo.radius, width / 2, height / 2);
            ctx.reset();
            ctx.save();
            ctx.beginPath();
            ctx.roundedRect(0, 0, width, height, r, r);
            ctx.clip();
            if (isImageLoaded(logo.source))
                ctx.drawImage(logo.source, 0, 0, width, height);
            ctx.restore();
            ctx.beginPath();
            ctx.roundedRect(0.5, 0.5, width - 1, height - 1, r, r);
            ctx.lineWidth = 1;
            ctx.strokeStyle = Qt.rgba(1, 1, 1, 0.35);
            ctx.stroke();
        }
        onImageLoaded: requestPaint()
        onWidthChanged: requestPaint()
        onHeightChanged: requestPaint()
        Component.onCompleted: loadImage(logo.source)
    }
}
