import QtQuick
import Quorvel.Core
import Quorvel.Platform
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

    // The rest notice and the purchase sheet are loaded by their files the first time they are needed and then
    // kept: a signed-in start that shows neither does not load them before its first frame. On a start with the
    // day's time already used up the notice is loaded as soon as the guard learns so from the server.
    Loader {
        id: restLoader

        objectName: "youthRestLoader"
        anchors.fill: parent

        readonly property bool wanted: vm.youth.overlayShown
        function show() {
            if (wanted && !item)
                setSource("qrc:/qt/qml/Quorvel/Onboarding/YouthRestOverlay.qml",
                          { "objectName": "youthRestOverlay", "z": 10, "visible": true,
                            "message": vm.youth.overlayMessage, "usageLine": vm.youth.usageLine })
        }
        onWantedChanged: show()
        Component.onCompleted: show()
    }
    Binding {
        target: restLoader.item
        when: restLoader.item !== null
        property: "visible"
        value: vm.youth.overlayShown
    }
    Binding {
        target: restLoader.item
        when: restLoader.item !== null
        property: "message"
        value: vm.youth.overlayMessage
    }
    Binding {
        target: restLoader.item
        when: restLoader.item !== null
        property: "usageLine"
        value: vm.youth.usageLine
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

    // The store's "确认购买" for every purchase made in the signed-in app; above the tab shell's pages. The
    // binding of `wanted` to the question is what tells the store that a sheet is there to answer it; the
    // sheet, loaded as the first question comes, opens on it by itself.
    Loader {
        id: purchaseLoader

        objectName: "purchaseSheetLoader"
        anchors.fill: parent

        readonly property bool wanted: PurchaseConfirmation.active
        function show() {
            if (wanted && !item)
                setSource("qrc:/qt/qml/Quorvel/Membership/PurchaseConfirmSheet.qml",
                          { "objectName": "purchaseConfirmSheet" })
        }
        onWantedChanged: show()
        Component.onCompleted: show()
    }
}
