import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui

// The lesson's exercises: one row per question with its number, its text (at most three lines) and, for a
// question of the bank, the "作答" pill; such a row asks for the practice screen when tapped.
LessonCard {
    id: root

    // {heading: {title, icon, tint}, answerLabel}, and the model of the rows (roles number, questionText,
    // answerable)
    required property var card
    required property var rows
    signal practiceRequested(int row)

    title: card.heading.title
    icon: card.heading.icon
    tint: card.heading.tint

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 10

        Repeater {
            model: root.rows

            T.AbstractButton {
                id: row

                required property int index
                required property string number
                required property string questionText
                required property bool answerable

                objectName: "exerciseRow" + index
                Layout.fillWidth: true
                enabled: answerable
                implicitHeight: rowContent.implicitHeight + 24
                Accessible.name: questionText
                onClicked: root.practiceRequested(index)

                background: Rectangle {
                    radius: 14
                    color: Theme.brandCloud
                    opacity: row.down ? 0.7 : 1
                }

                contentItem: Item {
                    RowLayout {
                        id: rowContent

                        anchors.fill: parent
                        anchors.margins: 12
                        spacing: 10

                        Rectangle {
                            Layout.alignment: Qt.AlignTop
                            implicitWidth: 26
                            implicitHeight: 26
                            radius: 13
                            gradient: Gradient {
                                // Both ends deep enough for the white number.
                                GradientStop { position: 0; color: Theme.underWhiteText(Qt.lighter(Theme.color(Theme.Purple, false), 1.2)) }
                                GradientStop { position: 1; color: Theme.underWhiteText(Theme.color(Theme.Purple, false)) }
                            }

                            Text {
                                anchors.centerIn: parent
                                text: row.number
                                textFormat: Text.PlainText
                                font.pixelSize: 13
                                font.weight: Font.Black
                                color: "white"
                            }
                        }

                        Text {
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignTop
                            text: row.questionText
                            textFormat: Text.PlainText
                            font.pixelSize: 15
                            color: Theme.color(Theme.Label, false)
                            wrapMode: Text.Wrap
                            maximumLineCount: 3
                            elide: Text.ElideRight
                        }

                        Rectangle {
                            id: pillFill

                            Layout.alignment: Qt.AlignTop
                            Layout.leftMargin: 14
                            visible: row.answerable
                            implicitWidth: pill.implicitWidth + 20
                            implicitHeight: pill.implicitHeight + 10
                            radius: height / 2
                            color: Qt.rgba(Theme.color(Theme.Purple, false).r, Theme.color(Theme.Purple, false).g,
                                           Theme.color(Theme.Purple, false).b, 0.12)

                            Text {
                                id: pill

                                anchors.centerIn: parent
                                text: root.card.answerLabel
                                textFormat: Text.PlainText
                                font.pixelSize: 12
                                font.bold: true
                                color: Theme.legible(Theme.color(Theme.Purple, false), Theme.over(pillFill.color, Theme.brandCloud))
                            }
                        }
                    }
                }

                HoverHandler {
                    enabled: row.enabled
                    cursorShape: Qt.PointingHandCursor
                }

                FocusRing {}
            }
        }
    }
}
