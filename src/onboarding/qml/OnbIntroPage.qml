import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Onboarding

// The questionnaire's first page: what will be asked, one numbered row per question page, and what the
// answers are used for.
ColumnLayout {
    id: page

    required property OnboardingFlowViewModel flow

    spacing: 16

    OnbCard {
        objectName: "introCard"
        Layout.fillWidth: true
        title: "接下来会问你"

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 12

            Repeater {
                model: page.flow.introRows

                RowLayout {
                    id: introRow

                    required property var modelData

                    objectName: "introRow"
                    Layout.fillWidth: true
                    spacing: 14

                    Rectangle {
                        Layout.preferredWidth: 42
                        Layout.preferredHeight: 42
                        Layout.alignment: Qt.AlignVCenter
                        radius: 12
                        gradient: BrandGradientAlt {}

                        SymbolIcon {
                            anchors.centerIn: parent
                            symbol: introRow.modelData.icon
                            size: 17
                            font.weight: Font.DemiBold
                            color: "white"
                        }

                        // The row's number, pinned to the tile's top-trailing corner.
                        Rectangle {
                            x: parent.width - width / 2 - 3
                            y: -height / 2 + 3
                            width: 17
                            height: 17
                            radius: width / 2
                            color: "white"
                            border.color: Theme.brandLine
                            border.width: 1

                            Text {
                                anchors.centerIn: parent
                                text: introRow.modelData.number
                                textFormat: Text.PlainText
                                font.pixelSize: 10
                                font.weight: Font.Black
                                color: Theme.brandNavyDeep
                            }
                        }
                    }

                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.alignment: Qt.AlignVCenter
                        spacing: 2

                        Text {
                            Layout.fillWidth: true
                            text: introRow.modelData.title
                            textFormat: Text.PlainText
                            font.pixelSize: 16 // 15.5, rounded to whole pixels
                            font.weight: Font.DemiBold
                            color: Theme.brandNavyDeep
                            wrapMode: Text.Wrap
                        }
                        Text {
                            Layout.fillWidth: true
                            text: introRow.modelData.subtitle
                            textFormat: Text.PlainText
                            font.pixelSize: 13 // 12.5, rounded to whole pixels
                            color: Theme.brandMuted
                            wrapMode: Text.Wrap
                        }
                    }
                }
            }
        }
    }

    // What the answers are for, on a faint teal panel.
    Rectangle {
        objectName: "privacyNote"
        Layout.fillWidth: true
        implicitHeight: note.implicitHeight + 32
        radius: 18
        color: Theme.withOpacity(Theme.brandTeal, 0.08)
        border.color: Theme.withOpacity(Theme.brandTeal, 0.25)
        border.width: 1

        RowLayout {
            id: note

            x: 16
            y: 16
            width: parent.width - 32
            spacing: 12

            SymbolIcon {
                Layout.alignment: Qt.AlignTop
                symbol: "lock.shield.fill"
                size: 20
                color: Theme.brandTeal
            }

            ColumnLayout {
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignTop
                spacing: 4

                Text {
                    Layout.fillWidth: true
                    text: "你的信息只用于学习"
                    textFormat: Text.PlainText
                    font.pixelSize: 15 // 14.5, rounded to whole pixels
                    font.bold: true
                    color: Theme.brandNavyDeep
                    wrapMode: Text.Wrap
                }
                Text {
                    Layout.fillWidth: true
                    text: "这些信息只用于安排学习内容和提醒，不会给到第三方。每一步都可以跳过，跳过也不影响使用。"
                    textFormat: Text.PlainText
                    font.pixelSize: 13 // 12.5, rounded to whole pixels
                    color: Theme.brandMuted
                    wrapMode: Text.Wrap
                    lineHeight: 1.15
                }
            }
        }
    }
}
