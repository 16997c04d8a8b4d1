import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Learning

// The page on which the learner chooses what to learn next: the header card, the topic box, and the chapters
// grouped by subject and grade. A tapped chapter goes to `pick`, a confirmed topic proposal to `topic`; the
// host builds the path. The chapter list loads each time the page comes on screen and when pulled down.
Item {
    id: root

    required property AppSession session
    readonly property alias viewModel: vm
    signal pick(string code)
    signal topic(var candidate)

    ChapterPickerViewModel {
        id: vm

        session: root.session
        onPicked: code => root.pick(code)
        onTopicPicked: candidate => root.topic(candidate)
    }

    // On screen: shown in a window. Leaving the screen drops the chapter load under way.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: ready = true

    function tone(t) {
        return Theme.color(t, Theme.dark)
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.groupedBackground
    }

    Flickable {
        id: flick

        objectName: "chapterPickerFlickable"
        anchors.fill: parent
        contentWidth: width
        // The column starts 16 below the top; below the last card stays room for its shadow, clear of the
        // tab bar.
        contentHeight: column.y + column.implicitHeight
        bottomMargin: 28
        boundsBehavior: Flickable.DragOverBounds
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
        }

        RefreshControl {
            flickable: flick
            refreshing: vm.refreshing
            onTriggered: vm.refresh()
        }

        ColumnLayout {
            id: column

            width: Math.min(flick.width, 760) - 32
            x: (flick.width - width) / 2
            y: 16
            spacing: 12

            // --- header card

            Item {
                objectName: "pickerHeader"
                Layout.fillWidth: true
                Layout.preferredHeight: 150

                BrandShadow {
                    anchors.fill: parent
                    cornerRadius: 22
                    color: Theme.withOpacity(Theme.brandNavy, 0.25)
                    blur: 12
                    offsetY: 6
                }
                RoundedPicture {
                    anchors.fill: parent
                    source: "qrc:/qt/qml/Quorvel/Ui/assets/PathArt.svg" // shared with the guest pages
                    fill: true
                    radius: 22
                }
                Rectangle {
                    anchors.fill: parent
                    radius: 22
                    gradient: Gradient {
                        orientation: Gradient.Horizontal
                        GradientStop {
                            position: 0
                            color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.93)
                        }
                        // Dense enough under the lines of text for the small note to read on the picture.
                        GradientStop {
                            position: 0.6
                            color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.75)
                        }
                        GradientStop {
                            position: 1
                            color: "transparent"
                        }
                    }
                }
                Column {
                    anchors.left: parent.left
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.margins: 18
                    width: parent.width * 0.62 - 18
                    spacing: 4

                    Text {
                        text: vm.headerCaption
                        textFormat: Text.PlainText
                        font.pixelSize: 12
                        font.bold: true
                        color: Theme.brandCaption
                    }
                    Text {
                        width: parent.width
                        text: vm.headerTitle
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: 19
                        font.weight: Font.Black
                        color: "white"
                    }
                    Text {
                        width: parent.width
                        text: vm.headerNote
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        font.pixelSize: 12
                        color: Qt.rgba(1, 1, 1, 0.92)
                    }
                }
            }

            // --- topic card

            Item {
                objectName: "topicCard"
                Layout.fillWidth: true
                Layout.preferredHeight: topicBox.implicitHeight + 32

                BrandShadow {
                    anchors.fill: parent
                    cornerRadius: 20
                    color: Theme.withOpacity(Theme.brandNavy, 0.08)
                    blur: 8
                    offsetY: 3
                }
                Rectangle {
                    anchors.fill: parent
                    radius: 20
                    color: Theme.secondaryGroupedBackground
                }
                TopicBoxView {
                    id: topicBox

                    x: 16
                    y: 16
                    width: parent.width - 32
                    model: vm.topicBox
                }
            }

            // --- chapters

            Text {
                Layout.fillWidth: true
                visible: vm.hasChapters
                text: vm.wholeChapterLabel
                textFormat: Text.PlainText
                font.pixelSize: 13
                color: Theme.secondaryLabel
            }

            BrandSpinner {
                objectName: "chaptersLoading"
                Layout.alignment: Qt.AlignHCenter
                Layout.margins: 8
                visible: vm.showsSpinner
                size: 24
                color: Theme.gray
            }

            Text {
                objectName: "chaptersEmpty"
                Layout.fillWidth: true
                visible: vm.showsEmptyText
                text: vm.emptyText
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: 17
                color: Theme.secondaryLabel
            }

            // One delegate per chapter; the first of a section shows the section's title above its row.
            Repeater {
                model: vm.rows

                ColumnLayout {
                    id: chapter

                    required property string code
                    required property string name
                    required property string subtitle
                    required property string section
                    required property bool startsSection

                    Layout.fillWidth: true
                    spacing: 12

                    Text {
                        objectName: "sectionTitle"
                        Layout.fillWidth: true
                        Layout.topMargin: 6
                        visible: chapter.startsSection
                        text: chapter.section
                        textFormat: Text.PlainText
                        font.pixelSize: 13
                        font.bold: true
                        color: Theme.accent
                    }

                    T.AbstractButton {
                        id: chapterRow

                        objectName: "chapterRow"
                        Layout.fillWidth: true
                        implicitHeight: rowContent.implicitHeight + 28
                        Accessible.name: chapter.name
                        onClicked: vm.pick(chapter.code)

                        HoverHandler {
                            cursorShape: Qt.PointingHandCursor
                        }

                        background: Item {
                            BrandShadow {
                                anchors.fill: parent
                                cornerRadius: 18
                                color: Theme.withOpacity(Theme.brandNavy, 0.08)
                                blur: 8
                                offsetY: 3
                            }
                            Rectangle {
                                anchors.fill: parent
                                radius: 18
                                color: Theme.secondaryGroupedBackground
                            }
                        }
                        contentItem: Item {}

                        RowLayout {
                            id: rowContent

                            x: 14
                            y: 14
                            width: chapterRow.width - 28
                            spacing: 14
                            opacity: chapterRow.down ? 0.6 : 1

                            RoundedPicture {
                                Layout.preferredWidth: 52
                                Layout.preferredHeight: 52
                                source: "qrc:/qt/qml/Quorvel/Ui/assets/IconPath.svg"
                                fill: true
                                radius: 14
                            }
                            ColumnLayout {
                                Layout.fillWidth: true
                                spacing: 2

                                Text {
                                    Layout.fillWidth: true
                                    text: chapter.name
                                    textFormat: Text.PlainText
                                    wrapMode: Text.Wrap
                                    font.pixelSize: 16
                                    font.bold: true
                                    color: Theme.label
                                }
                                Text {
                                    Layout.fillWidth: true
                                    text: chapter.subtitle
                                    textFormat: Text.PlainText
                                    font.pixelSize: 12
                                    color: Theme.secondaryLabel
                                }
                            }
                            Rectangle {
                                implicitWidth: pill.implicitWidth + 28
                                implicitHeight: pill.implicitHeight + 14
                                radius: height / 2
                                gradient: BrandGradientAlt {}

                                Text {
                                    id: pill

                                    anchors.centerIn: parent
                                    text: vm.startLabel
                                    textFormat: Text.PlainText
                                    font.pixelSize: 13
                                    font.bold: true
                                    color: "white"
                                }
                            }
                        }

                        FocusRing {}
                    }
                }
            }

            Item {
                Layout.preferredHeight: 4
            }
        }
    }
}
