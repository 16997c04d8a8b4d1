import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui

// A single-line input on a light rounded field with a leading symbol; border and symbol turn teal while
// the field has keyboard focus. `field` is the text field itself.
Rectangle {
    id: row

    property string symbol
    property alias placeholderText: input.placeholderText
    property alias text: input.text
    property alias inputMethodHints: input.inputMethodHints
    property alias maximumLength: input.maximumLength
    readonly property alias field: input
    readonly property bool fieldFocused: input.activeFocus
    // The text as the learner changed it (typing, pasting, an input method), not as bound.
    signal edited(string text)
    // Return or Enter in the field.
    signal accepted()

    implicitWidth: 200
    implicitHeight: 50
    radius: 14
    color: Theme.brandCloud
    border.color: fieldFocused ? Theme.brandTeal : Theme.brandLine
    border.width: fieldFocused ? 1.5 : 1

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 14
        spacing: 10

        SymbolIcon {
            Layout.preferredWidth: 20
            symbol: row.symbol
            size: 20
            color: row.fieldFocused ? Theme.brandTeal : Theme.brandMuted
        }

        T.TextField {
            id: input

            Layout.fillWidth: true
            implicitHeight: contentHeight + topPadding + bottomPadding
            padding: 0
            font.pixelSize: 17
            color: "black"
            selectionColor: Theme.brandMint
            selectedTextColor: Theme.brandNavyDeep
            // The field stays light in either scheme.
            placeholderTextColor: Theme.color(Theme.SecondaryLabel, false)
            verticalAlignment: TextInput.AlignVCenter
            selectByMouse: true
            activeFocusOnTab: true
            onTextEdited: row.edited(text)
            onAccepted: row.accepted()

            Text {
                anchors.fill: parent
                visible: !input.length && !input.preeditText
                text: input.placeholderText
                font: input.font
                color: input.placeholderTextColor
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
            }
        }
    }

    // The teal border marks the field a click focuses; tabbing to it rings it too, as every other control.
    FocusRing {
        target: input
        activatesOnKeys: false
        radius: row.radius
    }

    // A click anywhere on the field, the symbol included, puts the cursor in it.
    TapHandler {
        onTapped: input.forceActiveFocus()
    }
}
