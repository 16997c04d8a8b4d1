import QtQuick
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Guest

// The sign-in screen over the guest home: a modal popup (ordinary items sit under the popup layer, and the
// cover must stay above a sheet still on its way out) that slides up over the page. Its close button asks the
// page to drop it (`closeRequested`).
T.Popup {
    id: cover

    required property AppSession session

    signal closeRequested()

    z: 20
    width: parent ? parent.width : 0
    height: parent ? parent.height : 0
    padding: 0
    modal: true
    dim: false
    focus: true
    closePolicy: T.Popup.NoAutoClose

    // The cover slides up over the page.
    enter: Transition {
        NumberAnimation {
            property: "y"
            from: cover.height
            to: 0
            duration: 280
            easing.type: Easing.OutCubic
        }
    }

    contentItem: LoginView {
        session: cover.session
        closable: true
        onCloseRequested: cover.closeRequested()
    }
}
