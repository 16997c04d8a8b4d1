import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Practice

// One wrong-book entry in full: the question as stored, the causes, the review state with "重做这道题", and
// the same-source variants, each opening the practice screen. Pushed by the wrong book with {"session", "item"}.
Page {
    id: page

    required property AppSession session
    required property var item
    readonly property alias viewModel: vm
    signal chatRequested(string scene)

    title: vm.title

    WrongItemDetailViewModel {
        id: vm
        session: page.session
        item: page.item
    }

    // The variants load each time the page shows (again after a practice screen); leaving it drops a load.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
                                     && (page.StackView.view === null || page.StackView.status === StackView.Active)
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { page.ready = true })

    Component {
        id: practicePage
        PracticeView {
            onChatRequested: scene => page.chatRequested(scene)
        }
    }

    function practise(properties) {
        properties.session = page.session
        page.StackView.view.push(practicePage, properties)
    }

    background: Rectangle { color: Theme.groupedBackground }

    header: NavigationBar {
        title: vm.title
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
                header: "题目"

                Text {
                    objectName: "detailStem"
                    width: parent ? parent.width : 0
                    padding: 16
                    text: vm.stemText
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 16
                    color: Theme.label
                }
                Repeater {
                    model: vm.optionLines
                    Text {
                        required property string modelData
                        width: parent ? parent.width : 0
                        leftPadding: 16
                        rightPadding: 16
                        bottomPadding: 10
                        text: modelData
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: 15
                        color: Theme.secondaryLabel
                    }
                }
            }

            FormSection {
                Layout.fillWidth: true
                header: "错因"

                // The causes are sentences: each wraps over the lines it needs.
                FormRow { width: parent ? parent.width : 0; title: "知识点"; value: vm.kpName; valueWraps: true }
                FormRow {
                    objectName: "methodRow"
                    width: parent ? parent.width : 0
                    title: "方法"
                    value: vm.method
                    valueWraps: true
                }
                FormRow {
                    objectName: "misconceptionRow"
                    width: parent ? parent.width : 0
                    title: "思维误区"
                    value: vm.misconception
                    valueWraps: true
                    showsSeparator: vm.tags.length > 0
                }
                FormRow {
                    objectName: "tagsRow"
                    width: parent ? parent.width : 0
                    visible: vm.tags.length > 0
                    title: "易错标签"
                    value: vm.tags
                    valueWraps: true
                    showsSeparator: false
                }
            }

            FormSection {
                Layout.fillWidth: true
                header: "复习"

                FormRow { width: parent ? parent.width : 0; title: "状态"; value: vm.state }
                FormRow { width: parent ? parent.width : 0; title: "连续答对"; value: vm.streak }
                FormRow {
                    width: parent ? parent.width : 0
                    title: "下次复习"
                    value: vm.nextReview
                    showsSeparator: vm.canRedo
                }
                FormRow {
                    objectName: "redoRow"
                    width: parent ? parent.width : 0
                    visible: vm.canRedo
                    title: "重做这道题"
                    chevron: true
                    showsSeparator: false
                    onClicked: page.practise(vm.redoProperties())
                }
            }

            FormSection {
                Layout.fillWidth: true
                header: "同源变式题"

                BrandSpinner {
                    visible: !vm.variantsLoaded
                    anchors.horizontalCenter: parent ? parent.horizontalCenter : undefined
                    size: 22
                    color: Theme.gray
                }
                Text {
                    objectName: "noVariants"
                    visible: vm.noVariants
                    width: parent ? parent.width : 0
                    padding: 16
                    text: "题库里暂时没有同知识点的题"
                    font.pixelSize: 15
                    color: Theme.secondaryLabel
                }
                Repeater {
                    model: vm.variants
                    FormRow {
                        required property int index
                        required property string label
                        objectName: "variantRow"
                        width: parent ? parent.width : 0
                        title: label
                        chevron: true
                        showsSeparator: index < vm.variants.count - 1
                        onClicked: page.practise(vm.variantProperties(index))
                    }
                }
            }
        }
    }

    Alert {
        objectName: "detailAlert"
        title: "提示"
        message: vm.message
        buttonText: "好"
        visible: vm.message.length > 0
        onDismissed: vm.dismissMessage()
    }
}
