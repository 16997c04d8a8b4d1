import QtQuick
import Quorvel

// A system symbol drawn from the icon font; `size` is the font size in points, as for text.
Text {
    property string symbol
    property real size: 17

    text: Symbols.glyph(symbol)
    font.family: Symbols.fontFamily
    font.pixelSize: size
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
    textFormat: Text.PlainText
    Accessible.ignored: true
}
