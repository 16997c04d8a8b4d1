import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home

// One card of the home grid, by its face: a standard tile (inbox, quick question, wrong book) that opens
// its screen, the today's-learning tile, the tool dock, or, for a type this version does not know, a dimmed
// tile that opens nothing.
Item {
    id: card

    required property string cardId
    required property string type
    required property string title
    required property string size
    required property int span
    required property string face
    required property url iconSource
    required property string subtitle
    required property real minHeight
    property AppSession session

    signal toolRequested(string key)
    signal cardRequested(string type)

    implicitWidth: 160
    implicitHeight: loader.item ? loader.item.implicitHeight : 0

    Loader {
        id: loader

        anchors.fill: parent
        sourceComponent: card.face === "dock" ? dock : card.face === "today" ? today : tile
    }

    Component {
        id: tile

        T.AbstractButton {
            id: button

            objectName: "homeCard_" + card.cardId
            enabled: card.face === "tile"
            opacity: card.face === "unknown" ? 0.6 : 1
            // The content is at least `minHeight` tall inside the padding.
            implicitHeight: Math.max(card.minHeight, body.implicitHeight) + 32
            Accessible.name: card.title
            onClicked: card.cardRequested(card.type)

            background: HomeCardSurface {}

            contentItem: Item {
                ColumnLayout {
                    id: body

                    x: 16
                    y: 16
                    width: parent.width - 32
                    spacing: 6

                    Image {
                        Layout.preferredWidth: 56
                        Layout.preferredHeight: 56
                        source: card.iconSource
                        sourceSize: Qt.size(112, 112)
                        fillMode: Image.PreserveAspectCrop
                        Accessible.ignored: true
                    }
                    Text {
                        Layout.fillWidth: true
                        text: card.title
                        textFormat: Text.PlainText
                        elide: Text.ElideRight
                        font.pixelSize: 16
                        font.bold: true
                        color: Theme.label
                    }
                    Text {
                        Layout.fillWidth: true
                        text: card.subtitle
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        maximumLineCount: 2
                        elide: Text.ElideRight
                        font.pixelSize: 12
                        color: Theme.secondaryLabel
                    }
                }
            }

            HoverHandler {
                cursorShape: button.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
            }

            FocusRing {}
        }
    }

    Component {
        id: today

        T.AbstractButton {
            id: button

            objectName: "homeCard_" + card.cardId
            // The grey panel sits inside the card's own corners, with the picture on it.
            padding: 8
            implicitHeight: Math.max(tasks.implicitHeight, 72) + topPadding + bottomPadding
            Accessible.name: card.title
            onClicked: card.cardRequested(card.type)

            background: HomeCardSurface {}

            contentItem: TodayTasksCard {
                id: tasks

                session: card.session
                title: card.title
                size: card.size
                accessory: Image {
                    objectName: "todayPicture"
                    width: 72
                    height: 72
                    source: "qrc:/qt/qml/Quorvel/Ui/assets/IconPath.svg"
                    sourceSize: Qt.size(144, 144)
                    fillMode: Image.PreserveAspectCrop
                    Accessible.ignored: true
                }
            }

            HoverHandler {
                cursorShape: Qt.PointingHandCursor
            }

            FocusRing {}
        }
    }

    Component {
        id: dock

        ToolDockRow {
            objectName: "homeCard_" + card.cardId
            onToolRequested: key => card.toolRequested(key)
        }
    }
}
