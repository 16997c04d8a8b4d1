import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Onboarding

// The sheet that asks a signed-in learner for the learning profile: the header, the form in a scrolling body
// and "保存" / "以后再说" at the foot. `done` follows a successful save and "以后再说"; closing it any other way
// (Escape, a click beside it) only closes it, which is refused while a save runs. Declare it in the page it
// covers; it sizes itself to its parent and is always drawn light.
T.Popup {
    id: sheet

    property AppSession session
    readonly property alias viewModel: vm
    signal done()

    modal: true
    dim: true
    focus: true
    x: Math.round((parent ? parent.width - width : 0) / 2)
    y: parent ? parent.height - height : 0
    width: parent ? Math.min(parent.width, 640) : 0
    height: parent ? parent.height - Math.min(40, parent.height * 0.05) : 0
    padding: 0
    closePolicy: vm.busy ? T.Popup.NoAutoClose : T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutside

    LearningProfileSheetViewModel {
        id: vm

        session: sheet.session
        onDone: sheet.done()
    }

    enter: Transition {
        NumberAnimation { property: "y"; from: sheet.parent ? sheet.parent.height : 0; duration: 260; easing.type: Easing.OutCubic }
    }
    exit: Transition {
        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: 150 }
    }

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.3)
    }

    // Rounded at the top only: the bottom corners run past the window's edge.
    background: Item {
        clip: true

        Rectangle {
            anchors.fill: parent
            anchors.bottomMargin: -radius
            radius: 18
            color: Theme.brandMist
        }
    }

    contentItem: ColumnLayout {
        spacing: 0

        OnbHeader {
            objectName: "profileHeader"
            Layout.fillWidth: true
            step: 0
            total: 4
            badge: "约 1 分钟 · 都可随时修改"
            icon: "person.text.rectangle"
            title: "完善学习资料"
            subtitle: "告诉伙伴你的年级和教材，讲解会更贴合你。"
        }

        Flickable {
            id: scroller

            objectName: "profileScroller"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            contentWidth: width
            contentHeight: form.implicitHeight + 36
            boundsBehavior: Flickable.StopAtBounds

            LearningProfileForm {
                id: form

                x: 18
                y: 18
                width: scroller.width - 36
                answers: vm.answers
            }

            // Shown while the form scrolls, so it is plain there is more below.
            T.ScrollBar.vertical: T.ScrollBar {
                id: scrollBar

                policy: T.ScrollBar.AsNeeded
                padding: 2
                contentItem: Rectangle {
                    implicitWidth: 6
                    radius: 3
                    color: Qt.rgba(0, 0, 0, 0.35)
                    opacity: scrollBar.active || scrollBar.hovered ? 1 : 0
                }
            }
        }

        OnbBottomBar {
            objectName: "profileBottomBar"
            Layout.fillWidth: true
            primary: "保存"
            secondary: "以后再说"
            busy: vm.busy
            onPrimaryAction: vm.save()
            onSecondaryAction: vm.later()
        }
    }

    // Just above this sheet, whatever layer the presenter puts it on (the gate raises it over the tab shell):
    // an alert beneath it would answer unseen.
    Alert {
        objectName: "profileErrorAlert"
        z: sheet.z + 1
        message: vm.message
        visible: vm.alertVisible
        onTriggered: vm.dismissMessage()
        onDismissed: vm.dismissMessage()
    }
}
