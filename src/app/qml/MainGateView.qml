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

    Loader {
        objectName: "onboardingFlowLoader"
        anchors.fill: parent
        active: vm.showOnboarding
        sourceComponent: OnboardingFlowView {
            objectName: "onboardingFlow"
            z: 20
            session: gate.session
            startStep: vm.startStep
            Component.onCompleted: open()
            onFinished: vm.finishOnboarding()
        }
    }

    Loader {
        objectName: "profileSheetLoader"
        anchors.fill: parent
        active: vm.showProfile
        sourceComponent: LearningProfileSheet {
            objectName: "learningProfileSheet"
            z: 20
            session: gate.session
            Component.onCompleted: open()
            onDone: vm.profileDone()
            onClosed: vm.profileDismissed()
        }
    }

    // The store's "确认购买" for every purchase made in the signed-in app; above the tab shell's pages.
    PurchaseConfirmSheet {
        objectName: "purchaseConfirmSheet"
    }
}
