import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Shapes
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Onboarding

// The birth-month page, the whole window while the account still owes its birth month: header with the
// step indicator and sign-out, the picker card with two wheels, the age band, the confirm button and the
// privacy note. Everything it shows comes from its ProfileBirthViewModel; this file only lays it out.
Item {
    id: root

    objectName: "profileBirthView"

    required property AppSession session
    readonly property alias viewModel: vm

    ProfileBirthViewModel {
        id: vm
        session: root.session
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.brandMist
    }

    RoundedCorners {
        width: root.width
        height: 0.42 * root.height
        radius: 36
        fillGradient: LinearGradient {
            x1: 0; y1: 0
            x2: root.width; y2: 0.42 * root.height
            GradientStop { position: 0; color: Theme.brandTeal }
            GradientStop { position: 0.5; color: Theme.brandNavy }
            GradientStop { position: 1; color: Theme.brandNavyDeep }
        }
    }

    SoftCircle {
        diameter: 180
        color: Qt.rgba(1, 1, 1, 0.1)
        x: (root.width - diameter) / 2 + 0.36 * root.width
        y: -40
    }
    SoftCircle {
        diameter: 120
        blur: 4
        color: Qt.rgba(Theme.brandMint.r, Theme.brandMint.g, Theme.brandMint.b, 0.22)
        x: (root.width - diameter) / 2 - 0.38 * root.width
        y: 90
    }

    Flickable {
        id: scroller

        objectName: "birthScroller"
        anchors.fill: parent
        contentWidth: width
        contentHeight: content.implicitHeight
        boundsBehavior: Flickable.StopAtBounds
        clip: true

        ColumnLayout {
            id: content

            x: 20
            width: scroller.width - 40
            spacing: 18

            // Header block.
            ColumnLayout {
                Layout.fillWidth: true
                Layout.bottomMargin: 4
                spacing: 10

                RowLayout {
                    Layout.fillWidth: true
                    Layout.topMargin: 8
                    Item { Layout.fillWidth: true }
                    SignOutButton {}
                }

                Row {
                    Layout.alignment: Qt.AlignHCenter
                    Layout.topMargin: 6
                    spacing: 8

                    StepDot { done: true; label: "checkmark"; ringOpacity: 0 }
                    Connector { fill: 0.9 }
                    StepDot { current: true; label: "2"; ringOpacity: 0.6 }
                    Connector { fill: 0.3 }
                    StepDot { label: "3"; ringOpacity: 0 }
                }

                Text {
                    Layout.alignment: Qt.AlignHCenter
                    text: "完善资料"
                    font.pixelSize: 30
                    font.weight: Font.Black
                    color: "white"
                }
                Text {
                    Layout.fillWidth: true
                    text: "选择你的出生年月，岚帆伴会为你匹配合适的学习节奏"
                    font.pixelSize: 14
                    font.weight: Font.Medium
                    color: Qt.rgba(1, 1, 1, 0.85)
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
            }

            // Picker card.
            Item {
                Layout.fillWidth: true
                Layout.topMargin: 6
                implicitHeight: pickerColumn.implicitHeight + 40

                BrandShadow {
                    anchors.fill: parent
                    cornerRadius: 26
                    color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.14)
                    blur: 24
                    offsetY: 12
                }
                Rectangle {
                    anchors.fill: parent
                    radius: 26
                    color: "white"
                }

                ColumnLayout {
                    id: pickerColumn

                    anchors.fill: parent
                    anchors.margins: 20
                    spacing: 14

                    RowLayout {
                        Layout.fillWidth: true

                        ColumnLayout {
                            spacing: 2
                            Text {
                                text: "出生年月"
                                font.pixelSize: 13
                                font.weight: Font.DemiBold
                                color: Theme.brandMuted
                            }
                            Text {
                                objectName: "pickedText"
                                text: vm.pickedText
                                font.pixelSize: 26
                                font.weight: Font.Black
                                color: Theme.brandNavy
                            }
                        }
                        Item { Layout.fillWidth: true }
                        Rectangle {
                            implicitWidth: 72
                            implicitHeight: 64
                            radius: 18
                            color: Theme.brandCloud

                            Column {
                                anchors.centerIn: parent
                                Text {
                                    id: ageText
                                    objectName: "ageText"
                                    anchors.horizontalCenter: parent.horizontalCenter
                                    text: String(vm.age)
                                    font.pixelSize: 28
                                    font.weight: Font.Black
                                    color: Theme.brandTeal
                                }
                                Text {
                                    anchors.horizontalCenter: parent.horizontalCenter
                                    text: "周岁"
                                    font.pixelSize: 11
                                    font.bold: true
                                    color: Theme.brandMuted
                                }
                            }
                        }
                    }

                    Item {
                        Layout.fillWidth: true
                        implicitHeight: 190

                        Rectangle {
                            anchors.verticalCenter: parent.verticalCenter
                            width: parent.width
                            height: 40
                            radius: 12
                            color: Qt.rgba(Theme.brandTeal.r, Theme.brandTeal.g, Theme.brandTeal.b, 0.08)
                            border.color: Qt.rgba(Theme.brandTeal.r, Theme.brandTeal.g, Theme.brandTeal.b, 0.25)
                            border.width: 1
                        }

                        // Placed by x rather than by a Row: a month wheel built while the learner turns the
                        // year wheel must not lie over it, under the turning mouse, until the next layout.
                        Item {
                            anchors.fill: parent

                            Tumbler {
                                id: yearWheel

                                objectName: "yearWheel"
                                width: parent.width / 2
                                height: parent.height
                                clip: true
                                visibleItemCount: 5
                                wrap: false
                                model: vm.yearCount
                                currentIndex: vm.nowYear - vm.year
                                // Only the learner's turning writes: a rebuilt model must not pick a year.
                                onCurrentIndexChanged: if (moving) vm.year = vm.yearAt(currentIndex)
                                onMovingChanged: if (!moving) vm.year = vm.yearAt(currentIndex)
                                delegate: WheelRow {
                                    required property int index

                                    objectName: "yearRow"
                                    text: vm.yearAt(index) + " 年"
                                    distance: Tumbler.displacement
                                    onPicked: vm.year = vm.yearAt(index)
                                }

                                // The view's own wheel scrolling moves by pixels and coasts: a notch is
                                // one row here.
                                WheelArea {
                                    onTurned: delta => vm.turnYearWheel(delta)
                                }
                            }

                            // One wheel per month maximum: moving onto or off this year builds a fresh
                            // wheel with the months it offers, its pick bound from the start.
                            Repeater {
                                model: [vm.monthMaximum]

                                Tumbler {
                                    required property int modelData

                                    objectName: "monthWheel"
                                    x: yearWheel.width
                                    width: yearWheel.width
                                    height: yearWheel.height
                                    clip: true
                                    visibleItemCount: 5
                                    wrap: false
                                    model: modelData
                                    currentIndex: vm.month - 1
                                    // Only the learner's turning writes.
                                    onCurrentIndexChanged: if (moving) vm.month = currentIndex + 1
                                    onMovingChanged: if (!moving) vm.month = currentIndex + 1
                                    delegate: WheelRow {
                                        required property int index

                                        objectName: "monthRow"
                                        text: (index + 1) + " 月"
                                        distance: Tumbler.displacement
                                        onPicked: vm.month = index + 1
                                    }

                                    WheelArea {
                                        onTurned: delta => vm.turnMonthWheel(delta)
                                    }
                                }
                            }
                        }
                    }
                }
            }

            // Age-band card.
            Item {
                Layout.fillWidth: true
                implicitHeight: bandRow.implicitHeight + 32

                BrandShadow {
                    anchors.fill: parent
                    cornerRadius: 20
                    color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.08)
                    blur: 14
                    offsetY: 6
                }
                Rectangle {
                    anchors.fill: parent
                    radius: 20
                    color: "white"
                }

                RowLayout {
                    id: bandRow

                    anchors.fill: parent
                    anchors.margins: 16
                    spacing: 14

                    Rectangle {
                        Layout.preferredWidth: 48
                        Layout.preferredHeight: 48
                        Layout.alignment: Qt.AlignVCenter
                        radius: 15
                        gradient: Gradient {
                            GradientStop { position: 0; color: Qt.lighter(vm.bandTint, 1.15) }
                            GradientStop { position: 1; color: vm.bandTint }
                        }
                        SymbolIcon {
                            anchors.centerIn: parent
                            symbol: vm.bandSymbol
                            size: 22
                            color: "white"
                        }
                    }

                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 4

                        RowLayout {
                            spacing: 6
                            Text {
                                objectName: "bandTitle"
                                text: vm.bandTitle
                                font.pixelSize: 16
                                font.weight: Font.Black
                                color: Theme.brandNavy
                            }
                            Rectangle {
                                id: tagFill

                                implicitWidth: tagText.implicitWidth + 16
                                implicitHeight: tagText.implicitHeight + 6
                                radius: height / 2
                                color: Qt.rgba(vm.bandTint.r, vm.bandTint.g, vm.bandTint.b, 0.12)
                                Text {
                                    id: tagText
                                    objectName: "bandTag"
                                    anchors.centerIn: parent
                                    text: vm.bandTag
                                    font.pixelSize: 11
                                    font.bold: true
                                    color: Theme.legible(vm.bandTint, Theme.over(tagFill.color, "white"))
                                }
                            }
                        }
                        Text {
                            Layout.fillWidth: true
                            text: vm.bandDetail
                            font.pixelSize: 13
                            color: Theme.brandMuted
                            wrapMode: Text.Wrap
                        }
                        Text {
                            objectName: "bandHint"
                            Layout.fillWidth: true
                            visible: vm.protectedAge
                            text: "可以在「设置 › 学习时长」里自己调低"
                            font.pixelSize: 12
                            color: Theme.brandMuted
                            wrapMode: Text.Wrap
                        }
                    }
                }
            }

            BrandPrimaryButton {
                objectName: "confirmButton"
                Layout.fillWidth: true
                text: "确认，开始学习"
                busy: vm.busy
                styleEnabled: !vm.busy
                enabled: !vm.busy
                onClicked: vm.requestConfirm()
            }

            Row {
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: content.width
                spacing: 4
                SymbolIcon {
                    anchors.verticalCenter: parent.verticalCenter
                    symbol: "lock.fill"
                    size: 12
                    color: Theme.brandMuted
                }
                Text {
                    width: Math.min(implicitWidth, content.width - 20)
                    text: "出生年月只用于匹配学习保护与内容难度，不对外展示"
                    font.pixelSize: 12
                    color: Theme.brandMuted
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
            }

            Item { Layout.preferredHeight: 20 }
        }
    }

    Alert {
        objectName: "confirmDialog"
        title: "确认出生年月"
        message: "出生年月提交后不能自行修改，请确认无误。"
        buttons: [{ "text": vm.confirmTitle }, { "text": "再看看", "role": "cancel" }]
        visible: vm.confirming
        onTriggered: index => { if (index === 0) vm.confirm(); else vm.cancelConfirm(); }
        onDismissed: vm.cancelConfirm()
    }

    Alert {
        objectName: "errorAlert"
        message: vm.message
        visible: vm.alertVisible
        onDismissed: vm.dismissMessage()
    }

    component SignOutButton: Button {
        id: signOutControl

        objectName: "signOutButton"
        text: "退出登录"
        leftPadding: 14
        rightPadding: 14
        topPadding: 7
        bottomPadding: 7
        font.pixelSize: 14
        font.weight: Font.DemiBold
        onClicked: vm.signOut()
        contentItem: Text {
            text: "退出登录"
            font: signOutControl.font
            color: "white"
        }
        background: Rectangle {
            radius: height / 2
            color: Qt.rgba(1, 1, 1, signOutControl.down ? 0.3 : 0.2)
        }

        FocusRing {}
    }

    component StepDot: Item {
        property bool done: false
        property bool current: false
        property string label
        property real ringOpacity: 0

        width: 34
        height: 34

        Rectangle {
            anchors.centerIn: parent
            width: 26
            height: 26
            radius: 13
            color: parent.done || parent.current ? "white" : Qt.rgba(1, 1, 1, 0.16)
        }
        SymbolIcon {
            anchors.centerIn: parent
            visible: parent.done
            symbol: parent.label
            size: 12
            color: Theme.brandTeal
        }
        Text {
            anchors.centerIn: parent
            visible: !parent.done
            text: parent.label
            font.pixelSize: 13
            font.weight: Font.Black
            color: parent.current ? Theme.brandNavy : Qt.rgba(1, 1, 1, 0.92)
        }
        Rectangle {
            anchors.fill: parent
            radius: 17
            color: "transparent"
            border.width: 4
            border.color: Qt.rgba(1, 1, 1, parent.ringOpacity)
        }
    }

    component Connector: Rectangle {
        property real fill: 1
        anchors.verticalCenter: parent.verticalCenter
        width: 42
        height: 3
        radius: 1.5
        color: Qt.rgba(1, 1, 1, fill)
    }

    // Above a wheel: takes the mouse wheel and the touchpad, and lets presses and drags through to it.
    component WheelArea: MouseArea {
        id: area

        signal turned(int delta)

        anchors.fill: parent
        z: 1
        acceptedButtons: Qt.NoButton
        onWheel: wheel => area.turned(wheel.angleDelta.y)
    }

    // A row of a wheel; a click on it picks it, a drag still turns the wheel.
    component WheelRow: Text {
        id: wheelRow

        property real distance: 0
        signal picked()

        TapHandler {
            onTapped: wheelRow.picked()
        }

        width: Tumbler.tumbler ? Tumbler.tumbler.width : implicitWidth
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.pixelSize: 20
        font.weight: Font.DemiBold
        color: Theme.brandNavy
        // Rows away from the middle fade, but stay readable: a click on any row shown picks it.
        opacity: 1 - Math.min(Math.abs(distance), 2.5) * 0.12
    }
}
