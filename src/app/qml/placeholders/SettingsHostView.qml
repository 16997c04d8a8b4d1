import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
import Quorvel.Settings

PlaceholderPage {
    id: page

    required property AppSession session
    required property SettingsStore store
    required property string pageId

    heading: "我的"

    Button {
        id: signOut

        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 48
        text: "退出登录"
        onClicked: page.session.signOut()
        // The plain outlined button this page has always shown, drawn here rather than left to the controls
        // style, so that it keeps its look whichever style is loaded.
        padding: 4
        contentItem: Text {
            text: signOut.text
            textFormat: Text.PlainText
            font: signOut.font
            color: "black"
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            implicitWidth: 80
            implicitHeight: 24
            radius: 2
            border.color: "#ababab"
            gradient: Gradient {
                GradientStop { position: 0; color: "#ffffff" }
                GradientStop { position: 1; color: "#ededed" }
            }

            Rectangle {
                anchors.fill: parent
                radius: parent.radius
                color: Qt.rgba(0, 0, 0, 0.08)
                visible: signOut.down
            }
        }
    }
}
