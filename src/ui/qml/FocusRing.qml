import QtQuick
import Quorvel.Ui

// The keyboard focus ring of a clickable item: declare it inside the item (`FocusRing {}`), which it rings
// while the item has the keyboard's focus (see KeyboardFocus), drawn above the item's content. It lies
// `outset` points outside the item (rings inside with a negative outset, for a row on a section that clips
// it), with corners `radius` round. Return, Enter and Space click a button through it; any other item (a
// MouseArea tile, which must also set `activeFocusOnTab: true`) gets `activated` and does what its click
// does.
Loader {
    id: ring

    property Item target: parent
    property real radius: 8
    property real outset: 3
    // Off where the target uses Return and Space itself (a text field).
    property bool activatesOnKeys: true
    readonly property bool shown: logic.visual
    signal activated()

    anchors.fill: parent
    anchors.margins: -outset
    z: 100
    // The ring itself is made when it first shows and let go when it hides: every clickable item carries a
    // focus ring, and only the one with the keyboard's focus shows it.
    active: logic.visual
    visible: logic.visual
    sourceComponent: Rectangle {
        objectName: "focusRing"
        radius: Math.max(0, ring.radius + ring.outset)
        color: "transparent"
        border.width: 2.5
        border.color: Theme.focusRing

        Rectangle {
            anchors.fill: parent
            anchors.margins: 2.5
            radius: Math.max(0, parent.radius - 2.5)
            color: "transparent"
            border.width: 1.5
            border.color: Theme.focusHalo
        }
    }

    KeyboardFocus {
        id: logic

        target: ring.target
        activatesOnKeys: ring.activatesOnKeys
        onActivated: ring.activated()
    }
}
