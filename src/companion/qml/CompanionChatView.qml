import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Robots
import Quorvel.Companion

// The companion chat: the robot stage (compact once the conversation has started), the language notice,
// the conversation with the scene's suggestions under a fresh greeting, and the composer; in the title bar
// the buddy's name and the menu with both settings sheets and "clear". The "发现" tab's root, and pushed by
// every screen that opens the chat with its own scene, opening question, subject and title.
Page {
    id: root

    required property AppSession session
    property string scene: "companion"
    property string initialMessage: ""
    property string subject: ""
    // The page's title for the window and assistive technology; the bar shows the buddy's name.
    property string navigationTitle: ""
    // A fixed moment for still pictures; negative follows the clock.
    property real frameTime: -1
    readonly property alias viewModel: vm
    readonly property var strings: vm.strings

    title: navigationTitle.length > 0 ? navigationTitle : vm.displayName
    Accessible.name: title

    CompanionChatViewModel {
        id: vm
        session: root.session
        scene: root.scene
        initialMessage: root.initialMessage
        subject: root.subject
    }

    // On screen: shown in a window, nothing pushed over it. Coming on screen loads the catalog and the persona
    // settings (and sends the opening question once); leaving it stops any speech.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { root.ready = true })
    Component.onDestruction: vm.disappear()

    // A screen that opened the chat for a purpose names the window while the chat is on screen.
    Binding {
        target: root.Window.window
        property: "title"
        value: root.navigationTitle
        when: root.onScreen && root.navigationTitle.length > 0
        restoreMode: Binding.RestoreBindingOrValue
    }

    background: ChatBackdrop {
        tint: vm.robotColor
    }

    header: NavigationBar {
        title: vm.displayName
        color: "transparent"
        separatorColor: "transparent"
        showsBack: root.StackView.index > 0
        onBackRequested: root.StackView.view.pop()

        trailing: [
            T.AbstractButton {
                id: menuButton

                objectName: "chatMenuButton"
                implicitWidth: 40
                implicitHeight: 40
                Accessible.name: root.strings.settings
                onClicked: menu.open()

                contentItem: SymbolIcon {
                    symbol: "ellipsis.circle"
                    size: 24
                    color: Theme.brandTeal
                    opacity: menuButton.down ? 0.5 : 1
                }
                background: Item {}
                HoverHandler { cursorShape: Qt.PointingHandCursor }

                MenuPopup {
                    id: menu

                    objectName: "chatMenu"
                    x: menuButton.width - width
                    y: menuButton.height + 4
                    entries: [
                        { "text": root.strings.buddySettings, "symbol": "person.crop.circle", "name": "buddySettingsEntry" },
                        { "text": root.strings.robotSettings, "symbol": "waveform", "name": "robotSettingsEntry" },
                        { "text": root.strings.clear, "symbol": "trash", "destructive": true, "divided": true, "name": "clearEntry" }
                    ]
                    onTriggered: index => {
                        if (index === 0)
                            vm.showSettings = true
                        else if (index === 1)
                            vm.showRobotSettings = true
                        else
                            vm.clear()
                    }
                }

                FocusRing {}
            }
        ]
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RobotStage {
            objectName: "chatStage"
            Layout.fillWidth: true
            Layout.leftMargin: 14
            Layout.rightMargin: 14
            Layout.topMargin: 6
            robot: vm.robot
            name: vm.displayName
            mood: vm.robotMood
            compact: vm.compact
            status: vm.statusLine
            languageLabel: vm.languageTag
            languageFull: vm.languageFull
            frameTime: root.frameTime
        }

        // The reply switched the language: said for a few seconds.
        Rectangle {
            objectName: "languageNotice"
            visible: vm.languageNotice.length > 0
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 8
            implicitWidth: noticeRow.implicitWidth + 24
            implicitHeight: noticeRow.implicitHeight + 12
            radius: height / 2
            color: Theme.withOpacity(Theme.secondaryGroupedBackground, 0.85)
            border.color: Theme.withOpacity(Theme.brandTeal, 0.25)

            Row {
                id: noticeRow
                anchors.centerIn: parent
                spacing: 5
                SymbolIcon {
                    symbol: "globe"
                    size: 13
                    color: Theme.brandTeal
                }
                Text {
                    text: vm.languageNotice
                    textFormat: Text.PlainText
                    font.pixelSize: 12
                    font.weight: Font.DemiBold
                    color: Theme.brandTeal
                }
            }
        }

        PlainListView {
            id: list

            objectName: "chatList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            spacing: 14
            topMargin: 14
            bottomMargin: 14
            boundsBehavior: Flickable.StopAtBounds
            model: vm.messages
            delegate: ChatBubble {
                chat: vm
                frameTime: root.frameTime
            }

            // A new entry brings the newest into view, and the view stays on it while it grows (a reply
            // streaming in, a card, the hint button once the reply is complete), unless the learner scrolled
            // away from the end.
            function followLatest() {
                if (vm.followsLatest && !moving)
                    positionViewAtEnd()
            }
            // The prompts under the messages come after them for Tab too: Tab follows the order of the list's
            // items, in which the footer, made first, would stand before every message.
            onCountChanged: Qt.callLater(() => {
                list.positionViewAtEnd()
                TabOrder.moveLast(list.footerItem)
            })
            onContentHeightChanged: Qt.callLater(list.followLatest)
            onHeightChanged: Qt.callLater(list.followLatest)
            onMovingChanged: vm.listMoved(moving, atYEnd)

            footer: Item {
                width: list.width
                height: vm.showsPrompts ? prompts.implicitHeight + 20 : 0
                visible: vm.showsPrompts

                ColumnLayout {
                    id: prompts

                    x: 16
                    y: 20
                    width: parent.width - 32
                    spacing: 10

                    Text {
                        Layout.leftMargin: 4
                        text: root.strings.tryAsking.toUpperCase()
                        textFormat: Text.PlainText
                        font.pixelSize: 11
                        font.bold: true
                        font.letterSpacing: 1.2
                        color: Theme.secondaryLabel
                    }
                    GridLayout {
                        Layout.fillWidth: true
                        columns: 2
                        columnSpacing: 10
                        rowSpacing: 10

                        Repeater {
                            model: vm.prompts

                            PromptChipButton {
                                required property string prompt
                                objectName: "promptChip"
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                Layout.fillHeight: true
                                text: prompt
                                tint: vm.robotColor
                                onClicked: vm.sendPrompt(prompt)
                            }
                        }
                    }
                }
            }
        }

        ChatComposer {
            Layout.fillWidth: true
            Layout.bottomMargin: 2
            chat: vm
        }
    }

    // Presentations: each sheet is made when the view-model raises it and reports its closing back.
    Loader {
        objectName: "robotSettingsSheet"
        anchors.fill: parent
        active: vm.showRobotSettings
        onLoaded: item.open()
        sourceComponent: RobotSettingsSheet {
            z: 10
            scene: root.scene
            session: root.session
            onClosed: vm.showRobotSettings = false
        }
    }

    Loader {
        objectName: "companionSettingsSheet"
        anchors.fill: parent
        active: vm.showSettings
        onLoaded: item.open()
        sourceComponent: CompanionSettingsSheet {
            z: 10
            session: root.session
            current: vm.settingsMap
            onSaved: settings => vm.applySavedSettings(settings)
            onClosed: vm.showSettings = false
        }
    }

    Alert {
        objectName: "confirmDialog"
        title: vm.confirmTitle
        message: vm.confirmMessage
        visible: vm.confirmPending
        buttons: [{ "text": root.strings.cancel, "role": "cancel" }, { "text": root.strings.confirm }]
        onTriggered: index => index === 1 ? vm.performConfirm() : vm.cancelConfirm()
        onDismissed: vm.cancelConfirm()
    }

    Alert {
        objectName: "toastAlert"
        title: root.strings.notice
        message: vm.toast
        buttonText: root.strings.ok
        visible: vm.toast.length > 0
        onDismissed: vm.dismissToast()
    }
}
