import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Onboarding

// The first-run questionnaire over the whole window: the step's header, its page in a scrolling body and the
// bottom bar. It cannot be closed from outside (no Escape, no click beside it): the learner leaves only
// through its own buttons, and `finished` tells the presenter to close it. Enter presses the primary button.
// A new page slides in from the right while it fades in.
T.Popup {
    id: flowView

    property AppSession session
    property string startStep
    readonly property alias viewModel: vm
    signal finished()

    x: 0
    y: 0
    width: parent ? parent.width : 0
    height: parent ? parent.height : 0
    padding: 0
    modal: true
    dim: false
    focus: true
    closePolicy: T.Popup.NoAutoClose

    OnboardingFlowViewModel {
        id: vm

        session: flowView.session
        startStep: flowView.startStep
        onFinished: flowView.finished()
    }

    background: Rectangle {
        color: Theme.brandMist
    }

    contentItem: ColumnLayout {
        spacing: 0
        focus: true
        Keys.onReturnPressed: vm.primary()
        Keys.onEnterPressed: vm.primary()

        OnbHeader {
            objectName: "flowHeader"
            Layout.fillWidth: true
            step: vm.position
            total: vm.total
            badge: vm.badge
            icon: vm.icon
            title: vm.title
            subtitle: vm.subtitle
        }

        Flickable {
            id: scroller

            objectName: "flowScroller"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            contentWidth: width
            contentHeight: pageLoader.height + 36
            boundsBehavior: Flickable.StopAtBounds

            Loader {
                id: pageLoader

                objectName: "flowPage"
                // A wide window keeps the questions in a readable column.
                width: Math.min(scroller.width - 36, 720)
                x: Math.round((scroller.width - width) / 2)
                y: 18
                sourceComponent: {
                    switch (vm.pageKind) {
                    case "intro":
                        return introPage;
                    case "profile":
                        return profilePage;
                    case "goal":
                        return goalPage;
                    case "diagnosis":
                        return diagnosisPage;
                    default:
                        return contractPage;
                    }
                }
                transform: Translate {
                    id: slide
                }
                onLoaded: {
                    scroller.contentY = 0;
                    pageIn.restart();
                }
            }

            T.ScrollBar.vertical: T.ScrollBar {
                id: scrollBar

                policy: T.ScrollBar.AsNeeded
                padding: 2
                contentItem: Rectangle {
                    implicitWidth: 6
                    radius: 3
                    color: Qt.rgba(0, 0, 0, 0.35)
                    opacity: scrollBar.active || scrollBar.hovered ? 1 : 0
                }
            }
        }

        OnbBottomBar {
            objectName: "flowBottomBar"
            Layout.fillWidth: true
            primary: vm.primaryLabel
            secondary: vm.secondaryLabel
            busy: vm.busy
            onPrimaryAction: vm.primary()
            onSecondaryAction: vm.secondary()
        }
    }

    ParallelAnimation {
        id: pageIn

        NumberAnimation {
            target: slide
            property: "x"
            from: 48
            to: 0
            duration: 280
            easing.type: Easing.InOutQuad
        }
        NumberAnimation {
            target: pageLoader
            property: "opacity"
            from: 0
            to: 1
            duration: 280
            easing.type: Easing.InOutQuad
        }
    }

    Component {
        id: introPage

        OnbIntroPage {
            flow: vm
        }
    }
    Component {
        id: profilePage

        LearningProfileForm {
            answers: vm.profile
        }
    }
    Component {
        id: goalPage

        OnbGoalPage {
            flow: vm
        }
    }
    Component {
        id: diagnosisPage

        OnbDiagnosisPage {
            flow: vm
        }
    }
    Component {
        id: contractPage

        OnbContractPage {
            flow: vm
        }
    }

    // Just above this questionnaire, whatever layer the presenter puts it on (the gate raises it over the tab shell):
    // an alert beneath it would answer unseen.
    Alert {
        objectName: "flowErrorAlert"
        z: flowView.z + 1
        message: vm.message
        visible: vm.alertVisible
        onTriggered: vm.dismissMessage()
        onDismissed: vm.dismissMessage()
    }
}
