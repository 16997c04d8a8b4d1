import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Practice

// "拍照识题": pick a picture (it is read on this machine, never uploaded), edit the stem, and find the same
// question in the bank; a found one opens the practice screen, otherwise the chat in the scene "photo" is
// offered (asked for with chatRequested(scene)).
Page {
    id: page

    required property AppSession session
    readonly property alias viewModel: vm
    signal chatRequested(string scene)

    title: "拍照识题"

    PhotoMatchViewModel {
        id: vm
        session: page.session
    }

    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { page.ready = true })
    Component.onDestruction: vm.disappear()

    Component {
        id: practicePage
        PracticeView {
            onChatRequested: scene => page.chatRequested(scene)
        }
    }

    background: Rectangle { color: Theme.groupedBackground }

    header: NavigationBar {
        title: "拍照识题"
        showsBack: page.StackView.index > 0
        onBackRequested: page.StackView.view.pop()
    }

    Flickable {
        id: scroller

        anchors.fill: parent
        contentWidth: width
        contentHeight: column.implicitHeight + 32
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        ScrollBar.vertical: ScrollBar {}

        ColumnLayout {
            id: column

            readonly property real paddedWidth: Math.min(scroller.width, 760)

            x: (scroller.width - paddedWidth) / 2 + 16
            y: 16
            width: paddedWidth - 32
            spacing: 18

            FormSection {
                Layout.fillWidth: true
                footer: "图片只在本机识别文字，不会上传。识别后可以修改再匹配。"

                RowLayout {
                    width: parent ? parent.width : 0
                    spacing: 10

                    Button {
                        objectName: "takePhoto"
                        visible: vm.cameraAvailable
                        Layout.leftMargin: 12
                        text: "拍照"
                        onClicked: vm.showCamera = true
                        contentItem: Row {
                            spacing: 6
                            SymbolIcon {
                                anchors.verticalCenter: parent.verticalCenter
                                symbol: "camera"
                                size: 16
                                color: Theme.brandTeal
                            }
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: "拍照"
                                font.pixelSize: 15
                                font.weight: Font.DemiBold
                                color: Theme.accent
                            }
                        }
                        background: Rectangle {
                            implicitHeight: 36
                            radius: 8
                            color: Theme.withOpacity(Theme.brandTeal, parent.down ? 0.2 : 0.1)
                        }

                        FocusRing {}
                    }
                    Button {
                        objectName: "pickPhoto"
                        Layout.leftMargin: 12
                        Layout.topMargin: 8
                        Layout.bottomMargin: 8
                        text: "从相册选"
                        onClicked: vm.showPicker = true
                        contentItem: Row {
                            spacing: 6
                            SymbolIcon {
                                anchors.verticalCenter: parent.verticalCenter
                                symbol: "photo"
                                size: 16
                                color: Theme.brandTeal
                            }
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                text: "从相册选"
                                font.pixelSize: 15
                                font.weight: Font.DemiBold
                                color: Theme.accent
                            }
                        }
                        background: Rectangle {
                            implicitHeight: 36
                            radius: 8
                            color: Theme.withOpacity(Theme.brandTeal, parent.down ? 0.2 : 0.1)
                        }
                        HoverHandler { cursorShape: Qt.PointingHandCursor }

                        FocusRing {}
                    }
                    BrandSpinner {
                        objectName: "readingSpinner"
                        visible: vm.recognizing
                        Layout.leftMargin: 8
                        size: 18
                        color: Theme.gray
                    }
                    Item { Layout.fillWidth: true }
                }
            }

            FormSection {
                Layout.fillWidth: true
                footer: "题目只用于本次匹配，不会保存到题库。"

                TextArea {
                    objectName: "stemField"
                    width: parent ? parent.width : 0
                    height: Math.min(Math.max(contentHeight + topPadding + bottomPadding, 3 * 22 + 24), 8 * 22 + 24)
                    placeholderText: "输入或粘贴题目"
                    placeholderTextColor: Theme.secondaryLabel
                    text: vm.stem
                    onTextChanged: if (text !== vm.stem) vm.stem = text
                    wrapMode: TextEdit.Wrap
                    textFormat: TextEdit.PlainText
                    font.pixelSize: 16
                    leftPadding: 16
                    rightPadding: 16
                    topPadding: 12
                    bottomPadding: 12
                    color: Theme.label
                    background: Item {}

                    FocusRing {
                        activatesOnKeys: false
                    }
                }
            }

            BrandPrimaryButton {
                objectName: "matchButton"
                Layout.fillWidth: true
                text: "找相同的题"
                busy: vm.matching
                enabled: vm.canMatch
                styleEnabled: vm.canMatch || vm.matching
                onClicked: vm.match()
            }

            FormSection {
                objectName: "foundSection"
                Layout.fillWidth: true
                visible: vm.hasResult && vm.found
                header: "找到了"

                Text {
                    width: parent ? parent.width : 0
                    padding: 16
                    text: vm.foundStem
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 16
                    color: Theme.label
                }
                FormRow {
                    objectName: "practiseFound"
                    width: parent ? parent.width : 0
                    title: "去做这道题"
                    chevron: true
                    showsSeparator: false
                    onClicked: {
                        const properties = vm.practiceProperties()
                        properties.session = page.session
                        page.StackView.view.push(practicePage, properties)
                    }
                }
            }

            FormSection {
                objectName: "notFoundSection"
                Layout.fillWidth: true
                visible: vm.hasResult && !vm.found

                Text {
                    width: parent ? parent.width : 0
                    padding: 16
                    text: "题库里没找到相同的题。"
                    font.pixelSize: 16
                    color: Theme.label
                }
                FormRow {
                    objectName: "askPhotoRobot"
                    width: parent ? parent.width : 0
                    title: "问问拍照机器人"
                    chevron: true
                    showsSeparator: false
                    onClicked: page.chatRequested("photo")
                }
            }
        }
    }

    // The camera picker, made only while it is shown (and only ever on a machine with a camera).
    Loader {
        id: camera

        anchors.fill: parent
        active: vm.showCamera && vm.cameraAvailable
        onLoaded: item.open()
        // By its file, so that the camera's modules load only when a picture is taken.
        source: "CameraPicker.qml"
        Connections {
            target: camera.item
            ignoreUnknownSignals: true
            function onImage(file) { vm.recognizeFile(file) }
            function onClosed() { vm.showCamera = false }
        }
    }

    // The file dialog, made on demand: one that cannot be made is a message (pickerUnavailable), not a crash.
    Loader {
        id: picker

        active: vm.showPicker
        source: "PhotoPicker.qml"
        onLoaded: item.open()
        onStatusChanged: if (status === Loader.Error) vm.pickerUnavailable()
        Connections {
            target: picker.item
            ignoreUnknownSignals: true
            function onPicked(file) { vm.recognizeFile(file) }
            function onClosed() { vm.showPicker = false }
        }
    }

    Alert {
        objectName: "photoAlert"
        title: "提示"
        message: vm.message
        buttonText: "好"
        visible: vm.message.length > 0
        onDismissed: vm.dismissMessage()
    }
}
