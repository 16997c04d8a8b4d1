import QtQuick
import QtQuick.Controls
import Quorvel

PlaceholderPage {
    id: page

    required property AppSession session
    property bool showLogin: false

    heading: "岚帆伴"

    BrandPrimaryButton {
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 64
        width: 280
        text: "登录 / 注册"
        styleEnabled: true
        onClicked: page.showLogin = true
    }

    Loader {
        anchors.fill: parent
        active: page.showLogin
        z: 10
        sourceComponent: LoginView {
            session: page.session
            closable: true
            onCloseRequested: page.showLogin = false
        }
    }
}
