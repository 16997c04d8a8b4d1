import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Learning

// The topic card's content: a one-sentence topic, the "解析" button, and the server's answer (its message and
// one card per proposed path, each with "确认开始"). Layout only; the box's view-model holds the text, the
// request and the answer.
ColumnLayout {
    id: root

    required property TopicBoxViewModel model

    spacing: 10

    function tone(t) {
        return Theme.color(t, Theme.dark)
    }

    Text {
        Layout.fillWidth: true
        text: root.model.title
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.pixelSize: 16
        font.weight: Font.Black
        color: Theme.label
    }
    Text {
        Layout.fillWidth: true
        text: root.model.example
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.pixelSize: 12
        color: Theme.secondaryLabel
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 10

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: field.implicitHeight
            radius: 14
            color: Theme.groupedBackground

            FocusRing {
                target: field
                activatesOnKeys: false
                radius: 14
            }

            T.TextField {
                id: field

                objectName: "topicField"
                anchors.fill: parent
                implicitHeight: Math.max(contentHeight, placeholderMeasure.implicitHeight) + topPadding + bottomPadding
                leftPadding: 14
                rightPadding: 14
                topPadding: 12
                bottomPadding: 12
                font.pixelSize: 17
                color: Theme.label
                selectionColor: Theme.brandMint
                selectedTextColor: Theme.brandNavyDeep
                verticalAlignment: TextInput.AlignVCenter
                selectByMouse: true
                activeFocusOnTab: true
                inputMethodHints: Qt.ImhNoPredictiveText
                text: root.model.topicText
                placeholderText: root.model.placeholder
                onTextEdited: root.model.topicText = text
                onAccepted: root.model.resolve()

                Text {
                    id: placeholderMeasure

                    x: field.leftPadding
                    y: field.topPadding
                    width: field.width - field.leftPadding - field.rightPadding
                    height: field.height - field.topPadding - field.bottomPadding
                    visible: !field.length && !field.preeditText
                    text: field.placeholderText
                    textFormat: Text.PlainText
                    font: field.font
                    color: Theme.secondaryLabel
                    verticalAlignment: Text.AlignVCenter
                    elide: Text.ElideRight
                }
            }
        }

        T.AbstractButton {
            id: resolveButton

            objectName: "resolveButton"
            implicitWidth: label.implicitWidth + 32
            implicitHeight: field.implicitHeight
            enabled: root.model.buttonEnabled
            text: root.model.buttonLabel
            onClicked: root.model.resolve()

            HoverHandler {
                cursorShape: resolveButton.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
            }

            background: Rectangle {
                radius: 14
                color: Theme.gray4
                opacity: resolveButton.down ? 0.7 : 1

                // Over the plain fill, not swapped in as its gradient (a null gradient crashes Qt 6.4's compiled
                // bindings).
                Rectangle {
                    anchors.fill: parent
                    radius: parent.radius
                    visible: root.model.buttonFilled
                    gradient: BrandGradientAlt {}
                }
            }
            contentItem: Text {
                id: label

                text: resolveButton.text
                textFormat: Text.PlainText
                font.pixelSize: 14
                font.bold: true
                color: "white"
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }

            FocusRing {}
        }
    }

    Text {
        objectName: "topicMessage"
        Layout.fillWidth: true
        visible: root.model.hasResult
        text: root.model.message
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        font.pixelSize: 13
        font.weight: Font.DemiBold
        // On the topic card.
        color: Theme.legible(root.tone(root.model.messageTone), Theme.secondaryGroupedBackground)
    }

    Repeater {
        model: root.model.candidates

        Rectangle {
            id: candidate

            required property string chapterLine
            required property string pointsLine
            required property string summaryLine
            required property int index

            objectName: "topicCandidate"
            Layout.fillWidth: true
            implicitHeight: lines.implicitHeight + 28
            radius: 16
            color: Theme.withOpacity(Theme.brandTeal, 0.08)
            border.width: 1
            border.color: Theme.withOpacity(Theme.brandTeal, 0.35)

            ColumnLayout {
                id: lines

                x: 14
                y: 14
                width: parent.width - 28
                spacing: 6

                Text {
                    Layout.fillWidth: true
                    text: candidate.chapterLine
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 12
                    color: Theme.secondaryLabel
                }
                Text {
                    Layout.fillWidth: true
                    text: candidate.pointsLine
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 15
                    font.bold: true
                    color: Theme.label
                }
                Text {
                    Layout.fillWidth: true
                    text: candidate.summaryLine
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    font.pixelSize: 12
                    color: Theme.brandNavy
                }
                BrandPrimaryButton {
                    objectName: "confirmTopic"
                    Layout.fillWidth: true
                    text: root.model.confirmLabel
                    styleEnabled: true
                    enabled: root.model.confirmEnabled
                    font.pixelSize: 14
                    onClicked: root.model.confirm(candidate.index)
                }
            }
        }
    }
}
