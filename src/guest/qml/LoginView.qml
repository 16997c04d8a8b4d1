import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Platform
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Guest

// The sign-in screen: mobile number, SMS code, consent to the legal pages, sign-in. Shown by the guest home
// as a full-window cover:
//     LoginView { session: app.session; closable: true; onCloseRequested: <hide the cover> }
// Without `closable` there is no close button and nothing is asked after signing in. Everything it shows
// comes from its LoginViewModel; this file only lays it out.
Item {
    id: root

    required property AppSession session
    property bool closable: false
    signal closeRequested()

    readonly property alias viewModel: vm
    // The header's size follows the focus with a short ease-out.
    property real logoSize: vm.logoSize
    property real topSpacing: vm.topSpacing
    Behavior on logoSize { NumberAnimation { duration: 200; easing.type: Easing.OutQuad } }
    Behavior on topSpacing { NumberAnimation { duration: 200; easing.type: Easing.OutQuad } }

    LoginViewModel {
        id: vm

        session: root.session
        closable: root.closable
        onCloseRequested: root.closeRequested()
        onFocusChanged: {
            if (vm.focus === LoginViewModel.Code && !codeRow.fieldFocused)
                codeRow.field.forceActiveFocus();
            else if (vm.focus === LoginViewModel.Phone && !phoneRow.fieldFocused)
                phoneRow.field.forceActiveFocus();
        }
    }

    BrandGradient {
        anchors.fill: parent
    }

    SoftCircle {
        diameter: 160
        blur: 2
        color: Qt.rgba(1, 1, 1, 0.14)
        x: (root.width - diameter) / 2 - 0.32 * root.width
        y: (root.height - diameter) / 2 - 0.34 * root.height
    }
    SoftCircle {
        diameter: 220
        blur: 6
        color: Qt.rgba(Theme.brandMint.r, Theme.brandMint.g, Theme.brandMint.b, 0.25)
        x: (root.width - diameter) / 2 + 0.38 * root.width
        y: (root.height - diameter) / 2 - 0.08 * root.height
    }
    SoftCircle {
        diameter: 120
        color: Qt.rgba(1, 1, 1, 0.06)
        x: (root.width - diameter) / 2 - 0.2 * root.width
        y: (root.height - diameter) / 2 + 0.36 * root.height
    }

    Flickable {
        id: scroller

        objectName: "loginScroller"
        anchors.fill: parent
        contentWidth: width
        contentHeight: content.height
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        // Dragging the page puts the keyboard away.
        onMovementStarted: root.forceActiveFocus()
        // A taller window leaves less to scroll: take back an offset it no longer allows at once, even while
        // a wheel flick is still running (the view would otherwise keep it until the content changes).
        onHeightChanged: if (!dragging) returnToBounds()

        ColumnLayout {
            id: content

            objectName: "loginContent"
            width: scroller.width
            height: Math.max(scroller.height, implicitHeight)
            spacing: 22

            Item {
                Layout.fillHeight: true
                Layout.minimumHeight: root.topSpacing
            }

            // Header
            ColumnLayout {
                Layout.alignment: Qt.AlignHCenter
                Layout.leftMargin: 20
                Layout.rightMargin: 20
                spacing: 10

                Item {
                    Layout.alignment: Qt.AlignHCenter
                    Layout.preferredWidth: root.logoSize
                    Layout.preferredHeight: root.logoSize

                    BrandShadow {
                        anchors.fill: parent
                        cornerRadius: 24
                        color: Qt.rgba(0, 0, 0, 0.25)
                        blur: 14
                        offsetY: 8
                    }
                    BrandLogo {
                        anchors.fill: parent
                        radius: 24
                    }
                }

                Text {
                    Layout.alignment: Qt.AlignHCenter
                    text: "岚帆伴"
                    font.pixelSize: 34
                    font.weight: Font.Black
                    color: "white"
                }

                Text {
                    Layout.alignment: Qt.AlignHCenter
                    visible: vm.taglineVisible
                    text: "一个 AI 伙伴，陪你学遍所有"
                    font.pixelSize: 15
                    font.weight: Font.Medium
                    color: Qt.rgba(1, 1, 1, 0.85)
                }
            }

            // Card
            Item {
                Layout.fillWidth: true
                // A phone-width card; on a wide window it stays centred instead of stretching.
                Layout.maximumWidth: 440
                Layout.alignment: Qt.AlignHCenter
                Layout.leftMargin: 20
                Layout.rightMargin: 20
                implicitHeight: card.implicitHeight + 44

                BrandShadow {
                    anchors.fill: parent
                    cornerRadius: 26
                    color: Qt.rgba(0, 0, 0, 0.2)
                    blur: 28
                    offsetY: 12
                }

                Rectangle {
                    anchors.fill: parent
                    radius: 26
                    color: "white"
                }

                ColumnLayout {
                    id: card

                    anchors.fill: parent
                    anchors.margins: 22
                    spacing: 16

                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 4

                        Text {
                            Layout.fillWidth: true
                            text: "手机号登录"
                            font.pixelSize: 22
                            font.weight: Font.Black
                            color: Theme.brandNavy
                        }
                        Text {
                            Layout.fillWidth: true
                            text: "短信验证码登录，登录后按学段推荐学习路径"
                            font.pixelSize: 13
                            color: Theme.brandMuted
                            wrapMode: Text.Wrap
                        }
                    }

                    BrandInputRow {
                        id: phoneRow

                        objectName: "phoneRow"
                        Layout.fillWidth: true
                        symbol: "iphone"
                        placeholderText: "请输入手机号"
                        inputMethodHints: Qt.ImhDialableCharactersOnly | Qt.ImhNoPredictiveText
                        text: vm.phone
                        onEdited: (text) => { vm.phone = text; }
                        onFieldFocusedChanged: vm.setFieldFocused(LoginViewModel.Phone, fieldFocused)
                    }

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 10

                        BrandInputRow {
                            id: codeRow

                            objectName: "codeRow"
                            Layout.fillWidth: true
                            onAccepted: vm.submitFromKeyboard()
                            symbol: "lock.shield"
                            placeholderText: "6 位验证码"
                            inputMethodHints: Qt.ImhDigitsOnly | Qt.ImhNoPredictiveText
                            text: vm.code
                            onEdited: (text) => { vm.code = text; }
                            onFieldFocusedChanged: vm.setFieldFocused(LoginViewModel.Code, fieldFocused)
                        }

                        T.Button {
                            id: sendButton

                            objectName: "sendCodeButton"
                            // Clicking a button leaves the keyboard in its field: taking it would grow the
                            // header and move this button away from the pointer before the click ends.
                            focusPolicy: Qt.TabFocus
                            implicitWidth: 104
                            implicitHeight: 50
                            enabled: vm.canSendCode
                            text: vm.sendCodeLabel
                            onClicked: vm.sendCode()

                            HoverHandler {
                                cursorShape: sendButton.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
                            }

                            contentItem: Text {
                                text: sendButton.text
                                font.pixelSize: 14
                                font.bold: true
                                color: vm.canSendCode ? "white" : Theme.brandMuted
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                            }
                            // The brand gradient fades in over the plain fill rather than being swapped in as
                            // the fill's gradient (Qt 6.4's compiled bindings crash assigning a null gradient).
                            background: Rectangle {
                                radius: 14
                                color: Theme.brandCloud

                                Rectangle {
                                    anchors.fill: parent
                                    radius: parent.radius
                                    visible: vm.canSendCode
                                    gradient: BrandGradientAlt {}
                                }
                            }

                            FocusRing {}
                        }
                    }

                    Text {
                        Layout.fillWidth: true
                        text: vm.tip
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        color: Theme.brandMuted
                        wrapMode: Text.Wrap
                    }

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8

                        T.AbstractButton {
                            id: agreeBox

                            objectName: "agreeBox"
                            focusPolicy: Qt.TabFocus // see sendCodeButton
                            Layout.alignment: Qt.AlignTop
                            implicitWidth: 18
                            implicitHeight: 18
                            onClicked: vm.toggleAgreed()
                            Accessible.name: "我已阅读并同意"

                            contentItem: SymbolIcon {
                                symbol: vm.agreed ? "checkmark.circle.fill" : "circle"
                                size: 18
                                color: vm.agreed ? Theme.brandTeal : Theme.brandLine
                            }

                            FocusRing {}
                        }

                        Text {
                            id: consent

                            objectName: "consentText"
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignTop
                            text: vm.consentText
                            textFormat: Text.RichText
                            font.pixelSize: 12
                            color: Theme.brandMuted
                            wrapMode: Text.Wrap
                            onLinkActivated: (link) => LinkOpener.open(link)

                            HoverHandler {
                                cursorShape: consent.hoveredLink.length > 0 ? Qt.PointingHandCursor
                                                                             : Qt.ArrowCursor
                            }
                        }
                    }

                    BrandPrimaryButton {
                        objectName: "loginButton"
                        focusPolicy: Qt.TabFocus // see sendCodeButton
                        text: "登录 / 注册"
                        styleEnabled: vm.canSubmit
                        enabled: vm.canSubmit
                        busy: vm.busy
                        onClicked: vm.login()
                    }

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 6

                        SymbolIcon {
                            Layout.alignment: Qt.AlignVCenter
                            symbol: "checkmark.shield.fill"
                            size: 13
                            color: Theme.brandTeal
                        }
                        Text {
                            Layout.fillWidth: true
                            text: "所有年龄都可以使用，未成年人自动开启学习时长保护"
                            font.pixelSize: 11
                            color: Theme.brandMuted
                            wrapMode: Text.Wrap
                        }
                    }
                }
            }

            Text {
                objectName: "loginFooter"
                Layout.alignment: Qt.AlignHCenter
                Layout.leftMargin: 20
                Layout.rightMargin: 20
                text: "答疑提示 · 学习路径 · 错题变式 · AI 伙伴"
                font.pixelSize: 12
                color: Qt.rgba(1, 1, 1, 0.7)
            }

            Item {
                Layout.fillHeight: true
                Layout.minimumHeight: 24
            }
        }
    }

    T.Button {
        id: closeButton

        objectName: "closeButton"
        visible: root.closable
        x: 18
        y: 8
        width: 38
        height: 38
        Accessible.name: "关闭"
        onClicked: vm.close()

        contentItem: SymbolIcon {
            symbol: "xmark"
            size: 20
            font.bold: true
            color: "white"
        }
        background: Rectangle {
            radius: width / 2
            color: Qt.rgba(1, 1, 1, closeButton.down ? 0.28 : 0.18)
            border.color: Qt.rgba(1, 1, 1, 0.22)
            border.width: 1
        }

        FocusRing {}
    }

    Alert {
        objectName: "errorAlert"
        title: vm.alertTitle
        message: vm.message
        buttonText: vm.alertButton
        visible: vm.alertVisible
        onDismissed: vm.dismissMessage()
    }
}
