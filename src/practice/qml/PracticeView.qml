import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Robots
import Quorvel.Practice

// The one-question practice screen: the robot row (it opens the chat in the scene "practice"), the question,
// its options or an answer field, "提交", then the grading and the numbered solution. Pushed on a StackView
// with {"session", "questionId" (decimal text: ids are 64-bit), "stemText", "options" ([{label, text,
// hasLabel, hasText}]), "source" ("practice" or "review")}; popped by its back control. Outside a StackView it
// emits closeRequested(); the chat is asked for with chatRequested(scene).
Page {
    id: page

    required property AppSession session
    required property string questionId
    required property string stemText
    required property var options
    required property string source
    readonly property alias viewModel: vm
    signal closeRequested()
    signal chatRequested(string scene)

    title: vm.title

    PracticeViewModel {
        id: vm
        session: page.session
        questionId: page.questionId
        stemText: page.stemText
        options: page.options
        source: page.source
    }

    function leave() {
        const view = page.StackView.view
        if (view && page.StackView.index > 0)
            view.pop(view.get(page.StackView.index - 1))
        else
            page.closeRequested()
    }

    background: Rectangle { color: Theme.groupedBackground }

    header: NavigationBar {
        title: vm.title
        showsBack: true
        onBackRequested: page.leave()
    }

    Flickable {
        id: scroller

        objectName: "practiceFlickable"
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

            T.AbstractButton {
                objectName: "practiceBanner"
                Layout.fillWidth: true
                implicitHeight: banner.implicitHeight
                onClicked: page.chatRequested("practice")
                contentItem: RobotSceneBanner {
                    id: banner
                    scene: "practice"
                    mood: vm.graded ? RobotMood.Waving : RobotMood.Idle
                    compact: true
                    session: page.session
                }
                background: Item {}
                HoverHandler { cursorShape: Qt.PointingHandCursor }

                FocusRing {}
            }

            FormSection {
                Layout.fillWidth: true
                header: "题目"

                TextEdit {
                    objectName: "stemText"
                    width: parent ? parent.width : 0
                    padding: 16
                    text: vm.stemText
                    textFormat: TextEdit.PlainText
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.Wrap
                    font.pixelSize: 16
                    color: Theme.label
                }
            }

            FormSection {
                Layout.fillWidth: true
                visible: vm.freeText
                header: "你的答案"

                TextField {
                    objectName: "answerField"
                    width: parent ? parent.width : 0
                    enabled: !vm.graded
                    placeholderText: "填写答案"
                    placeholderTextColor: Theme.secondaryLabel
                    text: vm.answer
                    onTextEdited: vm.answer = text
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

            FormSection {
                Layout.fillWidth: true
                visible: !vm.freeText
                header: "选项"

                Repeater {
                    model: vm.optionRows

                    FormRow {
                        id: option

                        required property int index
                        required property string line
                        required property bool chosen

                        objectName: "option" + index
                        width: parent ? parent.width : 0
                        title: line
                        interactive: !vm.graded
                        enabled: !vm.graded
                        showsSeparator: index < vm.optionRows.count - 1
                        onClicked: vm.choose(index)
                        accessory: SymbolIcon {
                            visible: option.chosen
                            symbol: "checkmark"
                            size: 18
                            color: Theme.brandTeal
                        }
                    }
                }
            }

            BrandPrimaryButton {
                objectName: "submitButton"
                Layout.fillWidth: true
                visible: !vm.graded
                text: "提交"
                busy: vm.submitting
                enabled: vm.canSubmit
                styleEnabled: vm.canSubmit || vm.submitting
                onClicked: vm.submit()
            }

            FormSection {
                objectName: "resultSection"
                Layout.fillWidth: true
                visible: vm.graded
                header: "结果"

                FormRow {
                    width: parent ? parent.width : 0
                    symbol: vm.verdictSymbol
                    symbolTint: vm.correct ? Theme.green : Theme.red
                    title: vm.verdict
                    titleColor: Theme.legible(vm.correct ? Theme.green : Theme.red, Theme.secondaryGroupedBackground)
                    showsSeparator: vm.hasStandardAnswer || vm.hasWrongItem
                }
                FormRow {
                    width: parent ? parent.width : 0
                    visible: vm.hasStandardAnswer
                    title: "标准答案"
                    value: vm.standardAnswer
                    showsSeparator: vm.hasWrongItem
                }
                FormRow {
                    width: parent ? parent.width : 0
                    visible: vm.hasWrongItem
                    title: "错题状态"
                    value: vm.wrongItemState
                }
                FormRow {
                    width: parent ? parent.width : 0
                    visible: vm.hasWrongItem
                    title: "连续答对"
                    value: vm.correctStreak
                    showsSeparator: false
                }
            }

            FormSection {
                objectName: "solutionSection"
                Layout.fillWidth: true
                visible: vm.steps.length > 0
                header: "解析"

                Repeater {
                    model: vm.steps

                    Text {
                        required property string modelData
                        width: parent ? parent.width : 0
                        padding: 14
                        leftPadding: 16
                        text: modelData
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: 15
                        color: Theme.label
                    }
                }
            }
        }
    }

    Alert {
        objectName: "practiceAlert"
        title: "提示"
        message: vm.message
        buttonText: "好"
        visible: vm.message.length > 0
        onDismissed: vm.dismissMessage()
    }
}
