import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Settings

// The account information ("出生年月"): the birth month and the account status in two plain rows, and the
// note that the month is entered once. Read-only; loads each time it comes on screen. Pushed on a StackView
// with {"session"}; popped by its back control.
Page {
    id: page

    property AppSession session
    readonly property alias viewModel: vm
    signal closeRequested()

    title: "出生年月"

    ProfileBirthInfoViewModel {
        id: vm
        session: page.session
    }

    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
                                     && (page.StackView.view === null || page.StackView.status === StackView.Active)
    onOnScreenChanged: onScreen ? vm.load() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { page.ready = true })

    function leave() {
        const view = page.StackView.view
        if (view && page.StackView.index > 0)
            view.pop(view.get(page.StackView.index - 1))
        else
            page.closeRequested()
    }

    background: Rectangle { color: Theme.groupedBackground }

    header: NavigationBar {
        title: page.title
        showsBack: page.StackView.view === null || page.StackView.index > 0
        onBackRequested: page.leave()
    }

    Flickable {
        id: scroller

        objectName: "accountList"
        readonly property real paddedWidth: Math.min(width, 760)

        anchors.fill: parent
        clip: true
        contentWidth: width
        contentHeight: content.implicitHeight + 40
        boundsBehavior: Flickable.StopAtBounds

        ColumnLayout {
            id: content

            x: (scroller.width - scroller.paddedWidth) / 2 + 16
            y: 20
            width: scroller.paddedWidth - 32

            FormSection {
                objectName: "accountSection"
                Layout.fillWidth: true
                footer: "出生年月只能填写一次。填错了请联系客服修改。"

                FormRow {
                    objectName: "birthRow"
                    title: "出生年月"
                    value: vm.birthText
                }
                FormRow {
                    objectName: "statusRow"
                    title: "账号状态"
                    value: vm.statusText
                }
            }
        }
    }

    Alert {
        objectName: "accountAlert"
        message: vm.message
        visible: vm.alertVisible
        onDismissed: vm.dismissMessage()
    }
}
