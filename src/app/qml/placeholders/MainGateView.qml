import QtQuick
import Quorvel.Core

// After sign-in: the tab shell (onboarding, the learning-profile sheet and youth protection join it later).
Item {
    id: gate

    required property AppSession session

    RootTabView {
        objectName: "tabShell"
        anchors.fill: parent
        session: gate.session
    }
}
