import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Onboarding

// One topic of the self-assessment: its icon and name, the word for the current level, and five stars. A tap
// on star n hands n back through `scoreEdited`; `score` is the caller's.
RowLayout {
    id: starRow

    property string icon
    property string name
    property int score: 1
    signal scoreEdited(int score)

    spacing: 12

    Rectangle {
        Layout.topMargin: 4
        Layout.bottomMargin: 4
        Layout.preferredWidth: 38
        Layout.preferredHeight: 38
        radius: 11
        color: Theme.withOpacity(Theme.brandTeal, 0.1)

        SymbolIcon {
            anchors.centerIn: parent
            symbol: starRow.icon
            size: 16
            font.weight: Font.DemiBold
            color: Theme.brandTeal
        }
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2

        Text {
            Layout.fillWidth: true
            text: starRow.name
            textFormat: Text.PlainText
            font.pixelSize: 16 // 15.5, rounded to whole pixels
            font.weight: Font.DemiBold
            color: Theme.brandNavyDeep
            elide: Text.ElideRight
        }
        Text {
            objectName: "levelWord"
            text: OnbKit.levelWord(starRow.score)
            textFormat: Text.PlainText
            font.pixelSize: 12
            color: Theme.brandMuted
        }
    }

    Row {
        spacing: 3

        Repeater {
            model: 5

            T.AbstractButton {
                id: star

                required property int index
                readonly property int number: index + 1

                objectName: "star" + number
                implicitWidth: 26
                implicitHeight: 26
                focusPolicy: Qt.StrongFocus
                Accessible.name: number + " 星"
                onClicked: starRow.scoreEdited(number)

                contentItem: SymbolIcon {
                    objectName: "starSymbol"
                    symbol: OnbKit.starFilled(star.number, starRow.score) ? "star.fill" : "star"
                    size: 21
                    color: OnbKit.starFilled(star.number, starRow.score) ? Theme.brandAmber : Theme.brandLine
                    scale: OnbKit.starScale(star.number, starRow.score)

                    Behavior on scale {
                        SpringAnimation { spring: 8; damping: 0.35; epsilon: 0.005 }
                    }
                }
                background: Item {}

                HoverHandler {
                    cursorShape: Qt.PointingHandCursor
                }

                FocusRing {}
            }
        }
    }
}
