import QtQuick
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
        BrandSwitch {
            objectName: "formToggle"
            // The row is the one stop for Tab; Space or Return on it flips the switch.
            focusPolicy: Qt.NoFocus
            on: row.on
            onSwitched: wanted => row.switched(wanted)
        }
    ]
}
