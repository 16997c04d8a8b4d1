import QtQuick
import Quorvel.Core
import Quorvel.Membership
import Quorvel.Onboarding

// After sign-in: the tab shell, and over it what the server decides: the rest overlay while the youth guard
// says study is blocked, and above that the first-run questionnaire or the learning-profile sheet while they
// are open. The root view creates the gate when the learner enters the app and destroys it when they leave:
// that is when the guard starts and stops.
Item {
    id: gate

    required property AppSession session

    MainGateViewModel {
        id: vm

        session: gate.session
    }

    Component.onCompleted: vm.appear()
    Component.onDestruction: vm.disappear()

    RootTabView {
        objectName: "tabShell"
        anchors.fill: parent
        session: gate.session
    }

    YouthRestOverlay {
        objectName: "youthRestOverlay"
        z: 10
        visible: vm.youth.overlayShown
        message: vm.youth.overlayMessage
        usageLine: vm.youth.usageLine
    }

    // The questionnaire and the learning-profile sheet are loaded by their files when they open: named here as
    // types, every page of the questionnaire would be loaded with the tab shell, before its first frame.
    Loader {
        id: onboardingLoader

        objectName: "onboardingFlowLoader"
        anchors.fill: parent

        readonly property bool wanted: vm.showOnboarding
        function show() {
            if (wanted && !item)
                setSource("qrc:/qt/qml/Quorvel/Onboarding/OnboardingFlowView.qml",
                          { "objectName": "onboardingFlow", "z": 20, "session": gate.session,
                            "startStep": vm.startStep })
            else if (!wanted)
                source = ""
        }
        onWantedChanged: show()
        Component.onCompleted: show()
        onLoaded: item.open()
    }
    Binding {
        target: onboardingLoader.item
        when: onboardingLoader.item !== null
        property: "startStep"
        value: vm.startStep
    }
    Connections {
        target: onboardingLoader.item
        function onFinished() { vm.finishOnboarding() }
    }

    Loader {
        id: profileLoader

        objectName: "profileSheetLoader"
        anchors.fill: parent

        readonly property bool wanted: vm.showProfile
        function show() {
            if (wanted && !item)
                setSource("qrc:/qt/qml/Quorvel/Onboarding/LearningProfileSheet.qml",
                          { "objectName": "learningProfileSheet", "z": 20, "session": gate.session })
            else if (!wanted)
                source = ""
        }
        onWantedChanged: show()
        Component.onCompleted: show()
        onLoaded: item.open()
    }
    Connections {
        target: profileLoader.item
        function onDone() { vm.profileDone() }
        function onClosed() { vm.profileDismissed() }
    }

    // The store's "确认购买" for every purchase made in the signed-in app; above the tab shell's pages.
    PurchaseConfirmSheet {
        objectName: "purchaseConfirmSheet"
    }
}
