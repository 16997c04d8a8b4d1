import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Companion

// The companion settings sheet, opened from the chat's menu: the buddy's persona (three rows) and its name,
// with "取消" at the leading end of the bar and "保存" at the trailing end. It rests at medium or large height.
// Its presenter declares it over the chat, gives it the session and the chat's settings (`current`, a map
// with "persona", "name" and "reminder"), opens it, and on `saved(settings)` keeps the stored settings and
// closes it: the sheet never closes itself after a save. Each opening starts again from `current`.
BottomSheet {
    id: root

    property AppSession session: null
    property var current: ({})
    readonly property alias model: sheet

    signal saved(var settings)

    title: sheet.title
    titleColor: Theme.label
    closeLabel: sheet.cancelText
    confirmLabel: sheet.saveText
    confirmEnabled: !sheet.saving
    detent: SheetDetent.Medium
    mediumMinimum: 480
    pageColor: Theme.groupedBackground

    CompanionSettingsSheetViewModel {
        id: sheet

        session: root.session
        current: root.current
        onSaved: settings => root.saved(settings)
    }

    onOpened: sheet.appear()
    onConfirmed: sheet.save()

    // One persona: its name over its description, and a check on the chosen one.
    component PersonaRow: T.AbstractButton {
        id: personaRow

        required property int index
        required property string label
        required property string detail
        property bool showsSeparator: true
        property bool selected: false

        objectName: "personaRow" + index
        implicitHeight: Math.max(44, texts.implicitHeight + 20)
        Accessible.role: Accessible.Button
        Accessible.name: label
        Accessible.description: detail
        Accessible.selected: selected

        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }
        background: Rectangle {
            color: personaRow.down ? Theme.gray5 : "transparent"

            Rectangle {
                visible: personaRow.showsSeparator
                anchors.bottom: parent.bottom
                x: 16
                width: parent.width - x
                height: 1
                color: Theme.separator
            }
        }

        RowLayout {
            x: 16
            width: personaRow.width - 32
            anchors.verticalCenter: parent.verticalCenter
            spacing: 12

            ColumnLayout {
                id: texts

                Layout.fillWidth: true
                spacing: 2

                Text {
                    Layout.fillWidth: true
                    text: personaRow.label
                    textFormat: Text.PlainText
                    font.pixelSize: 15
                    font.bold: true
                    color: Theme.label
                    wrapMode: Text.Wrap
                }
                Text {
                    Layout.fillWidth: true
                    visible: text.length > 0
                    text: personaRow.detail
                    textFormat: Text.PlainText
                    font.pixelSize: 12
                    color: Theme.secondaryLabel
                    wrapMode: Text.Wrap
                }
            }
            SymbolIcon {
                objectName: "personaCheck"
                visible: personaRow.selected
                symbol: "checkmark.circle.fill"
                size: 22
                color: Theme.brandTeal
            }
        }

        FocusRing {}
    }

    ColumnLayout {
        x: 16
        width: parent.width - 32
        spacing: 22

        FormSection {
            Layout.fillWidth: true
            Layout.topMargin: 8
            header: sheet.styleHeader
            headerColor: Theme.accent
            footer: sheet.styleFooter

            Repeater {
                model: sheet.personas

                delegate: PersonaRow {
                    selected: index === sheet.personaIndex
                    onClicked: sheet.personaIndex = index
                }
            }
        }

        FormSection {
            Layout.fillWidth: true
            Layout.bottomMargin: 24
            header: sheet.nameHeader
            headerColor: Theme.accent

            Item {
                width: parent.width
                implicitHeight: nameColumn.implicitHeight + 12

                ColumnLayout {
                    id: nameColumn

                    x: 16
                    y: 6
                    width: parent.width - 32
                    spacing: 2

                    TextField {
                        id: nameField

                        objectName: "nameField"
                        Layout.fillWidth: true
                        text: sheet.name
                        placeholderText: sheet.namePlaceholder
                        placeholderTextColor: Theme.secondaryLabel
                        font.pixelSize: 17
                        color: Theme.label
                        selectionColor: Theme.withOpacity(Theme.brandTeal, 0.3)
                        selectedTextColor: Theme.label
                        leftPadding: 0
                        rightPadding: 0
                        topPadding: 6
                        bottomPadding: 6
                        Accessible.name: sheet.nameHeader
                        onTextEdited: sheet.name = text
                        // The cursor in the sheet's tint.
                        cursorDelegate: Rectangle {
                            width: 2
                            color: Theme.brandTeal
                            visible: nameField.cursorVisible
                        }
                        background: Item {}

                        FocusRing {
                            activatesOnKeys: false
                        }
                    }
                    Text {
                        objectName: "nameError"
                        Layout.fillWidth: true
                        Layout.bottomMargin: 4
                        visible: sheet.hasError
                        text: sheet.error
                        textFormat: Text.PlainText
                        font.pixelSize: 13
                        color: Theme.legible(Theme.red, root.pageColor)
                        wrapMode: Text.Wrap
                    }
                }
            }
        }
    }
}
