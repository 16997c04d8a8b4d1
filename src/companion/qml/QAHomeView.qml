import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Companion

// The question-and-answer tab ("问答"): the intro card, the learner's learning-plan card, the nine subjects
// and the hot questions. Every way into the chat leaves through chatRequested; the shell pushes the chat. The
// plan loads each time the tab comes on screen and when the page is pulled down (or F5).
Page {
    id: root

    required property AppSession session
    readonly property alias viewModel: vm

    signal chatRequested(string scene, string initialMessage, string subject, string title)

    QAHomeViewModel {
        id: vm

        session: root.session
        onChatRequested: (scene, initialMessage, subject, title) =>
                         root.chatRequested(scene, initialMessage, subject, title)
    }

    // On screen: shown in a window (the tab selected, nothing pushed over it). Leaving the screen drops the
    // plan load under way; coming back loads again.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { root.ready = true })

    background: Rectangle {
        color: Theme.brandMist
    }

    header: NavigationBar {
        title: vm.title
        color: Theme.brandMist
    }

    component SectionHeader: Column {
        property string title
        property string subtitle

        spacing: 2

        Text {
            text: parent.title
            textFormat: Text.PlainText
            font.pixelSize: 18
            font.bold: true
            color: Theme.brandNavy
        }
        Text {
            text: parent.subtitle
            textFormat: Text.PlainText
            font.pixelSize: 12
            color: Theme.brandMuted
        }
    }

    component IntroChip: Rectangle {
        property alias text: chipText.text

        implicitWidth: chipText.implicitWidth + 20
        implicitHeight: chipText.implicitHeight + 8
        radius: height / 2
        // Faint enough that the white text keeps its contrast on the gradient's teal end.
        color: Qt.rgba(1, 1, 1, 0.1)

        Text {
            id: chipText

            anchors.centerIn: parent
            textFormat: Text.PlainText
            font.pixelSize: 12
            font.weight: Font.DemiBold
            color: "white"
        }
    }

    Flickable {
        id: flick

        objectName: "qaFlickable"
        anchors.fill: parent
        contentWidth: width
        contentHeight: column.y + column.implicitHeight + 16
        boundsBehavior: Flickable.DragOverBounds
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
        }

        RefreshControl {
            flickable: flick
            refreshing: vm.planCard.refreshing
            shortcutEnabled: root.onScreen
            onTriggered: vm.refresh()
        }

        ColumnLayout {
            id: column

            width: Math.min(flick.width, 760) - 32
            x: (flick.width - width) / 2
            y: 16
            spacing: 18

            // --- intro card

            Item {
                objectName: "qaIntroCard"
                Layout.fillWidth: true
                Layout.preferredHeight: intro.implicitHeight + 36

                BrandShadow {
                    anchors.fill: parent
                    cornerRadius: 20
                    color: Theme.withOpacity(Theme.brandNavy, 0.25)
                    blur: 14
                    offsetY: 6
                }
                BrandGradient {
                    anchors.fill: parent
                    radius: 20
                }
                ColumnLayout {
                    id: intro

                    x: 18
                    y: 18
                    width: parent.width - 36
                    spacing: 8

                    RowLayout {
                        spacing: 10

                        SymbolIcon {
                            symbol: "questionmark.bubble.fill"
                            size: 26
                            font.weight: Font.DemiBold
                            color: "white"
                        }
                        Text {
                            text: "AI 学科问答"
                            textFormat: Text.PlainText
                            font.pixelSize: 22
                            font.bold: true
                            color: "white"
                        }
                    }
                    Text {
                        Layout.fillWidth: true
                        text: "数学、语文、英语、理化生、史地政，不会就问；先给思路，再讲方法。"
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: 14
                        color: "white"
                        opacity: 0.9
                    }
                    Row {
                        Layout.topMargin: 2
                        spacing: 8

                        IntroChip { text: "9 门学科" }
                        IntroChip { text: "分级提示" }
                        IntroChip { text: "懂你的计划" }
                    }
                }
            }

            // --- plan slot

            Rectangle {
                objectName: "qaPlanSlot"
                Layout.fillWidth: true
                Layout.preferredHeight: planCard.implicitHeight + 32
                radius: 18
                color: "white"
                border.width: 1
                border.color: Theme.brandLine

                LearningPlanCard {
                    id: planCard

                    objectName: "learningPlanCard"
                    x: 16
                    y: 16
                    width: parent.width - 32
                    model: vm.planCard
                }
            }

            // --- subjects

            SectionHeader {
                Layout.topMargin: 4
                title: "选学科提问"
                subtitle: "选好学科，AI 按这门课的讲法来答"
            }

            GridLayout {
                Layout.fillWidth: true
                columns: 3
                columnSpacing: 12
                rowSpacing: 12

                Repeater {
                    model: vm.subjects

                    T.AbstractButton {
                        id: cell

                        required property int index
                        required property string subjectId
                        required property string name
                        required property string symbol
                        required property color tint
                        required property string tagline

                        objectName: "subjectCell"
                        Layout.fillWidth: true
                        Layout.preferredWidth: 10
                        implicitHeight: cellColumn.implicitHeight + 28
                        Accessible.name: name
                        onClicked: vm.openSubject(index)

                        HoverHandler {
                            cursorShape: Qt.PointingHandCursor
                        }

                        background: Rectangle {
                            radius: 16
                            color: "white"
                            border.width: 1
                            border.color: Theme.brandLine
                        }
                        contentItem: Item {}

                        Column {
                            id: cellColumn

                            y: 14
                            width: cell.width
                            spacing: 8
                            opacity: cell.down ? 0.6 : 1

                            Rectangle {
                                anchors.horizontalCenter: parent.horizontalCenter
                                width: 46
                                height: 46
                                radius: 23
                                color: Theme.withOpacity(cell.tint, 0.14)

                                SymbolIcon {
                                    anchors.centerIn: parent
                                    symbol: cell.symbol
                                    size: 20
                                    font.weight: Font.DemiBold
                                    color: cell.tint
                                }
                            }
                            Text {
                                width: parent.width
                                horizontalAlignment: Text.AlignHCenter
                                text: cell.name
                                textFormat: Text.PlainText
                                font.pixelSize: 14
                                font.bold: true
                                color: Theme.brandNavy
                            }
                            Text {
                                width: parent.width - 8
                                x: 4
                                horizontalAlignment: Text.AlignHCenter
                                text: cell.tagline
                                textFormat: Text.PlainText
                                maximumLineCount: 1
                                elide: Text.ElideRight
                                font.pixelSize: 11
                                color: Theme.brandMuted
                            }
                        }

                        FocusRing {}
                    }
                }
            }

            // --- hot questions

            SectionHeader {
                Layout.topMargin: 4
                title: "热门问题"
                subtitle: "点一下直接问"
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 10

                Repeater {
                    model: vm.hotQuestions

                    T.AbstractButton {
                        id: hot

                        required property int index
                        required property string question
                        required property string chipText
                        required property color chipColor

                        objectName: "hotQuestionRow"
                        Layout.fillWidth: true
                        implicitHeight: hotRow.implicitHeight + 28
                        Accessible.name: question
                        onClicked: vm.openHotQuestion(index)

                        HoverHandler {
                            cursorShape: Qt.PointingHandCursor
                        }

                        background: Rectangle {
                            radius: 14
                            color: "white"
                            border.width: 1
                            border.color: Theme.brandLine
                        }
                        contentItem: Item {}

                        RowLayout {
                            id: hotRow

                            x: 14
                            y: 14
                            width: hot.width - 28
                            spacing: 12
                            opacity: hot.down ? 0.6 : 1

                            Rectangle {
                                implicitWidth: chip.implicitWidth + 16
                                implicitHeight: chip.implicitHeight + 8
                                radius: height / 2
                                color: Theme.underWhiteText(hot.chipColor)

                                Text {
                                    id: chip

                                    anchors.centerIn: parent
                                    text: hot.chipText
                                    textFormat: Text.PlainText
                                    font.pixelSize: 11
                                    font.bold: true
                                    color: "white"
                                }
                            }
                            Text {
                                Layout.fillWidth: true
                                text: hot.question
                                textFormat: Text.PlainText
                                wrapMode: Text.Wrap
                                maximumLineCount: 2
                                elide: Text.ElideRight
                                font.pixelSize: 14
                                // On the row's white card, in either scheme.
                                color: Theme.color(Theme.Label, false)
                            }
                            SymbolIcon {
                                symbol: "chevron.right"
                                size: 12
                                font.weight: Font.DemiBold
                                color: Theme.tertiaryLabel
                            }
                        }

                        FocusRing {}
                    }
                }
            }
        }
    }
}
