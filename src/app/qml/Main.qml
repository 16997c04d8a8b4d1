import QtQuick
import QtQuick.Controls
import Quorvel

ApplicationWindow {
    id: window

    required property AppSession session

    width: 1024
    height: 720
    visible: true
    title: "岚帆伴"

    Label {
        anchors.centerIn: parent
        text: window.session.isLoggedIn ? "已登录" : "岚帆伴"
        font.pixelSize: 28
    }
}
