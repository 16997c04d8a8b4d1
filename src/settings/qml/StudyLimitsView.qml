import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Settings

// The study limits ("学习时长"): today's used and remaining minutes, the daily limit on a "−" / "+" stepper and
// the rest periods as pairs of text fields, each row removable by a swipe or its delete control, then
// "保存". A spinner until the limits arrive; an adult account sees only a note. Loads each time it comes on
// screen. Pushed on a StackView with {"session"}; popped by its back control.
Page {
    id: page

    property AppSession session
    readonly property alias viewModel: vm
    signal closeRequested()

    title: "学习时长"

    StudyLimitsViewModel {
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

    BrandSpinner {
        objectName: "limitsLoading"
        anchors.centerIn: parent
        visible: !vm.loaded
        size: 28
        color: Theme.brandMuted
    }

    Flickable {
        id: scroller

        objectName: "limitsList"
        readonly property real paddedWidth: Math.min(width, 760)

        anchors.fill: parent
        visible: vm.loaded
        clip: true
        contentWidth: width
        contentHeight: content.implicitHeight + 40
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}

        ColumnLayout {
            id: content

            x: (scroller.width - scroller.paddedWidth) / 2 + 16
            y: 20
            width: scroller.paddedWidth - 32
            spacing: 24

            FormSection {
                objectName: "adultSection"
                Layout.fillWidth: true
                visible: !vm.enforced

                FormRow {
                    title: "成年用户不限制学习时长，按自己的节奏来就好。"
                }
            }

            FormSection {
                objectName: "todaySection"
                Layout.fillWidth: true
                visible: vm.enforced

                FormRow {
                    title: "今日已用"
                    value: vm.usedText
                }
                FormRow {
                    title: "今日剩余"
                    value: vm.remainingText
                }
            }

            FormSection {
                objectName: "dailySection"
                Layout.fillWidth: true
                visible: vm.enforced
                header: "每日时长"
                footer: vm.dailyFooter

                Item {
                    objectName: "minutesStepper"
                    width: parent ? parent.width : 0
                    implicitHeight: 52

                    Text {
                        objectName: "minutesLabel"
                        anchors.left: parent.left
                        anchors.leftMargin: 16
                        anchors.right: stepperButtons.left
                        anchors.rightMargin: 12
                        anchors.verticalCenter: parent.verticalCenter
                        text: vm.minutesLabel
                        textFormat: Text.PlainText
                        font.pixelSize: 17
                        color: Theme.label
                        elide: Text.ElideRight
                    }

                    // The two halves of one rounded capsule, a hairline between them.
                    Rectangle {
                        id: stepperButtons

                        anchors.right: parent.right
                        anchors.rightMargin: 16
                        anchors.verticalCenter: parent.verticalCenter
                        width: 94
                        height: 32
                        radius: 8
                        color: Theme.gray5

                        Row {
                            anchors.fill: parent

                            StepperHalf {
                                objectName: "decrementButton"
                                text: "−"
                                Accessible.name: "减少"
                                enabled: vm.canDecrement
                                onClicked: vm.decrement()
                            }
                            Rectangle {
                                width: 1
                                height: parent.height - 12
                                anchors.verticalCenter: parent.verticalCenter
                                color: Theme.separator
                            }
                            StepperHalf {
                                objectName: "incrementButton"
                                text: "+"
                                Accessible.name: "增加"
                                enabled: vm.canIncrement
                                onClicked: vm.increment()
                            }
                        }
                    }
                }
            }

            FormSection {
                objectName: "periodSection"
                Layout.fillWidth: true
                visible: vm.enforced
                header: "休息时段"
                footer: "格式 HH:MM，最多 4 段。22:00–06:00 的夜间休息不能取消。"

                Repeater {
                    model: vm.periods

                    Item {
                        id: periodRow

                        required property int index
                        required property string start
                        required property string end
                        property bool showsSeparator: true

                        objectName: "periodRow"
                        width: parent ? parent.width : 0
                        height: 52

                        SwipeDelegate {
                            id: swipeRow

                            anchors.fill: parent
                            padding: 0
                            background: Rectangle { color: Theme.secondaryGroupedBackground }

                            SwipeActionOwner { swipe: swipeRow.swipe }

                            swipe.right: T.AbstractButton {
                                objectName: "swipeRemoveButton"
                                anchors.right: parent.right
                                width: 80
                                height: parent.height
                                Accessible.name: "删除"
                                onClicked: vm.removePeriod(periodRow.index)
                                background: Rectangle { color: Theme.red }
                                contentItem: Text {
                                    text: "删除"
                                    textFormat: Text.PlainText
                                    font.pixelSize: 17
                                    color: "white"
                                    horizontalAlignment: Text.AlignHCenter
                                    verticalAlignment: Text.AlignVCenter
                                }

                                FocusRing {}
                            }

                            contentItem: RowLayout {
                                spacing: 8

                                TimeField {
                                    objectName: "periodStart"
                                    Layout.leftMargin: 16
                                    placeholderText: "开始"
                                    text: periodRow.start
                                    onTextEdited: vm.setPeriodStart(periodRow.index, text)
                                }
                                Text {
                                    text: "–"
                                    textFormat: Text.PlainText
                                    font.pixelSize: 17
                                    color: Theme.secondaryLabel
                                }
                                TimeField {
                                    objectName: "periodEnd"
                                    placeholderText: "结束"
                                    text: periodRow.end
                                    onTextEdited: vm.setPeriodEnd(periodRow.index, text)
                                }
                                Item { Layout.fillWidth: true }
                                T.AbstractButton {
                                    objectName: "removePeriodButton"
                                    Layout.rightMargin: 8
                                    implicitWidth: 44
                                    implicitHeight: 44
                                    Accessible.name: "删除"
                                    onClicked: vm.removePeriod(periodRow.index)

                                    HoverHandler { cursorShape: Qt.PointingHandCursor }

                                    contentItem: SymbolIcon {
                                        symbol: "trash"
                                        size: 20
                                        color: Theme.red
                                    }

                                    FocusRing {}
                                }
                            }

                            FocusRing {}
                        }

                        Rectangle {
                            visible: periodRow.showsSeparator
                            anchors.bottom: parent.bottom
                            x: 16
                            width: parent.width - x
                            height: 1
                            color: Theme.separator
                        }
                    }
                }

                FormRow {
                    objectName: "addPeriodButton"
                    visible: vm.canAddPeriod
                    title: "添加休息时段"
                    titleColor: Theme.brandTeal
                    interactive: true
                    onClicked: vm.addPeriod()
                }
            }

            BrandPrimaryButton {
                objectName: "saveButton"
                Layout.fillWidth: true
                visible: vm.enforced
                text: "保存"
                busy: vm.saving
                enabled: !vm.saving
                onClicked: vm.save()
            }
        }
    }

    Alert {
        objectName: "limitsAlert"
        message: vm.message
        visible: vm.alertVisible
        onDismissed: vm.dismissMessage()
    }

    // One half of the stepper: a symbol-free label, faint while it cannot step further.
    component StepperHalf: T.AbstractButton {
        id: half

        width: 46
        height: 32
        HoverHandler { cursorShape: half.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor }

        background: Rectangle {
            radius: 8
            color: half.down ? Qt.rgba(0, 0, 0, 0.08) : "transparent"
        }
        contentItem: Text {
            text: half.text
            textFormat: Text.PlainText
            font.pixelSize: 22
            color: Theme.label
            opacity: half.enabled ? 1 : 0.3
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }

        FocusRing {}
    }

    // A clock-time text field: any text goes, as typed; the server judges it when saved.
    component TimeField: T.TextField {
        implicitWidth: 88
        implicitHeight: 34
        padding: 6
        font.pixelSize: 17
        color: Theme.label
        horizontalAlignment: TextInput.AlignHCenter
        verticalAlignment: TextInput.AlignVCenter
        inputMethodHints: Qt.ImhPreferNumbers
        selectByMouse: true
        selectionColor: Theme.brandMint
        selectedTextColor: Theme.brandNavyDeep
        placeholderTextColor: Theme.secondaryLabel

        background: Rectangle {
            radius: 8
            color: Theme.groupedBackground
            border.color: parent.activeFocus ? Theme.brandTeal : "transparent"
        }
    }
}
