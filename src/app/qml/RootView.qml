import QtQuick
import Quorvel.Core
// Imported (not named) so that their files are there when a screen is loaded by its URL.
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

    // Each screen is loaded by its file, not named here as a type: naming all three would make the engine load
    // every type of both the signed-out and the signed-in app (the tab shell and all its tabs' views) before the
    // first frame, whichever screen the session asks for.
    function showScreen() {
        // Launch: nothing yet, the window's own background until the session has read its secrets.
        if (model.screen === RootViewModel.Launch)
            screen.source = "";
        else
            screen.setSource(model.screen === RootViewModel.GuestHome ? "qrc:/qt/qml/Quorvel/Guest/GuestHomeView.qml"
                           : model.screen === RootViewModel.ProfileBirth
                             ? "qrc:/qt/qml/Quorvel/Onboarding/ProfileBirthView.qml"
                             : "MainGateView.qml", { "session": root.session });
    }

    Connections {
        target: model
        function onScreenChanged() { root.showScreen() }
    }
    Component.onCompleted: showScreen()

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
}
