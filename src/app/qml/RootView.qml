import QtQuick
import Quorvel.Core
import Quorvel.Guest
import Quorvel.App

// The first screen, chosen by the session's state; switches by itself on sign-in, sign-out and when the
// birth month is recorded.
Item {
    id: root

    required property AppSession session

    RootViewModel {
        id: model
        session: root.session
    }

    Loader {
        anchors.fill: parent
        // Launch: nothing yet, the window's own background until the session has read its secrets.
        sourceComponent: model.screen === RootViewModel.Launch ? null
                       : model.screen === RootViewModel.GuestHome ? guestHome
                       : model.screen === RootViewModel.ProfileBirth ? profileBirth
                       : mainGate
    }

    Component {
        id: guestHome
        GuestHomeView { session: root.session }
    }
    Component {
        id: profileBirth
        ProfileBirthView { session: root.session }
    }
    Component {
        id: mainGate
        MainGateView { session: root.session }
    }
}
