import QtQuick
import Quorvel.Ui
import QtQuick.Templates as T

// A button that is only its label: while pressed the label shrinks to 97 % about its centre and dims to 90 %
// opacity, easing out over 0.12 s. Give it a `contentItem`; it adds no shape or colour of its own.
T.AbstractButton {
    id: control

    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    padding: 0
    background: null

    transformOrigin: Item.Center
    scale: control.down ? 0.97 : 1
    opacity: control.down ? 0.9 : 1

    Behavior on scale {
        NumberAnimation {
            duration: 120
            easing.type: Easing.OutQuad
        }
    }
    Behavior on opacity {
        NumberAnimation {
            duration: 120
            easing.type: Easing.OutQuad
        }
    }

    FocusRing {}
}
