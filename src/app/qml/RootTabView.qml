import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Learning
import Quorvel.Companion
import Quorvel.Home
import Quorvel.Settings
import Quorvel.App

// The signed-in shell: five tabs, each the root page of its own router (its navigation stack), with the tab
// bar at the bottom.
Item {
    id: shell

    required property AppSession session

    RootTabViewModel { id: tabs }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            currentIndex: tabs.currentPosition

            // Each tab is made on its first visit (the view-model remembers which were shown) and kept.
            Loader {
                active: tabs.visited[0]
                sourceComponent: AppRouter {
                    objectName: "homeStack"
                    session: shell.session
                    initialItem: HomeLayoutView { session: shell.session }
                }
            }
            Loader {
                active: tabs.visited[1]
                sourceComponent: AppRouter {
                    session: shell.session
                    initialItem: LearningHomeView { session: shell.session }
                }
            }
            Loader {
                active: tabs.visited[2]
                sourceComponent: AppRouter {
                    session: shell.session
                    initialItem: QAHomeView {
                        objectName: "qaHome"
                        session: shell.session
                    }
                }
            }
            Loader {
                active: tabs.visited[3]
                sourceComponent: AppRouter {
                    session: shell.session
                    initialItem: CompanionChatView { session: shell.session }
                }
            }
            Loader {
                active: tabs.visited[4]
                sourceComponent: AppRouter {
                    objectName: "settingsStack"
                    session: shell.session
                    initialItem: SettingsHostView {
                        session: shell.session
                        pageId: "settings_root"
                    }
                }
            }
        }

        TabBar {
            id: bar
            objectName: "tabBar"
            Layout.fillWidth: true
            currentIndex: tabs.currentPosition
            // Tabs overlap by a point, as they always have; the bar's spacing is ours, not the controls style's.
            spacing: -1
            background: Rectangle {
                color: Theme.secondaryGroupedBackground
                Rectangle { width: parent.width; height: 1; color: Theme.separator }
            }

            Repeater {
                model: tabs.tabs
                TabButton {
                    id: tabButton
                    required property var modelData
                    required property int index
                    readonly property color tint: TabBar.index === bar.currentIndex ? Theme.accent : Theme.muted

                    text: modelData.title
                    implicitHeight: 56
                    // The tab's own geometry, not the controls style's: icon and title sit 2 points from the top.
                    padding: 2
                    horizontalPadding: 4
                    onClicked: tabs.selectPosition(index)
                    background: Item {}
                    FocusRing {
                        outset: -2
                        radius: 10
                    }
                    contentItem: Column {
                        spacing: 2
                        SymbolIcon {
                            anchors.horizontalCenter: parent.horizontalCenter
                            symbol: tabButton.modelData.symbol
                            size: 24
                            color: tabButton.tint
                        }
                        Text {
                            anchors.horizontalCenter: parent.horizontalCenter
                            text: tabButton.text
                            textFormat: Text.PlainText
                            font.pixelSize: 11
                            font.bold: TabBar.index === bar.currentIndex
                            color: tabButton.tint
                        }
                    }
                }
            }
        }
    }
}
