import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Companion

// The learner's learning plan on the question-and-answer tab: its goal, lessons done, the lesson under way,
// or the loading or empty text, and below them four questions about the plan that open the chat. Drawn from
// its view-model alone.
Rectangle {
    id: card

    required property LearningPlanCardViewModel model

    implicitHeight: column.implicitHeight + 32
    radius: 18
    color: "white"
    border.width: 1
    border.color: Theme.brandLine

    ColumnLayout {
        id: column

        x: 16
        y: 16
        width: card.width - 32
        spacing: 12

        RowLayout {
            Layout.fillWidth: true
            spacing: 8

            SymbolIcon {
                symbol: card.model.headerSymbol
                size: 16
                font.bold: true
                color: Theme.brandNavy
            }
            Text {
                text: card.model.headerTitle
                textFormat: Text.PlainText
                font.pixelSize: 16
                font.bold: true
                color: Theme.brandNavy
            }
            Item {
                Layout.fillWidth: true
            }
            Text {
                objectName: "planCount"
                visible: card.model.showsCount
                text: card.model.countText
                textFormat: Text.PlainText
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.brandTeal
            }
        }

        Text {
            objectName: "planLoading"
            Layout.fillWidth: true
            visible: card.model.state === LearningPlanCardViewModel.Loading
            text: card.model.loadingText
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: 14
            color: Theme.brandMuted
        }

        Text {
            objectName: "planEmpty"
            Layout.fillWidth: true
            visible: card.model.state === LearningPlanCardViewModel.Empty
            text: card.model.emptyText
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: 14
            color: Theme.brandMuted
        }

        Text {
            objectName: "planTitle"
            Layout.fillWidth: true
            visible: card.model.state === LearningPlanCardViewModel.Plan
            text: card.model.title
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: Theme.color(Theme.Label, false) // the card is white in either scheme
        }

        // A thin linear bar: the track in a pale teal, the lessons done in teal.
        Rectangle {
            objectName: "planProgress"
            Layout.fillWidth: true
            Layout.preferredHeight: 4
            visible: card.model.state === LearningPlanCardViewModel.Plan
            radius: 2
            color: Theme.withOpacity(Theme.brandTeal, 0.15)

            Rectangle {
                width: parent.width * card.model.progress
                height: parent.height
                radius: parent.radius
                color: Theme.brandTeal
            }
        }

        RowLayout {
            objectName: "planCurrent"
            Layout.fillWidth: true
            visible: card.model.state === LearningPlanCardViewModel.Plan && card.model.showsCurrent
            spacing: 6

            SymbolIcon {
                symbol: card.model.currentSymbol
                size: 14
                color: Theme.brandAmber
            }
            Text {
                Layout.fillWidth: true
                text: card.model.currentLine
                textFormat: Text.PlainText
                maximumLineCount: 1
                elide: Text.ElideRight
                font.pixelSize: 14
                color: Theme.brandMuted
            }
        }

        // The questions, in every state; a row that scrolls sideways when the card is narrow.
        Flickable {
            Layout.fillWidth: true
            Layout.preferredHeight: chips.implicitHeight
            contentWidth: chips.implicitWidth
            contentHeight: chips.implicitHeight
            flickableDirection: Flickable.HorizontalFlick
            boundsBehavior: Flickable.StopAtBounds
            clip: true

            Row {
                id: chips

                spacing: 8

                Repeater {
                    model: card.model.questions

                    T.AbstractButton {
                        id: chip

                        required property string modelData
                        required property int index

                        objectName: "planQuestionChip"
                        implicitWidth: label.implicitWidth + 24
                        implicitHeight: label.implicitHeight + 14
                        Accessible.name: modelData
                        onClicked: card.model.ask(index)

                        HoverHandler {
                            cursorShape: Qt.PointingHandCursor
                        }

                        background: Rectangle {
                            radius: height / 2
                            color: Theme.withOpacity(Theme.brandTeal, chip.down ? 0.18 : 0.1)
                        }
                        contentItem: Text {
                            id: label

                            text: chip.modelData
                            textFormat: Text.PlainText
                            horizontalAlignment: Text.AlignHCenter
                            verticalAlignment: Text.AlignVCenter
                            font.pixelSize: 13
                            font.weight: Font.DemiBold
                            color: Theme.legible(Theme.brandTeal, Theme.over(chip.background.color, "white"))
                        }

                        FocusRing {}
                    }
                }
            }
        }
    }
}
