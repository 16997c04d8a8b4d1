import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// The app's switch, in the brand teal when on. It shows `on`, which its owner binds to the stored state, and
// reports a flip as `switched(wanted)` without changing itself: the owner stores the wish and the binding
// moves the switch (or, when the store refuses, keeps it where it was).
T.Switch {
    id: toggle

    property bool on: false
    signal switched(bool on)

    checked: on
    onToggled: {
        const wanted = checked
        checked = Qt.binding(() => toggle.on)
        toggle.switched(wanted)
    }
    implicitWidth: 51
    implicitHeight: 31
    FocusRing {
        radius: toggle.height / 2
    }
    indicator: Rectangle {
        implicitWidth: 51
        implicitHeight: 31
        radius: height / 2
        color: toggle.checked ? Theme.brandTeal : Theme.withOpacity("#787880", 0.32)
        Behavior on color {
            ColorAnimation { duration: 150 }
        }

        Rectangle {
            x: toggle.checked ? parent.width - width - 2 : 2
            y: 2
            width: 27
            height: 27
            radius: height / 2
            color: "white"
            Behavior on x {
                NumberAnimation { duration: 150; easing.type: Easing.OutQuad }
            }
        }
    }
}
