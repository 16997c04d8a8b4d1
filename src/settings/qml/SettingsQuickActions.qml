import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Settings

// The row of shortcut tiles under the profile card. A tap says which tile and where it leads
// (`actionTriggered(route, destination, properties)`, a destination and what the router opens it with); the
// page that holds the row asks the router for it.
Item {
    id: row

    readonly property alias model: actions
    signal actionTriggered(string route, int destination, var properties)

    implicitHeight: tiles.implicitHeight

    SettingsQuickActionsModel {
        id: actions
    }

    BrandShadow {
        anchors.fill: parent
        cornerRadius: 18
        color: Theme.withOpacity(Theme.brandNavy, 0.06)
        blur: 10
        offsetY: 4
    }
    Rectangle {
        anchors.fill: parent
        radius: 18
        color: Theme.secondaryGroupedBackground
    }

    RowLayout {
        id: tiles

        x: 6
        width: row.width - 12
        spacing: 10

        Repeater {
            model: actions.items

            T.AbstractButton {
                id: tile

                required property string route
                required property string symbol
                required property string title
                required property int tint
                readonly property color tintColor: Theme.color(tint, Theme.dark)

                objectName: "quickActionTile"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                implicitHeight: label.implicitHeight + 28
                Accessible.name: title
                onClicked: row.actionTriggered(route, actions.destination(route), actions.openProperties(route))

                contentItem: Item {
                    ColumnLayout {
                        id: label

                        anchors.centerIn: parent
                        spacing: 8

                        Item {
                            Layout.alignment: Qt.AlignHCenter
                            implicitWidth: 44
                            implicitHeight: 44

                            BrandShadow {
                                anchors.fill: parent
                                cornerRadius: 14
                                color: Theme.withOpacity(tile.tintColor, 0.3)
                                blur: 6
                                offsetY: 3
                            }
                            Rectangle {
                                anchors.fill: parent
                                radius: 14
                                gradient: Gradient {
                                    GradientStop { position: 0; color: tile.tintColor }
                                    GradientStop { position: 1; color: Theme.withOpacity(tile.tintColor, 0.85) }
                                }
                            }
                            SymbolIcon {
                                anchors.centerIn: parent
                                symbol: tile.symbol
                                size: 19
                                font.weight: Font.DemiBold
                                color: "white"
                            }
                        }
                        Text {
                            Layout.alignment: Qt.AlignHCenter
                            text: tile.title
                            textFormat: Text.PlainText
                            font.pixelSize: 12
                            font.weight: Font.DemiBold
                            color: Theme.label
                            Accessible.ignored: true
                        }
                    }
                }

                HoverHandler {
                    cursorShape: Qt.PointingHandCursor
                }

                FocusRing {}
            }
        }
    }
}
