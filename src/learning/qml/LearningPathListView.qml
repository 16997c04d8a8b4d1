import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Robots
import Quorvel.Learning

// The learner's current path: the header card with the goal and the progress, the robot of the "learning"
// scene (a tap on the banner opens the companion chat; the robot figure keeps its own tap, which reads the
// greeting), and the chain of lessons. Pulling down fetches the path again. The list loads nothing itself
// and opens nothing itself: it asks its owner, which holds the navigation stack.
Item {
    id: root

    required property LearningStore store
    required property AppSession session
    readonly property alias viewModel: vm
    signal lessonRequested(var pathId, var itemId)
    signal chatRequested()

    LearningPathListViewModel {
        id: vm
        store: root.store
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.groupedBackground
    }

    Flickable {
        id: flick

        objectName: "pathListFlickable"
        anchors.fill: parent
        contentWidth: width
        contentHeight: column.height
        boundsBehavior: Flickable.DragOverBounds
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
        }

        RefreshControl {
            flickable: flick
            refreshing: vm.refreshing
            onTriggered: vm.refresh()
        }

        Column {
            id: column

            width: Math.min(flick.width, 760)
            x: (flick.width - width) / 2
            padding: 16
            spacing: 18

            // --- header card

            Item {
                id: header

                objectName: "pathHeader"
                width: column.width - 32
                height: headerContent.implicitHeight + 36

                BrandShadow {
                    anchors.fill: parent
                    cornerRadius: 22
                    color: Theme.withOpacity(Theme.brandNavy, 0.25)
                    blur: 12
                    offsetY: 6
                }
                BrandGradient {
                    anchors.fill: parent
                    radius: 22
                }

                Column {
                    id: headerContent

                    x: 18
                    y: 18
                    width: parent.width - 36
                    spacing: 8

                    Text {
                        text: vm.caption
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        font.bold: true
                        color: Theme.brandCaption
                    }
                    Text {
                        objectName: "pathGoal"
                        width: parent.width
                        text: vm.goal
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: 20
                        font.weight: Font.Black
                        color: "white"
                    }
                    Text {
                        objectName: "pathProgress"
                        width: parent.width
                        text: vm.progressLine
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: 13
                        color: Qt.rgba(1, 1, 1, 0.85)
                    }
                    Rectangle {
                        width: parent.width
                        height: 8
                        radius: 4
                        color: Qt.rgba(1, 1, 1, 0.2)

                        Rectangle {
                            objectName: "pathProgressFill"
                            width: parent.width * vm.progressFraction
                            height: parent.height
                            radius: 4
                            visible: width > 0
                            color: Theme.brandMint
                        }
                    }
                }
            }

            // --- the robot banner: opens the companion chat

            Item {
                id: bannerLink

                objectName: "chatBanner"
                width: column.width - 32
                height: banner.implicitHeight
                Accessible.role: Accessible.Button
                Accessible.name: "打开学习伙伴"

                // Under the banner, so that the robot figure's own tap handler is met first; a tap
                // anywhere else on the banner opens the chat.
                MouseArea {
                    id: bannerArea

                    anchors.fill: parent
                    cursorShape: Qt.PointingHandCursor
                    activeFocusOnTab: true
                    onClicked: root.chatRequested()

                    FocusRing {
                        radius: 16
                        onActivated: root.chatRequested()
                    }
                }

                RobotSceneBanner {
                    id: banner

                    width: parent.width
                    scene: vm.bannerScene
                    mood: RobotMood.Idle
                    bubble: ""
                    compact: true
                    session: root.session
                    opacity: bannerArea.pressed ? 0.7 : 1
                }
            }

            // --- the lessons

            Column {
                objectName: "lessonChain"
                width: column.width - 32
                spacing: 0

                Repeater {
                    model: vm.rows

                    PathNodeRow {
                        id: node

                        width: parent.width
                        onOpenRequested: root.lessonRequested(node.pathId, node.itemId)
                    }
                }
            }
        }
    }
}
