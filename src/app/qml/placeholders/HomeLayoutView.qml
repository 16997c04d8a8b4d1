import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
import Quorvel.Ui

// Stands in for the home screen until its server layout arrives; meanwhile it leads to the wrong book, as the
// home screen's card will.
PlaceholderPage {
    id: page

    required property AppSession session
    signal wrongBookRequested()

    heading: "首页"

    BrandPrimaryButton {
        objectName: "wrongBookEntry"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: parent.verticalCenter
        anchors.topMargin: 40
        width: 200
        text: "错题本"
        onClicked: page.wrongBookRequested()
    }
}
