import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Practice
import Quorvel.Learning

// The question bank ("题库练习"): chapter, knowledge point, type and difficulty, the pick button, then the
// batch (each row opens the practice screen) or, when nothing fits, the request for a generated set and
// "问问伙伴". Pushed with {"session"}. The chat is asked for with chatRequested(scene, initialMessage): the
// opening question for the chosen point, which the chat sends by itself when it first shows.
Page {
    id: page

    required property AppSession session
    readonly property alias viewModel: vm
    signal chatRequested(string scene, string initialMessage)
    signal openRequested(int destination, var properties)

    title: vm.title

    QuestionBankViewModel {
        id: vm
        session: page.session
    }

    // Every visit records the screen (again after a question or the chat); leaving drops a chapter load.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
                                     && (page.StackView.view === null || page.StackView.status === StackView.Active)
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { page.ready = true })

    // The practice screen is the router's to push.
    function practise(row) {
        const properties = vm.practiceProperties(row)
        properties.session = page.session
        page.openRequested(Destination.Practice, properties)
    }

    background: Rectangle { color: Theme.groupedBackground }

    header: NavigationBar {
        title: vm.title
        showsBack: page.StackView.index > 0
        onBackRequested: page.StackView.view.pop()
    }

    // A picker in a form: its title on the left, the chosen option on the right; a tap opens the options.
    component PickerRow: FormRow {
        id: pickerRow

        property var options: []
        property int currentIndex: 0

        signal picked(int index)

        width: parent ? parent.width : 0
        interactive: true
        showsSeparator: false
        value: currentIndex >= 0 && currentIndex < options.length ? options[currentIndex] : ""
        Accessible.role: Accessible.ComboBox
        onClicked: menu.popup(pickerRow, pickerRow.width - menu.width - 8, pickerRow.height)
        accessory: [
            SymbolIcon {
                symbol: "chevron.up.chevron.down"
                size: 14
                color: Theme.secondaryLabel
            }
        ]

        Menu {
            id: menu

            // Above every layer of the window: the bank may be shown inside a sheet (an inbox message's),
            // and a menu beneath the sheet it opens from would open unseen.
            z: 100
            background: Rectangle {
                implicitWidth: 240
                radius: 12
                color: Theme.secondaryGroupedBackground
                border.width: 0.5
                border.color: Theme.separator
            }

            Instantiator {
                model: pickerRow.options

                delegate: MenuItem {
                    required property int index
                    required property string modelData

                    text: modelData
                    checkable: true
                    checked: index === pickerRow.currentIndex
                    onTriggered: pickerRow.picked(index)
                }
                onObjectAdded: (index, object) => menu.insertItem(index, object)
                onObjectRemoved: (index, object) => menu.removeItem(object)
            }
        }
    }

    // A segmented picker: one segment per label, the chosen one raised.
    component Segments: Rectangle {
        id: segments

        property string name
        property var labels: []
        property int currentIndex: 0

        signal picked(int index)

        implicitHeight: 32
        radius: 9
        color: Theme.gray5

        Row {
            anchors.fill: parent
            anchors.margins: 2

            Repeater {
                model: segments.labels

                T.AbstractButton {
                    required property int index
                    required property string modelData
                    readonly property bool selected: index === segments.currentIndex

                    objectName: segments.name + "-" + index
                    width: parent.width / segments.labels.length
                    height: parent.height
                    Accessible.name: segments.name + " " + modelData
                    onClicked: segments.picked(index)
                    contentItem: Text {
                        text: parent.modelData
                        textFormat: Text.PlainText
                        font.pixelSize: 13
                        font.weight: parent.selected ? Font.DemiBold : Font.Normal
                        color: Theme.label
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                    }
                    background: Rectangle {
                        radius: 7
                        color: parent.selected ? Theme.secondaryGroupedBackground : "transparent"
                    }

                    FocusRing {}
                }
            }
        }
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
                header: "章节"

                PickerRow {
                    objectName: "chapterPicker"
                    title: "章节"
                    options: vm.chapterOptions
                    currentIndex: vm.chapterIndex
                    onPicked: index => vm.chapterIndex = index
                }
            }

            FormSection {
                objectName: "pointSection"
                Layout.fillWidth: true
                visible: vm.showsPoints
                header: "知识点"

                PickerRow {
                    objectName: "pointPicker"
                    title: "知识点"
                    options: vm.pointOptions
                    currentIndex: vm.pointIndex
                    onPicked: index => vm.pointIndex = index
                }
            }

            FormSection {
                Layout.fillWidth: true
                header: "题型与难度"

                Column {
                    width: parent ? parent.width : 0
                    padding: 12
                    spacing: 10

                    Text {
                        text: "题型"
                        font.pixelSize: 13
                        color: Theme.secondaryLabel
                    }
                    Segments {
                        width: parent.width - 24
                        name: "qtype"
                        labels: vm.qtypeLabels
                        currentIndex: vm.qtypeIndex
                        onPicked: index => vm.qtypeIndex = index
                    }
                    Text {
                        text: "难度"
                        font.pixelSize: 13
                        color: Theme.secondaryLabel
                    }
                    Segments {
                        width: parent.width - 24
                        name: "difficulty"
                        labels: vm.difficultyLabels
                        currentIndex: vm.difficultyIndex
                        onPicked: index => vm.difficultyIndex = index
                    }
                }
            }

            FormSection {
                Layout.fillWidth: true

                FormRow {
                    objectName: "pickButton"
                    width: parent ? parent.width : 0
                    interactive: vm.canPick
                    enabled: vm.canPick
                    showsSeparator: false
                    title: vm.loading ? "" : vm.pickLabel
                    titleColor: vm.canPick ? Theme.accent : Theme.tertiaryLabel
                    onClicked: vm.pick()

                    BrandSpinner {
                        visible: vm.loading
                        anchors.centerIn: parent
                        size: 20
                        color: Theme.gray
                    }
                }
            }

            FormSection {
                Layout.fillWidth: true
                visible: vm.hasError

                Text {
                    objectName: "bankError"
                    width: parent ? parent.width : 0
                    padding: 14
                    text: vm.error
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 13
                    color: Theme.legible(Theme.red, Theme.secondaryGroupedBackground)
                }
            }

            FormSection {
                objectName: "questionSection"
                Layout.fillWidth: true
                visible: vm.showsQuestions
                header: vm.questionsHeader

                Repeater {
                    model: vm.questions

                    T.AbstractButton {
                        id: questionRow

                        required property int index
                        required property string stem
                        required property string typeLabel

                        objectName: "questionRow"
                        width: parent ? parent.width : 0
                        implicitHeight: rowColumn.implicitHeight + 20
                        Accessible.name: stem
                        onClicked: page.practise(index)

                        HoverHandler { cursorShape: Qt.PointingHandCursor }

                        background: Rectangle {
                            color: questionRow.down ? Theme.gray5 : "transparent"

                            Rectangle {
                                visible: questionRow.index < vm.questions.count - 1
                                anchors.bottom: parent.bottom
                                x: 16
                                width: parent.width - x
                                height: 1
                                color: Theme.separator
                            }
                        }

                        Column {
                            id: rowColumn

                            x: 16
                            width: questionRow.width - 52
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: 4

                            Text {
                                width: parent.width
                                text: questionRow.stem
                                textFormat: Text.PlainText
                                wrapMode: Text.Wrap
                                maximumLineCount: 3
                                elide: Text.ElideRight
                                font.pixelSize: 16
                                color: Theme.label
                            }
                            Text {
                                text: questionRow.typeLabel
                                textFormat: Text.PlainText
                                font.pixelSize: 12
                                color: Theme.accent
                            }
                        }
                        SymbolIcon {
                            anchors.right: parent.right
                            anchors.rightMargin: 16
                            anchors.verticalCenter: parent.verticalCenter
                            symbol: "chevron.right"
                            size: 13
                            color: Theme.tertiaryLabel
                        }

                        FocusRing {}
                    }
                }
            }

            FormSection {
                objectName: "emptySection"
                Layout.fillWidth: true
                visible: vm.showsEmptyState

                Text {
                    width: parent ? parent.width : 0
                    padding: 14
                    text: vm.emptyHint
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 13
                    color: Theme.secondaryLabel
                }
                FormRow {
                    objectName: "requestButton"
                    width: parent ? parent.width : 0
                    interactive: vm.canRequest
                    enabled: vm.canRequest
                    symbol: !vm.requesting ? "wand.and.stars" : ""
                    title: vm.requesting ? "" : vm.requestLabel
                    titleColor: vm.canRequest ? Theme.accent : Theme.tertiaryLabel

                    BrandSpinner {
                        visible: vm.requesting
                        anchors.centerIn: parent
                        size: 20
                        color: Theme.gray
                    }
                    onClicked: vm.requestSet()
                }
                Text {
                    objectName: "requestNote"
                    visible: vm.hasRequestNote
                    width: parent ? parent.width : 0
                    padding: 14
                    text: vm.requestNote
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 13
                    color: Theme.brandTeal
                }
                FormRow {
                    objectName: "askButton"
                    width: parent ? parent.width : 0
                    title: vm.askLabel
                    chevron: true
                    showsSeparator: false
                    onClicked: page.chatRequested("practice", vm.chatMessage)
                }
            }
        }
    }
}
