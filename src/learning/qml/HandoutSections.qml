import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Learning

// A lesson handout as at most two cards: the numbered sections, then the worked examples with their numbered
// steps. `cards` is what HandoutRenderer makes of the handout; section bodies and step texts can be selected
// for copying. The cards are stacked with the spacing of the page's column they sit in.
ColumnLayout {
    id: root

    required property var cards

    spacing: 16

    Repeater {
        model: root.cards

        LessonCard {
            id: card

            required property var modelData

            Layout.fillWidth: true
            title: modelData.heading.title
            icon: modelData.heading.icon
            tint: modelData.heading.tint

            // Sections: each entry followed by a divider, except the last.
            ColumnLayout {
                Layout.fillWidth: true
                visible: card.modelData.kind === "sections"
                spacing: 14

                Repeater {
                    model: card.modelData.sections

                    ColumnLayout {
                        id: section

                        required property var modelData

                        Layout.fillWidth: true
                        spacing: 14

                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 6

                            RowLayout {
                                Layout.fillWidth: true
                                visible: section.modelData.hasHeading
                                spacing: 8

                                Text {
                                    text: section.modelData.number
                                    textFormat: Text.PlainText
                                    font.pixelSize: 12
                                    font.weight: Font.Black
                                    color: Theme.brandTeal
                                }
                                Text {
                                    Layout.fillWidth: true
                                    text: section.modelData.heading
                                    textFormat: Text.PlainText
                                    font.pixelSize: 16
                                    font.bold: true
                                    color: Theme.color(Theme.Label, false)
                                    wrapMode: Text.Wrap
                                }
                            }

                            TextEdit {
                                id: body

                                Layout.fillWidth: true
                                visible: section.modelData.hasBody
                                text: section.modelData.body
                                textFormat: TextEdit.PlainText
                                readOnly: true
                                selectByMouse: true
                                wrapMode: TextEdit.Wrap
                                font.pixelSize: 15
                                color: Qt.rgba(0, 0, 0, 0.85)
                                selectionColor: Qt.rgba(Theme.brandTeal.r, Theme.brandTeal.g, Theme.brandTeal.b, 0.3)
                                selectedTextColor: color
                                Component.onCompleted: HandoutTextStyle.setLineSpacing(body.textDocument, 4)
                                onTextChanged: HandoutTextStyle.setLineSpacing(body.textDocument, 4)
                            }
                        }

                        Rectangle {
                            Layout.fillWidth: true
                            visible: section.modelData.dividerAfter
                            implicitHeight: 1
                            color: Theme.color(Theme.Separator, false)
                        }
                    }
                }
            }

            // Worked examples: the stem on its tinted block, then the numbered steps.
            ColumnLayout {
                Layout.fillWidth: true
                visible: card.modelData.kind === "examples"
                spacing: 14

                Repeater {
                    model: card.modelData.examples

                    ColumnLayout {
                        id: example

                        required property var modelData

                        Layout.fillWidth: true
                        spacing: 10

                        // The stem on its tinted block; the text itself is the layout item, so the block
                        // follows its wrapping.
                        Text {
                            Layout.fillWidth: true
                            padding: 12
                            text: example.modelData.stemLabel
                            textFormat: Text.PlainText
                            font.pixelSize: 15
                            font.bold: true
                            color: Theme.color(Theme.Label, false)
                            wrapMode: Text.Wrap

                            Rectangle {
                                anchors.fill: parent
                                z: -1
                                radius: 12
                                color: Qt.rgba(Theme.color(Theme.Orange, false).r, Theme.color(Theme.Orange, false).g,
                                               Theme.color(Theme.Orange, false).b, 0.08)
                            }
                        }

                        Repeater {
                            model: example.modelData.steps

                            RowLayout {
                                id: step

                                required property var modelData

                                Layout.fillWidth: true
                                spacing: 10

                                Rectangle {
                                    Layout.alignment: Qt.AlignTop
                                    implicitWidth: 20
                                    implicitHeight: 20
                                    radius: 10
                                    color: Theme.color(Theme.Orange, false)

                                    Text {
                                        anchors.centerIn: parent
                                        text: step.modelData.badge
                                        textFormat: Text.PlainText
                                        font.pixelSize: 11
                                        font.weight: Font.Black
                                        color: "white"
                                    }
                                }

                                TextEdit {
                                    Layout.fillWidth: true
                                    Layout.alignment: Qt.AlignTop
                                    text: step.modelData.text
                                    textFormat: TextEdit.PlainText
                                    readOnly: true
                                    selectByMouse: true
                                    wrapMode: TextEdit.Wrap
                                    font.pixelSize: 15
                                    color: Theme.color(Theme.SecondaryLabel, false)
                                    selectionColor: Qt.rgba(Theme.brandTeal.r, Theme.brandTeal.g, Theme.brandTeal.b, 0.3)
                                    selectedTextColor: color
                                }
                            }
                        }
                    }
                }
            }
        }
    }
}
