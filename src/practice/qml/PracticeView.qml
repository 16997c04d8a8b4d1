import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui

// The one-question practice screen as far as it goes today: the question's stem and its options, shown as
// they came; answering arrives with the practice screen proper. Pushed on a StackView (the lesson page
// does so for an exercise) with
//     {"session": session, "questionId": id, "stemText": text, "options": [{label, text, hasLabel, hasText}],
//      "source": "practice"}
// and popped by its back control; outside a StackView it emits closeRequested().
Page {
    id: page

    required property AppSession session
    required property real questionId
    required property string stemText
    required property var options
    required property string source
    signal closeRequested()

    function leave() {
        const view = page.StackView.view
        if (view && page.StackView.index > 0)
            view.pop(view.get(page.StackView.index - 1))
        else
            page.closeRequested()
    }

    background: Rectangle { color: Theme.brandMist }

    header: Rectangle {
        implicitHeight: 48
        color: Theme.brandMist

        T.AbstractButton {
            id: back

            objectName: "backButton"
            anchors.left: parent.left
            anchors.leftMargin: 6
            anchors.verticalCenter: parent.verticalCenter
            implicitWidth: 44
            implicitHeight: 44
            onClicked: page.leave()

            contentItem: SymbolIcon {
                symbol: "chevron.left"
                size: 30
                color: Theme.brandTeal
                opacity: back.down ? 0.5 : 1
            }
            background: Item {}
        }

        Rectangle {
            anchors.bottom: parent.bottom
            width: parent.width
            height: 1
            color: Qt.rgba(0, 0, 0, 0.08)
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
            spacing: 12

            Rectangle {
                Layout.fillWidth: true
                implicitHeight: stem.implicitHeight + 32
                radius: 20
                color: Theme.color(Theme.SystemBackground, false)

                TextEdit {
                    id: stem

                    objectName: "stemText"
                    anchors.fill: parent
                    anchors.margins: 16
                    text: page.stemText
                    textFormat: TextEdit.PlainText
                    readOnly: true
                    selectByMouse: true
                    wrapMode: TextEdit.Wrap
                    font.pixelSize: 17
                    font.bold: true
                    color: Theme.color(Theme.Label, false)
                }
            }

            Repeater {
                model: page.options

                Rectangle {
                    id: option

                    required property var modelData
                    required property int index

                    objectName: "option" + index
                    Layout.fillWidth: true
                    implicitHeight: optionRow.implicitHeight + 28
                    radius: 14
                    color: Theme.color(Theme.SystemBackground, false)

                    RowLayout {
                        id: optionRow

                        anchors.fill: parent
                        anchors.margins: 14
                        spacing: 12

                        Rectangle {
                            Layout.alignment: Qt.AlignTop
                            visible: option.modelData.hasLabel
                            implicitWidth: Math.max(28, label.implicitWidth + 12)
                            implicitHeight: 28
                            radius: 14
                            color: Qt.rgba(Theme.brandTeal.r, Theme.brandTeal.g, Theme.brandTeal.b, 0.12)

                            Text {
                                id: label

                                anchors.centerIn: parent
                                text: option.modelData.label
                                textFormat: Text.PlainText
                                font.pixelSize: 14
                                font.bold: true
                                color: Theme.brandTeal
                            }
                        }

                        Text {
                            Layout.fillWidth: true
                            Layout.alignment: Qt.AlignVCenter
                            text: option.modelData.text
                            textFormat: Text.PlainText
                            font.pixelSize: 15
                            color: Theme.color(Theme.Label, false)
                            wrapMode: Text.Wrap
                        }
                    }
                }
            }
        }
    }
}
