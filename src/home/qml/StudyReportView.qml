import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home

// The study report ("学情报告"): the summary card with the week's totals and a bar per day, the weak points
// under "需要加强", a mastery list per chapter and the line that explains the levels, all rows of one lazy
// list. Loads when shown and again by pull, mouse wheel or F5; a spinner until the first answer, the failure
// while no report came yet. Pushed on a StackView with {"session"}; popped by its back control.
Page {
    id: page

    property AppSession session
    readonly property alias viewModel: vm
    signal closeRequested()

    title: "学情报告"

    StudyReportViewModel {
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

    PlainListView {
        id: list

        objectName: "studyReportList"
        readonly property real paddedWidth: Math.min(width, 760)
        readonly property real sideMargin: (width - paddedWidth) / 2 + 16

        anchors.fill: parent
        visible: vm.state === StudyReportViewModel.Shown
        clip: true
        spacing: 12
        boundsBehavior: Flickable.DragOverBounds
        model: vm.rows
        ScrollBar.vertical: ScrollBar {}

        RefreshControl {
            flickable: list
            refreshing: vm.refreshing
            onTriggered: vm.refresh()
        }

        // The column's padding; the list's margins belong to the refresh control.
        header: Item { width: 1; height: 16 }
        footer: Item { width: 1; height: 16 }

        delegate: Item {
            id: entry

            required property string key
            required property string kind
            required property string text
            required property string kpName
            required property string levelLabel
            required property int levelTone
            required property bool highlight
            required property real rate
            required property string detail

            objectName: "reportRow_" + kind
            x: list.sideMargin
            width: list.paddedWidth - 32
            height: shown.item ? shown.item.height : 0

            Loader {
                id: shown

                width: parent.width
                sourceComponent: entry.kind === "summary" ? summaryCard
                               : entry.kind === "kp" ? kpRow
                               : textLine
            }

            Component {
                id: textLine

                Text {
                    topPadding: entry.kind === "chapter" ? 6 : 0
                    text: entry.text
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: entry.kind === "explanation" ? 11 : entry.kind === "note" ? 12 : 13
                    font.bold: entry.kind === "heading" || entry.kind === "chapter"
                    color: entry.kind === "heading" || entry.kind === "chapter" ? Theme.accent
                                                                                : Theme.secondaryLabel
                }
            }

            Component {
                id: kpRow

                KpRowView {
                    kp: entry
                    highlight: entry.highlight
                }
            }

            Component {
                id: summaryCard

                Item {
                    objectName: "summaryCard"
                    height: card.implicitHeight + 36

                    BrandShadow {
                        anchors.fill: parent
                        cornerRadius: 22
                        color: Theme.withOpacity(Theme.brandNavy, 0.25)
                        blur: 12
                        offsetY: 6
                    }
                    BrandGradient {
                        anchors.fill: parent
                        radius: 22
                    }

                    Column {
                        id: card

                        x: 18
                        y: 18
                        width: parent.width - 36
                        spacing: 6

                        Text {
                            text: "近 7 天"
                            textFormat: Text.PlainText
                            font.pixelSize: 12
                            font.bold: true
                            color: Theme.brandCaption
                        }
                        Text {
                            objectName: "reportHeadline"
                            width: parent.width
                            text: vm.headline
                            textFormat: Text.PlainText
                            wrapMode: Text.Wrap
                            font.pixelSize: 17
                            font.weight: Font.Black
                            color: "white"
                        }
                        Text {
                            objectName: "reportActivity"
                            width: parent.width
                            text: vm.activityLine
                            textFormat: Text.PlainText
                            wrapMode: Text.Wrap
                            font.pixelSize: 12
                            color: Qt.rgba(1, 1, 1, 0.85)
                        }

                        // The day chart: bars grow from the bottom of a band 60 high.
                        Row {
                            id: chart

                            objectName: "dayChart"
                            width: parent.width
                            height: 60
                            spacing: 6
                            Accessible.ignored: true

                            Repeater {
                                model: vm.dayBars

                                Column {
                                    required property string label
                                    required property int barHeight
                                    required property bool active

                                    anchors.bottom: parent.bottom
                                    width: (chart.width - chart.spacing * Math.max(0, vm.dayBars.count - 1))
                                           / Math.max(1, vm.dayBars.count)
                                    spacing: 2

                                    Rectangle {
                                        objectName: "dayBar"
                                        width: parent.width
                                        height: parent.barHeight
                                        radius: 4
                                        color: Theme.brandMint
                                        opacity: parent.active ? 1 : 0.25
                                    }
                                    Text {
                                        width: parent.width
                                        text: parent.label
                                        textFormat: Text.PlainText
                                        horizontalAlignment: Text.AlignHCenter
                                        font.pixelSize: 11
                                        color: Qt.rgba(1, 1, 1, 0.85)
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }
    }

    Column {
        objectName: "reportLoading"
        anchors.centerIn: parent
        visible: vm.state === StudyReportViewModel.Loading
        spacing: 10

        BrandSpinner {
            anchors.horizontalCenter: parent.horizontalCenter
            size: 28
            color: Theme.brandMuted
            running: parent.visible
        }
        Text {
            text: "加载报告…"
            textFormat: Text.PlainText
            font.pixelSize: 13
            color: Theme.secondaryLabel
        }
    }

    EmptyState {
        objectName: "reportFailed"
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 420)
        visible: vm.state === StudyReportViewModel.Failed
        symbol: "chart.bar"
        title: "报告暂时打不开"
        message: vm.errorText
    }
}
