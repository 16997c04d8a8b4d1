import QtQuick
import Qt5Compat.GraphicalEffects

// A text with a soft drop shadow, for text laid over artwork. The shadow effect draws nothing on the software
// renderer; there an offset copy of the text in the shadow colour stands in for it.
Text {
    id: label

    property color shadowColor: Qt.rgba(0, 0, 0, 0.35)
    property real shadowRadius: 6
    property real shadowOffsetY: 2
    readonly property bool software: GraphicsInfo.api === GraphicsInfo.Software

    textFormat: Text.PlainText
    layer.enabled: !software
    layer.effect: DropShadow {
        horizontalOffset: 0
        verticalOffset: label.shadowOffsetY
        radius: label.shadowRadius
        samples: 2 * Math.ceil(label.shadowRadius) + 1
        color: label.shadowColor
        transparentBorder: true
    }

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
    }
}
