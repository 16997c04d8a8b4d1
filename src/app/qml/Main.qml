import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core

ApplicationWindow {
    id: window

    required property AppSession session

    width: 1100
    height: 760
    minimumWidth: 720
    minimumHeight: 560
    visible: true
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
