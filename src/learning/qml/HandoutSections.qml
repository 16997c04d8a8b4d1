import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Learning

// A lesson handout as at most two cards: the numbered sections, then the worked examples with their numbered
// steps. `cards` is the model of the cards HandoutRenderer makes of the handout (roles kind, title, icon,
// tint), `sections` the sections card's entries and `examples` the examples card's stems and steps, one line
// each; section bodies and step texts can be selected for copying. The cards are stacked with the spacing of
// the page's column they sit in.
ColumnLayout {
    id: root

    required property var cards
    required property var sections
    required property var examples

    spacing: 16

    Repeater {
        model: root.cards

        LessonCard {
            id: card

            required property string kind
            required title
            required icon
            required tint

            Layout.fillWidth: true

            // Sections: each entry followed by a divider, except the last.
            ColumnLayout {
                Layout.fillWidth: true
                visible: card.kind === "sections"
                spacing: 14

                Repeater {
                    model: card.kind === "sections" ? root.sections : null

                    ColumnLayout {
                        id: section

                        required property string number
                        required property bool hasHeading
                        required property string heading
                        required property bool hasBody
                        required property string body
                        required property bool dividerAfter

                        Layout.fillWidth: true
                        spacing: 14

                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 6

                            RowLayout {
                                Layout.fillWidth: true
                                visible: section.hasHeading
                                spacing: 8

                                Text {
                                    text: section.number
                                    textFormat: Text.PlainText
                                    font.pixelSize: 12
                                    font.weight: Font.Black
                                    color: Theme.brandTeal
                                }
                                Text {
                                    Layout.fillWidth: true
                                    text: section.heading
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
                                visible: section.hasBody
                                text: section.body
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
                            visible: section.dividerAfter
                            implicitHeight: 1
                            color: Theme.color(Theme.Separator, false)
                        }
                    }
                }
            }

            // Worked examples: each stem on its tinted block, then its numbered steps.
            ColumnLayout {
                Layout.fillWidth: true
                visible: card.kind === "examples"
                spacing: 10

                Repeater {
                    model: card.kind === "examples" ? root.examples : null

                    ColumnLayout {
                        id: line

                        required property int index
                        required property bool isStem
                        required property string stemLabel
                        required property string badge
                        required property string text

                        Layout.fillWidth: true
                        // Examples stand 14 apart, a stem and its steps 10.
                        Layout.topMargin: isStem && index > 0 ? 4 : 0
                        spacing: 0

                        // The stem on its tinted block; the text itself is the layout item, so the block
                        // follows its wrapping.
                        Text {
                            Layout.fillWidth: true
                            visible: line.isStem
                            padding: 12
                            text: line.stemLabel
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

                        RowLayout {
                            Layout.fillWidth: true
                            visible: !line.isStem
                            spacing: 10

                            Rectangle {
                                Layout.alignment: Qt.AlignTop
                                implicitWidth: 20
                                implicitHeight: 20
                                radius: 10
                                color: Theme.underWhiteText(Theme.color(Theme.Orange, false))

                                Text {
                                    anchors.centerIn: parent
                                    text: line.badge
                                    textFormat: Text.PlainText
                                    font.pixelSize: 11
                                    font.weight: Font.Black
                                    color: "white"
                                }
                            }

                            TextEdit {
                                Layout.fillWidth: true
                                Layout.alignment: Qt.AlignTop
                                text: line.text
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
