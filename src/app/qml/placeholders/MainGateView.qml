import QtQuick
import Quorvel.Core
import Quorvel.Onboarding

// After sign-in: the tab shell, and over it the learning-profile sheet while the profile is neither filled
// nor asked (the questionnaire and youth protection join it later).
Item {
    id: gate

    required property AppSession session

    MainGateViewModel {
        id: vm

        session: gate.session
    }

    Component.onCompleted: vm.appear()

    RootTabView {
        objectName: "tabShell"
        anchors.fill: parent
        session: gate.session
    }

    Loader {
        objectName: "profileSheetLoader"
        anchors.fill: parent
        active: vm.showProfile
        sourceComponent: LearningProfileSheet {
            objectName: "learningProfileSheet"
            session: gate.session
            Component.onCompleted: open()
            onDone: vm.profileDone()
            onClosed: vm.profileDismissed()
        }
    }
}
