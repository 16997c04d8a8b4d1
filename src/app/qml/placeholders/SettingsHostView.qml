import QtQuick
import QtQuick.Controls
import Quorvel.Core
import Quorvel.Settings

PlaceholderPage {
    id: page

    required property AppSession session
    required property SettingsStore store
    required property string pageId

    heading: "我的"

    Button {
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 48
        text: "退出登录"
        onClicked: page.session.signOut()
    }
}
