import QtQuick
import QtQuick.Controls
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

    RootView {
        anchors.fill: parent
        session: window.session
    }
}
