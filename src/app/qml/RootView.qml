import QtQuick
import Quorvel.Core
import Quorvel.Guest
import Quorvel.Onboarding
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
        id: screen

        anchors.fill: parent
        // A screen that replaces another (the tab shell once the birth month is stored, the guest home after
        // signing out) fades in over the window's background; the first one after launch just appears.
        property bool replacing: false
        onLoaded: {
            if (replacing)
                fadeIn.restart();
            replacing = true;
        }
        // Launch: nothing yet, the window's own background until the session has read its secrets.
        sourceComponent: model.screen === RootViewModel.Launch ? null
                       : model.screen === RootViewModel.GuestHome ? guestHome
                       : model.screen === RootViewModel.ProfileBirth ? profileBirth
                       : mainGate
    }

    NumberAnimation {
        id: fadeIn
        target: screen.item
        property: "opacity"
        from: 0
        to: 1
        duration: 250
        easing.type: Easing.InOutQuad
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
