import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Practice
import Quorvel.Learning

// The page of one lesson, pushed on the learning tab's StackView by a lesson row of the path list:
//
//     StackView.view.push(lessonPage, {"session": session, "store": store, "pathId": pathId, "itemId": itemId})
//
// It loads the lesson every time it comes on screen and shows the loading face, the not-ready face or the
// lesson's cards; an exercise asks the router for the practice screen (openRequested); the back control and "返回路径" after a
// completion pop the page. Outside a StackView it asks its host through closeRequested() and
// practiceRequested(properties). Everything it shows comes from LearningItemDetailViewModel.
Page {
    id: page

    required property AppSession session
    required property LearningStore store
    required property real pathId
    required property real itemId
    signal closeRequested()
    signal practiceRequested(var properties)
    signal openRequested(int destination, var properties)
    // The practice screen's robot row asks for the chat; the shell owns it.
    signal chatRequested(string scene)

    readonly property alias viewModel: vm

    function leave() {
        const view = page.StackView.view
        if (view && page.StackView.index > 0)
            view.pop(view.get(page.StackView.index - 1))
        else
            page.closeRequested()
    }

    function openPractice(row) {
        const properties = vm.practiceProperties(row)
        properties.session = page.session
        if (page.StackView.view)
            page.openRequested(Destination.Practice, properties)
        else
            page.practiceRequested(properties)
    }

    LearningItemDetailViewModel {
        id: vm

        session: page.session
        store: page.store
        pathId: page.pathId
        itemId: page.itemId
        onDismissRequested: page.leave()
    }

    // On screen: shown, and the top of its stack (or in none). Bound from outside: inside the view-model's
    // block qmllint takes "onScreen:" for a handler of a signal "screen".
    Binding {
        target: vm
        property: "onScreen"
        value: page.visible && (page.StackView.view === null
                                || page.StackView.status === StackView.Active
                                || page.StackView.status === StackView.Activating)
    }

    background: Rectangle { color: Theme.brandMist }

    // The page stays light in either scheme, on its brand-mist background.
    header: NavigationBar {
        implicitHeight: 48
        color: Theme.brandMist
        titleColor: Theme.color(Theme.Label, false)
        separatorColor: Qt.rgba(0, 0, 0, 0.08)
        title: vm.title
        showsBack: true
        backLabel: vm.backLabel
        onBackRequested: page.leave()
    }

    // --- loading face

    Column {
        objectName: "loadingFace"
        anchors.centerIn: parent
        visible: vm.face === LearningItemDetailViewModel.LoadingFace
        spacing: 12

        BrandSpinner {
            anchors.horizontalCenter: parent.horizontalCenter
            color: Theme.brandTeal
            size: 28
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: vm.loadingLabel
            textFormat: Text.PlainText
            font.pixelSize: 15
            color: Theme.color(Theme.SecondaryLabel, false)
        }
    }

    // --- not-ready face

    LessonNotReadyFace {
        objectName: "notReadyFace"
        anchors.fill: parent
        visible: vm.face === LearningItemDetailViewModel.NotReadyFace
        viewModel: vm
    }

    // --- content face

    Loader {
        objectName: "contentFace"
        anchors.fill: parent
        active: vm.face === LearningItemDetailViewModel.ContentFace
        sourceComponent: contentFace
    }

    Component {
        id: contentFace

        Flickable {
            id: scroller

            contentWidth: width
            contentHeight: column.implicitHeight + 32
            boundsBehavior: Flickable.StopAtBounds
            clip: true
            ScrollBar.vertical: ScrollBar {}

            // At most 760 wide with its padding, centred.
            ColumnLayout {
                id: column

                readonly property real paddedWidth: Math.min(scroller.width, 760)

                x: (scroller.width - paddedWidth) / 2 + 16
                y: 16
                width: paddedWidth - 32
                spacing: 16

                LessonHeaderCard {
                    Layout.fillWidth: true
                    header: vm.header
                    counts: vm.headerCounts
                }

                HandoutSections {
                    Layout.fillWidth: true
                    visible: vm.hasHandout
                    cards: vm.handoutCards
                    sections: vm.handoutSections
                    examples: vm.handoutExamples
                }

                Loader {
                    Layout.fillWidth: true
                    active: vm.hasExercises
                    visible: active
                    sourceComponent: LessonExercisesCard {
                        objectName: "exercisesCard"
                        card: vm.exercises
                        rows: vm.exerciseRows
                        onPracticeRequested: row => page.openPractice(row)
                    }
                }

                Loader {
                    Layout.fillWidth: true
                    active: vm.hasAssets
                    visible: active
                    sourceComponent: LessonCard {
                        objectName: "assetsCard"
                        title: vm.assets.heading.title
                        icon: vm.assets.heading.icon
                        tint: vm.assets.heading.tint

                        Text {
                            Layout.fillWidth: true
                            text: vm.assets.text
                            textFormat: Text.PlainText
                            font.pixelSize: 15
                            color: Theme.color(Theme.SecondaryLabel, false)
                            wrapMode: Text.Wrap
                        }
                    }
                }

                LessonCompletionControl {
                    Layout.fillWidth: true
                    viewModel: vm
                }
            }
        }
    }

    Alert {
        objectName: "completedAlert"
        title: vm.alertTitle
        message: vm.alertMessage
        buttonText: vm.alertButton
        visible: vm.completed
        // The button is the way out: it takes the learner back to the path.
        closePolicy: T.Popup.NoAutoClose
        onDismissed: vm.returnToPath()
    }
}
