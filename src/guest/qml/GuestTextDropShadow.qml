import QtQuick
import Qt5Compat.GraphicalEffects

// The GPU half of GuestShadowText: the drop shadow it uses as its layer effect. GuestShadowText creates this
// component by URL and only on a GPU-backed renderer, so on the software renderer Qt5Compat.GraphicalEffects
// (its plugins and the shader tools library) is never loaded.
DropShadow {
    // The layer hands the effect a texture source whose `sourceItem` is the text being shadowed.
    readonly property Item label: source ? source.sourceItem : null

    horizontalOffset: 0
    verticalOffset: label ? label.shadowOffsetY : 0
    radius: label ? label.shadowRadius : 0
    samples: 2 * Math.ceil(radius) + 1
    color: label ? label.shadowColor : "transparent"
    transparentBorder: true
}
