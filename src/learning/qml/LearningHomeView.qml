import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Learning

// The root of the learning tab ("学习"): its title bar with the "…" menu, and the face its view-model
// chooses: loading, the chapter picker, or the path list. Shown inside the tab's StackView, onto which it
// pushes the lesson page. The companion chat belongs to the shell: the path's robot banner asks for it through
// chatRequested(scene). Failures reach the learner in the alert "提示".
Page {
    id: root

    required property AppSession session
    readonly property alias viewModel: vm

    LearningHomeViewModel {
        id: vm
        session: root.session
    }

    // On screen: shown in a window (the tab selected, nothing pushed over it). Each coming on screen loads the
    // last path again. Judged once the shell has settled which tab is shown.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
    onOnScreenChanged: if (onScreen) vm.appear()
    Component.onCompleted: Qt.callLater(() => { root.ready = true })

    signal chatRequested(string scene)
    signal openRequested(int destination, var properties)

    function push(page, properties) {
        const stack = root.StackView.view
        if (stack)
            stack.push(page, properties)
    }

    Component {
        id: lessonPage
        LearningItemDetailView {
            onChatRequested: scene => root.chatRequested(scene)
            onOpenRequested: (destination, properties) => root.openRequested(destination, properties)
        }
    }

    background: Rectangle {
        color: Theme.groupedBackground
    }

    header: LearningHomeNavBar {
        title: vm.title
        // Pushed from the home page, as the today card's and the plan tool's screen.
        showsBack: root.StackView.index > 0
        onBackRequested: root.StackView.view.pop()
        menuVisible: vm.menuVisible
        menuSymbol: vm.menuSymbol
        switchLabel: vm.switchLabel
        refreshLabel: vm.refreshLabel
        onSwitchTriggered: vm.toggleChoosing()
        onRefreshTriggered: vm.refresh()
    }

    Loader {
        id: content

        objectName: "learningContent"
        anchors.fill: parent
        sourceComponent: vm.face === LearningHomeViewModel.Loading ? loadingFace
                       : vm.face === LearningHomeViewModel.PathList ? pathFace
                       : vm.face === LearningHomeViewModel.Picker ? pickerFace
                       : null
    }

    Component {
        id: loadingFace

        Item {
            objectName: "learningLoading"

            Column {
                anchors.centerIn: parent
                spacing: 10

                BrandSpinner {
                    anchors.horizontalCenter: parent.horizontalCenter
                    size: 26
                    color: Theme.gray
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: vm.loadingLabel
                    textFormat: Text.PlainText
                    font.pixelSize: 15
                    color: Theme.secondaryLabel
                }
            }
        }
    }

    Component {
        id: pathFace

        LearningPathListView {
            store: vm.store
            session: root.session
            onLessonRequested: (pathId, itemId) => root.push(lessonPage, {
                "session": root.session,
                "store": vm.store,
                "pathId": pathId,
                "itemId": itemId
            })
            onChatRequested: root.chatRequested("learning")
        }
    }

    Component {
        id: pickerFace

        ChapterPickerView {
            session: root.session
            onPick: code => vm.pickChapter(code)
            onTopic: candidate => vm.pickTopic(candidate)
        }
    }

    Alert {
        objectName: "learningAlert"
        title: vm.alertTitle
        message: vm.alertMessage
        buttonText: vm.alertButton
        visible: vm.alertVisible
        onDismissed: vm.dismissAlert()
    }
}
