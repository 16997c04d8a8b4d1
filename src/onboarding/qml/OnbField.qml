import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Onboarding

// A one-line entry with a leading icon, a clear button and a character limit. `text` is the caller's value,
// `edited` hands back what the learner made of it, already cut to `limit` characters; the caller writes that
// into its state. The limit applies to committed text only: an input method's pre-edit (pinyin being
// composed) is shown in full, and what it commits is cut once the composition ends, so a candidate is never
// cut while it is being chosen. A text the caller gives over the limit (a starting value) is shown as it is
// until the learner edits it. The text is never trimmed.
Item {
    id: field

    property string icon
    property string placeholder
    property string text
    property int limit: 0
    readonly property alias input: input
    signal edited(string text)

    implicitWidth: 280
    implicitHeight: 50

    Component.onCompleted: input.text = text
    onTextChanged: showCallerText()

    // Writing the entry's text ends a composition under way, so the caller's value waits for it to end.
    function showCallerText() {
        if (input.preeditText.length === 0 && input.text !== text)
            input.text = text
    }

    // The learner's edit, cut to the limit and handed to the caller; the entry itself is cut only once no
    // composition is under way.
    function commit() {
        const kept = OnbKit.limitedText(input.text, field.limit)
        if (kept !== field.text)
            field.edited(kept)
        if (input.preeditText.length === 0 && input.text !== kept)
            input.text = kept
    }

    Rectangle {
        anchors.fill: parent
        radius: 14
        color: Theme.brandCloud
        border.color: Theme.brandLine
        border.width: 1
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 14
        spacing: 10

        SymbolIcon {
            Layout.preferredWidth: 20
            symbol: field.icon
            size: 15
            color: Theme.brandTeal
        }

        T.TextField {
            id: input

            objectName: "onbFieldInput"
            Layout.fillWidth: true
            implicitHeight: contentHeight + topPadding + bottomPadding
            padding: 0
            font.pixelSize: 16
            color: Theme.brandNavyDeep
            selectionColor: Theme.brandMint
            selectedTextColor: Theme.brandNavyDeep
            // The field stays light in either scheme.
            placeholderTextColor: Theme.color(Theme.SecondaryLabel, false)
            verticalAlignment: TextInput.AlignVCenter
            selectByMouse: true
            activeFocusOnTab: true
            onTextEdited: field.commit()
            // A composition that ends without a further edit (its candidate committed as it stood) still has
            // its text cut.
            onPreeditTextChanged: if (preeditText.length === 0) field.commit()

            Text {
                anchors.fill: parent
                visible: !input.length && !input.preeditText
                text: field.placeholder
                textFormat: Text.PlainText
                font: input.font
                color: input.placeholderTextColor
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
            }
        }

        T.AbstractButton {
            objectName: "onbFieldClear"
            visible: field.text.length > 0
            implicitWidth: 24
            implicitHeight: 24
            focusPolicy: Qt.NoFocus
            Accessible.name: "清除"
            onClicked: {
                input.text = ""
                field.edited("")
            }

            contentItem: SymbolIcon {
                symbol: "xmark.circle.fill"
                size: 17
                color: Theme.brandLine
            }
            background: Item {}

            HoverHandler {
                cursorShape: Qt.PointingHandCursor
            }

            FocusRing {}
        }
    }

    FocusRing {
        target: input
        activatesOnKeys: false
        radius: 14
    }

    TapHandler {
        onTapped: input.forceActiveFocus()
    }
}
