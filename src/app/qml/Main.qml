import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core

ApplicationWindow {
    id: window

    required property AppSession session

    // Its size, place and minimum size are the app's (WindowPlacement), which shows it once placed.
    visible: false
    title: "岚帆伴"

    // Quits from any screen, a text field focused included.
    Shortcut {
        sequence: "Ctrl+Q"
        context: Qt.ApplicationShortcut
        onActivated: Qt.quit()
    }

    RootView {
        anchors.fill: parent
        session: window.session
    }
}
