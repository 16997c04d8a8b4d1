import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
import Quorvel.Ui

// Stands in for the home screen until its server layout arrives; meanwhile it leads to the wrong book, the
// question bank and the photo match, as the home screen's cards and tools will.
PlaceholderPage {
    id: page

    required property AppSession session
    signal wrongBookRequested()
    signal questionBankRequested()
    signal photoMatchRequested()

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

    BrandPrimaryButton {
        objectName: "questionBankEntry"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: parent.verticalCenter
        anchors.topMargin: 104
        width: 200
        text: "题库练习"
        onClicked: page.questionBankRequested()
    }

    BrandPrimaryButton {
        objectName: "photoMatchEntry"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.top: parent.verticalCenter
        anchors.topMargin: 168
        width: 200
        text: "拍照识题"
        onClicked: page.photoMatchRequested()
    }
}
