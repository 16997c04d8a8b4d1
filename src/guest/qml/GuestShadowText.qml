import QtQuick

// A text with a soft drop shadow, for text laid over artwork. The shadow effect draws nothing on the software
// renderer; there an offset copy of the text in the shadow colour stands in for it. The effect is in its own
// file, created by URL only once the window is known to render on a GPU API, so the software renderer never
// resolves its import.
Text {
    id: label

    property color shadowColor: Qt.rgba(0, 0, 0, 0.35)
    property real shadowRadius: 6
    property real shadowOffsetY: 2
    readonly property bool software: GraphicsInfo.api === GraphicsInfo.Software
    readonly property bool hardware: GraphicsInfo.api !== GraphicsInfo.Software
                                     && GraphicsInfo.api !== GraphicsInfo.Unknown

    textFormat: Text.PlainText
    layer.enabled: hardware
    layer.effect: hardware ? Qt.createComponent("GuestTextDropShadow.qml") : null

    Text {
        visible: label.software
        z: -1
        y: label.shadowOffsetY
        width: label.width
        height: label.height
        text: label.text
        textFormat: label.textFormat
        font: label.font
        wrapMode: label.wrapMode
        lineHeight: label.lineHeight
        lineHeightMode: label.lineHeightMode
        horizontalAlignment: label.horizontalAlignment
        color: label.shadowColor
        // A picture of the text, not a second reading of it.
        Accessible.ignored: true
    }
}
