import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Robots

// The robot settings sheet, shown by the companion chat with its scene: the robot with a preview of its
// greeting, then the reply and speech language, the voice and auto-speak, and the chat model preference.
// Each control writes the shared robot store at once; "完成" only closes the sheet. Its presenter declares it
// over the chat and opens it; it reads the store while it is open.
BottomSheet {
    id: root

    property string scene: "companion"
    property AppSession session: null
    // A fixed moment for still pictures of the robot; negative follows the clock.
    property real frameTime: -1

    title: sheet.title
    titleColor: Theme.label
    closeLabel: sheet.doneText
    closeAtTrailing: true
    showsHandle: false
    allowsMedium: false
    pageColor: Theme.groupedBackground

    RobotSettingsSheetModel {
        id: sheet

        scene: root.scene
        session: root.session
    }

    onOpened: sheet.appear()
    onClosed: sheet.disappear()
    Component.onDestruction: sheet.disappear()

    // A picker in a form: its title on the left, the chosen row's text on the right; a tap opens the rows.
    component PickerRow: FormRow {
        id: pickerRow

        property var options: []
        property int currentIndex: -1

        signal picked(int index)

        interactive: true
        value: currentIndex >= 0 && currentIndex < options.length ? options[currentIndex] : ""
        Accessible.role: Accessible.ComboBox
        Accessible.name: title
        Accessible.description: value
        onClicked: menu.popup(pickerRow, pickerRow.width - menu.width - 8, pickerRow.height)
        accessory: [
            SymbolIcon {
                symbol: "chevron.up.chevron.down"
                size: 14
                color: Theme.secondaryLabel
            }
        ]

        Menu {
            id: menu

            objectName: "pickerMenu"
            // Above every layer of the window: the sheet this menu opens from is itself raised (z 10), and a
            // menu beneath it would open unseen.
            z: 100
            background: Rectangle {
                implicitWidth: 220
                radius: 12
                color: Theme.secondaryGroupedBackground
                border.width: 0.5
                border.color: Theme.separator
            }

            Instantiator {
                model: pickerRow.options

                delegate: MenuItem {
                    required property int index
                    required property string modelData

                    text: modelData
                    checkable: true
                    checked: index === pickerRow.currentIndex
                    onTriggered: pickerRow.picked(index)
                }
                onObjectAdded: (index, object) => menu.insertItem(index, object)
                onObjectRemoved: (index, object) => menu.removeItem(object)
            }
        }
    }

    ColumnLayout {
        x: 16
        width: parent.width - 32
        spacing: 22

        // Preview.
        FormSection {
            Layout.fillWidth: true
            Layout.topMargin: 8
            footer: sheet.robotFooter

            Item {
                width: parent.width
                implicitHeight: preview.implicitHeight + 32

                RowLayout {
                    id: preview

                    x: 16
                    y: 16
                    width: parent.width - 32
                    spacing: 14

                    RobotAvatarView {
                        Layout.alignment: Qt.AlignVCenter
                        robot: sheet.robot
                        mood: sheet.avatarMood
                        size: 72
                        frameTime: root.frameTime
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.alignment: Qt.AlignVCenter
                        spacing: 6

                        Text {
                            Layout.fillWidth: true
                            text: sheet.titleLine
                            textFormat: Text.PlainText
                            font.pixelSize: 17
                            font.weight: Font.DemiBold
                            elide: Text.ElideRight
                            color: Theme.label
                        }
                        PressScaleStyle {
                            Accessible.name: sheet.previewText
                            onClicked: sheet.preview()
                            leftPadding: 12
                            rightPadding: 12
                            topPadding: 6
                            bottomPadding: 6

                            background: Rectangle {
                                radius: 8
                                color: Theme.withOpacity(Theme.brandTeal, 0.15)
                            }
                            contentItem: Text {
                                text: sheet.previewText
                                textFormat: Text.PlainText
                                font.pixelSize: 15
                                font.weight: Font.Medium
                                color: Theme.accent
                            }
                        }
                    }
                }
            }
        }

        // Language.
        FormSection {
            Layout.fillWidth: true
            header: sheet.languageSection
            footer: sheet.languageFooter

            PickerRow {
                objectName: "languagePicker"
                title: sheet.languagePicker
                options: sheet.languageOptions
                currentIndex: sheet.languageIndex
                onPicked: index => sheet.chooseLanguage(index)
            }
        }

        // Voice.
        FormSection {
            Layout.fillWidth: true
            header: sheet.voiceSection

            PickerRow {
                objectName: "voicePicker"
                title: sheet.voicePicker
                options: sheet.voiceOptions
                currentIndex: sheet.voiceIndex
                onPicked: index => sheet.chooseVoice(index)
            }
            FormToggleRow {
                objectName: "autoSpeakRow"
                title: sheet.autoSpeakText
                on: sheet.autoSpeak
                onSwitched: on => sheet.autoSpeak = on
            }
        }

        // Model.
        FormSection {
            Layout.fillWidth: true
            Layout.bottomMargin: 24
            header: sheet.modelSection
            footer: sheet.modelNote

            Item {
                width: parent.width
                implicitHeight: segments.implicitHeight + 24

                Rectangle {
                    id: segments

                    x: 12
                    y: 12
                    width: parent.width - 24
                    implicitHeight: 32
                    radius: 8
                    color: Theme.withOpacity("#767680", 0.12)
                    Accessible.role: Accessible.PageTabList
                    Accessible.name: sheet.modelSection

                    Row {
                        anchors.fill: parent
                        anchors.margins: 2

                        Repeater {
                            model: sheet.modelOptions

                            delegate: Item {
                                id: segment

                                required property int index
                                required property string modelData
                                readonly property bool selected: index === sheet.modelIndex

                                width: (segments.width - 4) / 3
                                height: parent.height
                                activeFocusOnTab: true
                                Accessible.role: Accessible.PageTab
                                Accessible.name: modelData
                                Accessible.selected: selected

                                Rectangle {
                                    anchors.fill: parent
                                    visible: segment.selected
                                    radius: 7
                                    color: Theme.dark ? "#636366" : "white"
                                    border.width: 0.5
                                    border.color: Qt.rgba(0, 0, 0, 0.04)
                                }
                                Text {
                                    anchors.centerIn: parent
                                    text: segment.modelData
                                    textFormat: Text.PlainText
                                    font.pixelSize: 13
                                    font.weight: segment.selected ? Font.DemiBold : Font.Normal
                                    color: Theme.label
                                }
                                TapHandler {
                                    onTapped: sheet.chooseModel(segment.index)
                                }
                                FocusRing {
                                    radius: 7
                                    onActivated: sheet.chooseModel(segment.index)
                                }
                            }
                        }
                    }
                }
            }
        }
    }
}
