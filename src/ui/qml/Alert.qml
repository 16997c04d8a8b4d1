import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui

// A modal alert: a title ("提示" unless given), a message shown as plain text and its buttons: one
// `buttonText` ("好") unless `buttons` lists several ({ "text": ..., "role": "cancel" | "destructive" }),
// side by side when two whose labels fit their half with room at the sides, stacked otherwise. A button reports `triggered(index)`; however the alert is closed
// (a button, Escape), it ends with `dismissed`. Open it by binding `visible` or with open().
T.Popup {
    id: alert

    property string title: "提示"
    property string message
    property string buttonText: "好"
    property var buttons: []
    readonly property var entries: buttons.length > 0 ? buttons : [{ "text": buttonText }]
    // Room kept between a button's label and the alert's edges or the hairline beside it.
    readonly property real labelInset: 12
    readonly property bool sideBySide: entries.length === 2
                                       && entries.every(entry => labelMetrics.advanceWidth(entry.text)
                                                                 + 2 * labelInset <= width / 2)
    signal triggered(int index)
    signal dismissed()

    anchors.centerIn: parent
    implicitWidth: 270
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    padding: 0
    modal: true
    dim: true
    focus: true
    closePolicy: T.Popup.CloseOnEscape

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.35)
    }

    enter: Transition {
        NumberAnimation { property: "opacity"; from: 0; to: 1; duration: 150 }
        NumberAnimation { property: "scale"; from: 1.08; to: 1; duration: 150; easing.type: Easing.OutQuad }
    }
    exit: Transition {
        NumberAnimation { property: "opacity"; from: 1; to: 0; duration: 120 }
    }

    // The panel follows the scheme; its texts and buttons are readable on it in either.
    readonly property color panelColor: Theme.dark ? Theme.gray5 : "#F7F7F8"

    background: Rectangle {
        radius: 14
        color: alert.panelColor
    }

    contentItem: ColumnLayout {
        spacing: 0

        ColumnLayout {
            Layout.fillWidth: true
            Layout.margins: 18
            spacing: 4

            Text {
                Layout.fillWidth: true
                text: alert.title
                textFormat: Text.PlainText
                font.pixelSize: 17
                font.bold: true
                color: Theme.label
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }

            Text {
                Layout.fillWidth: true
                visible: alert.message.length > 0
                text: alert.message
                textFormat: Text.PlainText
                font.pixelSize: 13
                color: Theme.label
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: Theme.separator
        }

        FontMetrics {
            id: labelMetrics

            font.pixelSize: 17
            font.bold: true
        }

        GridLayout {
            Layout.fillWidth: true
            columns: alert.sideBySide ? 2 : 1
            columnSpacing: 0
            rowSpacing: 0

            Repeater {
                model: alert.entries

                T.Button {
                    id: button

                    required property var modelData
                    required property int index
                    readonly property string role: modelData.role || ""

                    objectName: "alertButton" + index
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    implicitHeight: Math.max(44, implicitContentHeight + 16)
                    text: modelData.text
                    // The last button answers Return, as the one most alerts lead to.
                    focus: index === alert.entries.length - 1
                    onClicked: alert.choose(index)
                    Keys.onReturnPressed: alert.choose(index)
                    Keys.onEnterPressed: alert.choose(index)

                    // Inside the button: the panel's edge is its edge.
                    FocusRing {
                        outset: -2
                        radius: 12
                    }

                    leftPadding: alert.labelInset
                    rightPadding: alert.labelInset
                    contentItem: Text {
                        text: button.text
                        textFormat: Text.PlainText
                        font.pixelSize: 17
                        font.bold: button.role !== "cancel"
                        // Readable also on the shade a pressed button takes, the harder of its two backgrounds.
                        color: Theme.legible(button.role === "destructive" ? Theme.red : Theme.accent,
                                             Theme.over(Theme.withOpacity(Theme.label, 0.06), alert.panelColor))
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        wrapMode: Text.Wrap
                    }
                    background: Rectangle {
                        radius: 14
                        color: button.down ? Theme.withOpacity(Theme.label, 0.06) : "transparent"

                        // Hairlines between buttons: a column line beside the second of two, a row line
                        // above every further stacked one.
                        Rectangle {
                            visible: button.index > 0
                            width: alert.sideBySide ? 1 : parent.width
                            height: alert.sideBySide ? parent.height : 1
                            color: Theme.separator
                        }
                    }
                }
            }
        }
    }

    function choose(index) {
        triggered(index)
        close()
    }

    onClosed: dismissed()
}
