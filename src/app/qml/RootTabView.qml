import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Learning
import Quorvel.Companion
import Quorvel.Home
import Quorvel.Membership
import Quorvel.Settings
import Quorvel.App

// The signed-in shell: five tabs, each the root of its own navigation stack, with the tab bar at the bottom.
Item {
    id: shell

    required property AppSession session

    RootTabViewModel { id: tabs }

    Component {
        id: companionChat
        CompanionChatView {}
    }
    Component {
        id: studyLimits
        StudyLimitsView {}
    }
    Component {
        id: membership
        MembershipView {}
    }

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
                sourceComponent: HomeStack {
                    session: shell.session
                    studyLimitsPage: studyLimits
                    membershipPage: membership
                }
            }
            Loader {
                active: tabs.visited[1]
                sourceComponent: StackView {
                    id: learningStack
                    initialItem: LearningHomeView {
                        session: shell.session
                        onChatRequested: scene => learningStack.push(companionChat, { "session": shell.session, "scene": scene })
                    }
                }
            }
            Loader {
                active: tabs.visited[2]
                sourceComponent: StackView {
                    id: qaStack
                    initialItem: QAHomeView {
                        objectName: "qaHome"
                        session: shell.session
                        onChatRequested: (scene, initialMessage, subject, title) => qaStack.push(companionChat, {
                            "session": shell.session,
                            "scene": scene,
                            "initialMessage": initialMessage,
                            "subject": subject,
                            "navigationTitle": title
                        })
                    }
                }
            }
            Loader {
                active: tabs.visited[3]
                sourceComponent: StackView { initialItem: CompanionChatView { session: shell.session } }
            }
            Loader {
                active: tabs.visited[4]
                sourceComponent: SettingsStack { session: shell.session }
            }
        }

        TabBar {
            id: bar
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
