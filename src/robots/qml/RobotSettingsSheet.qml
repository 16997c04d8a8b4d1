import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Robots

// The robot settings sheet, shown by the companion chat with its scene: the robot with a preview of its
// greeting, then the reply and speech language, the voice and auto-speak, and the chat model preference.
// Each control writes the shared robot store at once; "完成" (`done`) only closes the sheet.
Rectangle {
    id: root

    property string scene: "companion"
    property AppSession session: null
    // A fixed moment for still pictures of the robot; negative follows the clock.
    property real frameTime: -1

    // The presenter closes the sheet.
    signal done()

    implicitWidth: 430
    implicitHeight: 780
    color: Theme.groupedBackground

    RobotSettingsSheetModel {
        id: sheet

        scene: root.scene
        session: root.session
    }

    Component.onCompleted: {
        if (root.visible)
            sheet.appear()
    }
    onVisibleChanged: root.visible ? sheet.appear() : sheet.disappear()
    Component.onDestruction: sheet.disappear()

    component SectionHeader: Text {
        Layout.fillWidth: true
        Layout.leftMargin: 32
        Layout.rightMargin: 32
        Layout.topMargin: 8
        textFormat: Text.PlainText
        font.pixelSize: 13
        color: Theme.secondaryLabel
    }

    component SectionFooter: Text {
        Layout.fillWidth: true
        Layout.leftMargin: 32
        Layout.rightMargin: 32
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.pixelSize: 13
        lineHeight: 1.1
        color: Theme.secondaryLabel
    }

    component SectionCard: Rectangle {
        default property alias rows: rowsColumn.data

        Layout.fillWidth: true
        Layout.leftMargin: 16
        Layout.rightMargin: 16
        implicitHeight: rowsColumn.implicitHeight
        radius: 10
        color: Theme.secondaryGroupedBackground

        ColumnLayout {
            id: rowsColumn

            width: parent.width
            spacing: 0
        }
    }

    component Separator: Rectangle {
        Layout.fillWidth: true
        Layout.leftMargin: 16
        implicitHeight: 0.5
        color: Theme.separator
    }

    // A picker in a form: its title on the left, the chosen row's text on the right; a tap opens the rows.
    component PickerRow: Item {
        id: pickerRow

        property string title
        property var options: []
        property int currentIndex: -1

        signal picked(int index)

        Layout.fillWidth: true
        implicitHeight: 44
        Accessible.role: Accessible.ComboBox
        Accessible.name: pickerRow.title
        Accessible.description: pickerRow.currentIndex >= 0 ? pickerRow.options[pickerRow.currentIndex] : ""

        Text {
            anchors.left: parent.left
            anchors.leftMargin: 16
            anchors.right: value.left
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            text: pickerRow.title
            textFormat: Text.PlainText
            font.pixelSize: 17
            elide: Text.ElideRight
            color: Theme.label
        }
        Row {
            id: value

            anchors.right: parent.right
            anchors.rightMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            spacing: 4

            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: pickerRow.currentIndex >= 0 && pickerRow.currentIndex < pickerRow.options.length
                      ? pickerRow.options[pickerRow.currentIndex] : ""
                textFormat: Text.PlainText
                font.pixelSize: 17
                color: Theme.secondaryLabel
            }
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                symbol: "chevron.up.chevron.down"
                size: 14
                color: Theme.secondaryLabel
            }
        }
        TapHandler {
            onTapped: menu.popup(pickerRow, pickerRow.width - menu.width - 8, pickerRow.height)
        }

        Menu {
            id: menu

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

    // The navigation bar: the title in the middle, the close button at the trailing edge.
    Item {
        id: bar

        width: parent.width
        height: 52

        Text {
            anchors.centerIn: parent
            text: sheet.title
            textFormat: Text.PlainText
            font.pixelSize: 17
            font.weight: Font.DemiBold
            color: Theme.label
        }
        PressScaleStyle {
            anchors.right: parent.right
            anchors.rightMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            onClicked: root.done()
            Accessible.name: sheet.doneText

            contentItem: Text {
                text: sheet.doneText
                textFormat: Text.PlainText
                font.pixelSize: 17
                font.weight: Font.DemiBold
                color: Theme.brandTeal
            }
        }
    }

    Flickable {
        anchors.top: bar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        contentHeight: form.implicitHeight + 24
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        ColumnLayout {
            id: form

            width: parent.width
            spacing: 8

            // Preview.
            SectionCard {
                Layout.topMargin: 8

                RowLayout {
                    Layout.fillWidth: true
                    Layout.margins: 16
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
                            id: previewButton

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
                                color: Theme.brandTeal
                            }
                        }
                    }
                }
            }
            SectionFooter {
                text: sheet.robotFooter
            }

            // Language.
            SectionHeader {
                Layout.topMargin: 16
                text: sheet.languageSection
            }
            SectionCard {
                PickerRow {
                    title: sheet.languagePicker
                    options: sheet.languageOptions
                    currentIndex: sheet.languageIndex
                    onPicked: index => sheet.chooseLanguage(index)
                }
            }
            SectionFooter {
                text: sheet.languageFooter
            }

            // Voice.
            SectionHeader {
                Layout.topMargin: 16
                text: sheet.voiceSection
            }
            SectionCard {
                PickerRow {
                    title: sheet.voicePicker
                    options: sheet.voiceOptions
                    currentIndex: sheet.voiceIndex
                    onPicked: index => sheet.chooseVoice(index)
                }
                Separator {}
                Item {
                    Layout.fillWidth: true
                    implicitHeight: 44

                    Text {
                        anchors.left: parent.left
                        anchors.leftMargin: 16
                        anchors.right: toggle.left
                        anchors.verticalCenter: parent.verticalCenter
                        text: sheet.autoSpeakText
                        textFormat: Text.PlainText
                        font.pixelSize: 17
                        elide: Text.ElideRight
                        color: Theme.label
                    }
                    Switch {
                        id: toggle

                        anchors.right: parent.right
                        anchors.rightMargin: 12
                        anchors.verticalCenter: parent.verticalCenter
                        checked: sheet.autoSpeak
                        onToggled: sheet.autoSpeak = checked
                        Accessible.name: sheet.autoSpeakText

                        indicator: Rectangle {
                            implicitWidth: 51
                            implicitHeight: 31
                            x: toggle.leftPadding
                            y: (toggle.height - height) / 2
                            radius: height / 2
                            color: toggle.checked ? Theme.brandTeal : Theme.withOpacity("#787880", 0.32)

                            Rectangle {
                                x: toggle.checked ? parent.width - width - 2 : 2
                                anchors.verticalCenter: parent.verticalCenter
                                width: 27
                                height: 27
                                radius: 13.5
                                color: "white"
                                border.width: 0.5
                                border.color: Qt.rgba(0, 0, 0, 0.04)

                                Behavior on x {
                                    NumberAnimation { duration: 150; easing.type: Easing.OutQuad }
                                }
                            }
                        }
                    }
                }
            }

            // Model.
            SectionHeader {
                Layout.topMargin: 16
                text: sheet.modelSection
            }
            SectionCard {
                Rectangle {
                    id: segments

                    Layout.fillWidth: true
                    Layout.margins: 12
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
                            }
                        }
                    }
                }
            }
            SectionFooter {
                text: sheet.modelNote
            }
        }
    }
}
