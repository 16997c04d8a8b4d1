import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// A FormRow with a switch at the trailing end. A tap anywhere on the row flips it; `switched` tells the new
// state, which the owner stores and binds back into `on`.
FormRow {
    id: row

    property bool on: false
    signal switched(bool on)

    interactive: true
    Accessible.role: Accessible.CheckBox
    Accessible.checkable: true
    Accessible.checked: on
    onClicked: switched(!on)

    accessory: [
        T.Switch {
            id: toggle

            objectName: "formToggle"
            checked: row.on
            onToggled: {
                // The owner's binding decides the state; the switch only reports the wish.
                const wanted = checked
                checked = Qt.binding(() => row.on)
                row.switched(wanted)
            }
            implicitWidth: 51
            implicitHeight: 31
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
    ]
}
